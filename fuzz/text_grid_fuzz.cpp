// The text table walk on any bytes: its counts agree with a plain count of lines and TABs,
// no cell holds a TAB, a NUL or a line end, and row 0 stays empty. Edits go back into any
// text: with none the bytes come back unchanged, from the grid and from the box, and an
// edited cell reads back as written with the rows as they were.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/core/formats/texts.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  const TextGrid g = WalkTextGrid(ByteView(data, size));

  // Lines and the most TABs in one, counted the plain way over the text before its NUL.
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::string_view text = all.substr(0, std::min(all.find('\0'), all.size()));
  std::size_t lines = 0;
  std::size_t mostTabs = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = std::min(text.find("\r\n", pos), text.size());
    const std::string_view line = text.substr(pos, end - pos);
    mostTabs = std::max<std::size_t>(mostTabs, std::count(line.begin(), line.end(), '\t'));
    ++lines;
    pos = end + 2;
  }
  Check(g.RowCount() == lines + 1);
  Check(g.ColumnCount() == mostTabs + 1);

  // Rows by columns may be far more than the input's bytes (a long line of TABs over many
  // short lines): a budget of cells keeps one input cheap, the first rows are checked.
  std::size_t budget = 1 << 16;
  std::size_t cellBytes = 0;
  for (std::size_t r = 0; r < g.RowCount() && budget > 0; ++r) {
    for (std::size_t c = 0; c < g.ColumnCount() && budget > 0; ++c, --budget) {
      const std::string_view cell = g.CellBytes(r, c);
      Check(r > 0 || cell.empty());
      Check(cell.find_first_of(std::string_view("\t\0", 2)) == std::string_view::npos);
      Check(cell.find("\r\n") == std::string_view::npos);
      cellBytes += cell.size();
    }
  }
  Check(cellBytes <= text.size());

  // The search visits every stored cell once and finds nothing a matcher refuses.
  std::size_t seen = 0;
  auto found = FindTextCell(g, {0, 0}, [&seen](const std::string&) {
    ++seen;
    return false;
  });
  Check(!found && seen <= text.size() + lines);

  const ByteView bytes(data, size);
  Check(ApplyTextCellEdits(bytes, {}).value() == Bytes(data, data + size));
  Check(ApplyTextBoxEdit(bytes, TextBoxShown(bytes)).value() == Bytes(data, data + size));
  if (lines > 0) {
    const GridCell last{lines, g.ColumnCount()};
    const Bytes edited = ApplyTextCellEdits(bytes, {{{1, 0}, "x"}, {last, "y\n"}}).value();
    const TextGrid after = WalkTextGrid(edited);
    Check(after.RowCount() == g.RowCount() && after.CellBytes(1, 0) == "x" &&
          after.CellBytes(last.row, last.column) == "y\n");
  }
  return 0;
}
