#include "viewer/core/formats/raw_types.h"

namespace brindle {

std::vector<std::string> SplitStrings(ByteView payload) {
  std::vector<std::string> lines;
  std::string buffer;
  for (std::uint8_t b : payload) {
    if (b == 0) {
      lines.push_back(std::move(buffer));
      buffer.clear();
    } else {
      buffer.push_back(static_cast<char>(b));
    }
  }
  if (!buffer.empty()) lines.push_back(std::move(buffer));
  return lines;
}

}  // namespace brindle
