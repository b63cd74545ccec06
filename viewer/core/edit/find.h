#pragma once
// Finding a text or a byte pattern in every entry of an open container.
//
// A text is compared in any case (Windows-1252 letters, accented ones included) and is looked
// for in the entries' names, in text tables cell by cell, in string lists line by line and in
// the payloads of the other entries. A byte pattern is looked for in every entry's payload as
// its page reads it: inflated where the entry is compressed. Hits go to a callback as they are
// found, one entry's payload in memory at a time.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// What to look for: a text in any case, or bytes with wildcards.
class FindPattern {
 public:
  // A text typed by the user (UTF-8). Fails when it is empty or holds characters
  // Windows-1252 has not.
  static Result<FindPattern> Text(std::string_view utf8);
  // Pairs of hex digits, "??" for any byte, spaces between pairs allowed: "78 9c ?? 01".
  static Result<FindPattern> Hex(std::string_view text);

  bool IsText() const { return text_; }
  std::size_t Length() const { return bytes_.size(); }
  // Where the first match at or after `from` begins; npos when there is none.
  std::size_t Find(ByteView haystack, std::size_t from = 0) const;

 private:
  FindPattern() = default;
  void Prepare();

  bool text_ = false;
  Bytes bytes_;                // folded to lower case for a text
  std::vector<bool> anyByte_;  // "??" positions
  std::uint8_t fold_[256] = {};
  std::size_t skip_[256] = {};
};

enum class FindPlace : std::uint8_t { kName, kCell, kLine, kOffset };

struct FindHit {
  int index = 0;
  std::string name;  // as stored (Windows-1252)
  FindPlace place = FindPlace::kName;
  std::size_t row = 0;     // kCell: the text grid's row (row 1 holds the table's first line)
  std::size_t column = 0;  // kCell: the grid's column (0 first)
  std::size_t line = 0;    // kLine: the line's index among SplitStrings' lines (0 first)
  std::size_t offset = 0;  // where the match begins: in the name, cell, line or payload
  std::size_t length = 0;  // bytes matched
  std::string snippet;     // UTF-8: the match with a little around it, controls escaped
};

struct FindOptions {
  std::uint32_t types = 0;  // TypeBit set of the entry types searched; 0: every type
  bool namesOnly = false;   // the entries' names alone
  // Asked before each entry; false stops the search as the callback's false does. A search
  // that finds nothing for a long while can still be called off (the window's Cancel).
  std::function<bool()> keepGoing;
};

struct FindSummary {
  std::int64_t hits = 0;
  bool stopped = false;  // the callback asked to stop
};

// Where a hit lies, as the user reads it: "name", "row 2 col 3" (the grid's row, columns
// counted from 1), "line 4" (counted from 1) or "offset 120".
std::string FindHitWhere(const FindHit& hit);

// Answers false to stop the search.
using FindCallback = std::function<bool(const FindHit&)>;

// Searches every entry of dataFile in directory order; file is the container it was read
// from. Entries not identified yet are identified on the way. Progress (by bytes) goes to
// the host's bar; what an entry's decoding says ("Error Inflating: ...") goes to the host
// with the entry's name before it. An entry that lies outside the file or a read that fails
// ends the search with an error.
Result<FindSummary> FindInContainer(TDataFile& dataFile, ByteFile& file, const FindPattern& pattern,
                                    const FindOptions& options, CoreHost& host,
                                    const FindCallback& onHit);

}  // namespace brindle
