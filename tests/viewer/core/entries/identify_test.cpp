#include "viewer/core/entries/identify.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"

namespace brindle {
namespace {

using test::Pattern;

// Identifies one entry of the given size whose first bytes are `head`.
TResourceInfo Identify(TContainerKind kind, const std::string& name, Bytes head,
                       std::int32_t size) {
  TResourceInfo e;
  e.Name = name;
  e.Size = size;
  head.resize(kIdentifyHeaderBytes, 0);
  IdentifyFromHeader(kind, e, head);
  return e;
}

Bytes LodHeader(std::int32_t packed, std::int32_t unpacked, std::uint16_t w = 0,
                std::uint16_t h = 0) {
  LodEntryHeader f;
  f.packedSize = packed;
  f.unpackedSize = unpacked;
  f.width = w;
  f.height = h;
  return WriteLodEntryHeader(f);
}

TEST(IdentifyEntry, BitmapsIconsAndPalettes) {
  // A bitmap: size = 48 + packed + 768.
  TResourceInfo icon = Identify(ckIcons, "sword", LodHeader(100, 400, 20, 20), 48 + 100 + 768);
  EXPECT_TRUE(icon.Identified);
  EXPECT_EQ(icon.ResType, rtIcon);
  EXPECT_EQ(icon.Width, 20);
  EXPECT_EQ(icon.Height, 20);
  EXPECT_EQ(icon.PackedSize, 100);
  EXPECT_EQ(icon.UnpackedSize, 400);
  EXPECT_EQ(Identify(ckBitmaps, "stone", LodHeader(100, 0, 8, 8), 916).ResType, rtBitmap);
  // No extension, size 816, packed 0: not a bitmap, so a palette.
  EXPECT_EQ(Identify(ckIcons, "pal", LodHeader(0, 0), 816).ResType, rtPalette);
  EXPECT_EQ(Identify(ckBitmaps, "pal001", LodHeader(0, 0), 816).ResType, rtPalette);
  // The palette test is exact.
  TResourceInfo odd = Identify(ckIcons, "x.pal", LodHeader(0, 0), 817);
  EXPECT_FALSE(odd.Identified);
  EXPECT_EQ(odd.ResType, rtUnidentified);
  EXPECT_EQ(Identify(ckIcons, "x.PAL", {}, 816).ResType, rtPalette);
  // A bare dot counts as no extension.
  EXPECT_EQ(Identify(ckIcons, "pal.", LodHeader(0, 0), 816).ResType, rtPalette);
  // BITMAPS holds no texts.
  EXPECT_FALSE(Identify(ckBitmaps, "a.txt", LodHeader(10, 20), 58).Identified);
}

TEST(IdentifyEntry, PackedTypesOfIcons) {
  EXPECT_EQ(Identify(ckIcons, "items.txt", LodHeader(10, 0), 58).ResType, rtText);
  EXPECT_FALSE(Identify(ckIcons, "items.txt", LodHeader(0, 10), 58).Identified);
  EXPECT_EQ(Identify(ckIcons, "a.EVT", LodHeader(10, 0), 58).ResType, rtEvt);
  EXPECT_EQ(Identify(ckIcons, "a.str", LodHeader(10, 0), 58).ResType, rtStr);
  EXPECT_EQ(Identify(ckIcons, "a.fnt", LodHeader(10, 20), 58).ResType, rtFont);
  EXPECT_FALSE(Identify(ckIcons, "a.fnt", LodHeader(10, 0), 58).Identified);
  TResourceInfo pcx = Identify(ckIcons, "a.pcx", LodHeader(10, 20), 58);
  EXPECT_EQ(pcx.ResType, rtIconPcx);
  EXPECT_EQ(pcx.PackedSize, 10);
  EXPECT_FALSE(Identify(ckIcons, "a.pcx", LodHeader(10, 20, 1, 0), 58).Identified);
}

TEST(IdentifyEntry, DataRuleOfBinEntries) {
  Bytes zeroed = LodHeader(0, 0);
  Bytes marked = zeroed;
  marked.push_back(0x78);
  marked.push_back(0x9C);
  Bytes other = zeroed;
  other.push_back(0x78);
  other.push_back(0x9D);
  EXPECT_FALSE(Identify(ckIcons, "a.bin", marked, 100).Identified);
  EXPECT_EQ(Identify(ckIcons, "a.bin", other, 100).ResType, rtBin);
  Bytes sized = LodHeader(5, 9);
  sized.push_back(0x78);
  sized.push_back(0x9C);
  EXPECT_EQ(Identify(ckIcons, "a.bin", sized, 100).ResType, rtBin);
  // In a saved game PARTY.BIN (any case) is the party record, other .BIN are data.
  EXPECT_EQ(Identify(ckChapter, "party.bin", other, 100).ResType, rtPartyBin);
  EXPECT_EQ(Identify(ckChapter, "PARTY.BIN", other, 100).ResType, rtPartyBin);
  EXPECT_EQ(Identify(ckChapter, "npcs.bin", other, 100).ResType, rtBin);
  EXPECT_FALSE(Identify(ckChapter, "party.bin", marked, 100).Identified);
}

TEST(IdentifyEntry, MapsSpritesPcxSoundsAndMovies) {
  ByteWriter map;
  map.I32(10).I32(40);
  for (auto [name, type] :
       {std::pair{"a.dlv", rtDlv}, {"a.DDM", rtDdm}, {"a.blv", rtBlv}, {"a.odm", rtOdm}}) {
    EXPECT_EQ(Identify(ckMaps, name, map.bytes(), 18).ResType, type) << name;
  }
  EXPECT_EQ(Identify(ckChapter, "a.dlv", map.bytes(), 18).ResType, rtDlv);
  EXPECT_FALSE(Identify(ckChapter, "a.blv", map.bytes(), 18).Identified);
  ByteWriter noUnpacked;
  noUnpacked.I32(10).I32(0);
  EXPECT_FALSE(Identify(ckMaps, "a.odm", noUnpacked.bytes(), 18).Identified);

  auto sprite = [](std::int32_t palette) {
    ByteWriter w;
    w.Zeros(12).I32(100).U16(30).U16(40).I32(palette).Zeros(4).I32(300);
    return w.Take();
  };
  TResourceInfo s = Identify(ckSprites, "goblin", sprite(7), 32 + 40 * 8 + 100);
  EXPECT_EQ(s.ResType, rtSprite);
  EXPECT_EQ(s.Width, 30);
  EXPECT_EQ(s.Height, 40);
  EXPECT_EQ(s.PaletteId, 7);
  EXPECT_EQ(s.UnpackedSize, 300);
  EXPECT_FALSE(Identify(ckSprites, "goblin", sprite(0), 32 + 320 + 100).Identified);
  EXPECT_FALSE(Identify(ckSprites, "goblin", sprite(-3), 32 + 320 + 100).Identified);
  EXPECT_FALSE(Identify(ckSprites, "goblin", sprite(7), 32 + 321 + 100).Identified);

  EXPECT_EQ(Identify(ckChapter, "a.pcx", {0x0A, 0x05, 0x01}, 128).ResType, rtPcx);
  EXPECT_FALSE(Identify(ckChapter, "a.pcx", {0x0A, 0x05, 0x00}, 128).Identified);

  EXPECT_EQ(Identify(ckSnd, "Boom", {}, 10).ResType, rtSound);
  EXPECT_FALSE(Identify(ckSnd, "Boom.wav", {}, 10).Identified);
  for (const char* name : {"intro", "intro.ztp", "INTRO.Ztp", "intro.kno"}) {
    EXPECT_EQ(Identify(ckVid, name, {}, 10).ResType, rtVideo) << name;
  }
  EXPECT_FALSE(Identify(ckVid, "intro.avi", {}, 10).Identified);
}

// The rules go by what follows the last dot, however long the name and wherever that dot
// is; an extension longer than three letters matches no rule, not even the one for none.
TEST(IdentifyEntry, TheExtensionIsWhatFollowsTheLastDot) {
  const Bytes text = LodHeader(10, 0);
  for (const char* name : {"a.b.txt", ".txt", "x.y.z.TXT", "long.name.with.dots.txt"})
    EXPECT_EQ(Identify(ckIcons, name, text, 58).ResType, rtText) << name;
  for (const char* name : {"a.txt.bak", "x.tx", "t.t", "a.", "ab.cdef", "a.txtx", "s.ztpq"})
    EXPECT_NE(Identify(ckIcons, name, text, 58).ResType, rtText) << name;
  // No extension (or a bare dot): the rule for none; one no rule names (.z), or a long one:
  // no rule at all.
  for (const char* name : {"p", "pal", "pal.", "a.b.", "x.y.z"})
    EXPECT_EQ(Identify(ckIcons, name, LodHeader(0, 0), 816).ResType,
              std::string(name) == "x.y.z" ? rtUnidentified : rtPalette)
        << name;
  EXPECT_FALSE(Identify(ckIcons, "pal.long", LodHeader(0, 0), 816).Identified);
  for (const char* name : {"i.ztp", "ab.kno", "intro"})
    EXPECT_EQ(Identify(ckVid, name, {}, 10).ResType, rtVideo) << name;
}

TEST(IdentifyEntry, NeverGivesCodeTen) {
  // Every kind with every extension the rules know, over many header shapes.
  const char* names[] = {"x",         "x.pal", "x.pcx", "x.txt", "x.fnt", "x.evt", "x.str", "x.bin",
                         "party.bin", "x.dlv", "x.ddm", "x.blv", "x.odm", "x.ztp", "x.kno"};
  for (int kind = ckVid; kind <= ckNone; ++kind) {
    for (const char* name : names) {
      for (std::uint8_t seed = 0; seed < 8; ++seed) {
        TResourceInfo e =
            Identify(static_cast<TContainerKind>(kind), name, Pattern(50, seed), 816 + seed);
        EXPECT_NE(static_cast<int>(e.ResType), 10);
      }
    }
  }
}

TEST(IdentifyAll, MatchesOneAtATimeAndReadsBeyondTheEntry) {
  // A LOD of many small entries and a few far apart: the batched reads must give what
  // entry-by-entry identification gives.
  std::vector<NewEntry> entries;
  for (int i = 0; i < 300; ++i) {
    Bytes payload = Pattern(static_cast<std::size_t>(i % 7) * 10, static_cast<std::uint8_t>(i));
    std::string name = std::to_string(i);
    name.insert(0, 1, 'e');
    name += i % 3 == 0 ? ".txt" : i % 3 == 1 ? ".bin" : "";
    if (i % 50 == 0) payload.resize(70000, 1);  // push later headers out of the window
    entries.push_back({name, BuildPackedLodEntry(name, payload, i % 2 == 0)});
  }
  MemoryFile file(BuildLod("ICONS", entries));
  TDataFile all;
  all.Kind = ckIcons;
  all.FileName = "memory";
  std::vector<TResourceInfo> dir;
  test::RecordingHost host;
  EXPECT_TRUE(ReadDirectory(file, ckIcons, all.Entries, host));
  TDataFile single = all;
  EXPECT_TRUE(IdentifyAll(all, file));
  for (std::size_t i = 0; i < single.Entries.size(); ++i) {
    EXPECT_TRUE(IdentifyEntry(single, static_cast<int>(i), file));
    const TResourceInfo& a = all.Entries[i];
    const TResourceInfo& b = single.Entries[i];
    EXPECT_EQ(a.Identified, b.Identified) << i;
    EXPECT_EQ(a.ResType, b.ResType) << i;
    EXPECT_EQ(a.PackedSize, b.PackedSize) << i;
    EXPECT_EQ(a.UnpackedSize, b.UnpackedSize) << i;
  }
  EXPECT_EQ(all.Entries[0].ResType, rtText);
  EXPECT_EQ(all.Entries[1].ResType, rtBin);

  // The directory's order breaks halfway (the second half reversed), and some entries are
  // known already: those stay as they are, the rest are identified as one at a time would.
  TDataFile mixed;
  mixed.Kind = ckIcons;
  mixed.FileName = "memory";
  EXPECT_TRUE(ReadDirectory(file, ckIcons, mixed.Entries, host));
  std::reverse(mixed.Entries.begin() + 150, mixed.Entries.end());
  for (std::size_t i = 0; i < mixed.Entries.size(); i += 7) {
    mixed.Entries[i].Identified = true;
    mixed.Entries[i].ResType = rtEvt;
  }
  TDataFile one = mixed;
  EXPECT_TRUE(IdentifyAll(mixed, file));
  for (std::size_t i = 0; i < one.Entries.size(); ++i) {
    EXPECT_TRUE(IdentifyEntry(one, static_cast<int>(i), file));
    EXPECT_EQ(mixed.Entries[i].ResType, one.Entries[i].ResType) << i;
    EXPECT_EQ(mixed.Entries[i].PackedSize, one.Entries[i].PackedSize) << i;
    EXPECT_EQ(mixed.Entries[i].Width, one.Entries[i].Width) << i;
  }
  EXPECT_EQ(mixed.Entries[7].ResType, rtEvt);
}

// Counts the bytes asked of the file.
class CountingFile : public MemoryFile {
 public:
  using MemoryFile::MemoryFile;
  std::size_t asked = 0;

 protected:
  Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) override {
    asked += n;
    return MemoryFile::DoRead(offset, dst, n);
  }
};

TEST(IdentifyAll, HeadersOutsideTheFileCostNoMoreThanTheirOwnBytes) {
  // A small file whose directory claims entries spread over megabytes past its end and
  // before its start: each reads as zeros, and no read may stretch over the gaps between.
  CountingFile file(BuildLod("ICONS", {{"e0.txt", BuildPackedLodEntry("e0.txt", {}, false)}}));
  TDataFile all;
  all.Kind = ckIcons;
  all.FileName = "memory";
  test::RecordingHost host;
  EXPECT_TRUE(ReadDirectory(file, ckIcons, all.Entries, host));
  ASSERT_EQ(all.Entries.size(), 1u);
  const std::int32_t size = static_cast<std::int32_t>(file.Size());
  for (int i = 0; i < 200; ++i) {
    TResourceInfo e = all.Entries[0];
    e.Name = "far" + std::to_string(i) + ".txt";
    e.Offset = i % 2 ? size - 10 + i / 2 * 200000 : -1 - i / 2 * 200000;
    all.Entries.push_back(e);
  }
  TDataFile single = all;
  EXPECT_TRUE(IdentifyAll(all, file));
  EXPECT_LE(file.asked, static_cast<std::size_t>(size) + all.Entries.size() * kIdentifyHeaderBytes);
  for (std::size_t i = 0; i < all.Entries.size(); ++i) {
    EXPECT_TRUE(IdentifyEntry(single, static_cast<int>(i), file));
    EXPECT_EQ(all.Entries[i].ResType, single.Entries[i].ResType) << i;
    EXPECT_EQ(all.Entries[i].PackedSize, single.Entries[i].PackedSize) << i;
  }
}

TEST(IdentifyEntry, IdentifiedEntriesAreNotTestedAgain) {
  TDataFile df;
  df.Kind = ckIcons;
  df.Entries.push_back({});
  df.Entries[0].Name = "x.txt";
  df.Entries[0].Identified = true;
  df.Entries[0].ResType = rtEvt;
  MemoryFile file(LodHeader(10, 0));
  df.Entries[0].Size = 58;
  EXPECT_TRUE(IdentifyEntry(df, 0, file));
  EXPECT_EQ(df.Entries[0].ResType, rtEvt);
  df.Entries[0].Identified = false;
  EXPECT_TRUE(IdentifyEntry(df, 0, file));
  EXPECT_EQ(df.Entries[0].ResType, rtText);
  // Out of range and nothing open: nothing happens.
  EXPECT_TRUE(IdentifyEntry(df, 5, file));
  df.Kind = ckNone;
  df.Entries[0].Identified = false;
  EXPECT_TRUE(IdentifyEntry(df, 0, file));
  EXPECT_FALSE(df.Entries[0].Identified);
}

}  // namespace
}  // namespace brindle
