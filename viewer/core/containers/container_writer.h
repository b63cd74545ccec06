#pragma once
// Writing whole containers from a list of entries: for make-samples and for tests. Entries
// are laid out back to back after the directory, in list order.

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace brindle {

struct NewEntry {
  std::string name;
  Bytes bytes;                    // the entry as stored
  std::int32_t unpackedSize = 0;  // SND only: size after inflating, 0 when stored raw
};

// A LOD with the given identifier ("ICONS", "BITMAPS", ...): 288-byte header, directory,
// entries. The length field at 276 is filled in.
Bytes BuildLod(const std::string& identifier, const std::vector<NewEntry>& entries);
Bytes BuildSnd(const std::vector<NewEntry>& entries);
Bytes BuildVid(const std::vector<NewEntry>& entries);

// The 48-byte header in front of most LOD entries.
struct LodHeaderFields {
  std::string name;
  std::uint32_t field16 = 0;
  std::int32_t packedSize = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int32_t unpackedSize = 0;
  std::uint32_t field44 = 0;
};
Bytes BuildLodEntryHeader(const LodHeaderFields& h);

// A LOD entry of header + payload; compressed (and the sizes filled in) when asked.
Bytes BuildPackedLodEntry(const std::string& name, ByteView data, bool compress,
                          std::uint32_t field44 = 0);

}  // namespace brindle
