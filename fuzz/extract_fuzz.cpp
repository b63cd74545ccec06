// An entry whose directory fields come from the first 16 bytes, in a file of the rest:
// extraction and inflating with every header size the families use.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "viewer/core/containers/extract.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  if (size < 16) return 0;
  ByteView head(data, 16);
  SilentHost host;
  MemoryFile file(Bytes(data + 16, data + size));
  TResourceInfo e;
  e.Offset = ReadI32(head, 0) % 4096;
  e.Size = ReadI32(head, 4);
  e.PackedSize = ReadI32(head, 8);
  e.UnpackedSize = ReadI32(head, 12) % (1 << 24);
  const auto spriteHeader = static_cast<std::int32_t>(std::clamp<std::int64_t>(
      static_cast<std::int64_t>(e.Size) - e.PackedSize, INT32_MIN, INT32_MAX));
  for (std::int32_t h : {0, 8, 48, spriteHeader}) {
    ExtractEntry(file, e, h, host);
    ExtractBinEntry(file, e, h, host);
  }
  InflateBytes(ByteView(data + 16, size - 16), e.UnpackedSize, host);
  return 0;
}
