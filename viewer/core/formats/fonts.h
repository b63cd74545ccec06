#pragma once
// Font entries of the ICONS containers: one small picture per character, whose pixel values
// 0, 1 and 255 stand for the outside, the background and the foreground of the character
// (2 to 254 are drawn black). Rendered as a sheet of every character or as a line of text,
// in direct colour.
//
// The font data (after the 48-byte header, zlib or raw) comes in two layouts, told apart by
// byte 63:
//   byte widths (byte 63 not zero):  width of character c as u8 at 32 + c, glyph offsets as
//                                    u32 at 288 + 4c, glyph pixels from 1312
//   spacing records (byte 63 zero):  three u32 per character at 32 + 12c, the middle one the
//                                    width; glyph offsets at 3104 + 4c, pixels from 4128
// Offsets count from the glyph pixels. A glyph runs to the next character's offset (the last
// to the end of the data), width bytes per row, top row first; its height is its byte count
// divided by its width. Only characters 31 to 255 are ever drawn.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

inline constexpr int kFirstDrawnChar = 31;

// The colours of the three pixel values, as 0xRRGGBB; the initial colours of the font page.
struct FontColours {
  std::uint32_t foreground = 0xFF0000;
  std::uint32_t background = 0x000000;
  std::uint32_t outside = 0xFFFFFF;
};

// One character's picture inside the font data. Its rows lie wholly inside the data: a
// glyph whose bytes reach past the end keeps only the rows that are there.
struct FontGlyph {
  std::int64_t width = 0;
  std::int64_t height = 0;  // 0: nothing to draw (width 0, or less than one row of bytes)
  std::size_t start = 0;    // of its top row in the font data
};

struct FontFace {
  Bytes data;
  std::array<FontGlyph, 256> glyphs{};  // characters below 31 stay empty
};

// The font in `data`, or nothing when the data is empty or too short to hold its width
// and offset tables.
std::optional<FontFace> ReadFontFace(Bytes data);

// Where each glyph goes on a sheet and how large the sheet is.
struct GlyphPlacement {
  int c = 0;
  std::int64_t x = 0;
  std::int64_t y = 0;
  std::int64_t rows = 0;  // of the glyph still on the sheet once everything is drawn
};
struct FontLayout {
  std::vector<GlyphPlacement> glyphs;  // in drawing order
  std::int32_t width = 1;
  std::int32_t height = 1;
};

// Sheets never grow past these; what lies beyond is cut off. Real fonts stay far inside.
inline constexpr std::int32_t kMaxFontSheetSide = 1 << 14;
inline constexpr std::int64_t kMaxFontSheetPixels = std::int64_t{1} << 24;

// Every character from 31 to 255 in rows with two pixels between glyphs; a row closes once
// it has passed 300 pixels, and the next one starts the new glyph's height + 2 lower.
FontLayout LayOutFontSheet(const FontFace& face);
// The text's bytes side by side, one pixel apart (bytes below 31 show character 31), on a
// sheet as high as the last glyph that has rows.
FontLayout LayOutFontText(const FontFace& face, std::string_view text);
// The layout drawn in direct colour over the Outside colour.
Picture DrawFontLayout(const FontFace& face, const FontLayout& layout, const FontColours& colours);

// The entry's font rendered as a sheet of every character, or as the text; failing with
// kNoPixels when the data extracts to nothing and kBadLayout when it cannot hold a font.
PictureResult RenderFontSheet(ByteFile& container, const TResourceInfo& entry,
                              const FontColours& colours, CoreHost& host);
PictureResult RenderFontText(ByteFile& container, const TResourceInfo& entry, std::string_view text,
                             const FontColours& colours, CoreHost& host);

}  // namespace brindle
