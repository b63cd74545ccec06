#include "viewer/core/entries/hexdump.h"

#include <optional>

namespace brindle {

namespace {

// Offset (up to 20 digits), 36 for the groups, 3 spaces, 16 characters.
constexpr std::size_t kLineCapacity = 20 + 1 + 36 + 3 + 16;

// The offset right-aligned in 7 places (longer numbers in full) and a space.
std::size_t FormatOffset(char* out, std::size_t value) {
  char digits[20];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  std::size_t len = 0;
  for (std::size_t pad = n; pad < 7; ++pad)
    out[len++] = ' ';
  while (n > 0)
    out[len++] = digits[--n];
  out[len++] = ' ';
  return len;
}

}  // namespace

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
    std::string& line = lines.emplace_back();
    line.resize(kLineCapacity);
    char* out = line.data();
    std::size_t len = FormatOffset(out, pos);
    char chars[16];
    std::size_t charCount = 0;
    for (int group = 0; group < 4; ++group) {
      for (int place = 0; place < 4; ++place) {
        if (pos < size) {
          std::uint8_t b = bytes[pos++];
          out[len++] = kHex[b >> 4];
          out[len++] = kHex[b & 15];
          chars[charCount++] = b > 13 ? static_cast<char>(b) : '.';
        } else {
          out[len++] = ' ';
          out[len++] = ' ';
        }
      }
      out[len++] = ' ';
    }
    out[len++] = ' ';
    out[len++] = ' ';
    out[len++] = ' ';
    for (std::size_t i = 0; i < charCount; ++i)
      out[len++] = chars[i];
    line.resize(len);
    if (progress) progress->Step(static_cast<std::int64_t>(pos), static_cast<std::int64_t>(size));
  } while (pos < size);
  return lines;
}

}  // namespace brindle
