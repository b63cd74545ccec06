#include "common/bmp.h"

#include <gtest/gtest.h>

#include "common/file.h"
#include "peers.h"
#include "test_support.h"

namespace brindle {
namespace {

// A BMP written field by field from the format's tables, so the reader is checked against
// the layout rather than against our own writer.
struct BmpFixture {
  std::uint32_t headerSize = 40;
  std::int32_t width = 3;
  std::int32_t height = 2;
  std::uint16_t bits = 8;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::vector<std::array<std::uint8_t, 3>> table;  // (red, green, blue)
  Bytes pixels;                                    // as stored
  std::int64_t pixelOffsetShift = 0;               // lie about where the pixels start

  Bytes Build() const {
    const bool core = headerSize == 12;
    const std::size_t tableBytes = table.size() * (core ? 3 : 4);
    const std::size_t pixelOffset = 14 + headerSize + tableBytes;
    ByteWriter w;
    w.U8('B').U8('M').U32(static_cast<std::uint32_t>(pixelOffset + pixels.size())).U32(0);
    w.U32(static_cast<std::uint32_t>(static_cast<std::int64_t>(pixelOffset) + pixelOffsetShift));
    w.U32(headerSize);
    if (core) {
      w.U16(static_cast<std::uint16_t>(width)).U16(static_cast<std::uint16_t>(height));
      w.U16(1).U16(bits);
    } else {
      ByteWriter info;
      info.I32(width).I32(height).U16(1).U16(bits).U32(compression).U32(0).I32(0).I32(0);
      info.U32(coloursUsed).U32(0);
      Bytes b = info.Take();
      b.resize(headerSize - 4, 0);
      w.Append(b);
    }
    for (const auto& c : table) {
      w.U8(c[2]).U8(c[1]).U8(c[0]);
      if (!core) w.U8(0);
    }
    w.Append(pixels);
    return w.Take();
  }
};

std::vector<std::array<std::uint8_t, 3>> FourColours() {
  return {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 128}};
}

// Rows of 3 pixels padded to 4 bytes; stored rows bottom-up: the top row is 1 2 3.
const Bytes kStoredBottomUp = {4, 5, 6, 0xEE, 1, 2, 3, 0xEE};
const Bytes kPicture = {1, 2, 3, 4, 5, 6};

TEST(BmpReader, EightBitVariantsGiveTheSamePicture) {
  BmpFixture bottomUp;
  bottomUp.table = FourColours();
  bottomUp.coloursUsed = 4;
  bottomUp.pixels = kStoredBottomUp;

  BmpFixture topDown = bottomUp;
  topDown.height = -2;
  topDown.pixels = {1, 2, 3, 0, 4, 5, 6, 0};

  BmpFixture core = bottomUp;  // OS/2: 12-byte header, 3-byte colours, all 256 implied but
  core.headerSize = 12;        // only as many as fit before the pixels
  BmpFixture v5 = bottomUp;
  v5.headerSize = 124;
  BmpFixture shortOs2 = bottomUp;  // 16-byte header: no compression field, all colours
  shortOs2.headerSize = 16;
  shortOs2.coloursUsed = 0;

  BmpFixture rle = bottomUp;
  rle.compression = 1;
  // Bottom line: runs of one 4, one 5, one 6, end of line; top line: three literal bytes
  // and their pad byte, then end of picture.
  rle.pixels = {1, 4, 1, 5, 1, 6, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1};

  for (const auto& [name, fx] :
       std::vector<std::pair<std::string, BmpFixture>>{{"bottom-up", bottomUp},
                                                       {"top-down", topDown},
                                                       {"core", core},
                                                       {"v5", v5},
                                                       {"os2-16", shortOs2},
                                                       {"rle8", rle}}) {
    SCOPED_TRACE(name);
    BmpReadResult r = ReadBmp(fx.Build());
    ASSERT_EQ(r.status, BmpStatus::kOk) << r.error;
    EXPECT_EQ(r.image.width, 3);
    EXPECT_EQ(r.image.height, 2);
    EXPECT_EQ(r.image.tableEntries, 4);
    EXPECT_EQ(r.image.pixels, kPicture);
    EXPECT_EQ(r.image.colours[0], 10);
    EXPECT_EQ(r.image.colours[2], 30);
    EXPECT_EQ(r.image.colours[9], 255);
    EXPECT_EQ(r.image.colours[11], 128);
    // The colours a short table lacks are black.
    EXPECT_EQ(r.image.colours[12], 0);
    EXPECT_EQ(r.image.colours[767], 0);
  }
}

TEST(BmpReader, Rle8MovesClipsAndStopsEarly) {
  BmpFixture fx;
  fx.width = 4;
  fx.height = 3;
  fx.compression = 1;
  fx.table = FourColours();
  fx.pixels = {
      9, 7,              // a run of 9 on a 4-wide line: cut at the line's end
      0, 0,              // end of line
      0, 2, 1, 1,        // move one right and one up: to x 1 of the top line
      0, 4, 1, 2, 3, 9,  // four literal bytes from x 1: the last falls off the line
  };                     // no end-of-picture code: the stream simply ends
  BmpReadResult r = ReadBmp(fx.Build());
  ASSERT_EQ(r.status, BmpStatus::kOk) << r.error;
  EXPECT_EQ(r.image.pixels, (Bytes{0, 1, 2, 3,  // top line, after the move
                                   0, 0, 0, 0,  // middle line, skipped by the move
                                   7, 7, 7, 7}));
}

TEST(BmpReader, OtherDepthsAreReportedNotRead) {
  for (std::uint16_t bits : {1, 4, 16, 24, 32}) {
    BmpFixture fx;
    fx.bits = bits;
    if (bits <= 4) fx.table = FourColours();
    fx.pixels = Bytes(64, 0);
    BmpReadResult r = ReadBmp(fx.Build());
    EXPECT_EQ(r.status, BmpStatus::kNotIndexed) << bits;
    EXPECT_EQ(r.image.bitsPerPixel, bits);
  }
  // 8 bits but no room for a single colour before the pixels.
  BmpFixture noTable;
  noTable.pixels = kStoredBottomUp;
  EXPECT_EQ(ReadBmp(noTable.Build()).status, BmpStatus::kNotIndexed);
}

TEST(BmpReader, EmptyPicturesAreNotValid) {
  for (std::int32_t w : {0, -3}) {
    BmpFixture fx;
    fx.width = w;
    fx.table = FourColours();
    EXPECT_EQ(ReadBmp(fx.Build()).status, BmpStatus::kEmpty) << w;
  }
  BmpFixture flat;
  flat.height = 0;
  flat.table = FourColours();
  EXPECT_EQ(ReadBmp(flat.Build()).status, BmpStatus::kEmpty);
}

TEST(BmpReader, LyingHeadersAreRefused) {
  BmpFixture good;
  good.table = FourColours();
  good.pixels = kStoredBottomUp;

  auto expectUnreadable = [](const Bytes& file, const std::string& what) {
    BmpReadResult r = ReadBmp(file);
    EXPECT_EQ(r.status, BmpStatus::kUnreadable) << what;
    EXPECT_FALSE(r.error.empty()) << what;
  };
  expectUnreadable({}, "empty");
  const std::string gif = "GIF89a and more bytes";
  expectUnreadable(Bytes(gif.begin(), gif.end()), "not a BMP");
  Bytes cut = good.Build();
  cut.resize(cut.size() - 2);  // the top row loses pixels, not just padding
  expectUnreadable(cut, "pixels cut short");
  Bytes header = good.Build();
  header.resize(30);
  expectUnreadable(header, "header cut short");

  BmpFixture huge = good;  // a few bytes claiming a picture of 2^31 pixels
  huge.width = 65536;
  huge.height = 32768;
  expectUnreadable(huge.Build(), "huge");
  huge.compression = 1;
  expectUnreadable(huge.Build(), "huge rle");

  BmpFixture wide = good;  // an RLE stream that cannot describe this much
  wide.compression = 1;
  wide.width = 10000;
  wide.height = 10000;
  wide.pixels = {0, 1};
  expectUnreadable(wide.Build(), "rle larger than its data");

  BmpFixture farAway = good;
  farAway.pixelOffsetShift = 1 << 30;
  expectUnreadable(farAway.Build(), "pixels past the end");

  BmpFixture literal = good;
  literal.compression = 1;
  literal.pixels = {0, 200, 1, 2};  // 200 literal bytes announced, 2 present
  expectUnreadable(literal.Build(), "literal past the end");

  BmpFixture odd = good;
  odd.compression = 3;
  expectUnreadable(odd.Build(), "bit fields on 8 bits");
  BmpFixture strange = good;
  strange.headerSize = 200;
  expectUnreadable(strange.Build(), "unknown header");
}

BmpReadResult ReadWidened(const Bytes& file) {
  BmpReadOptions options;
  options.widenPalette = true;
  return ReadBmp(file, options);
}

TEST(BmpReader, OneAndFourBitPicturesWidenToIndicesWhenAsked) {
  // The same 3 x 2 picture as above, top row 1 2 3, bottom row 0 3 1 (fits in 2 bits).
  const Bytes picture = {1, 2, 3, 0, 3, 1};
  BmpFixture four;
  four.bits = 4;
  four.table = FourColours();
  four.pixels = {0x03, 0x10, 0xEE, 0xEE, 0x12, 0x30, 0xEE, 0xEE};  // high nibble first

  BmpFixture rle4 = four;
  rle4.compression = 2;
  // Bottom line: a run of 0 and 3 alternating for two pixels, then a run of one 1; top
  // line: three literal nibbles in two bytes (padded to an even count), end of picture.
  rle4.pixels = {2, 0x03, 1, 0x10, 0, 0, 0, 3, 0x12, 0x30, 0, 1};

  BmpFixture one;  // two colours: the picture's pixels modulo 2
  one.bits = 1;
  one.table = {{10, 20, 30}, {40, 50, 60}};
  one.pixels = {0b01100000, 0xEE, 0xEE, 0xEE, 0b10100000, 0xEE, 0xEE, 0xEE};

  for (const auto& [name, fx, want] : std::vector<std::tuple<std::string, BmpFixture, Bytes>>{
           {"4-bit", four, picture}, {"rle4", rle4, picture}, {"1-bit", one, {1, 0, 1, 0, 1, 1}}}) {
    SCOPED_TRACE(name);
    const Bytes file = fx.Build();
    EXPECT_EQ(ReadBmp(file).status, BmpStatus::kNotIndexed);  // what an import must refuse
    BmpReadResult r = ReadWidened(file);
    ASSERT_EQ(r.status, BmpStatus::kOk) << r.error;
    EXPECT_EQ(r.image.bitsPerPixel, fx.bits);
    EXPECT_EQ(r.image.layout, BmpLayout::kIndices);
    EXPECT_EQ(r.image.tableEntries, static_cast<int>(fx.table.size()));
    EXPECT_EQ(r.image.pixels, want);
    EXPECT_EQ(r.image.colours[3], 40);
  }
  BmpFixture rle4On8 = rle4;  // RLE4 codes only make sense for 4-bit pixels
  rle4On8.bits = 8;
  EXPECT_EQ(ReadWidened(rle4On8.Build()).status, BmpStatus::kUnreadable);
  BmpFixture cutLiteral = rle4;
  cutLiteral.pixels = {0, 9, 0x12};  // nine nibbles announced, two present
  EXPECT_EQ(ReadWidened(cutLiteral.Build()).status, BmpStatus::kUnreadable);
}

TEST(BmpReader, TrueColourPicturesGiveRgbWhenAsked) {
  BmpFixture rgb;  // 2 x 2, stored bottom-up as (blue, green, red), rows padded to 8 bytes
  rgb.width = 2;
  rgb.bits = 24;
  rgb.pixels = {3, 2, 1, 6, 5, 4, 0xEE, 0xEE, 9, 8, 7, 12, 11, 10, 0xEE, 0xEE};
  BmpFixture rgbx = rgb;  // the fourth byte of each pixel is unused
  rgbx.bits = 32;
  rgbx.pixels = {3, 2, 1, 99, 6, 5, 4, 99, 9, 8, 7, 99, 12, 11, 10, 99};
  BmpReadOptions options;
  options.readTrueColour = true;
  for (const BmpFixture& fx : {rgb, rgbx}) {
    SCOPED_TRACE(fx.bits);
    EXPECT_EQ(ReadBmp(fx.Build()).status, BmpStatus::kNotIndexed);
    BmpReadResult r = ReadBmp(fx.Build(), options);
    ASSERT_EQ(r.status, BmpStatus::kOk) << r.error;
    EXPECT_EQ(r.image.layout, BmpLayout::kRgb);
    EXPECT_EQ(r.image.tableEntries, 0);
    EXPECT_EQ(r.image.pixels, (Bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
    Bytes cut = fx.Build();
    cut.resize(cut.size() - 4);
    EXPECT_EQ(ReadBmp(cut, options).status, BmpStatus::kUnreadable);
  }
  // Our 24-bit writer and this reader agree.
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  BmpReadResult back = ReadBmp(WriteBmp24(5, 1, pixels), options);
  ASSERT_EQ(back.status, BmpStatus::kOk);
  EXPECT_EQ(back.image.pixels, pixels);
}

TEST(BmpReader, SizeFromTheHeadersAgreesWithTheReader) {
  BmpFixture plain;
  plain.table = FourColours();
  plain.pixels = kStoredBottomUp;
  BmpFixture topDown = plain;
  topDown.height = -2;
  BmpFixture core = plain;
  core.headerSize = 12;
  BmpFixture tallCore = core;  // core sizes are unsigned: 0xFFFF is tall, not top-down
  tallCore.height = 0xFFFF;
  tallCore.pixels = Bytes(4 * 0xFFFF, 0);
  BmpFixture rgb = plain;
  rgb.bits = 24;
  for (const BmpFixture& fx : {plain, topDown, core, tallCore, rgb}) {
    const Bytes file = fx.Build();
    const std::optional<BmpSize> size = ReadBmpSize(file);
    const BmpReadResult read = ReadBmp(file);
    ASSERT_TRUE(size.has_value()) << fx.height;
    EXPECT_EQ(size->width, read.image.width);
    EXPECT_EQ(size->height, read.image.height);
    EXPECT_EQ(size->height, fx.height < 0 ? -fx.height : fx.height);
  }
  BmpFixture empty = plain;
  empty.width = 0;
  EXPECT_FALSE(ReadBmpSize(empty.Build()));
  BmpFixture strange = plain;
  strange.headerSize = 200;
  EXPECT_FALSE(ReadBmpSize(strange.Build()));
  EXPECT_FALSE(ReadBmpSize(Bytes{'B', 'M', 0, 0}));
  Bytes noSignature = plain.Build();
  noSignature[0] = 'P';
  EXPECT_FALSE(ReadBmpSize(noSignature));
  EXPECT_FALSE(ReadBmpSize(ByteView(plain.Build()).first(30)));
}

TEST(BmpReader, AgreesWithImageMagickOnEveryDepthItWrites) {
  if (!test::HavePeer("convert")) GTEST_SKIP() << "ImageMagick missing";
  test::TempDir scratch;
  const std::filesystem::path& dir = scratch.path();
  const std::string rgbFile = (dir / "c.rgb").string();
  BmpReadOptions options;
  options.widenPalette = true;
  options.readTrueColour = true;
  // ImageMagick writes palette BMPs of 8 bits run-length coded, fewer colours as 4 and 1
  // bits, and TrueColor as 24 bits.
  for (const char* kind : {"-colors 64 -type Palette", "-colors 12 -type Palette",
                           "-colors 2 -type Palette", "-type TrueColor"}) {
    SCOPED_TRACE(kind);
    const std::string bmp = (dir / "c.bmp").string();
    ASSERT_EQ(std::system(("convert -size 20x8 -seed 4 plasma:fractal " + std::string(kind) +
                           " BMP3:" + bmp + " && convert " + bmp + " -depth 8 rgb:" + rgbFile +
                           " 2>/dev/null")
                              .c_str()),
              0);
    Bytes file, want;
    file = test::FileBytes(bmp);
    ASSERT_FALSE(file.empty());
    want = test::FileBytes(rgbFile);
    ASSERT_FALSE(want.empty());
    BmpReadResult r = ReadBmp(file, options);
    ASSERT_EQ(r.status, BmpStatus::kOk) << r.error;
    Bytes got = r.image.pixels;
    if (r.image.layout == BmpLayout::kIndices) {
      got.clear();
      for (std::uint8_t v : r.image.pixels)
        got.insert(got.end(), &r.image.colours[3 * v], &r.image.colours[3 * v + 3]);
    }
    EXPECT_EQ(got, want);
  }
}

TEST(BmpWriter, EightBitFieldsAndRoundTrip) {
  ColourTable colours{};
  for (std::size_t i = 0; i < colours.size(); ++i)
    colours[i] = static_cast<std::uint8_t>(i * 5);
  const Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};  // 5 x 3
  const Bytes bmp = WriteBmp8(5, 3, pixels, colours);
  // 14 + 40 + 1024 bytes of headers and table, rows of 8 bytes.
  ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 3 * 8);
  EXPECT_EQ(ReadU32(bmp, 2), bmp.size());
  EXPECT_EQ(ReadU32(bmp, 10), 1078u);
  EXPECT_EQ(ReadI32(bmp, 22), 3);  // bottom-up
  EXPECT_EQ(ReadU16(bmp, 28), 8);
  EXPECT_EQ(ReadU32(bmp, 46), 256u);
  EXPECT_EQ(bmp[54], colours[2]);  // blue, green, red, 0
  EXPECT_EQ(bmp[56], colours[0]);
  EXPECT_EQ(bmp[1078], 11);  // the bottom row comes first
  EXPECT_EQ(bmp[1078 + 5], 0);

  BmpReadResult back = ReadBmp(bmp);
  ASSERT_EQ(back.status, BmpStatus::kOk);
  EXPECT_EQ(back.image.pixels, pixels);
  EXPECT_EQ(back.image.colours, colours);
  EXPECT_EQ(back.image.tableEntries, 256);
}

TEST(BmpWriter, TwentyFourBitFields) {
  // 3 x 2, (red, green, blue) per pixel, top row first.
  const Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const Bytes bmp = WriteBmp24(3, 2, rgb);
  ASSERT_EQ(bmp.size(), 14u + 40 + 2 * 12);
  EXPECT_EQ(ReadU32(bmp, 10), 54u);
  EXPECT_EQ(ReadU16(bmp, 28), 24);
  EXPECT_EQ(ReadU32(bmp, 30), 0u);
  // The bottom row first, blue before red, padded from 9 to 12 bytes.
  const Bytes bottom(bmp.begin() + 54, bmp.begin() + 66);
  EXPECT_EQ(bottom, (Bytes{12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
  EXPECT_EQ(ReadBmp(bmp).status, BmpStatus::kNotIndexed);
}

}  // namespace
}  // namespace brindle
