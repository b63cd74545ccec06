#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/palettes.h"
#include "viewer/core/formats/pcx.h"
#include "viewer/core/formats/sprites.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/batch_import.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;

ColourTable Colours(std::uint8_t seed) {
  ColourTable c{};
  for (std::size_t i = 0; i < c.size(); ++i)
    c[i] = static_cast<std::uint8_t>(seed + i * 3);
  return c;
}

// A bitmap entry laid out field by field: header, pixel data, palette.
Bytes BitmapEntryBytes(const std::string& name, int w, int h, const Bytes& pixels, bool compress,
                       const ColourTable& colours) {
  const Bytes data = compress ? BuildCompressedPayload(pixels) : pixels;
  ByteWriter b;
  b.FixedText(name, 16).U32(static_cast<std::uint32_t>(w * h));
  b.U32(static_cast<std::uint32_t>(data.size()));
  b.U16(static_cast<std::uint16_t>(w)).U16(static_cast<std::uint16_t>(h)).Zeros(12);
  b.U32(compress ? static_cast<std::uint32_t>(pixels.size()) : 0).U32(0);
  b.Append(data).Append(colours);
  return b.Take();
}

Bytes PaletteEntryBytes(const std::string& name, const ColourTable& colours) {
  ByteWriter b;
  b.FixedText(name, 16).Zeros(32).Append(colours);
  return b.Take();
}

struct SpriteRow {
  std::uint16_t first;
  std::uint16_t last;
  std::uint32_t offset;
};

Bytes SpriteEntryBytes(int w, std::int32_t palette, const std::vector<SpriteRow>& rows,
                       const Bytes& pixels, bool compress) {
  const Bytes data = compress ? BuildCompressedPayload(pixels) : pixels;
  ByteWriter b;
  b.FixedText("sprite", 12).U32(static_cast<std::uint32_t>(data.size()));
  b.U16(static_cast<std::uint16_t>(w)).U16(static_cast<std::uint16_t>(rows.size()));
  b.I32(palette).U32(0).U32(static_cast<std::uint32_t>(pixels.size()));
  for (const SpriteRow& r : rows)
    b.U16(r.first).U16(r.last).U32(r.offset);
  b.Append(data);
  return b.Take();
}

// A 24-bit PCX file: the header fields the decoder reads, then the coded lines as given.
Bytes PcxFile(int w, int h, int bytesPerLine, const Bytes& coded, std::uint8_t version = 5,
              std::uint8_t planes = 3) {
  Bytes b(128 + coded.size(), 0);
  std::copy(coded.begin(), coded.end(), b.begin() + 128);
  b[0] = 0x0A;
  b[1] = version;
  b[2] = 1;
  b[3] = 8;
  PutU16(&b[4], 10);  // Xmin, Ymin need not be 0
  PutU16(&b[6], 20);
  PutU16(&b[8], static_cast<std::uint16_t>(10 + w - 1));
  PutU16(&b[10], static_cast<std::uint16_t>(20 + h - 1));
  b[65] = planes;
  PutU16(&b[66], static_cast<std::uint16_t>(bytesPerLine));
  return b;
}

// Opens a container and identifies every entry, as the window does before showing one.
struct Opened {
  TDataFile df;
  std::unique_ptr<PosixFile> file;
  RecordingHost host;
  explicit Opened(const std::string& path) {
    EXPECT_TRUE(OpenContainer(df, path, host).ok());
    file = test::OpenFile(path);
    EXPECT_TRUE(IdentifyAll(df, *file));
  }
  const TResourceInfo& operator[](int i) const { return df.Entries[static_cast<std::size_t>(i)]; }
};

TEST(Bitmaps, CompressedAndRawEntriesDecodeAlike) {
  TempDir dir;
  const Bytes pixels = Pattern(5 * 3, 9);
  // The inflated data may run past Width x Height: only the first bytes are the picture.
  Bytes longer = pixels;
  longer.resize(40, 0xAB);
  std::string lod =
      dir.Write("bitmaps.lod",
                BuildLod("BITMAPS",
                         {{"packed", BitmapEntryBytes("packed", 5, 3, pixels, true, Colours(1))},
                          {"raw", BitmapEntryBytes("raw", 5, 3, pixels, false, Colours(1))},
                          {"longer", BitmapEntryBytes("longer", 5, 3, longer, true, Colours(1))}}));
  Opened o(lod);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(o[i].ResType, rtBitmap) << i;
    PictureResult r = DecodeBitmapEntry(*o.file, o[i], o.host);
    ASSERT_TRUE(r.ok()) << i;
    EXPECT_EQ(r.picture.format, PictureFormat::kIndexed8);
    EXPECT_EQ(r.picture.width, 5);
    EXPECT_EQ(r.picture.height, 3);
    EXPECT_EQ(r.picture.pixels, pixels) << i;
    EXPECT_EQ(r.picture.colours, Colours(1)) << i;
  }
  EXPECT_TRUE(o.host.messages.empty());
}

TEST(Bitmaps, DataShorterThanThePictureIsRefused) {
  TempDir dir;
  // The header says 8 x 8 but only 10 pixels are stored, raw and compressed.
  Bytes raw = BitmapEntryBytes("raw", 8, 8, Pattern(10), false, Colours(2));
  Bytes packed = BitmapEntryBytes("packed", 8, 8, Pattern(10), true, Colours(2));
  std::string lod =
      dir.Write("bitmaps.lod", BuildLod("BITMAPS", {{"raw", raw}, {"packed", packed}}));
  Opened o(lod);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(DecodeBitmapEntry(*o.file, o[i], o.host).error, PictureError::kBadLayout) << i;

  // A damaged stream is reported by the inflate and shown with what it gave.
  TResourceInfo e = o[1];
  e.UnpackedSize = 64;
  Bytes broken = o.file->ReadPadded(0, static_cast<std::size_t>(o.file->Size())).value();
  broken[static_cast<std::size_t>(e.Offset) + 48 + 3] ^= 0xFF;
  MemoryFile mem(broken);
  RecordingHost host;
  PictureResult r = DecodeBitmapEntry(mem, e, host);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages[0].rfind("Error Inflating: ", 0), 0u);
  EXPECT_TRUE(r.ok());
}

TEST(Palettes, NamesLookUpAndSwatches) {
  EXPECT_EQ(PaletteName(5), "pal005");
  EXPECT_EQ(PaletteName(123), "pal123");
  EXPECT_EQ(PaletteName(1000), "pal1000");

  TempDir dir;
  std::string lod = dir.Write(
      "bitmaps.lod", BuildLod("BITMAPS", {{"pal005", PaletteEntryBytes("pal005", Colours(5))},
                                          {"PAL1000", PaletteEntryBytes("PAL1000", Colours(7))}}));
  EXPECT_EQ(LookUpPalette(lod, "PAL005"), Colours(5));
  EXPECT_EQ(LookUpPalette(lod, PaletteName(1000)), Colours(7));
  EXPECT_FALSE(LookUpPalette(lod, "pal006"));
  EXPECT_FALSE(LookUpPalette(dir.File("missing.lod"), "pal005"));
  std::string icons = dir.Write(
      "icons.lod", BuildLod("ICONS", {{"pal005", PaletteEntryBytes("pal005", Colours(5))}}));
  EXPECT_FALSE(LookUpPalette(icons, "pal005"));

  // A record whose palette runs past the end of the file gives nothing, not black.
  Bytes cut = dir.Read("bitmaps.lod");
  cut.resize(cut.size() - 10);
  MemoryFile cutFile(cut);
  EXPECT_FALSE(LookUpPalette(cutFile, "PAL1000"));
  EXPECT_TRUE(LookUpPalette(cutFile, "pal005"));

  // The palette page reads the colours raw, even when they begin like a zlib stream.
  ColourTable looksPacked = Colours(3);
  looksPacked[0] = 0x78;
  looksPacked[1] = 0x9C;
  MemoryFile page(PaletteEntryBytes("pal009", looksPacked));
  TResourceInfo e;
  e.Size = 816;
  EXPECT_EQ(ReadPaletteEntry(page, e), looksPacked);

  // At the area's first size the swatches are 23 x 21 with one pixel between them.
  SwatchRect first = PaletteSwatch(387, 353, 0);
  EXPECT_EQ(first.right - first.left, 23);
  EXPECT_EQ(first.bottom - first.top, 21);
  SwatchRect last = PaletteSwatch(387, 353, 255);
  EXPECT_EQ(last.left, 15 * 24);
  EXPECT_EQ(last.top, 15 * 22);
  EXPECT_EQ(PaletteSwatch(387, 353, 15).left, 15 * 24);
  EXPECT_EQ(PaletteSwatch(387, 353, 16).top, 22);
  EXPECT_EQ(PaletteSwatch(10, 10, 0).right, 0);  // smaller than the gaps: nothing to fill
}

// A sprites container beside a bitmaps container holding palette 42.
struct SpriteScene {
  TempDir dir;
  std::string sprites;
  void WritePalette(const std::string& fileName, const ColourTable& colours) {
    dir.Write(fileName, BuildLod("BITMAPS", {{"pal042", PaletteEntryBytes("pal042", colours)}}));
  }
  void WriteSprites(const std::vector<NewEntry>& entries) {
    sprites = dir.Write("sprites.lod", BuildLod("SPRITES08", entries));
  }
};

TEST(Sprites, RowsBetweenFirstAndLast) {
  SpriteScene s;
  s.WritePalette("bitmaps.lod", Colours(4));
  const Bytes data = {0, 0, 0, 0, 11, 12, 13, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
  const std::vector<SpriteRow> rows = {
      {3, 5, 4},            // 0 0 0 d0 d1 d2 0 0
      {0xFFFF, 0xFFFF, 0},  // beyond any width: all index 0
      {6, 12, 7},           // runs past the right edge: cut there
      {5, 2, 999},          // last before first: nothing stored, offset never read
      {0, 7, 9},            // the whole row
  };
  for (bool compress : {true, false}) {
    SCOPED_TRACE(compress);
    s.WriteSprites({{"s", SpriteEntryBytes(8, 42, rows, data, compress)}});
    Opened o(s.sprites);
    ASSERT_EQ(o[0].ResType, rtSprite);
    PictureResult r = DecodeSprite(*o.file, o[0], s.sprites, o.host);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.picture.width, 8);
    EXPECT_EQ(r.picture.height, 5);
    EXPECT_EQ(r.picture.colours, Colours(4));
    const Bytes expected = {0,  0,  0,  11, 12, 13, 0,  0,   //
                            0,  0,  0,  0,  0,  0,  0,  0,   //
                            0,  0,  0,  0,  0,  0,  21, 22,  //
                            0,  0,  0,  0,  0,  0,  0,  0,   //
                            23, 24, 25, 26, 27, 28, 29, 30};
    EXPECT_EQ(r.picture.pixels, expected);
  }
}

TEST(Sprites, PaletteComesFreshFromBitmapsLodBeside) {
  SpriteScene s;
  s.WriteSprites({{"s", SpriteEntryBytes(2, 42, {{0, 1, 0}}, {1, 2}, true)}});
  Opened o(s.sprites);
  EXPECT_EQ(DecodeSprite(*o.file, o[0], s.sprites, o.host).error, PictureError::kNoPaletteFile);
  // The game's files often come in capitals; the name is matched ignoring case.
  s.WritePalette("BITMAPS.LOD", Colours(8));
  EXPECT_EQ(DecodeSprite(*o.file, o[0], s.sprites, o.host).picture.colours, Colours(8));
  s.WritePalette("bitmaps.lod", Colours(9));
  EXPECT_EQ(DecodeSprite(*o.file, o[0], s.sprites, o.host).picture.colours, Colours(9));
  s.dir.Write("bitmaps.lod", BuildLod("BITMAPS", {{"pal041", PaletteEntryBytes("pal041", {})}}));
  EXPECT_EQ(DecodeSprite(*o.file, o[0], s.sprites, o.host).error, PictureError::kNoPalette);
  // Without a container path there is no folder to look in.
  EXPECT_EQ(DecodeSprite(*o.file, o[0], "", o.host).error, PictureError::kNoPaletteFile);
}

TEST(Sprites, RowsAndSizesThatLieAreRefused) {
  const ColourTable colours = Colours(1);
  auto decode = [&](const Bytes& entryBytes, std::int32_t patchHeight = -1) {
    Bytes lod = BuildLod("SPRITES08", {{"s", entryBytes}});
    MemoryFile file(lod);
    TDataFile df;
    df.Kind = ckSprites;
    RecordingHost host;
    EXPECT_TRUE(ReadDirectory(file, ckSprites, df.Entries, host));
    EXPECT_TRUE(IdentifyAll(df, file));
    TResourceInfo e = df.Entries[0];
    if (patchHeight >= 0) e.Height = patchHeight;
    return DecodeSpriteWithPalette(file, e, colours, host).error;
  };
  const Bytes data = {1, 2, 3, 4};
  EXPECT_EQ(decode(SpriteEntryBytes(8, 1, {{0, 3, 0}}, data, true)), PictureError::kNone);
  EXPECT_EQ(decode(SpriteEntryBytes(8, 1, {{0, 3, 1}}, data, true)), PictureError::kBadLayout);
  EXPECT_EQ(decode(SpriteEntryBytes(8, 1, {{0, 0, 4}}, data, false)), PictureError::kBadLayout);
  EXPECT_EQ(decode(SpriteEntryBytes(8, 1, {{0, 7, 0xFFFFFFF0u}}, data, true)),
            PictureError::kBadLayout);
  // More rows than the row table holds.
  EXPECT_EQ(decode(SpriteEntryBytes(8, 1, {{0, 3, 0}}, data, true), 3), PictureError::kBadLayout);
  // A picture no sprite could be, whatever its rows.
  std::vector<SpriteRow> many(2000, {0xFFFF, 0xFFFF, 0});
  EXPECT_EQ(decode(SpriteEntryBytes(65535, 1, many, data, true)), PictureError::kTooLarge);
}

TEST(Pcx, RunsCrossPlaneLinesAndOddWidthsDropTheirPad) {
  // 3 x 2 with 4 bytes per plane line: each scan line is 12 bytes, R R R pad G G G pad ...
  const Bytes coded = {
      // line 0: a run of 5 tens crosses from red into green; one run of 0xC0+9 of 7
      // would reach past the scan line (7 bytes left) and is cut there
      0xC5, 10, 0xC9, 7,
      // line 1: plain bytes below 0xC0, and an empty run (0xC0) between them
      1, 2, 3, 99, 0xC0, 55, 4, 5, 6, 99, 7, 8, 9, 99};
  PictureResult r = DecodePcxFile(PcxFile(3, 2, 4, coded));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.picture.format, PictureFormat::kRgb24);
  EXPECT_EQ(r.picture.width, 3);
  EXPECT_EQ(r.picture.height, 2);
  EXPECT_EQ(r.picture.pixels, (Bytes{10, 10, 7, 10, 7, 7, 10, 7, 7,  //
                                     1, 4, 7, 2, 5, 8, 3, 6, 9}));
}

TEST(Pcx, OtherKindsAndLiesAreRefused) {
  const Bytes line = {0xC9, 1, 0xC9, 2};  // 18 bytes: 3 planes of 6
  EXPECT_TRUE(DecodePcxFile(PcxFile(5, 2, 6, Bytes{0xC9, 1, 0xC9, 2, 0xC9, 3, 0xC9, 4})).ok());
  EXPECT_EQ(DecodePcxFile({}).error, PictureError::kNoPixels);
  EXPECT_EQ(DecodePcxFile(PcxFile(5, 1, 6, line, 3)).error, PictureError::kNotRgbPcx);
  EXPECT_EQ(DecodePcxFile(PcxFile(5, 1, 6, line, 5, 1)).error, PictureError::kNotRgbPcx);
  Bytes eightBit = PcxFile(5, 1, 6, line);
  eightBit[3] = 4;
  EXPECT_EQ(DecodePcxFile(eightBit).error, PictureError::kNotRgbPcx);
  Bytes shortHeader = PcxFile(5, 1, 6, {});
  shortHeader.resize(100);
  EXPECT_EQ(DecodePcxFile(shortHeader).error, PictureError::kNotRgbPcx);
  // Bytes per line shorter than the width, data that stops early (also inside a run pair),
  // and a size the data could never fill.
  EXPECT_EQ(DecodePcxFile(PcxFile(5, 1, 4, line)).error, PictureError::kBadLayout);
  EXPECT_EQ(DecodePcxFile(PcxFile(5, 2, 6, line)).error, PictureError::kBadLayout);
  EXPECT_EQ(DecodePcxFile(PcxFile(5, 1, 6, {0xC9, 1, 0xC9})).error, PictureError::kBadLayout);
  EXPECT_EQ(DecodePcxFile(PcxFile(60000, 60000, 60000, line)).error, PictureError::kBadLayout);
  Bytes reversed = PcxFile(5, 1, 6, line);
  PutU16(&reversed[8], 2);  // Xmax before Xmin
  EXPECT_EQ(DecodePcxFile(reversed).error, PictureError::kBadLayout);
}

TEST(Pcx, PlainAndWrappedEntriesDecodeAlikeWithProgress) {
  // 2 x 3, one literal byte per sample.
  Bytes coded;
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 6; ++i)
      coded.push_back(static_cast<std::uint8_t>(10 * y + i));
  const Bytes pcx = PcxFile(2, 3, 2, coded);
  TempDir dir;
  std::string save = dir.Write("save.lod", BuildLod("CHAPTER", {{"image.pcx", pcx}}));
  std::string icons = dir.Write(
      "icons.lod", BuildLod("ICONS", {{"image.pcx", BuildPackedLodEntry("image.pcx", pcx, true)},
                                      {"raw.pcx", BuildPackedLodEntry("raw.pcx", pcx, false)}}));
  Opened plain(save);
  Opened wrapped(icons);
  ASSERT_EQ(plain[0].ResType, rtPcx);
  ASSERT_EQ(wrapped[0].ResType, rtIconPcx);
  RecordingHost host;
  ProgressReporter progress(host);
  PictureResult a = DecodePcx(*plain.file, plain[0], host, &progress);
  PictureResult b = DecodePcx(*wrapped.file, wrapped[0], host);
  PictureResult c = DecodePcx(*wrapped.file, wrapped[1], host);
  ASSERT_TRUE(a.ok() && b.ok() && c.ok());
  EXPECT_EQ(a.picture.pixels,
            (Bytes{0, 2, 4, 1, 3, 5, 10, 12, 14, 11, 13, 15, 20, 22, 24, 21, 23, 25}));
  EXPECT_EQ(a.picture.pixels, b.picture.pixels);
  EXPECT_EQ(a.picture.pixels, c.picture.pixels);
  EXPECT_EQ(host.progress, (std::vector<int>{0, 50, 100}));
  // The size alone, from the header, for every way the entry is stored.
  for (auto [file, entry] :
       {std::pair{plain.file.get(), plain[0]}, std::pair{wrapped.file.get(), wrapped[0]},
        std::pair{wrapped.file.get(), wrapped[1]}}) {
    const std::optional<PcxSize> size = ReadPcxSize(*file, entry, host);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, 2);
    EXPECT_EQ(size->height, 3);
  }
  MemoryFile other(PcxFile(2, 3, 2, coded, 3));  // not a 24-bit PCX of the kind decoded
  TResourceInfo o;
  o.Size = static_cast<std::int32_t>(other.Size());
  EXPECT_FALSE(ReadPcxSize(other, o, host).has_value());

  // One row high: no progress at all.
  RecordingHost quiet;
  ProgressReporter none(quiet);
  MemoryFile one(PcxFile(2, 1, 2, {1, 2, 3, 4, 5, 6}));
  TResourceInfo e;
  e.Size = static_cast<std::int32_t>(one.Size());
  ASSERT_TRUE(DecodePcx(one, e, quiet, &none).ok());
  EXPECT_TRUE(quiet.progress.empty());
}

TEST(BitmapImport, BuildsAFreshCompressedEntry) {
  Picture p;
  p.width = 3;
  p.height = 2;
  p.pixels = {1, 2, 3, 4, 5, 6};
  p.colours = Colours(6);
  const Bytes e = BuildBitmapEntry("stone", p);
  const Bytes packed = BuildCompressedPayload(p.pixels);
  ASSERT_EQ(e.size(), 48 + packed.size() + 768);
  EXPECT_EQ(FixedText(ByteView(e).subspan(0, 16)), "stone");
  EXPECT_EQ(e[5], 0);  // the rest of the name field is zero
  EXPECT_EQ(ReadU32(e, 16), 6u);
  EXPECT_EQ(ReadU32(e, 20), packed.size());
  EXPECT_EQ(ReadU16(e, 24), 3);
  EXPECT_EQ(ReadU16(e, 26), 2);
  EXPECT_EQ(Bytes(e.begin() + 28, e.begin() + 40), Bytes(12, 0));
  EXPECT_EQ(ReadU32(e, 40), 6u);
  EXPECT_EQ(ReadU32(e, 44), 0u);
  EXPECT_EQ(Bytes(e.begin() + 48, e.begin() + 48 + static_cast<std::ptrdiff_t>(packed.size())),
            packed);
  EXPECT_EQ(Bytes(e.end() - 768, e.end()), Bytes(p.colours.begin(), p.colours.end()));
}

// A BITMAPS container with one 4 x 2 bitmap and an ICONS container with one 4 x 2 icon,
// the bitmap stored raw with extra bytes after its picture.
struct ImportScene {
  TempDir dir;
  std::string bitmaps;
  std::string icons;
  ImportScene() {
    Bytes raw = Pattern(8, 3);
    raw.resize(12, 0xEE);
    bitmaps = dir.Write(
        "bitmaps.lod",
        BuildLod("BITMAPS", {{"stone", BitmapEntryBytes("stone", 4, 2, raw, false, Colours(1))}}));
    icons = dir.Write(
        "icons.lod",
        BuildLod("ICONS", {{"orb", BitmapEntryBytes("orb", 4, 2, Pattern(8), true, Colours(1))}}));
  }
  std::string Bmp(const std::string& name, int w, int h, std::uint8_t seed) {
    return dir.Write(
        name, WriteBmp8(w, h, Pattern(static_cast<std::size_t>(w * h), seed), Colours(seed)));
  }
};

TEST(BitmapImport, SizeRuleAndStoredForm) {
  ImportScene s;
  Opened o(s.bitmaps);
  o.file.reset();  // our own read lock would keep the write-back out
  RecordingHost host;
  EXPECT_EQ(ImportBitmapFile(o.df, 0, s.Bmp("wide.bmp", 5, 2, 7), true, host).message(),
            "Image file wide.bmp must have the same dimensions as original image!");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.watch, (std::vector<bool>{true, false}));
  EXPECT_TRUE(host.rewritten.empty());

  host = RecordingHost();
  ASSERT_TRUE(ImportBitmapFile(o.df, 0, s.Bmp("same.bmp", 4, 2, 7), true, host).ok());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.watch, (std::vector<bool>{true, false}));
  EXPECT_EQ(host.rewritten, std::vector<int>{0});

  // The raw entry is now compressed, its header built afresh.
  Opened again(s.bitmaps);
  const TResourceInfo& e = again[0];
  EXPECT_EQ(e.UnpackedSize, 8);
  Bytes stored = ReadStoredEntry(*again.file, e).value();
  EXPECT_TRUE(HasZlibMarker(stored, 48));
  PictureResult r = DecodeBitmapEntry(*again.file, e, again.host);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.picture.pixels, Pattern(8, 7));
  EXPECT_EQ(r.picture.colours, Colours(7));

  // Icons take any size; the entry then has the new one.
  Opened icons(s.icons);
  icons.file.reset();
  host = RecordingHost();
  ASSERT_TRUE(ImportBitmapFile(icons.df, 0, s.Bmp("big.bmp", 9, 5, 2), false, host).ok());
  Opened iconsAgain(s.icons);
  EXPECT_EQ(iconsAgain[0].Width, 9);
  EXPECT_EQ(iconsAgain[0].Height, 5);
  EXPECT_EQ(DecodeBitmapEntry(*iconsAgain.file, iconsAgain[0], host).picture.pixels,
            Pattern(45, 2));
}

TEST(BitmapImport, RefusalsLeaveTheContainerAlone) {
  ImportScene s;
  const Bytes before = s.dir.Read("icons.lod");
  Opened o(s.icons);
  const std::string rgb = s.dir.Write("rgb.bmp", WriteBmp24(4, 2, Pattern(24)));
  Bytes empty = WriteBmp8(4, 2, Pattern(8), Colours(1));
  PutU32(&empty[18], 0);  // width 0
  const std::string flat = s.dir.Write("flat.bmp", empty);
  const std::string junk = s.dir.Write("junk.bmp", test::TextBytes("not a picture at all"));
  Bytes wide = WriteBmp8(70000, 1, Pattern(70000), Colours(1));
  const std::string tooWide = s.dir.Write("wide.bmp", wide);

  struct Case {
    std::string path;
    ErrorKind kind;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {rgb, ErrorKind::kNotSupported,
            "Image file rgb.bmp must be in 8bit color format! (Must include palette)"},
           {flat, ErrorKind::kDamaged, "Image file flat.bmp is not a valid BMP!"},
           {junk, ErrorKind::kDamaged,
            "Image file junk.bmp cannot be read as a bitmap: not a BMP file!"},
           {s.dir.File("gone.bmp"), ErrorKind::kCannotOpen,
            "Cannot open file " + s.dir.File("gone.bmp")},
           {tooWide, ErrorKind::kFailed,
            "Image file wide.bmp is too large: a bitmap entry holds at most 65535 x 65535 "
            "pixels!"},
       }) {
    RecordingHost host;
    Status r = ImportBitmapFile(o.df, 0, c.path, false, host);
    EXPECT_EQ(r.kind(), c.kind) << c.path;
    EXPECT_EQ(r.message(), c.message);
    EXPECT_TRUE(host.messages.empty());
    // The watch comes back on every path, a missing file included.
    EXPECT_EQ(host.watch, (std::vector<bool>{true, false})) << c.path;
  }
  EXPECT_EQ(s.dir.Read("icons.lod"), before);
}

TEST(BitmapImport, BatchKeepsTheSizeOfBitmaps) {
  ImportScene s;
  const std::string wrong = s.Bmp("STONE", 5, 5, 1);
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, s.bitmaps, host).ok());
  EXPECT_TRUE(BatchImport(df, {wrong}, CoreImportConverters(), host).ok());
  EXPECT_EQ(host.messages,
            std::vector<std::string>{
                "Image file STONE must have the same dimensions as original image!"});
  const std::string right = s.dir.File("ok/stone");
  std::filesystem::create_directories(s.dir.File("ok"));
  ASSERT_TRUE(WriteWholeFile(right, WriteBmp8(4, 2, Pattern(8, 5), Colours(5))).ok());
  host = RecordingHost();
  EXPECT_TRUE(BatchImport(df, {right}, CoreImportConverters(), host).ok());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.rewritten, std::vector<int>{0});
}

TEST(PictureExports, BitmapsSpritesAndPcxBecomeBmpFiles) {
  SpriteScene s;
  s.WritePalette("bitmaps.lod", Colours(4));
  s.WriteSprites({{"s", SpriteEntryBytes(2, 42, {{0, 1, 0}}, {5, 6}, true)}});
  Opened sprites(s.sprites);
  Result<ExportedFile> sprite = ExportEntry(*sprites.file, sprites[0], sprites.host, s.sprites);
  ASSERT_TRUE(sprite.ok());
  EXPECT_EQ(sprite->extension, "bmp");
  BmpReadResult back = ReadBmp(sprite->bytes);
  ASSERT_EQ(back.status, BmpStatus::kOk);
  EXPECT_EQ(back.image.pixels, (Bytes{5, 6}));
  EXPECT_EQ(back.image.colours, Colours(4));
  // Without the container's path the colours cannot be found.
  EXPECT_EQ(ExportEntry(*sprites.file, sprites[0], sprites.host).message(),
            "Error!  Unable to save s");

  Opened bitmaps(s.dir.File("bitmaps.lod"));
  ASSERT_EQ(bitmaps[0].ResType, rtPalette);
  EXPECT_EQ(ExportEntry(*bitmaps.file, bitmaps[0], bitmaps.host)->extension, "act");

  const Bytes pcx = PcxFile(1, 1, 1, {0x10, 0x20, 0x30});
  std::string save = s.dir.Write(
      "save.lod", BuildLod("CHAPTER", {{"a.pcx", pcx}, {"b.pcx", PcxFile(1, 1, 1, {1}, 5, 1)}}));
  Opened chapter(save);
  Result<ExportedFile> picture = ExportEntry(*chapter.file, chapter[0], chapter.host);
  ASSERT_TRUE(picture.ok());
  EXPECT_EQ(picture->bytes, WriteBmp24(1, 1, Bytes{0x10, 0x20, 0x30}));
  EXPECT_EQ(ExportEntry(*chapter.file, chapter[1], chapter.host).kind(), ErrorKind::kDamaged);
}

}  // namespace
}  // namespace brindle
