#include "viewer/core/formats/fonts.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/bmp.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/formats/exports.h"

namespace brindle {
namespace {

using test::RecordingHost;

struct TestGlyph {
  std::uint32_t width = 0;
  Bytes pixels;  // width x height, top row first
};

// Glyph i is character 31 + i.
using Glyphs = std::vector<TestGlyph>;

TestGlyph Filled(std::uint32_t w, std::uint32_t h, std::uint8_t value) {
  return {w, Bytes(static_cast<std::size_t>(w) * h, value)};
}

// Font data written straight from the layout tables; bytes 0 to 31 and the unused spacing
// values carry noise that must not matter.
Bytes FontData(const Glyphs& glyphs, bool spacingRecords) {
  const std::size_t table = spacingRecords ? 3104 : 288;
  Bytes data = test::Pattern(table + 1024, 91);
  for (std::size_t c = 0; c < 256; ++c) {
    if (spacingRecords) {
      PutU32(&data[32 + 12 * c], 0);
      PutU32(&data[36 + 12 * c], 0);
    } else {
      data[32 + c] = 0;
    }
  }
  std::uint32_t offset = 0;
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    const std::size_t c = 31 + i;
    if (spacingRecords) {
      PutU32(&data[32 + 12 * c], 0xDEADBEEF);
      PutU32(&data[36 + 12 * c], glyphs[i].width);
      PutU32(&data[40 + 12 * c], 0xFEEDFACE);
    } else {
      data[32 + c] = static_cast<std::uint8_t>(glyphs[i].width);
    }
    PutU32(&data[table + 4 * c], offset);
    data.insert(data.end(), glyphs[i].pixels.begin(), glyphs[i].pixels.end());
    offset += static_cast<std::uint32_t>(glyphs[i].pixels.size());
  }
  for (std::size_t c = 31 + glyphs.size(); c < 256; ++c)
    PutU32(&data[table + 4 * c], offset);
  return data;
}

// The font as the one entry of a container file, compressed or stored.
struct FontEntry {
  MemoryFile file;
  TResourceInfo entry;
};

FontEntry MakeEntry(ByteView data, bool compress) {
  FontEntry f{MemoryFile(BuildPackedLodEntry("test.fnt", data, compress)), {}};
  const Bytes header = f.file.ReadPadded(0, 48).value();
  f.entry.Name = "test.fnt";
  f.entry.Size = static_cast<std::int32_t>(f.file.Size());
  f.entry.PackedSize = ReadI32(header, 20);
  f.entry.UnpackedSize = ReadI32(header, 40);
  f.entry.ResType = rtFont;
  return f;
}

Picture Sheet(const Bytes& data, const FontColours& colours = {}) {
  std::optional<FontFace> face = ReadFontFace(data);
  EXPECT_TRUE(face);
  return face ? DrawFontLayout(*face, LayOutFontSheet(*face), colours) : Picture{};
}

Picture Text(const Bytes& data, std::string_view text, const FontColours& colours = {}) {
  std::optional<FontFace> face = ReadFontFace(data);
  EXPECT_TRUE(face);
  return face ? DrawFontLayout(*face, LayOutFontText(*face, text), colours) : Picture{};
}

std::uint32_t At(const Picture& p, int x, int y) {
  const std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 3];
  return (static_cast<std::uint32_t>(px[0]) << 16) | (px[1] << 8) | px[2];
}

// 225 glyphs of varied widths and heights whose pixels use every value.
Glyphs Varied() {
  Glyphs g;
  for (std::uint32_t i = 0; i < 225; ++i) {
    const std::uint32_t w = 1 + i % 13, h = 3 + i % 7;
    TestGlyph t{w, test::Pattern(w * h, static_cast<std::uint8_t>(i))};
    g.push_back(t);
  }
  return g;
}

TEST(Fonts, BothLayoutsOfTheSameGlyphsRenderAlikeCompressedOrStored) {
  const Glyphs glyphs = Varied();
  RecordingHost host;
  const FontColours colours{0x102030, 0x405060, 0x708090};
  std::vector<Picture> sheets, texts;
  for (bool spacing : {false, true}) {
    for (bool compress : {false, true}) {
      FontEntry f = MakeEntry(FontData(glyphs, spacing), compress);
      PictureResult sheet = RenderFontSheet(f.file, f.entry, colours, host);
      PictureResult text = RenderFontText(f.file, f.entry, "brindle 1.0", colours, host);
      ASSERT_TRUE(sheet.ok() && text.ok());
      sheets.push_back(sheet.picture);
      texts.push_back(text.picture);
    }
  }
  EXPECT_TRUE(host.messages.empty());
  for (std::size_t i = 1; i < sheets.size(); ++i) {
    EXPECT_EQ(sheets[i].pixels, sheets[0].pixels) << i;
    EXPECT_EQ(sheets[i].width, sheets[0].width);
    EXPECT_EQ(texts[i].pixels, texts[0].pixels) << i;
  }
  EXPECT_EQ(sheets[0].format, PictureFormat::kRgb24);
}

TEST(Fonts, SheetRowsCloseOncePastThreeHundredPixels) {
  const Bytes data = FontData(Glyphs(225, Filled(10, 8, 255)), false);
  const std::optional<FontFace> face = ReadFontFace(data);
  ASSERT_TRUE(face);
  const FontLayout layout = LayOutFontSheet(*face);
  // Glyph 26 stands at x = 300, which does not yet close the row; the 27th starts the next.
  EXPECT_EQ(layout.glyphs[25].x, 300);
  EXPECT_EQ(layout.glyphs[25].y, 0);
  EXPECT_EQ(layout.glyphs[26].x, 0);
  EXPECT_EQ(layout.glyphs[26].y, 10);
  // 225 glyphs make eight full rows and one of 17.
  EXPECT_EQ(layout.glyphs[224].y, 80);
  EXPECT_EQ(layout.width, 310);
  EXPECT_EQ(layout.height, 88);

  const Picture sheet = Sheet(data);
  EXPECT_EQ(At(sheet, 309, 7), 0xFF0000u);  // the 26th glyph's last column
  EXPECT_EQ(At(sheet, 10, 0), 0xFFFFFFu);   // the gap between glyphs shows Outside
  EXPECT_EQ(At(sheet, 0, 8), 0xFFFFFFu);    // and so do the two lines between rows
  EXPECT_EQ(At(sheet, 0, 10), 0xFF0000u);
}

TEST(Fonts, RowsAdvanceByTheHeightOfTheGlyphThatOpensThem) {
  // Tall glyphs in the first row, a short one opening the second: the rows overlap, and
  // the later glyph is drawn over the earlier one's lower rows.
  Glyphs g(225, Filled(100, 20, 255));
  g[3] = Filled(100, 3, 1);
  const FontLayout layout = LayOutFontSheet(*ReadFontFace(FontData(g, false)));
  EXPECT_EQ(layout.glyphs[2].x, 204);
  EXPECT_EQ(layout.glyphs[3].x, 0);
  EXPECT_EQ(layout.glyphs[3].y, 5);
  const Picture sheet = Sheet(FontData(g, false));
  EXPECT_EQ(At(sheet, 50, 5), 0x000000u);
  EXPECT_EQ(At(sheet, 50, 8), 0xFF0000u);
}

TEST(Fonts, PixelValuesTakeTheirPanelColoursAndTheRestIsBlack) {
  // One glyph per pixel value of interest: outside, background, 7, foreground.
  Glyphs g;
  for (std::uint8_t v : {0, 1, 7, 255})
    g.push_back(Filled(2, 2, v));
  const Bytes data = FontData(g, true);
  const FontColours green{0xFF0000, 0x00FF00, 0xFFFFFF};
  const std::uint32_t want[] = {0xFFFFFF, 0x00FF00, 0x000000, 0xFF0000};
  const Picture sheet = Sheet(data, green);
  const Picture text = Text(data, "\x1f !\"", green);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(At(sheet, i * 4, 1), want[i]) << i;
    EXPECT_EQ(At(text, i * 3 + 1, 1), want[i]) << i;
  }
  // Only the colour's red, green and blue count.
  EXPECT_EQ(At(Sheet(data, {0xAB123456, 0, 0}), 12, 0), 0x123456u);
}

TEST(Fonts, TypedTextSitsOnOneLineAsHighAsItsLastGlyph) {
  Glyphs g(225, Filled(3, 4, 255));
  g['A' - 31] = Filled(5, 9, 255);
  g['b' - 31] = Filled(2, 6, 1);
  const Bytes data = FontData(g, false);

  const Picture ab = Text(data, "Ab");
  EXPECT_EQ(ab.width, 5 + 1 + 2);
  EXPECT_EQ(ab.height, 6);
  EXPECT_EQ(At(ab, 5, 0), 0xFFFFFFu);  // the one-pixel gap
  EXPECT_EQ(At(ab, 6, 5), 0x000000u);

  // Shrinking the line cuts the rows of what stands before; growing it again brings back
  // Outside, not the cut rows.
  const Picture abA = Text(data, "AbA");
  EXPECT_EQ(abA.height, 9);
  EXPECT_EQ(At(abA, 0, 5), 0xFF0000u);
  EXPECT_EQ(At(abA, 0, 6), 0xFFFFFFu);
  EXPECT_EQ(At(abA, 9, 8), 0xFF0000u);

  const Picture empty = Text(data, "");
  EXPECT_EQ(empty.width, 1);
  EXPECT_EQ(empty.height, 1);
  EXPECT_EQ(At(empty, 0, 0), 0xFFFFFFu);
}

TEST(Fonts, BytesBelowThirtyOneShowCharacterThirtyOne) {
  Glyphs g(225, Filled(3, 3, 1));
  g[0] = TestGlyph{3, {255, 1, 7, 0, 255, 0, 7, 1, 255}};
  const Bytes data = FontData(g, false);
  const Picture box = Text(data, "\x1f\x1f\x1f");
  EXPECT_EQ(Text(data, "\t\x01\x1e").pixels, box.pixels);
  EXPECT_NE(Text(data, "   ").pixels, box.pixels);
}

TEST(Fonts, GlyphsWithoutRowsDrawNothingAndKeepTheLineHeight) {
  Glyphs g(225, Filled(4, 5, 255));
  g['a' - 31] = TestGlyph{0, {}};             // width 0
  g['b' - 31] = TestGlyph{6, Bytes(5, 255)};  // less than one row
  const Bytes data = FontData(g, true);
  for (bool spacing : {false, true}) {
    const Picture text = Text(FontData(g, spacing), "Xab");
    EXPECT_EQ(text.height, 5);
    EXPECT_EQ(text.width, 4 + 1 + 0 + 1 + 6);
    EXPECT_EQ(At(text, 7, 0), 0xFFFFFFu);
  }
  const FontLayout layout = LayOutFontSheet(*ReadFontFace(data));
  EXPECT_EQ(layout.glyphs['b' - 31].x, layout.glyphs['a' - 31].x + 2);
}

// Fonts whose tables lie: everything drawn comes from inside the data (the sanitizer builds
// check the reads), and what cannot be drawn is left out.
TEST(Fonts, LyingTablesRenderWhatTheDataHolds) {
  const Glyphs glyphs(225, Filled(4, 4, 255));
  const auto lie = [&](bool spacing, const std::function<void(Bytes&, std::size_t table)>& edit) {
    Bytes data = FontData(glyphs, spacing);
    edit(data, spacing ? 3104 : 288);
    return data;
  };
  for (bool spacing : {false, true}) {
    SCOPED_TRACE(spacing);
    // Offsets past the end, before the glyph area, and going backwards.
    const Bytes past = lie(spacing, [](Bytes& d, std::size_t t) {
      PutU32(&d[t + 4 * 40], 0x7FFFFFF0);
      PutU32(&d[t + 4 * 50], 0xFFFFFFF0);
      PutU32(&d[t + 4 * 61], 4);
    });
    const Picture sheet = Sheet(past);
    EXPECT_GT(sheet.width, 1);
    EXPECT_EQ(Text(past, "\x28").height, 1);  // character 40 has nothing to draw

    // The last glyph's bytes are cut short: it keeps its whole rows.
    Bytes cut = FontData(glyphs, spacing);
    cut.resize(cut.size() - 6);
    EXPECT_EQ(Text(cut, "\xff").height, 2);

    // Nothing beyond the tables at all.
    const Picture bare = Sheet(FontData({TestGlyph{4, {}}}, spacing));
    for (std::size_t i = 0; i < bare.pixels.size(); ++i)
      ASSERT_EQ(bare.pixels[i], 0xFF) << i;
  }
  // A width of two gigapixels cannot make a sheet that large.
  const Bytes wide = lie(true, [](Bytes& d, std::size_t) { PutU32(&d[36 + 12 * 40], 0x7FFFFFFF); });
  const Picture sheet = Sheet(wide);
  EXPECT_LE(sheet.width, kMaxFontSheetSide);
  EXPECT_LE(static_cast<std::int64_t>(sheet.width) * sheet.height, kMaxFontSheetPixels);
  EXPECT_EQ(sheet.pixels.size(), sheet.BytesPerRow() * static_cast<std::size_t>(sheet.height));
}

TEST(Fonts, DataThatCannotHoldAFontIsRefused) {
  for (std::size_t size : {64u, 1311u}) {
    Bytes data(size, 3);
    FontEntry f = MakeEntry(data, true);
    RecordingHost host;
    EXPECT_EQ(RenderFontSheet(f.file, f.entry, {}, host).error, PictureError::kBadLayout);
  }
  // Byte 63 zero asks for the larger layout.
  Bytes data(2000, 3);
  data[63] = 0;
  EXPECT_FALSE(ReadFontFace(data));
  FontEntry empty = MakeEntry({}, true);
  RecordingHost host;
  EXPECT_EQ(RenderFontText(empty.file, empty.entry, "x", {}, host).error, PictureError::kNoPixels);
}

TEST(Fonts, ExportWritesTheSheetInTheFirstColoursAsTwentyFourBitBmp) {
  FontEntry f = MakeEntry(FontData(Varied(), true), true);
  RecordingHost host;
  Result<ExportedFile> r = ExportEntry(f.file, f.entry, host);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->extension, "bmp");
  BmpReadOptions trueColour;
  trueColour.readTrueColour = true;
  BmpReadResult bmp = ReadBmp(r->bytes, trueColour);
  ASSERT_EQ(bmp.status, BmpStatus::kOk);
  EXPECT_EQ(bmp.image.bitsPerPixel, 24);
  const Picture sheet = Sheet(FontData(Varied(), false));
  EXPECT_EQ(bmp.image.width, sheet.width);
  EXPECT_EQ(bmp.image.height, sheet.height);
  EXPECT_EQ(bmp.image.pixels, sheet.pixels);
}

}  // namespace
}  // namespace brindle
