#pragma once
// The hex dump shown for entries whose format the viewer does not interpret:
//
//   Offset  Hexidecimal Data                       Data
//   ------- -----------------------------------    ----------------
//         0 48650A6C                               He.l
//
// 16 bytes a line in four groups of four; the character column shows bytes above 13 as
// themselves (the caller shows them through code page 437) and 0..13 as ".".

#include <string>
#include <vector>

#include "common/bytes.h"
#include "viewer/core/host.h"

namespace brindle {

// The dump's lines, headings first. With a host, progress goes to its bar as the lines
// are made.
std::vector<std::string> HexDump(ByteView bytes, CoreHost* progress = nullptr);

}  // namespace brindle
