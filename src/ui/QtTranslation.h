// Qt's own texts (file, print and message dialogs, the editors' context menus) in Slovak, so
// that nothing Qt draws for the program speaks another language than the program itself.
#pragma once

class QCoreApplication;
class QTranslator;

// Name of Qt's Slovak catalogue in Qt's translations folder.
inline constexpr const char* QtSlovakCatalogue = "qtbase_sk";

// Loads Qt's Slovak catalogue from Qt's translations folder and installs it in application;
// the translator belongs to application. Nothing, and no change, when the catalogue is
// missing (Qt then keeps its English texts).
QTranslator* InstallQtTranslation(QCoreApplication& application);
