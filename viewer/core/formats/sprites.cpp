// Sprite entries: a 32-byte header (packed size at 12, width and height at 16 and 18, palette
// number at 20, unpacked size at 28), one 8-byte record per row (u16 first column, u16 last
// column, u32 offset of the row's pixels in the unpacked data), then the pixel data in the
// entry's last PackedSize bytes. Columns outside [first, last] are index 0.

#include "viewer/core/formats/sprites.h"

#include <algorithm>
#include <optional>

#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/palettes.h"

namespace brindle {

namespace {

// Sprites may leave whole rows empty, so their pictures are not bounded by their data. No
// sprite comes near this; a header that claims more is refused before anything is allocated.
constexpr std::int64_t kMaxSpritePixels = std::int64_t{1} << 26;
constexpr std::int64_t kSpriteHeaderSize = 32;
constexpr std::int64_t kSpriteRowRecord = 8;

// The sprite's unpacked pixel data, or an error when its header cannot be right.
PictureError SpritePixels(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                          Bytes& pixels) {
  const std::int64_t headerSize = static_cast<std::int64_t>(entry.Size) - entry.PackedSize;
  if (entry.Width < 0 || entry.Height < 0 || entry.PackedSize <= 0 ||
      headerSize < kSpriteHeaderSize + kSpriteRowRecord * entry.Height)
    return PictureError::kBadLayout;
  if (static_cast<std::int64_t>(entry.Width) * entry.Height > kMaxSpritePixels)
    return PictureError::kTooLarge;
  pixels = ExtractEntry(container, entry, static_cast<std::int32_t>(headerSize), host);
  return pixels.empty() ? PictureError::kNoPixels : PictureError::kNone;
}

PictureResult DrawSprite(ByteFile& container, const TResourceInfo& entry, ByteView data,
                         const ColourTable& colours) {
  PictureResult r;
  Picture& p = r.picture;
  p.width = entry.Width;
  p.height = entry.Height;
  p.colours = colours;
  const std::size_t w = static_cast<std::size_t>(entry.Width);
  const std::size_t h = static_cast<std::size_t>(entry.Height);
  // The row table lies within the header (checked by SpritePixels); one read takes it all.
  const Bytes table = container.ReadForDecoding(
      static_cast<std::int64_t>(entry.Offset) + kSpriteHeaderSize, kSpriteRowRecord * h);
  p.pixels.assign(w * h, 0);
  for (std::size_t y = 0; y < h; ++y) {
    const std::size_t first = ReadU16(table, 8 * y);
    const std::size_t last = ReadU16(table, 8 * y + 2);
    const std::size_t offset = ReadU32(table, 8 * y + 4);
    if (first >= w || last < first) continue;
    // Only the stored pixels that land inside the row are used; they must exist.
    const std::size_t count = std::min(last, w - 1) - first + 1;
    if (offset > data.size() || count > data.size() - offset)
      return PictureFailure(PictureError::kBadLayout);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), count,
                p.pixels.begin() + static_cast<std::ptrdiff_t>(y * w + first));
  }
  return r;
}

}  // namespace

PictureResult DecodeSprite(ByteFile& container, const TResourceInfo& entry,
                           const std::string& containerPath, CoreHost& host) {
  Bytes data;
  PictureError error = SpritePixels(container, entry, host, data);
  if (error != PictureError::kNone) return PictureFailure(error);
  // Read for every decode: a palette changed on disk shows at once.
  const std::string lod = BitmapsLodBeside(containerPath);
  if (lod.empty()) return PictureFailure(PictureError::kNoPaletteFile);
  std::optional<ColourTable> colours = LookUpPalette(lod, PaletteName(entry.PaletteId));
  if (!colours) return PictureFailure(PictureError::kNoPalette);
  return DrawSprite(container, entry, data, *colours);
}

PictureResult DecodeSpriteWithPalette(ByteFile& container, const TResourceInfo& entry,
                                      const ColourTable& colours, CoreHost& host) {
  Bytes data;
  PictureError error = SpritePixels(container, entry, host, data);
  if (error != PictureError::kNone) return PictureFailure(error);
  return DrawSprite(container, entry, data, colours);
}

}  // namespace brindle
