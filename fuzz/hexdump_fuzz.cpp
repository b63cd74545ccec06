// The hex dump of any bytes: every line has the fixed layout, and the streamed text form has
// as many lines as the window's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/core/entries/hexdump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto lines = brindle::HexDump(brindle::ByteView(data, size));
  if (lines.size() != 2 + (size == 0 ? 1 : (size + 15) / 16)) std::abort();
  for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
    if (lines[i].size() < 63) std::abort();
  }
  std::size_t newlines = 0;
  brindle::HexDumpText(brindle::ByteView(data, size), [&](std::string_view piece) {
    if (piece.empty() || piece.back() != '\n') std::abort();
    for (char c : piece)
      newlines += c == '\n';
  });
  if (newlines != lines.size()) std::abort();
  return 0;
}
