// The party record: field conversions, the table's layout checks, byte-exact load and save,
// and saving into a container on disk.

#include "viewer/core/savegame/party.h"

#include <gtest/gtest.h>

#include <random>

#include "party_test_support.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_store.h"

namespace brindle {
namespace {

using test::Lines;
using test::SmallTable;

TEST(FieldValue, NumericWidthsReadSignedOrUnsignedAndWriteTheirLowBytes) {
  Bytes rec = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
  EXPECT_EQ(ReadFieldValue(rec, 0, 1), "255");
  EXPECT_EQ(ReadFieldValue(rec, 0, 2), "-1");
  EXPECT_EQ(ReadFieldValue(rec, 0, 4), "-1");
  EXPECT_EQ(ReadFieldValue(rec, 0, 0), "");

  WriteFieldValue(rec, 0, "70000", 2);  // 0x11170: the low two bytes
  EXPECT_EQ(rec[0], 0x70);
  EXPECT_EQ(rec[1], 0x11);
  EXPECT_EQ(rec[2], 0xFF);  // nothing past the width
  WriteFieldValue(rec, 0, "not a number", 4);
  EXPECT_EQ(ReadFieldValue(rec, 0, 4), "0");
  WriteFieldValue(rec, 4, "-2", 1);
  EXPECT_EQ(rec[4], 0xFE);
  EXPECT_EQ(rec[5], 0x00);
}

TEST(FieldValue, TextWidthsPadWithZerosAndCutWithoutATerminator) {
  Bytes rec(10, 0xAA);
  WriteFieldValue(rec, 1, "ab", 6);
  EXPECT_EQ(rec, (Bytes{0xAA, 'a', 'b', 0, 0, 0, 0, 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(ReadFieldValue(rec, 1, 6), "ab");
  WriteFieldValue(rec, 1, "abcdefgh", 6);
  EXPECT_EQ(rec, (Bytes{0xAA, 'a', 'b', 'c', 'd', 'e', 'f', 0xAA, 0xAA, 0xAA}));
  EXPECT_EQ(ReadFieldValue(rec, 1, 6), "abcdef");
  EXPECT_EQ(ReadFieldValue(rec, 1, 3), "abc");

  // A field reaching past the record reads zeros there and never writes outside it.
  Bytes small = {'x', 'y'};
  EXPECT_EQ(ReadFieldValue(small, 0, 5), "xy");
  WriteFieldValue(small, 1, "pq", 5);
  EXPECT_EQ(small, (Bytes{'x', 'p'}));
}

TEST(PartyLayout, EveryPlaceComesFromTheTableAndIsChecked) {
  PartyDataTable t = SmallTable();
  Result<PartyLayout> layout = ReadPartyLayout(t, kPartyRecordMinSize);
  ASSERT_TRUE(layout) << layout.message();
  EXPECT_EQ(layout->partyValues[2].offset, 1620);
  EXPECT_EQ(layout->partyValues[2].width, 6);
  EXPECT_EQ(layout->statOffsets[7][1], 188 + 28);

  t.SetColumn(kColCharValueOffset, Lines({"", "6536", "12x"}));
  Result<PartyLayout> bad = ReadPartyLayout(t, kPartyRecordMinSize);
  ASSERT_FALSE(bad);
  EXPECT_NE(bad.message().find("column 3, row 2"), std::string::npos) << bad.message();
  EXPECT_NE(bad.message().find("\"12x\""), std::string::npos);

  // 6972 - 2 lies inside the last block; 6971 with width 2 would reach past the record.
  t = SmallTable();
  t.SetColumn(kColStatSecondOffset, Lines({"", "6970"}));
  EXPECT_FALSE(ReadPartyLayout(t, kPartyRecordMinSize)) << "rows 2-8 are empty";
  std::vector<std::string> second(9, "6970");
  t.SetColumn(kColStatSecondOffset, second);
  EXPECT_TRUE(ReadPartyLayout(t, kPartyRecordMinSize));
  second[5] = "6971";
  t.SetColumn(kColStatSecondOffset, second);
  Result<PartyLayout> past = ReadPartyLayout(t, kPartyRecordMinSize);
  ASSERT_FALSE(past);
  EXPECT_NE(past.message().find("column 16, row 5"), std::string::npos) << past.message();

  t = SmallTable();
  t.SetColumn(kColPartyValueOffset, Lines({"", "-4", "0", "0"}));
  EXPECT_FALSE(ReadPartyLayout(t, kPartyRecordMinSize));
  // An empty table (a data file without text blocks) cannot place anything.
  EXPECT_FALSE(ReadPartyLayout(PartyDataTable(), kPartyRecordMinSize));
}

TEST(PartyRecordCheck, PackedAndShortRecordsAreRefused) {
  Bytes rec(kPartyRecordMinSize, 0);
  EXPECT_TRUE(CheckPartyRecord(rec, "PARTY.BIN"));
  rec[48] = 0x78;
  rec[49] = 0x9C;
  Status packed = CheckPartyRecord(rec, "PARTY.BIN");
  ASSERT_FALSE(packed);
  EXPECT_EQ(packed.kind(), ErrorKind::kNotSupported);
  EXPECT_NE(packed.message().find("compressed"), std::string::npos);
  Bytes shortRec(kPartyRecordMinSize - 1, 0);
  Status cut = CheckPartyRecord(shortRec, "PARTY.BIN");
  ASSERT_FALSE(cut);
  EXPECT_NE(cut.message().find("30396"), std::string::npos) << cut.message();
}

// A record whose every byte is random, except where the editor keeps less than it reads:
// text fields end in zeros after their first zero, grid cells and slots fit in 16 bits.
Bytes RandomRecord(std::uint32_t seed, const PartyLayout& layout) {
  std::mt19937 rng(seed);
  Bytes rec(kPartyRecordMinSize + 40);
  for (auto& b : rec)
    b = static_cast<std::uint8_t>(rng());
  auto zeroTail = [&](std::int64_t at, std::int64_t width) {
    if (width == 1 || width == 2 || width == 4 || width <= 0) return;
    bool seenZero = false;
    for (std::int64_t i = 0; i < width; ++i) {
      std::uint8_t& b = rec[static_cast<std::size_t>(at + i)];
      if (seenZero) b = 0;
      seenZero = seenZero || b == 0;
    }
  };
  for (const FieldPlace& p : layout.partyValues)
    zeroTail(p.offset, p.width);
  for (std::int64_t b : kCharacterBlockStarts) {
    for (const FieldPlace& p : layout.charValues)
      zeroTail(b + p.offset, p.width);
    auto widen = [&](std::int64_t at) {
      const std::int16_t low =
          static_cast<std::int16_t>(ReadU16(rec, static_cast<std::size_t>(at)));
      PutU32(&rec[static_cast<std::size_t>(at)], static_cast<std::uint32_t>(std::int32_t{low}));
    };
    for (int i = 0; i < kGridRows * kGridColumns; ++i)
      widen(b + kGridOffset + 4 * i);
    for (int s = 0; s < kSlotCount; ++s)
      widen(b + kSlotsOffset + 4 * s);
  }
  return rec;
}

TEST(PartyRecord, LoadThenSaveWithoutEditsGivesTheSameBytes) {
  const PartyDataTable table = SmallTable();
  const PartyLayout layout = *ReadPartyLayout(table, kPartyRecordMinSize + 40);
  for (std::uint32_t seed = 1; seed <= 5; ++seed) {
    const Bytes rec = RandomRecord(seed, layout);
    const TPartyMain party = LoadPartyRecord(rec, layout);
    EXPECT_EQ(PatchPartyRecord(rec, party, layout), rec) << "seed " << seed;
  }
}

TEST(PartyRecord, FieldsLandWhereTheLayoutSaysAndNothingElseMoves) {
  const PartyDataTable table = SmallTable();
  const PartyLayout layout = *ReadPartyLayout(table, kPartyRecordMinSize);
  Bytes rec(kPartyRecordMinSize, 0x5A);
  // A grid cell stored as 70000 is kept as its low 16 bits, 4464.
  PutU32(&rec[9480 + kGridOffset + 4 * 15], 70000);
  TPartyMain party = LoadPartyRecord(rec, layout);
  EXPECT_EQ(party.Character(2).Cell(1, 1), 4464);

  party.GameClock = 123456789;
  party.PartyValues[2] = "ab";
  party.Character(2).Values[0] = "Wren";
  party.Character(2).Stats[3] = {7, 40};
  party.Character(4).Skills[36] = kSkillMaster | 9;
  party.Character(3).SetConditionStamp(20, 99);
  const Bytes out = PatchPartyRecord(rec, party, layout);

  EXPECT_EQ(ReadI32(out, 44), 123456789);
  EXPECT_EQ(ReadU32(out, 48), ReadU32(rec, 48)) << "the bytes after the clock are never written";
  EXPECT_EQ(ReadFieldValue(out, 1620, 6), "ab");
  EXPECT_EQ(out[1622], 0);
  EXPECT_EQ(ReadFieldValue(out, 9480 + 6536, 16), "Wren");
  EXPECT_EQ(ReadU16(out, 9480 + 190 + 12), 7);
  EXPECT_EQ(ReadU16(out, 9480 + 188 + 12), 40);
  EXPECT_EQ(ReadU16(out, 23424 + kSkillsOffset + 72), kSkillMaster | 9);
  EXPECT_EQ(ReadI32(out, 16452 + 8 * 19), 99);
  EXPECT_EQ(ReadU32(out, 16452 + 8 * 19 + 4), 0x5A5A5A5Au) << "second half of a condition";
  EXPECT_EQ(ReadU32(out, 9480 + kGridOffset + 4 * 15), 4464u);
  EXPECT_EQ(out.size(), rec.size());
}

// A saved game on disk with PARTY.BIN between two other entries.
struct SavedGame {
  test::TempDir dir;
  std::string path;
  TDataFile dataFile;
  int index = -1;

  explicit SavedGame(Bytes party, bool packed = false) {
    Bytes entry = packed ? BuildPackedLodEntry("PARTY.BIN", party, true) : std::move(party);
    path = dir.Write("save.lod", BuildLod("CHAPTER", {{"first.txt", Bytes(64, 'a')},
                                                      {"PARTY.BIN", entry},
                                                      {"last.bin", Bytes(32, 'z')}}));
    SilentHost quiet;
    EXPECT_TRUE(OpenContainer(dataFile, path, quiet));
    index = FindPartyEntry(dataFile);
  }
  Bytes Bytes_() const { return test::FileBytes(path); }
};

TEST(PartyStore, SaveWritesExactlyTheChangedFieldsInPlace) {
  const PartyDataTable table = SmallTable();
  Bytes rec(kPartyRecordMinSize, 0);
  SavedGame game(rec);
  ASSERT_EQ(game.index, 1);
  const Bytes before = game.Bytes_();

  Result<TPartyMain> party = LoadPartyEntry(game.dataFile, game.index, table);
  ASSERT_TRUE(party) << party.message();
  const TPartyMain loaded = *party;
  test::RecordingHost host;
  // No edit: nothing is written, not even the same bytes.
  const std::int64_t stamp = game.dataFile.FileDate;
  Result<PartySaved> none = SavePartyEntry(game.dataFile, game.index, loaded, loaded, table, host);
  ASSERT_TRUE(none);
  EXPECT_EQ(*none, PartySaved::kNothing);
  EXPECT_EQ(StatPath(game.path)->modifiedNs, stamp);

  party->Character(1).Portrait = 13;
  Result<PartySaved> saved = SavePartyEntry(game.dataFile, game.index, loaded, *party, table, host);
  ASSERT_TRUE(saved) << saved.message();
  EXPECT_EQ(*saved, PartySaved::kSaved);
  const Bytes after = game.Bytes_();
  ASSERT_EQ(after.size(), before.size());
  const std::size_t at = static_cast<std::size_t>(game.dataFile.Entries[1].Offset) + 2508 + 186;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (i != at) {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
  EXPECT_EQ(after[at], 13);
  EXPECT_EQ(host.watch, (std::vector<bool>{true, false}));

  // What the file now holds loads back.
  Result<TPartyMain> again = LoadPartyEntry(game.dataFile, game.index, table);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Character(1).Portrait, 13);
}

TEST(PartyStore, RecordsThatCannotBeEditedAreNeverWrittenOver) {
  const PartyDataTable table = SmallTable();
  Bytes rec(kPartyRecordMinSize, 7);
  SavedGame packed(rec, true);
  Result<TPartyMain> load = LoadPartyEntry(packed.dataFile, packed.index, table);
  ASSERT_FALSE(load);
  EXPECT_NE(load.message().find("compressed"), std::string::npos);
  const Bytes before = packed.Bytes_();
  SilentHost quiet;
  TPartyMain edited;
  edited.GameClock = 1;
  EXPECT_FALSE(SavePartyEntry(packed.dataFile, packed.index, {}, edited, table, quiet));
  EXPECT_EQ(packed.Bytes_(), before);

  SavedGame cut(Bytes(1000, 0));
  EXPECT_FALSE(LoadPartyEntry(cut.dataFile, cut.index, table));
  const Bytes cutBefore = cut.Bytes_();
  EXPECT_FALSE(SavePartyEntry(cut.dataFile, cut.index, {}, edited, table, quiet));
  EXPECT_EQ(cut.Bytes_(), cutBefore);
}

// Another program's change to the saved game between loading and saving.
struct ChangedMeanwhile : SavedGame {
  PartyDataTable table = SmallTable();
  TPartyMain loaded;
  std::size_t at = 0;  // where the record starts in the file

  ChangedMeanwhile() : SavedGame(Bytes(kPartyRecordMinSize, 0)) {
    loaded = *LoadPartyEntry(dataFile, index, table);
    at = static_cast<std::size_t>(dataFile.Entries[static_cast<std::size_t>(index)].Offset);
  }
  // Writes bytes into the record as another program would, leaving a new time stamp.
  Bytes Change(std::size_t offset, Bytes bytes, bool grow = false) {
    Bytes now = Bytes_();
    std::copy(bytes.begin(), bytes.end(), now.begin() + static_cast<std::ptrdiff_t>(at + offset));
    if (grow) now.push_back(1);
    EXPECT_TRUE(WriteWholeFile(path, now));
    return now;
  }
  Result<PartySaved> Save(const TPartyMain& edited) {
    SilentHost quiet;
    return SavePartyEntry(dataFile, index, loaded, edited, table, quiet);
  }
};

TEST(PartyStore, EditsMergeIntoAFileAnotherProgramChanged) {
  ChangedMeanwhile game;
  // The other program sets the clock and grows the container; the user sets a portrait.
  const Bytes theirs = game.Change(kGameClockOffset, {7, 0, 0, 0}, true);
  TPartyMain edited = game.loaded;
  edited.Character(2).Portrait = 9;
  Result<PartySaved> saved = game.Save(edited);
  ASSERT_TRUE(saved) << saved.message();
  EXPECT_EQ(*saved, PartySaved::kMerged);
  // Only the portrait's byte differs from what the other program left.
  const Bytes after = game.Bytes_();
  ASSERT_EQ(after.size(), theirs.size());
  const std::size_t portrait = game.at + 9480 + kPortraitOffset;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (i != portrait) {
      ASSERT_EQ(after[i], theirs[i]) << "byte " << i;
    }
  EXPECT_EQ(after[portrait], 9);
  // What it knew of the container is stale: nothing else is written until it is loaded again.
  EXPECT_EQ(game.dataFile.FileDate, 0);

  // The same value on both sides is no conflict either.
  ChangedMeanwhile same;
  same.Change(kGameClockOffset, {7, 0, 0, 0});
  edited = same.loaded;
  edited.GameClock = 7;
  EXPECT_TRUE(same.Save(edited));
}

TEST(PartyStore, FieldsBothSidesChangedAreNamedAndNothingIsWritten) {
  ChangedMeanwhile game;
  const std::int64_t known = game.dataFile.FileDate;
  Bytes theirs = game.Change(kGameClockOffset, {7, 0, 0, 0});
  theirs = game.Change(2508 + kSkillsOffset + 2 * 4, {3, 0});  // char1.skill.5
  TPartyMain edited = game.loaded;
  edited.GameClock = 8;
  edited.Character(1).Skills[4] = 10;
  edited.Character(3).Spells[0] = 1;  // not changed there
  Result<PartySaved> saved = game.Save(edited);
  ASSERT_FALSE(saved);
  EXPECT_EQ(saved.error().kind, ErrorKind::kChanged);
  EXPECT_NE(saved.message().find("clock, char1.skill.5."), std::string::npos) << saved.message();
  EXPECT_NE(saved.message().find("Nothing was saved"), std::string::npos);
  EXPECT_EQ(game.Bytes_(), theirs);
  EXPECT_EQ(game.dataFile.FileDate, known) << "still not taken for the file as it is now";

  // A character's inventory is one part: a cell changed there and a slot changed here.
  ChangedMeanwhile bag;
  theirs = bag.Change(2508 + kGridOffset, {1, 0, 0, 0});
  edited = bag.loaded;
  edited.Character(1).Slots[2] = 4;
  saved = bag.Save(edited);
  ASSERT_FALSE(saved);
  EXPECT_NE(saved.message().find(": char1.slot.3."), std::string::npos) << saved.message();
  EXPECT_EQ(bag.Bytes_(), theirs);
}

TEST(PartyStore, AnEntryMovedByAnotherProgramIsNotSavedOver) {
  ChangedMeanwhile game;
  // The other program points the record somewhere else (LOD record: offset from 256).
  Bytes moved = game.Bytes_();
  const std::size_t record = 288 + 32 * static_cast<std::size_t>(game.index);
  moved[record + 16] = static_cast<std::uint8_t>(moved[record + 16] + 1);
  ASSERT_TRUE(WriteWholeFile(game.path, moved));
  TPartyMain edited = game.loaded;
  edited.GameClock = 5;
  Result<PartySaved> s = game.Save(edited);
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().kind, ErrorKind::kChanged);
  EXPECT_NE(s.message().find("moved or replaced"), std::string::npos) << s.message();
  EXPECT_EQ(game.Bytes_(), moved);
}

// A store whose file fails its first write: the old bytes must go back.
class FailingStore : public ContainerStore {
 public:
  explicit FailingStore(Bytes bytes) : file_(std::move(bytes)) {}
  Result<std::unique_ptr<ByteFile>> OpenForWrite(const std::string&) override {
    return std::unique_ptr<ByteFile>(std::make_unique<Handle>(*this));
  }
  std::optional<FileStamp> Stat(const std::string&) override {
    return FileStamp{file_.Size(), file_.ModifiedNs()};
  }
  MemoryFile file_;
  int failWrites = 1;

 private:
  class Handle : public ByteFile {
   public:
    explicit Handle(FailingStore& s) : s_(s) {}
    std::int64_t Size() const override { return s_.file_.Size(); }
    Status WriteAt(std::int64_t o, const void* src, std::size_t n) override {
      if (s_.failWrites > 0) {
        --s_.failWrites;
        (void)s_.file_.WriteAt(o, src, n / 2);  // a torn write
        return Fail("Input/output error", ErrorKind::kWriteFailed);
      }
      return s_.file_.WriteAt(o, src, n);
    }
    Status Flush() override { return Ok(); }
    Status Truncate(std::int64_t size) override { return s_.file_.Truncate(size); }
    std::int64_t ModifiedNs() const override { return s_.file_.ModifiedNs(); }

   protected:
    Result<std::size_t> DoRead(std::int64_t o, void* d, std::size_t n) override {
      return s_.file_.ReadAt(o, d, n);
    }

   private:
    FailingStore& s_;
  };
};

TEST(PartyStore, AFailedWriteIsReportedAndTakenBack) {
  const PartyDataTable table = SmallTable();
  SavedGame game(Bytes(kPartyRecordMinSize, 0));
  const Bytes before = game.Bytes_();
  FailingStore store(before);
  game.dataFile.FileDate = store.file_.ModifiedNs();
  const TPartyMain loaded = *LoadPartyEntry(game.dataFile, game.index, table);
  TPartyMain party = loaded;
  party.GameClock = 99;
  party.Character(4).Spells.fill(1);
  SilentHost quiet;
  Result<PartySaved> s =
      SavePartyEntry(game.dataFile, game.index, loaded, party, table, quiet, store);
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().kind, ErrorKind::kWriteFailed);
  EXPECT_NE(s.message().find("left as it was"), std::string::npos) << s.message();
  EXPECT_EQ(store.file_.bytes(), before);
}

}  // namespace
}  // namespace brindle
