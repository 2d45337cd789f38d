#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Qt 6 asks for the texts of the standard buttons (OK, Cancel, Yes, ...) under the context
// "QPlatformTheme"; a catalogue that still files them under "QDialogButtonBox", where Qt 5
// asked for them, answers from there, so the buttons of Qt's dialogs are Slovak too.
class TQtCatalogue : public QTranslator {
public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isEmpty() && context != nullptr && qstrcmp(context, "QPlatformTheme") == 0)
      text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
    return text;
  }
};

}  // namespace

QTranslator* InstallQtTranslation(QCoreApplication& application) {
  auto* translator = new TQtCatalogue(&application);
  if (!translator->load(QString::fromLatin1(QtSlovakCatalogue),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}
