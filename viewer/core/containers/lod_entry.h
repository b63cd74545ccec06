#pragma once
// The 48-byte header in front of most LOD entries (little-endian):
//   0  name[16]          the entry's name, NUL-padded
//   16 u32               bitmaps repeat the pixel count here; others leave it 0
//   20 i32 packed size   bytes of payload after the header (the zlib stream when compressed)
//   24 u16 width, 26 u16 height   pictures only
//   28 12 bytes          unused
//   40 i32 unpacked size what the payload inflates to; 0 when it is stored raw
//   44 u32               texts carry 256 here; others 0
// Bitmaps and icons follow their pixels with a 768-byte palette; palette entries are the
// header and those 768 bytes alone.

#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace brindle {

inline constexpr std::int32_t kLodHeaderSize = 48;
inline constexpr std::int32_t kPaletteBytes = 768;

struct LodEntryHeader {
  std::string name;
  std::uint32_t field16 = 0;
  std::int32_t packedSize = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int32_t unpackedSize = 0;
  std::uint32_t field44 = 0;
};

// The fields of a header; bytes missing at the end read as zero.
LodEntryHeader ParseLodEntryHeader(ByteView header);
// The same without the name, which costs a string: what identification reads of every entry.
struct LodEntrySizes {
  std::int32_t packedSize = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int32_t unpackedSize = 0;
};
// Inline: identification reads it for every entry, and a call that returns the fields
// through memory stalls on reading them back.
inline LodEntrySizes ParseLodEntrySizes(ByteView header) {
  return {ReadI32(header, 20), ReadU16(header, 24), ReadU16(header, 26), ReadI32(header, 40)};
}
// The 48 bytes of a header; a name longer than 16 bytes is cut.
Bytes WriteLodEntryHeader(const LodEntryHeader& header);

}  // namespace brindle
