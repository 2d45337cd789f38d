// earmark-cli order FILE: opens FILE as "Otvoriť..." does, into a model fresh from start-up,
// and prints the order as JSON (or the program's message when the file is refused, with
// where the file is broken as "detail").
#include "cli/CliCommands.h"
#include "cli/OrderJson.h"

#include "app/OrderOpener.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunOrder(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fprintf(stderr, "usage: earmark-cli order FILE\n");
    return kExitUsage;
  }
  EarTagOrder order;
  std::string detail;
  TOrderOpener opener;
  if (const TOpenOrderResult result = opener.Open(args[0], order, detail); result != TOpenOrderResult::Opened) {
    nlohmann::ordered_json error{{"error", OpenOrderMessage(result)}};
    if (!detail.empty()) error["detail"] = detail;
    std::printf("%s\n", error.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    return kExitFailure;
  }
  std::printf("%s\n", OrderToJson(order).dump().c_str());
  return kExitOk;
}

const TCliCommandRegistration kRegistration({"order", "FILE",
                                             "Open the order file FILE and print the order as JSON.", &RunOrder});

}  // namespace
