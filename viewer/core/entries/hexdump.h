#pragma once
// The hex dump shown for entries whose format the viewer does not interpret:
//
//   Offset  Hexidecimal Data                       Data
//   ------- -----------------------------------    ----------------
//         0 48650A6C                               He.l
//
// 16 bytes a line in four groups of four; the character column shows bytes above 13 as
// themselves (the caller shows them through code page 437) and 0..13 as ".".

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "viewer/core/host.h"

namespace brindle {

// The number of lines in the dump of `size` bytes, headings included.
std::size_t HexDumpLineCount(std::size_t size);
// The length of the dump's longest line of `size` bytes, found without making the lines.
std::size_t HexDumpWidth(std::size_t size);
// The line of the dump that shows the byte at `offset`.
std::size_t HexDumpLineOf(std::size_t offset);
// Line `index` (below HexDumpLineCount) of the dump of `bytes`, made on its own: a view
// can make only the lines it shows.
std::string HexDumpLine(ByteView bytes, std::size_t index);

// The dump's lines, headings first. With a host, progress goes to its bar as the lines
// are made.
std::vector<std::string> HexDump(ByteView bytes, CoreHost* progress = nullptr);

// The same dump as UTF-8 text for a terminal or a file: each line ends in a newline and the
// character column shows every byte above 13 as its code page 437 glyph. The text goes to
// `write` in pieces of about 64 KB as it is made, so the memory used does not grow with
// the payload.
void HexDumpText(ByteView bytes, const std::function<void(std::string_view)>& write);

}  // namespace brindle
