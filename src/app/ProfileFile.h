// Reads and writes single keys of an INI-style profile file with the behaviour of the
// platform's private-profile functions, on which the settings file was designed: sections and
// keys match without regard to case, anything missing reads as the default, and writing one
// key leaves every other line of the file exactly as it was.
#pragma once

#include "platform/WideString.h"

#include <cstddef>
#include <string>

// A value is read into a buffer of this many characters including its terminator, so at
// most ProfileValueCapacity - 1 bytes of a value come back.
inline constexpr std::size_t ProfileValueCapacity = 2048;

// The value of key in section of the file at path, with blanks around it removed and cut to
// ProfileValueCapacity - 1 bytes; def when the file, the section or the key is missing, and
// when path names no regular file (a FIFO would block the reader).
// Lines may end in CR LF or LF. The first section of that name is the one read.
AnsiString ReadProfileString(const AnsiString& section, const AnsiString& key,
                             const AnsiString& def, const std::string& path);

// Sets key in section to value: replaces the key's line, adds the key at the end of the
// section, or adds the section at the end of the file (creating the file when missing).
// New lines end in CR LF; all other bytes of the file are kept. The file is replaced whole
// (ReplaceFileContents), so a failure leaves it as it was. Returns false when the file
// cannot be read or written or is no regular file, and refuses (false, file untouched) a line break in any
// argument, an empty key, a key with "=" or a section with "]", since those would write
// lines that read back as other keys or sections.
bool WriteProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& value,
                        const std::string& path);

// Compares two windows-1250 texts with upper and lower case letters taken as equal.
bool SameTextAnsi(const AnsiString& a, const AnsiString& b);
