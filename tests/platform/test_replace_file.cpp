// Replacing a file's content: targets that are no regular file are refused and left exactly
// as they were; a regular file is replaced whole with its permissions kept.
#include "platform/Exceptions.h"
#include "platform/ReplaceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

class ReplaceFile : public ::testing::Test {
protected:
  void SetUp() override {
    // Short, so that a socket path fits the 108 bytes of its address.
    Dir = fs::temp_directory_path() / ("earmark-replace-" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
  }
  void TearDown() override {
    if (Socket >= 0) ::close(Socket);
    fs::remove_all(Dir);
  }

  // Binds a listening-capable local socket at path; false when the system does not allow it.
  bool MakeSocket(const fs::path& path) {
    Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = path.string();
    if (Socket < 0 || name.size() >= sizeof address.sun_path) return false;
    name.copy(address.sun_path, name.size());
    return ::bind(Socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }

  std::size_t Entries(const fs::path& folder) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
  }

  fs::path Dir;
  int Socket = -1;
};

TEST_F(ReplaceFile, TargetsThatAreNoFileAreRefusedAndKept) {
  struct Case {
    const char* What;
    std::function<bool(const fs::path&)> Make;  // false: cannot be made here, skip
    fs::file_type Type;
    const char* Reason;
  };
  const Case cases[] = {
      {"empty folder", [](const fs::path& p) { return fs::create_directory(p); }, fs::file_type::directory,
       "Is a directory"},
      {"folder with a file",
       [](const fs::path& p) {
         fs::create_directory(p);
         std::ofstream(p / "inside.txt") << "kept";
         return true;
       },
       fs::file_type::directory, "Is a directory"},
      {"FIFO", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; }, fs::file_type::fifo,
       "Is a FIFO (named pipe), not a file"},
      {"socket", [this](const fs::path& p) { return MakeSocket(p); }, fs::file_type::socket,
       "Is a socket, not a file"},
      // A node with the numbers of the null device, made in the test's own folder.
      {"character device",
       [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; },
       fs::file_type::character, "Is a device, not a file"},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const fs::path target = Dir / ("target" + std::to_string(index++));
    if (!c.Make(target)) {
      std::cout << "[ SKIPPED  ] " << c.What << ": cannot be made here\n";
      continue;
    }
    // Directly and through a symbolic link, which is followed to what it names.
    const fs::path link = Dir / ("link" + std::to_string(index));
    fs::create_symlink(target.filename(), link);
    for (const fs::path& name : {target, link}) {
      try {
        ReplaceFileContents(name.string(), "new content");
        ADD_FAILURE() << "accepted " << name;
      } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message, "Cannot create file \"" + name.string() + "\". " + c.Reason);
      }
    }
    EXPECT_EQ(fs::symlink_status(target).type(), c.Type);
    EXPECT_TRUE(fs::is_symlink(link));
  }
  EXPECT_EQ(ReadAll(Dir / "target1" / "inside.txt"), "kept");
  // Nothing but the targets and their links: no temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(Dir)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.rfind("target", 0) == 0 || name.rfind("link", 0) == 0) << name;
  }
}

TEST_F(ReplaceFile, RegularFilesAreReplacedWithTheirPermissions) {
  struct Case {
    const char* What;
    bool Exists;
    fs::perms Perms;
  };
  const Case cases[] = {
      {"new file", false, fs::perms::none},
      {"private file", true, fs::perms::owner_read | fs::perms::owner_write},
      {"shared file", true, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const fs::path target = Dir / "file.bin";
    fs::remove(target);
    if (c.Exists) {
      std::ofstream(target, std::ios::binary) << std::string(10000, 'o');
      fs::permissions(target, c.Perms);
    }
    const std::string bytes("with\0zero", 9);
    ReplaceFileContents(target.string(), bytes);
    EXPECT_EQ(ReadAll(target), bytes);
    if (c.Exists) EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, c.Perms);
    EXPECT_EQ(Entries(Dir), 1u);
  }
}

}  // namespace
