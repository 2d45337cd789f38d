// The order file: fixed XML text lines in windows-1250 with CR LF ends, written straight from
// the order model (no document tree), and the file name the save command proposes.
#pragma once

#include "app/EarTagOrder.h"
#include "app/TagTypes.h"

#include <string>

// "&", "<", ">" and CR become numeric character references, so that the program's own
// reader, which turns "&amp;" into an entity-reference node and a raw CR into a line feed,
// reads every value back whole. The control characters XML does not allow (C0 but tab, LF
// and CR) become "?", as do characters windows-1250 lacks, and so does a value that is one
// line feed alone, which the reader would take for line layout: those are the only changes
// a value undergoes between saving and opening.
AnsiString EscapeElementText(const AnsiString& value);

// The complete bytes of the order file for the order as it stands.
std::string OrderFileBytes(const EarTagOrder& order);

// "VrenaEarMark_" + farm + "_" + the date as year, day, month ("yyyyddmm").
AnsiString ProposedOrderFileName(const AnsiString& farmNumber, int year, int month, int day);

// Writes the order file. The bytes go to a temporary file in the same folder that replaces
// fileName only once complete, so a failed save leaves an existing file as it was.
// Raises EFCreateError "Cannot create file "%s". %s" or EWriteError "Stream write error".
void WriteOrderFile(const std::string& fileName, const EarTagOrder& order);
