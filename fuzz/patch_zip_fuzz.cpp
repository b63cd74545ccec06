// A patch from any bytes: the zip opened and checked, and when it passes, a trial run of it
// against a small container, which reads and checks every member it brings. Refused or
// read, never a crash, and the container is never written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/bytes.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/patch.h"

namespace {

// A folder of our own for the run: the container and the patch of the moment.
const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    pattern += "/patch-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    // Gone when the run ends (the path is kept apart from this string, which is gone first).
    static const std::string* const removeAtExit = new std::string(pattern);
    std::atexit([] { std::filesystem::remove_all(*removeAtExit); });
    return pattern;
  }();
  return folder;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  static const std::string container = [] {
    const Bytes lod = BuildLod("ICONS", {{"a.bin", Bytes(40, 1)}, {"b.bin", Bytes(70, 2)}});
    const std::string path = Folder() + "/icons.lod";
    WriteFile(path, lod.data(), lod.size());
    return path;
  }();
  const std::string zip = Folder() + "/mod.zip";
  WriteFile(zip, data, size);
  if (!ReadPatchManifest(zip)) return 0;
  SilentHost host;
  TDataFile dataFile;
  if (!OpenContainer(dataFile, container, host)) std::abort();
  PatchOptions trial;
  trial.dryRun = true;
  trial.force = true;
  (void)ApplyPatch(dataFile, zip, trial, host);
  return 0;
}
