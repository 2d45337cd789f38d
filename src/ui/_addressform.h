// The delivery-address dialog: edits the address and account number of the order in memory
// and, on "Uložiť", stores them in the settings file as well.
#pragma once

#include "app/Settings.h"

#include <QDialog>

#include <array>
#include <string>

class EarTagOrder;
class QLineEdit;
class QPushButton;
class TDialogs;

class TAddressForm : public QDialog {
  Q_OBJECT

public:
  static constexpr int ClientWidth = 417;
  static constexpr int ClientHeight = 295;

  // order and dialogs are borrowed; settingsPath is the file "Uložiť" writes.
  TAddressForm(QWidget* owner, EarTagOrder& order, TDialogs& dialogs, std::string settingsPath);

  // Replaceable so that a key that cannot be written can be simulated.
  TProfileWriter Writer;

  QLineEdit* NameEdit = nullptr;
  QLineEdit* CompanyEdit = nullptr;
  QLineEdit* StreetEdit = nullptr;
  QLineEdit* VillageEdit = nullptr;
  QLineEdit* ZipcodeEdit = nullptr;
  QLineEdit* AccountEdit = nullptr;
  QPushButton* Button3 = nullptr;  // "OK"
  QPushButton* Button1 = nullptr;  // "Uložiť"
  QPushButton* Button2 = nullptr;  // "Zrušiť"

public slots:
  void FormActivate();
  void Button3Click();
  void Button1Click();
  void Button2Click();

protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  TAddressSettings FieldValues() const;

  EarTagOrder& Order_;
  TDialogs& Dialogs_;
  std::string SettingsPath_;
  bool Filled_ = false;
};
