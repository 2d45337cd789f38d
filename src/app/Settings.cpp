#include "app/Settings.h"

#include "app/ProfileFile.h"
#include "platform/Format.h"

#include <array>
#include <utility>

namespace {

struct TKey {
  const char* Section;
  const char* Key;
  AnsiString TAddressSettings::*Field;
};

// The keys in the order in which they are read and written.
constexpr std::array<TKey, 6> AddressKeys{{
    {"Address", "Name", &TAddressSettings::Name},
    {"Address", "Company", &TAddressSettings::Company},
    {"Address", "Street", &TAddressSettings::Street},
    {"Address", "Village", &TAddressSettings::Village},
    {"Address", "Zipcode", &TAddressSettings::Zipcode},
    {"Account", "AccountNumber", &TAddressSettings::AccountNumber},
}};

}  // namespace

std::string SettingsPathFor(const std::string& executablePath) {
  std::size_t slash = executablePath.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
  return folder + SettingsFileName;
}

TAddressSettings ReadAddressSettings(const std::string& path) {
  TAddressSettings values;
  for (const TKey& k : AddressKeys) values.*k.Field = ReadProfileString(k.Section, k.Key, "", path);
  return values;
}

AnsiString ReadPrinterSetting(const std::string& path) {
  return ReadProfileString("Main", "Printer", "", path);
}

void WriteAddressSettings(const std::string& path, const TAddressSettings& values,
                          const TProfileWriter& writer) {
  for (const TKey& k : AddressKeys) {
    bool written = writer ? writer(k.Section, k.Key, values.*k.Field, path)
                          : WriteProfileString(k.Section, k.Key, values.*k.Field, path);
    if (!written) throw EIniFileException(Format("Unable to write to %s", {path}));
  }
}
