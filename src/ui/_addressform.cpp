#include "ui/_addressform.h"

#include "app/EarTagOrder.h"
#include "platform/Exceptions.h"
#include "sheet/QtAnsi.h"
#include "ui/Dialogs.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// A field with its caption above it, as the labelled edits of the layout place them.
QLineEdit* AddField(QWidget* box, const QString& caption, int x, int y, int width) {
  auto* label = new QLabel(caption, box);
  label->move(x, y - 16);
  label->adjustSize();
  auto* edit = new QLineEdit(box);
  edit->setGeometry(x, y, width, 21);
  label->setBuddy(edit);
  return edit;
}

QPushButton* AddButton(QWidget* parent, const QString& caption, int y) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(304, y, 105, 25);
  // No button is the default one, so Enter in a field presses nothing.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

TAddressForm::TAddressForm(QWidget* owner, EarTagOrder& order, TDialogs& dialogs, std::string settingsPath)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Order_(order), Dialogs_(dialogs), SettingsPath_(std::move(settingsPath)) {
  setWindowTitle(QStringLiteral("Dodacia adresa"));
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  setFont(font);
  setFixedSize(ClientWidth, ClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  auto* address = new QGroupBox(QStringLiteral("Adresa"), this);
  address->setGeometry(8, 8, 281, 193);
  NameEdit = AddField(address, QStringLiteral("Meno"), 24, 40, 225);
  CompanyEdit = AddField(address, QStringLiteral("Spoločnosť"), 24, 80, 225);
  StreetEdit = AddField(address, QStringLiteral("Ulica"), 24, 120, 225);
  VillageEdit = AddField(address, QStringLiteral("Obec"), 24, 160, 129);
  ZipcodeEdit = AddField(address, QStringLiteral("PSČ"), 176, 160, 73);
  auto* account = new QGroupBox(QStringLiteral("Účet"), this);
  account->setGeometry(8, 208, 281, 73);
  AccountEdit = AddField(account, QStringLiteral("Číslo účtu"), 24, 40, 225);

  Button3 = AddButton(this, QStringLiteral("OK"), 16);
  Button1 = AddButton(this, QStringLiteral("Uložiť"), 48);
  Button2 = AddButton(this, QStringLiteral("Zrušiť"), 80);
  connect(Button3, &QPushButton::clicked, this, &TAddressForm::Button3Click);
  connect(Button1, &QPushButton::clicked, this, &TAddressForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TAddressForm::Button2Click);

  QWidget* order_[] = {NameEdit, CompanyEdit, StreetEdit, VillageEdit, ZipcodeEdit,
                       Button1,  Button2,     Button3,    AccountEdit};
  for (std::size_t i = 0; i + 1 < std::size(order_); ++i) setTabOrder(order_[i], order_[i + 1]);
  NameEdit->setFocus(Qt::OtherFocusReason);
}

void TAddressForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Filled_) {
    Filled_ = true;
    FormActivate();
  }
}

void TAddressForm::keyPressEvent(QKeyEvent* event) {
  // Without a cancel button Escape closes nothing; Enter has no default button to press.
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TAddressForm::FormActivate() {
  const TAddressSettings values = AddressOf(Order_);
  NameEdit->setText(AnsiToQString(values.Name));
  CompanyEdit->setText(AnsiToQString(values.Company));
  StreetEdit->setText(AnsiToQString(values.Street));
  VillageEdit->setText(AnsiToQString(values.Village));
  ZipcodeEdit->setText(AnsiToQString(values.Zipcode));
  AccountEdit->setText(AnsiToQString(values.AccountNumber));
}

TAddressSettings TAddressForm::FieldValues() const {
  return {QStringToAnsi(NameEdit->text()),    QStringToAnsi(CompanyEdit->text()),
          QStringToAnsi(StreetEdit->text()),  QStringToAnsi(VillageEdit->text()),
          QStringToAnsi(ZipcodeEdit->text()), QStringToAnsi(AccountEdit->text())};
}

void TAddressForm::Button3Click() {
  SetAddress(Order_, FieldValues());
  accept();
}

void TAddressForm::Button1Click() {
  const TAddressSettings values = FieldValues();
  try {
    WriteAddressSettings(SettingsPath_, values, Writer);
  } catch (const Exception& e) {
    // The dialog stays open with the memory unchanged; the keys written so far stay written.
    Dialogs_.ShowException(this, QString::fromUtf8(e.what()));
    return;
  }
  SetAddress(Order_, values);
  accept();
}

void TAddressForm::Button2Click() { reject(); }
