// A patch's manifest from any bytes: read or refused, never a crash; what is read is written
// back and read again to the same changes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/core/edit/patch_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  brindle::Result<brindle::PatchManifest> m = brindle::ReadManifest(text);
  if (!m) return 0;
  brindle::Result<brindle::PatchManifest> again = brindle::ReadManifest(brindle::WriteManifest(*m));
  if (!again || again->changes.size() != m->changes.size()) std::abort();
  for (std::size_t i = 0; i < m->changes.size(); ++i) {
    const brindle::PatchChange& a = m->changes[i];
    const brindle::PatchChange& b = again->changes[i];
    if (a.op != b.op || a.name != b.name || a.newName != b.newName || a.base != b.base ||
        a.result != b.result || a.file != b.file || a.size != b.size)
      std::abort();
  }
  return 0;
}
