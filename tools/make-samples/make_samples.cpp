// make-samples OUT_DIR: writes a small sample game folder (containers of every kind with
// entries of every type) for trying out and testing the viewer and its command-line twin.
// make-samples --fuzz-seeds DIR: writes seed inputs for the fuzz targets, one folder each
// (DIR is fuzz/corpus in the source tree).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/file.h"
#include "tools/make-samples/samples.h"

namespace {

bool MakeFolder(const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "Cannot create folder %s: %s\n", dir.c_str(), ec.message().c_str());
    return false;
  }
  return true;
}

bool Write(const std::string& path, const brindle::Bytes& bytes) {
  if (const brindle::Status w = brindle::WriteWholeFile(path, bytes); !w) {
    std::fprintf(stderr, "Cannot write %s: %s\n", path.c_str(), w.message().c_str());
    return false;
  }
  return true;
}

int WriteSampleFolder(const std::filesystem::path& dir) {
  if (!MakeFolder(dir)) return 1;
  for (const samples::SampleContainer& c : samples::BuildSampleFolder()) {
    const brindle::Bytes bytes = samples::BuildContainer(c);
    const std::string path = (dir / c.fileName).string();
    if (!Write(path, bytes)) return 1;
    std::printf("%s: %zu entries, %zu bytes\n", path.c_str(), c.entries.size(), bytes.size());
  }
  return 0;
}

int WriteFuzzSeeds(const std::filesystem::path& dir) {
  for (const samples::FuzzSeed& s : samples::FuzzSeeds()) {
    if (!MakeFolder(dir / s.target)) return 1;
    const std::string path = (dir / s.target / s.name).string();
    if (!Write(path, s.bytes)) return 1;
    std::printf("%s: %zu bytes\n", path.c_str(), s.bytes.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: make-samples OUT_DIR\n       make-samples --fuzz-seeds DIR\n"
      "Writes the sample game folder the tests and scripts/run use, or the fuzz targets' seeds.\n";
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("make-samples %s\n", BRINDLE_VERSION);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--fuzz-seeds") == 0) return WriteFuzzSeeds(argv[2]);
  if (argc != 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return WriteSampleFolder(argv[1]);
}
