// earmark-cli decode and --help, run as a separate program on files written here.
#include "cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class CliDecode : public CliTest {};

// An order file as the order application writes it: windows-1250, CR LF line ends.
const std::string kOrder1250 =
    "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n"
    "<objednavka>\r\n<meno>\x8E" "tefan \x8Aimko\xE8i\x9D, \xBE" "adov\xE1 ul.</meno>\r\n</objednavka>\r\n";
const std::string kOrderUtf8 =
    "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n"
    "<objednavka>\n<meno>\xC5\xBDtefan \xC5\xA0imko\xC4\x8Di\xC5\xA5, \xC4\xBE" "adov\xC3\xA1 ul.</meno>\n</objednavka>\n";

TEST_F(CliDecode, Files) {
  std::string utf16le = "\xFF\xFE";
  for (char c : std::string("<a>\r\n")) utf16le += std::string{c, '\0'};
  utf16le += std::string("\x61\x01", 2);  // U+0161
  utf16le += std::string("\x3D\xD8\x00\xDE", 4);  // U+1F600
  struct Row {
    const char* Name;
    std::string Bytes;
    std::string Options;
    int Exit;
    std::string Out;
    std::string ErrPart;
  };
  const Row rows[] = {
      {"order in windows-1250", kOrder1250, "--encoding windows-1250", 0, kOrderUtf8, ""},
      {"order, name in capitals", kOrder1250, "--encoding CP1250", 0, kOrderUtf8, ""},
      {"order read as UTF-8", kOrder1250, "", 1, kOrderUtf8.substr(0, 65),
       "Invalid UTF-8 encoding (byte offset 67)"},
      {"utf-16le with mark", utf16le, "", 0, "<a>\n\xC5\xA1\xF0\x9F\x98\x80", ""},
      {"utf-16le mark against UTF-16BE", utf16le, "--encoding UTF-16BE", 1, "",
       "Specified input encoding does not match byte order mark."},
      {"utf-8 mark and lone CR", "\xEF\xBB\xBFx\ry\r", "", 0, "x\ny\n", ""},
      {"invalid sequence", "ab\xC3(cd", "", 1, "ab", "Invalid UTF-8 encoding (byte offset 2)"},
      {"invalid after a mark", "\xEF\xBB\xBF\x80", "", 1, "", "Invalid UTF-8 encoding (byte offset 3)"},
      {"invalid after a lone CR", "a\r\x80", "", 1, "a", "Invalid UTF-8 encoding (byte offset 2)"},
      {"overlong", "<\xC0\xAF>", "", 1, "<", "Invalid UTF-8 encoding (byte offset 1)"},
      {"unknown encoding", "x", "--encoding no-such-thing", 2, "", "unknown encoding \"no-such-thing\""},
      {"UTF-16 has no codec of its own", "x", "--encoding UTF-16", 2, "", "unknown encoding"},
      {"empty file", "", "", 0, "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const fs::path file = Write("input.xml", row.Bytes);
    const CliRun r = Cli("decode " + row.Options + " " + Quote(file));
    EXPECT_EQ(r.Exit, row.Exit);
    EXPECT_EQ(r.Out, row.Out);
    if (row.ErrPart.empty()) {
      EXPECT_EQ(r.Err, "");
    } else {
      EXPECT_NE(r.Err.find(row.ErrPart), std::string::npos) << r.Err;
      EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << "one line: " << r.Err;
    }
  }
}

TEST_F(CliDecode, UsageAndHelp) {
  const CliRun help = Cli("--help");
  EXPECT_EQ(help.Exit, 0);
  EXPECT_NE(help.Out.find("decode [--encoding NAME] FILE"), std::string::npos) << help.Out;
  const std::pair<std::string, int> rows[] = {
      {"", 2},
      {"decode", 2},
      {"frobnicate", 2},
      {"decode --encoding", 2},
      {"decode " + (Dir / "missing.xml").string(), 1},
  };
  for (const auto& [args, exit] : rows) EXPECT_EQ(Cli(args).Exit, exit) << args;
}

}  // namespace
