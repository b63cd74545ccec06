// Any bytes as a PCX file, plain and as the payload of a header-wrapped entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "viewer/core/formats/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  SilentHost host;
  ProgressReporter progress(host);
  PictureResult r = DecodePcxFile(ByteView(data, size), &progress);
  if (r.ok() &&
      r.picture.pixels.size() != static_cast<std::size_t>(r.picture.width) * r.picture.height * 3)
    std::abort();
  MemoryFile file(Bytes(data, data + size));
  TResourceInfo e;
  e.Size = static_cast<std::int32_t>(size);
  e.PackedSize = ReadI32(ByteView(data, size), 20);
  e.UnpackedSize = ReadI32(ByteView(data, size), 40) % (1 << 24);
  DecodePcx(file, e, host);
  return 0;
}
