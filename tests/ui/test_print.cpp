#include "ui/_printunit.h"

#include "app/EarTagOrder.h"
#include "platform/Exceptions.h"
#include "ui/_newearmarkform.h"

#include "PrintTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>

namespace {

// An order with three complete lines and an address with Slovak letters (windows-1250).
TSheetContent SampleContent() {
  TSheetContent c;
  c.TagTypeCaption = "Ovce a kozy n\xe1hradn\xe1 - ter\xe8\xedk Allflex";
  c.FarmNumber = "123456";
  c.AccountNumber = "SK31 1200 0000";
  c.Name = "J\xe1n Kov\xe1\xe8";
  c.Company = "Farma \x8a" "tiavnica";
  c.Street = "Hlavn\xe1 1";
  c.Village = "\xc8" "adca";
  c.Zipcode = "02201";
  c.LineCount = 4;
  c.Lines = {{"SK", "000000000123", "2"}, {"CZ", "000000004567", "1"}, {"SK", "000000000089", "2"}};
  return c;
}

// A PDF printer at 600 dpi writing to path.
std::unique_ptr<QPrinter> PdfPrinter(const QString& path) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path);
  printer->setResolution(600);
  return printer;
}

QString RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

TEST(StartupPrinter, NamedPrinterWithoutCaseElseDefault) {
  const TPrinterList both{{"Laser", "Office Inkjet"}, "Office Inkjet"};
  const TPrinterList none{{}, {}};
  const TPrinterList noDefault{{"Laser"}, {}};
  struct Case {
    QString Wanted;
    TPrinterList Printers;
    QString Expected;
  } cases[] = {
      {"laser", both, "Laser"},
      {"LASER", both, "Laser"},
      {"Laser ", both, "Office Inkjet"},
      {"", both, "Office Inkjet"},
      {"Missing", both, "Office Inkjet"},
      {"Laser", noDefault, "Laser"},
      {"Missing", noDefault, ""},
      {"", none, ""},
      {"Laser", none, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseStartupPrinter(c.Wanted, c.Printers), c.Expected) << c.Wanted.toStdString();
}

TEST(SheetFont, StyleComesFromTheName) {
  struct Case {
    AnsiString Face;
    QString Family;
    bool Bold, Italic;
  } cases[] = {
      {FaceArialBold, "Arial", true, false},         {FaceArial, "Arial", false, false},
      {FaceCourierBold, "Courier New", true, false}, {FaceCourier, "Courier New", false, false},
      {FaceTimesItalic, "Times New Roman", false, true},
  };
  for (const Case& c : cases) {
    const QFont font = SheetFont(c.Face, 94);
    EXPECT_EQ(font.family(), c.Family);
    EXPECT_EQ(font.bold(), c.Bold) << c.Family.toStdString();
    EXPECT_EQ(font.italic(), c.Italic) << c.Family.toStdString();
    EXPECT_EQ(font.pixelSize(), 94);
  }
}

TEST(PrintSheet, PdfHoldsTheSheetsTextsOnOnePage) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sheet.pdf");
  {
    std::unique_ptr<QPrinter> printer = PdfPrinter(path);
    ASSERT_TRUE(PrintSheet(*printer, SampleContent()));
  }
  const QString info = RunTool("pdfinfo", {path});
  ASSERT_FALSE(info.isEmpty()) << "pdfinfo could not read the file";
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("Objednavka ušných značiek"))) << info.toStdString();
  const QString text = RunTool("pdftotext", {"-layout", path, "-"});
  const char* expected[] = {
      "Zoznam objednávaných náhradných ušných značiek",
      "Typ značiek:",
      "Ovce a kozy náhradná - terčík Allflex",
      "Číslo farmy:",
      "123456",
      "Číslo účtu:",
      "SK31 1200 0000",
      "Dodacia adresa:",
      "Ján Kováč",
      "Farma Štiavnica",
      "Hlavná 1",
      "02201 Čadca",
      "Ušná značka",
      "Počet",
      "SK000000000123",
      "CZ000000004567",
      "SK000000000089",
      "Celkový počet objednávaných značiek:",
      "Strana: 1",
  };
  for (const char* t : expected) EXPECT_TRUE(text.contains(QString::fromUtf8(t))) << t << "\n" << text.toStdString();
  // The total of the three lines stands right of its caption.
  EXPECT_TRUE(text.contains(QRegularExpression("značiek:\\s+5\\s"))) << text.toStdString();
}

TEST(PrintOrder, JobsByNameCopiesAndFailures) {
  QTemporaryDir dir;
  const QString longName = QString(40, QLatin1Char('P')) + QStringLiteral("-tlačiareň");
  struct Case {
    const char* What;
    QString Printer;
    int Copies;
    bool BadCount;
    bool FactoryFails;
    int Jobs;           // files written
    int FactoryCalls;
    bool Raises;
  } cases[] = {
      {"one copy", "Laser", 1, false, false, 1, 1, false},
      {"each copy is its own job", "Laser", 3, false, false, 3, 3, false},
      {"a long name is passed whole", longName, 1, false, false, 1, 1, false},
      {"no printer chosen", "", 1, false, false, 0, 0, false},
      {"printer cannot be opened", "Gone", 2, false, true, 0, 1, false},
      {"a bad count stops before any job", "Laser", 2, true, false, 0, 0, true},
      {"a job that cannot start ends the copies", "Laser", 3, false, false, 0, 1, false},
  };
  int run = 0;
  for (const Case& c : cases) {
    TSheetContent content = SampleContent();
    if (c.BadCount) content.Lines[1].Count = "x";
    std::vector<QString> names;
    int made = 0;
    const QString prefix = dir.filePath(QString::number(run++) + "-");
    TPrinterFactory factory = [&](const QString& name) -> std::unique_ptr<QPrinter> {
      names.push_back(name);
      if (c.FactoryFails) return nullptr;
      // A PDF in a folder that does not exist cannot be started.
      if (std::string(c.What).find("cannot start") != std::string::npos)
        return PdfPrinter(dir.filePath("missing/") + QString::number(made++) + ".pdf");
      return PdfPrinter(prefix + QString::number(made++) + ".pdf");
    };
    bool raised = false;
    try {
      PrintOrder(content, c.Printer, c.Copies, factory);
    } catch (const EConvertError& e) {
      raised = true;
      EXPECT_STREQ(e.what(), "'x' is not a valid integer value") << c.What;
    }
    EXPECT_EQ(raised, c.Raises) << c.What;
    EXPECT_EQ(static_cast<int>(names.size()), c.FactoryCalls) << c.What;
    for (const QString& name : names) EXPECT_EQ(name, c.Printer) << c.What;
    int files = 0;
    for (int i = 0; i < 5; ++i) files += QFile::exists(prefix + QString::number(i) + ".pdf") ? 1 : 0;
    EXPECT_EQ(files, c.Jobs) << c.What;
  }
}

TEST(PrintCommand, FarmCheckDialogAndPrinter) {
  struct Case {
    const char* What;
    QString Farm;
    std::optional<QString> Chosen;
    bool ErrorShown;
    int Dialogs;
    int Jobs;
  } cases[] = {
      {"farm number too short", "12345", QString("Laser"), true, 0, 0},
      {"farm number too long", "1234567", QString("Laser"), true, 0, 0},
      {"dialog cancelled", "123456", std::nullopt, false, 1, 0},
      {"printer chosen", "123456", QString(), false, 1, 1},
  };
  // The print-setup dialog can only choose a printer that exists; without one (no CUPS
  // queue) that case cannot be run here.
  const QStringList installed = QPrinterInfo::availablePrinterNames();
  for (Case& c : cases) {
    if (c.Chosen && c.Chosen->isEmpty()) {
      if (installed.isEmpty()) {
        std::cout << "[ SKIPPED  ] '" << c.What << "': no printer installed\n";
        continue;
      }
      c.Chosen = installed.back();
    }
    TPrintScriptDialogs dialogs;
    dialogs.ChosenPrinter = c.Chosen;
    TNewEarMarkForm form(dialogs);
    form.LabeledEdit1->setText(c.Farm);
    std::vector<QString> printed;
    QTemporaryDir dir;
    PrintCommand(form, [&](const QString& name) {
      printed.push_back(name);
      return PdfPrinter(dir.filePath("job.pdf"));
    });
    EXPECT_EQ(dialogs.Errors.size(), c.ErrorShown ? 1u : 0u) << c.What;
    if (c.ErrorShown) {
      EXPECT_EQ(dialogs.Errors[0], QString::fromUtf8(EarTagOrder::FarmNumberMessage));
      EXPECT_EQ(form.focusWidget(), form.LabeledEdit1) << c.What;
    }
    EXPECT_EQ(dialogs.PrintSetups, c.Dialogs) << c.What;
    EXPECT_EQ(dialogs.StartPrinter, c.Dialogs ? QPrinterInfo::defaultPrinterName() : QString()) << c.What;
    EXPECT_EQ(static_cast<int>(printed.size()), c.Jobs) << c.What;
    if (c.Jobs && !printed.empty()) EXPECT_EQ(printed[0], *c.Chosen);
  }
}

TEST(LoadSettings, PrinterSetupAndAddress) {
  QTemporaryDir dir;
  const std::string path = QFile::encodeName(dir.filePath("tavrin.ini")).toStdString();
  std::ofstream(path, std::ios::binary)
      << "[Main]\r\nPrinter=laser\r\n[Address]\r\nName=J\xe1n\r\nCompany=C\r\nStreet=S\r\n"
         "Village=V\r\nZipcode=Z\r\n[Account]\r\nAccountNumber=A\r\n";
  const std::string missing = QFile::encodeName(dir.filePath("none.ini")).toStdString();
  struct Case {
    std::string Path;
    TPrinterList Printers;
    bool PrintEnabled;
    AnsiString Name;
  } cases[] = {
      {path, {{"Laser"}, {}}, true, "J\xe1n"},
      {path, {{"Other"}, "Other"}, true, "J\xe1n"},
      {path, {{"Other"}, {}}, false, "J\xe1n"},
      {path, {{}, {}}, false, "J\xe1n"},
      {missing, {{"Other"}, "Other"}, true, ""},
      {missing, {{}, {}}, false, ""},
  };
  for (const Case& c : cases) {
    TPrintScriptDialogs dialogs;
    TNewEarMarkForm form(dialogs);
    form.Order().AccountNumber = "old";
    LoadSettings(form, c.Path, c.Printers);
    EXPECT_EQ(form.Vytlai1->isEnabled(), c.PrintEnabled) << c.Path << " " << c.Printers.Names.join(",").toStdString();
    // The preview and the PDF file need no printer.
    EXPECT_TRUE(form.Ukkapredtlaou1->isEnabled());
    EXPECT_TRUE(form.UloiakoPDF1->isEnabled());
    EXPECT_EQ(form.Order().Name, c.Name);
    EXPECT_EQ(form.Order().AccountNumber, c.Name.empty() ? "" : "A");
  }
  EXPECT_FALSE(QFile::exists(dir.filePath("none.ini")));
}

TEST(PrintCommand, CountThatIsNotANumberReachesTheErrorReport) {
  const QStringList installed = QPrinterInfo::availablePrinterNames();
  if (installed.isEmpty()) GTEST_SKIP() << "the print-setup dialog needs an installed printer";
  TPrintScriptDialogs dialogs;
  dialogs.ChosenPrinter = installed.back();
  TNewEarMarkForm form(dialogs);
  form.LabeledEdit1->setText("123456");
  EarTagOrder& order = form.Order();
  order.LineCount = 3;
  order.Line(1) = {"1", "SK", "000000000001", "1"};
  order.Line(2) = {"2", "SK", "000000000002", "x"};
  form.Vytlai1->trigger();
  EXPECT_EQ(dialogs.PrintSetups, 1);
  ASSERT_EQ(dialogs.Exceptions.size(), 1u);
  EXPECT_EQ(dialogs.Exceptions[0], QStringLiteral("'x' is not a valid integer value"));
}
