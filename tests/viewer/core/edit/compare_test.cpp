#include "viewer/core/edit/compare.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TextBytes;

// An entry whose header holds `name` too; a rename changes the directory alone, so a
// renamed entry keeps the header name it was written with (`written`).
NewEntry Text(const std::string& name, const std::string& text, bool compress = false,
              const std::string& written = "") {
  return {name, BuildPackedLodEntry(written.empty() ? name : written, TextBytes(text), compress)};
}

// Both containers read from memory, compared, and the lines as brindle-cli prints them.
struct Compared {
  Result<std::vector<DiffLine>> lines = std::vector<DiffLine>{};
  std::vector<std::string> texts;
};

Compared Diff(Bytes before, Bytes after, bool content = false) {
  MemoryFile a(std::move(before)), b(std::move(after));
  TDataFile x, y;
  SilentHost quiet;
  EXPECT_TRUE(ReadContainer(x, a, "old.lod", quiet));
  EXPECT_TRUE(ReadContainer(y, b, "new.lod", quiet));
  DiffOptions options;
  options.content = content;
  Compared c;
  c.lines = CompareContainers({x, a}, {y, b}, options, quiet);
  if (c.lines) {
    for (const DiffLine& line : *c.lines)
      c.texts.push_back(DiffLineText(line));
  }
  return c;
}

TEST(CompareContainers, AddedRemovedChangedAndRenamedInTheOldOrderThenTheAdded) {
  const Bytes before = BuildLod("ICONS", {Text("a.txt", "alpha"), Text("b.txt", "beta"),
                                          Text("c.txt", "gamma"), Text("d.txt", "delta")});
  const Bytes after =
      BuildLod("ICONS", {Text("new.txt", "fresh"), Text("b.txt", "BETA"), Text("a.txt", "alpha"),
                         Text("cc.txt", "gamma", false, "c.txt")});
  Compared c = Diff(before, after);
  ASSERT_TRUE(c.lines) << c.lines.message();
  EXPECT_EQ(c.texts,
            (std::vector<std::string>{"M b.txt", "R c.txt -> cc.txt", "- d.txt", "+ new.txt"}));
  // The indices say where each side's entry is.
  EXPECT_EQ((*c.lines)[1].oldIndex, 2);
  EXPECT_EQ((*c.lines)[1].newIndex, 3);
  EXPECT_EQ((*c.lines)[3].oldIndex, -1);
  EXPECT_EQ((*c.lines)[3].newIndex, 0);

  EXPECT_TRUE(Diff(before, before).texts.empty());
  // A name in another case is another name; the same bytes make it a rename.
  Compared cased = Diff(BuildLod("ICONS", {Text("Items.txt", "x")}),
                        BuildLod("ICONS", {Text("ITEMS.TXT", "x", false, "Items.txt")}));
  EXPECT_EQ(cased.texts, std::vector<std::string>{"R Items.txt -> ITEMS.TXT"});
}

TEST(CompareContainers, RenamesOnlyWhenNoOtherEntryHasTheBytesAndNamesPairInTurn) {
  // Two removed entries hold the same bytes as the one added: which was renamed is unknown.
  Compared twins =
      Diff(BuildLod("ICONS", {Text("one", "same", false, "x"), Text("two", "same", false, "x")}),
           BuildLod("ICONS", {Text("three", "same", false, "x")}));
  EXPECT_EQ(twins.texts, (std::vector<std::string>{"- one", "- two", "+ three"}));
  // Two entries of one name: the first pairs with the first, the second with the second.
  Compared dup = Diff(BuildLod("ICONS", {Text("x.txt", "1"), Text("x.txt", "2")}),
                      BuildLod("ICONS", {Text("x.txt", "1"), Text("x.txt", "3")}));
  ASSERT_EQ(dup.texts, std::vector<std::string>{"M x.txt"});
  EXPECT_EQ((*dup.lines)[0].oldIndex, 1);
  // Bytes equal in size and in everything but the last chunk's last byte still differ.
  Bytes big = Pattern((1 << 20) + 5);
  Bytes other = big;
  other.back() ^= 1;
  Compared chunks =
      Diff(BuildLod("ICONS", {{"big.bin", BuildPackedLodEntry("big.bin", big, false)}}),
           BuildLod("ICONS", {{"big.bin", BuildPackedLodEntry("big.bin", other, false)}}));
  EXPECT_EQ(chunks.texts, std::vector<std::string>{"M big.bin"});
}

TEST(CompareContainers, ContentComparesWhatIsExtractedSoRecompressingIsNoChange) {
  const std::string table = "a\tb\r\nc\td\r\n";
  const Bytes stored = BuildLod("ICONS", {Text("t.txt", table, false), Text("u.txt", "x")});
  const Bytes packed = BuildLod("ICONS", {Text("t.txt", table, true), Text("v.txt", "x", true)});
  EXPECT_EQ(Diff(stored, packed).texts,
            (std::vector<std::string>{"M t.txt", "- u.txt", "+ v.txt"}));
  // As extracted, the table is the same and u.txt only changed its name.
  EXPECT_EQ(Diff(stored, packed, true).texts, std::vector<std::string>{"R u.txt -> v.txt"});
}

TEST(CompareContainers, AnEntryOutsideItsFileIsAnError) {
  Bytes broken = BuildLod("ICONS", {Text("a.txt", "alpha")});
  broken.resize(broken.size() - 2);
  Compared c = Diff(BuildLod("ICONS", {Text("a.txt", "alpha")}), broken);
  ASSERT_FALSE(c.lines);
  EXPECT_EQ(c.lines.kind(), ErrorKind::kDamaged);
  EXPECT_NE(c.lines.message().find("a.txt"), std::string::npos) << c.lines.message();
}

}  // namespace
}  // namespace brindle
