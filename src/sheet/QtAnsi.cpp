#include "sheet/QtAnsi.h"

#include "platform/Ansi1250.h"

QString AnsiToQString(const AnsiString& text) {
  const WideString wide = AnsiToWide(text);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

AnsiString QStringToAnsi(const QString& text) {
  return WideToAnsi(WideString(reinterpret_cast<const char16_t*>(text.utf16()),
                               static_cast<std::size_t>(text.size())));
}
