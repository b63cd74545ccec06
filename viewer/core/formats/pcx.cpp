#include "viewer/core/formats/pcx.h"

#include <algorithm>

#include "viewer/core/containers/extract.h"

namespace brindle {

namespace {

// 128-byte header: 0 manufacturer (0x0A), 1 version (5), 2 encoding (1 = run-length),
// 3 bits per pixel and plane (8), u16 Xmin, Ymin, Xmax, Ymax at 4..10, 65 planes (3),
// u16 bytes per plane line at 66. Then per scan line the run-length coded plane lines of
// red, green and blue, bytes-per-line bytes each: a byte below 0xC0 is itself, a byte
// b >= 0xC0 repeats the next byte b - 0xC0 times. Runs may cross plane lines but are cut at
// the end of the scan line.

constexpr std::size_t kPcxHeaderSize = 128;
constexpr std::uint8_t kPcxPlainStart[4] = {0x0A, 0x05, 0x01, 0x08};

bool IsRgbPcx(ByteView pcx) {
  return pcx.size() >= kPcxHeaderSize && pcx[1] == 5 && pcx[2] == 1 && pcx[3] == 8 && pcx[65] == 3;
}

std::int64_t PcxWidth(ByteView pcx) {
  return static_cast<std::int64_t>(ReadU16(pcx, 8)) - ReadU16(pcx, 4) + 1;
}

std::int64_t PcxHeight(ByteView pcx) {
  return static_cast<std::int64_t>(ReadU16(pcx, 10)) - ReadU16(pcx, 6) + 1;
}

// The file's bytes, whether the entry is a plain PCX or one behind a LOD header.
Bytes PcxBytes(ByteFile& container, const TResourceInfo& entry, CoreHost& host) {
  const Bytes start = container.ReadForDecoding(entry.Offset, 4);
  if (std::equal(start.begin(), start.end(), std::begin(kPcxPlainStart)))
    return ReadEntryRange(container, entry.Offset, entry.Size);
  return ExtractEntry(container, entry, kLodHeaderSize, host);
}

}  // namespace

PictureResult DecodePcxFile(ByteView pcx, ProgressReporter* progress) {
  if (pcx.empty()) return PictureFailure(PictureError::kNoPixels);
  if (!IsRgbPcx(pcx)) return PictureFailure(PictureError::kNotRgbPcx);
  const std::int64_t w = PcxWidth(pcx);
  const std::int64_t h = PcxHeight(pcx);
  const std::int64_t bpl = ReadU16(pcx, 66);
  if (w <= 0 || h <= 0 || bpl < w) return PictureFailure(PictureError::kBadLayout);
  // Two code bytes give at most 63 bytes of scan line: a picture its data cannot fill is
  // refused before it is allocated.
  const std::int64_t data = static_cast<std::int64_t>(pcx.size() - kPcxHeaderSize);
  const std::int64_t lineBytes = 3 * bpl;
  if (lineBytes * h > (data + 1) / 2 * 63) return PictureFailure(PictureError::kBadLayout);

  PictureResult r;
  Picture& p = r.picture;
  p.format = PictureFormat::kRgb24;
  p.width = static_cast<std::int32_t>(w);
  p.height = static_cast<std::int32_t>(h);
  p.pixels.resize(static_cast<std::size_t>(w * h * 3));
  Bytes line(static_cast<std::size_t>(lineBytes));
  const std::size_t end = pcx.size();
  std::size_t pos = kPcxHeaderSize;
  const std::size_t width = static_cast<std::size_t>(w);
  const std::size_t planeLine = static_cast<std::size_t>(bpl);
  for (std::int64_t y = 0; y < h; ++y) {
    std::size_t i = 0;
    while (i < line.size()) {
      if (pos >= end) return PictureFailure(PictureError::kBadLayout);
      const std::uint8_t b = pcx[pos++];
      if (b < 0xC0) {
        line[i++] = b;
        continue;
      }
      if (pos >= end) return PictureFailure(PictureError::kBadLayout);
      const std::uint8_t v = pcx[pos++];
      const std::size_t n = std::min<std::size_t>(b - 0xC0, line.size() - i);
      std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(i), n, v);
      i += n;
    }
    std::uint8_t* out = p.pixels.data() + static_cast<std::size_t>(y) * width * 3;
    const std::uint8_t* red = line.data();
    const std::uint8_t* green = red + planeLine;
    const std::uint8_t* blue = green + planeLine;
    for (std::size_t x = 0; x < width; ++x) {
      out[3 * x] = red[x];
      out[3 * x + 1] = green[x];
      out[3 * x + 2] = blue[x];
    }
    if (progress && h > 1) progress->Step(y, h - 1);
  }
  return r;
}

PictureResult DecodePcx(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                        ProgressReporter* progress) {
  return DecodePcxFile(PcxBytes(container, entry, host), progress);
}

std::optional<PcxSize> ReadPcxSize(ByteFile& container, const TResourceInfo& entry,
                                   CoreHost& host) {
  const Bytes pcx = PcxBytes(container, entry, host);
  if (!IsRgbPcx(pcx)) return std::nullopt;
  const std::int64_t w = PcxWidth(pcx), h = PcxHeight(pcx);
  if (w <= 0 || h <= 0) return std::nullopt;
  return PcxSize{static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)};
}

}  // namespace brindle
