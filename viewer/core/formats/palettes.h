#pragma once
// Palette entries (768 colours after a 48-byte header) and the numbered palettes sprites
// take their colours from, looked up in the "bitmaps.lod" beside their container.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/bmp.h"
#include "common/file.h"
#include "viewer/core/containers/data_file.h"

namespace brindle {

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

}  // namespace brindle
