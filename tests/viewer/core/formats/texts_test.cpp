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

Bytes Text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// Tables that test the edges of the walk: lone LF and CR in cells, closing TABs, no closing
// CR LF, empty lines and cells, text after a NUL.
using namespace std::string_view_literals;
constexpr std::string_view kAwkward[] = {
    "a\nb\tc\r\nd"sv,
    "a\t\t\r\nb\t"sv,
    "x\ty\r\n\0after\tnul\r\n"sv,
    "\r\n\r\n"sv,
    "a\rb\t\r\n\t"sv,
    "\t\r\n\r\nz\r"sv,
    "\0\r\n"sv,
    ""sv,
};

TEST(TextEdits, CellsGoBackIntoTheTextAndNothingElseMoves) {
  for (std::string_view text : kAwkward) {
    const Bytes original = Text(text);
    ASSERT_EQ(ApplyTextCellEdits(original, {}).value(), original) << text;
    const TextGrid before = WalkTextGrid(original);
    if (before.RowCount() < 2) continue;
    // The first cell, a cell in the last line's last column, and two cells beyond it.
    const std::size_t last = before.RowCount() - 1;
    const std::map<GridCell, std::string> edits = {{{1, 0}, "N\xe9w"},
                                                   {{last, before.ColumnCount() - 1}, ""},
                                                   {{last, before.ColumnCount() + 1}, "far\nout"},
                                                   {{last, before.ColumnCount() + 3}, "\r"}};
    const Bytes edited = ApplyTextCellEdits(original, edits).value();
    const TextGrid after = WalkTextGrid(edited);
    ASSERT_EQ(after.RowCount(), before.RowCount()) << text;
    for (std::size_t r = 1; r < after.RowCount(); ++r) {
      for (std::size_t c = 0; c < after.ColumnCount(); ++c) {
        auto e = edits.find({r, c});
        EXPECT_EQ(after.CellBytes(r, c), e != edits.end() ? e->second : before.CellBytes(r, c))
            << text << " row " << r << " column " << c;
      }
    }
    // What follows the first NUL is the same.
    const auto nul = std::find(original.begin(), original.end(), 0);
    EXPECT_TRUE(std::equal(nul, original.end(), edited.end() - (original.end() - nul))) << text;
  }
  // Only the edited stretch changes, whatever surrounds it; a cell right of its line's
  // cells is reached with TABs at the line's end, before its CR LF.
  struct Case {
    std::string_view text;
    std::map<GridCell, std::string> edits;
    std::string_view expected;
  };
  const Case cases[] = {
      {"a\t\tb\r\nc", {{{1, 1}, "X"}}, "a\tX\tb\r\nc"},
      {"a\r\nb", {{{1, 3}, "Z"}}, "a\t\t\tZ\r\nb"},
      {"a\t\r\n", {{{1, 1}, "Y"}}, "a\tY\r\n"},
      {"a\t\r\n", {{{1, 2}, "Y"}}, "a\t\tY\r\n"},
      {"\r\n\r\n", {{{2, 0}, "q"}}, "\r\nq\r\n"},
      {"a", {{{1, 2}, "p"}, {{1, 4}, "r"}}, "a\t\tp\t\tr"},
      {"a\tb\0c\td"sv, {{{1, 1}, ""}}, "a\t\0c\td"sv},
      {"a\nb\tc\r\n", {{{1, 1}, "C"}, {{1, 5}, ""}}, "a\nb\tC\r\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ApplyTextCellEdits(Text(c.text), c.edits).value(), Text(c.expected)) << c.text;
}

TEST(TextEdits, WhatWouldChangeTheTablesShapeOrCannotBeStoredIsRefusedWithTheCellNamed) {
  const Bytes text = Text("a\tb\r\nc\r\n");
  struct Case {
    GridCell cell;
    std::string bytes;
    std::string_view said;
  };
  const Case refused[] = {
      {{2, 1}, "x\ty", "Row 2, column 2 holds a TAB"},
      {{1, 0}, "x\r\ny", "Row 1, column 1 holds a line end"},
      {{1, 0}, std::string("x\0y", 3), "Row 1, column 1 holds a NUL"},
      {{3, 0}, "x", "Row 3, column 1 is not a row"},
      {{0, 0}, "x", "Row 0, column 1 is not a row"},
  };
  for (const Case& c : refused) {
    const Result<Bytes> r = ApplyTextCellEdits(text, {{{1, 1}, "ok"}, {c.cell, c.bytes}});
    ASSERT_FALSE(r.ok()) << c.said;
    EXPECT_EQ(r.message().rfind(c.said, 0), 0u) << r.message();
  }
  // A lone CR or LF stays inside its cell, as the walk reads them.
  EXPECT_EQ(ApplyTextCellEdits(text, {{{1, 1}, "x\ry\n"}}).value(), Text("a\tx\ry\n\r\nc\r\n"));

  // Typed text: the shown word becomes a LF again, Windows-1252 characters their bytes.
  EXPECT_EQ(CellFromShown("caf\xc3\xa9 \xe2\x82\xac<linefeed>x<linefeed>", {1, 0}).value(),
            "caf\xe9 \x80\nx\n");
  const Result<std::string> check = CellFromShown("ok \xe2\x9c\x93", {3, 1});
  ASSERT_FALSE(check.ok());
  EXPECT_EQ(check.message(),
            "Row 3, column 2 holds a character that Windows-1252 cannot hold: \xe2\x9c\x93");
}

TEST(TextEdits, TheBoxKeepsEveryByteOutsideTheChangedStretch) {
  // Every edit of every stretch of small awkward texts: the box then shows what was typed,
  // and at most the bytes under the stretch (and one line end beside it) differ.
  const std::string_view replacements[] = {"", "Z", "\n", "\xc3\xa9", "\xe2\x90\x80"};
  for (std::string_view text :
       {"a\r\nb\nc\rd"sv, "caf\xe9\0t\r"sv, "a\rX\nb"sv, "\n\r\r\n\t"sv, "\0"sv, ""sv}) {
    const Bytes original = Text(text);
    const std::string shown = TextBoxShown(original);
    ASSERT_EQ(ApplyTextBoxEdit(original, shown).value(), original) << text;
    std::vector<std::size_t> edges;  // where whole characters begin, and the end
    for (std::size_t i = 0; i <= shown.size(); ++i) {
      if (i == shown.size() || (static_cast<std::uint8_t>(shown[i]) & 0xC0) != 0x80)
        edges.push_back(i);
    }
    for (std::size_t i : edges) {
      for (std::size_t j : edges) {
        if (j < i) continue;
        for (std::string_view put : replacements) {
          const std::string typed = shown.substr(0, i) + std::string(put) + shown.substr(j);
          const Bytes made = ApplyTextBoxEdit(original, typed).value();
          EXPECT_EQ(TextBoxShown(made), typed) << text << " " << i << "-" << j << " " << put;
          const auto head =
              std::mismatch(original.begin(), original.end(), made.begin(), made.end());
          const std::size_t same =
              static_cast<std::size_t>(head.first - original.begin()) +
              static_cast<std::size_t>(
                  std::mismatch(original.rbegin(),
                                original.rend() - (head.first - original.begin()), made.rbegin(),
                                made.rend())
                      .first -
                  original.rbegin());
          EXPECT_GE(same + 2 * (j - i) + 2, original.size()) << text << " " << i << "-" << j;
        }
      }
    }
  }
  // Line ends around the change keep their own kind; new ones are CR LF.
  EXPECT_EQ(ApplyTextBoxEdit(Text("a\r\nb\nc\rd"), "a\nB\nX\nc\nd").value(),
            Text("a\r\nB\r\nX\nc\rd"));
  EXPECT_EQ(ApplyTextBoxEdit(Text("caf\xe9\0tail"sv), "caf\xc3\xa9\xe2\x90\x80tale").value(),
            Text("caf\xe9\0tale"sv));
  const Result<Bytes> refused = ApplyTextBoxEdit(Text("a\r\nb"), "a\nb \xe2\x9c\x93");
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.message(),
            "Line 2 holds a character that Windows-1252 cannot hold: \xe2\x9c\x93");
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
