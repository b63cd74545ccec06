// Any bytes as the data of a font entry: laid out as a sheet of every character and as a
// line of text, then drawn. The text is the font's first 32 bytes, which the layouts never
// read, so one input steers both.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/core/formats/fonts.h"

namespace {

// The library cuts a sheet at 16 M pixels, sized for any real font (whose sheets hold tens of
// thousands). Drawing a sheet of millions costs as much as hundreds of ordinary inputs and
// reaches no code a sheet of 256 K pixels does not; the layouts still run on every input.
constexpr std::int64_t kMaxFuzzSheetPixels = std::int64_t{1} << 18;

void Draw(const brindle::FontFace& face, const brindle::FontLayout& layout) {
  using namespace brindle;
  if (static_cast<std::int64_t>(layout.width) * layout.height > kMaxFuzzSheetPixels) return;
  const Picture p = DrawFontLayout(face, layout, FontColours{});
  if (p.pixels.size() != p.BytesPerRow() * static_cast<std::size_t>(p.height)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  std::optional<FontFace> face = ReadFontFace(Bytes(data, data + size));
  if (!face) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 32));
  const FontLayout sheet = LayOutFontSheet(*face);
  const FontLayout line = LayOutFontText(*face, text);
  for (const FontLayout* layout : {&sheet, &line}) {
    if (layout->width < 1 || layout->height < 1 || layout->width > kMaxFontSheetSide ||
        static_cast<std::int64_t>(layout->width) * layout->height > kMaxFontSheetPixels)
      std::abort();
    Draw(*face, *layout);
  }
  return 0;
}
