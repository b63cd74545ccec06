// Any bytes as a BMP file: the reader either builds a picture its data describes or says
// why not, and a picture it builds survives our writer and a second read unchanged. The
// size-only reader agrees with the full one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/bmp.h"

namespace {

using namespace brindle;

void CheckSize(ByteView file, const BmpReadResult& r) {
  const std::optional<BmpSize> size = ReadBmpSize(file);
  if (r.status == BmpStatus::kUnreadable && r.error == "not a BMP file" && size) std::abort();
  if (r.status == BmpStatus::kOk &&
      (!size || size->width != r.image.width || size->height != r.image.height))
    std::abort();
}

void CheckRoundTrip(const BmpReadResult& r, const BmpReadOptions& options) {
  if (r.status != BmpStatus::kOk) return;
  const BmpImage& img = r.image;
  const bool rgb = img.layout == BmpLayout::kRgb;
  const std::size_t perPixel = rgb ? 3 : 1;
  if (img.pixels.size() != static_cast<std::size_t>(img.width) * img.height * perPixel)
    std::abort();
  BmpReadResult again = ReadBmp(rgb ? WriteBmp24(img.width, img.height, img.pixels)
                                    : WriteBmp8(img.width, img.height, img.pixels, img.colours),
                                options);
  if (again.status != BmpStatus::kOk || again.image.pixels != img.pixels ||
      (!rgb && again.image.colours != img.colours))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteView file(data, size);
  const BmpReadResult plain = ReadBmp(file);
  CheckSize(file, plain);
  CheckRoundTrip(plain, {});
  BmpReadOptions everything;
  everything.widenPalette = true;
  everything.readTrueColour = true;
  const BmpReadResult wide = ReadBmp(file, everything);
  CheckSize(file, wide);
  CheckRoundTrip(wide, everything);
  return 0;
}
