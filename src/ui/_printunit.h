// Printing the order: the printer set-up at start-up, the print-setup dialog, and the sheet of
// OrderSheet drawn with QPainter on a QPrinter, one print job per copy.
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

// The program's settings file: beside its executable, or in the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config, then earmark/) when the executable's folder is not writable
// and holds no settings file.
std::string ProgramSettingsPath();

// Reads the settings file once at start-up: selects the printer (disabling "Vytlačiť..." when
// none can be selected) and fills the in-memory address and account.
void LoadSettings(TNewEarMarkForm& form, const std::string& settingsPath,
                  const TPrinterList& printers);
