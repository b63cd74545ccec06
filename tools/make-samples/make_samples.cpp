// make-samples OUT_DIR: writes a small sample game folder (containers of every kind with
// entries of every type) for trying out and testing the viewer and its command-line twin.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "common/file.h"
#include "tools/make-samples/samples.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-samples OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::fprintf(stderr, "Cannot create folder %s: %s\n", dir.c_str(), ec.message().c_str());
    return 1;
  }
  for (const samples::SampleContainer& c : samples::BuildSampleFolder()) {
    const brindle::Bytes bytes = samples::BuildContainer(c);
    const std::string path = (dir / c.fileName).string();
    if (const brindle::Status w = brindle::WriteWholeFile(path, bytes); !w) {
      std::fprintf(stderr, "Cannot write %s: %s\n", path.c_str(), w.message().c_str());
      return 1;
    }
    std::printf("%s: %zu entries, %zu bytes\n", path.c_str(), c.entries.size(), bytes.size());
  }
  return 0;
}
