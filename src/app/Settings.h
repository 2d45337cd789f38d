// The settings file "tavrin.ini" beside the program: the delivery address and account number
// kept between runs, and the name of the printer to select at start-up.
#pragma once

#include "platform/Exceptions.h"
#include "platform/WideString.h"

#include <functional>
#include <string>

EARMARK_EXCEPTION(EIniFileException, Exception)

inline constexpr const char* SettingsFileName = "tavrin.ini";

// The six values of the settings file that the order prints and saves.
struct TAddressSettings {
  AnsiString Name, Company, Street, Village, Zipcode, AccountNumber;
  bool operator==(const TAddressSettings&) const = default;
};

// The settings file beside the executable: its folder (up to the last "/") + "tavrin.ini".
std::string SettingsPathFor(const std::string& executablePath);

// Reads Address/Name, Company, Street, Village, Zipcode and Account/AccountNumber in this
// order; a missing file, section or key gives the empty text.
TAddressSettings ReadAddressSettings(const std::string& path);

// The printer named in Main/Printer (empty when none). The program never writes it.
AnsiString ReadPrinterSetting(const std::string& path);

// Writes one key; the default is the profile-file writer.
using TProfileWriter = std::function<bool(const AnsiString& section, const AnsiString& key,
                                          const AnsiString& value, const std::string& path)>;

// Writes the six values in the order they are read. A key that cannot be written stops there
// with EIniFileException "Unable to write to <path>"; keys written before it stay written.
void WriteAddressSettings(const std::string& path, const TAddressSettings& values,
                          const TProfileWriter& writer = {});
