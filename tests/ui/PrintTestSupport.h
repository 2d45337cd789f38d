// A dialog stand-in for the printing and settings tests whose print-setup dialog answers
// from a script. The application object comes from TestApplication.cpp.
#pragma once

#include "ui/Dialogs.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QString>

#include <optional>
#include <vector>

class TPrintScriptDialogs : public TDialogs {
public:
  std::vector<QString> Errors;      // texts of the "Error" dialog
  std::vector<QString> Exceptions;  // texts of the application-wide report
  int PrintSetups = 0;
  QString StartPrinter;                  // printer the print-setup dialog started on
  std::optional<QString> ChosenPrinter;  // nothing: the user cancels

  void ShowFieldError(QWidget*, const QString&) override {}
  void ShowError(QWidget*, const QString& text, const QString& = {}) override { Errors.push_back(text); }
  bool Confirm(QWidget*, const QString&) override { return false; }
  void ShowException(QWidget*, const QString& text) override { Exceptions.push_back(text); }
  std::optional<QString> OpenFileName(QWidget*, const TFileDialogSetup&) override { return {}; }
  std::optional<QString> SaveFileName(QWidget*, const TFileDialogSetup&) override { return {}; }
  bool PrintSetup(QWidget*, QPrinter& printer) override {
    ++PrintSetups;
    StartPrinter = printer.printerName();
    if (!ChosenPrinter) return false;
    printer.setPrinterName(*ChosenPrinter);
    return true;
  }
  void PrintPreview(QWidget*, QPrinter&, const std::function<void(QPrinter&)>&) override {}
};
