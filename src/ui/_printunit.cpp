#include "ui/_printunit.h"

#include "app/EarTagOrder.h"
#include "app/Settings.h"
#include "platform/Ansi1250.h"
#include "ui/Dialogs.h"
#include "ui/_newearmarkform.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QPrinterInfo>

#include <string>

namespace {

const AnsiString BoldSuffix = " tu\xe8n\xe9";
const AnsiString ItalicSuffix = " kurz\xedva";

bool EndsWith(const AnsiString& text, const AnsiString& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

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

QFont SheetFont(const AnsiString& face, int height) {
  AnsiString family = face;
  bool bold = false, italic = false;
  if (EndsWith(family, BoldSuffix)) {
    family.resize(family.size() - BoldSuffix.size());
    bold = true;
  } else if (EndsWith(family, ItalicSuffix)) {
    family.resize(family.size() - ItalicSuffix.size());
    italic = true;
  }
  QFont font(AnsiToQString(family));
  font.setPixelSize(height > 0 ? height : 1);
  font.setBold(bold);
  font.setItalic(italic);
  font.setStyleStrategy(QFont::PreferMatch);
  return font;
}

void DrawSheet(QPainter& painter, const std::vector<TSheetOp>& ops) {
  for (const TSheetOp& op : ops) {
    switch (op.Kind) {
      case TSheetOpKind::Text: {
        const QFont font = SheetFont(op.Face, op.Size);
        painter.setFont(font);
        painter.setPen(Qt::black);
        // The operation gives the top-left corner of the text; QPainter wants the baseline.
        const QFontMetrics metrics(font, painter.device());
        painter.drawText(op.X1, op.Y1 + metrics.ascent(), AnsiToQString(op.Text));
        break;
      }
      case TSheetOpKind::Line:
        painter.setPen(QPen(Qt::black, op.Size, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(op.X1, op.Y1, op.X2, op.Y2);
        break;
      case TSheetOpKind::Rectangle:
        painter.setPen(QPen(Qt::black, op.Size, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::white);
        painter.drawRect(op.X1, op.Y1, op.X2 - op.X1, op.Y2 - op.Y1);
        painter.setBrush(Qt::NoBrush);
        break;
    }
  }
}

TSheetContent SheetContentOf(const EarTagOrder& order, const QString& tagTypeCaption) {
  TSheetContent content;
  content.TagTypeCaption = QStringToAnsi(tagTypeCaption);
  content.FarmNumber = order.FarmNumber;
  content.AccountNumber = order.AccountNumber;
  content.Name = order.Name;
  content.Company = order.Company;
  content.Street = order.Street;
  content.Village = order.Village;
  content.Zipcode = order.Zipcode;
  content.LineCount = order.LineCount;
  for (int i = 1; i <= MaxLines; ++i) {
    const OrderLine& line = order.Line(i);
    content.Lines.push_back({line.Country, line.EarNumber, line.Count});
  }
  return content;
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
  form.SyncHeaderToModel();
  const EarTagOrder& order = form.Order();
  if (!EarTagOrder::CheckFarmNumber(order.FarmNumber)) {
    form.Dialogs().ShowError(&form, QString::fromUtf8(EarTagOrder::FarmNumberMessage));
    form.LabeledEdit1->setFocus(Qt::OtherFocusReason);
    return;
  }
  const QString printerName = AskPrinter(&form, form.Dialogs());
  PrintOrder(SheetContentOf(order, form.ComboBox3->currentText()), printerName, 1, makePrinter);
}

std::string ProgramSettingsPath() {
  return ChooseSettingsPath(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                            qgetenv("XDG_CONFIG_HOME").toStdString(), qgetenv("HOME").toStdString());
}

void LoadSettings(TNewEarMarkForm& form, const std::string& settingsPath, const TPrinterList& printers) {
  const QString wanted = AnsiToQString(ReadPrinterSetting(settingsPath));
  if (ChooseStartupPrinter(wanted, printers).isEmpty()) form.Vytlai1->setEnabled(false);
  const TAddressSettings values = ReadAddressSettings(settingsPath);
  EarTagOrder& order = form.Order();
  order.Name = values.Name;
  order.Company = values.Company;
  order.Street = values.Street;
  order.Village = values.Village;
  order.Zipcode = values.Zipcode;
  order.AccountNumber = values.AccountNumber;
}
