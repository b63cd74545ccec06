// bench_rebuild: rebuilding a large container next to copying the same file with cp, and the
// rebuild's peak memory for small and large entries (it should not grow with their size).
//
//   bench_rebuild [ENTRIES] [ENTRY_BYTES]     defaults: 20000 entries of 5000 bytes (100 MB)
//
// Each measurement runs in a process of its own, so its peak resident size is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/file.h"
#include "test_support.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/authoring.h"

namespace {

using namespace brindle;

// A MAPS archive of count entries of size bytes each, written in pieces.
void MakeContainer(const std::string& path, int count, int size) {
  if (!WriteWholeFile(path, {})) std::exit(2);
  auto file = PosixFile::Open(path, FileMode::kWriteExclusive).value();
  ByteWriter head;
  head.Zeros(static_cast<std::size_t>(kLodIdentifierOffset)).FixedText("MAPS", 12).Zeros(8);
  const std::int64_t dirEnd = kLodDirectoryStart + kLodRecordSize * count;
  head.U32(static_cast<std::uint32_t>(dirEnd + std::int64_t{count} * size - kLodDirectoryStart))
      .Zeros(4)
      .I32(count);
  for (int i = 0; i < count; ++i)
    head.FixedText(std::string("e").append(std::to_string(i)), 16)
        .I32(static_cast<std::int32_t>(dirEnd - kLodDirectoryStart + std::int64_t{i} * size))
        .I32(size)
        .Zeros(8);
  const Bytes h = head.Take();
  if (!file->WriteAt(0, h.data(), h.size())) std::exit(2);
  Bytes entry(static_cast<std::size_t>(size));
  for (int i = 0; i < count; ++i) {
    for (std::size_t b = 0; b < entry.size(); ++b)
      entry[b] = static_cast<std::uint8_t>(b * 31 + i);
    if (!file->WriteAt(dirEnd + std::int64_t{i} * size, entry.data(), entry.size())) std::exit(2);
  }
}

struct Run {
  double seconds = 0;
  long peakKb = 0;
  int status = 0;
};

template <typename Body>
Run InChild(Body body) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakKb = usage.ru_maxrss;
  r.status = status;
  return r;
}

Run Rebuild(const std::string& path) {
  return InChild([&] {
    TDataFile df;
    SilentHost quiet;
    if (!OpenContainer(df, path, quiet)) return 1;
    return CompactContainer(df, quiet) ? 0 : 1;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int size = argc > 2 ? std::atoi(argv[2]) : 5000;
  test::TempDir dir;
  const std::string big = dir.File("big.lod"), small = dir.File("small.lod");
  MakeContainer(big, count, size);
  MakeContainer(small, count, size / 10);
  const std::string copy = "cp " + big + " " + dir.File("copy.lod");
  const Run cp = InChild([&] { return std::system(copy.c_str()) == 0 ? 0 : 1; });
  // The rebuild pushes its file to the disk before it counts as done; so does this copy.
  const std::string copySynced =
      "cp " + big + " " + dir.File("synced.lod") + " && sync " + dir.File("synced.lod");
  const Run cpSync = InChild([&] { return std::system(copySynced.c_str()) == 0 ? 0 : 1; });
  const Run rebuilt = Rebuild(big);
  const Run rebuiltSmall = Rebuild(small);
  const double mb = static_cast<double>(std::filesystem::file_size(big)) / 1e6;
  std::printf("container: %d entries, %.1f MB\n", count, mb);
  std::printf("cp:        %.3f s\n", cp.seconds);
  std::printf("cp + sync: %.3f s\n", cpSync.seconds);
  std::printf("rebuild:   %.3f s (%.2fx cp, %.2fx cp + sync), peak %ld KB%s\n", rebuilt.seconds,
              rebuilt.seconds / cp.seconds, rebuilt.seconds / cpSync.seconds, rebuilt.peakKb,
              rebuilt.status ? " FAILED" : "");
  std::printf("rebuild of %d entries of %d bytes (%.1f MB): peak %ld KB\n", count, size / 10,
              static_cast<double>(std::filesystem::file_size(small)) / 1e6, rebuiltSmall.peakKb);
  return rebuilt.status || rebuiltSmall.status ? 1 : 0;
}
