// The subcommands of earmark-cli. Each subcommand lives in its own source file and enters
// itself in the table at start-up, so adding one needs no edit elsewhere.
#pragma once

#include <string>
#include <vector>

struct TCliCommand {
  const char* Name;
  const char* Usage;    // arguments after the name, for --help
  const char* Summary;  // one line for --help
  int (*Run)(const std::vector<std::string>& args);  // args after the subcommand name
};

// The table of subcommands, in the order they were registered.
std::vector<TCliCommand>& CliCommands();

struct TCliCommandRegistration {
  explicit TCliCommandRegistration(const TCliCommand& command) { CliCommands().push_back(command); }
};

// Exit codes shared by the subcommands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
