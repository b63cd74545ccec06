#pragma once
// Bitmap and icon entries of the LOD containers: a 48-byte header, the pixels (zlib or
// raw), then the picture's own 768-byte palette. The import turns a BMP file back into one.

#include <string>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

// Bitmaps and icons: 48-byte header, PackedSize bytes of pixels (zlib or raw), 768 bytes of
// palette. Uses the entry's Width, Height, PackedSize and UnpackedSize as identified.
PictureResult DecodeBitmapEntry(ByteFile& container, const TResourceInfo& entry, CoreHost& host);

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

}  // namespace brindle
