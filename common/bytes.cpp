#include "common/bytes.h"

#include <algorithm>

namespace brindle {

ByteWriter& ByteWriter::FixedText(std::string_view s, std::size_t n) {
  std::size_t used = std::min(s.size(), n);
  out_.insert(out_.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(used));
  out_.insert(out_.end(), n - used, 0);
  return *this;
}

std::string FixedText(ByteView field) {
  auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), nul);
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace brindle
