#include "ScriptedDialogs.h"

#include "app/OrderFileWriter.h"
#include "ui/_newearmarkform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class OrderForm : public ::testing::Test {
protected:
  void SetUp() override {
    TestApplication();
    Form = std::make_unique<TNewEarMarkForm>(Dialogs);
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  }

  QWidget* Focused() const { return Form->focusWidget(); }

  void Key(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key); }

  // Types a field's text from its start and confirms it with Enter.
  void Type(QLineEdit* editor, const QString& text) {
    editor->setFocus();
    editor->selectAll();
    editor->del();
    editor->home(false);
    QTest::keyClicks(editor, text);
    Key(editor, Qt::Key_Return);
  }

  // Enters one complete line the way a user does: country, ear number, count, each with Enter.
  void EnterLine(const QString& country, const QString& ear, const QString& count) {
    Type(Form->MaskEdit1, country);
    Type(Form->MaskEdit2, ear);
    Type(Form->MaskEdit3, count);
  }

  // Editors as the user sees them: row, country, ear number, count.
  QStringList Editors() const {
    return {Form->RowNumberEdit->text(), Form->MaskEdit1->displayText(),
            Form->MaskEdit2->displayText(), Form->MaskEdit3->displayText()};
  }

  QString UpperRow(int row) const { return GridRow(true, row); }
  QString LowerRow(int row) const { return GridRow(false, row); }
  QString GridRow(bool upper, int row) const {
    QStringList cells;
    for (int c = 0; c < 4; ++c) cells << Form->GridText(upper, c, row);
    return cells.join(u'|');
  }

  TScriptedDialogs Dialogs;
  std::unique_ptr<TNewEarMarkForm> Form;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

TEST_F(OrderForm, LayoutCaptionsAndStart) {
  EXPECT_EQ(Form->windowTitle(), QString::fromUtf8("Objednávka na náhradné ušné značky"));
  EXPECT_EQ(Focused(), Form->LabeledEdit1);
  EXPECT_EQ(Editors(), (QStringList{"1", "SK", "............", "."}));
  // The list in the order whose index the order file's codes and the sheet's caption follow.
  const std::vector<std::string> captions = {
      "HD náhradná Allflex TYP A",
      "HD náhradná Allflex TYP B",
      "Ovce a kozy náhradná - terčík Allflex",
      "Ovce a kozy náhradná - hranatá Allflex",
      "Ovce a kozy náhradná - hranatá Bentley",
      "Ovce a kozy náhradná - hranatá Datamars",
      "Ovce a kozy náhradná - elektronická",
  };
  ASSERT_EQ(Form->ComboBox3->count(), static_cast<int>(captions.size()));
  for (int i = 0; i < Form->ComboBox3->count(); ++i)
    EXPECT_EQ(Form->ComboBox3->itemText(i).toStdString(), captions[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(Form->ComboBox3->currentIndex(), 0);
  EXPECT_FALSE(Form->CountryCheck->isChecked());
  // Geometry of the editors and grids inside their box, in pixels.
  EXPECT_EQ(Form->MaskEdit1->geometry(), QRect(89, 198, 36, 21));
  EXPECT_EQ(Form->MaskEdit2->geometry(), QRect(162, 198, 142, 21));
  EXPECT_EQ(Form->MaskEdit3->geometry(), QRect(333, 198, 51, 21));
  EXPECT_EQ(Form->UpperGrids[2]->geometry(), QRect(162, 33, 142, 132));
  EXPECT_EQ(Form->LowerGrids[3]->geometry(), QRect(332, 241, 51, 132));
  EXPECT_EQ(Form->UpperGrids[0]->rowHeight(0), 0);
  EXPECT_EQ(Form->UpperGrids[0]->rowHeight(1), 21);
  for (int row = 1; row <= 6; ++row) {
    EXPECT_EQ(UpperRow(row), "|||");
    EXPECT_EQ(LowerRow(row), "|||");
  }
  EXPECT_EQ(Form->Order().Line(1), (OrderLine{"1", "SK", "", ""}));
}

TEST_F(OrderForm, MenuItems) {
  QStringList titles;
  for (QAction* action : Form->menuBar()->actions()) {
    titles << action->text();
    if (QMenu* menu = action->menu())
      for (QAction* item : menu->actions()) titles << "  " + (item->isSeparator() ? "-" : item->text());
  }
  EXPECT_EQ(titles, QStringList::fromVector({
                        QString::fromUtf8("Súbor"), QString::fromUtf8("  Otvoriť..."),
                        QString::fromUtf8("  Uložiť..."), "  -", QString::fromUtf8("  Vytlačiť..."),
                        QString::fromUtf8("  Ukážka pred tlačou..."),
                        QString::fromUtf8("  Uložiť ako PDF..."), "  -", "  Koniec", "Nastavenia", "  Dodacia adresa...", "O programe"}));
  EXPECT_EQ(Form->Oprograme1->menu(), nullptr);
}

TEST_F(OrderForm, EnterMovesThroughTheTabOrder) {
  // field where Enter is pressed (with a valid content) -> field that gets the focus
  Key(Form->LabeledEdit1, Qt::Key_Return);
  EXPECT_EQ(Focused(), Form->ComboBox3);
  Key(Form->ComboBox3, Qt::Key_Return);
  EXPECT_EQ(Focused(), Form->MaskEdit1);
  Key(Form->MaskEdit1, Qt::Key_Return);
  EXPECT_EQ(Focused(), Form->MaskEdit2);
  QTest::keyClicks(Form->MaskEdit2, "5");
  Key(Form->MaskEdit2, Qt::Key_Return);
  EXPECT_EQ(Focused(), Form->MaskEdit3);
  EXPECT_EQ(Form->MaskEdit2->displayText(), "000000000005");
  QTest::keyClicks(Form->MaskEdit3, "1");
  Key(Form->MaskEdit3, Qt::Key_Return);
  EXPECT_EQ(Focused(), Form->MaskEdit1);
  EXPECT_EQ(Editors(), (QStringList{"2", "SK", "............", "."}));
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(OrderForm, TabOrderWithAndWithoutTheCountryLock) {
  struct Case {
    bool locked;
    std::vector<QWidget*> order;
  };
  const std::vector<Case> cases = {
      {false, {Form->LabeledEdit1, Form->ComboBox3, Form->MaskEdit1, Form->MaskEdit2,
               Form->MaskEdit3, Form->LabeledEdit1}},
      {true, {Form->LabeledEdit1, Form->ComboBox3, Form->MaskEdit2, Form->MaskEdit3,
              Form->LabeledEdit1}},
  };
  for (const Case& c : cases) {
    if (Form->CountryLocked() != c.locked) Key(Form->MaskEdit1, Qt::Key_F5);
    ASSERT_EQ(Form->CountryLocked(), c.locked);
    // The real Tab key and the Enter of the farm field and list follow the same order.
    Form->LabeledEdit1->setFocus();
    for (std::size_t i = 1; i < c.order.size(); ++i) {
      QTest::keyClick(Focused(), Qt::Key_Tab);
      EXPECT_EQ(Focused(), c.order[i]) << "locked " << c.locked << " step " << i;
    }
    Form->LabeledEdit1->setFocus();
    Key(Form->LabeledEdit1, Qt::Key_Return);
    Key(Form->ComboBox3, Qt::Key_Return);
    EXPECT_EQ(Focused(), c.order[2]) << "locked " << c.locked;
  }
}

TEST_F(OrderForm, CountryLockToggle) {
  // F5 presses in the country field -> ticked, country is a tab stop
  const std::vector<std::pair<bool, bool>> states = {{true, false}, {false, true}, {true, false}};
  for (const auto& [ticked, tabStop] : states) {
    Key(Form->MaskEdit1, Qt::Key_F5);
    EXPECT_EQ(Form->CountryCheck->isChecked(), ticked);
    EXPECT_EQ((Form->MaskEdit1->focusPolicy() & Qt::TabFocus) != 0, tabStop);
  }
  // F5 anywhere else changes nothing.
  Key(Form->MaskEdit2, Qt::Key_F5);
  Key(Form->MaskEdit3, Qt::Key_F5);
  EXPECT_TRUE(Form->CountryCheck->isChecked());
}

TEST_F(OrderForm, LockedCountryStillTakesTheFocusAfterACount) {
  Key(Form->MaskEdit1, Qt::Key_F5);
  Type(Form->MaskEdit2, "77");
  Type(Form->MaskEdit3, "2");
  EXPECT_EQ(Focused(), Form->MaskEdit1);
  EXPECT_EQ(Form->Order().Line(1), (OrderLine{"1", "SK", "000000000077", "2"}));
}

TEST_F(OrderForm, RightAtTheEndActsAsEnter) {
  // field, caret position -> field with the focus afterwards
  struct Case {
    QLineEdit* editor;
    QString text;
    int caret;
    QWidget* expected;
  };
  const std::vector<Case> cases = {
      {Form->MaskEdit1, "CZ", 2, Form->MaskEdit2},
      {Form->MaskEdit1, "CZ", 1, Form->MaskEdit1},
      {Form->MaskEdit2, "123456789012", 12, Form->MaskEdit3},
      {Form->MaskEdit2, "123456789012", 11, Form->MaskEdit2},
      {Form->MaskEdit3, "1", 1, Form->MaskEdit3},  // not handled in the count field
  };
  for (const Case& c : cases) {
    c.editor->setFocus();
    c.editor->setText(c.text);
    c.editor->setCursorPosition(c.caret);
    Key(c.editor, Qt::Key_Right);
    EXPECT_EQ(Focused(), c.expected) << c.text.toStdString() << " at " << c.caret;
  }
  EXPECT_EQ(Form->Order().Line(1).Country, "CZ");
  EXPECT_EQ(Form->Order().Line(1).EarNumber, "123456789012");
  EXPECT_EQ(Form->Order().LineCount, 1);
}

TEST_F(OrderForm, LeftAtTheStartGoesBack) {
  struct Case {
    QLineEdit* editor;
    int caret;
    QWidget* expected;
  };
  const std::vector<Case> cases = {
      {Form->MaskEdit2, 0, Form->MaskEdit1}, {Form->MaskEdit2, 3, Form->MaskEdit2},
      {Form->MaskEdit3, 0, Form->MaskEdit2}, {Form->MaskEdit3, 1, Form->MaskEdit3},
      {Form->MaskEdit1, 0, Form->MaskEdit1},  // not handled in the country field
  };
  for (const Case& c : cases) {
    c.editor->setFocus();
    c.editor->setCursorPosition(c.caret);
    Key(c.editor, Qt::Key_Left);
    EXPECT_EQ(Focused(), c.expected) << c.caret;
  }
}

TEST_F(OrderForm, SelectedTextPutsTheCaretAtTheSelectionStart) {
  // Enter selects the whole text of the field it moves to; the arrows then act from the start
  // of that selection: Right moves the caret and stores nothing, Left goes back a field.
  // Field reached with Enter from the field before it, key -> field with the focus afterwards.
  struct Case {
    QLineEdit* editor;
    Qt::Key key;
    QWidget* expected;
  };
  const std::vector<Case> cases = {
      {Form->MaskEdit1, Qt::Key_Right, Form->MaskEdit1},  // "SK": Right at the end would store it
      {Form->MaskEdit2, Qt::Key_Right, Form->MaskEdit2},  // empty: storing would show a box
      {Form->MaskEdit2, Qt::Key_Left, Form->MaskEdit1},
      {Form->MaskEdit3, Qt::Key_Left, Form->MaskEdit2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.editor->inputMask().toStdString() + (c.key == Qt::Key_Left ? " Left" : " Right"));
    // Enter on the field before this one (the ear number field holds a number for the count).
    QLineEdit* before = c.editor == Form->MaskEdit1   ? nullptr
                        : c.editor == Form->MaskEdit2 ? Form->MaskEdit1
                                                      : Form->MaskEdit2;
    if (before == nullptr) {
      Form->ComboBox3->setFocus();
      Key(Form->ComboBox3, Qt::Key_Return);
    } else {
      before->setFocus();
      if (before == Form->MaskEdit2) SetMaskedFieldText(*Form->MaskEdit2, "5");
      Key(before, Qt::Key_Return);
    }
    ASSERT_EQ(Focused(), c.editor);
    ASSERT_EQ(c.editor->selectedText(), c.editor->displayText());
    const EarTagOrder stored = Form->Order();
    Dialogs.Shown.clear();
    Key(c.editor, c.key);
    EXPECT_EQ(Focused(), c.expected);
    EXPECT_TRUE(Dialogs.Shown.empty());
    EXPECT_EQ(Form->Order().Current(), stored.Current());
    EXPECT_EQ(Form->Order().LineCount, 1);
  }
}

TEST_F(OrderForm, FontsOfTheGridsAndTheEditors) {
  // widget -> bold (all "Courier New", 19 pixels)
  std::vector<std::pair<QWidget*, bool>> cases = {
      {Form->MaskEdit1, true}, {Form->MaskEdit2, true}, {Form->MaskEdit3, true}};
  for (auto* grids : {&Form->UpperGrids, &Form->LowerGrids})
    for (QTableWidget* grid : *grids) cases.emplace_back(grid, false);
  ASSERT_EQ(cases.size(), 11u);
  for (const auto& [widget, bold] : cases) {
    const QFont font = widget->font();
    EXPECT_EQ(font.family(), "Courier New") << widget->metaObject()->className();
    EXPECT_EQ(font.pixelSize(), 19);
    EXPECT_EQ(font.bold(), bold) << widget->metaObject()->className() << " at " << widget->x() << "," << widget->y();
  }
}

TEST_F(OrderForm, UpAndDownMoveBetweenLines) {
  EnterLine("SK", "1", "1");
  EnterLine("CZ", "2", "2");
  EnterLine("AT", "3", "1");
  ASSERT_EQ(Form->Order().LineCount, 4);
  // key, field -> row shown, editors
  struct Case {
    Qt::Key key;
    QLineEdit* editor;
    QStringList editors;
  };
  const std::vector<Case> cases = {
      {Qt::Key_Down, Form->MaskEdit1, {"4", "SK", "............", "."}},  // last line: nothing
      {Qt::Key_Up, Form->MaskEdit2, {"3", "AT", "000000000003", "1"}},
      {Qt::Key_Up, Form->MaskEdit3, {"2", "CZ", "000000000002", "2"}},
      {Qt::Key_Up, Form->MaskEdit1, {"1", "SK", "000000000001", "1"}},
      {Qt::Key_Up, Form->MaskEdit1, {"1", "SK", "000000000001", "1"}},  // first line: nothing
      {Qt::Key_Down, Form->MaskEdit3, {"2", "CZ", "000000000002", "2"}},
      {Qt::Key_Down, Form->MaskEdit2, {"3", "AT", "000000000003", "1"}},
      // The entry line has no stored country after advancing, so the reload shows it empty.
      {Qt::Key_Down, Form->MaskEdit1, {"4", "..", "............", "."}},
  };
  for (const Case& c : cases) {
    c.editor->setFocus();
    Key(c.editor, c.key);
    EXPECT_EQ(Editors(), c.editors);
    EXPECT_EQ(Focused(), c.editor);
  }
}

TEST_F(OrderForm, GridsShowTheLinesAroundTheCurrentOne) {
  for (int i = 1; i <= 8; ++i) EnterLine("SK", QString::number(i), i % 2 ? "1" : "2");
  ASSERT_EQ(Form->Order().CurrentLine, 9);
  // Upper grid row 6 is the line right above the current one, row 1 the sixth above.
  EXPECT_EQ(UpperRow(6), "8|SK|000000000008|2");
  EXPECT_EQ(UpperRow(1), "3|SK|000000000003|1");
  EXPECT_EQ(LowerRow(1), "|||");
  for (int i = 0; i < 6; ++i) Key(Form->MaskEdit1, Qt::Key_Up);
  EXPECT_EQ(Form->RowNumberEdit->text(), "3");
  EXPECT_EQ(UpperRow(6), "2|SK|000000000002|2");
  EXPECT_EQ(UpperRow(5), "1|SK|000000000001|1");
  EXPECT_EQ(UpperRow(4), "|||");
  EXPECT_EQ(LowerRow(1), "4|SK|000000000004|2");
  EXPECT_EQ(LowerRow(6), "9|||");
}

TEST_F(OrderForm, CountOnLineFiftyStaysOnLineFifty) {
  for (int i = 1; i <= 49; ++i) EnterLine("SK", QString::number(i), "1");
  ASSERT_EQ(Editors(), (QStringList{"50", "SK", "............", "."}));
  EnterLine("CZ", "50", "2");
  EXPECT_EQ(Form->Order().CurrentLine, 50);
  EXPECT_EQ(Form->Order().LineCount, 50);
  EXPECT_EQ(Form->Order().Line(50), (OrderLine{"50", "CZ", "000000000050", "2"}));
  // No reload: the editors keep what was typed, and the country field has the focus again.
  EXPECT_EQ(Editors(), (QStringList{"50", "CZ", "000000000050", "2"}));
  EXPECT_EQ(Focused(), Form->MaskEdit1);
  EXPECT_EQ(UpperRow(6), "49|SK|000000000049|1");
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(OrderForm, F3DeletesTheCurrentLine) {
  for (int i = 1; i <= 4; ++i) EnterLine("SK", QString::number(i), "1");
  // F3 on line 1 in a field, lock -> field with the focus, editors and the lower grid's first
  // three rows afterwards (the line that moved up, not the deleted one)
  struct Case {
    QLineEdit* editor;
    bool locked;
    QWidget* expected;
    QStringList editors;
    QStringList below;
  };
  const std::vector<Case> cases = {
      {Form->MaskEdit1, false, Form->MaskEdit1, {"1", "SK", "000000000002", "1"},
       {"2|SK|000000000003|1", "3|SK|000000000004|1", "4|||"}},
      {Form->MaskEdit2, false, Form->MaskEdit1, {"1", "SK", "000000000003", "1"},
       {"2|SK|000000000004|1", "3|||", "|||"}},
      {Form->MaskEdit3, false, Form->MaskEdit1, {"1", "SK", "000000000004", "1"}, {"2|||", "|||", "|||"}},
      {Form->MaskEdit2, true, Form->MaskEdit2, {"1", "..", "............", "."}, {"|||", "|||", "|||"}},
      {Form->MaskEdit3, true, Form->MaskEdit2, {"1", "..", "............", "."}, {"|||", "|||", "|||"}},
  };
  int expectedLines = 5;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.editors.join(u' ').toStdString());
    if (Form->CountryLocked() != c.locked) Key(Form->MaskEdit1, Qt::Key_F5);
    Form->MaskEdit1->setFocus();
    while (Form->Order().CurrentLine > 1) Key(Form->MaskEdit1, Qt::Key_Up);
    c.editor->setFocus();
    Key(c.editor, Qt::Key_F3);
    expectedLines = std::max(1, expectedLines - 1);
    EXPECT_EQ(Form->Order().LineCount, expectedLines);
    EXPECT_EQ(Focused(), c.expected);
    EXPECT_EQ(Editors(), c.editors);
    EXPECT_EQ((QStringList{LowerRow(1), LowerRow(2), LowerRow(3)}), c.below);
    EXPECT_EQ(UpperRow(6), "|||");
    // The field with the focus shows its text selected.
    const auto* focused = qobject_cast<QLineEdit*>(Focused());
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->selectedText(), focused->displayText());
  }
}

TEST_F(OrderForm, F3ThenEnterStoresWhatTheReloadShows) {
  EnterLine("SK", "11", "1");
  EnterLine("CZ", "22", "2");
  Key(Form->MaskEdit1, Qt::Key_Up);
  Key(Form->MaskEdit1, Qt::Key_Up);
  Key(Form->MaskEdit1, Qt::Key_F3);  // line 1 goes, line 2 moves up
  EXPECT_EQ(Editors(), (QStringList{"1", "CZ", "000000000022", "2"}));
  EXPECT_EQ(UpperRow(6), "|||");
  EXPECT_EQ(LowerRow(1), "2|||");
  Key(Form->MaskEdit1, Qt::Key_Return);
  Key(Form->MaskEdit2, Qt::Key_Return);
  Key(Form->MaskEdit3, Qt::Key_Return);
  EXPECT_EQ(Form->Order().Line(1), (OrderLine{"1", "CZ", "000000000022", "2"}));
  EXPECT_EQ(Form->Order().CurrentLine, 2);
  EXPECT_EQ(Form->MaskEdit1->displayText(), "SK");
}

TEST_F(OrderForm, FieldErrorsShowTheChybaBox) {
  // field, typed text -> message, field text afterwards
  struct Case {
    QLineEdit* editor;
    QString typed;
    TShownBox box;
    QString shown;
  };
  const std::vector<Case> cases = {
      {Form->MaskEdit2, "", {"Chyba", QString::fromUtf8("Vložená nulová hodnota.")},
       "000000000000"},
      {Form->MaskEdit2, "000", {"Chyba", QString::fromUtf8("Vložená nulová hodnota.")},
       "000000000000"},
      {Form->MaskEdit3, "", {"Chyba", QString::fromUtf8("Počet môže byť 1 alebo 2.")}, "."},
      {Form->MaskEdit3, "0", {"Chyba", QString::fromUtf8("Počet môže byť 1 alebo 2.")}, "0"},
      {Form->MaskEdit3, "3", {"Chyba", QString::fromUtf8("Počet môže byť 1 alebo 2.")}, "3"},
  };
  for (const Case& c : cases) {
    Dialogs.Shown.clear();
    Type(c.editor, c.typed);
    EXPECT_EQ(Dialogs.Shown, (std::vector<TShownBox>{c.box})) << c.typed.toStdString();
    EXPECT_EQ(c.editor->displayText(), c.shown);
    EXPECT_EQ(Focused(), c.editor);
    EXPECT_EQ(c.editor->selectionStart(), 0);
    EXPECT_EQ(c.editor->selectionLength(), c.editor->displayText().size());
    EXPECT_EQ(Form->Order().Line(1), (OrderLine{"1", "SK", "", ""}));
  }
}

TEST_F(OrderForm, EarNumberWithInnerBlanksReachesTheErrorReport) {
  Form->MaskEdit2->setFocus();
  Form->MaskEdit2->setText("12");
  Form->MaskEdit2->setCursorPosition(10);
  QTest::keyClicks(Form->MaskEdit2, "34");
  ASSERT_EQ(Form->MaskEdit2->displayText(), "12........34");
  Key(Form->MaskEdit2, Qt::Key_Return);
  EXPECT_EQ(Dialogs.Shown,
            (std::vector<TShownBox>{{"Exception", "'12        34' is not a valid integer value"}}));
  EXPECT_EQ(Focused(), Form->MaskEdit2);
  EXPECT_EQ(Form->Order().Line(1).EarNumber, "");
}

TEST_F(OrderForm, OneLetterCountryIsStoredWithItsBlank) {
  EnterLine("s", "12345", "1");
  EXPECT_EQ(Form->Order().Line(1).Country, "S ");
  EXPECT_EQ(UpperRow(6), "1|S |000000012345|1");
}

TEST_F(OrderForm, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const std::vector<std::pair<QString, AnsiString>> cases = {
      {"12345" + QString(QChar(0x03A9)), "12345?"},
      {QString::fromUtf8("Žilina"), "\x8Eilina"},
      {"a" + QString::fromUcs4(U"\U0001F600") + "b", "a?b"},
  };
  for (const auto& [typed, stored] : cases) {
    Form->LabeledEdit1->clear();
    // One key event per character, as a keyboard with these letters delivers them.
    for (qsizetype i = 0; i < typed.size(); ++i) {
      const qsizetype units = typed[i].isHighSurrogate() ? 2 : 1;
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed.mid(i, units));
      QApplication::sendEvent(Form->LabeledEdit1, &press);
      i += units - 1;
    }
    ASSERT_EQ(Form->LabeledEdit1->text(), typed);
    EXPECT_EQ(Form->Order().FarmNumber, stored);
  }
}

class SaveFlow : public OrderForm {
protected:
  void SetUp() override {
    OrderForm::SetUp();
    // One folder per test, so that tests run in parallel do not share files.
    Folder = fs::path(EARMARK_BINARY_DIR) / "test-output" /
             (std::string("ui-save-") +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    Form->Today = [] { return QDate(2026, 12, 7); };
    Form->DialogFolder = QString::fromStdString(Folder.string());
    QTest::keyClicks(Form->LabeledEdit1, "123456");
    EnterLine("SK", "12345", "1");
    EnterLine("CZ", "987", "2");
  }
  QString Target(const char* name) const { return QString::fromStdString((Folder / name).string()); }
  fs::path Folder;
};

TEST_F(SaveFlow, ProposesTheNameAndWritesTheFile) {
  Dialogs.FileAnswers = {Target("order.xml")};
  Form->Uloi1->trigger();
  ASSERT_EQ(Dialogs.FileSetups.size(), 1u);
  const TFileDialogSetup& setup = Dialogs.FileSetups[0];
  EXPECT_EQ(setup.FileName, "VrenaEarMark_123456_20260712");
  EXPECT_EQ(setup.Folder, Form->DialogFolder);
  EXPECT_EQ(setup.Filter, QString::fromUtf8("Súbory XML|*.xml"));
  EXPECT_EQ(setup.DefaultExt, "xml");
  EXPECT_TRUE(Dialogs.Shown.empty());
  const std::string bytes = ReadAll(Folder / "order.xml");
  EXPECT_EQ(bytes, OrderFileBytes(Form->Order()));
  EXPECT_NE(bytes.find("<farm>123456</farm>\r\n<accountnumber></accountnumber>\r\n<mark>\r\n"
                       "<markcode>SK000000012345</markcode>\r\n<cnt>1</cnt>\r\n</mark>\r\n<mark>\r\n"
                       "<markcode>CZ000000000987</markcode>\r\n<cnt>2</cnt>\r\n</mark>\r\n"
                       "</objednavka>\r\n"),
            std::string::npos);
}

TEST_F(SaveFlow, CancelAndOverwriteAnswers) {
  // existing file?, dialog answer, confirm answer -> boxes shown, file content afterwards
  struct Case {
    bool exists;
    bool chooseFile;
    bool confirm;
    std::vector<TShownBox> boxes;
    bool written;
  };
  const TShownBox question{"Confirm", QString::fromUtf8("Daný súbor už existuje. Prepísať ho?")};
  const std::vector<Case> cases = {
      {false, false, false, {}, false},          // dialog cancelled
      {true, false, false, {}, false},
      {true, true, false, {question}, false},    // overwrite refused
      {true, true, true, {question}, true},      // overwrite accepted
      {false, true, false, {}, true},            // new file: no question
  };
  for (const Case& c : cases) {
    fs::remove(Folder / "order.xml");
    if (c.exists) std::ofstream(Folder / "order.xml", std::ios::binary) << "old";
    Dialogs.Shown.clear();
    Dialogs.FileAnswers = {c.chooseFile ? std::optional<QString>(Target("order.xml")) : std::nullopt};
    Dialogs.ConfirmAnswers = {c.confirm};
    Form->Uloi1->trigger();
    EXPECT_EQ(Dialogs.Shown, c.boxes);
    const std::string content = ReadAll(Folder / "order.xml");
    if (c.written) EXPECT_EQ(content, OrderFileBytes(Form->Order()));
    else EXPECT_EQ(content, c.exists ? "old" : "");
  }
}

TEST_F(SaveFlow, BadFarmNumberStopsWithTheErrorDialog) {
  for (const QString farm : {"12345", "1234567", ""}) {
    Form->LabeledEdit1->setText(farm);
    Form->MaskEdit2->setFocus();
    Dialogs.Shown.clear();
    Dialogs.FileSetups.clear();
    Form->Uloi1->trigger();
    EXPECT_EQ(Dialogs.Shown, (std::vector<TShownBox>{
                                 {"Error", QString::fromUtf8(
                                               "Číslo farmy sa musi skladať so šiestich znakov!")}}));
    EXPECT_TRUE(Dialogs.FileSetups.empty());
    EXPECT_EQ(Focused(), Form->LabeledEdit1);
  }
}

TEST_F(SaveFlow, UncreatableFileReachesTheErrorReport) {
  const QString target = Target("missing/order.xml");
  Dialogs.FileAnswers = {target};
  Form->Uloi1->trigger();
  ASSERT_EQ(Dialogs.Shown.size(), 1u);
  EXPECT_EQ(Dialogs.Shown[0].Kind, "Exception");
  EXPECT_TRUE(Dialogs.Shown[0].Text.startsWith("Cannot create file \"" + target + "\". "))
      << Dialogs.Shown[0].Text.toStdString();
  // The program goes on: the next save works.
  Dialogs.FileAnswers = {Target("order.xml")};
  Form->Uloi1->trigger();
  EXPECT_TRUE(fs::exists(Folder / "order.xml"));
}

TEST_F(OrderForm, KoniecClosesWithoutAQuestion) {
  EnterLine("SK", "1", "1");
  Form->Koniec1->trigger();
  EXPECT_FALSE(Form->isVisible());
  EXPECT_TRUE(Dialogs.Shown.empty());
}

TEST_F(OrderForm, ActivationRunsOnce) {
  EXPECT_EQ(Form->DialogFolder, QCoreApplication::applicationDirPath());
  Form->DialogFolder = "elsewhere";
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  Form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
  EXPECT_EQ(Form->DialogFolder, "elsewhere");
}
