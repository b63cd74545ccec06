#pragma once
// Entries shown as they are stored: the string lists' lines.

#include <string>
#include <vector>

#include "common/bytes.h"

namespace brindle {

// The string list's lines: each NUL ends one (an empty one too); bytes after the last NUL
// make one more.
std::vector<std::string> SplitStrings(ByteView payload);

}  // namespace brindle
