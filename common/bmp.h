#pragma once
// Windows BMP files: reading 1-, 4-, 8-, 24- and 32-bit pictures, writing 8-bit and 24-bit
// ones.
//
// File layout (little-endian):
//   0   "BM", u32 file size, 4 reserved bytes, u32 offset of the pixel data
//   14  info header, its own size first:
//         12        OS/2 core header: u16 width, u16 height, u16 planes, u16 bits
//         16 .. 124 Windows/OS/2 2.x header: i32 width, i32 height (negative: top row first),
//                   u16 planes, u16 bits, u32 compression (0 none, 1 RLE8, 2 RLE4), u32 image size,
//                   2 x i32 resolution, u32 colours used (0: all), u32 important colours;
//                   a shorter header leaves the later fields zero
//   then the colour table: 4-byte (blue, green, red, 0) entries, 3-byte ones after a core
//   header; its length is "colours used" (all 2^bits when 0) as far as room before the
//   pixels allows; true-colour pictures need none
//   pixels: rows bottom-up unless the height is negative, each padded to 4 bytes; 1- and
//   4-bit rows hold their leftmost pixel in a byte's high bits, 24- and 32-bit rows (blue,
//   green, red[, unused]) per pixel. Or RLE8/RLE4 codes: count + value runs (RLE4: the
//   value's two nibbles alternate); 0 0 end of line, 0 1 end of picture, 0 2 dx dy move,
//   0 n with n >= 3 literal pixels (RLE4: nibbles) in bytes padded to an even count.
//
// The reader takes every count from the file with suspicion: pixel data must be present, a
// run or move that leaves the picture is clipped, and no picture larger than the data could
// describe is allocated.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/bytes.h"

namespace brindle {

// 256 (red, green, blue) triples, colour 0 first: the form palettes take in our entries.
using ColourTable = std::array<std::uint8_t, 768>;

enum class BmpStatus {
  kOk,          // an 8-bit picture with its colour table (or a depth the options accept)
  kNotIndexed,  // a readable header, but not a depth the options accept, or no colour table
  kEmpty,       // 8-bit, but its width or height is not positive
  kUnreadable,  // not a BMP, or damaged: `error` says why
};

// What a read pixel holds.
enum class BmpLayout {
  kIndices,  // one colour index per pixel
  kRgb,      // (red, green, blue) per pixel: a true-colour picture read with readTrueColour
};

struct BmpImage {
  std::int32_t width = 0;  // as the header gives them (height made positive)
  std::int32_t height = 0;
  int bitsPerPixel = 0;  // as stored in the file, also when widened to 8-bit indices
  int tableEntries = 0;  // colours the file's table really holds
  BmpLayout layout = BmpLayout::kIndices;
  Bytes pixels;           // kOk: width x height pixels as `layout` says, top row first
  ColourTable colours{};  // entries past tableEntries are black
};

// Which pictures besides 8-bit ones with a colour table come back as kOk. The defaults
// suit importing into an entry, which stores 8-bit pictures only and must say so.
struct BmpReadOptions {
  // 1- and 4-bit pictures with a colour table come back as 8-bit indices.
  bool widenPalette = false;
  // Uncompressed 24- and 32-bit pictures come back as (red, green, blue) triples.
  bool readTrueColour = false;
};

struct BmpReadResult {
  BmpStatus status = BmpStatus::kUnreadable;
  BmpImage image;
  std::string error;  // kUnreadable: a short reason in lower case ("not a BMP file")
};

BmpReadResult ReadBmp(ByteView file, const BmpReadOptions& options = {});

// The picture's size from the headers alone, by the same rules as ReadBmp (a 12-byte core
// header's 16-bit sizes are unsigned, a negative height means top-down); nullopt when the
// headers are unreadable or the width or height is not positive. Cheap: no pixels are read.
struct BmpSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
std::optional<BmpSize> ReadBmpSize(ByteView file);

// An uncompressed bottom-up BMP with a 40-byte header. indices: width x height bytes, top
// row first; rgb: width x height (red, green, blue) triples, top row first.
Bytes WriteBmp8(std::int32_t width, std::int32_t height, ByteView indices,
                const ColourTable& colours);
Bytes WriteBmp24(std::int32_t width, std::int32_t height, ByteView rgb);

// Largest picture the reader builds, in pixels: far beyond any entry, small enough to
// allocate without thought.
inline constexpr std::int64_t kMaxBmpPixels = std::int64_t{1} << 28;

}  // namespace brindle
