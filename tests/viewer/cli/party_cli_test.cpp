// brindle-cli party on saved games built here byte by byte, read with the game data file the
// programs ship: what it prints is what the bytes at the table's offsets hold, and a --set
// changes the bytes of that field and nothing else.

#include "viewer/cli/party_command.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <sstream>

#include "fault_sweep.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {
namespace {

constexpr std::size_t kRecordSize = 30396;
constexpr std::size_t kBlocks[] = {2508, 9480, 16452, 23424};

struct PartyRun {
  int code;
  std::map<std::string, std::string> values;  // key -> value
  std::vector<std::string> lines;
  std::vector<std::string> takenOut;  // "charN: item K taken out of ..."
  std::string err;
};

PartyRun Party(std::vector<std::string> args, std::vector<std::string> data = {BRINDLE_DAT_FILE}) {
  std::ostringstream out, err;
  PartyRun r;
  r.code = PartyCommand(args, out, err, data);
  r.err = err.str();
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) {
    if (line.find(": item ") != std::string::npos && line.find('\t') == std::string::npos) {
      r.takenOut.push_back(line);
      continue;
    }
    r.lines.push_back(line);
    const std::size_t t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
    EXPECT_NE(t2, std::string::npos) << line;
    r.values[line.substr(0, t1)] = line.substr(t1 + 1, t2 - t1 - 1);
  }
  return r;
}

const PartyDataTable& Table() {
  static const GameData data = *LoadGameDataFile(BRINDLE_DAT_FILE);
  return data.table;
}

int TableInt(int col, int row) {
  return *Table().IntCell(col, row);
}

// A record of random bytes whose backpack and slots are empty, so that placements are
// decided by the test alone.
Bytes RandomRecord(std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes rec(kRecordSize);
  for (auto& b : rec)
    b = static_cast<std::uint8_t>(rng());
  rec[48] = 0;  // never the compressed-data mark
  for (std::size_t b : kBlocks) {
    std::fill_n(&rec[b + 5500], 504 + 468 + 64, 0);
    for (int i = 0; i < 138; ++i)  // small item numbers the table knows
      PutU32(&rec[b + 532 + 36 * static_cast<std::size_t>(i)], i % 3 == 0 ? (i % 40) + 1 : 0);
    // Text values without a zero byte: they read back whole, so saving leaves them as they are.
    for (int k = 1; k <= 8; ++k) {
      const int width = TableInt(4, k);
      if (width == 1 || width == 2 || width == 4) continue;
      for (int i = 0; i < width; ++i) {
        std::uint8_t& c = rec[b + static_cast<std::size_t>(TableInt(3, k) + i)];
        c = c == 0 ? 'x' : c;
      }
    }
  }
  return rec;
}

struct Save {
  test::TempDir dir;
  std::string path;
  std::size_t at = 0;  // where PARTY.BIN's bytes start in the file

  explicit Save(const Bytes& party, const char* name = "PARTY.BIN") {
    const Bytes lod = BuildLod("CHAPTER", {{"notes.txt", Bytes(100, 'n')}, {name, party}});
    path = dir.Write("save1.lod", lod);
    at = test::FileBytes(path).size() - party.size();
  }
  Bytes Record() const {
    const Bytes all = test::FileBytes(path);
    return Bytes(all.begin() + static_cast<std::ptrdiff_t>(at), all.end());
  }
};

std::string Signed(std::int64_t v) {
  return std::to_string(v);
}

TEST(PartyCli, EveryPrintedFieldIsWhatTheBytesHold) {
  const Bytes rec = RandomRecord(7);
  Save save(rec);
  PartyRun r = Party({save.path});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.lines[0].substr(0, 6), "clock\t");
  EXPECT_EQ(r.values["clock"], Signed(ReadI32(rec, 44)));
  for (int k = 1; k <= 3; ++k) {
    const std::size_t off = static_cast<std::size_t>(TableInt(0, k));
    const int width = TableInt(1, k);
    const std::string expected = width == 4   ? Signed(ReadI32(rec, off))
                                 : width == 2 ? Signed(static_cast<std::int16_t>(ReadU16(rec, off)))
                                              : Signed(rec[off]);
    EXPECT_EQ(r.values["party." + std::to_string(k)], expected) << k;
  }
  for (int n = 1; n <= 4; ++n) {
    const std::size_t b = kBlocks[n - 1];
    const std::string p = "char" + std::to_string(n) + ".";
    EXPECT_EQ(r.values[p + "class"], Signed(rec[b + 185]));
    EXPECT_EQ(r.values[p + "portrait"], Signed(static_cast<std::int16_t>(ReadU16(rec, b + 186))));
    for (int k = 1; k <= 8; ++k) {
      const std::string s = p + "stat." + std::to_string(k);
      EXPECT_EQ(r.values[s + ".added"], Signed(ReadU16(rec, b + std::size_t(TableInt(15, k)))));
      EXPECT_EQ(r.values[s + ".permanent"], Signed(ReadU16(rec, b + std::size_t(TableInt(16, k)))));
    }
    for (int k = 1; k <= 37; ++k) {
      const std::uint16_t w = ReadU16(rec, b + 264 + 2 * std::size_t(k - 1));
      const std::string v = r.values[p + "skill." + std::to_string(k)];
      EXPECT_EQ(v.substr(0, v.find_first_not_of("0123456789")), Signed(w & 63));
      const char mark = w & 256 ? 'G' : w & 128 ? 'M' : w & 64 ? 'E' : 0;
      EXPECT_EQ(mark ? v.back() : '0', mark ? mark : '0');
    }
    for (int k = 1; k <= 99; ++k)
      EXPECT_EQ(r.values[p + "spell." + std::to_string(k)],
                Signed(rec[b + 402 + std::size_t(k - 1)]));
    for (int k = 1; k <= 20; ++k)
      EXPECT_EQ(r.values[p + "condition." + std::to_string(k)],
                Signed(ReadI32(rec, b + 8 * std::size_t(k - 1))));
    for (int i = 1; i <= 138; ++i) {
      const std::size_t at = b + 532 + 36 * std::size_t(i - 1);
      const std::string key = p + "item." + std::to_string(i);
      if (ReadI32(rec, at) == 0) {
        EXPECT_EQ(r.values.count(key), 0u) << key;
        continue;
      }
      std::string fields;
      for (std::size_t f = 0; f < 9; ++f)
        fields.append(f ? "," : "").append(Signed(ReadI32(rec, at + 4 * f)));
      EXPECT_EQ(r.values[key], fields);
    }
  }
}

// The offsets of the bytes that differ.
std::vector<std::size_t> Changed(const Bytes& a, const Bytes& b) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) out.push_back(i);
  return out;
}

void ExpectOnlyWithin(const std::vector<std::size_t>& changed, std::size_t from, std::size_t to) {
  EXPECT_FALSE(changed.empty());
  for (std::size_t i : changed) {
    EXPECT_GE(i, from);
    EXPECT_LT(i, to);
  }
}

TEST(PartyCli, ASettingChangesTheBytesOfItsFieldAndNothingElse) {
  struct Case {
    std::string setting;
    std::size_t from, to;  // in the record
  };
  const std::size_t b2 = kBlocks[1];
  const std::size_t gold = static_cast<std::size_t>(TableInt(0, 1));
  const std::size_t name = b2 + static_cast<std::size_t>(TableInt(3, 1));
  const std::size_t stat = b2 + static_cast<std::size_t>(TableInt(16, 3));
  const Case cases[] = {
      {"clock=1000", 44, 48},
      {"time=1169-02-03 04:05:006", 44, 48},
      {"party.1=777", gold, gold + 4},
      {"char2.value.1=Brannoc", name, name + 16},
      {"char2.stat.3.permanent=321", stat, stat + 2},
      {"char2.class=sorcerer", b2 + 185, b2 + 186},
      {"char2.portrait=21", b2 + 186, b2 + 188},
      {"char2.skill.5=33M", b2 + 264 + 8, b2 + 264 + 10},
      {"char2.condition.4=-9", b2 + 24, b2 + 28},
      {"char2.item.2=9,1,2,3,4,5,6,7,8", b2 + 532 + 36, b2 + 532 + 72},
  };
  for (const Case& c : cases) {
    Bytes rec = RandomRecord(11);
    rec[b2 + 185] = 3;
    rec[b2 + 186] = 0;
    rec[b2 + 187] = 0;
    Save save(rec);
    const Bytes before = test::FileBytes(save.path);
    PartyRun r = Party({save.path, "--set", c.setting});
    ASSERT_EQ(r.code, 0) << c.setting << ": " << r.err;
    EXPECT_FALSE(r.lines.empty()) << c.setting;
    const Bytes after = test::FileBytes(save.path);
    ASSERT_EQ(after.size(), before.size());
    ExpectOnlyWithin(Changed(before, after), save.at + c.from, save.at + c.to);
  }
}

TEST(PartyCli, BytesNoFieldShowsStayAsStored) {
  Bytes rec = RandomRecord(13);
  const std::size_t b1 = kBlocks[0], b3 = kBlocks[2];
  // A name that ends early with bytes after its end, and backpack cells whose upper halves
  // hold something the editor does not show.
  const std::size_t name = b1 + static_cast<std::size_t>(TableInt(3, 1));
  rec[name] = 'A';
  rec[name + 1] = 'b';
  rec[name + 2] = 0;
  PutU32(&rec[b3 + 5500], 0x77770000u);
  PutU32(&rec[b3 + 5504], 0x12340000u);
  for (const char* setting : {"clock=1000", "char2.spell.3=1", "char1.value.1=Abc"}) {
    Save save(rec);
    const Bytes before = test::FileBytes(save.path);
    PartyRun r = Party({save.path, "--set", setting});
    ASSERT_EQ(r.code, 0) << setting << ": " << r.err;
    const Bytes after = test::FileBytes(save.path);
    for (std::size_t i : Changed(before, after)) {
      const std::size_t at = i - save.at;
      // Only the named field's bytes: the clock, one spell, or the name's third letter.
      const bool inField = (at >= 44 && at < 48) || at == kBlocks[1] + 402 + 2 || at == name + 2;
      EXPECT_TRUE(inField) << setting << ": byte " << at;
    }
    EXPECT_EQ(ReadU32(after, save.at + b3 + 5500), 0x77770000u) << setting;
    EXPECT_EQ(ReadU32(after, save.at + b3 + 5504), 0x12340000u) << setting;
    EXPECT_EQ(after[save.at + name + 3], rec[name + 3]) << setting;
  }
}

TEST(PartyCli, ARecordOverTheDirectoryIsNeverWritten) {
  const Bytes rec = RandomRecord(5);
  Bytes lod = BuildLod("CHAPTER", {{"PARTY.BIN", rec}});
  // The record now claims the file's first bytes: the header and the directory.
  PutU32(&lod[kLodDirectoryStart + 16], static_cast<std::uint32_t>(-kLodDirectoryStart));
  test::TempDir dir;
  const std::string path = dir.Write("save.lod", lod);
  PartyRun r = Party({path, "--set", "clock=1094795585"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("over the header and directory"), std::string::npos) << r.err;
  EXPECT_EQ(test::FileBytes(path), lod);
}

TEST(PartyCli, AFailingCallLeavesTheRecordAsItWasOrAsSet) {
  const Bytes lod =
      BuildLod("CHAPTER", {{"notes.txt", Bytes(100, 'n')}, {"PARTY.BIN", RandomRecord(21)}});
  test::SweepCase c;
  c.name = "party --set";
  c.prepare = [&](const test::TempDir& d) { d.Write("save1.lod", lod); };
  c.run = [](const test::TempDir& d) {
    PartyRun r = Party({d.File("save1.lod"), "--set", "clock=1000", "--set", "char1.spell.2=1"});
    test::SweepRun out;
    out.code = r.code;
    for (const std::string& line : r.lines)
      out.out += line + "\n";
    out.err = r.err;
    return out;
  };
  EXPECT_GT(test::SweepFaults(c), 5);
}

TEST(PartyCli, NumbersMustFitTheirFieldAndMayHaveBlanksAround) {
  Save save(RandomRecord(17));
  const Bytes before = test::FileBytes(save.path);
  int byteField = 0;
  for (int k = 1; k <= 8 && byteField == 0; ++k)
    if (TableInt(4, k) == 1) byteField = k;
  ASSERT_GT(byteField, 0);
  const std::string key = "char4.value." + std::to_string(byteField);
  for (const auto& [setting, range] : std::vector<std::pair<std::string, std::string>>{
           {key + "=300", "from 0 to 255"},
           {key + "=-1", "from 0 to 255"},
           {"char1.stat.2.added=70000", "from 0 to 65535"},
           {"char1.stat.2.permanent=-1", "from 0 to 65535"}}) {
    PartyRun r = Party({save.path, "--set", setting});
    EXPECT_EQ(r.code, 1) << setting;
    EXPECT_NE(r.err.find(range), std::string::npos) << setting << ": " << r.err;
    EXPECT_NE(r.err.find(setting.substr(0, setting.find('='))), std::string::npos) << r.err;
    EXPECT_EQ(test::FileBytes(save.path), before) << setting;
  }
  PartyRun spaced = Party({save.path, "--set", "clock= 1000 ", "--set", key + "=\t7"});
  ASSERT_EQ(spaced.code, 0) << spaced.err;
  PartyRun now = Party({save.path});
  EXPECT_EQ(now.values["clock"], "1000");
  EXPECT_EQ(now.values[key], "7");
}

TEST(PartyCli, EveryClockPrintsAsATimeThatSetsItBack) {
  Save save(RandomRecord(19));
  for (const std::int64_t clock :
       {std::int64_t{0}, std::int64_t{-5}, std::int64_t{-300}, std::int64_t{-123456789},
        std::int64_t{INT32_MIN}, std::int64_t{INT32_MAX}, std::int64_t{987654321}}) {
    ASSERT_EQ(Party({save.path, "--set", "clock=" + std::to_string(clock)}).code, 0) << clock;
    const std::string time = Party({save.path}).values["time"];
    ASSERT_EQ(Party({save.path, "--set", "clock=1"}).code, 0);
    PartyRun back = Party({save.path, "--set", "time=" + time});
    ASSERT_EQ(back.code, 0) << clock << " printed as " << time << ": " << back.err;
    EXPECT_EQ(Party({save.path}).values["clock"], std::to_string(clock)) << time;
  }
  // Parts out of range are still refused when they are not what a clock prints.
  EXPECT_EQ(Party({save.path, "--set", "time=1170-13-01 00:00:000"}).code, 1);
  EXPECT_EQ(Party({save.path, "--set", "time=1170-01-01 00:00:-01"}).code, 1);
}

TEST(PartyCli, PlacingItemsFollowsTheInventoryRules) {
  Bytes rec = RandomRecord(3);
  const std::size_t b1 = kBlocks[0];
  PutU32(&rec[b1 + 532], 5);  // entry 1: item 5, two cells wide and five high
  Save save(rec);
  PartyRun placed = Party({save.path, "--set", "char1.grid.2.3=1", "--set", "char1.slot.4=4"});
  ASSERT_EQ(placed.code, 0) << placed.err;
  const Bytes now = save.Record();
  EXPECT_EQ(ReadI32(now, b1 + 5500 + 4 * (2 * 14 + 3)), 1);
  EXPECT_EQ(ReadI32(now, b1 + 5500 + 4 * (6 * 14 + 4)), -(2 * 14 + 3 + 1));
  EXPECT_EQ(placed.values["char1.grid.6.4"], Signed(-(2 * 14 + 3 + 1)));

  // Refusals: once only, no room, no such entry; nothing is written.
  const Bytes before = test::FileBytes(save.path);
  for (const char* bad :
       {"char1.grid.0.0=1", "char1.grid.5.13=7", "char1.slot.2=2", "char1.slot.5=1"}) {
    PartyRun r = Party({save.path, "--set", "char1.value.1=Nobody", "--set", bad});
    EXPECT_EQ(r.code, 1) << bad;
    EXPECT_FALSE(r.err.empty()) << bad;
    EXPECT_EQ(test::FileBytes(save.path), before) << bad;
  }
  // A refused placement over a placed item leaves that item where it was.
  PartyRun refused = Party({save.path, "--set", "char1.grid.0.0=4", "--set", "char1.grid.2.3=4"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(test::FileBytes(save.path), before);
  // An accepted placement over another item takes that one out, and says so.
  PartyRun replaced = Party({save.path, "--set", "char1.slot.4=0", "--set", "char1.grid.2.3=4"});
  ASSERT_EQ(replaced.code, 0) << replaced.err;
  EXPECT_EQ(replaced.takenOut,
            (std::vector<std::string>{"char1: item 1 taken out of the backpack"}));
  ASSERT_EQ(Party({save.path, "--set", "char1.grid.2.3=1"}).code, 0);
  // Clearing the top-left cell takes the whole item out.
  PartyRun cleared = Party({save.path, "--set", "char1.grid.2.3=0"});
  ASSERT_EQ(cleared.code, 0);
  EXPECT_EQ(cleared.values["char1.grid.6.4"], "0");
  EXPECT_EQ(cleared.takenOut,
            (std::vector<std::string>{"char1: item 1 taken out of the backpack"}));
  const Bytes after = save.Record();
  for (int cell = 0; cell < 126; ++cell)
    EXPECT_EQ(ReadI32(after, b1 + 5500 + 4 * std::size_t(cell)), 0) << cell;
}

TEST(PartyCli, BadKeysAndValuesChangeNothing) {
  Save save(RandomRecord(5));
  const Bytes before = test::FileBytes(save.path);
  for (const char* bad :
       {"char5.class=1", "char1.skill.38=1", "party.4=1", "mana=3", "char1.portrait=25",
        "char1.class=Bard", "char1.skill.1=64", "char1.spell.3=x", "time=1169-02-30 00:00:000",
        "char1.item.1=1,2", "char1.grid.9.0=0", "clock=99999999999", "party.1=lots"}) {
    PartyRun r = Party({save.path, "--set", "clock=5", "--set", bad});
    EXPECT_EQ(r.code, 1) << bad;
    EXPECT_EQ(test::FileBytes(save.path), before) << bad;
  }
  EXPECT_EQ(Party({save.path, "--set", "noequals"}).code, 1);
}

TEST(PartyCli, SavesThatCannotBeEditedAreRefused) {
  test::TempDir dir;
  EXPECT_EQ(Party({dir.File("missing.lod")}).code, 2);
  Save other(RandomRecord(1), "OTHER.BIN");
  PartyRun none = Party({other.path});
  EXPECT_EQ(none.code, 2);
  EXPECT_NE(none.err.find("PARTY.BIN"), std::string::npos);

  Save cut(Bytes(kRecordSize - 1, 0));
  EXPECT_EQ(Party({cut.path}).code, 2);
  const Bytes packed = BuildPackedLodEntry("PARTY.BIN", RandomRecord(2), true);
  Save compressed(packed);
  const Bytes before = test::FileBytes(compressed.path);
  PartyRun r = Party({compressed.path, "--set", "clock=1"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("compressed"), std::string::npos) << r.err;
  EXPECT_EQ(test::FileBytes(compressed.path), before);

  Save fine(RandomRecord(4));
  PartyRun noData = Party({fine.path}, {dir.File("brindle.dat")});
  EXPECT_EQ(noData.code, 2);
  EXPECT_FALSE(noData.err.empty());
}

}  // namespace
}  // namespace brindle
