// Runs the built earmark-cli as a separate program on files the test writes into a private
// folder, and hands back its exit code, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct CliRun {
  int Exit;
  std::string Out;
  std::string Err;
};

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class CliTest : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = std::filesystem::temp_directory_path() /
          ("earmark-cli-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::filesystem::path Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = Dir / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  CliRun Cli(const std::string& args) { return CliAs("", args); }

  // Runs the tool behind a command prefix (another user, for instance); the output files are
  // still opened by the test's own shell.
  CliRun CliAs(const std::string& prefix, const std::string& args) {
    const std::string command = prefix + "'" + EARMARK_CLI_PATH + "' " + args + " >'" +
                                (Dir / "out").string() + "' 2>'" + (Dir / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(Dir / "out"), Slurp(Dir / "err")};
  }

  static std::string Quote(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

  std::filesystem::path Dir;
};
