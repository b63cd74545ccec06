#pragma once
// Bitmap and icon entries of the LOD containers: a 48-byte header, the pixels (zlib or
// raw), then the picture's own 768-byte palette. The import turns a BMP file back into one.

#include <string>

#include "common/result.h"
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

// The BMP file at path as the 8-bit picture an entry can hold, or why it cannot be one
// (the import's messages).
Result<Picture> ReadImportPicture(const std::string& path);

// Replaces bitmap entry `index` with the BMP file at path; sameSize holds it to the entry's
// width and height (rtBitmap). The watch is held for the whole import. A refusal says why:
// "Image file X must be in 8bit color format! (Must include palette)" (kNotSupported),
// "... is not a valid BMP!" or "... cannot be read as a bitmap: REASON!" (kDamaged),
// "... must have the same dimensions as original image!", "... is too large: ...", or what
// the write-back says.
Status ImportBitmapFile(TDataFile& dataFile, int index, const std::string& path, bool sameSize,
                        CoreHost& host);

}  // namespace brindle
