#pragma once
// Text table entries (".TXT" in an ICONS LOD): a 48-byte header, then the text, raw or as a
// zlib stream. The table's rows end in CR LF, cells are separated by TAB.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

struct GridCell {
  std::size_t row = 0;
  std::size_t column = 0;
  auto operator<=>(const GridCell&) const = default;
};

// The table as the text page's grid shows it. Row 0 is the empty heading row; line k of the
// text fills row k + 1. Cells are not copied one by one: the grid keeps the text once and
// each cell is a stretch of it, so a megabyte table costs about a megabyte and a few bytes
// per cell, however many cells it has.
class TextGrid {
 public:
  // Lines of the text + 1: a grid made empty has just its heading row (and one column).
  std::size_t RowCount() const { return rowFirstCell_.size(); }
  // 1 + the most TABs in one line, at least 1.
  std::size_t ColumnCount() const { return columns_; }
  // The cell's stored bytes, a lone LF still a LF; empty when the cell was never set.
  std::string_view CellBytes(std::size_t row, std::size_t column) const;
  // The cell as shown: every LF becomes "<linefeed>" (bytes, Windows-1252).
  std::string Cell(std::size_t row, std::size_t column) const;
  // The cells the row's line sets: every one a TAB ends, and the last when it holds
  // something. Cells further right are empty.
  std::size_t CellCount(std::size_t row) const;

 private:
  friend TextGrid WalkTextGrid(ByteView text);
  friend Result<Bytes> ApplyTextCellEdits(ByteView text,
                                          const std::map<GridCell, std::string>& edits);
  friend std::optional<GridCell> FindTextCell(
      const TextGrid& grid, GridCell from, const std::function<bool(const std::string&)>& matches);
  // The row of stored cell i (cells are numbered row by row).
  std::size_t RowOfCell(std::size_t i) const;
  std::string_view CellAt(std::size_t row, std::size_t i) const;

  std::string text_;                            // the walked text, up to its first NUL
  std::vector<std::uint32_t> rowStart_{0};      // where each row's first cell begins in text_
  std::vector<std::uint32_t> rowFirstCell_{0};  // index in cellEnd_ of each row's first cell
  std::vector<std::uint32_t> cellEnd_;          // where each stored cell ends in text_
  std::size_t columns_ = 1;
};

// The grid of a decoded text: the bytes up to the first NUL, lines split at CR LF, cells at
// TAB. A TAB stores its cell even when empty (so a line ending in TAB counts the column);
// the last cell of a line is stored only when it holds something.
TextGrid WalkTextGrid(ByteView text);

// The first cell after `from`, row by row, whose shown text `matches`, going round past the
// end to the start (and to `from` itself last). Row 0 holds nothing and is never found.
std::optional<GridCell> FindTextCell(const TextGrid& grid, GridCell from,
                                     const std::function<bool(const std::string&)>& matches);

// Edited cells back into the text. Each edit names a cell as the grid does (row 1 is the
// text's first line, columns from 0) and holds its new bytes, a lone LF as a LF. Only the
// edited cells' stretches of the text change: every other byte, the text from the first
// NUL on included, stays as it was, so a table with no edits comes back byte for byte. A
// cell right of the last one its line holds is reached by adding TABs at the line's end.
// A new cell may not hold a TAB, a CR LF or a NUL (they would make other cells, rows or
// the table's end): such an edit, or one outside the text's lines, is refused with the
// cell named and nothing changes.
Result<Bytes> ApplyTextCellEdits(ByteView text, const std::map<GridCell, std::string>& edits);

// A cell as typed (UTF-8, a lone LF shown as "<linefeed>") as the bytes it stores; a
// character Windows-1252 cannot hold is refused with the cell named.
Result<std::string> CellFromShown(std::string_view shown, GridCell cell);

// The text as the plain-text box shows it (UTF-8): CR LF, a lone CR and a lone LF each end a
// line, a NUL is the NUL symbol U+2400 (so the text after it is seen), the rest is
// Windows-1252.
std::string TextBoxShown(ByteView text);

// The box's edited text (UTF-8, lines ended by LF) back into the text it was shown from.
// Only the changed middle is converted (a line end becomes CR LF, U+2400 a NUL); the bytes
// before and after it stay as they were, whatever line ends they hold. A character
// Windows-1252 cannot hold is refused with its line named.
Result<Bytes> ApplyTextBoxEdit(ByteView text, std::string_view shown);

// The entry bytes for a new text: compressed when the old text was (UnpackedSize != 0),
// raw otherwise. The file's bytes are stored unchanged.
Bytes BuildTextEntry(const TResourceInfo& entry, ByteView text);

// Replaces text entry `index` with a new text, in the entry's own form, through the
// container's write-back. The watch is held meanwhile.
Status ReplaceTextEntry(TDataFile& dataFile, int index, ByteView text, CoreHost& host);

// Reads the file and replaces text entry `index` with it.
Status ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host);

}  // namespace brindle
