// earmark-cli write, order, parse and sheet, run as a separate program on files written here.
#include "cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

class CliOrder : public CliTest {};

// Lines of an order file, joined with CR LF.
std::string Crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* line : lines) out += std::string(line) + "\r\n";
  return out;
}

const char* const kOrderJson = R"({"farm":"123456","tagType":2,"name":"Ján Kováč","company":"A & B <s.r.o.>",
  "street":"Hlavná \"5\"","village":"Žilina","zipcode":"01001","accountNumber":"12-345/0900",
  "currentLine":3,"lineCount":3,"lines":[
  {"row":"1","country":"SK","earNumber":"000000012345","count":"1"},
  {"row":"2","country":"CZ","earNumber":"000000000987","count":"2"},
  {"row":"3","country":"","earNumber":"","count":""}]})";

// The same order as the writer saves it (windows-1250, "&", "<", ">" as references).
const std::string kOrderFile = Crlf({
    "<?xml version=\"1.0\" encoding=\"windows-1250\"?>", "<objednavka>", "<species>3</species>",
    "<type>60</type>", "<address>", "<name>J\xE1n Kov\xE1\xE8</name>",
    "<company>A &#38; B &#60;s.r.o.&#62;</company>", "<street>Hlavn\xE1 \"5\"</street>",
    "<village>\x8Eilina</village>", "<zipcode>01001</zipcode>", "</address>", "<farm>123456</farm>",
    "<accountnumber>12-345/0900</accountnumber>", "<mark>", "<markcode>SK000000012345</markcode>",
    "<cnt>1</cnt>", "</mark>", "<mark>", "<markcode>CZ000000000987</markcode>", "<cnt>2</cnt>", "</mark>",
    "</objednavka>"});

TEST_F(CliOrder, WriteMakesTheOrderFile) {
  struct Row {
    const char* Name;
    std::string Json;
    int Exit;
    std::string File;  // expected bytes when Exit is 0
    const char* ErrPart;
  };
  const std::string noType = Crlf({"<?xml version=\"1.0\" encoding=\"windows-1250\"?>", "<objednavka>", "<address>",
                                   "<name></name>", "<company></company>", "<street></street>", "<village></village>",
                                   "<zipcode></zipcode>", "</address>", "<farm>654321</farm>",
                                   "<accountnumber></accountnumber>", "</objednavka>"});
  const Row rows[] = {
      {"full order", kOrderJson, 0, kOrderFile, ""},
      {"no tag type, fresh lines", R"({"farm":"654321","tagType":-1})", 0, noType, ""},
      {"tag type out of range", R"({"tagType":7})", 1, "", "\"tagType\" must lie between -1 and 6"},
      {"line count above 50", R"({"lineCount":51})", 1, "", "\"lineCount\" must lie between 1 and 50"},
      {"current line above line count", R"({"lineCount":2,"currentLine":3})", 1, "", "\"currentLine\""},
      {"more lines than line count", R"({"lineCount":1,"lines":[{},{}]})", 1, "", "more lines"},
      {"text of the wrong type", R"({"farm":123456})", 1, "", "\"farm\" must be a string"},
      {"not an object", R"([1,2])", 1, "", "JSON object"},
      {"not JSON", "{farm", 1, "", "parse error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const fs::path out = Dir / "out.xml";
    fs::remove(out);
    const CliRun r = Cli("write " + Quote(Write("order.json", row.Json)) + " " + Quote(out));
    EXPECT_EQ(r.Exit, row.Exit) << r.Err;
    if (row.Exit == 0) {
      EXPECT_EQ(Slurp(out), row.File);
    } else {
      EXPECT_FALSE(fs::exists(out));
      EXPECT_NE(r.Err.find(row.ErrPart), std::string::npos) << r.Err;
    }
  }
  EXPECT_EQ(Cli("write").Exit, 2);
  EXPECT_EQ(Cli("write " + Quote(Dir / "missing.json") + " " + Quote(Dir / "x.xml")).Exit, 1);
}

// What `write` saves, `order` opens again: control characters XML does not allow and a lone
// line feed come back as "?", everything else as it was given.
TEST_F(CliOrder, WrittenFilesOpenAgain) {
  const std::string json =
      R"({"farm":"12\u00013456","tagType":0,"name":"a\u0000b","company":"A\r\nB\tC\r","street":"\n",)"
      R"("village":"\u001f\u007f\u0081","zipcode":"]]>","accountNumber":"\n\n","currentLine":2,"lineCount":2,)"
      R"("lines":[{"row":"1","country":"S\u000b","earNumber":"00000000000\r","count":"\n"}]})";
  const fs::path out = Dir / "out.xml";
  ASSERT_EQ(Cli("write " + Quote(Write("order.json", json)) + " " + Quote(out)).Exit, 0);
  const CliRun r = Cli("order " + Quote(out));
  ASSERT_EQ(r.Exit, 0) << r.Err;
  nlohmann::json expected = nlohmann::json::parse(json);
  expected["farm"] = "12?3456";
  expected["name"] = "a?b";
  expected["street"] = "?";
  expected["village"] = "?\u007f\u0081";
  expected["lines"][0]["country"] = "S?";
  expected["lines"][0]["count"] = "?";
  expected["lines"].push_back({{"row", "2"}, {"country", ""}, {"earNumber", ""}, {"count", ""}});
  EXPECT_EQ(nlohmann::json::parse(r.Out), expected);
}

TEST_F(CliOrder, OrderOpensAsTheWindowDoes) {
  struct Row {
    const char* Name;
    std::string File;  // empty: no file at all
    int Exit;
    std::string Out;
  };
  const Row rows[] = {
      {"the writer's file", kOrderFile, 0, nlohmann::json::parse(kOrderJson).dump()},
      {"not well-formed", Crlf({"<a>", "<company>A & B</company>", "</a>"}), 1,
       R"({"error":"Nesprávny fromát súboru!","detail":"EK_ENTITY_NAME_EXPECTED at line 2, column 13"})"},
      {"no order", Crlf({"<a>", "<type>x</type>", "</a>"}), 1,
       R"({"error":"Nesprávny fromát súboru!","detail":"not an order: 'x' is not a valid integer value"})"},
      {"missing", "", 1, R"({"error":"Subor nebol nájdený!"})"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const fs::path file = row.File.empty() ? Dir / "missing.xml" : Write("order.xml", row.File);
    const CliRun r = Cli("order " + Quote(file));
    EXPECT_EQ(r.Exit, row.Exit) << r.Err;
    // Compared as JSON values so that the member order of the expectation does not matter.
    EXPECT_EQ(nlohmann::json::parse(r.Out), nlohmann::json::parse(row.Out));
  }
  EXPECT_EQ(Cli("order").Exit, 2);
  EXPECT_EQ(Cli("order a b").Exit, 2);
}

TEST_F(CliOrder, ParseReportsEveryFile) {
  const fs::path good = Write("good.xml", "<a x='1'>t</a>");
  const fs::path bad = Write("bad.xml", "<a><b></a>");
  const CliRun both = Cli("parse --tree " + Quote(good) + " " + Quote(bad));
  EXPECT_EQ(both.Exit, 1);
  std::istringstream lines(both.Out);
  std::string first, second, extra;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, extra));
  const nlohmann::json goodJson = nlohmann::json::parse(first);
  EXPECT_EQ(goodJson["ok"], true);
  EXPECT_TRUE(goodJson["exception"].is_null());
  EXPECT_EQ(goodJson["errors"], nlohmann::json::array());
  EXPECT_EQ(goodJson["tree"], nlohmann::json::parse(
                                  R"({"type":8,"name":"#document","value":"","attributes":[],"children":[
                                      {"type":1,"name":"a","value":"","attributes":[{"name":"x","value":"1"}],"children":[
                                      {"type":3,"name":"#text","value":"t","attributes":[],"children":[]}]}]})"));
  const nlohmann::json badJson = nlohmann::json::parse(second);
  EXPECT_EQ(badJson["ok"], false);
  EXPECT_EQ(badJson["exception"], nlohmann::json::parse(R"({"class":"EParserException","message":"Parser error."})"));
  ASSERT_EQ(badJson["errors"].size(), 1u);
  const nlohmann::json& error = badJson["errors"][0];
  EXPECT_EQ(error["kind"], 79);
  EXPECT_EQ(error["name"], "EK_END_TAG_MISMATCH");
  EXPECT_EQ(error["severity"], 2);
  EXPECT_EQ(error["offending"], "a");
  EXPECT_EQ(error["uri"], "file://" + bad.string());
  EXPECT_EQ(error["start"]["line"], 1);
  EXPECT_FALSE(badJson.contains("tree"));

  // What the document type declaration adds: an entity reference holding the nodes of its
  // text, and a default attribute marked as not written in the tag.
  const fs::path declared = Write("declared.xml",
                                  "<!DOCTYPE a [<!ENTITY e 'x<b/>'><!ATTLIST a d CDATA 'dv'>]><a>&e;</a>");
  const nlohmann::json declaredJson = nlohmann::json::parse(Cli("parse --tree " + Quote(declared)).Out);
  ASSERT_EQ(declaredJson["ok"], true) << declaredJson.dump();
  const nlohmann::json& root = declaredJson["tree"]["children"][1];
  EXPECT_EQ(root["attributes"], nlohmann::json::parse(R"([{"name":"d","value":"dv","specified":false}])"));
  EXPECT_EQ(root["children"], nlohmann::json::parse(R"([{"type":5,"name":"e","value":"","attributes":[],"children":[
      {"type":3,"name":"#text","value":"x","attributes":[],"children":[]},
      {"type":1,"name":"b","value":"","attributes":[],"children":[]}]}])"));

  // A failure stays in the exit status when a later file, the last one, parses.
  const CliRun badFirst = Cli("parse " + Quote(bad) + " " + Quote(good));
  EXPECT_EQ(badFirst.Exit, 1);
  EXPECT_EQ(std::count(badFirst.Out.begin(), badFirst.Out.end(), '\n'), 2);
  EXPECT_EQ(Cli("parse " + Quote(good)).Exit, 0);
  EXPECT_EQ(nlohmann::json::parse(Cli("parse " + Quote(good)).Out).contains("tree"), false);
  const std::pair<std::string, int> usage[] = {{"parse", 2}, {"parse --tree", 2}, {"parse --frob " + Quote(good), 2}};
  for (const auto& [args, exit] : usage) EXPECT_EQ(Cli(args).Exit, exit) << args;
  const CliRun missing = Cli("parse " + Quote(Dir / "missing.xml"));
  EXPECT_EQ(missing.Exit, 1);
  EXPECT_EQ(nlohmann::json::parse(missing.Out)["exception"]["class"], "EFOpenError");
}

TEST_F(CliOrder, SheetOfAnOrderFile) {
  const fs::path file = Write("order.xml", kOrderFile);
  const CliRun ops = Cli("sheet " + Quote(file) + " --ops --dpi 254");
  ASSERT_EQ(ops.Exit, 0) << ops.Err;
  std::istringstream lines(ops.Out);
  std::vector<nlohmann::json> all;
  for (std::string line; std::getline(lines, line);) all.push_back(nlohmann::json::parse(line));
  ASSERT_FALSE(all.empty());
  // At 254 dpi one pixel is a tenth of a millimetre.
  bool sawCaption = false, sawCompany = false, sawMark = false;
  for (const nlohmann::json& op : all) {
    ASSERT_TRUE(op["op"] == "text" || op["op"] == "line" || op["op"] == "rectangle") << op;
    if (op["op"] != "text") continue;
    sawCaption |= op["text"] == "Ovce a kozy náhradná - terčík Allflex";
    sawCompany |= op["text"] == "A & B <s.r.o.>";
    sawMark |= op["text"] == "CZ000000000987";
  }
  EXPECT_TRUE(sawCaption && sawCompany && sawMark) << ops.Out;
  EXPECT_EQ(Cli("sheet " + Quote(file) + " --ops").Out.size() > 0, true);

  const fs::path pdf = Dir / "sheet.pdf";
  const CliRun drawn = Cli("sheet " + Quote(file) + " --pdf " + Quote(pdf) + " --dpi 300");
  EXPECT_EQ(drawn.Exit, 0) << drawn.Err;
  EXPECT_EQ(Slurp(pdf).substr(0, 5), "%PDF-");

  const std::pair<std::string, int> rows[] = {
      {"sheet " + Quote(file), 2},
      {"sheet " + Quote(file) + " --ops --pdf " + Quote(pdf), 2},
      {"sheet " + Quote(file) + " --ops --dpi 0", 2},
      {"sheet " + Quote(file) + " --ops --dpi 12x", 2},
      {"sheet --ops", 2},
      {"sheet " + Quote(Dir / "missing.xml") + " --ops", 1},
  };
  for (const auto& [args, exit] : rows) EXPECT_EQ(Cli(args).Exit, exit) << args;
}

TEST_F(CliOrder, SheetRefusalsSayWhatIsWrong) {
  // order file -> the whole error output of "sheet FILE --ops"
  const std::pair<std::string, std::string> rows[] = {
      // A count "č" read from a file (windows-1250) is named as the letter, not a replacement mark.
      {Crlf({"<?xml version=\"1.0\" encoding=\"windows-1250\"?>", "<a>", "<mark>",
             "<markcode>SK000000000001</markcode>", "<cnt>\xE8</cnt>", "</mark>", "</a>"}),
       "earmark-cli sheet: 'č' is not a valid integer value\n"},
      {Crlf({"<a>", "<b></a>"}),
       "earmark-cli sheet: Nesprávny fromát súboru! (EK_END_TAG_MISMATCH \"a\" at line 2, column 6)\n"},
  };
  for (const auto& [bytes, err] : rows) {
    const CliRun r = Cli("sheet " + Quote(Write("order.xml", bytes)) + " --ops");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, err);
    EXPECT_EQ(r.Out, "");
  }
}

// The PDF goes where every written file goes: beside the target first, then over it. What is
// no file is refused with the reason and left as it was; nothing is removed first.
TEST_F(CliOrder, SheetTargetsThatAreNoFile) {
  const fs::path file = Write("order.xml", kOrderFile);
  struct Row {
    const char* What;
    std::function<bool(const fs::path&)> Make;  // false: cannot be made here, skip
    const char* Reason;
    fs::file_type Type;
  };
  const Row rows[] = {
      {"folder with a file",
       [](const fs::path& p) {
         fs::create_directory(p);
         std::ofstream(p / "kept.txt") << "kept";
         return true;
       },
       "Is a directory", fs::file_type::directory},
      {"empty folder", [](const fs::path& p) { return fs::create_directory(p); }, "Is a directory",
       fs::file_type::directory},
      {"FIFO", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; },
       "Is a FIFO (named pipe), not a file", fs::file_type::fifo},
      // A node with the null device's numbers, made in the test's own folder.
      {"device", [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
       "Is a device, not a file", fs::file_type::character},
      {"in a missing folder", [](const fs::path&) { return true; }, "No such file or directory",
       fs::file_type::not_found},
  };
  int index = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.What);
    const fs::path target = row.Type == fs::file_type::not_found ? Dir / "missing" / "sheet.pdf"
                                                                   : Dir / ("target" + std::to_string(index++));
    if (!row.Make(target)) {
      std::cout << "[ SKIPPED  ] " << row.What << ": cannot be made here\n";
      continue;
    }
    const CliRun r = Cli("sheet " + Quote(file) + " --pdf " + Quote(target));
    EXPECT_EQ(r.Exit, 1) << r.Err;
    EXPECT_NE(r.Err.find("earmark-cli sheet: Cannot create file \"" + target.string() + "\". " + row.Reason),
              std::string::npos)
        << r.Err;
    EXPECT_EQ(fs::symlink_status(target).type(), row.Type);
  }
  EXPECT_EQ(Slurp(Dir / "target0" / "kept.txt"), "kept");

  // A file in a folder the user may not write: run as an unprivileged user when this is root.
  const fs::path locked = Dir / "locked";
  fs::create_directory(locked);
  std::ofstream(locked / "sheet.pdf") << "old";
  std::string prefix;
  if (::geteuid() == 0) {
    if (std::system("command -v setpriv >/dev/null && id nobody >/dev/null 2>&1") != 0) {
      std::cout << "[ SKIPPED  ] read-only folder: no setpriv or no user nobody\n";
      return;
    }
    ASSERT_EQ(::chown((locked / "sheet.pdf").c_str(), 65534, 65534), 0);
    fs::permissions(Dir, fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(file, fs::perms::others_read, fs::perm_options::add);
    prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  }
  fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const CliRun r = CliAs(prefix, "sheet " + Quote(file) + " --pdf " + Quote(locked / "sheet.pdf"));
  EXPECT_EQ(r.Exit, 1) << r.Err;
  EXPECT_NE(r.Err.find("Cannot create file \"" + (locked / "sheet.pdf").string() + "\". Permission denied"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(Slurp(locked / "sheet.pdf"), "old");
  fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(CliOrder, SheetReplacesAFileAndKeepsItsPermissions) {
  const fs::path file = Write("order.xml", kOrderFile);
  const fs::path pdf = Write("sheet.pdf", std::string(100000, 'o'));
  fs::permissions(pdf, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("sheet.pdf", Dir / "link.pdf");
  const CliRun r = Cli("sheet " + Quote(file) + " --pdf " + Quote(Dir / "link.pdf"));
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_TRUE(fs::is_symlink(Dir / "link.pdf"));
  const std::string bytes = Slurp(pdf);
  EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
  EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
  EXPECT_EQ(fs::status(pdf).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
