#include "viewer/shell/hexdump.h"

#include <cstdio>
#include <optional>

namespace brindle {

std::vector<std::string> HexDump(ByteView bytes, CoreHost* progressHost) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  lines.reserve(2 + bytes.size() / 16 + 1);
  lines.emplace_back("Offset  Hexidecimal Data                       Data");
  lines.emplace_back("------- -----------------------------------    ----------------");

  std::size_t pos = 0;
  const std::size_t size = bytes.size();
  std::optional<ProgressReporter> progress;
  if (progressHost) progress.emplace(*progressHost);
  do {
    char line[96];
    int n = std::snprintf(line, sizeof line, "%7zu ", pos);
    std::size_t len = static_cast<std::size_t>(n);
    char chars[16];
    std::size_t charCount = 0;
    for (int group = 0; group < 4; ++group) {
      for (int place = 0; place < 4; ++place) {
        if (pos < size) {
          std::uint8_t b = bytes[pos++];
          line[len++] = kHex[b >> 4];
          line[len++] = kHex[b & 15];
          chars[charCount++] = b > 13 ? static_cast<char>(b) : '.';
        } else {
          line[len++] = ' ';
          line[len++] = ' ';
        }
      }
      line[len++] = ' ';
    }
    std::string& out = lines.emplace_back();
    out.reserve(len + 3 + charCount);
    out.append(line, len).append("   ").append(chars, charCount);
    if (progress) progress->Step(static_cast<std::int64_t>(pos), static_cast<std::int64_t>(size));
  } while (pos < size);
  return lines;
}

}  // namespace brindle
