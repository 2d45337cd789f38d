#include "platform/Streams.h"

#include "platform/Exceptions.h"
#include "platform/Format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::int64_t TStream::Size() {
  const std::int64_t here = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(here, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FileName_(fileName) {
  if (mode == TFileMode::fmOpenRead) {
    Handle_ = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (Handle_ < 0)
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, SysErrorMessage(errno)}));
    struct stat st{};
    if (::fstat(Handle_, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(Handle_);
      Handle_ = -1;
      throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, SysErrorMessage(EISDIR)}));
    }
  } else {
    Handle_ = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (Handle_ < 0)
      throw EFCreateError(
          Format("Cannot create file \"%s\". %s", {fileName, SysErrorMessage(errno)}));
  }
}

TFileStream::~TFileStream() {
  if (Handle_ >= 0) ::close(Handle_);
}

void TFileStream::Close() {
  if (Handle_ < 0) return;
  const int handle = Handle_;
  Handle_ = -1;
  const bool synced = ::fsync(handle) == 0 || errno == EINVAL || errno == EROFS;
  if (::close(handle) != 0 || !synced) throw EWriteError("Stream write error");
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  auto* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(Handle_, out + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(Handle_, in + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                         : SEEK_END;
  const off_t result = ::lseek(Handle_, static_cast<off_t>(offset), whence);
  return result < 0 ? -1 : static_cast<std::int64_t>(result);
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = Size();
  if (count <= 0 || Position_ >= size) return 0;
  const std::int64_t n = std::min(count, size - Position_);
  std::memcpy(buffer, Data_.data() + Position_, static_cast<std::size_t>(n));
  Position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  const auto end = static_cast<std::size_t>(Position_ + count);
  if (end > Data_.size()) Data_.resize(end);
  std::memcpy(Data_.data() + Position_, buffer, static_cast<std::size_t>(count));
  Position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == TSeekOrigin::soCurrent) base = Position_;
  if (origin == TSeekOrigin::soEnd) base = Size();
  Position_ = std::max<std::int64_t>(0, base + offset);
  return Position_;
}
