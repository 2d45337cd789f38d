#include "ui/_addressform.h"

#include "app/EarTagOrder.h"
#include "app/ProfileFile.h"
#include "ui/_newearmarkform.h"

#include "PrintTestSupport.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

const TAddressSettings Stored{"J\xe1n", "Farma", "Hlavn\xe1 1", "\xc8" "adca", "02201", "SK31"};

void SetMemory(EarTagOrder& order, const TAddressSettings& v) {
  order.Name = v.Name;
  order.Company = v.Company;
  order.Street = v.Street;
  order.Village = v.Village;
  order.Zipcode = v.Zipcode;
  order.AccountNumber = v.AccountNumber;
}

TAddressSettings Memory(const EarTagOrder& order) {
  return {order.Name, order.Company, order.Street, order.Village, order.Zipcode, order.AccountNumber};
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TFixture {
  TFixture() : Path(QFile::encodeName(Dir.filePath("tavrin.ini")).toStdString()) {
    SetMemory(Order, Stored);
    Form = std::make_unique<TAddressForm>(nullptr, Order, Dialogs, Path);
    Form->show();
  }
  QTemporaryDir Dir;
  std::string Path;
  EarTagOrder Order;
  TPrintScriptDialogs Dialogs;
  std::unique_ptr<TAddressForm> Form;
};

}  // namespace

TEST(AddressForm, LayoutAndFillFromMemory) {
  TFixture f;
  TAddressForm& form = *f.Form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Dodacia adresa"));
  EXPECT_EQ(form.size(), QSize(417, 295));
  struct Place {
    QWidget* Widget;
    QRect Geometry;
    QString Text;
  } places[] = {
      {form.NameEdit, {24, 40, 225, 21}, "Ján"},
      {form.CompanyEdit, {24, 80, 225, 21}, "Farma"},
      {form.StreetEdit, {24, 120, 225, 21}, "Hlavná 1"},
      {form.VillageEdit, {24, 160, 129, 21}, "Čadca"},
      {form.ZipcodeEdit, {176, 160, 73, 21}, "02201"},
      {form.AccountEdit, {24, 40, 225, 21}, "SK31"},
      {form.Button3, {304, 16, 105, 25}, "OK"},
      {form.Button1, {304, 48, 105, 25}, "Uložiť"},
      {form.Button2, {304, 80, 105, 25}, "Zrušiť"},
  };
  for (const Place& p : places) {
    EXPECT_EQ(p.Widget->geometry(), p.Geometry) << p.Text.toStdString();
    const auto* edit = qobject_cast<QLineEdit*>(p.Widget);
    const auto* button = qobject_cast<QPushButton*>(p.Widget);
    EXPECT_EQ(edit ? edit->text() : button->text(), p.Text);
    if (button) EXPECT_FALSE(button->isDefault() || button->autoDefault()) << p.Text.toStdString();
  }
  const auto* address = qobject_cast<QGroupBox*>(form.NameEdit->parentWidget());
  const auto* account = qobject_cast<QGroupBox*>(form.AccountEdit->parentWidget());
  ASSERT_TRUE(address && account);
  EXPECT_EQ(address->geometry(), QRect(8, 8, 281, 193));
  EXPECT_EQ(address->title(), QStringLiteral("Adresa"));
  EXPECT_EQ(account->geometry(), QRect(8, 208, 281, 73));
  EXPECT_EQ(account->title(), QStringLiteral("Účet"));
}

TEST(AddressForm, TabOrder) {
  TFixture f;
  TAddressForm& form = *f.Form;
  const QWidget* expected[] = {form.NameEdit, form.CompanyEdit, form.StreetEdit, form.VillageEdit,
                               form.ZipcodeEdit, form.Button1, form.Button2, form.Button3,
                               form.AccountEdit, form.NameEdit};
  QWidget* w = form.NameEdit;
  for (std::size_t i = 1; i < std::size(expected); ++i) {
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled());
    EXPECT_EQ(w, expected[i]) << "stop " << i;
  }
}

TEST(AddressForm, ButtonsAndClosing) {
  const TAddressSettings typed{"Peter", "Dru\x9ztvo", "Nov\xe1", "Obec", "01001", "SK99"};
  struct Case {
    const char* What;
    QPushButton* TAddressForm::*Button;  // nothing: closed by the title-bar button
    TAddressSettings Memory;
    std::string File;  // "<none>" when the file must not exist
    int Result;
  } cases[] = {
      {"OK changes memory only", &TAddressForm::Button3, typed, "<none>", QDialog::Accepted},
      {"Ulozit writes, then copies", &TAddressForm::Button1, typed,
       "[Address]\r\nName=Peter\r\nCompany=Dru\x9ztvo\r\nStreet=Nov\xe1\r\nVillage=Obec\r\n"
       "Zipcode=01001\r\n[Account]\r\nAccountNumber=SK99\r\n",
       QDialog::Accepted},
      {"Zrusit changes nothing", &TAddressForm::Button2, Stored, "<none>", QDialog::Rejected},
      {"title-bar close changes nothing", nullptr, Stored, "<none>", QDialog::Rejected},
  };
  for (const Case& c : cases) {
    TFixture f;
    TAddressForm& form = *f.Form;
    QLineEdit* edits[] = {form.NameEdit, form.CompanyEdit, form.StreetEdit, form.VillageEdit, form.ZipcodeEdit, form.AccountEdit};
    const AnsiString TAddressSettings::*fields[] = {&TAddressSettings::Name, &TAddressSettings::Company,
                                                    &TAddressSettings::Street, &TAddressSettings::Village,
                                                    &TAddressSettings::Zipcode, &TAddressSettings::AccountNumber};
    for (std::size_t i = 0; i < 6; ++i) edits[i]->setText(AnsiToQString(typed.*fields[i]));
    if (c.Button)
      QTest::mouseClick(form.*c.Button, Qt::LeftButton);
    else
      form.close();
    EXPECT_FALSE(form.isVisible()) << c.What;
    EXPECT_EQ(form.result(), c.Result) << c.What;
    EXPECT_EQ(Memory(f.Order), c.Memory) << c.What;
    if (c.File == "<none>")
      EXPECT_FALSE(QFile::exists(f.Dir.filePath("tavrin.ini"))) << c.What;
    else
      EXPECT_EQ(FileText(f.Path), c.File) << c.What;
    EXPECT_TRUE(f.Dialogs.Exceptions.empty()) << c.What;
  }
}

TEST(AddressForm, EnterAndEscapePressNoButton) {
  TFixture f;
  TAddressForm& form = *f.Form;
  form.NameEdit->setText("Changed");
  QWidget* targets[] = {form.NameEdit, form.AccountEdit, form.Button1, form.Button3};
  for (QWidget* target : targets) {
    target->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(target, key);
      EXPECT_TRUE(form.isVisible()) << target->metaObject()->className() << " key " << key;
    }
  }
  EXPECT_EQ(Memory(f.Order), Stored);
  EXPECT_FALSE(QFile::exists(f.Dir.filePath("tavrin.ini")));
}

TEST(AddressForm, KeyThatCannotBeWrittenKeepsTheDialogOpen) {
  TFixture f;
  TAddressForm& form = *f.Form;
  form.Writer = [](const AnsiString& s, const AnsiString& k, const AnsiString& v, const std::string& p) {
    return k != "Village" && WriteProfileString(s, k, v, p);
  };
  form.NameEdit->setText("New");
  QTest::mouseClick(form.Button1, Qt::LeftButton);
  EXPECT_TRUE(form.isVisible());
  ASSERT_EQ(f.Dialogs.Exceptions.size(), 1u);
  EXPECT_EQ(f.Dialogs.Exceptions[0], "Unable to write to " + QString::fromStdString(f.Path));
  EXPECT_EQ(Memory(f.Order), Stored);
  EXPECT_EQ(FileText(f.Path), "[Address]\r\nName=New\r\nCompany=Farma\r\nStreet=Hlavn\xe1 1\r\n");

  // A settings folder that cannot be made (a file stands in its place) fails at the first key.
  TAddressForm nowhere(nullptr, f.Order, f.Dialogs, f.Path + "/earmark/tavrin.ini");
  nowhere.show();
  QTest::mouseClick(nowhere.Button1, Qt::LeftButton);
  EXPECT_TRUE(nowhere.isVisible());
  EXPECT_EQ(f.Dialogs.Exceptions.size(), 2u);
  EXPECT_EQ(Memory(f.Order), Stored);
}
