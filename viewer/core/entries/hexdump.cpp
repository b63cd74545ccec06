#include "viewer/core/entries/hexdump.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "common/codepage.h"

namespace brindle {

namespace {

constexpr const char* kHeading1 = "Offset  Hexidecimal Data                       Data";
constexpr const char* kHeading2 = "------- -----------------------------------    ----------------";

// Offset (up to 20 digits), 36 for the groups, 3 spaces, 16 characters of up to 3 bytes
// each (the text form's glyphs), and the newline.
constexpr std::size_t kLineCapacity = 20 + 1 + 36 + 3 + 16 * 3 + 1;

// The two hex digits of every byte, looked up rather than worked out: the dump of a large
// entry spends most of its time here.
struct HexPairs {
  std::array<char, 512> digits{};
  constexpr HexPairs() {
    constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 0; b < 256; ++b) {
      digits[static_cast<std::size_t>(2 * b)] = kHex[b >> 4];
      digits[static_cast<std::size_t>(2 * b + 1)] = kHex[b & 15];
    }
  }
};
constexpr HexPairs kHexPairs;

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

// One line up to its character column: the offset, the four groups of up to 16 bytes
// (padded with spaces) and the three spaces before the characters.
std::size_t FormatHexColumns(char* out, std::size_t offset, const std::uint8_t* p, std::size_t n) {
  std::size_t len = FormatOffset(out, offset);
  for (std::size_t i = 0; i < 16; ++i) {
    if (i < n) {
      std::memcpy(out + len, &kHexPairs.digits[2 * std::size_t{p[i]}], 2);
    } else {
      out[len] = ' ';
      out[len + 1] = ' ';
    }
    len += 2;
    if ((i & 3) == 3) out[len++] = ' ';
  }
  std::memcpy(out + len, "   ", 3);
  return len + 3;
}

bool ShownAsDot(std::uint8_t b) {
  return b <= 13;
}

// Each byte's glyph in code page 437 as UTF-8, made once.
struct Glyph {
  char bytes[3];
  std::uint8_t size;
};
const std::array<Glyph, 256>& Glyphs() {
  static const std::array<Glyph, 256> table = [] {
    std::array<Glyph, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const auto byte = static_cast<std::uint8_t>(b);
      const std::string utf8 = ShownAsDot(byte)
                                   ? std::string(".")
                                   : Cp437ToUtf8(std::string(1, static_cast<char>(byte)));
      Glyph& g = t[static_cast<std::size_t>(b)];
      g.size = static_cast<std::uint8_t>(std::min<std::size_t>(utf8.size(), 3));
      std::memcpy(g.bytes, utf8.data(), g.size);
    }
    return t;
  }();
  return table;
}

// Lines hold at most 16 bytes; an empty dump still has its one line at offset 0.
std::size_t DataLineCount(std::size_t size) {
  return size == 0 ? 1 : (size + 15) / 16;
}

// The data line starting at `pos`, its characters as the bytes themselves (0..13 as ".").
std::size_t FormatDataLine(char* out, ByteView bytes, std::size_t pos) {
  const std::size_t n = std::min<std::size_t>(16, bytes.size() - pos);
  std::size_t len = FormatHexColumns(out, pos, bytes.data() + pos, n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t b = bytes[pos + i];
    out[len++] = ShownAsDot(b) ? '.' : static_cast<char>(b);
  }
  return len;
}

std::size_t DigitCount(std::size_t value) {
  std::size_t n = 1;
  for (; value >= 10; value /= 10)
    ++n;
  return n;
}

// The length of the data line at `pos` of a dump of `size` bytes, without making it.
std::size_t DataLineWidth(std::size_t size, std::size_t pos) {
  return std::max<std::size_t>(7, DigitCount(pos)) + 1 + 36 + 3 +
         std::min<std::size_t>(16, size - pos);
}

}  // namespace

std::size_t HexDumpLineCount(std::size_t size) {
  return 2 + DataLineCount(size);
}

std::size_t HexDumpWidth(std::size_t size) {
  // Offsets only grow, so the widest data line is the last one or the full one before it.
  const std::size_t last = (DataLineCount(size) - 1) * 16;
  std::size_t widest = std::max(std::strlen(kHeading1), std::strlen(kHeading2));
  widest = std::max(widest, DataLineWidth(size, last));
  if (last > 0) widest = std::max(widest, DataLineWidth(size, last - 16));
  return widest;
}

std::size_t HexDumpLineOf(std::size_t offset) {
  return 2 + offset / 16;
}

std::string HexDumpLine(ByteView bytes, std::size_t index) {
  if (index == 0) return kHeading1;
  if (index == 1) return kHeading2;
  std::string line(kLineCapacity, ' ');
  line.resize(FormatDataLine(line.data(), bytes, (index - 2) * 16));
  return line;
}

std::vector<std::string> HexDump(ByteView bytes, CoreHost* progressHost) {
  const std::size_t count = HexDumpLineCount(bytes.size());
  std::vector<std::string> lines;
  lines.reserve(count);
  std::optional<ProgressReporter> progress;
  if (progressHost) progress.emplace(*progressHost);
  const auto size = static_cast<std::int64_t>(bytes.size());
  for (std::size_t i = 0; i < count; ++i) {
    lines.push_back(HexDumpLine(bytes, i));
    if (progress && i >= 2) {
      const std::int64_t done = std::min<std::int64_t>(static_cast<std::int64_t>(i - 1) * 16, size);
      progress->Step(done, size);
    }
  }
  return lines;
}

void HexDumpText(ByteView bytes, const std::function<void(std::string_view)>& write) {
  // Lines gather in one buffer that goes out whenever it is nearly full: few writes, and
  // no more memory than the buffer whatever the payload's size.
  constexpr std::size_t kChunk = 64 * 1024;
  const std::array<Glyph, 256>& glyphs = Glyphs();
  std::string buffer;
  buffer.resize(kChunk + kLineCapacity);
  std::size_t used = 0;
  auto putLine = [&](std::string_view text) {
    std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
    buffer[used++] = '\n';
  };
  putLine(kHeading1);
  putLine(kHeading2);

  const std::size_t size = bytes.size();
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(16, size - pos);
    char* out = buffer.data() + used;
    std::size_t len = FormatHexColumns(out, pos, bytes.data() + pos, n);
    for (std::size_t i = 0; i < n; ++i) {
      const Glyph& g = glyphs[bytes[pos + i]];
      std::memcpy(out + len, g.bytes, 3);  // the spare bytes are overwritten next
      len += g.size;
    }
    out[len++] = '\n';
    used += len;
    pos += n;
    if (used >= kChunk) {
      write(std::string_view(buffer.data(), used));
      used = 0;
    }
  } while (pos < size);
  if (used > 0) write(std::string_view(buffer.data(), used));
}

}  // namespace brindle
