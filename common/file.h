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
#include <optional>
#include <string>

#include "common/bytes.h"
#include "common/io_faults.h"
#include "common/result.h"

namespace brindle {

class ByteFile {
 public:
  virtual ~ByteFile() = default;
  virtual std::int64_t Size() const = 0;
  // Reads up to n bytes at offset: how many were read (fewer only where the file ends, 0 for
  // an offset outside it), or the reason the read failed. A failure is also remembered for
  // TakeReadFailure.
  Result<std::size_t> ReadAt(std::int64_t offset, void* dst, std::size_t n);
  // Exactly n bytes at offset: a failed read, or a file that ends before them, is an error.
  Status ReadExact(std::int64_t offset, void* dst, std::size_t n);
  Result<Bytes> ReadBytes(std::int64_t offset, std::size_t n);
  // n bytes at offset; the part outside the file (as Size() gives it) reads as zero, but a
  // read that fails, or comes back short, inside the file is an error.
  Result<Bytes> ReadPadded(std::int64_t offset, std::size_t n);
  // For decoders that look at a damaged entry's bytes as far as they go: as ReadPadded, but a
  // failed read leaves its part zero and is kept for TakeReadFailure. Whoever hands on what
  // such a decoder made checks TakeReadFailure first.
  Bytes ReadForDecoding(std::int64_t offset, std::size_t n);
  // The first read that failed since the last call, and forgets it.
  Status TakeReadFailure();

  // Writes all n bytes at offset, growing the file when needed. Errors of writes, flushes and
  // truncations carry the system's reason alone ("No space left on device").
  virtual Status WriteAt(std::int64_t offset, const void* src, std::size_t n) = 0;
  // Pushes written bytes to the disk.
  virtual Status Flush() = 0;
  // Lets the disk start on the bytes written so far in [offset, offset + n) while more are
  // written, so the Flush that follows has less to wait for. Only a hint: Flush still
  // decides whether they reached the disk.
  virtual void StartWriteback(std::int64_t /*offset*/, std::int64_t /*n*/) {}
  // Cuts the file to size bytes (used to take back bytes appended by a failed write).
  virtual Status Truncate(std::int64_t size) = 0;
  // Copies n bytes at offset into `to` at toAt without passing them through this process,
  // where both files allow it: true when copied, false when nothing was copied and the
  // caller copies them itself. A failed read or write, or a file that ends before the
  // bytes, is an error as it is for ReadExact and WriteAt.
  virtual Result<bool> CopyTo(std::int64_t /*offset*/, ByteFile& /*to*/, std::int64_t /*toAt*/,
                              std::size_t /*n*/) {
    return false;
  }
  // Modification time in nanoseconds since 1970; 0 when unknown.
  virtual std::int64_t ModifiedNs() const { return 0; }
  // The device and inode the handle reads, to tell whether a path still names this file;
  // zeros when unknown.
  virtual std::uint64_t Device() const { return 0; }
  virtual std::uint64_t Inode() const { return 0; }
  // The name the messages use.
  virtual std::string Name() const { return "the file"; }

 protected:
  // The read itself: the count (short only at the end of the file) or the reason it failed.
  virtual Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) = 0;

 private:
  std::optional<Error> readFailure_;
};

// "Cannot read file PATH: REASON", for every read that fails.
Error ReadFailure(const std::string& path, const std::string& reason);

enum class FileMode {
  kReadShared,      // read; other readers welcome, writers refused
  kWriteExclusive,  // read and write; nobody else
};

class PosixFile final : public ByteFile {
 public:
  // Opens and locks the file. The error is what the user is told: "PATH is not a regular
  // file" (kCannotOpen), "File PATH is in use by another program." (kInUse; another
  // program's lock), "Cannot open file PATH for writing: REASON" or, for reading, "Cannot
  // open file PATH" (kCannotOpen). Its cause is the reason alone ("No such file or
  // directory", "the file is in use by another program", "not a regular file").
  static Result<std::unique_ptr<PosixFile>> Open(const std::string& path, FileMode mode);
  // A new, empty file of its own in folder dir, named prefix + six random characters +
  // ".tmp" (its Name()), locked against everyone else. The error is the system's reason
  // (kWriteFailed).
  static Result<std::unique_ptr<PosixFile>> CreateTemp(const std::string& dir,
                                                       const std::string& prefix);
  ~PosixFile() override;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::int64_t Size() const override;
  Status WriteAt(std::int64_t offset, const void* src, std::size_t n) override;
  Status Flush() override;
  void StartWriteback(std::int64_t offset, std::int64_t n) override;
  Status Truncate(std::int64_t size) override;
  // Between two files on disk the system copies the bytes itself.
  Result<bool> CopyTo(std::int64_t offset, ByteFile& to, std::int64_t toAt, std::size_t n) override;
  std::int64_t ModifiedNs() const override;
  std::uint64_t Device() const override;
  std::uint64_t Inode() const override;
  std::string Name() const override { return path_; }
  // The owner and group of the file; false when they cannot be read.
  bool Owner(std::uint32_t* uid, std::uint32_t* gid) const;
  // Gives the file this owner and group. The system's reason on failure.
  Status SetOwner(std::uint32_t uid, std::uint32_t gid);
  // Sets the permission bits.
  Status SetMode(std::uint32_t mode);

 protected:
  Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) override;

 private:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  Error Failed() const;  // the system's reason for the last call, as a write error
  int fd_;
  std::string path_;
  mutable std::int64_t lastSize_ = 0;
};

// A file held in memory: for tests, fuzzing and fault injection.
class MemoryFile : public ByteFile {
 public:
  MemoryFile() = default;
  explicit MemoryFile(Bytes bytes) : bytes_(std::move(bytes)) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  Status WriteAt(std::int64_t offset, const void* src, std::size_t n) override;
  Status Flush() override { return Ok(); }
  Status Truncate(std::int64_t size) override;
  // Every change moves the time on by one, as a write moves a file's time stamp.
  std::int64_t ModifiedNs() const override { return modified_; }
  const Bytes& bytes() const { return bytes_; }

 protected:
  Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) override;
  Bytes bytes_;
  std::int64_t modified_ = 1;
};

// A file on disk as stat sees it: size, modification time, and which file it is.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t links = 1;
};
// The regular file path names. The error is what the user is told (kCannotOpen): "PATH is not
// a regular file" when it names something else, else "Cannot open file PATH" with the
// system's reason as its cause ("No such file or directory").
Result<FileStamp> StatFile(const std::string& path);
// The same for callers that only ask whether the file is there: nothing when it is not.
std::optional<FileStamp> StatPath(const std::string& path);
// True when both stamps describe the same file in the same state.
bool SameFileUnchanged(const FileStamp& a, const FileStamp& b);
// The stamp of an open file.
FileStamp StampOf(const ByteFile& file);

// Renames from over to in one step (both in one folder: the old file or the new one, never
// neither), then pushes the folder's change to the disk. A rename that fails is kWriteFailed
// (nothing changed); a folder that cannot be pushed after the rename is kUnverified (the new
// file is in place but may not survive a power loss).
Status ReplaceFile(const std::string& from, const std::string& to);
// As ReplaceFile, but never over an existing file: when to exists (made meanwhile by another
// program) the error is kChanged and from stays where it is.
Status PlaceNewFile(const std::string& from, const std::string& to);

// The permission bits a file made now gets (0666 less the umask).
std::uint32_t NewFileMode();

// The whole file. An error is complete for the user: one of PosixFile::Open's, or "Cannot
// read file PATH: REASON" (kReadFailed) when a read fails or the file ends early.
Result<Bytes> ReadWholeFile(const std::string& path);
// Creates or replaces the file with these bytes in one step: they are written to a new file
// beside it that is then renamed over it, so a failed write leaves what was there. A link
// stays a link (its target is replaced) and a file keeps its permissions. The bytes are
// pushed to the disk before the rename, unless pushToDisk is false (many files that can be
// made again, such as an export's). An error's message is the system's reason (kWriteFailed).
Status WriteWholeFile(const std::string& path, ByteView bytes, bool pushToDisk = true);

// The file a symbolic link names (all links resolved); path itself when it is no link or the
// link leads nowhere.
std::string LinkTarget(const std::string& path);

// The file name without its folder.
std::string BaseName(const std::string& path);

}  // namespace brindle
