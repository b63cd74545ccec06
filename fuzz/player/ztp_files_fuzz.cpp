// ztptool's BMP and WAV readers over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/ztptool/bmp_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  std::string why;
  ztptool::Picture p;
  if (ztptool::ParseBmp(bytes, p, why)) ztptool::MakeBmp(p);
  ztptool::Sound s;
  if (ztptool::ParseWav(bytes, s, why)) ztptool::MakeWav(s);
  return 0;
}
