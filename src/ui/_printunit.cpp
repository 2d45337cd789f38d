#include "ui/_printunit.h"

#include "app/EarTagOrder.h"
#include "app/OrderFileWriter.h"
#include "app/Settings.h"
#include "platform/Exceptions.h"
#include "platform/ReplaceFile.h"
#include "sheet/QtAnsi.h"
#include "sheet/SheetPdf.h"
#include "ui/Dialogs.h"
#include "ui/_newearmarkform.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <string>

namespace {

// Ends the painter and aborts the job unless the page was finished, so that no half-drawn
// sheet reaches the printer when drawing fails.
class TJobGuard {
public:
  TJobGuard(QPainter& painter, QPrinter& printer) : Painter(painter), Printer(printer) {}
  ~TJobGuard() {
    if (!Finished) {
      Printer.abort();
      if (Painter.isActive()) Painter.end();
    }
  }
  TJobGuard(const TJobGuard&) = delete;
  TJobGuard& operator=(const TJobGuard&) = delete;
  bool Finish() {
    Finished = true;
    return Painter.end();
  }

private:
  QPainter& Painter;
  QPrinter& Printer;
  bool Finished = false;
};

}  // namespace

TPrinterList InstalledPrinters() {
  TPrinterList list;
  list.Names = QPrinterInfo::availablePrinterNames();
  list.DefaultName = QPrinterInfo::defaultPrinterName();
  return list;
}

QString ChooseStartupPrinter(const QString& wanted, const TPrinterList& printers) {
  if (!wanted.isEmpty())
    for (const QString& name : printers.Names)
      if (name.compare(wanted, Qt::CaseInsensitive) == 0) return name;
  return printers.DefaultName;
}

std::unique_ptr<QPrinter> OpenPrinter(const QString& printerName) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
  if (info.isNull()) return nullptr;
  auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  if (!printer->isValid()) return nullptr;
  return printer;
}

bool PrintSheet(QPrinter& printer, const TSheetContent& content) {
  printer.setDocName(AnsiToQString(SheetDocumentName));
  printer.setFullPage(false);  // the origin is the top-left corner of the printable area
  const std::vector<TSheetOp> ops = LayoutSheet(content, printer.logicalDpiX(), printer.logicalDpiY());
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  TJobGuard job(painter, printer);
  DrawSheet(painter, ops);
  return job.Finish();
}

void PrintOrder(const TSheetContent& content, const QString& printerName, int copies,
                const TPrinterFactory& makePrinter) {
  if (printerName.isEmpty()) return;
  // The total decides whether the sheet can be finished at all: find out before any job.
  SheetTotal(content);
  for (int copy = 0; copy < copies; ++copy) {
    std::unique_ptr<QPrinter> printer = makePrinter(printerName);
    if (!printer) return;
    if (!PrintSheet(*printer, content)) return;
  }
}

QString AskPrinter(QWidget* owner, TDialogs& dialogs) {
  QPrinter printer(QPrinter::HighResolution);
  const QString defaultName = QPrinterInfo::defaultPrinterName();
  if (!defaultName.isEmpty()) printer.setPrinterName(defaultName);
  if (!dialogs.PrintSetup(owner, printer)) return {};
  return printer.printerName();
}

void PrintCommand(TNewEarMarkForm& form, const TPrinterFactory& makePrinter) {
  if (!form.CheckFarmField()) return;
  const QString printerName = AskPrinter(&form, form.Dialogs());
  PrintOrder(SheetContentOf(form.Order()), printerName, 1, makePrinter);
}

std::unique_ptr<QPrinter> PreviewPrinter(const QString& printerName) {
  if (!printerName.isEmpty())
    if (std::unique_ptr<QPrinter> printer = OpenPrinter(printerName)) return printer;
  auto page = std::make_unique<QPrinter>(QPrinter::HighResolution);
  page->setOutputFormat(QPrinter::PdfFormat);
  page->setResolution(SheetPdfDpi);
  page->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  return page;
}

void PreviewCommand(TNewEarMarkForm& form) {
  if (!form.CheckFarmField()) return;
  const TSheetContent content = SheetContentOf(form.Order());
  // A count that is not a number stops here, as it stops printing, before a page is drawn.
  SheetTotal(content);
  std::unique_ptr<QPrinter> printer = PreviewPrinter(QPrinterInfo::defaultPrinterName());
  // The preview's caption names the document, as the print job does.
  printer->setDocName(AnsiToQString(SheetDocumentName));
  form.Dialogs().PrintPreview(&form, *printer, [&form, &content](QPrinter& target) {
    form.Guarded([&] { PrintSheet(target, content); });
  });
}

void SavePdfCommand(TNewEarMarkForm& form) {
  if (!form.CheckFarmField()) return;
  const QDate today = form.Today();
  TFileDialogSetup setup = form.OrderFileDialogSetup();
  setup.FileName = AnsiToQString(ProposedOrderFileName(form.Order().FarmNumber, today.year(),
                                                       today.month(), today.day())) +
                   QStringLiteral(".pdf");
  setup.Filter = QString::fromUtf8(PdfFileFilter);
  setup.DefaultExt = QStringLiteral("pdf");
  TDialogs& dialogs = form.Dialogs();
  const std::optional<QString> fileName = dialogs.SaveFileName(&form, setup);
  if (!fileName) return;
  if (QFileInfo::exists(*fileName) &&
      !dialogs.Confirm(&form, QString::fromUtf8(TNewEarMarkForm::OverwriteQuestion)))
    return;
  // A count that is not a number raises here, as when printing, before anything is written.
  const std::vector<TSheetOp> ops = LayoutSheet(SheetContentOf(form.Order()), SheetPdfDpi, SheetPdfDpi);
  const QByteArray bytes = SheetPdfBytes(ops, SheetPdfDpi);
  QString reason;
  if (bytes.isEmpty()) {
    reason = QStringLiteral("The sheet could not be drawn.");
  } else {
    try {
      ReplaceFileContents(QFile::encodeName(*fileName).toStdString(),
                          std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
      return;
    } catch (const Exception& e) {
      reason = QString::fromUtf8(e.Message.data(), static_cast<qsizetype>(e.Message.size()));
    }
  }
  dialogs.ShowError(&form, QString::fromUtf8(PdfWriteFailedMessage), reason);
}

std::string ProgramSettingsPath() {
  return ChooseSettingsPath(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                            qgetenv("XDG_CONFIG_HOME").toStdString(), qgetenv("HOME").toStdString());
}

void LoadSettings(TNewEarMarkForm& form, const std::string& settingsPath, const TPrinterList& printers) {
  const QString wanted = AnsiToQString(ReadPrinterSetting(settingsPath));
  if (ChooseStartupPrinter(wanted, printers).isEmpty()) form.Vytlai1->setEnabled(false);
  SetAddress(form.Order(), ReadAddressSettings(settingsPath));
}
