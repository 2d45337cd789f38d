#include "app/ProfileFile.h"

#include "platform/Exceptions.h"
#include "platform/ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

// Folds a windows-1250 byte to its lower-case letter; bytes that are no upper-case letter
// come back unchanged.
unsigned char LowerAnsi(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: case 0x8C: case 0x8D: case 0x8E: case 0x8F:  // Š Ś Ť Ž Ź
      return static_cast<unsigned char>(c + 0x10);
    case 0xA3: return 0xB3;  // Ł
    case 0xA5: return 0xB9;  // Ą
    case 0xAA: return 0xBA;  // Ş
    case 0xAF: return 0xBF;  // Ż
    case 0xBC: return 0xBE;  // Ľ
    default: break;
  }
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  return c;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

struct TLine {
  std::string Text;    // without its line end
  std::string_view Ending;  // "\r\n", "\n", "\r" or "" for a last line without one
};

std::vector<TLine> SplitLines(const std::string& bytes) {
  std::vector<TLine> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t nl = bytes.find('\n', start);
    TLine line;
    if (nl == std::string::npos) {
      line.Text = bytes.substr(start);
      start = bytes.size();
    } else {
      line.Text = bytes.substr(start, nl - start);
      line.Ending = "\n";
      start = nl + 1;
    }
    if (!line.Text.empty() && line.Text.back() == '\r') {
      line.Text.pop_back();
      line.Ending = line.Ending.empty() ? "\r" : "\r\n";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// The section named by a header line ("[name]"), or nothing for other lines.
std::optional<std::string> SectionOf(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty() || t.front() != '[') return std::nullopt;
  std::size_t close = t.find(']');
  return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// The key of a "key=value" line, or nothing for comments and lines without "=".
std::optional<std::string> KeyOf(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty() || t.front() == ';') return std::nullopt;
  std::size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

// The whole file; nothing when it cannot be opened or read, and then missing tells whether
// that is because the file does not exist.
std::optional<std::string> ReadAll(const std::string& path, bool* missing = nullptr) {
  // A FIFO or a device would block the reader or never end; only a regular file is read.
  struct stat status{};
  const bool found = ::stat(path.c_str(), &status) == 0;
  if (missing) *missing = !found && errno == ENOENT;
  if (!found || !S_ISREG(status.st_mode)) return std::nullopt;
  TFilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) bytes.append(buffer, got);
  if (std::ferror(f.get())) return std::nullopt;
  return bytes;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

bool SameTextAnsi(const AnsiString& a, const AnsiString& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAnsi(static_cast<unsigned char>(a[i])) != LowerAnsi(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

AnsiString ReadProfileString(const AnsiString& section, const AnsiString& key,
                             const AnsiString& def, const std::string& path) {
  std::optional<std::string> bytes = ReadAll(path);
  if (!bytes) return def;
  const std::string wantedSection = Trim(section), wantedKey = Trim(key);
  bool inSection = false, sectionSeen = false;
  for (const TLine& line : SplitLines(*bytes)) {
    if (std::optional<std::string> name = SectionOf(line.Text)) {
      // Only the first section of a name counts, as with the platform's reader.
      if (inSection) break;
      inSection = !sectionSeen && SameTextAnsi(*name, wantedSection);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    std::optional<std::string> k = KeyOf(line.Text);
    if (!k || !SameTextAnsi(*k, wantedKey)) continue;
    std::string value = Trim(line.Text.substr(line.Text.find('=') + 1));
    if (value.size() > ProfileValueCapacity - 1) value.resize(ProfileValueCapacity - 1);
    return value;
  }
  return def;
}

bool WriteProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& value,
                        const std::string& path) {
  const std::string wantedSection = Trim(section), wantedKey = Trim(key);
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || wantedKey.empty() ||
      wantedKey.find('=') != std::string::npos || wantedKey.front() == '[' ||
      wantedKey.front() == ';' || wantedSection.find(']') != std::string::npos)
    return false;

  // Only a file that does not exist starts empty; one that cannot be read is left alone
  // rather than replaced by a file holding this one key.
  std::string bytes;
  bool missing = false;
  if (std::optional<std::string> read = ReadAll(path, &missing))
    bytes = std::move(*read);
  else if (!missing)
    return false;
  std::vector<TLine> lines = SplitLines(bytes);
  const std::string newLine = wantedKey + "=" + value;

  // Locate the first section of that name, the key's line in it, and its last non-blank line.
  std::optional<std::size_t> header, keyLine, lastFilled;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (std::optional<std::string> name = SectionOf(lines[i].Text)) {
      if (header) break;
      if (SameTextAnsi(*name, wantedSection)) header = lastFilled = i;
      continue;
    }
    if (!header) continue;
    if (!Trim(lines[i].Text).empty()) lastFilled = i;
    std::optional<std::string> k = KeyOf(lines[i].Text);
    if (k && SameTextAnsi(*k, wantedKey)) {
      keyLine = i;
      break;
    }
  }

  if (keyLine) {
    lines[*keyLine].Text = newLine;
    lines[*keyLine].Ending = "\r\n";
  } else if (header) {
    if (lines[*lastFilled].Ending.empty()) lines[*lastFilled].Ending = "\r\n";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastFilled + 1), TLine{newLine, "\r\n"});
  } else {
    if (!lines.empty() && lines.back().Ending.empty()) lines.back().Ending = "\r\n";
    lines.push_back(TLine{"[" + wantedSection + "]", "\r\n"});
    lines.push_back(TLine{newLine, "\r\n"});
  }

  std::string out;
  out.reserve(bytes.size() + newLine.size() + wantedSection.size() + 8);
  for (const TLine& line : lines) {
    out += line.Text;
    out += line.Ending;
  }

  // Replaced whole, so a failed write never leaves the settings cut short.
  try {
    ReplaceFileContents(path, out);
  } catch (const Exception&) {
    return false;
  }
  return true;
}
