// The real message boxes and system dialogs, on Qt Widgets.
#pragma once

#include "ui/Dialogs.h"

// "Description|*.ext|Other|*.x" as Qt's name filters "Description (*.ext)", ...
QStringList QtNameFilters(const QString& filter);

class TQtDialogs : public TDialogs {
public:
  void ShowFieldError(QWidget* parent, const QString& text) override;
  void ShowError(QWidget* parent, const QString& text, const QString& detail = {}) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  void ShowException(QWidget* parent, const QString& text) override;
  std::optional<QString> OpenFileName(QWidget* parent, const TFileDialogSetup& setup) override;
  std::optional<QString> SaveFileName(QWidget* parent, const TFileDialogSetup& setup) override;
  bool PrintSetup(QWidget* parent, QPrinter& printer) override;
  void PrintPreview(QWidget* parent, QPrinter& printer,
                    const std::function<void(QPrinter&)>& paint) override;
};
