// Video frames: a grid of 4 x 4 blocks coded as runs. Each run starts with a value from the
// type tree (bits 0-1 block type, bits 2-7 run-length index, bits 8-15 solid colour); then, per
// block, two-colour blocks carry a colour pair and a 16-bit pattern, full blocks four lines of
// two pixel pairs, skip and solid blocks nothing.
#include <algorithm>
#include <bit>
#include <cstring>

#include "player/movie/zoe.h"

static_assert(std::endian::native == std::endian::little,
              "block lines are stored as little-endian 32-bit words");

namespace zoe {

const uint16_t kRunLengths[64] = {
    1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,  17,  18,  19,   20,  21, 22,
    23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38,  39,  40,  41,   42,  43, 44,
    45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 128, 256, 512, 1024, 2048};

const uint8_t kComponent[64] = {0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  48,
                                52,  56,  60,  65,  69,  73,  77,  81,  85,  89,  93,  97,  101,
                                105, 109, 113, 117, 121, 125, 130, 134, 138, 142, 146, 150, 154,
                                158, 162, 166, 170, 174, 178, 182, 186, 190, 195, 199, 203, 207,
                                211, 215, 219, 223, 227, 231, 235, 239, 243, 247, 251, 255};

namespace {

// Byte j is 0xFF when bit j of the nibble is set.
constexpr std::array<uint32_t, 16> MakeNibbleMasks() {
  std::array<uint32_t, 16> m{};
  for (uint32_t n = 0; n < 16; ++n) {
    for (uint32_t j = 0; j < 4; ++j) {
      if (n >> j & 1) m[n] |= 0xFFu << (8 * j);
    }
  }
  return m;
}
constexpr std::array<uint32_t, 16> kNibbleMask = MakeNibbleMasks();

inline void Store(uint8_t* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

template <bool Doubled>
struct BlockWriter {
  ptrdiff_t step;
  ptrdiff_t pitch;
  void Line(uint8_t* block, int line, uint32_t v) const {
    uint8_t* p = block + line * step;
    Store(p, v);
    if (Doubled) Store(p + pitch, v);
  }
  void Fill(uint8_t* start, size_t bytes, uint8_t colour) const {
    for (int line = 0; line < 4; ++line) {
      uint8_t* p = start + line * step;
      std::memset(p, colour, bytes);
      if (Doubled) std::memset(p + pitch, colour, bytes);
    }
  }
};

// The changed-block map follows the runs: groups of 16 blocks touched by a written block
// become 1, groups skipped whole become 0.
struct ChangeMap {
  uint8_t* map;
  uint32_t done = 0;
  uint32_t pos = 0;
  void Run(uint32_t n, bool skip) {
    done += n;
    if (pos > done) return;
    if (skip) {
      uint32_t end = done / 16;
      for (uint32_t g = pos / 16; g < end; ++g)
        map[g] = 0;
      pos = end * 16;
    } else {
      uint32_t end = (done + 15) / 16;
      for (uint32_t g = pos / 16; g < end; ++g)
        map[g] = 1;
      pos = end * 16;
    }
  }
};

template <class Reader, bool Doubled, class Cursor>
void DecodeBlocks(VideoTrees& trees, const uint8_t* data, size_t size, ZoeTarget& target) {
  // Every frame starts with reset caches.
  Cursor typeTree(trees.trees[kTypeTree]);
  Cursor colourTree(trees.trees[kColourTree]);
  Cursor patternTree(trees.trees[kPatternTree]);
  Cursor fullTree(trees.trees[kFullTree]);

  Reader r(data, size);
  const BlockWriter<Doubled> out{target.lineStep, target.pitch};
  const uint32_t perRow = target.blocksPerRow;
  const uint32_t total = perRow * target.blockRows;
  const ptrdiff_t rowStride = 4 * target.lineStep;
  ChangeMap changes{target.changed.data()};
  uint8_t* rowBase = target.origin;
  uint32_t bx = 0;

  while (changes.done < total) {
    // A stream that ends early stops the frame where its data stops.
    if (r.Overrun()) break;
    const uint32_t v = typeTree.Decode(r);
    const uint32_t type = v & kBlockTypeMask;
    const uint32_t n = std::min<uint32_t>(kRunLengths[(v >> 2) & 63], total - changes.done);
    changes.Run(n, type == kSkip);
    switch (type) {
      case kTwoColour:
        for (uint32_t k = 0; k < n; ++k) {
          const uint32_t c = colourTree.Decode(r);
          const uint32_t m = patternTree.Decode(r);
          const uint32_t hi = (c >> 8) * 0x01010101u;
          const uint32_t lo = (c & 0xFF) * 0x01010101u;
          uint8_t* block = rowBase + 4 * bx;
          for (int line = 0; line < 4; ++line) {
            const uint32_t mask = kNibbleMask[(m >> (4 * line)) & 15];
            out.Line(block, line, (hi & mask) | (lo & ~mask));
          }
          if (++bx == perRow) {
            bx = 0;
            rowBase += rowStride;
          }
        }
        break;
      case kFull:
        for (uint32_t k = 0; k < n; ++k) {
          uint8_t* block = rowBase + 4 * bx;
          for (int line = 0; line < 4; ++line) {
            const uint32_t a = fullTree.Decode(r);
            const uint32_t b = fullTree.Decode(r);
            out.Line(block, line, b | a << 16);
          }
          if (++bx == perRow) {
            bx = 0;
            rowBase += rowStride;
          }
        }
        break;
      case kSkip: {
        const uint32_t to = bx + n;
        rowBase += rowStride * static_cast<ptrdiff_t>(to / perRow);
        bx = to % perRow;
        break;
      }
      default: {  // kSolid
        const uint8_t colour = static_cast<uint8_t>(v >> 8);
        uint32_t left = n;
        while (left > 0) {
          const uint32_t span = std::min(left, perRow - bx);
          out.Fill(rowBase + 4 * bx, 4 * size_t{span}, colour);
          left -= span;
          bx += span;
          if (bx == perRow) {
            bx = 0;
            rowBase += rowStride;
          }
        }
        break;
      }
    }
  }
  target.changed[changes.pos / 16] = 0;
}

template <class Reader, class Cursor>
void DecodeWith(VideoTrees& trees, const uint8_t* data, size_t size, ZoeTarget& target) {
  if (target.doubled) {
    DecodeBlocks<Reader, true, Cursor>(trees, data, size, target);
  } else {
    DecodeBlocks<Reader, false, Cursor>(trees, data, size, target);
  }
}

}  // namespace

void DecodeVideo(VideoTrees& trees, const uint8_t* data, size_t size, ZoeTarget& target,
                 bool fast) {
  if (target.mode != 1 || target.blocksPerRow == 0 || target.blockRows == 0) return;
  const bool compact = std::all_of(trees.trees.begin(), trees.trees.end(),
                                   [](const VideoTree& t) { return t.compact; });
  if (fast) {
    if (compact) return DecodeWith<FastBitReader, CompactCursor>(trees, data, size, target);
    return DecodeWith<FastBitReader, TreeCursor>(trees, data, size, target);
  }
  if (compact) return DecodeWith<WordBitReader, CompactCursor>(trees, data, size, target);
  DecodeWith<WordBitReader, TreeCursor>(trees, data, size, target);
}

// Palette chunk forms, after the length byte:
//   1xxxxxxx          keep the next x + 1 entries of the old palette
//   01xxxxxx s        copy x + 1 entries of the old palette starting at entry s
//   00rrrrrr g b      one new entry from 6-bit components
void ApplyPaletteChunk(const uint8_t* data, size_t size, std::array<uint8_t, 768>& palette) {
  const std::array<uint8_t, 768> old = palette;
  size_t entry = 0;
  size_t pos = 0;
  while (entry < 256 && pos < size) {
    const uint8_t b = data[pos++];
    if (b & 0x80) {
      entry += (b & 127) + 1;
    } else if (b & 0x40) {
      if (pos >= size) break;
      const size_t source = data[pos++];
      const size_t n = (b & 63) + 1;
      for (size_t j = 0; j < n && entry < 256; ++j, ++entry) {
        // A copy that runs past the last entry leaves the rest as it was.
        if (source + j < 256) std::memcpy(&palette[3 * entry], &old[3 * (source + j)], 3);
      }
    } else {
      if (pos + 2 > size) break;
      palette[3 * entry] = kComponent[b & 63];
      palette[3 * entry + 1] = kComponent[data[pos] & 63];
      palette[3 * entry + 2] = kComponent[data[pos + 1] & 63];
      pos += 2;
      ++entry;
    }
  }
}

}  // namespace zoe

bool ZoeSetTarget(ZoeMovie* movie, const ZoeSurface& s) {
  if (movie == nullptr) return false;
  const bool interlaced = movie->flags & kZoeInterlace && !(movie->flags & kZoeDouble);
  const bool doubled = movie->flags & kZoeDouble && !(movie->flags & kZoeInterlace);
  const uint64_t width = movie->header.width;
  const uint64_t shown = movie->header.height;
  const uint64_t stored = interlaced || doubled ? shown / 2 : shown;
  // The movie must lie inside the destination, whatever the header claims.
  if (s.pixels == nullptr || s.x < 0 || s.y < 0 || s.width < 0 || s.height < 0 ||
      static_cast<uint64_t>(s.x) + width > static_cast<uint64_t>(s.width) ||
      static_cast<uint64_t>(s.y) + shown > static_cast<uint64_t>(s.height) ||
      static_cast<int64_t>(s.pitch) < s.width) {
    return false;
  }
  ZoeTarget& t = movie->target;
  movie->Uncount(t.changed.size());
  t = ZoeTarget{};
  t.mode = 1;
  t.doubled = doubled;
  t.width = static_cast<uint32_t>(width);
  t.storedHeight = static_cast<uint32_t>(stored);
  t.blocksPerRow = t.width / 4;
  t.blockRows = t.storedHeight / 4;
  ptrdiff_t pitch = s.pitch;
  if (s.bottomUp) {
    t.origin = s.pixels + s.x + ptrdiff_t{s.pitch} * (s.height - s.y - 1);
    pitch = -pitch;
  } else {
    t.origin = s.pixels + s.x + ptrdiff_t{s.pitch} * s.y;
  }
  t.pitch = pitch;
  t.lineStep = interlaced || doubled ? 2 * pitch : pitch;
  t.changed.assign(size_t{t.blocksPerRow} * t.blockRows / 16 + 32, 0);
  movie->Count(t.changed.size());
  return true;
}

void ZoeRemapColors(ZoeMovie* movie, const uint8_t map[256]) {
  if (movie != nullptr) zoe::RemapVideoTrees(movie->trees, map);
}
