#include "viewer/core/edit/find.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "common/io_faults.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/raw_types.h"
#include "viewer/core/formats/texts.h"

namespace brindle {
namespace {

using test::RecordingHost;
using test::TempDir;
using test::TextBytes;

// The texts the container's entries hold, so expectations are worked out from them.
const std::string kTable = "Item\tNote\r\nblade\tAn \xe9p\xe9\x65 sharp\r\nshield\tround\r\n";
const std::string kStrings = std::string("first\0a blade too\0", 18);
const std::string kBin = std::string("\x01\x02\x00 BLADE and a sword \x7f", 23);
const std::string kAccented = "\xc9P\xc9\x45.evt";  // "ÉPÉE.evt"

struct Container {
  TempDir dir;
  Bytes binEntry;  // a bin entry's payload is the whole entry
  TDataFile df;
  std::unique_ptr<PosixFile> file;
};

// quest.txt (a compressed table), sword.str, data.bin, ÉPÉE.evt.
std::unique_ptr<Container> MakeContainer() {
  auto c = std::make_unique<Container>();
  c->binEntry = BuildPackedLodEntry("data.bin", TextBytes(kBin), false);
  const std::string path = c->dir.Write(
      "icons.lod",
      BuildLod("icons",
               {{"quest.txt", BuildPackedLodEntry("quest.txt", TextBytes(kTable), true)},
                {"sword.str", BuildPackedLodEntry("sword.str", TextBytes(kStrings), false)},
                {"data.bin", c->binEntry},
                {kAccented, BuildPackedLodEntry(kAccented, test::Pattern(32), false)}}));
  SilentHost host;
  EXPECT_TRUE(OpenContainer(c->df, path, host));
  c->file = test::OpenFile(path);
  return c;
}

FindPattern TextPattern(std::string_view utf8) {
  Result<FindPattern> p = FindPattern::Text(utf8);
  EXPECT_TRUE(p) << utf8;
  return p ? *p : *FindPattern::Text("?");
}

FindPattern HexPattern(std::string_view text) {
  Result<FindPattern> p = FindPattern::Hex(text);
  EXPECT_TRUE(p) << text;
  return p ? *p : *FindPattern::Hex("00");
}

std::vector<FindHit> FindAll(Container& c, const FindPattern& pattern,
                             const FindOptions& options = {}) {
  std::vector<FindHit> hits;
  SilentHost host;
  Result<FindSummary> r =
      FindInContainer(c.df, *c.file, pattern, options, host, [&](const FindHit& hit) {
        hits.push_back(hit);
        return true;
      });
  EXPECT_TRUE(r) << (r ? "" : r.message());
  if (r) {
    EXPECT_EQ(r->hits, static_cast<std::int64_t>(hits.size()));
  }
  return hits;
}

std::size_t Find(const std::string& text, const std::string& what) {
  return text.find(what);
}

TEST(FindPattern, TextMatchesInAnyCaseOf1252) {
  const FindPattern p = TextPattern("\xc3\x89P\xc3\x89\x45");  // "ÉPÉE" in UTF-8
  const std::string hay = "an \xe9p\xe9\x65!";                 // "an épée!" in 1252
  EXPECT_EQ(p.Find(TextBytes(hay)), 3u);
  EXPECT_EQ(p.Find(TextBytes(hay), 4), std::string_view::npos);
  // Letters of 80-9F fold too: Š and š.
  EXPECT_EQ(TextPattern("\xc5\xa0").Find(TextBytes("x\x9a")), 1u);
  EXPECT_FALSE(FindPattern::Text(""));
  EXPECT_FALSE(FindPattern::Text("\xe2\x82\xac\xe4\xb8\xad"));  // € fits, 中 does not
}

TEST(FindPattern, HexTakesPairsAndWildcards) {
  const Bytes hay = {0x00, 0x78, 0x9c, 0x78, 0x9c, 0x55, 0x01, 0x02};
  EXPECT_EQ(HexPattern("78 9c ?? 01").Find(hay), 3u);
  EXPECT_EQ(HexPattern("789C??01").Find(hay), 3u);
  EXPECT_EQ(HexPattern("?? 78").Find(hay), 0u);
  EXPECT_EQ(HexPattern("9c ??").Find(hay, 3), 4u);
  EXPECT_EQ(HexPattern("01 02 03").Find(hay), std::string_view::npos);
  for (const char* bad : {"", "7", "78 9", "zz", "7 8", "?1"})
    EXPECT_FALSE(FindPattern::Hex(bad)) << bad;
}

TEST(FindInContainer, TextIsFoundInCellsLinesPayloadsAndNames) {
  auto c = MakeContainer();
  std::vector<FindHit> hits = FindAll(*c, TextPattern("BLADE"));
  ASSERT_EQ(hits.size(), 3u);
  // The compressed table: the grid's cell, row 1 being the table's first line.
  EXPECT_EQ(hits[0].name, "quest.txt");
  EXPECT_EQ(hits[0].place, FindPlace::kCell);
  EXPECT_EQ(WalkTextGrid(TextBytes(kTable)).CellBytes(hits[0].row, hits[0].column), "blade");
  EXPECT_EQ(hits[0].row, 2u);
  EXPECT_EQ(hits[0].column, 0u);
  EXPECT_EQ(hits[0].snippet, "blade");
  // The string list: the line as SplitStrings numbers it.
  EXPECT_EQ(hits[1].name, "sword.str");
  EXPECT_EQ(hits[1].place, FindPlace::kLine);
  const std::vector<std::string> lines = SplitStrings(TextBytes(kStrings));
  ASSERT_LT(hits[1].line, lines.size());
  EXPECT_EQ(lines[hits[1].line], "a blade too");
  EXPECT_EQ(hits[1].offset, 2u);
  // Other payloads: the offset, control characters escaped in the snippet.
  EXPECT_EQ(hits[2].name, "data.bin");
  EXPECT_EQ(hits[2].place, FindPlace::kOffset);
  const std::string binEntry(c->binEntry.begin(), c->binEntry.end());
  EXPECT_EQ(hits[2].offset, Find(binEntry, "BLADE"));
  EXPECT_NE(hits[2].snippet.find("\\x7f"), std::string::npos);
  EXPECT_EQ(hits[2].snippet.find('\x7f'), std::string::npos);

  // An accented word in any case: in the name and in the table's cell.
  hits = FindAll(*c, TextPattern("\xc3\xa9p\xc3\xa9\x65"));  // "épée"
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].place, FindPlace::kCell);
  EXPECT_EQ(hits[0].row, 2u);
  EXPECT_EQ(hits[0].column, 1u);
  EXPECT_EQ(hits[0].snippet, "An \xc3\xa9p\xc3\xa9\x65 sharp");
  EXPECT_EQ(hits[1].index, 3);
  EXPECT_EQ(hits[1].place, FindPlace::kName);
  EXPECT_EQ(hits[1].snippet, "\xc3\x89P\xc3\x89\x45.evt");
}

TEST(FindInContainer, MatchesStayInsideTheirCellOrLine) {
  auto c = MakeContainer();
  EXPECT_TRUE(FindAll(*c, TextPattern("blade\tan")).empty());
  EXPECT_TRUE(FindAll(*c, TextPattern("first\xc3\xa9")).empty());
  // A text that runs over a row's end is no cell's.
  std::vector<FindHit> hits = FindAll(*c, TextPattern("note\r\n"));
  EXPECT_TRUE(hits.empty());
}

TEST(FindInContainer, HexLooksInTheInflatedPayloads) {
  auto c = MakeContainer();
  // The table's stored bytes begin with the marker, its payload as extracted does not.
  EXPECT_TRUE(FindAll(*c, HexPattern("78 9c")).empty());
  // "b?ade": the table's text, then the string list (the bin holds it in capitals).
  std::vector<FindHit> hits = FindAll(*c, HexPattern("62 ?? 61 64 65"));
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].name, "quest.txt");
  EXPECT_EQ(hits[0].place, FindPlace::kOffset);
  EXPECT_EQ(hits[0].offset, Find(kTable, "blade"));
  EXPECT_EQ(hits[0].length, 5u);
  EXPECT_NE(hits[0].snippet.find("[62 6c 61 64 65]"), std::string::npos);
  EXPECT_EQ(hits[1].name, "sword.str");
  EXPECT_EQ(hits[1].offset, Find(kStrings, "blade"));
}

TEST(FindInContainer, TypesAndNamesOnlyNarrowTheSearch) {
  auto c = MakeContainer();
  FindOptions strOnly;
  strOnly.types = TypeBit(rtStr);
  std::vector<FindHit> hits = FindAll(*c, TextPattern("blade"), strOnly);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].place, FindPlace::kLine);

  FindOptions namesOnly;
  namesOnly.namesOnly = true;
  EXPECT_EQ(FindAll(*c, TextPattern("sword")).size(), 2u);  // sword.str's name, data.bin
  hits = FindAll(*c, TextPattern("sword"), namesOnly);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].name, "sword.str");
  EXPECT_EQ(hits[0].place, FindPlace::kName);
  EXPECT_EQ(hits[0].offset, 0u);
}

TEST(FindInContainer, TheCallbackStopsIt) {
  auto c = MakeContainer();
  int calls = 0;
  RecordingHost host;
  Result<FindSummary> r = FindInContainer(c->df, *c->file, TextPattern("a"), {}, host,
                                          [&](const FindHit&) { return ++calls < 2; });
  ASSERT_TRUE(r);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(r->stopped);
  EXPECT_EQ(r->hits, 2);

  // Run to the end, the bar reaches 100 and the entries have their types.
  RecordingHost full;
  r = FindInContainer(c->df, *c->file, TextPattern("a"), {}, full,
                      [](const FindHit&) { return true; });
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->stopped);
  ASSERT_FALSE(full.progress.empty());
  EXPECT_EQ(full.progress.back(), 100);
  EXPECT_EQ(c->df.Entries[0].ResType, rtText);

  // Asked before each entry: a search that finds nothing stops too, after the entries it
  // was let into.
  int asked = 0;
  FindOptions options;
  options.keepGoing = [&asked] { return ++asked <= 2; };
  std::vector<int> seen;
  r = FindInContainer(c->df, *c->file, HexPattern("??"), options, host, [&](const FindHit& hit) {
    if (seen.empty() || seen.back() != hit.index) seen.push_back(hit.index);
    return true;
  });
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->stopped);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
}

// How each kind of place reads, columns and lines counted from 1.
TEST(FindInContainer, WhereNamesThePlace) {
  auto c = MakeContainer();
  std::vector<std::string> where;
  for (const FindHit& hit : FindAll(*c, TextPattern("blade")))
    where.push_back(hit.name + " " + FindHitWhere(hit));
  const std::size_t binAt = Find(std::string(c->binEntry.begin(), c->binEntry.end()), "BLADE");
  EXPECT_EQ(where, (std::vector<std::string>{"quest.txt row 2 col 1", "sword.str line 2",
                                             "data.bin offset " + std::to_string(binAt)}));
  FindOptions namesOnly;
  namesOnly.namesOnly = true;
  const std::vector<FindHit> named = FindAll(*c, TextPattern("quest"), namesOnly);
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(FindHitWhere(named[0]), "name");
}

TEST(FindInContainer, AReadThatFailsIsAnError) {
  for (int fault : {EIO, kShortRead}) {
    auto c = MakeContainer();
    ASSERT_TRUE(IdentifyAll(c->df, *c->file));
    SetIoFaultHook([fault](IoCall call) { return call == IoCall::kRead ? fault : 0; });
    int calls = 0;
    SilentHost host;
    Result<FindSummary> r = FindInContainer(c->df, *c->file, HexPattern("00"), {}, host,
                                            [&](const FindHit&) { return ++calls > 0; });
    SetIoFaultHook({});
    ASSERT_FALSE(r);
    EXPECT_EQ(r.kind(), ErrorKind::kReadFailed);
    EXPECT_NE(r.message().find("quest.txt"), std::string::npos) << r.message();
    EXPECT_EQ(calls, 0);
  }
}

TEST(FindInContainer, AnEntryOutsideTheFileIsAnError) {
  auto c = MakeContainer();
  ASSERT_TRUE(IdentifyAll(c->df, *c->file));
  c->df.Entries[2].Size = static_cast<std::int32_t>(c->file->Size());
  SilentHost host;
  Result<FindSummary> r = FindInContainer(c->df, *c->file, HexPattern("00"), {}, host,
                                          [](const FindHit&) { return true; });
  ASSERT_FALSE(r);
  EXPECT_EQ(r.kind(), ErrorKind::kDamaged);
}

}  // namespace
}  // namespace brindle
