#include "viewer/core/formats/picture.h"

#include <algorithm>

namespace brindle {

Bytes ReadEntryRange(ByteFile& file, std::int64_t offset, std::int64_t count) {
  if (count <= 0 || offset < 0) return {};
  return file.ReadForDecoding(offset, static_cast<std::size_t>(std::min(count, file.Size())));
}

ColourTable ReadColourTable(ByteFile& file, std::int64_t offset) {
  ColourTable colours{};
  if (offset < 0) return colours;
  Bytes b = file.ReadForDecoding(offset, colours.size());
  std::copy(b.begin(), b.end(), colours.begin());
  return colours;
}

PictureResult PictureFailure(PictureError error) {
  PictureResult r;
  r.error = error;
  return r;
}

Bytes PictureToBmp(const Picture& picture) {
  if (picture.format == PictureFormat::kRgb24)
    return WriteBmp24(picture.width, picture.height, picture.pixels);
  return WriteBmp8(picture.width, picture.height, picture.pixels, picture.colours);
}

}  // namespace brindle
