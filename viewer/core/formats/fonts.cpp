#include "viewer/core/formats/fonts.h"

#include <algorithm>
#include <cstring>

#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"

namespace brindle {

namespace {

struct Layout {
  std::size_t offsetTable;  // u32 glyph offsets, one per character
  std::size_t glyphArea;    // where offsets count from
};
constexpr Layout kByteWidths{288, 288 + 1024};
constexpr Layout kSpacingRecords{3104, 3104 + 1024};

// Byte 63 is character 31's width in the first layout, and the top byte of character 2's
// width (never that large) in the second.
constexpr std::size_t kLayoutByte = 63;

std::int64_t WidthOf(ByteView data, bool spacingRecords, int c) {
  const auto i = static_cast<std::size_t>(c);
  if (!spacingRecords) return data[32 + i];
  // A width of 2 GB or more reads as negative: no picture can be that wide.
  return std::max<std::int64_t>(0, ReadI32(data, 36 + 12 * i));
}

// The glyph's bytes, cut to what the data holds: an offset before the glyph area or past
// the end, or a next offset below this one, leaves nothing.
FontGlyph GlyphOf(ByteView data, const Layout& layout, std::int64_t width, int c) {
  const auto offsetAt = [&](int ch) {
    return static_cast<std::int64_t>(
        ReadI32(data, layout.offsetTable + 4 * static_cast<std::size_t>(ch)));
  };
  const auto size = static_cast<std::int64_t>(data.size());
  const auto area = static_cast<std::int64_t>(layout.glyphArea);
  const std::int64_t offset = offsetAt(c);
  const std::int64_t end = c < 255 ? area + offsetAt(c + 1) : size;
  const std::int64_t start = area + offset;
  FontGlyph g;
  g.width = width;
  if (offset < 0 || start > size || width == 0) return g;
  const std::int64_t bytes = std::min(end, size) - start;
  if (bytes <= 0) return g;
  g.start = static_cast<std::size_t>(start);
  g.height = bytes / width;
  return g;
}

void ClampToLimits(FontLayout& layout, std::int64_t width, std::int64_t height) {
  const std::int64_t w = std::clamp<std::int64_t>(width, 1, kMaxFontSheetSide);
  const std::int64_t h = std::clamp<std::int64_t>(
      height, 1, std::min<std::int64_t>(kMaxFontSheetSide, kMaxFontSheetPixels / w));
  layout.width = static_cast<std::int32_t>(w);
  layout.height = static_cast<std::int32_t>(h);
}

int DrawnChar(unsigned char b) {
  return b < kFirstDrawnChar ? kFirstDrawnChar : b;
}

std::array<std::uint8_t, 768> ColourTableOf(const FontColours& colours) {
  std::array<std::uint8_t, 768> table{};  // 2 to 254 black
  const auto put = [&](std::size_t i, std::uint32_t rgb) {
    table[3 * i] = static_cast<std::uint8_t>(rgb >> 16);
    table[3 * i + 1] = static_cast<std::uint8_t>(rgb >> 8);
    table[3 * i + 2] = static_cast<std::uint8_t>(rgb);
  };
  put(0, colours.outside);
  put(1, colours.background);
  put(255, colours.foreground);
  return table;
}

PictureResult Render(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                     const FontColours& colours,
                     FontLayout (*layOut)(const FontFace&, std::string_view),
                     std::string_view text) {
  Bytes data = ExtractEntry(container, entry, kLodHeaderSize, host);
  if (data.empty()) return PictureFailure(PictureError::kNoPixels);
  std::optional<FontFace> face = ReadFontFace(std::move(data));
  if (!face) return PictureFailure(PictureError::kBadLayout);
  PictureResult r;
  r.picture = DrawFontLayout(*face, layOut(*face, text), colours);
  return r;
}

FontLayout SheetOf(const FontFace& face, std::string_view) {
  return LayOutFontSheet(face);
}

}  // namespace

std::optional<FontFace> ReadFontFace(Bytes data) {
  if (data.size() <= kLayoutByte) return std::nullopt;
  const bool spacingRecords = data[kLayoutByte] == 0;
  const Layout& layout = spacingRecords ? kSpacingRecords : kByteWidths;
  if (data.size() < layout.glyphArea) return std::nullopt;
  FontFace face;
  for (int c = kFirstDrawnChar; c <= 255; ++c)
    face.glyphs[static_cast<std::size_t>(c)] =
        GlyphOf(data, layout, WidthOf(data, spacingRecords, c), c);
  face.data = std::move(data);
  return face;
}

FontLayout LayOutFontSheet(const FontFace& face) {
  FontLayout layout;
  std::int64_t x = 0, y = 0, width = 1, height = 1;
  for (int c = kFirstDrawnChar; c <= 255; ++c) {
    const FontGlyph& g = face.glyphs[static_cast<std::size_t>(c)];
    if (x > 300) {
      y += g.height + 2;
      x = 0;
    }
    width = std::max(width, x + g.width);
    height = std::max(height, y + g.height);
    layout.glyphs.push_back({c, x, y, g.height});
    x += g.width + 2;
  }
  ClampToLimits(layout, width, height);
  return layout;
}

FontLayout LayOutFontText(const FontFace& face, std::string_view text) {
  FontLayout layout;
  layout.glyphs.reserve(text.size());
  // The sheet takes each glyph's height in turn: shrinking it cuts the rows of the glyphs
  // already drawn, and growing it again brings back only the Outside colour. A glyph
  // without rows leaves the height alone, so the sheet never becomes empty.
  std::vector<std::int64_t> heightAfter;
  heightAfter.reserve(text.size());
  std::int64_t x = 0, width = 1, height = 1;
  for (char ch : text) {
    const int c = DrawnChar(static_cast<unsigned char>(ch));
    const FontGlyph& g = face.glyphs[static_cast<std::size_t>(c)];
    if (g.height > 0) height = g.height;
    width = std::max(width, x + g.width);
    layout.glyphs.push_back({c, x, 0, g.height});
    heightAfter.push_back(height);
    x += g.width + 1;
  }
  std::int64_t lowest = height;
  for (std::size_t i = layout.glyphs.size(); i-- > 0;) {
    lowest = std::min(lowest, heightAfter[i]);
    layout.glyphs[i].rows = std::min(layout.glyphs[i].rows, lowest);
  }
  ClampToLimits(layout, width, height);
  return layout;
}

Picture DrawFontLayout(const FontFace& face, const FontLayout& layout, const FontColours& colours) {
  const std::array<std::uint8_t, 768> table = ColourTableOf(colours);
  Picture p;
  p.format = PictureFormat::kRgb24;
  p.width = layout.width;
  p.height = layout.height;
  const std::size_t stride = p.BytesPerRow();
  p.pixels.resize(stride * static_cast<std::size_t>(p.height));
  for (std::size_t i = 0; i < p.pixels.size(); i += 3)
    std::memcpy(&p.pixels[i], &table[0], 3);
  for (const GlyphPlacement& at : layout.glyphs) {
    const FontGlyph& g = face.glyphs[static_cast<std::size_t>(at.c)];
    if (at.x >= p.width || at.y >= p.height) continue;
    const std::int64_t cols = std::min(g.width, p.width - at.x);
    const std::int64_t rows = std::min(at.rows, p.height - at.y);
    for (std::int64_t r = 0; r < rows; ++r) {
      const std::uint8_t* src = face.data.data() + g.start + static_cast<std::size_t>(r * g.width);
      std::uint8_t* dst = &p.pixels[static_cast<std::size_t>(at.y + r) * stride +
                                    static_cast<std::size_t>(at.x) * 3];
      for (std::int64_t col = 0; col < cols; ++col, dst += 3)
        std::memcpy(dst, &table[3 * static_cast<std::size_t>(src[col])], 3);
    }
  }
  return p;
}

PictureResult RenderFontSheet(ByteFile& container, const TResourceInfo& entry,
                              const FontColours& colours, CoreHost& host) {
  return Render(container, entry, host, colours, SheetOf, {});
}

PictureResult RenderFontText(ByteFile& container, const TResourceInfo& entry, std::string_view text,
                             const FontColours& colours, CoreHost& host) {
  return Render(container, entry, host, colours, LayOutFontText, text);
}

}  // namespace brindle
