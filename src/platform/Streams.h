// Byte streams with position, seek, read and write: the platform's stream classes that the
// order file writer, the input sources and the command-line tool read and write through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  virtual std::int64_t Size();

  // Read or write exactly count bytes, or raise "Stream read error" / "Stream write error".
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  void WriteString(const std::string& bytes) {
    WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
};

enum class TFileMode { fmOpenRead, fmCreate };

// A file opened for reading or created (truncated) for writing.
class TFileStream : public TStream {
public:
  // Raises EFOpenError "Cannot open file "%s". %s" or EFCreateError "Cannot create file "%s". %s".
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

  const std::string& FileName() const { return FileName_; }
  // Flushes to disk and closes; raises EWriteError when the data could not be stored.
  void Close();

private:
  std::string FileName_;
  int Handle_ = -1;
};

// A growable stream in memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : Data_(bytes.begin(), bytes.end()) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(Data_.size()); }

  const std::vector<char>& Data() const { return Data_; }
  std::string DataString() const { return std::string(Data_.begin(), Data_.end()); }

private:
  std::vector<char> Data_;
  std::int64_t Position_ = 0;
};
