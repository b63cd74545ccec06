#include "common/bmp.h"

#include <gtest/gtest.h>

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
