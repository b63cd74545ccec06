#pragma once
// Helpers shared by the tests: a scratch folder, a host that records what it is told.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "viewer/core/host.h"

namespace brindle::test {

// The file's bytes; empty when it cannot be read (tests compare against what they expect).
inline Bytes FileBytes(const std::string& path) {
  Result<Bytes> read = ReadWholeFile(path);
  return read ? std::move(*read) : Bytes();
}

// The file opened as the program opens it. One that cannot be opened throws the reason,
// which fails the test that needed it.
inline std::unique_ptr<PosixFile> OpenFile(const std::string& path,
                                           FileMode mode = FileMode::kReadShared) {
  Result<std::unique_ptr<PosixFile>> opened = PosixFile::Open(path, mode);
  if (!opened) throw std::runtime_error(opened.message());
  return std::move(*opened);
}

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "brindle-test-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, ByteView bytes) const {
    std::string p = File(name);
    if (!WriteWholeFile(p, bytes, /*pushToDisk=*/false))
      throw std::runtime_error("cannot write " + p);
    return p;
  }
  Bytes Read(const std::string& name) const { return FileBytes(File(name)); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

class RecordingHost : public CoreHost {
 public:
  void Message(const std::string& text) override { messages.push_back(text); }
  void ShowProgress(bool on, const std::string& caption) override {
    panel.push_back(on ? "on:" + caption : "off");
  }
  void SetProgress(int percent) override { progress.push_back(percent); }
  void SuspendWatch(bool suspended) override { watch.push_back(suspended); }
  void FileSizeChanged(std::int64_t size) override { sizes.push_back(size); }
  void EntryRewritten(int index) override { rewritten.push_back(index); }

  std::vector<std::string> messages;
  std::vector<std::string> panel;
  std::vector<int> progress;
  std::vector<bool> watch;
  std::vector<std::int64_t> sizes;
  std::vector<int> rewritten;
};

inline Bytes TextBytes(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

// n bytes of a repeating, recognisable pattern.
inline Bytes Pattern(std::size_t n, std::uint8_t seed = 1) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

}  // namespace brindle::test
