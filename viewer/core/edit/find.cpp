#include "viewer/core/edit/find.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

Result<FindPattern> FindPattern::Text(std::string_view utf8) {
  if (utf8.empty()) return Fail("There is nothing to find: the text is empty.");
  if (std::string outside = CharsOutside1252(utf8); !outside.empty())
    return Fail("Windows-1252 has no " + outside + ": no entry can hold them.");
  FindPattern p;
  p.text_ = true;
  for (int b = 0; b < 256; ++b)
    p.fold_[b] = static_cast<std::uint8_t>(FoldCase1252(std::string(1, static_cast<char>(b)))[0]);
  const std::string folded = FoldCase1252(Utf8ToCp1252(utf8));
  p.bytes_.assign(folded.begin(), folded.end());
  p.anyByte_.assign(p.bytes_.size(), false);
  p.Prepare();
  return p;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const int lower = std::tolower(static_cast<unsigned char>(c));
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

Result<FindPattern> FindPattern::Hex(std::string_view text) {
  const Error bad = Fail("Not a hex pattern: \"" + std::string(text) +
                         "\" (pairs of hex digits, ?? for any byte: 78 9c ?? 01)");
  FindPattern p;
  for (int b = 0; b < 256; ++b)
    p.fold_[b] = static_cast<std::uint8_t>(b);
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return bad;
    if (text[i] == '?' && text[i + 1] == '?') {
      p.bytes_.push_back(0);
      p.anyByte_.push_back(true);
    } else {
      const int high = HexDigit(text[i]);
      const int low = HexDigit(text[i + 1]);
      if (high < 0 || low < 0) return bad;
      p.bytes_.push_back(static_cast<std::uint8_t>(high * 16 + low));
      p.anyByte_.push_back(false);
    }
    i += 2;
  }
  if (p.bytes_.empty()) return bad;
  p.Prepare();
  return p;
}

// Horspool's skip table: how far the window may move when its last byte is b. A wildcard
// matches every byte, so none may move past it.
void FindPattern::Prepare() {
  const std::size_t m = bytes_.size();
  std::size_t longest = m;
  for (std::size_t i = 0; i + 1 < m; ++i) {
    if (anyByte_[i]) longest = m - 1 - i;
  }
  std::fill(std::begin(skip_), std::end(skip_), longest);
  for (std::size_t i = 0; i + 1 < m; ++i) {
    if (!anyByte_[i]) skip_[bytes_[i]] = std::min(skip_[bytes_[i]], m - 1 - i);
  }
}

std::size_t FindPattern::Find(ByteView haystack, std::size_t from) const {
  const std::size_t m = bytes_.size();
  const std::size_t n = haystack.size();
  const std::uint8_t* h = haystack.data();
  for (std::size_t pos = from; m <= n && pos <= n - m;) {
    const std::uint8_t last = fold_[h[pos + m - 1]];
    std::size_t j = m;
    while (j > 0 && (anyByte_[j - 1] || fold_[h[pos + j - 1]] == bytes_[j - 1]))
      --j;
    if (j == 0) return pos;
    pos += skip_[last];
  }
  return std::string_view::npos;
}

namespace {

constexpr std::size_t kContext = 24;    // text shown on each side of a match
constexpr std::size_t kHexContext = 4;  // bytes shown on each side of a byte match

// The match in its stretch of text (a name, a cell, a line, a payload), with up to
// kContext bytes on each side and "..." where the stretch goes on.
std::string TextSnippet(ByteView stretch, std::size_t at, std::size_t length) {
  const std::size_t from = at > kContext ? at - kContext : 0;
  const std::size_t to = std::min(stretch.size(), at + length + kContext);
  const std::string_view bytes(reinterpret_cast<const char*>(stretch.data()) + from, to - from);
  return (from > 0 ? "..." : "") + EscapeControls(Cp1252ToUtf8(bytes)) +
         (to < stretch.size() ? "..." : "");
}

// The matched bytes in hex between brackets, a few of their neighbours around them.
std::string HexSnippet(ByteView payload, std::size_t at, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::size_t from = at > kHexContext ? at - kHexContext : 0;
  const std::size_t to = std::min(payload.size(), at + length + kHexContext);
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    if (i > from) out += ' ';
    if (i == at) out += '[';
    out += kDigits[payload[i] >> 4];
    out += kDigits[payload[i] & 15];
    if (i + 1 == at + length) out += ']';
  }
  return out;
}

// How a text entry's payload falls apart: a text table into cells (TAB) and rows (CR LF), a
// string list into lines (NUL).
enum class Layout { kTable, kLines };

// Bytes of the separator at i (0: none); newRow: it ends a row (a line) rather than a cell.
std::size_t SeparatorAt(Layout layout, ByteView text, std::size_t i, bool& newRow) {
  const std::uint8_t c = text[i];
  if (layout == Layout::kLines) {
    newRow = true;
    return c == 0 ? 1 : 0;
  }
  if (c == '\t') {
    newRow = false;
    return 1;
  }
  newRow = true;
  return c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 0;
}

struct Piece {
  std::size_t row = 0;
  std::size_t column = 0;
  ByteView bytes;  // the cell or line
  std::size_t at = 0;
};

// Calls onPiece with the first match of each cell (or line) that holds one; false from it
// stops. A match never reaches over a separator. Returns false when stopped.
bool SearchPieces(Layout layout, ByteView text, const FindPattern& pattern,
                  const std::function<bool(const Piece&)>& onPiece) {
  const std::size_t m = pattern.Length();
  std::size_t row = 0, column = 0, start = 0, cursor = 0;
  bool newRow = false;
  for (std::size_t from = 0;;) {
    const std::size_t p = pattern.Find(text, from);
    if (p == std::string_view::npos) return true;
    // Counts the separators up to the match.
    while (cursor < p) {
      const std::size_t s = SeparatorAt(layout, text, cursor, newRow);
      if (s == 0) {
        ++cursor;
        continue;
      }
      cursor += s;
      start = cursor;
      column = newRow ? 0 : column + 1;
      row += newRow ? 1 : 0;
    }
    if (cursor > p) {  // the match begins inside a two-byte separator
      from = cursor;
      continue;
    }
    std::size_t end = p;
    while (end < text.size() && SeparatorAt(layout, text, end, newRow) == 0)
      ++end;
    if (p + m > end) {
      from = p + 1;
      continue;
    }
    if (!onPiece({row, column, text.subspan(start, end - start), p - start})) return false;
    from = end;
  }
}

// Passes the host's progress on; what decoding an entry says is said with the entry's name.
class EntryHost : public CoreHost {
 public:
  EntryHost(CoreHost& host, const std::string& name) : host_(host), name_(name) {}
  void Message(const std::string& text) override {
    host_.Message(Cp1252ToUtf8(name_) + ": " + text);
  }

 private:
  CoreHost& host_;
  const std::string& name_;
};

// The payload as the entry's page reads it. Bytes that could not be read are no payload.
Result<Bytes> ReadPayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host) {
  if (!EntryInsideFile(entry, file.Size()))
    return Fail(Cp1252ToUtf8(entry.Name) + ": " + OutsideFileMessage(entry, file.Size()),
                ErrorKind::kDamaged);
  (void)file.TakeReadFailure();
  EntryHost entryHost(host, entry.Name);
  Bytes payload = PagePayload(file, entry, entryHost);
  if (Status read = file.TakeReadFailure(); !read)
    return Fail(Cp1252ToUtf8(entry.Name) + ": " + read.message(), ErrorKind::kReadFailed);
  return payload;
}

class EntrySearch {
 public:
  EntrySearch(const FindPattern& pattern, const FindCallback& onHit, FindSummary& summary)
      : pattern_(pattern), onHit_(onHit), summary_(summary) {}

  // Each returns false once the callback asked to stop.
  bool Name(int index, const std::string& name) {
    const ByteView bytes(reinterpret_cast<const std::uint8_t*>(name.data()), name.size());
    const std::size_t p = pattern_.Find(bytes);
    if (p == std::string_view::npos) return true;
    FindHit hit = Start(index, name, FindPlace::kName, p);
    hit.snippet = TextSnippet(bytes, p, pattern_.Length());
    return Report(hit);
  }

  bool Pieces(int index, const std::string& name, Layout layout, ByteView text) {
    if (layout == Layout::kTable) text = text.first(UpToNul(text));
    return SearchPieces(layout, text, pattern_, [&](const Piece& piece) {
      const bool cell = layout == Layout::kTable;
      FindHit hit = Start(index, name, cell ? FindPlace::kCell : FindPlace::kLine, piece.at);
      // Row 0 of the grid is its heading: the table's first line is row 1.
      hit.row = cell ? piece.row + 1 : 0;
      hit.column = cell ? piece.column : 0;
      hit.line = cell ? 0 : piece.row;
      hit.snippet = TextSnippet(piece.bytes, piece.at, pattern_.Length());
      return Report(hit);
    });
  }

  bool Payload(int index, const std::string& name, ByteView payload) {
    const std::size_t m = pattern_.Length();
    for (std::size_t p = pattern_.Find(payload); p != std::string_view::npos;
         p = pattern_.Find(payload, p + m)) {
      FindHit hit = Start(index, name, FindPlace::kOffset, p);
      hit.snippet = pattern_.IsText() ? TextSnippet(payload, p, m) : HexSnippet(payload, p, m);
      if (!Report(hit)) return false;
    }
    return true;
  }

 private:
  static std::size_t UpToNul(ByteView text) {
    const void* nul = std::memchr(text.data(), 0, text.size());
    return nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - text.data())
               : text.size();
  }

  FindHit Start(int index, const std::string& name, FindPlace place, std::size_t offset) const {
    FindHit hit;
    hit.index = index;
    hit.name = name;
    hit.place = place;
    hit.offset = offset;
    hit.length = pattern_.Length();
    return hit;
  }

  bool Report(const FindHit& hit) {
    ++summary_.hits;
    if (onHit_(hit)) return true;
    summary_.stopped = true;
    return false;
  }

  const FindPattern& pattern_;
  const FindCallback& onHit_;
  FindSummary& summary_;
};

// How a text is looked for in a payload of this type.
bool SearchPayload(EntrySearch& search, int index, const TResourceInfo& entry, bool text,
                   ByteView payload) {
  if (text && entry.ResType == rtText)
    return search.Pieces(index, entry.Name, Layout::kTable, payload);
  if (text && entry.ResType == rtStr)
    return search.Pieces(index, entry.Name, Layout::kLines, payload);
  return search.Payload(index, entry.Name, payload);
}

}  // namespace

std::string FindHitWhere(const FindHit& hit) {
  switch (hit.place) {
    case FindPlace::kName:
      return "name";
    case FindPlace::kCell:
      return "row " + std::to_string(hit.row) + " col " + std::to_string(hit.column + 1);
    case FindPlace::kLine:
      return "line " + std::to_string(hit.line + 1);
    case FindPlace::kOffset:
      break;
  }
  return "offset " + std::to_string(hit.offset);
}

Result<FindSummary> FindInContainer(TDataFile& dataFile, ByteFile& file, const FindPattern& pattern,
                                    const FindOptions& options, CoreHost& host,
                                    const FindCallback& onHit) {
  FindSummary summary;
  EntrySearch search(pattern, onHit, summary);
  ProgressReporter progress(host);
  std::int64_t total = 0;
  for (const TResourceInfo& e : dataFile.Entries)
    total += std::max(e.Size, 0);
  std::int64_t done = 0;
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i) {
    const int index = static_cast<int>(i);
    if (options.keepGoing && !options.keepGoing()) {
      summary.stopped = true;
      return summary;
    }
    progress.Step(done, total);
    if (!dataFile.Entries[i].Identified) {
      if (Status r = IdentifyEntry(dataFile, index, file); !r) return r.error();
    }
    const TResourceInfo& entry = dataFile.Entries[i];
    done += std::max(entry.Size, 0);
    if (options.types != 0 && (options.types & TypeBit(entry.ResType)) == 0) continue;
    if ((pattern.IsText() || options.namesOnly) && !search.Name(index, entry.Name)) return summary;
    if (options.namesOnly) continue;
    Result<Bytes> payload = ReadPayload(file, entry, host);
    if (!payload) return payload.error();
    if (!SearchPayload(search, index, entry, pattern.IsText(), *payload)) return summary;
  }
  progress.Step(total, total);
  return summary;
}

}  // namespace brindle
