#include "common/file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

namespace brindle {

namespace {

IoFaultHook& Hook() {
  static IoFaultHook hook;
  return hook;
}

// Runs the fault hook for a call; true (with errno set) when the call is to fail.
bool Injected(IoCall call) {
  const int fault = IoFault(call);
  if (fault > 0) errno = fault;
  return fault > 0;
}

std::string Reason(int error) {
  return std::strerror(error);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Pushes a folder's entries (a rename, a new name) to the disk.
Status FlushFolder(const std::string& dir) {
  if (Injected(IoCall::kFlushFolder)) return Fail(Reason(errno), ErrorKind::kUnverified);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(Reason(errno), ErrorKind::kUnverified);
  const int rc = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  // Some file systems cannot sync a folder at all; that is no failure of ours.
  if (rc != 0 && error != EINVAL && error != ENOTSUP)
    return Fail(Reason(error), ErrorKind::kUnverified);
  return Ok();
}

Error NotSynced(const std::string& to, const Error& e) {
  return Fail("The new " + to + " is in place, but its folder could not be pushed to the disk (" +
                  e.message + "): it may not survive a power loss.",
              ErrorKind::kUnverified);
}

// The errors of a file that cannot be opened: the message the user sees, the reason alone as
// its cause.
Error CannotOpen(const std::string& path, FileMode mode, const std::string& reason) {
  Error e = Fail(mode == FileMode::kWriteExclusive
                     ? "Cannot open file " + path + " for writing: " + reason
                     : "Cannot open file " + path,
                 ErrorKind::kCannotOpen);
  e.cause = reason;
  return e;
}

Error NotRegular(const std::string& path) {
  Error e = Fail(path + " is not a regular file", ErrorKind::kCannotOpen);
  e.cause = "not a regular file";
  return e;
}

}  // namespace

void SetIoFaultHook(IoFaultHook hook) {
  Hook() = std::move(hook);
}

int IoFault(IoCall call) {
  const IoFaultHook& hook = Hook();
  return hook ? hook(call) : 0;
}

Error ReadFailure(const std::string& path, const std::string& reason) {
  return Fail("Cannot read file " + path + ": " + reason, ErrorKind::kReadFailed);
}

Result<std::size_t> ByteFile::ReadAt(std::int64_t offset, void* dst, std::size_t n) {
  Result<std::size_t> r = DoRead(offset, dst, n);
  if (!r && !readFailure_) readFailure_ = r.error();
  return r;
}

Status ByteFile::ReadExact(std::int64_t offset, void* dst, std::size_t n) {
  Result<std::size_t> r = ReadAt(offset, dst, n);
  if (!r) return r.error();
  if (*r != n) {
    const Error e = ReadFailure(Name(), "the file ends before the bytes it should hold");
    if (!readFailure_) readFailure_ = e;
    return e;
  }
  return Ok();
}

Result<Bytes> ByteFile::ReadBytes(std::int64_t offset, std::size_t n) {
  Bytes out(n, 0);
  if (Status s = ReadExact(offset, out.data(), n); !s) return s.error();
  return out;
}

Result<Bytes> ByteFile::ReadPadded(std::int64_t offset, std::size_t n) {
  Bytes out(n, 0);
  // Only the part that lies inside the file is read; the rest stays zero.
  const std::int64_t size = Size();
  const std::int64_t from = std::max<std::int64_t>(offset, 0);
  const std::int64_t to = std::min<std::int64_t>(offset + static_cast<std::int64_t>(n), size);
  if (from < to) {
    Status s = ReadExact(from, out.data() + (from - offset), static_cast<std::size_t>(to - from));
    if (!s) return s.error();
  }
  return out;
}

Bytes ByteFile::ReadForDecoding(std::int64_t offset, std::size_t n) {
  Result<Bytes> r = ReadPadded(offset, n);
  return r ? std::move(*r) : Bytes(n, 0);
}

Status ByteFile::TakeReadFailure() {
  if (!readFailure_) return Ok();
  Error e = std::move(*readFailure_);
  readFailure_.reset();
  return e;
}

Result<std::unique_ptr<PosixFile>> PosixFile::Open(const std::string& path, FileMode mode) {
  // Not blocking, so a pipe or a device given as a file is refused instead of waited on.
  int flags = (mode == FileMode::kReadShared ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
  int fd = Injected(IoCall::kOpen) ? -1 : ::open(path.c_str(), flags);
  if (fd < 0) return CannotOpen(path, mode, Reason(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return CannotOpen(path, mode, Reason(error));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return NotRegular(path);
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  const std::int64_t size = static_cast<std::int64_t>(st.st_size);
  int lock = (mode == FileMode::kReadShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  if (::flock(fd, lock) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) {
      Error e = Fail("File " + path + " is in use by another program.", ErrorKind::kInUse);
      e.cause = "the file is in use by another program";
      return e;
    }
    return CannotOpen(path, mode, Reason(error));
  }
  auto file = std::unique_ptr<PosixFile>(new PosixFile(fd, path));
  file->lastSize_ = size;
  return file;
}

Result<std::unique_ptr<PosixFile>> PosixFile::CreateTemp(const std::string& dir,
                                                         const std::string& prefix) {
  std::string name = dir + "/" + prefix + "XXXXXX.tmp";
  const int fd = Injected(IoCall::kOpen) ? -1 : ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd < 0) return Fail(Reason(errno), ErrorKind::kWriteFailed);
  ::flock(fd, LOCK_EX | LOCK_NB);
  return std::unique_ptr<PosixFile>(new PosixFile(fd, name));
}

PosixFile::~PosixFile() {
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

Error PosixFile::Failed() const {
  return Fail(Reason(errno), ErrorKind::kWriteFailed);
}

std::int64_t PosixFile::Size() const {
  struct stat st {};
  // Should the system fail to say (it does not, for a file held open), the size last seen
  // stands: never 0, which would read as a file that lost everything.
  if (::fstat(fd_, &st) == 0) lastSize_ = static_cast<std::int64_t>(st.st_size);
  return lastSize_;
}

std::int64_t PosixFile::ModifiedNs() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::uint64_t PosixFile::Device() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_dev) : 0;
}

std::uint64_t PosixFile::Inode() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 ? static_cast<std::uint64_t>(st.st_ino) : 0;
}

bool PosixFile::Owner(std::uint32_t* uid, std::uint32_t* gid) const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return false;
  *uid = st.st_uid;
  *gid = st.st_gid;
  return true;
}

Status PosixFile::SetOwner(std::uint32_t uid, std::uint32_t gid) {
  if (Injected(IoCall::kOwner) || ::fchown(fd_, uid, gid) != 0)
    return Fail(Reason(errno), ErrorKind::kWriteFailed);
  return Ok();
}

Status PosixFile::SetMode(std::uint32_t mode) {
  struct stat st {};
  // Some file systems (FAT) refuse any change of mode: leave one that is right alone.
  if (::fstat(fd_, &st) == 0 && (st.st_mode & 07777) == mode) return Ok();
  if (Injected(IoCall::kOwner) || ::fchmod(fd_, static_cast<mode_t>(mode)) != 0)
    return Fail(Reason(errno), ErrorKind::kWriteFailed);
  return Ok();
}

Result<std::size_t> PosixFile::DoRead(std::int64_t offset, void* dst, std::size_t n) {
  if (offset < 0) return std::size_t{0};
  std::size_t done = 0;
  auto* out = static_cast<std::uint8_t*>(dst);
  while (done < n) {
    const int fault = IoFault(IoCall::kRead);
    if (fault == kShortRead) {
      // As a file cut meanwhile would: the first half arrives, then the end.
      const ssize_t r = ::pread(fd_, out + done, (n - done) / 2, static_cast<off_t>(offset + done));
      return done + (r > 0 ? static_cast<std::size_t>(r) : 0);
    }
    errno = fault;
    ssize_t r =
        fault > 0 ? -1 : ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return ReadFailure(path_, Reason(errno));
    if (r == 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

Status PosixFile::WriteAt(std::int64_t offset, const void* src, std::size_t n) {
  if (offset < 0) return Fail("a negative offset", ErrorKind::kWriteFailed);
  std::size_t done = 0;
  const auto* in = static_cast<const std::uint8_t*>(src);
  while (done < n) {
    ssize_t r = Injected(IoCall::kWrite)
                    ? -1
                    : ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return Failed();
    if (r == 0) {
      errno = ENOSPC;
      return Failed();
    }
    done += static_cast<std::size_t>(r);
  }
  return Ok();
}

Result<bool> PosixFile::CopyTo(std::int64_t offset, ByteFile& to, std::int64_t toAt,
                               std::size_t n) {
  auto* out = dynamic_cast<PosixFile*>(&to);
  if (!out || offset < 0 || toAt < 0) return false;
  auto in = static_cast<off_t>(offset);
  auto at = static_cast<off_t>(toAt);
  std::size_t done = 0;
  while (done < n) {
    // The same faults a read and a write can meet, so tests reach this way too.
    const int fault = IoFault(IoCall::kRead);
    if (fault == kShortRead)
      return ReadFailure(path_, "the file ends before the bytes it should hold");
    if (fault > 0) return ReadFailure(path_, Reason(fault));
    if (Injected(IoCall::kWrite)) return out->Failed();
    const ssize_t r = ::copy_file_range(fd_, &in, out->fd_, &at, n - done, 0);
    if (r < 0 && errno == EINTR) continue;
    // File systems (or kernels) that cannot copy between these two files: the caller copies.
    if (r < 0 && done == 0 &&
        (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
         errno == EBADF))
      return false;
    if (r < 0 && (errno == ENOSPC || errno == EFBIG || errno == EDQUOT)) return out->Failed();
    if (r < 0) return ReadFailure(path_, Reason(errno));
    if (r == 0) return ReadFailure(path_, "the file ends before the bytes it should hold");
    done += static_cast<std::size_t>(r);
  }
  return true;
}

void PosixFile::StartWriteback(std::int64_t offset, std::int64_t n) {
  if (offset >= 0 && n > 0)
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(n),
                      SYNC_FILE_RANGE_WRITE);
}

Status PosixFile::Flush() {
  if (Injected(IoCall::kFlush) || ::fdatasync(fd_) != 0) return Failed();
  return Ok();
}

Status PosixFile::Truncate(std::int64_t size) {
  if (size < 0) return Fail("a negative size", ErrorKind::kWriteFailed);
  if (Injected(IoCall::kTruncate) || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    return Failed();
  return Ok();
}

Status MemoryFile::Truncate(std::int64_t size) {
  if (size < 0) return Fail("a negative size");
  bytes_.resize(static_cast<std::size_t>(size), 0);
  ++modified_;
  return Ok();
}

Result<std::size_t> MemoryFile::DoRead(std::int64_t offset, void* dst, std::size_t n) {
  if (n == 0 || offset < 0 || offset >= Size()) return std::size_t{0};
  std::size_t avail = bytes_.size() - static_cast<std::size_t>(offset);
  std::size_t count = std::min(n, avail);
  std::memcpy(dst, bytes_.data() + offset, count);
  return count;
}

Status MemoryFile::WriteAt(std::int64_t offset, const void* src, std::size_t n) {
  if (offset < 0) return Fail("a negative offset");
  auto end = static_cast<std::size_t>(offset) + n;
  if (end > bytes_.size()) bytes_.resize(end, 0);
  if (n > 0) std::memcpy(bytes_.data() + offset, src, n);
  ++modified_;
  return Ok();
}

Result<FileStamp> StatFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return CannotOpen(path, FileMode::kReadShared, Reason(errno));
  if (!S_ISREG(st.st_mode)) return NotRegular(path);
  FileStamp stamp;
  stamp.size = static_cast<std::int64_t>(st.st_size);
  stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp.device = static_cast<std::uint64_t>(st.st_dev);
  stamp.inode = static_cast<std::uint64_t>(st.st_ino);
  stamp.links = static_cast<std::uint64_t>(st.st_nlink);
  return stamp;
}

std::optional<FileStamp> StatPath(const std::string& path) {
  Result<FileStamp> stamp = StatFile(path);
  if (!stamp) return std::nullopt;
  return *stamp;
}

bool SameFileUnchanged(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.modifiedNs == b.modifiedNs && a.device == b.device &&
         a.inode == b.inode;
}

FileStamp StampOf(const ByteFile& file) {
  FileStamp s;
  s.size = file.Size();
  s.modifiedNs = file.ModifiedNs();
  s.device = file.Device();
  s.inode = file.Inode();
  return s;
}

std::uint32_t NewFileMode() {
  // The umask can only be read by setting it; /proc tells it without that race.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) return 0666u & ~std::stoul(line.substr(6), nullptr, 8);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666u & ~static_cast<std::uint32_t>(mask);
}

Result<Bytes> ReadWholeFile(const std::string& path) {
  Result<std::unique_ptr<PosixFile>> f = PosixFile::Open(path, FileMode::kReadShared);
  if (!f) return f.error();
  std::int64_t size = (*f)->Size();
  if (size > std::numeric_limits<std::int32_t>::max())
    return Fail("File " + path + " is too large (2 GB at most).", ErrorKind::kCannotOpen);
  Bytes out(static_cast<std::size_t>(size), 0);
  if (Status s = (*f)->ReadExact(0, out.data(), out.size()); !s) return s.error();
  return out;
}

std::string LinkTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

Status WriteWholeFile(const std::string& path, ByteView bytes, bool pushToDisk) {
  // A link stays a link: the file it names is the one replaced. A file that is there keeps
  // its permissions.
  const std::string target = LinkTarget(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  // A pipe or a device named as the file is not replaced by one.
  if (exists && !S_ISREG(old.st_mode)) return Fail("not a regular file", ErrorKind::kWriteFailed);
  const std::string dir = FolderOf(target);
  // A name of its own beside the file; a very long name gets a short one instead, so the
  // temporary name still fits the folder's limit.
  std::string prefix(1, '.');
  const std::string base = BaseName(target);
  prefix += base.size() > 200 ? std::string("brindle") : base;
  prefix += '.';
  Result<std::unique_ptr<PosixFile>> made = PosixFile::CreateTemp(dir, prefix);
  if (!made) return made.error();
  std::unique_ptr<PosixFile> file = std::move(*made);
  const std::string temp = file->Name();
  Status s = file->WriteAt(0, bytes.data(), bytes.size());
  if (s) s = file->SetMode(exists ? old.st_mode & 07777 : NewFileMode());
  // On the disk before it takes the name, so a crash leaves the old file or the new one.
  if (s && pushToDisk) s = file->Flush();
  if (s && (Injected(IoCall::kRename) || ::rename(temp.c_str(), target.c_str()) != 0))
    s = Fail(Reason(errno), ErrorKind::kWriteFailed);
  file.reset();
  if (!s) {
    ::unlink(temp.c_str());
    return Fail(s.message(), ErrorKind::kWriteFailed);
  }
  if (pushToDisk) (void)FlushFolder(dir);
  return Ok();
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Status ReplaceFile(const std::string& from, const std::string& to) {
  if (Injected(IoCall::kRename) || ::rename(from.c_str(), to.c_str()) != 0)
    return Fail(Reason(errno), ErrorKind::kWriteFailed);
  if (Status s = FlushFolder(FolderOf(to)); !s) return NotSynced(to, s.error());
  return Ok();
}

Status PlaceNewFile(const std::string& from, const std::string& to) {
  int rc = Injected(IoCall::kRename)
               ? -1
               : ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without the one-step form: a second name that cannot replace anything,
    // then the first name goes.
    rc = Injected(IoCall::kLink) ? -1 : ::link(from.c_str(), to.c_str());
    if (rc == 0) ::unlink(from.c_str());
  }
  if (rc != 0) {
    if (errno == EEXIST)
      return Fail("File " + to + " was made by another program meanwhile; it was left as it is.",
                  ErrorKind::kChanged);
    return Fail(Reason(errno), ErrorKind::kWriteFailed);
  }
  if (Status s = FlushFolder(FolderOf(to)); !s) return NotSynced(to, s.error());
  return Ok();
}

}  // namespace brindle
