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
  Result<std::unique_ptr<PosixFile>> opened = PosixFile::Open(containerPath, FileMode::kReadShared);
  if (!opened) return cannot(opened.error().cause);
  PosixFile& in = **opened;
  // Written beside the destination and renamed over it when whole: a failed copy leaves
  // whatever was there before.
  const std::string target = LinkTarget(dest);
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  Result<std::unique_ptr<PosixFile>> made = PosixFile::CreateTemp(dir, ".movie.");
  if (!made) return cannot(made.message());
  std::unique_ptr<PosixFile> out = std::move(*made);
  const std::string tempPath = out->Name();
  const std::int64_t size = entry.Size > 0 ? entry.Size : 0;
  const int blocks = static_cast<int>(size / kBlock);
  Status copied;
  auto copy = [&](std::int64_t at, std::size_t n) {
    // Past the end of the container the movie reads as zeros, like any entry; a read that
    // fails stops the copy.
    Result<Bytes> part = in.ReadPadded(static_cast<std::int64_t>(entry.Offset) + at, n);
    if (!part) {
      copied = part.error();
      return;
    }
    copied = out->WriteAt(at, part->data(), n);
    if (!copied) copied = cannot(copied.message());
  };
  for (int i = 1; i <= blocks && copied; ++i) {
    if (progress) progress(i, blocks);
    copy(static_cast<std::int64_t>(i - 1) * kBlock, kBlock);
  }
  if (copied && size % kBlock > 0)
    copy(static_cast<std::int64_t>(blocks) * kBlock, static_cast<std::size_t>(size % kBlock));
  if (copied) {
    Status mode = out->SetMode(NewFileMode());
    if (!mode) copied = cannot(mode.message());
  }
  if (copied && ::rename(tempPath.c_str(), target.c_str()) != 0)
    copied = cannot(std::strerror(errno));
  out.reset();
  if (!copied) ::unlink(tempPath.c_str());
  return copied;
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
