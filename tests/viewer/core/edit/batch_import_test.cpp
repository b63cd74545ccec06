#include "viewer/core/edit/batch_import.h"

#include <gtest/gtest.h>

#include "common/wav.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/formats/texts.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;
using test::TextBytes;

// A bitmap entry: header, packed pixels, 768 palette bytes.
Bytes BitmapEntry(const std::string& name) {
  LodEntryHeader h;
  h.name = name;
  h.packedSize = 16;
  h.width = 4;
  h.height = 4;
  Bytes b = WriteLodEntryHeader(h);
  b.resize(48 + 16 + 768, 0x20);
  return b;
}

Bytes PaletteEntry(const std::string& name) {
  Bytes b = WriteLodEntryHeader({.name = name});
  b.resize(816, 0x10);
  return b;
}

struct Calls {
  std::vector<std::pair<int, std::string>> bitmap;
  ImportConverters converters() {
    ImportConverters c = CoreImportConverters();
    c[rtIcon] = c[rtBitmap] = [this](TDataFile&, int index, const std::string& path, bool sameSize,
                                     CoreHost&) {
      bitmap.emplace_back(index, path + (sameSize ? " same" : ""));
      return Ok();
    };
    return c;
  }
};

TEST(BatchImport, FirstMatchingFileWinsAndOthersArePassedOver) {
  TempDir dir;
  std::string lod =
      dir.Write("icons.lod", BuildLod("ICONS", {{"PC01-01", BitmapEntry("PC01-01")}}));
  std::string a = dir.Write("PC01-01", Pattern(10));
  std::string b = dir.Write("pc01-01.BMP", Pattern(10));
  std::string c = dir.Write("pc01-01", Pattern(10));  // another folder would do the same
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  Calls calls;
  EXPECT_TRUE(BatchImport(df, {a, b, c}, calls.converters(), host).ok());
  ASSERT_EQ(calls.bitmap.size(), 1u);
  EXPECT_EQ(calls.bitmap[0], std::make_pair(0, a));
  EXPECT_TRUE(host.messages.empty());
}

TEST(BatchImport, KindsAndTypesWithoutAnImport) {
  TempDir dir;
  std::string maps =
      dir.Write("maps.lod", BuildLod("MAPS", {{"a.dlv", Pattern(30)}, {"b.odm", Pattern(30)}}));
  std::string bitmaps = dir.Write(
      "bitmaps.lod",
      BuildLod("BITMAPS", {{"pal001", PaletteEntry("pal001")}, {"stone", BitmapEntry("stone")}}));
  std::string fa = dir.Write("A.DLV", Pattern(5));
  std::string fb = dir.Write("b.odm", Pattern(5));
  std::string fp = dir.Write("pal001", Pattern(5));
  std::string fs = dir.Write("Stone", Pattern(5));
  std::string none = dir.Write("nothing", Pattern(5));
  TDataFile df;
  RecordingHost host;
  Calls calls;
  ImportConverters conv = calls.converters();

  EXPECT_EQ(BatchImport(df, {fa}, conv, host).message(), "Data file must be loaded first!");

  ASSERT_TRUE(OpenContainer(df, maps, host).ok());
  host.messages.clear();
  // Refused before any file is looked at, even one named like no entry.
  EXPECT_EQ(BatchImport(df, {none}, conv, host).kind(), ErrorKind::kNotSupported);
  EXPECT_TRUE(host.messages.empty());
  Result<BatchSummary> refused = BatchImport(df, {fb, fa}, conv, host);
  EXPECT_EQ(refused.kind(), ErrorKind::kNotSupported);
  EXPECT_EQ(refused.message(), "Importing into current data file not implemented!");
  EXPECT_TRUE(host.messages.empty());

  ASSERT_TRUE(OpenContainer(df, bitmaps, host).ok());
  host.messages.clear();
  Result<BatchSummary> mixed = BatchImport(df, {fp, fs}, conv, host);
  ASSERT_TRUE(mixed.ok());
  EXPECT_EQ(mixed->imported, 1);
  EXPECT_EQ(mixed->refused, 1);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{"Importing of file PAL001 format not implemented!"});
  ASSERT_EQ(calls.bitmap.size(), 1u);
  EXPECT_EQ(calls.bitmap[0], std::make_pair(1, fs + " same"));

  // A file extracted from an entry without an extension goes back by its name without the
  // extension its type is extracted with; the whole name comes first, other files are listed.
  calls.bitmap.clear();
  const std::string extracted = dir.Write("STONE.bmp", Pattern(5));
  const std::string wrongType = dir.Write("stone.wav", Pattern(5));
  Result<BatchSummary> byStem = BatchImport(df, {wrongType, extracted, none}, conv, host);
  ASSERT_TRUE(byStem.ok());
  ASSERT_EQ(calls.bitmap.size(), 1u);
  EXPECT_EQ(calls.bitmap[0], std::make_pair(1, extracted + " same"));
  EXPECT_EQ(byStem->unmatched, (std::vector<std::string>{wrongType, none}));
  EXPECT_EQ(BatchSummaryText(*byStem), "1 file imported, 0 failed, 2 matched no entry");
  calls.bitmap.clear();
  Result<BatchSummary> wholeFirst = BatchImport(df, {extracted, fs}, conv, host);
  ASSERT_EQ(calls.bitmap.size(), 1u);
  EXPECT_EQ(calls.bitmap[0].second, fs + " same");
  EXPECT_EQ(wholeFirst->unmatched, std::vector<std::string>{extracted});

  // Without a bitmap import the window's general refusal.
  host.messages.clear();
  conv.erase(rtBitmap);
  EXPECT_EQ(BatchImport(df, {fs}, conv, host)->refused, 1);
  EXPECT_EQ(host.messages,
            std::vector<std::string>{"Importing for current file format not implemented!"});
}

TEST(TextImport, RoundTripKeepsCompressionAndBytes) {
  TempDir dir;
  Bytes packed = TextBytes("Name\tPrice\r\nSword\t10\r\nShield\t20\r\n");
  Bytes raw = TextBytes("a\tb\r\nc");
  std::string lod =
      dir.Write("icons.lod",
                BuildLod("ICONS", {{"items.txt", BuildPackedLodEntry("items.txt", packed, true)},
                                   {"notes.txt", BuildPackedLodEntry("notes.txt", raw, false)}}));
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  // Everything is stored as it is, a NUL and what follows it too.
  Bytes newItems = TextBytes("Name\tPrice\r\nAxe\t15");
  newItems.push_back(0);
  for (char c : std::string("tail"))
    newItems.push_back(static_cast<std::uint8_t>(c));
  Bytes newNotes = TextBytes("x\ny\r\n");
  std::string f1 = dir.Write("ITEMS.TXT", newItems);
  std::string f2 = dir.Write("notes.txt", newNotes);
  EXPECT_TRUE(BatchImport(df, {f1, f2}, CoreImportConverters(), host).ok());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.rewritten, (std::vector<int>{0, 1}));
  EXPECT_EQ(host.watch, (std::vector<bool>{true, false, true, false}));

  TDataFile again;
  ASSERT_TRUE(OpenContainer(again, lod, host).ok());
  auto file = test::OpenFile(lod);
  again.Entries[0].PackedSize = ReadI32(file->ReadPadded(again.Entries[0].Offset, 48).value(), 20);
  again.Entries[0].UnpackedSize =
      ReadI32(file->ReadPadded(again.Entries[0].Offset, 48).value(), 40);
  EXPECT_EQ(again.Entries[0].UnpackedSize, static_cast<std::int32_t>(newItems.size()));
  EXPECT_EQ(ExtractEntry(*file, again.Entries[0], 48, host), newItems);
  Bytes notesHeader = file->ReadPadded(again.Entries[1].Offset, 48).value();
  EXPECT_EQ(ReadI32(notesHeader, 40), 0);
  EXPECT_EQ(ReadU32(notesHeader, 44), 256u);
  EXPECT_EQ(ExtractEntry(*file, again.Entries[1], 48, host), newNotes);
}

TEST(SoundImport, RiffIsTheOnlyCheckAndSoundsEndCompressed) {
  TempDir dir;
  Bytes wav = MakeWav({22050, 1, 8}, Pattern(2000));
  std::string snd = dir.Write("audio.snd", BuildSnd({{"Chime", wav, 0}, {"Bell", wav, 0}}));
  std::string good = dir.Write("chime", MakeWav({11025, 2, 16}, Pattern(4000, 3)));
  std::string bad = dir.Write("Bell", TextBytes("RIF"));
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, snd, host).ok());
  EXPECT_TRUE(BatchImport(df, {good, bad}, CoreImportConverters(), host).ok());
  EXPECT_EQ(host.messages, std::vector<std::string>{"Sound file Bell is not a valid WAV!"});
  EXPECT_EQ(host.rewritten, std::vector<int>{0});

  TDataFile again;
  ASSERT_TRUE(OpenContainer(again, snd, host).ok());
  auto file = test::OpenFile(snd);
  Bytes expected;
  expected = test::FileBytes(good);
  EXPECT_EQ(again.Entries[0].UnpackedSize, static_cast<std::int32_t>(expected.size()));
  again.Entries[0].ResType = rtSound;
  Result<ExportedFile> exported = ExportEntry(*file, again.Entries[0], host);
  ASSERT_TRUE(exported.ok());
  EXPECT_EQ(exported->bytes, expected);
  EXPECT_EQ(exported->extension, "wav");
  EXPECT_EQ(ReadStoredEntry(*file, again.Entries[1]).value(), wav);
}

}  // namespace
}  // namespace brindle
