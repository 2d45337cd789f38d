// The order sheet from the "Súbor" menu without a printer: in the print preview and saved as a
// PDF file, with the checks and messages of printing.
#include "ScriptedDialogs.h"

#include "app/EarTagOrder.h"
#include "sheet/SheetPdf.h"
#include "ui/_newearmarkform.h"
#include "ui/_printunit.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

QString PdfText(const fs::path& pdf) {
  return RunTool("pdftotext", {"-layout", QString::fromStdString(pdf.string()), "-"});
}

// What every drawing of the fixture's order shows, in UTF-8.
const char* const SheetTexts[] = {
    "Zoznam objednávaných náhradných ušných značiek",
    "Typ značiek:",
    "HD náhradná Allflex TYP A",
    "Číslo farmy:",
    "123456",
    "Ušná značka",
    "SK000000012345",
    "CZ000000000987",
    "Celkový počet objednávaných značiek:",
    "Strana: 1",
};

// A form whose farm field holds 123456 and whose order has two complete lines (counts 1 and
// 2), with one output folder per test under the build folder.
class SheetPdf : public ::testing::Test {
protected:
  void SetUp() override {
    TestApplication();
    Folder = fs::path(EARMARK_BINARY_DIR) / "test-output" /
             (std::string("ui-pdf-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    Form = std::make_unique<TNewEarMarkForm>(Dialogs);
    Form->Today = [] { return QDate(2026, 12, 7); };
    Form->DialogFolder = QString::fromStdString(Folder.string());
    Form->LabeledEdit1->setText("123456");
    EarTagOrder& order = Form->Order();
    order.LineCount = 3;
    order.CurrentLine = 3;
    order.Line(1) = {"1", "SK", "000000012345", "1"};
    order.Line(2) = {"2", "CZ", "000000000987", "2"};
    order.Line(3) = {"3", "SK", "", ""};
  }

  QString Target(const std::string& name) const { return QString::fromStdString((Folder / name).string()); }

  // The entries of the output folder, to see that a failed write leaves no temporary file.
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TScriptedDialogs Dialogs;
  std::unique_ptr<TNewEarMarkForm> Form;
  fs::path Folder;
};

// Whether a pixel of image inside rect (in tenths of a millimetre on the page) is dark.
bool AnyDark(const QImage& image, int dpi, QRect tenths) {
  const auto px = [dpi](int v) { return v * dpi / 254; };
  for (int y = px(tenths.top()); y <= px(tenths.bottom()) && y < image.height(); ++y)
    for (int x = px(tenths.left()); x <= px(tenths.right()) && x < image.width(); ++x)
      if (qGray(image.pixel(x, y)) < 128) return true;
  return false;
}

}  // namespace

TEST_F(SheetPdf, SavedFileIsOneA4PageWithTheSheet) {
  Dialogs.FileAnswers = {Target("sheet.pdf")};
  Form->UloiakoPDF1->trigger();
  ASSERT_EQ(Dialogs.FileSetups.size(), 1u);
  const TFileDialogSetup& setup = Dialogs.FileSetups[0];
  EXPECT_EQ(setup.FileName, "VrenaEarMark_123456_20260712.pdf");
  EXPECT_EQ(setup.Folder, Form->DialogFolder);
  EXPECT_EQ(setup.Filter, QString::fromUtf8("Súbory PDF|*.pdf"));
  EXPECT_EQ(setup.DefaultExt, "pdf");
  EXPECT_TRUE(Dialogs.Shown.empty());

  const fs::path pdf = Folder / "sheet.pdf";
  const QString info = RunTool("pdfinfo", {QString::fromStdString(pdf.string())});
  ASSERT_FALSE(info.isEmpty()) << "pdfinfo could not read " << pdf;
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 84[12](\\.\\d+)? pts \\(A4\\)")))
      << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression(QString::fromUtf8("Title:\\s+Objednavka ušných značiek\\n")))) << info.toStdString();
  const QString text = PdfText(pdf);
  for (const char* t : SheetTexts)
    EXPECT_TRUE(text.contains(QString::fromUtf8(t))) << t << "\n" << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression("značiek:\\s+3\\s"))) << text.toStdString();

  // The page rendered as a picture, left beside the PDF: the title is where the layout puts it
  // (tenths of a millimetre from the page's corner) and nothing is drawn right of the frame or
  // below the footer.
  const int dpi = 50;
  RunTool("pdftoppm", {"-png", "-r", QString::number(dpi), "-singlefile",
                       QString::fromStdString(pdf.string()), Target("sheet")});
  const QImage page(Target("sheet.png"));
  ASSERT_FALSE(page.isNull()) << "no picture rendered";
  EXPECT_EQ(page.size(), QSize(414, 585));
  EXPECT_TRUE(AnyDark(page, dpi, QRect(QPoint(120, 100), QPoint(600, 170))));
  EXPECT_FALSE(AnyDark(page, dpi, QRect(QPoint(0, 0), QPoint(2099, 90))));
  EXPECT_FALSE(AnyDark(page, dpi, QRect(QPoint(1915, 0), QPoint(2099, 2969))));
  EXPECT_FALSE(AnyDark(page, dpi, QRect(QPoint(0, 2685), QPoint(2099, 2969))));
}

TEST_F(SheetPdf, SaveChecksAsksAndKeepsTheOldFileOnFailure) {
  enum class Kind { None, File, Folder };
  struct Case {
    const char* What;
    const char* Farm;
    const char* Count;       // of line 2
    std::string Name;        // inside the output folder
    Kind Before;             // what stands there before
    bool Answered;           // the save dialog gives the name
    bool Confirm;            // answer to the overwrite question
    std::vector<TShownBox> Boxes;  // a detail "=..." is the name followed by that text
    bool Pdf;                // a PDF stands there afterwards (else what stood before)
  };
  const QString farmMessage = QString::fromUtf8(EarTagOrder::FarmNumberMessage);
  const QString question = QString::fromUtf8("Daný súbor už existuje. Prepísať ho?");
  const QString failed = QString::fromUtf8("Súbor PDF sa nepodarilo uložiť!");
  const std::vector<Case> cases = {
      {"farm number too short", "12345", "2", "a.pdf", Kind::File, true, true, {{"Error", farmMessage}}, false},
      {"farm number too long", "1234567", "2", "a.pdf", Kind::None, true, true, {{"Error", farmMessage}}, false},
      {"dialog cancelled", "123456", "2", "a.pdf", Kind::File, false, true, {}, false},
      {"new file: no question", "123456", "2", "a.pdf", Kind::None, true, false, {}, true},
      {"overwrite refused", "123456", "2", "a.pdf", Kind::File, true, false, {{"Confirm", question}}, false},
      {"overwrite accepted", "123456", "2", "a.pdf", Kind::File, true, true, {{"Confirm", question}}, true},
      {"count not a number", "123456", "x", "a.pdf", Kind::File, true, true,
       {{"Confirm", question}, {"Exception", "'x' is not a valid integer value"}}, false},
      {"target in a missing folder", "123456", "2", "missing/a.pdf", Kind::None, true, true,
       {{"Error", failed, "=\". No such file or directory"}}, false},
      {"a folder as target", "123456", "2", "a.pdf", Kind::Folder, true, true,
       {{"Confirm", question}, {"Error", failed, "=\". Is a directory"}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    const fs::path target = Folder / c.Name;
    if (c.Before == Kind::File) std::ofstream(target, std::ios::binary) << "old";
    if (c.Before == Kind::Folder) {
      fs::create_directories(target);
      std::ofstream(target / "inside.txt", std::ios::binary) << "kept";
    }
    const std::vector<std::string> entriesBefore = FolderEntries();
    Form->LabeledEdit1->setText(c.Farm);
    Form->Order().Line(2).Count = c.Count;
    Form->MaskEdit2->setFocus();
    Dialogs.Shown.clear();
    Dialogs.FileSetups.clear();
    Dialogs.FileAnswers = {c.Answered ? std::optional<QString>(Target(c.Name)) : std::nullopt};
    Dialogs.ConfirmAnswers = {c.Confirm};

    Form->UloiakoPDF1->trigger();

    std::vector<TShownBox> expected = c.Boxes;
    for (TShownBox& box : expected)
      if (box.Detail.startsWith(u'=')) box.Detail = "Cannot create file \"" + Target(c.Name) + box.Detail.mid(1);
    EXPECT_EQ(Dialogs.Shown, expected);
    const bool farmRefused = c.Boxes.size() == 1 && c.Boxes[0].Text == farmMessage;
    EXPECT_EQ(Dialogs.FileSetups.size(), farmRefused ? 0u : 1u);
    if (farmRefused) EXPECT_EQ(Form->focusWidget(), Form->LabeledEdit1);
    if (c.Pdf) {
      EXPECT_EQ(ReadAll(target).substr(0, 5), "%PDF-");
    } else if (c.Before == Kind::File) {
      EXPECT_EQ(ReadAll(target), "old");
    } else if (c.Before == Kind::Folder) {
      EXPECT_TRUE(fs::is_directory(target));
      EXPECT_EQ(ReadAll(target / "inside.txt"), "kept");
    } else {
      EXPECT_FALSE(fs::exists(target));
      EXPECT_FALSE(fs::exists(target.parent_path()) && target.parent_path() != Folder);
    }
    // No temporary file is left behind, whatever happened.
    std::vector<std::string> entriesAfter = FolderEntries();
    if (c.Pdf && c.Before == Kind::None) entriesAfter.erase(std::find(entriesAfter.begin(), entriesAfter.end(), c.Name));
    EXPECT_EQ(entriesAfter, entriesBefore);
  }
}

TEST_F(SheetPdf, PreviewRunsThePrintChecksThenShowsTheSheet) {
  struct Case {
    const char* What;
    const char* Farm;
    const char* Count;  // of line 2
    std::vector<TShownBox> Boxes;
  };
  const std::vector<Case> cases = {
      {"farm number too short", "12345", "2", {{"Error", QString::fromUtf8(EarTagOrder::FarmNumberMessage)}}},
      {"empty farm number", "", "2", {{"Error", QString::fromUtf8(EarTagOrder::FarmNumberMessage)}}},
      {"count not a number", "123456", "x", {{"Exception", "'x' is not a valid integer value"}}},
      {"the sheet", "123456", "2", {{"Preview", QString::fromUtf8("Objednavka ušných značiek")}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const fs::path drawn = Folder / "preview.pdf";
    fs::remove(drawn);
    Form->LabeledEdit1->setText(c.Farm);
    Form->Order().Line(2).Count = c.Count;
    Form->MaskEdit2->setFocus();
    Dialogs.Shown.clear();
    Dialogs.PreviewFile = QString::fromStdString(drawn.string());
    Form->Ukkapredtlaou1->trigger();
    EXPECT_EQ(Dialogs.Shown, c.Boxes);
    if (c.Boxes[0].Kind == "Error") EXPECT_EQ(Form->focusWidget(), Form->LabeledEdit1);
    if (c.Boxes[0].Kind != "Preview") {
      EXPECT_FALSE(fs::exists(drawn));
      continue;
    }
    const QString text = PdfText(drawn);
    for (const char* t : SheetTexts)
      EXPECT_TRUE(text.contains(QString::fromUtf8(t))) << t << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("značiek:\\s+3\\s"))) << text.toStdString();
  }
}

TEST_F(SheetPdf, WithoutAPrinterThePreviewShowsThePdfsPage) {
  if (!QPrinterInfo::defaultPrinterName().isEmpty()) GTEST_SKIP() << "a default printer is installed";
  Dialogs.PreviewFile = Target("preview.pdf");
  Form->Ukkapredtlaou1->trigger();
  EXPECT_EQ(Dialogs.PreviewDpi, SheetPdfDpi);
  EXPECT_EQ(Dialogs.PreviewLayout.pageSize().id(), QPageSize::A4);
  EXPECT_EQ(Dialogs.PreviewLayout.orientation(), QPageLayout::Portrait);
  EXPECT_EQ(Dialogs.PreviewLayout.margins(), QMarginsF(0, 0, 0, 0));
  Dialogs.FileAnswers = {Target("saved.pdf")};
  Form->UloiakoPDF1->trigger();
  // The same drawing on the same page: the texts stand at the same places.
  const QString previewText = PdfText(Folder / "preview.pdf");
  EXPECT_FALSE(previewText.isEmpty());
  EXPECT_EQ(previewText, PdfText(Folder / "saved.pdf"));
}

TEST(PreviewPrinter, TheNamedPrinterElseTheA4Page) {
  TestApplication();
  QStringList names = {"", "No such printer"};
  const QStringList installed = QPrinterInfo::availablePrinterNames();
  if (!installed.isEmpty()) names << installed.front();
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const std::unique_ptr<QPrinter> printer = PreviewPrinter(name);
    ASSERT_NE(printer, nullptr);
    if (installed.contains(name)) {
      EXPECT_EQ(printer->outputFormat(), QPrinter::NativeFormat);
      EXPECT_EQ(printer->printerName(), name);
      continue;
    }
    EXPECT_EQ(printer->outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer->resolution(), SheetPdfDpi);
    EXPECT_EQ(printer->pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(printer->pageLayout().margins(), QMarginsF(0, 0, 0, 0));
  }
}
