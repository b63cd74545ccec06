// One entry of every container kind with the input as its bytes: identification, then
// what its page would read and what its save button would write.
#include <cstddef>
#include <cstdint>
#include <string>

#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/formats/fonts.h"

namespace {

// A font's export draws its whole sheet, up to the library's 16 M pixels: such inputs cost a
// hundred ordinary ones here. fuzz_font draws every layout; this target skips the large ones.
bool SheetTooLargeToDraw(const brindle::Bytes& payload) {
  std::optional<brindle::FontFace> face = brindle::ReadFontFace(payload);
  if (!face) return false;
  const brindle::FontLayout sheet = brindle::LayOutFontSheet(*face);
  return static_cast<std::int64_t>(sheet.width) * sheet.height > (std::int64_t{1} << 18);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  if (size < 2) return 0;
  static const char* kNames[] = {"x",     "x.pal", "x.pcx",     "x.txt", "x.fnt", "x.evt",
                                 "x.str", "x.bin", "party.bin", "x.dlv", "x.ddm", "x.blv",
                                 "x.odm", "x.ztp", "x.kno",     "x."};
  SilentHost host;
  MemoryFile file(Bytes(data + 2, data + size));
  TDataFile df;
  df.Kind = static_cast<TContainerKind>(data[0] % 8);
  TResourceInfo& e = df.Entries.emplace_back();
  e.Name = kNames[data[1] % 16];
  e.Offset = data[1] / 16;
  e.Size = static_cast<std::int32_t>(size - 2) - e.Offset;
  (void)IdentifyEntry(df, 0, file);
  const Bytes payload = PagePayload(file, e, host);
  if (e.ResType == rtFont && SheetTooLargeToDraw(payload)) return 0;
  // Either answer will do; what counts is getting there safely.
  (void)ExportEntry(file, e, host).ok();
  return 0;
}
