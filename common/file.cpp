#include "common/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace brindle {

Bytes ByteFile::ReadPadded(std::int64_t offset, std::size_t n) {
  Bytes out(n, 0);
  // A range that starts before the file keeps zeros for the part outside it.
  std::int64_t skip =
      offset < 0 ? std::min<std::int64_t>(-offset, static_cast<std::int64_t>(n)) : 0;
  if (static_cast<std::size_t>(skip) < n) {
    ReadAt(offset + skip, out.data() + skip, n - static_cast<std::size_t>(skip));
  }
  return out;
}

std::unique_ptr<PosixFile> PosixFile::Open(const std::string& path, FileMode mode,
                                           std::string* error) {
  OpenFailure failure;
  auto file = Open(path, mode, &failure);
  if (!file && error) *error = failure.reason;
  return file;
}

std::unique_ptr<PosixFile> PosixFile::Open(const std::string& path, FileMode mode,
                                           OpenFailure* failure) {
  int flags = (mode == FileMode::kReadShared ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    if (failure) failure->reason = std::strerror(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (failure) failure->reason = "not a regular file";
    ::close(fd);
    return nullptr;
  }
  int lock = (mode == FileMode::kReadShared ? LOCK_SH : LOCK_EX) | LOCK_NB;
  if (::flock(fd, lock) != 0) {
    if (failure) {
      failure->reason = "the file is in use by another program";
      failure->inUse = errno == EWOULDBLOCK;
    }
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<PosixFile>(new PosixFile(fd));
}

std::unique_ptr<PosixFile> PosixFile::CreateTemp(const std::string& dir, const std::string& prefix,
                                                 std::string* path, std::string* error) {
  std::string name = dir + "/" + prefix + "XXXXXX.tmp";
  const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  ::flock(fd, LOCK_EX | LOCK_NB);
  if (path) *path = name;
  return std::unique_ptr<PosixFile>(new PosixFile(fd));
}

PosixFile::~PosixFile() {
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

std::int64_t PosixFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_size);
}

std::int64_t PosixFile::ModifiedNs() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::size_t PosixFile::ReadAt(std::int64_t offset, void* dst, std::size_t n) {
  if (offset < 0) return 0;
  std::size_t done = 0;
  auto* out = static_cast<std::uint8_t*>(dst);
  while (done < n) {
    ssize_t r = ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    done += static_cast<std::size_t>(r);
  }
  return done;
}

bool PosixFile::WriteAt(std::int64_t offset, const void* src, std::size_t n) {
  if (offset < 0) return false;
  std::size_t done = 0;
  const auto* in = static_cast<const std::uint8_t*>(src);
  while (done < n) {
    ssize_t r = ::pwrite(fd_, in + done, n - done, static_cast<off_t>(offset + done));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    done += static_cast<std::size_t>(r);
  }
  return true;
}

bool PosixFile::Flush() {
  return ::fdatasync(fd_) == 0;
}

bool PosixFile::Truncate(std::int64_t size) {
  return size >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool MemoryFile::Truncate(std::int64_t size) {
  if (size < 0) return false;
  bytes_.resize(static_cast<std::size_t>(size), 0);
  ++modified_;
  return true;
}

std::size_t MemoryFile::ReadAt(std::int64_t offset, void* dst, std::size_t n) {
  if (offset < 0 || offset >= Size()) return 0;
  std::size_t avail = bytes_.size() - static_cast<std::size_t>(offset);
  std::size_t count = std::min(n, avail);
  std::memcpy(dst, bytes_.data() + offset, count);
  return count;
}

bool MemoryFile::WriteAt(std::int64_t offset, const void* src, std::size_t n) {
  if (offset < 0) return false;
  auto end = static_cast<std::size_t>(offset) + n;
  if (end > bytes_.size()) bytes_.resize(end, 0);
  if (n > 0) std::memcpy(bytes_.data() + offset, src, n);
  ++modified_;
  return true;
}

bool StatFile(const std::string& path, FileStamp* stamp) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp->size = static_cast<std::int64_t>(st.st_size);
  stamp->modifiedNs =
      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

Result<Bytes> ReadWholeFile(const std::string& path) {
  std::string why;
  auto f = PosixFile::Open(path, FileMode::kReadShared, &why);
  if (!f) return Fail(why, ErrorKind::kCannotOpen);
  std::int64_t size = f->Size();
  if (size > std::numeric_limits<std::int32_t>::max())
    return Fail("the file is too large", ErrorKind::kCannotOpen);
  Bytes out(static_cast<std::size_t>(size), 0);
  out.resize(f->ReadAt(0, out.data(), out.size()));
  return out;
}

Status WriteWholeFile(const std::string& path, ByteView bytes) {
  auto failed = [] { return Fail(std::strerror(errno), ErrorKind::kWriteFailed); };
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return failed();
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      const Error e = r < 0 ? failed() : Fail("nothing could be written", ErrorKind::kWriteFailed);
      ::close(fd);
      return e;
    }
    done += static_cast<std::size_t>(r);
  }
  if (::close(fd) != 0) return failed();
  return Ok();
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReplaceFile(const std::string& from, const std::string& to, std::string* error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  const std::size_t slash = to.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : to.substr(0, slash);
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

}  // namespace brindle
