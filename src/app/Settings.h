// The settings file "tavrin.ini": the delivery address and account number kept between runs,
// and the name of the printer to select at start-up. It lives beside the program, or in the
// user's configuration folder when the program sits where the user cannot write.
#pragma once

#include "platform/Exceptions.h"
#include "platform/WideString.h"

#include <functional>
#include <string>

class EarTagOrder;

EARMARK_EXCEPTION(EIniFileException, Exception)

inline constexpr const char* SettingsFileName = "tavrin.ini";

// The six values of the settings file that the order prints and saves.
struct TAddressSettings {
  AnsiString Name, Company, Street, Village, Zipcode, AccountNumber;
  bool operator==(const TAddressSettings&) const = default;
};

// The order's delivery address and account number, and the order with them replaced by
// values; nothing else of the order is read or changed.
TAddressSettings AddressOf(const EarTagOrder& order);
void SetAddress(EarTagOrder& order, const TAddressSettings& values);

// The settings file beside the executable: its folder (up to the last "/") + "tavrin.ini".
std::string SettingsPathFor(const std::string& executablePath);

// Whether a file can be made in folder ("" is the current folder).
using TFolderWritable = std::function<bool(const std::string& folder)>;
bool FolderWritable(const std::string& folder);

// Where the program keeps its settings: beside the executable (SettingsPathFor) when that
// file exists or the executable's folder is writable; otherwise <config>/earmark/tavrin.ini,
// <config> being xdgConfigHome when it is an absolute path, else home + "/.config". When
// neither gives an absolute folder, beside the executable after all.
std::string ChooseSettingsPath(const std::string& executablePath, const std::string& xdgConfigHome,
                               const std::string& home, const TFolderWritable& writable = FolderWritable);

// Reads Address/Name, Company, Street, Village, Zipcode and Account/AccountNumber in this
// order; a missing file, section or key gives the empty text.
TAddressSettings ReadAddressSettings(const std::string& path);

// The printer named in Main/Printer (empty when none). The program never writes it.
AnsiString ReadPrinterSetting(const std::string& path);

// Writes one key; the default is the profile-file writer.
using TProfileWriter = std::function<bool(const AnsiString& section, const AnsiString& key,
                                          const AnsiString& value, const std::string& path)>;

// Writes the six values in the order they are read, first making the file's folder and any
// missing folder above it (for the owner only) when it does not exist yet. A key that cannot
// be written stops there with EIniFileException "Unable to write to <path>"; keys written
// before it stay written.
void WriteAddressSettings(const std::string& path, const TAddressSettings& values,
                          const TProfileWriter& writer = {});
