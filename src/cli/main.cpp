// earmark-cli: command-line access to the program's XML reading pipeline, for scripts and
// tests. `earmark-cli --help` lists the subcommands.
#include "cli/CliCommands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

std::vector<TCliCommand>& CliCommands() {
  static std::vector<TCliCommand> commands;
  return commands;
}

namespace {

void PrintHelp(std::FILE* out) {
  std::fprintf(out, "Usage: earmark-cli <subcommand> [options]\n\nSubcommands:\n");
  for (const TCliCommand& command : CliCommands())
    std::fprintf(out, "  %s %s\n      %s\n", command.Name, command.Usage, command.Summary);
  std::fprintf(out, "  --help\n      Show this list.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintHelp(stderr);
    return kExitUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    PrintHelp(stdout);
    return kExitOk;
  }
  for (const TCliCommand& command : CliCommands()) {
    if (name == command.Name) return command.Run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "earmark-cli: unknown subcommand \"%s\"; see earmark-cli --help\n", name.c_str());
  return kExitUsage;
}
