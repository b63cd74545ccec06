#pragma once
// Outside tools (ImageMagick, sox) that make and read our file formats as a second opinion.
// They are optional: a test that needs one skips when it is missing.

#include <cstdlib>
#include <string>

namespace brindle::test {

inline bool HavePeer(const char* tool) {
  const std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

}  // namespace brindle::test
