// "Otvoriť..." in the window with scripted dialogs: what the fields, the grids and the
// editors show after opening, the messages of the failures, and that a failure leaves the
// order on screen as it was.
#include "ScriptedDialogs.h"

#include "app/OrderFileWriter.h"
#include "dom/DomImplementation.h"
#include "dom/DomLists.h"
#include "ui/_newearmarkform.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString kNotFound = QString::fromUtf8("Subor nebol nájdený!");
const QString kBadFormat = QString::fromUtf8("Nesprávny fromát súboru!");

std::string OrderFile(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n" + body + "</objednavka>\r\n";
}

std::string Marks(int count) {
  std::string out;
  for (int i = 1; i <= count; ++i) {
    char code[32];
    std::snprintf(code, sizeof code, "SK%012d", i);
    out += std::string("<mark>\r\n<markcode>") + code + "</markcode>\r\n<cnt>1</cnt>\r\n</mark>\r\n";
  }
  return out;
}

class OpenOrder : public ::testing::Test {
protected:
  void SetUp() override {
    TestApplication();
    Dir = fs::temp_directory_path() / ("earmark-open-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    Form = std::make_unique<TNewEarMarkForm>(Dialogs);
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->DialogFolder = QString::fromStdString(Dir.string());
    // An order on screen: farm, type and two typed lines.
    Form->LabeledEdit1->setText("654321");
    Form->ComboBox3->setCurrentIndex(5);
    for (const char* ear : {"11", "22"}) {
      Form->Order().StoreCountry("CZ");
      Form->Order().StoreEarNumber(ear);
      Form->Order().StoreCount("2");
    }
    Form->RefreshLineView();
  }
  void TearDown() override {
    Form.reset();
    fs::remove_all(Dir);
  }

  QString Write(const std::string& bytes, const char* name = "order.xml") {
    const fs::path path = Dir / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return QString::fromStdString(path.string());
  }

  void Open(const std::optional<QString>& answer) {
    Dialogs.Shown.clear();
    Dialogs.FileAnswers = {answer};
    Form->Otvor1->trigger();
    EXPECT_EQ(Form->Opener.Implementation().documents()->getLength(), 0);
  }

  // What the window shows: farm, type, the row/country/ear/count editors and the upper grid
  // (top row first, the line right above the current one last).
  std::string Screen() const {
    QStringList parts{Form->LabeledEdit1->text(), QString::number(Form->ComboBox3->currentIndex()),
                      Form->RowNumberEdit->text(), Form->MaskEdit1->displayText(), Form->MaskEdit2->displayText(),
                      Form->MaskEdit3->displayText()};
    for (int row = 1; row <= 6; ++row) {
      QStringList cells;
      for (int c = 0; c < 4; ++c) cells << Form->GridText(true, c, row);
      parts << cells.join(u'|');
    }
    return parts.join(u' ').toStdString();
  }

  TScriptedDialogs Dialogs;
  std::unique_ptr<TNewEarMarkForm> Form;
  fs::path Dir;
};

TEST_F(OpenOrder, FilesThatOpen) {
  struct Row {
    const char* Name;
    std::string File;
    std::string Screen;
    int LineCount;
  };
  const Row rows[] = {
      {"three marks with a type",
       OrderFile("<species>1</species>\r\n<type>49</type>\r\n<farm>123456</farm>\r\n" + Marks(3)),
       "123456 0 4 .. ............ . ||| ||| ||| 1|SK|000000000001|1 2|SK|000000000002|1 3|SK|000000000003|1", 4},
      {"no type, no farm: the farm field keeps its text", OrderFile(Marks(1)),
       "123456 -1 2 .. ............ . ||| ||| ||| ||| ||| 1|SK|000000000001|1", 2},
      {"fifty marks", OrderFile("<farm>111111</farm>\r\n" + Marks(50)),
       "111111 -1 50 SK 000000000050 1 44|SK|000000000044|1 45|SK|000000000045|1 46|SK|000000000046|1 "
       "47|SK|000000000047|1 48|SK|000000000048|1 49|SK|000000000049|1",
       50},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    Open(Write(row.File));
    EXPECT_TRUE(Dialogs.Shown.empty());
    EXPECT_EQ(Screen(), row.Screen);
    EXPECT_EQ(Form->Order().LineCount, row.LineCount);
    EXPECT_EQ(Form->Order().CurrentLine, row.LineCount);
    EXPECT_EQ(Form->focusWidget(), Form->MaskEdit1);
  }
  ASSERT_EQ(Dialogs.FileSetups.size(), 3u);
  EXPECT_EQ(Dialogs.FileSetups[0].Filter, QString::fromUtf8("Súbory XML|*.xml"));
  EXPECT_EQ(Dialogs.FileSetups[0].Folder, QString::fromStdString(Dir.string()));
}

TEST_F(OpenOrder, FailuresKeepTheOrderOnScreen) {
  const std::string before = Screen();
  struct Row {
    const char* Name;
    std::optional<QString> Answer;
    std::vector<TShownBox> Shown;
  };
  const Row rows[] = {
      {"cancelled", std::nullopt, {}},
      {"missing file", QString::fromStdString((Dir / "missing.xml").string()), {{"Error", kNotFound}}},
      // The box's detailed text says where the file is broken.
      {"not well-formed", Write(OrderFile("<company>A & B</company>\r\n"), "ampersand.xml"),
       {{"Error", kBadFormat, "EK_ENTITY_NAME_EXPECTED at line 3, column 13"}}},
      {"type that is no number", Write(OrderFile("<farm>123456</farm>" + Marks(2) + "<type>x</type>\r\n"), "type.xml"),
       {{"Error", kBadFormat, "not an order: 'x' is not a valid integer value"}}},
      {"fifty-one marks", Write(OrderFile(Marks(51)), "fifty-one.xml"),
       {{"Error", kBadFormat, "not an order: More order lines than an order can hold."}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    Open(row.Answer);
    EXPECT_EQ(Dialogs.Shown, row.Shown);
    EXPECT_EQ(Screen(), before);
    EXPECT_EQ(Form->Order().LineCount, 3);
  }
}

TEST_F(OpenOrder, OpenedOrderSavesTheSameBytes) {
  const std::string bytes = OrderFile(
      "<species>3</species>\r\n<type>63</type>\r\n<address>\r\n<name>J\xE1n</name>\r\n<company>A &#38; B</company>\r\n"
      "<street>\"5\"</street>\r\n<village>\x8Eilina</village>\r\n<zipcode>01001</zipcode>\r\n</address>\r\n"
      "<farm>123456</farm>\r\n<accountnumber>1/0200</accountnumber>\r\n" +
      Marks(2));
  Open(Write(bytes));
  ASSERT_TRUE(Dialogs.Shown.empty());
  const fs::path saved = Dir / "saved.xml";
  Dialogs.FileAnswers = {QString::fromStdString(saved.string())};
  Form->Uloi1->trigger();
  std::ifstream in(saved, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  EXPECT_EQ(out.str(), bytes);
}

}  // namespace
