#include "platform/ReplaceFile.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string FolderOf(const std::string& fileName) {
  const auto slash = fileName.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return fileName.substr(0, slash);
}

// Removes the temporary file unless the rename has taken it over.
struct TTempFile {
  std::string Name;
  int Handle = -1;
  bool Kept = false;
  ~TTempFile() {
    if (Handle >= 0) ::close(Handle);
    if (!Kept && !Name.empty()) ::unlink(Name.c_str());
  }
};

}  // namespace

void ReplaceFileContents(const std::string& fileName, const std::string& bytes) {
  const auto createError = [&fileName](int error) {
    return EFCreateError(
        Format("Cannot create file \"%s\". %s", {fileName, SysErrorMessage(error)}));
  };
  struct stat target{};
  const bool exists = ::stat(fileName.c_str(), &target) == 0;
  if (exists && !S_ISREG(target.st_mode)) {
    // Renaming over a folder, a device, a FIFO or a socket would put a file in its place.
    std::string reason;
    if (S_ISDIR(target.st_mode)) reason = SysErrorMessage(EISDIR);
    else if (S_ISCHR(target.st_mode) || S_ISBLK(target.st_mode)) reason = "Is a device, not a file";
    else if (S_ISFIFO(target.st_mode)) reason = "Is a FIFO (named pipe), not a file";
    else if (S_ISSOCK(target.st_mode)) reason = "Is a socket, not a file";
    else reason = "Is not a regular file";
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, reason}));
  }
  // A file the user may not write stays protected, as it would be when written in place.
  if (exists && ::access(fileName.c_str(), W_OK) != 0) throw createError(errno);

  // Writing through a symbolic link replaces the file it points to, not the link itself.
  std::string replaced = fileName;
  if (exists) {
    if (char* real = ::realpath(fileName.c_str(), nullptr)) {
      replaced = real;
      std::free(real);
    }
  }

  TTempFile temp;
  std::string pattern = FolderOf(replaced) + "/.earmark-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  temp.Handle = ::mkstemp(name.data());
  if (temp.Handle < 0) throw createError(errno);
  temp.Name = name.data();

  // A replaced file keeps its permissions; a new one gets what creating it would give.
  mode_t mode = 0;
  if (exists) {
    mode = target.st_mode & 07777;
    // Keeps the owner when the user may give the file away (root); otherwise it cannot change.
    if (::fchown(temp.Handle, target.st_uid, target.st_gid) != 0) mode &= 0777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(temp.Handle, mode);

  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(temp.Handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError("Stream write error");
    done += static_cast<std::size_t>(n);
  }
  const int handle = temp.Handle;
  temp.Handle = -1;
  const bool synced = ::fsync(handle) == 0 || errno == EINVAL || errno == EROFS;
  if (::close(handle) != 0 || !synced) throw EWriteError("Stream write error");

  if (::rename(temp.Name.c_str(), replaced.c_str()) != 0) throw createError(errno);
  temp.Kept = true;
}
