#include "app/Settings.h"

#include "app/EarTagOrder.h"
#include "app/ProfileFile.h"
#include "platform/Format.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

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

// Makes the folders of path's parent that do not exist yet, readable only by their owner.
void MakeFoldersAbove(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return;
  std::vector<std::string> missing;
  for (std::string folder = path.substr(0, slash); !folder.empty();) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0) break;
    missing.push_back(folder);
    const std::size_t up = folder.rfind('/');
    if (up == std::string::npos || up == 0) break;
    folder.resize(up);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) return;
}

}  // namespace

TAddressSettings AddressOf(const EarTagOrder& order) {
  return {order.Name, order.Company, order.Street, order.Village, order.Zipcode, order.AccountNumber};
}

void SetAddress(EarTagOrder& order, const TAddressSettings& values) {
  order.Name = values.Name;
  order.Company = values.Company;
  order.Street = values.Street;
  order.Village = values.Village;
  order.Zipcode = values.Zipcode;
  order.AccountNumber = values.AccountNumber;
}

std::string SettingsPathFor(const std::string& executablePath) {
  std::size_t slash = executablePath.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : executablePath.substr(0, slash + 1);
  return folder + SettingsFileName;
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) == 0;
}

std::string ChooseSettingsPath(const std::string& executablePath, const std::string& xdgConfigHome,
                               const std::string& home, const TFolderWritable& writable) {
  const std::string beside = SettingsPathFor(executablePath);
  std::error_code error;
  if (std::filesystem::exists(beside, error)) return beside;
  if (writable(beside.substr(0, beside.size() - std::strlen(SettingsFileName)))) return beside;
  // A relative XDG_CONFIG_HOME is to be ignored, as if it were not set.
  const auto absolute = [](const std::string& folder) { return !folder.empty() && folder.front() == '/'; };
  const auto trimmed = [](std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
  };
  std::string config;
  if (absolute(xdgConfigHome)) config = trimmed(xdgConfigHome);
  else if (absolute(home)) config = trimmed(home) + "/.config";
  else return beside;
  return config + "/earmark/" + SettingsFileName;
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
  // The first save into the configuration folder makes the folder. A failure here shows as
  // the first key that cannot be written.
  MakeFoldersAbove(path);
  for (const TKey& k : AddressKeys) {
    bool written = writer ? writer(k.Section, k.Key, values.*k.Field, path)
                          : WriteProfileString(k.Section, k.Key, values.*k.Field, path);
    if (!written) throw EIniFileException(Format("Unable to write to %s", {path}));
  }
}
