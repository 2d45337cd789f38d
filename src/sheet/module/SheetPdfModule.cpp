// The entry of the PDF drawing module (see SheetPdfModule.h).
#include "sheet/SheetPdf.h"
#include "sheet/SheetPdfModule.h"

#include <QGuiApplication>

extern "C" __attribute__((visibility("default"))) bool EarmarkSheetPdf(const std::vector<TSheetOp>& ops, int dpi,
                                                                       std::string& pdf) {
  // Fonts need a GUI application; without a display the offscreen platform serves.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "earmark-cli";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);
  const QByteArray bytes = SheetPdfBytes(ops, dpi);
  pdf.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return !bytes.isEmpty();
}

// The entry's type and the module's header agree.
[[maybe_unused]] static constexpr TSheetPdfEntry kEntryCheck = &EarmarkSheetPdf;
