#pragma once
// Random-access files for the containers. Every container operation opens its file, works
// on it and closes it again; no handle stays open between user actions.
//
// Locks are advisory (flock): readers share, a writer excludes everyone else. A lock that
// is already held the other way makes the open fail at once instead of waiting, so the
// user sees "Cannot open file" rather than a frozen window.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/bytes.h"
#include "common/result.h"

namespace brindle {

class ByteFile {
 public:
  virtual ~ByteFile() = default;
  virtual std::int64_t Size() const = 0;
  // Reads up to n bytes at offset; returns how many were read (fewer at the end of the file,
  // 0 for an offset outside it).
  virtual std::size_t ReadAt(std::int64_t offset, void* dst, std::size_t n) = 0;
  // Writes all n bytes at offset, growing the file when needed. False on any failure.
  virtual bool WriteAt(std::int64_t offset, const void* src, std::size_t n) = 0;
  // Pushes written bytes to the disk.
  virtual bool Flush() = 0;
  // Cuts the file to size bytes (used to take back bytes appended by a failed write).
  virtual bool Truncate(std::int64_t size) = 0;
  // Modification time in nanoseconds since 1970; 0 when unknown.
  virtual std::int64_t ModifiedNs() const { return 0; }

  // n bytes at offset; bytes beyond the end of the file read as zero.
  Bytes ReadPadded(std::int64_t offset, std::size_t n);
};

enum class FileMode {
  kReadShared,      // read; other readers welcome, writers refused
  kWriteExclusive,  // read and write; nobody else
};

// Why an open failed: the system's reason, and whether it was another program's lock.
struct OpenFailure {
  std::string reason;
  bool inUse = false;
};

class PosixFile final : public ByteFile {
 public:
  // Null when the file cannot be opened or locked; *error then holds the system's reason.
  static std::unique_ptr<PosixFile> Open(const std::string& path, FileMode mode,
                                         std::string* error = nullptr);
  static std::unique_ptr<PosixFile> Open(const std::string& path, FileMode mode,
                                         OpenFailure* failure);
  // A new, empty file of its own in folder dir, named prefix + six random characters +
  // ".tmp", locked against everyone else; *path receives its name. Null on failure (*error:
  // the system's reason).
  static std::unique_ptr<PosixFile> CreateTemp(const std::string& dir, const std::string& prefix,
                                               std::string* path, std::string* error = nullptr);
  ~PosixFile() override;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::int64_t Size() const override;
  std::size_t ReadAt(std::int64_t offset, void* dst, std::size_t n) override;
  bool WriteAt(std::int64_t offset, const void* src, std::size_t n) override;
  bool Flush() override;
  bool Truncate(std::int64_t size) override;
  std::int64_t ModifiedNs() const override;

 private:
  explicit PosixFile(int fd) : fd_(fd) {}
  int fd_;
};

// A file held in memory: for tests, fuzzing and fault injection.
class MemoryFile : public ByteFile {
 public:
  MemoryFile() = default;
  explicit MemoryFile(Bytes bytes) : bytes_(std::move(bytes)) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::size_t ReadAt(std::int64_t offset, void* dst, std::size_t n) override;
  bool WriteAt(std::int64_t offset, const void* src, std::size_t n) override;
  bool Flush() override { return true; }
  bool Truncate(std::int64_t size) override;
  // Every change moves the time on by one, as a write moves a file's time stamp.
  std::int64_t ModifiedNs() const override { return modified_; }
  const Bytes& bytes() const { return bytes_; }

 protected:
  Bytes bytes_;
  std::int64_t modified_ = 1;
};

// Status of a file on disk without opening it for reading: size and modification time.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;
};
bool StatFile(const std::string& path, FileStamp* stamp);

// Renames from over to in one step (both in one folder: the old file or the new one, never
// neither), then pushes the folder's change to the disk. False with *error on failure.
bool ReplaceFile(const std::string& from, const std::string& to, std::string* error = nullptr);

// The whole file; an error's message is the system's reason (kCannotOpen).
Result<Bytes> ReadWholeFile(const std::string& path);
// Creates or replaces the file; an error's message is the system's reason (kWriteFailed).
Status WriteWholeFile(const std::string& path, ByteView bytes);

// The file name without its folder.
std::string BaseName(const std::string& path);

}  // namespace brindle
