#pragma once
// What the picture decoders give: an 8-bit picture with its colours, or 24-bit RGB. Shared
// by bitmaps, sprites, PCX pictures and palettes.

#include <cstdint>

#include "common/bmp.h"
#include "common/bytes.h"
#include "common/file.h"

namespace brindle {

enum class PictureFormat : std::uint8_t {
  kIndexed8,  // one byte per pixel, an index into `colours`
  kRgb24,     // three bytes per pixel: red, green, blue
};

struct Picture {
  PictureFormat format = PictureFormat::kIndexed8;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Rows top first, no padding between them: width or 3 x width bytes each.
  Bytes pixels;
  ColourTable colours{};  // kIndexed8 only

  std::size_t BytesPerRow() const {
    return static_cast<std::size_t>(width) * (format == PictureFormat::kRgb24 ? 3 : 1);
  }
};

enum class PictureError {
  kNone,
  kNoPixels,       // the pixel data is empty (or the PCX file is)
  kBadLayout,      // sizes, the row table or the runs reach outside the data
  kTooLarge,       // more pixels than we are willing to allocate
  kNoPaletteFile,  // sprites: no "bitmaps.lod" beside the container
  kNoPalette,      // sprites: that file is no BITMAPS container or lacks the palette
  kNotRgbPcx,      // not a version 5, run-length coded, 8-bit, 3-plane PCX file
};

// A decoder's answer. On failure the caller says "Error!  Unable to show " (or "save ") +
// the entry's name; the decoders say nothing themselves beyond inflate errors.
struct PictureResult {
  Picture picture;
  PictureError error = PictureError::kNone;
  bool ok() const { return error == PictureError::kNone; }
};

// The BMP file an export writes: 8-bit with 256 colours, or 24-bit.
Bytes PictureToBmp(const Picture& picture);

// A decoder's answer for a failure.
PictureResult PictureFailure(PictureError error);

// The bytes at [offset, offset + count); bytes past the end of the file read as zero, and a
// count larger than the file is cut to it, so a lying size never allocates more than the
// file holds.
Bytes ReadEntryRange(ByteFile& file, std::int64_t offset, std::int64_t count);
// 768 colour bytes at offset; bytes past the end of the file read as zero.
ColourTable ReadColourTable(ByteFile& file, std::int64_t offset);

}  // namespace brindle
