// Any bytes as a BMP file: the reader either builds a picture its data describes or says
// why not, and a picture it builds survives our writer and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  BmpReadResult r = ReadBmp(ByteView(data, size));
  if (r.status != BmpStatus::kOk) return 0;
  const BmpImage& img = r.image;
  if (img.pixels.size() != static_cast<std::size_t>(img.width) * img.height) std::abort();
  BmpReadResult again = ReadBmp(WriteBmp8(img.width, img.height, img.pixels, img.colours));
  if (again.status != BmpStatus::kOk || again.image.pixels != img.pixels ||
      again.image.colours != img.colours)
    std::abort();
  return 0;
}
