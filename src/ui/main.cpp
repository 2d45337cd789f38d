// The order program: one main window, run until it is closed.
#include "ui/QtDialogs.h"
#include "ui/QtTranslation.h"
#include "ui/_newearmarkform.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("earmark"));
  // Qt's dialogs speak Slovak as the program does; without the catalogue they stay English.
  InstallQtTranslation(application);
  TQtDialogs dialogs;
  TNewEarMarkForm form(dialogs);
  form.show();
  return QApplication::exec();
}
