// earmark-cli write ORDER.json OUT.xml: builds an order from the JSON shape `order` prints and
// saves it with the program's order file writer, so scripts can make order files.
#include "cli/CliCommands.h"
#include "cli/OrderJson.h"

#include "app/OrderFileWriter.h"
#include "platform/Exceptions.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

int RunWrite(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].empty() || args[1].empty()) {
    std::fprintf(stderr, "usage: earmark-cli write ORDER.json OUT.xml\n");
    return kExitUsage;
  }
  std::ifstream in(args[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "earmark-cli write: cannot open \"%s\"\n", args[0].c_str());
    return kExitFailure;
  }
  try {
    const nlohmann::json json = nlohmann::json::parse(in);
    WriteOrderFile(args[1], OrderFromJson(json));
  } catch (const nlohmann::json::exception& e) {
    std::fprintf(stderr, "earmark-cli write: %s: %s\n", args[0].c_str(), e.what());
    return kExitFailure;
  } catch (const EOrderJsonError& e) {
    std::fprintf(stderr, "earmark-cli write: %s: %s\n", args[0].c_str(), e.what());
    return kExitFailure;
  } catch (const Exception& e) {
    std::fprintf(stderr, "earmark-cli write: %s\n", e.what());
    return kExitFailure;
  }
  return kExitOk;
}

const TCliCommandRegistration kRegistration({"write", "ORDER.json OUT.xml",
                                             "Write the order file of an order given as JSON.",
                                             &RunWrite});

}  // namespace
