// "earmark-cli tokens": the JSON Lines the command prints for a file, run as a real process.
#include "app/EarTagOrder.h"
#include "app/OrderFileWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct RunResult {
  int ExitCode = -1;
  std::vector<std::string> Lines;
};

RunResult RunTokens(const std::string& fileName) {
  const std::string command =
      std::string("'") + EARMARK_CLI_PATH + "' tokens '" + fileName + "'";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::size_t from = 0;
  for (std::size_t nl; (nl = out.find('\n', from)) != std::string::npos; from = nl + 1)
    result.Lines.push_back(out.substr(from, nl - from));
  if (from < out.size()) result.Lines.push_back(out.substr(from));
  return result;
}

struct TempFile {
  explicit TempFile(const std::string& bytes) {
    Path = (std::filesystem::temp_directory_path() /
            ("tokens-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".xml"))
               .string();
    std::ofstream(Path, std::ios::binary) << bytes;
  }
  ~TempFile() { std::remove(Path.c_str()); }
  std::string Path;
};

} // namespace

TEST(CliTokens, PrintsDeclarationAndTokensWithPositions) {
  TempFile file("<a x='1>2'/>");
  RunResult run = RunTokens(file.Path);
  EXPECT_EQ(run.ExitCode, 0);
  const std::vector<std::string> expected = {
      R"({"declaration":{"kind":3,"malformed":false,"version":"1.0","encoding":"","standalone":2,"inputEncoding":"UTF-8"}})",
      R"({"kind":"tkEmptyElementTag","value":"a x='1>2'","error":0,"clue":"","start":{"byte":1,"char":2,"column":2,"line":1,"tabs":0},"end":{"byte":10,"char":10,"column":10,"line":1,"tabs":0}})",
      R"({"kind":"tkEndOfSource","value":"","error":0,"clue":"","start":{"byte":12,"char":13,"column":13,"line":1,"tabs":0},"end":{"byte":12,"char":13,"column":13,"line":1,"tabs":0}})",
  };
  EXPECT_EQ(run.Lines, expected);
}

TEST(CliTokens, EscapesStringsAndReportsTokenErrors) {
  struct Case {
    const char* Name;
    std::string Bytes;
    std::vector<std::string> TokenLinesStartWith;  // every line after the declaration
  };
  const std::vector<Case> cases = {
      {"quote, backslash, tab and a two-byte character", "<a t=\"\\\t\xC3\xA1",
       {R"({"kind":"tkStartTag","value":"a t=\"\\\tá","error":95,"clue":"\">",)",
        R"({"kind":"tkEndOfSource",)"}},
      {"undecodable byte behind the first character", "a\x80",
       {R"({"kind":"tkStartOfSource","value":"","error":59,"clue":"",)",
        R"({"kind":"tkText","value":"a","error":0,)", R"({"kind":"tkEndOfSource",)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TempFile file(c.Bytes);
    RunResult run = RunTokens(file.Path);
    EXPECT_EQ(run.ExitCode, 0);
    ASSERT_EQ(run.Lines.size(), c.TokenLinesStartWith.size() + 1);
    for (std::size_t i = 0; i < c.TokenLinesStartWith.size(); ++i)
      EXPECT_EQ(run.Lines[i + 1].substr(0, c.TokenLinesStartWith[i].size()),
                c.TokenLinesStartWith[i]);
  }
}

TEST(CliTokens, ExceptionsWhileOpeningExitWithOne) {
  TempFile unknown("<?xml version='1.0' encoding='no-such-thing'?><a/>");
  TempFile mismatch("\xEF\xBB\xBF<?xml version='1.0' encoding='windows-1250'?><a/>");
  TempFile badFirstByte("\x80<a/>");
  const std::string missing = unknown.Path + ".missing";
  struct Run {
    std::string Path;
    std::string Line;
  };
  const std::vector<Run> runs = {
      {unknown.Path, R"({"exception":"ENot_Supported_Err","message":"Encoding not supported error."})"},
      {mismatch.Path,
       R"({"exception":"EConvertError","message":"Declared encoding does not match byte order mark."})"},
      {badFirstByte.Path, R"({"exception":"EConvertError","message":"Invalid UTF-8 encoding"})"},
  };
  for (const auto& r : runs) {
    SCOPED_TRACE(r.Line);
    RunResult run = RunTokens(r.Path);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Lines, std::vector<std::string>{r.Line});
  }
  RunResult run = RunTokens(missing);
  EXPECT_EQ(run.ExitCode, 1);
  ASSERT_EQ(run.Lines.size(), 1u);
  auto line = nlohmann::json::parse(run.Lines[0]);
  EXPECT_EQ(line["exception"], "EFOpenError");
  EXPECT_NE(line["message"].get<std::string>().find(missing), std::string::npos);
}

TEST(CliTokens, ReadsAnOrderFile) {
  EarTagOrder order;
  order.InitOrder("SK");
  order.FarmNumber = "123456";
  order.Name = "\x8A" "imon \x9E\x9D" "ah";  // "Šimon žťah" in windows-1250
  TempFile file(OrderFileBytes(order));
  RunResult run = RunTokens(file.Path);
  EXPECT_EQ(run.ExitCode, 0);
  ASSERT_GE(run.Lines.size(), 3u);
  auto decl = nlohmann::json::parse(run.Lines[0])["declaration"];
  EXPECT_EQ(decl["kind"], 2);
  EXPECT_EQ(decl["malformed"], false);
  EXPECT_EQ(decl["encoding"], "windows-1250");
  EXPECT_EQ(decl["inputEncoding"], "windows-1250");

  bool nameSeen = false;
  std::int64_t lastLine = 0;
  int startTags = 0, endTags = 0;
  for (std::size_t i = 1; i < run.Lines.size(); ++i) {
    auto token = nlohmann::json::parse(run.Lines[i]);
    SCOPED_TRACE(run.Lines[i]);
    EXPECT_EQ(token["error"], 0);
    if (token["value"] == "\xC5\xA0imon \xC5\xBE\xC5\xA5" "ah") nameSeen = true;
    if (token["kind"] == "tkStartTag") ++startTags;
    if (token["kind"] == "tkEndTag") ++endTags;
    // Each line of the file is a line of its own for the tokenizer: the CR LF ends count.
    EXPECT_GE(token["start"]["line"].get<std::int64_t>(), lastLine);
    lastLine = token["start"]["line"].get<std::int64_t>();
  }
  EXPECT_TRUE(nameSeen);
  EXPECT_EQ(startTags, endTags);
  EXPECT_GT(startTags, 3);
  EXPECT_EQ(nlohmann::json::parse(run.Lines.back())["kind"], "tkEndOfSource");
  EXPECT_GT(lastLine, 5);
}
