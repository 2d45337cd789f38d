// earmark-cli parse --external, run as a separate program on files written here.
#include "cli/CliTestSupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

namespace {

class CliParseExternal : public CliTest {};

TEST_F(CliParseExternal, ExternalEntitiesAreReadOnlyWithTheOption) {
  Write("e.xml", "<?xml encoding='UTF-8'?>from file");
  const auto doc = Write("doc.xml", "<!DOCTYPE r [<!ENTITY e SYSTEM 'e.xml'>]><r>&e;</r>");
  struct Row {
    std::string Options;
    nlohmann::json Children;  // of the entity reference
  };
  const Row rows[] = {
      {"--tree", nlohmann::json::array()},
      {"--tree --external", nlohmann::json::parse(
                                R"([{"type":3,"name":"#text","value":"from file","attributes":[],"children":[]}])")},
      {"--external --tree", nlohmann::json::parse(
                                R"([{"type":3,"name":"#text","value":"from file","attributes":[],"children":[]}])")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Options);
    const CliRun run = Cli("parse " + row.Options + " " + Quote(doc));
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const nlohmann::json out = nlohmann::json::parse(run.Out);
    EXPECT_EQ(out["errors"], nlohmann::json::array());
    const nlohmann::json& reference = out["tree"]["children"][1]["children"][0];
    EXPECT_EQ(reference["name"], "e");
    EXPECT_EQ(reference["children"], row.Children);
  }
  // A missing file is reported with the option, and not looked for without it.
  const auto missing = Write("missing.xml", "<!DOCTYPE r [<!ENTITY m SYSTEM 'none.xml'>]><r>&m;</r>");
  // A document named relative to the working folder finds its entity beside it, and its
  // address in the report is the absolute one.
  const CliRun relative = CliAs("cd '" + Dir.string() + "' && ", "parse --external --tree doc.xml");
  ASSERT_EQ(relative.Exit, 0) << relative.Out << relative.Err;
  EXPECT_EQ(nlohmann::json::parse(relative.Out)["tree"]["children"][1]["children"][0]["children"], rows[1].Children);
  const CliRun relativeMissing = CliAs("cd '" + Dir.string() + "' && ", "parse --external missing.xml");
  EXPECT_EQ(nlohmann::json::parse(relativeMissing.Out)["errors"][0]["uri"], "file://" + (Dir / "missing.xml").string());
  EXPECT_EQ(Cli("parse " + Quote(missing)).Exit, 0);
  const CliRun refused = Cli("parse --external " + Quote(missing));
  EXPECT_EQ(refused.Exit, 1);
  EXPECT_EQ(nlohmann::json::parse(refused.Out)["errors"][0]["name"], "EK_RESOURCE_NOT_RESOLVED");
  const std::pair<std::string, int> usage[] = {{"parse --external", 2},
                                               {"parse --external --external " + Quote(doc), 2}};
  for (const auto& [args, exit] : usage) EXPECT_EQ(Cli(args).Exit, exit) << args;
  EXPECT_NE(Cli("--help").Out.find("--external"), std::string::npos);
}

}  // namespace
