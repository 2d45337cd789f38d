// Qt's own dialogs speak Slovak once the program has installed Qt's Slovak catalogue.
#include "ScriptedDialogs.h"

#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

TEST(QtTranslation, QtDialogTextsAreSlovak) {
  TestApplication();
  struct Row {
    const char* Context;
    const char* Source;
    const char* Slovak;
  };
  const Row rows[] = {
      {"QFileDialog", "&Open", "&Otvoriť"},
      {"QFileDialog", "File &name:", "&Názov súboru:"},
      {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
       "%1\nSúbor nenájdený.\nProsím overte správnosť zadaného mena súboru."},
      {"QPrintDialog", "Print", "Tlačiť"},
      {"QMessageBox", "Show Details...", "Zobraziť detaily…"},
      // The standard buttons of every Qt dialog.
      {"QPlatformTheme", "Cancel", "Zrušiť"},
      {"QPlatformTheme", "&Yes", "Án&o"},
      {"QPlatformTheme", "Save", "Uložiť"},
  };
  for (const Row& row : rows)
    ASSERT_EQ(QCoreApplication::translate(row.Context, row.Source), QString::fromUtf8(row.Source))
        << "a translation was installed before the test";

  QTranslator* translator = InstallQtTranslation(TestApplication());
  ASSERT_NE(translator, nullptr) << "Qt's Slovak catalogue (package qt6-translations-l10n) was not loaded";
  EXPECT_EQ(translator->parent(), &TestApplication());
  for (const Row& row : rows)
    EXPECT_EQ(QCoreApplication::translate(row.Context, row.Source), QString::fromUtf8(row.Slovak)) << row.Source;
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Zrušiť"));
  EXPECT_EQ(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));

  // Later tests see Qt's own texts again.
  QCoreApplication::removeTranslator(translator);
  delete translator;
}

}  // namespace
