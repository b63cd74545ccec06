#include "viewer/core/formats/texts.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"

namespace brindle {
namespace {

ByteView View(std::string_view s) {
  return ByteView(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// Every cell of the grid, row by row, empty rows as empty lists (row 0 left out).
std::vector<std::vector<std::string>> Rows(const TextGrid& g) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t r = 1; r < g.RowCount(); ++r) {
    std::vector<std::string> row;
    for (std::size_t c = 0; c < g.ColumnCount(); ++c)
      row.push_back(g.Cell(r, c));
    while (!row.empty() && row.back().empty())
      row.pop_back();
    rows.push_back(row);
  }
  return rows;
}

using RowList = std::vector<std::vector<std::string>>;

TEST(TextGrid, LinesAndCellsAsTheGridShowsThem) {
  struct Case {
    std::string_view text;
    std::size_t rows, columns;
    RowList cells;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"a\tb\r\nc", 3, 2, {{"a", "b"}, {"c"}}},
      // A closing CR LF gives no empty row; an empty line in the middle does.
      {"a\r\n", 2, 1, {{"a"}}},
      {"a\r\n\r\nb\r\n", 4, 1, {{"a"}, {}, {"b"}}},
      {"\r\n", 2, 1, {{}}},
      // Two TABs in a row set an empty cell between; a closing TAB still counts its column.
      {"a\t\tb", 2, 3, {{"a", "", "b"}}},
      {"a\t\r\nb\t\t", 3, 3, {{"a"}, {"b"}}},
      // A lone LF shows as a word, a lone CR stays in the cell, CR LF alone ends the line.
      {"a\nb\tc\rd\r", 2, 2, {{"a<linefeed>b", "c\rd\r"}}},
      {"\n\r\n", 2, 1, {{"<linefeed>"}}},
      // The grid stops at the first NUL.
      {"a\tb\r\nc\0d\te\tf\r\ng"sv, 3, 2, {{"a", "b"}, {"c"}}},
      {"\0a\tb"sv, 1, 1, {}},
      {"", 1, 1, {}},
  };
  const TextGrid none;
  EXPECT_EQ(none.RowCount(), 1u);
  EXPECT_EQ(none.ColumnCount(), 1u);
  for (const Case& c : cases) {
    const TextGrid g = WalkTextGrid(View(c.text));
    EXPECT_EQ(g.RowCount(), c.rows) << c.text;
    EXPECT_EQ(g.ColumnCount(), c.columns) << c.text;
    EXPECT_EQ(Rows(g), c.cells) << c.text;
    for (std::size_t col = 0; col < g.ColumnCount(); ++col)
      EXPECT_EQ(g.Cell(0, col), "") << "row 0 stays empty: " << c.text;
  }
}

TEST(TextGrid, CellsKeepTheirBytesAndOutsideTheGridAreEmpty) {
  // Windows-1252 bytes are kept as they are: converting is the page's business.
  const TextGrid g = WalkTextGrid(View("caf\xe9\tx\ny\r\n\t\x80"));
  EXPECT_EQ(g.CellBytes(1, 0), "caf\xe9");
  EXPECT_EQ(g.CellBytes(1, 1), "x\ny");
  EXPECT_EQ(g.Cell(1, 1), "x<linefeed>y");
  EXPECT_EQ(g.CellBytes(2, 0), "");
  EXPECT_EQ(g.CellBytes(2, 1), "\x80");
  EXPECT_EQ(g.CellBytes(2, 2), "");
  EXPECT_EQ(g.CellBytes(3, 0), "");
  EXPECT_EQ(g.CellBytes(99, 99), "");
}

TEST(TextGrid, FindGoesRowByRowFromAfterTheGivenCellAndRoundTheEnd) {
  const TextGrid g = WalkTextGrid(View("key\tbox\r\n\r\nfox\tx\ny\r\nbo"));
  auto has = [](std::string needle) {
    return [needle](const std::string& cell) { return cell.find(needle) != std::string::npos; };
  };
  // From the heading: the first match in the text.
  EXPECT_EQ(FindTextCell(g, {0, 0}, has("o")), (GridCell{1, 1}));
  EXPECT_EQ(FindTextCell(g, {1, 1}, has("o")), (GridCell{3, 0}));
  EXPECT_EQ(FindTextCell(g, {3, 0}, has("o")), (GridCell{4, 0}));
  // Past the last cell it goes round; the only match is found again from itself.
  EXPECT_EQ(FindTextCell(g, {4, 0}, has("o")), (GridCell{1, 1}));
  EXPECT_EQ(FindTextCell(g, {1, 0}, has("key")), (GridCell{1, 0}));
  // The matcher sees the cell as shown; cells beyond a row's last stored one are skipped.
  EXPECT_EQ(FindTextCell(g, {2, 5}, has("<linefeed>")), (GridCell{3, 1}));
  EXPECT_EQ(FindTextCell(g, {0, 0}, has("zebra")), std::nullopt);
  EXPECT_EQ(FindTextCell(WalkTextGrid(View("\r\n\r\n")), {0, 0}, has("")), std::nullopt);
}

// An ICONS archive of two text tables holding textBytes: one stored compressed, one raw.
std::string TwoTables(const test::TempDir& dir, const Bytes& textBytes) {
  return dir.Write(
      "icons.lod",
      BuildLod("ICONS", {{"one.txt", BuildPackedLodEntry("one.txt", textBytes, true, 256)},
                         {"two.txt", BuildPackedLodEntry("two.txt", textBytes, false, 256)}}));
}

TEST(TextEntries, ImportStoresTheFileAsItIsInTheEntrysOwnForm) {
  test::TempDir dir;
  using namespace std::string_literals;
  const std::string text = "a\tb\r\nc\0d\ne\r\n"s;
  const std::string lod = TwoTables(dir, Bytes(text.begin(), text.end()));
  TDataFile df;
  test::RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  const std::string newText = "x\ty\r\nz\0w"s;
  const std::string file = dir.Write("new.txt", Bytes(newText.begin(), newText.end()));
  for (int index : {0, 1}) {
    const bool packed = df.Entries[static_cast<std::size_t>(index)].UnpackedSize != 0;
    ASSERT_TRUE(ImportTextFile(df, index, file, host).ok());
    const TResourceInfo& e = df.Entries[static_cast<std::size_t>(index)];
    EXPECT_EQ(e.UnpackedSize != 0, packed) << index;
    auto opened = OpenContainerFile(lod, FileMode::kReadShared);
    ASSERT_TRUE(opened);
    const Bytes stored = ReadStoredEntry(**opened, e).value();
    EXPECT_EQ(ReadU32(stored, 44), 256u);
    EXPECT_EQ(HasZlibMarker(stored, 48), packed);
    EXPECT_EQ(ExtractEntry(**opened, e, 48, host), Bytes(newText.begin(), newText.end())) << index;
  }
  EXPECT_FALSE(ImportTextFile(df, 2, file, host).ok());
  EXPECT_FALSE(ImportTextFile(df, 0, dir.File("missing.txt"), host).ok());
}

TEST(TextEntries, AnEmptyFileGivesAnEmptyTableThatStaysATable) {
  test::TempDir dir;
  const std::string lod = TwoTables(dir, test::TextBytes("a\tb\r\n"));
  TDataFile df;
  test::RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  const std::string empty = dir.Write("empty.txt", {});
  const std::string again = dir.Write("again.txt", test::TextBytes("c\td\r\n"));
  for (int index : {0, 1}) {
    ASSERT_TRUE(ImportTextFile(df, index, empty, host).ok()) << index;
    auto opened = OpenContainerFile(lod, FileMode::kReadShared);
    ASSERT_TRUE(opened);
    TResourceInfo& e = df.Entries[static_cast<std::size_t>(index)];
    ASSERT_TRUE(IdentifyEntry(df, index, **opened));
    EXPECT_EQ(e.ResType, rtText) << index;
    EXPECT_EQ(ExtractEntry(**opened, e, 48, host), Bytes()) << index;
    // ...and takes the next import like any table.
    opened->reset();
    ASSERT_TRUE(ImportTextFile(df, index, again, host).ok()) << index;
    opened = OpenContainerFile(lod, FileMode::kReadShared);
    ASSERT_TRUE(IdentifyEntry(df, index, **opened));
    EXPECT_EQ(e.ResType, rtText) << index;
    EXPECT_EQ(ExtractEntry(**opened, e, 48, host), test::TextBytes("c\td\r\n")) << index;
  }
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace brindle
