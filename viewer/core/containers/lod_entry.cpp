#include "viewer/core/containers/lod_entry.h"

namespace brindle {

LodEntryHeader ParseLodEntryHeader(ByteView header) {
  LodEntryHeader h;
  h.name = FixedText(header.subspan(0, std::min<std::size_t>(header.size(), 16)));
  h.field16 = ReadU32(header, 16);
  const LodEntrySizes sizes = ParseLodEntrySizes(header);
  h.packedSize = sizes.packedSize;
  h.width = sizes.width;
  h.height = sizes.height;
  h.unpackedSize = sizes.unpackedSize;
  h.field44 = ReadU32(header, 44);
  return h;
}

Bytes WriteLodEntryHeader(const LodEntryHeader& h) {
  ByteWriter w;
  w.FixedText(h.name, 16).U32(h.field16).I32(h.packedSize).U16(h.width).U16(h.height);
  w.Zeros(12).I32(h.unpackedSize).U32(h.field44);
  return w.Take();
}

}  // namespace brindle
