#include "viewer/core/formats/texts.h"

#include <algorithm>
#include <cstring>

#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {
// Text entries carry 256 in the header's last field.
constexpr std::uint32_t kTextHeaderMark = 256;
// Cell positions are 32-bit: an entry's text never reaches 4 GB (its sizes are 32-bit).
constexpr std::size_t kMaxGridText = 0xFFFFFFFEu;
}  // namespace

std::size_t TextGrid::CellCount(std::size_t row) const {
  const std::size_t next =
      row + 1 < rowFirstCell_.size() ? rowFirstCell_[row + 1] : cellEnd_.size();
  return next - rowFirstCell_[row];
}

std::size_t TextGrid::RowOfCell(std::size_t i) const {
  // Rows without cells share their first index with the row after; the last row starting at
  // or before i is the one holding it.
  auto it = std::upper_bound(rowFirstCell_.begin(), rowFirstCell_.end(), i);
  return static_cast<std::size_t>(it - rowFirstCell_.begin()) - 1;
}

std::string_view TextGrid::CellAt(std::size_t row, std::size_t i) const {
  // A cell begins where its row does, or one past the TAB that ended the cell before.
  const std::size_t begin = i == rowFirstCell_[row] ? rowStart_[row] : cellEnd_[i - 1] + 1;
  return std::string_view(text_).substr(begin, cellEnd_[i] - begin);
}

std::string_view TextGrid::CellBytes(std::size_t row, std::size_t column) const {
  if (row >= RowCount() || column >= CellCount(row)) return {};
  return CellAt(row, rowFirstCell_[row] + column);
}

std::string TextGrid::Cell(std::size_t row, std::size_t column) const {
  const std::string_view bytes = CellBytes(row, column);
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    if (ch == '\n') {
      out += "<linefeed>";
    } else {
      out += ch;
    }
  }
  return out;
}

TextGrid WalkTextGrid(ByteView text) {
  TextGrid g;
  const auto* bytes = reinterpret_cast<const char*>(text.data());
  std::size_t n = text.size();
  if (const void* nul = n ? std::memchr(bytes, 0, n) : nullptr)
    n = static_cast<std::size_t>(static_cast<const char*>(nul) - bytes);
  n = std::min(n, kMaxGridText);
  g.text_.assign(bytes, n);
  const std::string_view t = g.text_;
  std::size_t pos = 0;
  while (pos < n) {
    std::size_t end = t.find("\r\n", pos);
    const std::size_t next = end == std::string_view::npos ? n : end + 2;
    if (end == std::string_view::npos) end = n;
    g.rowStart_.push_back(static_cast<std::uint32_t>(pos));
    g.rowFirstCell_.push_back(static_cast<std::uint32_t>(g.cellEnd_.size()));
    std::size_t cellStart = pos;
    std::size_t column = 0;
    for (std::size_t tab = t.find('\t', pos); tab < end; tab = t.find('\t', tab + 1)) {
      g.cellEnd_.push_back(static_cast<std::uint32_t>(tab));
      cellStart = tab + 1;
      ++column;
    }
    g.columns_ = std::max(g.columns_, column + 1);
    if (end > cellStart) g.cellEnd_.push_back(static_cast<std::uint32_t>(end));
    pos = next;
  }
  return g;
}

std::optional<GridCell> FindTextCell(const TextGrid& grid, GridCell from,
                                     const std::function<bool(const std::string&)>& matches) {
  // Only stored cells are visited: cells never set are empty, and a table of a million
  // TABs by a million lines must not cost a million million steps.
  const std::size_t total = grid.cellEnd_.size();
  if (total == 0) return std::nullopt;
  std::size_t start = 0;
  if (from.row < grid.RowCount()) {
    start = grid.rowFirstCell_[from.row] + std::min(from.column + 1, grid.CellCount(from.row));
  }
  for (std::size_t step = 0; step < total; ++step) {
    const std::size_t i = (start + step) % total;
    const std::size_t row = grid.RowOfCell(i);
    std::string shown(grid.CellAt(row, i));
    if (shown.find('\n') != std::string::npos) {
      shown = grid.Cell(row, i - grid.rowFirstCell_[row]);
    }
    if (matches(shown)) return GridCell{row, i - grid.rowFirstCell_[row]};
  }
  return std::nullopt;
}

Bytes BuildTextEntry(const TResourceInfo& entry, ByteView text) {
  // An empty text stored raw would have a packed size of 0, which no longer reads as a text
  // table (nor takes imports): it goes in as the 8-byte stream of nothing instead.
  const bool compress = entry.UnpackedSize != 0 || text.empty();
  Bytes packed;
  if (compress) packed = BuildCompressedPayload(text);
  ByteView data = compress ? ByteView(packed) : text;
  LodEntryHeader h;
  h.name = entry.Name;
  h.packedSize = static_cast<std::int32_t>(data.size());
  h.unpackedSize = compress ? static_cast<std::int32_t>(text.size()) : 0;
  h.field44 = kTextHeaderMark;
  ByteWriter w;
  w.Append(WriteLodEntryHeader(h)).Append(data);
  return w.Take();
}

Status ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  const WatchHold hold(host);
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  Bytes text = std::move(*read);
  Bytes image = BuildTextEntry(dataFile.Entries[static_cast<std::size_t>(index)], text);
  return WriteBackLodEntry(dataFile, index, image, host);
}

}  // namespace brindle
