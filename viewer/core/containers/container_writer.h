#pragma once
// Writing whole containers from a list of entries: for make-samples and for tests. Entries
// are laid out back to back after the directory, in list order.

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "viewer/core/containers/lod_entry.h"

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

// A LOD entry of header + payload; compressed (and the sizes filled in) when asked.
Bytes BuildPackedLodEntry(const std::string& name, ByteView data, bool compress,
                          std::uint32_t field44 = 0);

}  // namespace brindle
