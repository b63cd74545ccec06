#pragma once
// The picture entries of the LOD containers: bitmaps and icons (pixels with their own
// palette), palettes, sprites (runs per row, colours from a numbered palette in
// "bitmaps.lod") and 24-bit PCX pictures. Decoders turn an entry into a Picture the caller
// owns; the import turns a BMP file back into a bitmap entry.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/bmp.h"
#include "common/bytes.h"
#include "common/file.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

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

// Bitmaps and icons: 48-byte header, PackedSize bytes of pixels (zlib or raw), 768 bytes of
// palette. Uses the entry's Width, Height, PackedSize and UnpackedSize as identified.
PictureResult DecodeBitmapEntry(ByteFile& container, const TResourceInfo& entry, CoreHost& host);

// The 768 colour bytes of a palette entry (after its 48-byte header), as the palette page
// shows them; bytes past the end of the file read as zero.
ColourTable ReadPaletteEntry(ByteFile& container, const TResourceInfo& entry);

// One swatch of the palette page: the half-open rectangle [left, right) x [top, bottom) of
// colour `index` in an area of the given size (16 x 16 swatches, one pixel apart).
struct SwatchRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
SwatchRect PaletteSwatch(int areaWidth, int areaHeight, int index);

// "pal" + the number, at least three digits: pal005, pal123, pal1000.
std::string PaletteName(std::int32_t number);
// The colours of the palette entry `name` (any case) in the BITMAPS container at path;
// nothing when the file is missing, is not a BITMAPS container or lacks the entry.
std::optional<ColourTable> LookUpPalette(const std::string& bitmapsLodPath, std::string_view name);
std::optional<ColourTable> LookUpPalette(ByteFile& bitmapsLod, std::string_view name);
// The "bitmaps.lod" in the folder of the container at containerPath: that name exactly
// when it exists, else the first file of the folder whose name equals it ignoring case
// (the game's files often come in upper case). Empty when there is none.
std::string BitmapsLodBeside(const std::string& containerPath);

// Sprites: the palette is read afresh from "bitmaps.lod" beside containerPath each time.
PictureResult DecodeSprite(ByteFile& container, const TResourceInfo& entry,
                           const std::string& containerPath, CoreHost& host);
// The same with the palette given.
PictureResult DecodeSpriteWithPalette(ByteFile& container, const TResourceInfo& entry,
                                      const ColourTable& colours, CoreHost& host);

// PCX entries, plain or behind a 48-byte header. With a reporter, the loading panel's bar
// follows the rows (row y of H reports (y, H - 1); a one-row picture reports nothing).
PictureResult DecodePcx(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                        ProgressReporter* progress = nullptr);
// A whole PCX file in memory.
PictureResult DecodePcxFile(ByteView pcx, ProgressReporter* progress = nullptr);

// The entry bytes the import stores for a picture: a fresh 48-byte header under the
// entry's name, the pixels compressed, then the 256 colours.
Bytes BuildBitmapEntry(const std::string& entryName, const Picture& image);

enum class ImportResult {
  kImported,
  kCannotRead,   // the file could not be read, or not as a BMP: the reason was shown
  kNot8Bit,      // "... must be in 8bit color format! (Must include palette)"
  kInvalid,      // "... is not a valid BMP!"
  kWrongSize,    // "... must have the same dimensions as original image!"
  kTooLarge,     // wider or higher than an entry can record
  kWriteFailed,  // the write-back failed and said so
};

// Replaces bitmap entry `index` with the BMP file at path; sameSize holds it to the entry's
// width and height (rtBitmap). The watch is held for the whole import.
ImportResult ImportBitmapFile(TDataFile& dataFile, int index, const std::string& path,
                              bool sameSize, CoreHost& host);

// The BMP file an export writes: 8-bit with 256 colours, or 24-bit.
Bytes PictureToBmp(const Picture& picture);

}  // namespace brindle
