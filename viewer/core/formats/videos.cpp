#include "viewer/core/formats/videos.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <optional>

#include "common/file.h"

namespace brindle {

std::string MovieSizeText(const TResourceInfo& entry) {
  return "Movie Size: " + std::to_string(entry.Size) + " bytes";
}

Status CopyMovie(const std::string& containerPath, const TResourceInfo& entry,
                 const std::string& dest, const std::function<void(int, int)>& progress) {
  constexpr int kBlock = 4000;
  auto cannot = [&](const std::string& why) {
    return Fail("Cannot write file " + dest + ": " + why, ErrorKind::kWriteFailed);
  };
  std::string why;
  auto in = PosixFile::Open(containerPath, FileMode::kReadShared, &why);
  if (!in) return cannot(why);
  int fd = ::open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return cannot(std::strerror(errno));
  const std::int64_t size = entry.Size > 0 ? entry.Size : 0;
  const int blocks = static_cast<int>(size / kBlock);
  std::uint8_t buf[kBlock];
  bool ok = true;
  std::optional<Error> readFailed;
  auto copy = [&](std::int64_t at, std::size_t n) {
    // Past the end of the container the movie reads as zeros, like any entry; a read that
    // fails stops the copy.
    Result<Bytes> part = in->ReadPadded(static_cast<std::int64_t>(entry.Offset) + at, n);
    if (!part) {
      readFailed = part.error();
      return false;
    }
    std::memcpy(buf, part->data(), n);
    std::size_t done = 0;
    while (done < n) {
      ssize_t w = ::write(fd, buf + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += static_cast<std::size_t>(w);
    }
    return true;
  };
  for (int i = 1; i <= blocks && ok; ++i) {
    if (progress) progress(i, blocks);
    ok = copy(static_cast<std::int64_t>(i - 1) * kBlock, kBlock);
  }
  if (ok && size % kBlock > 0) {
    ok = copy(static_cast<std::int64_t>(blocks) * kBlock, static_cast<std::size_t>(size % kBlock));
  }
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    const std::string why = std::strerror(errno);
    // Half a movie is no copy of it.
    ::unlink(dest.c_str());
    if (readFailed) return *readFailed;
    return cannot(why);
  }
  return Ok();
}

PlayerLaunch MakePlayerLaunch(const std::string& entryName, const std::string& programDir,
                              const std::string& tempDir) {
  std::string ext = UpperExtension(entryName);
  for (char& c : ext)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (ext.empty()) ext = ".ztp";
  PlayerLaunch launch;
  launch.tempFile = tempDir + "/temp" + ext;
  if (ext == ".ztp") {
    launch.program = programDir + "/reelrun";
    launch.arguments = {launch.tempFile, "/L", "/V3"};
  } else if (ext == ".kno") {
    launch.program = programDir + "/spoolrun";
    launch.arguments = {launch.tempFile};
  }
  return launch;
}

}  // namespace brindle
