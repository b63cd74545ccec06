// Test fixtures for the movie layer, written straight from the format's tables: bit streams
// of trees and video data built by hand, movie files laid out byte by byte, and fakes for the
// clock, the files and the sound output.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "player/movie/zoe.h"

namespace zoe_test {

// Bits least significant first into little-endian 32-bit words.
class Bits {
 public:
  Bits& Put(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i)
      Bit((value >> i) & 1);
    return *this;
  }
  Bits& Bit(uint32_t b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>((b & 1) << (count_ % 8));
    ++count_;
    return *this;
  }
  // A code given as its bits in the order they are read.
  Bits& Code(const std::string& bits) {
    for (char c : bits)
      Bit(c == '1');
    return *this;
  }
  std::vector<uint8_t> Words() const {
    std::vector<uint8_t> out = bytes_;
    out.resize((out.size() + 3) / 4 * 4, 0);
    return out;
  }
  size_t Count() const { return count_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

// A complete tree of depth d over 2^d leaves, sent in pre-order; leaf i has the code made of
// the d bits of i, most significant first (the first bit chooses the "0" or "1" half).
inline std::string CompleteCode(size_t index, unsigned depth) {
  std::string code;
  for (unsigned k = depth; k-- > 0;)
    code += (index >> k) & 1 ? '1' : '0';
  return code;
}

inline unsigned DepthFor(size_t leaves) {
  unsigned d = 0;
  while ((size_t{1} << d) < leaves)
    ++d;
  return d;
}

// An 8-bit tree over the given values (padded with copies of the last one to a power of two).
struct ByteTreeFixture {
  std::vector<uint8_t> leaves;
  unsigned depth = 0;

  explicit ByteTreeFixture(std::vector<uint8_t> values) : leaves(std::move(values)) {
    depth = DepthFor(leaves.size());
    while (leaves.size() < (size_t{1} << depth))
      leaves.push_back(leaves.back());
  }
  void Shape(Bits& b, unsigned d, size_t& next) const {
    if (d == 0) {
      b.Bit(0).Put(leaves[next++], 8);
      return;
    }
    b.Bit(1);
    Shape(b, d - 1, next);
    Shape(b, d - 1, next);
  }
  void Write(Bits& b) const {
    size_t next = 0;
    Shape(b, depth, next);
    b.Bit(0);
  }
  std::string CodeOf(uint8_t v) const {
    size_t i = std::find(leaves.begin(), leaves.end(), v) - leaves.begin();
    return CompleteCode(i, depth);
  }
};

// A 16-bit tree: complete over `leaves`, leaf values coded through byte trees over their low
// and high bytes, with three escapes (leaves whose value equals an escape are cache slots).
struct WordTreeFixture {
  std::vector<uint16_t> leaves;
  std::array<uint16_t, 3> escapes{};
  unsigned depth = 0;
  ByteTreeFixture low{{0}};
  ByteTreeFixture high{{0}};

  WordTreeFixture(std::vector<uint16_t> values, std::array<uint16_t, 3> esc)
      : leaves(std::move(values)), escapes(esc) {
    depth = DepthFor(leaves.size());
    while (leaves.size() < (size_t{1} << depth))
      leaves.push_back(leaves.back());
    std::vector<uint8_t> lo, hi;
    for (uint16_t v : leaves) {
      if (std::find(lo.begin(), lo.end(), v & 0xFF) == lo.end()) lo.push_back(v & 0xFF);
      if (std::find(hi.begin(), hi.end(), v >> 8) == hi.end()) hi.push_back(v >> 8);
    }
    low = ByteTreeFixture(lo);
    high = ByteTreeFixture(hi);
  }
  void Shape(Bits& b, unsigned d, size_t& next) const {
    if (d == 0) {
      const uint16_t v = leaves[next++];
      b.Bit(0).Code(low.CodeOf(v & 0xFF)).Code(high.CodeOf(v >> 8));
      return;
    }
    b.Bit(1);
    Shape(b, d - 1, next);
    Shape(b, d - 1, next);
  }
  void Write(Bits& b) const {
    b.Bit(1);
    b.Bit(1);
    low.Write(b);
    b.Bit(1);
    high.Write(b);
    for (uint16_t e : escapes)
      b.Put(e & 0xFF, 8).Put(e >> 8, 8);
    size_t next = 0;
    Shape(b, depth, next);
    b.Bit(0);
  }
  // The code of the first leaf carrying value v.
  std::string CodeOf(uint16_t v) const {
    size_t i = std::find(leaves.begin(), leaves.end(), v) - leaves.begin();
    return CompleteCode(i, depth);
  }
  uint32_t NodeBytes() const { return static_cast<uint32_t>((2 * leaves.size() - 1 + 3) * 4); }
};

inline void WriteAbsentTree(Bits& b) {
  b.Bit(0);
}

// Type values.
inline uint16_t TypeValue(uint32_t type, uint32_t runIndex, uint32_t colour = 0) {
  return static_cast<uint16_t>(type | runIndex << 2 | colour << 8);
}

// A movie file laid out byte by byte from the format's tables.
struct MovieFixture {
  uint32_t width = 8;
  uint32_t height = 8;
  int32_t rate = 100;
  uint32_t flags = 0;
  std::array<uint32_t, 7> audioSize{};
  std::array<uint32_t, 7> audioRate{};
  std::array<uint32_t, 4> treeSize{4096, 4096, 4096, 4096};
  std::vector<uint8_t> treeData;
  uint32_t frames = 0;                          // not counting the ring frame
  std::vector<std::vector<uint8_t>> frameData;  // frames (and the ring frame) in file order
  std::vector<uint8_t> types;
  std::string magic = "ZTP2";

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out(104, 0);
    auto put = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::copy(magic.begin(), magic.begin() + 4, out.begin());
    put(4, width);
    put(8, height);
    put(12, frames);
    put(16, static_cast<uint32_t>(rate));
    put(20, flags);
    for (int t = 0; t < 7; ++t)
      put(24 + 4 * t, audioSize[t]);
    put(52, static_cast<uint32_t>(treeData.size()));
    for (int i = 0; i < 4; ++i)
      put(56 + 4 * i, treeSize[i]);
    for (int t = 0; t < 7; ++t)
      put(72 + 4 * t, audioRate[t]);
    for (const auto& f : frameData) {
      out.resize(out.size() + 4);
      put(out.size() - 4, static_cast<uint32_t>(f.size()));
    }
    for (size_t i = 0; i < frameData.size(); ++i)
      out.push_back(i < types.size() ? types[i] : 0);
    out.insert(out.end(), treeData.begin(), treeData.end());
    for (const auto& f : frameData)
      out.insert(out.end(), f.begin(), f.end());
    return out;
  }
};

// Four trees in which every block is solid in one colour per frame: pattern, colour and full
// absent; the type tree a root leaf "solid, run 2048, colour c" (no bits per value).
inline std::vector<uint8_t> SolidTrees(uint8_t colour) {
  Bits b;
  WriteAbsentTree(b);
  WriteAbsentTree(b);
  WriteAbsentTree(b);
  WordTreeFixture type({TypeValue(3, 63, colour)}, {0xFFF0, 0xFFF1, 0xFFF2});
  type.Write(b);
  return b.Words();
}

class FakeClock : public ZoeClock {
 public:
  uint32_t now = 1000;
  uint32_t Milliseconds() override { return now; }
  void Pause(uint32_t ms) override { now += ms; }
};

// A memory file that logs every read (offset and size asked).
class LoggedFile : public ZoeMemoryFile {
 public:
  LoggedFile(const uint8_t* data, size_t size) : ZoeMemoryFile(data, size) {}
  int64_t Read(void* destination, int64_t n) override {
    reads.push_back({Tell(), n});
    return ZoeMemoryFile::Read(destination, n);
  }
  struct Entry {
    int64_t offset;
    int64_t size;
  };
  std::vector<Entry> reads;
};

// A sound output that takes everything buffered on service and reports a played position
// the test sets.
class FakeOutput : public ZoeSoundOutput {
 public:
  bool failOpen = false;
  bool failResume = false;
  std::map<int, uint32_t> played;
  std::map<int, std::vector<uint8_t>> taken;
  std::vector<ZoeTrack*> open;
  // Ring memory each track held when it was offered, accepted or not.
  std::vector<size_t> ringAtOpen;
  int resets = 0, pauses = 0, resumes = 0;
  bool take = true;

  bool Open(ZoeTrack& t) override {
    ringAtOpen.push_back(t.ring.capacity());
    if (failOpen) return false;
    open.push_back(&t);
    return true;
  }
  void Close(ZoeTrack& t) override { open.erase(std::find(open.begin(), open.end(), &t)); }
  uint32_t Played(ZoeTrack& t) override { return played[t.number]; }
  void Reset(ZoeTrack& t) override {
    ++resets;
    played[t.number] = 0;
  }
  void Service() override {
    if (!take) return;
    for (ZoeTrack* t : open) {
      std::vector<uint8_t> buf(t->buffered);
      const uint32_t n = ZoeTrackTake(*t, buf.data(), t->buffered);
      taken[t->number].insert(taken[t->number].end(), buf.begin(), buf.begin() + n);
    }
  }
  void Pause(ZoeTrack&) override { ++pauses; }
  bool Resume(ZoeTrack&) override {
    ++resumes;
    return !failResume;
  }
};

// A context over in-memory files named by the test.
struct TestContext {
  ZoeContext ctx;
  FakeClock clock;
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<std::string> debug;

  TestContext() {
    ctx.clock = &clock;
    ctx.debug = 1;
    ctx.debugSink = [this](const std::string& line) { debug.push_back(line); };
    ctx.openFile = [this](const std::string& name) -> std::unique_ptr<ZoeFile> {
      auto it = files.find(name);
      if (it == files.end()) return nullptr;
      return std::make_unique<ZoeMemoryFile>(it->second.data(), it->second.size());
    };
  }
  ZoeMovie* Open(const std::vector<uint8_t>& bytes, uint32_t flags = 0, int32_t extra = -1) {
    files["movie.ztp"] = bytes;
    return ZoeOpen({"movie.ztp"}, flags, extra, ctx);
  }
};

// A picture the movie decodes into, with the target set.
struct Canvas {
  std::vector<uint8_t> pixels;
  uint32_t width = 0, height = 0;
  bool Attach(ZoeMovie* m) {
    width = m->header.width;
    height = m->header.height;
    pixels.assign(size_t{width} * height, 0);
    ZoeSurface s;
    s.pixels = pixels.data();
    s.pitch = static_cast<int32_t>(width);
    s.width = static_cast<int32_t>(width);
    s.height = static_cast<int32_t>(height);
    return ZoeSetTarget(m, s);
  }
  uint8_t At(uint32_t x, uint32_t y) const { return pixels[size_t{y} * width + x]; }
};

}  // namespace zoe_test
