#pragma once
// Windows BMP files: reading 8-bit pictures with a colour table, writing 8-bit and 24-bit
// pictures.
//
// File layout (little-endian):
//   0   "BM", u32 file size, 4 reserved bytes, u32 offset of the pixel data
//   14  info header, its own size first:
//         12        OS/2 core header: u16 width, u16 height, u16 planes, u16 bits
//         16 .. 124 Windows/OS/2 2.x header: i32 width, i32 height (negative: top row first),
//                   u16 planes, u16 bits, u32 compression (0 none, 1 RLE8), u32 image size,
//                   2 x i32 resolution, u32 colours used (0: all), u32 important colours;
//                   a shorter header leaves the later fields zero
//   then the colour table: 4-byte (blue, green, red, 0) entries, 3-byte ones after a core
//   header; its length is "colours used" (all 256 when 0) as far as room before the pixels
//   allows
//   pixels: rows bottom-up unless the height is negative, each padded to 4 bytes; or RLE8
//   codes (count + value runs; 0 0 end of line, 0 1 end of picture, 0 2 dx dy move,
//   0 n with n >= 3 literal bytes padded to an even length).
//
// The reader takes every count from the file with suspicion: pixel data must be present, a
// run or move that leaves the picture is clipped, and no picture larger than the data could
// describe is allocated.

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace brindle {

// 256 (red, green, blue) triples, colour 0 first: the form palettes take in our entries.
using ColourTable = std::array<std::uint8_t, 768>;

enum class BmpStatus {
  kOk,          // an 8-bit picture with its colour table
  kNotIndexed,  // a readable header, but not 8 bits per pixel with a colour table
  kEmpty,       // 8-bit, but its width or height is not positive
  kUnreadable,  // not a BMP, or damaged: `error` says why
};

struct BmpImage {
  std::int32_t width = 0;  // as the header gives them (height made positive)
  std::int32_t height = 0;
  int bitsPerPixel = 0;
  int tableEntries = 0;   // colours the file's table really holds
  Bytes pixels;           // kOk: width x height indices, top row first, no padding
  ColourTable colours{};  // entries past tableEntries are black
};

struct BmpReadResult {
  BmpStatus status = BmpStatus::kUnreadable;
  BmpImage image;
  std::string error;  // kUnreadable: a short reason in lower case ("not a BMP file")
};

BmpReadResult ReadBmp(ByteView file);

// An uncompressed bottom-up BMP with a 40-byte header. indices: width x height bytes, top
// row first; rgb: width x height (red, green, blue) triples, top row first.
Bytes WriteBmp8(std::int32_t width, std::int32_t height, ByteView indices,
                const ColourTable& colours);
Bytes WriteBmp24(std::int32_t width, std::int32_t height, ByteView rgb);

// Largest picture the reader builds, in pixels: far beyond any entry, small enough to
// allocate without thought.
inline constexpr std::int64_t kMaxBmpPixels = std::int64_t{1} << 28;

}  // namespace brindle
