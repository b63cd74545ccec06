// Any bytes as a sprite entry: header, row table and pixel data all from the input. Rows
// that point outside the pixel data must be refused, never read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "viewer/core/formats/sprites.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  SilentHost host;
  MemoryFile file(Bytes(data, data + size));
  ByteView header(data, size);
  TResourceInfo e;
  e.ResType = rtSprite;
  e.Size = static_cast<std::int32_t>(size);
  e.PackedSize = ReadI32(header, 12);
  e.Width = ReadU16(header, 16);
  e.Height = ReadU16(header, 18);
  e.PaletteId = ReadI32(header, 20);
  e.UnpackedSize = ReadI32(header, 28) % (1 << 24);
  ColourTable colours{};
  PictureResult r = DecodeSpriteWithPalette(file, e, colours, host);
  if (r.ok() && r.picture.pixels.size() != static_cast<std::size_t>(e.Width) * e.Height)
    std::abort();
  return 0;
}
