#include "viewer/core/formats/texts.h"

#include <algorithm>
#include <cstring>

#include "common/codepage.h"
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

namespace {

std::string CellName(GridCell cell) {
  return "Row " + std::to_string(cell.row) + ", column " + std::to_string(cell.column + 1);
}

// Why a cell cannot hold these bytes without changing the table's shape; empty when it can.
std::string ShapeBreak(std::string_view bytes) {
  if (bytes.find('\t') != std::string_view::npos) return "a TAB, which would start a new cell";
  if (bytes.find("\r\n") != std::string_view::npos)
    return "a line end (CR LF), which would start a new row";
  if (bytes.find('\0') != std::string_view::npos) return "a NUL, which would end the table";
  return {};
}

}  // namespace

Result<Bytes> ApplyTextCellEdits(ByteView text, const std::map<GridCell, std::string>& edits) {
  const TextGrid g = WalkTextGrid(text);
  const std::string_view t = g.text_;
  Bytes out;
  out.reserve(text.size() + 64);
  std::size_t copied = 0;  // text[0, copied) is in out
  auto take = [&](std::size_t upTo, std::string_view replacement) {
    out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(copied),
               text.begin() + static_cast<std::ptrdiff_t>(upTo));
    out.insert(out.end(), replacement.begin(), replacement.end());
  };
  std::size_t row = 0, lineEnd = 0, tabs = 0;
  for (const auto& [cell, bytes] : edits) {
    if (cell.row == 0 || cell.row >= g.RowCount())
      return Fail(CellName(cell) + " is not a row of the table: the table has " +
                  std::to_string(g.RowCount() - 1) + (g.RowCount() == 2 ? " row." : " rows."));
    if (const std::string why = ShapeBreak(bytes); !why.empty())
      return Fail(CellName(cell) + " holds " + why + ": a cell cannot hold one.");
    const std::size_t stored = g.CellCount(cell.row);
    const std::size_t first = g.rowFirstCell_[cell.row];
    if (cell.row != row) {
      row = cell.row;
      lineEnd = std::min(t.find("\r\n", g.rowStart_[row]), t.size());
      // The last stored cell ends at a TAB unless it ran to the line's end.
      tabs = stored == 0 ? 0 : g.cellEnd_[first + stored - 1] < lineEnd ? stored : stored - 1;
    }
    if (cell.column <= tabs) {
      // One of the line's own cells (the last possibly empty and never stored).
      const std::size_t begin =
          cell.column == 0 ? g.rowStart_[row] : g.cellEnd_[first + cell.column - 1] + 1;
      const std::size_t end = cell.column < stored ? g.cellEnd_[first + cell.column] : lineEnd;
      take(begin, bytes);
      copied = end;
    } else if (!bytes.empty()) {
      // Right of the line's cells: TABs up to the column, at the line's end.
      take(lineEnd, std::string(cell.column - tabs, '\t') + bytes);
      copied = lineEnd;
      tabs = cell.column;
    }
  }
  take(text.size(), {});
  return out;
}

Result<std::string> CellFromShown(std::string_view shown, GridCell cell) {
  if (const std::string outside = CharsOutside1252(shown); !outside.empty())
    return Fail(CellName(cell) + " holds a character that Windows-1252 cannot hold: " + outside);
  const std::string typed = Utf8ToCp1252(shown);
  static constexpr std::string_view kLinefeed = "<linefeed>";
  std::string bytes;
  bytes.reserve(typed.size());
  std::size_t from = 0;
  for (std::size_t at = typed.find(kLinefeed); at != std::string::npos;
       at = typed.find(kLinefeed, from)) {
    bytes.append(typed, from, at - from).push_back('\n');
    from = at + kLinefeed.size();
  }
  bytes.append(typed, from);
  return bytes;
}

namespace {

constexpr std::string_view kNulSymbol = "\xE2\x90\x80";  // U+2400

// The box's text and, for each shown piece (a run of ordinary bytes, a line end, a NUL),
// where it begins in the shown text and in the bytes. The last pair marks both ends.
struct BoxPieces {
  std::string shown;
  std::vector<std::size_t> shownAt, byteAt;
};

BoxPieces ShowBoxPieces(ByteView text) {
  const std::string_view bytes(reinterpret_cast<const char*>(text.data()), text.size());
  BoxPieces p;
  p.shown.reserve(text.size());
  auto mark = [&p](std::size_t byte) {
    p.shownAt.push_back(p.shown.size());
    p.byteAt.push_back(byte);
  };
  // Runs of ordinary bytes are converted whole; a run is one piece per byte only where it
  // matters (below), so the marks cost two numbers per line, not per byte.
  std::size_t run = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char ch = bytes[i];
    if (ch != '\r' && ch != '\n' && ch != '\0') continue;
    mark(run);
    p.shown += Cp1252ToUtf8(bytes.substr(run, i - run));
    mark(i);
    if (ch == '\0') {
      p.shown += kNulSymbol;
    } else {
      if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      p.shown += '\n';
    }
    run = i + 1;
  }
  mark(run);
  p.shown += Cp1252ToUtf8(bytes.substr(run));
  mark(bytes.size());
  return p;
}

// The shown position `at` moved to the nearest edge of a whole piece of the text at or
// before it (forward = false) or at or after it (forward = true): a character of a run, a
// line end or a NUL. Answers that edge in the shown text and in the bytes.
std::pair<std::size_t, std::size_t> PieceEdge(const BoxPieces& p, ByteView text, std::size_t at,
                                              bool forward) {
  auto it = std::upper_bound(p.shownAt.begin(), p.shownAt.end(), at);
  const std::size_t k = static_cast<std::size_t>(it - p.shownAt.begin()) - 1;
  std::size_t shownPos = p.shownAt[k], byte = p.byteAt[k];
  if (at == shownPos || k + 1 == p.shownAt.size()) return {shownPos, byte};
  const char* raw = reinterpret_cast<const char*>(text.data());
  const char first = raw[byte];
  if (first == '\r' || first == '\n' || first == '\0')
    return forward ? std::pair{p.shownAt[k + 1], p.byteAt[k + 1]} : std::pair{shownPos, byte};
  // Within a run each byte is one character of the shown text.
  auto width = [raw](std::size_t i) { return Cp1252ToUtf8(std::string_view(raw + i, 1)).size(); };
  while (shownPos + width(byte) <= at) {
    shownPos += width(byte);
    ++byte;
  }
  if (shownPos == at || !forward) return {shownPos, byte};
  return {shownPos + width(byte), byte + 1};
}

// Edited box text as bytes: each line end (LF, CR LF or a lone CR) becomes CR LF and the NUL
// symbol a NUL. `line` is the box line the text starts on, for the message.
Status AppendBoxText(Bytes& out, std::string_view shown, std::size_t line) {
  while (true) {
    const std::size_t end = std::min(shown.find_first_of("\r\n"), shown.size());
    std::string_view piece = shown.substr(0, end);
    while (true) {
      const std::size_t nul = piece.find(kNulSymbol);
      const std::string_view part = piece.substr(0, nul);
      if (const std::string outside = CharsOutside1252(part); !outside.empty())
        return Fail("Line " + std::to_string(line) +
                    " holds a character that Windows-1252 cannot hold: " + outside);
      const std::string bytes = Utf8ToCp1252(part);
      out.insert(out.end(), bytes.begin(), bytes.end());
      if (nul == std::string_view::npos) break;
      out.push_back(0);
      piece.remove_prefix(nul + kNulSymbol.size());
    }
    if (end == shown.size()) return Ok();
    out.push_back('\r');
    out.push_back('\n');
    ++line;
    shown.remove_prefix(shown.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1);
  }
}

}  // namespace

std::string TextBoxShown(ByteView text) {
  return ShowBoxPieces(text).shown;
}

Result<Bytes> ApplyTextBoxEdit(ByteView text, std::string_view shown) {
  const BoxPieces p = ShowBoxPieces(text);
  const std::string_view old = p.shown;
  const std::size_t most = std::min(old.size(), shown.size());
  std::size_t prefix = 0;
  while (prefix < most && old[prefix] == shown[prefix])
    ++prefix;
  std::size_t suffix = 0;
  while (suffix < most - prefix && old[old.size() - 1 - suffix] == shown[shown.size() - 1 - suffix])
    ++suffix;
  // The kept ends stop at whole pieces of the old text (a whole character, a whole line end).
  auto [headShown, headByte] = PieceEdge(p, text, prefix, false);
  const auto [tailShown, tailByte] = PieceEdge(p, text, old.size() - suffix, true);
  const std::size_t middleEnd = shown.size() - (old.size() - tailShown);
  // A lone CR kept just before a lone LF kept would make one CR LF of two line ends: the CR
  // is then written anew, as a line end of its own.
  if (middleEnd == headShown && headByte > 0 && text[headByte - 1] == '\r' &&
      tailByte < text.size() && text[tailByte] == '\n') {
    --headShown;
    --headByte;
  }
  Bytes out(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(headByte));
  const auto line = static_cast<std::size_t>(
      std::count(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(headShown), '\n'));
  if (Status s = AppendBoxText(out, shown.substr(headShown, middleEnd - headShown), line + 1); !s)
    return s.error();
  out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(tailByte), text.end());
  return out;
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

Status ReplaceTextEntry(TDataFile& dataFile, int index, ByteView text, CoreHost& host) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  const WatchHold hold(host);
  const Bytes image = BuildTextEntry(dataFile.Entries[static_cast<std::size_t>(index)], text);
  return WriteBackLodEntry(dataFile, index, image, host);
}

Status ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  return ReplaceTextEntry(dataFile, index, *read, host);
}

}  // namespace brindle
