#include "player/movie/zoe_platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

class DiskFile : public ZoeFile {
 public:
  explicit DiskFile(std::FILE* f) : f_(f) {}
  ~DiskFile() override { std::fclose(f_); }
  int64_t Read(void* destination, int64_t n) override {
    if (n <= 0) return 0;
    return static_cast<int64_t>(std::fread(destination, 1, static_cast<size_t>(n), f_));
  }
  bool Seek(int64_t offset) override { return fseeko(f_, offset, SEEK_SET) == 0; }
  int64_t Tell() override { return ftello(f_); }
  int64_t Size() override {
    const int64_t here = ftello(f_);
    if (here < 0 || fseeko(f_, 0, SEEK_END) != 0) return -1;
    const int64_t end = ftello(f_);
    fseeko(f_, here, SEEK_SET);
    return end;
  }

 private:
  std::FILE* f_;
};

class SystemClock : public ZoeClock {
 public:
  uint32_t Milliseconds() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Pause(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

class NullOutput : public ZoeSoundOutput {
 public:
  bool Open(ZoeTrack&) override { return false; }
  void Close(ZoeTrack&) override {}
  uint32_t Played(ZoeTrack&) override { return 0; }
  void Reset(ZoeTrack&) override {}
  void Service() override {}
  void Pause(ZoeTrack&) override {}
  bool Resume(ZoeTrack&) override { return true; }
};

}  // namespace

ZoeSoundOutput& ZoeNullOutput() {
  static NullOutput output;
  return output;
}

std::unique_ptr<ZoeFile> ZoeOpenDiskFile(const std::string& name) {
  // Opened without blocking and taken only when it is a regular file: a pipe or a device
  // named as a movie is refused instead of waited on for ever.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<DiskFile>(f);
}

bool ZoeIsIrregularFile(const std::string& name) {
  struct stat st {};
  return ::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

int64_t ZoeMemoryFile::Read(void* destination, int64_t n) {
  ++readCalls_;
  if (n <= 0 || pos_ >= static_cast<int64_t>(size_)) return 0;
  const int64_t take = std::min<int64_t>(n, static_cast<int64_t>(size_) - pos_);
  std::memcpy(destination, data_ + pos_, static_cast<size_t>(take));
  pos_ += take;
  bytesRead_ += static_cast<uint64_t>(take);
  return take;
}

bool ZoeMemoryFile::Seek(int64_t offset) {
  if (offset < 0) return false;
  pos_ = offset;
  return true;
}

ZoeClock& ZoeSystemClock() {
  static SystemClock clock;
  return clock;
}

void ZoeContext::Debug(const std::string& line) {
  if (debug < 0 || (debug & 0xFF) != 1) return;
  if (debugSink) {
    debugSink(line);
  } else {
    std::fputs(line.c_str(), stderr);
  }
}

ZoeContext& ZoeDefaultContext() {
  static ZoeContext context;
  return context;
}

void ZoeSetReadSpeed(uint32_t bytesPerSecond, ZoeContext& context) {
  context.readSpeed = bytesPerSecond;
}

void ZoeSetForcedRate(int32_t rate, ZoeContext& context) {
  context.forcedRate = rate;
}
