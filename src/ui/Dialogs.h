// Every message box and system dialog of the program goes through TDialogs, so that each
// menu command and key can be driven by a scripted stand-in instead of a person.
#pragma once

#include <QString>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

// What the open and save dialogs start with.
struct TFileDialogSetup {
  QString Folder;        // starting folder
  QString FileName;      // proposed name (save dialog), may be empty
  QString Filter;        // "Description|*.ext" as the program declares it
  QString DefaultExt;    // appended, with a dot, to a name chosen without extension
};

class TDialogs {
public:
  virtual ~TDialogs() = default;

  // The plain "Chyba" box of a line field: that caption, the text, "OK", no icon.
  virtual void ShowFieldError(QWidget* parent, const QString& text) = 0;
  // Caption "Error", error icon, "OK"; a detail that is not empty is the box's detailed text
  // (shown on request below the text).
  virtual void ShowError(QWidget* parent, const QString& text, const QString& detail = {}) = 0;
  // Caption "Confirm", question icon, "&Yes" and "Cancel"; true only for "&Yes".
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // The application-wide report of an exception no command caught: its text and "OK".
  virtual void ShowException(QWidget* parent, const QString& text) = 0;

  // The chosen file's full path, or nothing when the user cancelled.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const TFileDialogSetup& setup) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const TFileDialogSetup& setup) = 0;

  // The printer-setup dialog on the given printer; false when cancelled.
  virtual bool PrintSetup(QWidget* parent, QPrinter& printer) = 0;
  // The print preview of the pages paint draws on printer, shown until the user closes it.
  // It only shows them: printing and PDF files go through the program's own commands.
  virtual void PrintPreview(QWidget* parent, QPrinter& printer,
                            const std::function<void(QPrinter&)>& paint) = 0;
};
