#include "common/bmp.h"

#include <algorithm>
#include <climits>

namespace brindle {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestHeaderSize = 124;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionRle4 = 2;

// An RLE stream can end a line or the whole picture with two bytes, so its picture is not
// bounded by its length the way plain rows are. Ordinary encoders stay far below this ratio.
constexpr std::int64_t kRleMaxPixelsPerByte = 1024;
constexpr std::int64_t kRleAlwaysAllowedPixels = std::int64_t{1} << 20;

struct Header {
  std::uint32_t pixelOffset = 0;
  std::uint32_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // positive
  bool topDown = false;
  int bitsPerPixel = 0;
  std::uint32_t compression = kCompressionNone;
  std::uint32_t coloursUsed = 0;
};

BmpReadResult Fail(std::string why) {
  BmpReadResult r;
  r.status = BmpStatus::kUnreadable;
  r.error = std::move(why);
  return r;
}

bool ReadHeader(ByteView file, Header& h, std::string& error) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
    error = "not a BMP file";
    return false;
  }
  h.pixelOffset = ReadU32(file, 10);
  h.headerSize = ReadU32(file, 14);
  if (h.headerSize == kCoreHeaderSize) {
    if (file.size() < kFileHeaderSize + kCoreHeaderSize) {
      error = "the file is cut short";
      return false;
    }
    h.width = ReadU16(file, 18);
    h.height = ReadU16(file, 20);
    h.bitsPerPixel = ReadU16(file, 24);
    return true;
  }
  if (h.headerSize < 16 || h.headerSize > kLargestHeaderSize) {
    error = "unknown header size " + std::to_string(h.headerSize);
    return false;
  }
  if (file.size() < kFileHeaderSize + h.headerSize) {
    error = "the file is cut short";
    return false;
  }
  // Fields past a short header read as zero: a 16-byte OS/2 header means no compression
  // and a full colour table.
  ByteView header = file.subspan(kFileHeaderSize, h.headerSize);
  h.width = ReadI32(header, 4);
  const std::int64_t height = ReadI32(header, 8);
  h.topDown = height < 0;
  h.height = height < 0 ? -height : height;
  h.bitsPerPixel = ReadU16(header, 14);
  h.compression = ReadU32(header, 16);
  h.coloursUsed = ReadU32(header, 32);
  return true;
}

std::int32_t ClampedWidth(const Header& h) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(h.width, INT32_MIN, INT32_MAX));
}
std::int32_t ClampedHeight(const Header& h) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(h.height, INT32_MAX));
}

bool IsPaletteDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8;
}
bool IsTrueColourDepth(int bits) {
  return bits == 24 || bits == 32;
}

// Reads the colour table that lies between the headers and the pixels.
int ReadColourTable(ByteView file, const Header& h, ColourTable& colours) {
  const bool core = h.headerSize == kCoreHeaderSize;
  const std::size_t entrySize = core ? 3 : 4;
  const std::size_t start = kFileHeaderSize + h.headerSize;
  const std::size_t most = std::size_t{1} << h.bitsPerPixel;
  std::size_t wanted = h.coloursUsed == 0 || h.coloursUsed > most ? most : h.coloursUsed;
  // Writers that announce 256 colours but store fewer are common: the table ends where the
  // pixels begin, and never past the file.
  std::size_t end = std::min<std::size_t>(file.size(), h.pixelOffset);
  std::size_t room = end > start ? (end - start) / entrySize : 0;
  std::size_t count = std::min(wanted, room);
  colours.fill(0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = start + i * entrySize;
    colours[3 * i] = file[at + 2];
    colours[3 * i + 1] = file[at + 1];
    colours[3 * i + 2] = file[at];
  }
  return static_cast<int>(count);
}

// One stored row into pixels: indices widened to a byte each, or (red, green, blue).
void UnpackRow(const std::uint8_t* src, std::size_t w, int bits, std::uint8_t* dst) {
  switch (bits) {
    case 8:
      std::copy(src, src + w, dst);
      break;
    case 24:
    case 32: {
      const std::size_t step = static_cast<std::size_t>(bits) / 8;
      for (std::size_t x = 0; x < w; ++x, src += step, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
      break;
    }
    default: {  // 1 or 4: the leftmost pixel sits in the high bits
      const std::size_t perByte = 8 / static_cast<std::size_t>(bits);
      const unsigned mask = (1u << bits) - 1;
      for (std::size_t x = 0; x < w; ++x) {
        const std::size_t shift = static_cast<std::size_t>(bits) * (perByte - 1 - x % perByte);
        dst[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & mask);
      }
      break;
    }
  }
}

bool ReadPlainRows(ByteView file, const Header& h, Bytes& pixels, std::string& error) {
  const std::size_t w = static_cast<std::size_t>(h.width);
  const std::size_t rows = static_cast<std::size_t>(h.height);
  const std::size_t rowBytes = (w * static_cast<std::size_t>(h.bitsPerPixel) + 7) / 8;
  const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
  const std::size_t outPerPixel = IsTrueColourDepth(h.bitsPerPixel) ? 3 : 1;
  // The last row's padding may be missing; its pixels may not.
  const std::uint64_t needed = static_cast<std::uint64_t>(h.pixelOffset) +
                               static_cast<std::uint64_t>(stride) * (rows - 1) + rowBytes;
  if (h.pixelOffset < kFileHeaderSize || needed > file.size()) {
    error = "the pixel data is cut short";
    return false;
  }
  pixels.resize(w * rows * outPerPixel);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t target = h.topDown ? r : rows - 1 - r;
    UnpackRow(file.data() + h.pixelOffset + stride * r, w, h.bitsPerPixel,
              pixels.data() + target * w * outPerPixel);
  }
  return true;
}

// RLE8 and RLE4 share their codes; RLE4 counts nibbles where RLE8 counts bytes.
bool ReadRle(ByteView file, const Header& h, Bytes& pixels, std::string& error) {
  if (h.pixelOffset < kFileHeaderSize || h.pixelOffset >= file.size()) {
    error = "the pixel data is cut short";
    return false;
  }
  const bool nibbles = h.bitsPerPixel == 4;
  ByteView data = file.subspan(h.pixelOffset);
  const std::int64_t w = h.width;
  const std::int64_t rows = h.height;
  if (w * rows > std::max(kRleAlwaysAllowedPixels,
                          kRleMaxPixelsPerByte * static_cast<std::int64_t>(data.size()))) {
    error = "the picture is larger than its data";
    return false;
  }
  pixels.assign(static_cast<std::size_t>(w * rows), 0);
  // x and line count from the first stored line (the bottom one unless top-down).
  std::int64_t x = 0;
  std::int64_t line = 0;
  auto put = [&](std::uint8_t v) {
    if (x < w && line < rows) {
      const std::int64_t y = h.topDown ? line : rows - 1 - line;
      pixels[static_cast<std::size_t>(y * w + x)] = v;
    }
    ++x;
  };
  // Pixel k of a run or literal whose bytes start at `at`.
  auto pixelOf = [&](const std::uint8_t* at, std::size_t k) -> std::uint8_t {
    if (!nibbles) return at[k];
    return static_cast<std::uint8_t>(k & 1 ? at[k / 2] & 0x0F : at[k / 2] >> 4);
  };
  std::size_t i = 0;
  while (i + 1 < data.size() && line < rows) {
    const std::uint8_t count = data[i];
    const std::uint8_t value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (std::size_t k = 0; k < count && x < w; ++k)
        put(nibbles ? pixelOf(&value, k & 1) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++line;
    } else if (value == 1) {  // end of picture
      break;
    } else if (value == 2) {  // move right and up
      if (i + 1 >= data.size()) break;
      x += data[i];
      line += data[i + 1];
      i += 2;
    } else {  // literal pixels in bytes padded to an even count
      const std::size_t n = value;
      const std::size_t bytes = nibbles ? (n + 1) / 2 : n;
      if (i + bytes > data.size()) {
        error = "the pixel data is cut short";
        return false;
      }
      for (std::size_t k = 0; k < n; ++k)
        put(pixelOf(data.data() + i, k));
      i += bytes + (bytes & 1);
    }
  }
  // A stream that stops without its end code leaves the rest at colour 0, as readers of
  // such files commonly do.
  return true;
}

bool ReadPixels(ByteView file, const Header& h, Bytes& pixels, std::string& error) {
  if (h.compression == kCompressionNone) return ReadPlainRows(file, h, pixels, error);
  if ((h.compression == kCompressionRle8 && h.bitsPerPixel == 8) ||
      (h.compression == kCompressionRle4 && h.bitsPerPixel == 4))
    return ReadRle(file, h, pixels, error);
  error = "unsupported compression " + std::to_string(h.compression);
  return false;
}

void PutFileHeader(ByteWriter& w, std::size_t total, std::size_t pixelOffset) {
  w.U8('B').U8('M').U32(static_cast<std::uint32_t>(total)).U32(0);
  w.U32(static_cast<std::uint32_t>(pixelOffset));
}

void PutInfoHeader(ByteWriter& w, std::int32_t width, std::int32_t height, int bits,
                   std::size_t imageSize, std::uint32_t colours) {
  w.U32(kInfoHeaderSize).I32(width).I32(height).U16(1).U16(static_cast<std::uint16_t>(bits));
  w.U32(kCompressionNone).U32(static_cast<std::uint32_t>(imageSize));
  // 72 dots per inch, the usual default.
  w.I32(2835).I32(2835).U32(colours).U32(0);
}

}  // namespace

BmpReadResult ReadBmp(ByteView file, const BmpReadOptions& options) {
  Header h;
  std::string error;
  if (!ReadHeader(file, h, error)) return Fail(error);

  BmpReadResult r;
  r.image.bitsPerPixel = h.bitsPerPixel;
  r.image.width = ClampedWidth(h);
  r.image.height = ClampedHeight(h);
  const bool indexed =
      h.bitsPerPixel == 8 || (options.widenPalette && IsPaletteDepth(h.bitsPerPixel));
  const bool trueColour = options.readTrueColour && IsTrueColourDepth(h.bitsPerPixel);
  if (!indexed && !trueColour) {
    r.status = BmpStatus::kNotIndexed;
    return r;
  }
  if (indexed) {
    r.image.tableEntries = ReadColourTable(file, h, r.image.colours);
    if (r.image.tableEntries == 0) {
      r.status = BmpStatus::kNotIndexed;
      return r;
    }
  } else {
    r.image.layout = BmpLayout::kRgb;
  }
  if (h.width <= 0 || h.height <= 0) {
    r.status = BmpStatus::kEmpty;
    return r;
  }
  if (h.width * h.height > kMaxBmpPixels) return Fail("the picture is too large");
  if (!ReadPixels(file, h, r.image.pixels, error)) return Fail(error);
  r.status = BmpStatus::kOk;
  return r;
}

std::optional<BmpSize> ReadBmpSize(ByteView file) {
  Header h;
  std::string error;
  if (!ReadHeader(file, h, error) || h.width <= 0 || h.height <= 0) return std::nullopt;
  return BmpSize{ClampedWidth(h), ClampedHeight(h)};
}

Bytes WriteBmp8(std::int32_t width, std::int32_t height, ByteView indices,
                const ColourTable& colours) {
  const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
  const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
  const std::size_t stride = (w + 3) & ~std::size_t{3};
  const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize + 256 * 4;
  const std::size_t total = pixelOffset + stride * h;
  ByteWriter out;
  out.bytes().reserve(total);
  PutFileHeader(out, total, pixelOffset);
  PutInfoHeader(out, width, height, 8, stride * h, 256);
  for (std::size_t i = 0; i < 256; ++i)
    out.U8(colours[3 * i + 2]).U8(colours[3 * i + 1]).U8(colours[3 * i]).U8(0);
  for (std::size_t r = h; r-- > 0;) {
    for (std::size_t x = 0; x < w; ++x)
      out.U8(ByteAt(indices, r * w + x));
    out.Zeros(stride - w);
  }
  return out.Take();
}

Bytes WriteBmp24(std::int32_t width, std::int32_t height, ByteView rgb) {
  const std::size_t w = static_cast<std::size_t>(std::max(width, 0));
  const std::size_t h = static_cast<std::size_t>(std::max(height, 0));
  const std::size_t stride = (3 * w + 3) & ~std::size_t{3};
  const std::size_t pixelOffset = kFileHeaderSize + kInfoHeaderSize;
  const std::size_t total = pixelOffset + stride * h;
  ByteWriter out;
  out.bytes().reserve(total);
  PutFileHeader(out, total, pixelOffset);
  PutInfoHeader(out, width, height, 24, stride * h, 0);
  for (std::size_t r = h; r-- > 0;) {
    const std::size_t row = r * w * 3;
    for (std::size_t x = 0; x < w; ++x) {
      const std::size_t at = row + 3 * x;
      out.U8(ByteAt(rgb, at + 2)).U8(ByteAt(rgb, at + 1)).U8(ByteAt(rgb, at));
    }
    out.Zeros(stride - 3 * w);
  }
  return out.Take();
}

}  // namespace brindle
