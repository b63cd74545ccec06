// Any bytes as the one entry of a BITMAPS container: identified as the window would, then
// decoded with the header's own sizes whether or not they add up; and the same bytes as a
// bitmaps.lod searched for a palette.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/palettes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  SilentHost host;
  MemoryFile file(Bytes(data, data + size));
  TResourceInfo e;
  e.Size = static_cast<std::int32_t>(size);
  IdentifyFromHeader(ckBitmaps, e, ByteView(data, std::min<std::size_t>(size, 50)));
  // Whatever the identification said, the decoder must cope with these fields.
  ByteView header(data, size);
  e.PackedSize = ReadI32(header, 20);
  e.Width = ReadU16(header, 24);
  e.Height = ReadU16(header, 26);
  e.UnpackedSize = ReadI32(header, 40) % (1 << 24);
  PictureResult r = DecodeBitmapEntry(file, e, host);
  if (r.ok() && r.picture.pixels.size() != static_cast<std::size_t>(e.Width) * e.Height)
    std::abort();
  ReadPaletteEntry(file, e);
  LookUpPalette(file, "pal001");
  return 0;
}
