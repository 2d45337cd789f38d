#include "ui/QtDialogs.h"

#include <QAbstractPrintDialog>
#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

QStringList QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    result << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(u';', u' '));
  return result;
}

namespace {

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
             const QString& detail = {}) {
  QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  if (!detail.isEmpty()) box.setDetailedText(detail);
  box.exec();
}

std::optional<QString> RunFileDialog(QWidget* parent, const TFileDialogSetup& setup,
                                     QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString(), setup.Folder);
  // The program's own dialog behaves the same on every desktop and under a test display.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // The save command asks its own overwrite question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(mode);
  // Any typed name is handed back, also to the open command, which answers a missing file
  // with its own message instead of the dialog refusing the name.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(QtNameFilters(setup.Filter));
  dialog.setDefaultSuffix(setup.DefaultExt);
  if (!setup.FileName.isEmpty()) dialog.selectFile(setup.FileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace

void TQtDialogs::ShowFieldError(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::NoIcon, QStringLiteral("Chyba"), text);
}

void TQtDialogs::ShowError(QWidget* parent, const QString& text, const QString& detail) {
  ShowBox(parent, QMessageBox::Critical, QStringLiteral("Error"), text, detail);
}

bool TQtDialogs::Confirm(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton,
                  parent);
  QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
  QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == yes;
}

void TQtDialogs::ShowException(QWidget* parent, const QString& text) {
  QString caption = QCoreApplication::applicationName();
  if (caption.isEmpty()) caption = QStringLiteral("earmark");
  ShowBox(parent, QMessageBox::Critical, caption, text);
}

std::optional<QString> TQtDialogs::OpenFileName(QWidget* parent, const TFileDialogSetup& setup) {
  return RunFileDialog(parent, setup, QFileDialog::AcceptOpen);
}

std::optional<QString> TQtDialogs::SaveFileName(QWidget* parent, const TFileDialogSetup& setup) {
  return RunFileDialog(parent, setup, QFileDialog::AcceptSave);
}

bool TQtDialogs::PrintSetup(QWidget* parent, QPrinter& printer) {
  QPrintDialog dialog(&printer, parent);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  return dialog.exec() == QDialog::Accepted;
}

void TQtDialogs::PrintPreview(QWidget* parent, QPrinter& printer,
                              const std::function<void(QPrinter&)>& paint) {
  QPrintPreviewDialog dialog(&printer, parent);
  // The preview's own buttons would print past the print-setup dialog's options and write PDF
  // files in place; the menu's commands do both, so the preview only shows the sheet.
  const QString hidden[] = {QCoreApplication::translate("QPrintPreviewDialog", "Print"),
                            QCoreApplication::translate("QPrintPreviewDialog", "Page setup")};
  for (QAction* action : dialog.findChildren<QAction*>())
    if (action->text() == hidden[0] || action->text() == hidden[1]) action->setVisible(false);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                   [&paint](QPrinter* target) { paint(*target); });
  dialog.exec();
}
