// Printing the order: the printer set-up at start-up, the print-setup dialog, and the sheet of
// OrderSheet drawn with QPainter on a QPrinter, one print job per copy; the same sheet in the
// print preview and saved as a PDF file.
#pragma once

#include "app/OrderSheet.h"
#include "sheet/SheetCanvas.h"

#include <QPrinter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class TDialogs;
class TNewEarMarkForm;

// The printers the program can see: their names and the default one (empty when none).
struct TPrinterList {
  QStringList Names;
  QString DefaultName;
};
// What QPrinterInfo reports.
TPrinterList InstalledPrinters();

// The printer the start-up set-up selects: the installed one whose name matches wanted without
// regard to case, else the default printer; empty when neither exists, which disables printing.
QString ChooseStartupPrinter(const QString& wanted, const TPrinterList& printers);

// Makes the printer of a print job by name with the driver's default settings, or nothing
// when there is no such printer.
using TPrinterFactory = std::function<std::unique_ptr<QPrinter>(const QString& printerName)>;
std::unique_ptr<QPrinter> OpenPrinter(const QString& printerName);

// Draws the whole sheet as one job of one page on printer. A failure after the job started
// aborts it. Returns whether the page was finished.
bool PrintSheet(QPrinter& printer, const TSheetContent& content);

// Prints the sheet copies times, each copy a separate job. Nothing is printed, silently, for
// an empty name or a printer that cannot be opened. A count that is not a number raises
// EConvertError before the first job starts.
void PrintOrder(const TSheetContent& content, const QString& printerName, int copies,
                const TPrinterFactory& makePrinter = OpenPrinter);

// The print-setup dialog starting on the default printer: the chosen printer's whole name, or
// the empty text when the user cancels. Paper and orientation chosen there are not used.
QString AskPrinter(QWidget* owner, TDialogs& dialogs);

// "Vytlačiť...": checks the farm number, asks for a printer and prints one copy of the sheet
// of the order.
void PrintCommand(TNewEarMarkForm& form, const TPrinterFactory& makePrinter = OpenPrinter);

// The printer the preview draws on: the named printer (the default one, on which the
// print-setup dialog starts) when it can be opened; otherwise the page "Uložiť ako PDF..."
// writes, A4 without margins at SheetPdfDpi, so the preview works without any printer.
std::unique_ptr<QPrinter> PreviewPrinter(const QString& printerName);

// "Ukážka pred tlačou...": the checks of "Vytlačiť..." with their messages (farm number, then
// the counts), then the sheet drawn by PrintSheet in the print preview on PreviewPrinter of
// the default printer.
void PreviewCommand(TNewEarMarkForm& form);

// "Uložiť ako PDF...": the farm check, the save dialog (PdfFileFilter, the order file's
// proposed name with ".pdf"), the overwrite question, then the counts as when printing, and
// the sheet written as a one-page PDF the way order files are written. A file that cannot be
// written shows PdfWriteFailedMessage in the error dialog with the reason as its detail; the
// file that was there stays as it was.
inline constexpr const char* PdfFileFilter = "Súbory PDF|*.pdf";
inline constexpr const char* PdfWriteFailedMessage = "Súbor PDF sa nepodarilo uložiť!";
void SavePdfCommand(TNewEarMarkForm& form);

// The program's settings file: beside its executable, or in the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config, then earmark/) when the executable's folder is not writable
// and holds no settings file.
std::string ProgramSettingsPath();

// Reads the settings file once at start-up: selects the printer (disabling "Vytlačiť..." when
// none can be selected) and fills the in-memory address and account.
void LoadSettings(TNewEarMarkForm& form, const std::string& settingsPath,
                  const TPrinterList& printers);
