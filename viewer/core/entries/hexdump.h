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

// The dump's lines, headings first. With a host, progress goes to its bar as the lines
// are made.
std::vector<std::string> HexDump(ByteView bytes, CoreHost* progress = nullptr);

// The same dump as UTF-8 text for a terminal or a file: each line ends in a newline and the
// character column shows every byte above 13 as its code page 437 glyph. The text goes to
// `write` in pieces of about 64 KB as it is made, so the memory used does not grow with
// the payload.
void HexDumpText(ByteView bytes, const std::function<void(std::string_view)>& write);

}  // namespace brindle
