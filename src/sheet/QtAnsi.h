// Windows-1250 text of the order model to and from Qt's UTF-16, through the program's own
// windows-1250 codec; a character the code page lacks becomes "?".
#pragma once

#include "platform/WideString.h"

#include <QString>

QString AnsiToQString(const AnsiString& text);
AnsiString QStringToAnsi(const QString& text);
