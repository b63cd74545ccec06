#include "viewer/core/formats/pictures.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {

constexpr std::int64_t kPaletteBytes = 768;
// A bitmap entry's size beyond its pixel data: header and palette.
constexpr std::int64_t kBitmapOverhead = kLodHeaderSize + kPaletteBytes;

// Sprites may leave whole rows empty, so their pictures are not bounded by their data. No
// sprite comes near this; a header that claims more is refused before anything is allocated.
constexpr std::int64_t kMaxSpritePixels = std::int64_t{1} << 26;
constexpr std::int64_t kSpriteHeaderSize = 32;
constexpr std::int64_t kSpriteRowRecord = 8;

// Entries record width and height in 16 bits.
constexpr std::int32_t kMaxEntrySide = 0xFFFF;

// The bytes at [offset, offset + count); bytes past the end of the file read as zero, and a
// count larger than the file is cut to it, so a lying size never allocates more than the
// file holds.
Bytes ReadRange(ByteFile& file, std::int64_t offset, std::int64_t count) {
  if (count <= 0 || offset < 0) return {};
  return file.ReadPadded(offset, static_cast<std::size_t>(std::min(count, file.Size())));
}

ColourTable ReadColours(ByteFile& file, std::int64_t offset) {
  ColourTable colours{};
  if (offset < 0) return colours;
  Bytes b = file.ReadPadded(offset, colours.size());
  std::copy(b.begin(), b.end(), colours.begin());
  return colours;
}

PictureResult Failure(PictureError error) {
  PictureResult r;
  r.error = error;
  return r;
}

// ---- Sprites ----
//
// Header of 32 bytes (packed size at 12, width and height at 16 and 18, palette number at 20,
// unpacked size at 28), one 8-byte record per row (u16 first column, u16 last column, u32
// offset of the row's pixels in the unpacked data), then the pixel data in the entry's last
// PackedSize bytes. Columns outside [first, last] are index 0.

// The sprite's unpacked pixel data, or an error when its header cannot be right.
PictureError SpritePixels(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                          Bytes& pixels) {
  const std::int64_t headerSize = static_cast<std::int64_t>(entry.Size) - entry.PackedSize;
  if (entry.Width < 0 || entry.Height < 0 || entry.PackedSize <= 0 ||
      headerSize < kSpriteHeaderSize + kSpriteRowRecord * entry.Height)
    return PictureError::kBadLayout;
  if (static_cast<std::int64_t>(entry.Width) * entry.Height > kMaxSpritePixels)
    return PictureError::kTooLarge;
  pixels = ExtractEntry(container, entry, static_cast<std::int32_t>(headerSize), host);
  return pixels.empty() ? PictureError::kNoPixels : PictureError::kNone;
}

PictureResult DrawSprite(ByteFile& container, const TResourceInfo& entry, ByteView data,
                         const ColourTable& colours) {
  PictureResult r;
  Picture& p = r.picture;
  p.width = entry.Width;
  p.height = entry.Height;
  p.colours = colours;
  const std::size_t w = static_cast<std::size_t>(entry.Width);
  const std::size_t h = static_cast<std::size_t>(entry.Height);
  // The row table lies within the header (checked by SpritePixels); one read takes it all.
  const Bytes table = container.ReadPadded(
      static_cast<std::int64_t>(entry.Offset) + kSpriteHeaderSize, kSpriteRowRecord * h);
  p.pixels.assign(w * h, 0);
  for (std::size_t y = 0; y < h; ++y) {
    const std::size_t first = ReadU16(table, 8 * y);
    const std::size_t last = ReadU16(table, 8 * y + 2);
    const std::size_t offset = ReadU32(table, 8 * y + 4);
    if (first >= w || last < first) continue;
    // Only the stored pixels that land inside the row are used; they must exist.
    const std::size_t count = std::min(last, w - 1) - first + 1;
    if (offset > data.size() || count > data.size() - offset)
      return Failure(PictureError::kBadLayout);
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), count,
                p.pixels.begin() + static_cast<std::ptrdiff_t>(y * w + first));
  }
  return r;
}

// ---- PCX ----
//
// 128-byte header: 0 manufacturer (0x0A), 1 version (5), 2 encoding (1 = run-length),
// 3 bits per pixel and plane (8), u16 Xmin, Ymin, Xmax, Ymax at 4..10, 65 planes (3),
// u16 bytes per plane line at 66. Then per scan line the run-length coded plane lines of
// red, green and blue, bytes-per-line bytes each: a byte below 0xC0 is itself, a byte
// b >= 0xC0 repeats the next byte b - 0xC0 times. Runs may cross plane lines but are cut at
// the end of the scan line.

constexpr std::size_t kPcxHeaderSize = 128;
constexpr std::uint8_t kPcxPlainStart[4] = {0x0A, 0x05, 0x01, 0x08};

}  // namespace

// ---- Bitmaps and palettes ----

PictureResult DecodeBitmapEntry(ByteFile& container, const TResourceInfo& entry, CoreHost& host) {
  const std::int64_t start = static_cast<std::int64_t>(entry.Offset) + kLodHeaderSize;
  Bytes data;
  if (HasZlibMarker(container.ReadPadded(start, 2))) {
    data = InflatePayload(container, start, entry.PackedSize, entry.UnpackedSize, host).bytes;
  } else {
    data = ReadRange(container, start, static_cast<std::int64_t>(entry.Size) - kBitmapOverhead);
  }
  if (data.empty()) return Failure(PictureError::kNoPixels);
  if (entry.Width < 0 || entry.Height < 0) return Failure(PictureError::kBadLayout);
  const std::size_t n =
      static_cast<std::size_t>(entry.Width) * static_cast<std::size_t>(entry.Height);
  // The picture is the first Width x Height bytes; fewer means the header lies.
  if (n > data.size()) return Failure(PictureError::kBadLayout);

  PictureResult r;
  Picture& p = r.picture;
  p.width = entry.Width;
  p.height = entry.Height;
  // A stored-raw entry records no packed size on some writers: the palette then follows
  // UnpackedSize bytes.
  const std::int64_t pixelBytes = entry.PackedSize != 0 ? entry.PackedSize : entry.UnpackedSize;
  p.colours = ReadColours(container, start + pixelBytes);
  data.resize(n);
  p.pixels = std::move(data);
  return r;
}

ColourTable ReadPaletteEntry(ByteFile& container, const TResourceInfo& entry) {
  return ReadColours(container, static_cast<std::int64_t>(entry.Offset) + kLodHeaderSize);
}

SwatchRect PaletteSwatch(int areaWidth, int areaHeight, int index) {
  // Sixteen swatches and fifteen one-pixel gaps across and down; division truncates toward
  // zero as the layout wants, also for areas smaller than the gaps.
  const int cw = (areaWidth - 15) / 16;
  const int ch = (areaHeight - 15) / 16;
  const int row = index / 16;
  const int column = index % 16;
  SwatchRect s;
  s.left = column * (cw + 1);
  s.top = row * (ch + 1);
  s.right = s.left + cw;
  s.bottom = s.top + ch;
  return s;
}

std::string PaletteName(std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "pal%03d", number);
  return text;
}

std::optional<ColourTable> LookUpPalette(ByteFile& lod, std::string_view name) {
  // BITMAPS container: identifier at 256, record count at 284, 32-byte records from 288
  // (name in the first 16 bytes, offset from 288 at byte 16); a palette entry keeps its
  // colours after a 48-byte header.
  if (!EqualsIgnoreAsciiCase(ReadFixedString(lod, kLodIdentifierOffset, 12), "BITMAPS"))
    return std::nullopt;
  const std::int64_t count = ReadI32(lod.ReadPadded(kLodCountOffset, 4), 0);
  const std::int64_t fit = std::max<std::int64_t>(0, lod.Size() - kLodDirectoryStart) / 32;
  const std::int64_t records = std::clamp<std::int64_t>(count, 0, fit);
  const Bytes directory =
      lod.ReadPadded(kLodDirectoryStart, static_cast<std::size_t>(records * kLodRecordSize));
  const ByteView dir(directory);
  for (std::int64_t i = 0; i < records; ++i) {
    const std::size_t at = static_cast<std::size_t>(i * kLodRecordSize);
    if (!EqualsIgnoreAsciiCase(FixedText(dir.subspan(at, 16)), name)) continue;
    const std::int64_t colours = kLodDirectoryStart + ReadU32(dir, at + 16) + kLodHeaderSize;
    // A palette that would run past the end of the file is damaged, not black.
    if (colours + kPaletteBytes > lod.Size()) return std::nullopt;
    return ReadColours(lod, colours);
  }
  return std::nullopt;
}

std::optional<ColourTable> LookUpPalette(const std::string& bitmapsLodPath, std::string_view name) {
  auto file = PosixFile::Open(bitmapsLodPath, FileMode::kReadShared);
  if (!file) return std::nullopt;
  return LookUpPalette(*file, name);
}

std::string BitmapsLodBeside(const std::string& containerPath) {
  namespace fs = std::filesystem;
  if (containerPath.empty()) return {};
  fs::path folder = fs::path(containerPath).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  const fs::path exact = folder / "bitmaps.lod";
  if (fs::is_regular_file(exact, ec)) return exact.string();
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (EqualsIgnoreAsciiCase(it->path().filename().string(), "bitmaps.lod") &&
        it->is_regular_file(ec))
      return it->path().string();
  }
  return {};
}

PictureResult DecodeSprite(ByteFile& container, const TResourceInfo& entry,
                           const std::string& containerPath, CoreHost& host) {
  Bytes data;
  PictureError error = SpritePixels(container, entry, host, data);
  if (error != PictureError::kNone) return Failure(error);
  // Read for every decode: a palette changed on disk shows at once.
  const std::string lod = BitmapsLodBeside(containerPath);
  if (lod.empty()) return Failure(PictureError::kNoPaletteFile);
  std::optional<ColourTable> colours = LookUpPalette(lod, PaletteName(entry.PaletteId));
  if (!colours) return Failure(PictureError::kNoPalette);
  return DrawSprite(container, entry, data, *colours);
}

PictureResult DecodeSpriteWithPalette(ByteFile& container, const TResourceInfo& entry,
                                      const ColourTable& colours, CoreHost& host) {
  Bytes data;
  PictureError error = SpritePixels(container, entry, host, data);
  if (error != PictureError::kNone) return Failure(error);
  return DrawSprite(container, entry, data, colours);
}

PictureResult DecodePcxFile(ByteView pcx, ProgressReporter* progress) {
  if (pcx.empty()) return Failure(PictureError::kNoPixels);
  if (pcx.size() < kPcxHeaderSize || pcx[1] != 5 || pcx[2] != 1 || pcx[3] != 8 || pcx[65] != 3)
    return Failure(PictureError::kNotRgbPcx);
  const std::int64_t w = static_cast<std::int64_t>(ReadU16(pcx, 8)) - ReadU16(pcx, 4) + 1;
  const std::int64_t h = static_cast<std::int64_t>(ReadU16(pcx, 10)) - ReadU16(pcx, 6) + 1;
  const std::int64_t bpl = ReadU16(pcx, 66);
  if (w <= 0 || h <= 0 || bpl < w) return Failure(PictureError::kBadLayout);
  // Two code bytes give at most 63 bytes of scan line: a picture its data cannot fill is
  // refused before it is allocated.
  const std::int64_t data = static_cast<std::int64_t>(pcx.size() - kPcxHeaderSize);
  const std::int64_t lineBytes = 3 * bpl;
  if (lineBytes * h > (data + 1) / 2 * 63) return Failure(PictureError::kBadLayout);

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
      if (pos >= end) return Failure(PictureError::kBadLayout);
      const std::uint8_t b = pcx[pos++];
      if (b < 0xC0) {
        line[i++] = b;
        continue;
      }
      if (pos >= end) return Failure(PictureError::kBadLayout);
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
  const Bytes start = container.ReadPadded(entry.Offset, 4);
  Bytes pcx;
  if (std::equal(start.begin(), start.end(), std::begin(kPcxPlainStart)))
    pcx = ReadRange(container, entry.Offset, entry.Size);
  else
    pcx = ExtractEntry(container, entry, kLodHeaderSize, host);
  return DecodePcxFile(pcx, progress);
}

// ---- Import ----

Bytes BuildBitmapEntry(const std::string& entryName, const Picture& image) {
  const std::uint32_t n = static_cast<std::uint32_t>(image.pixels.size());
  const Bytes packed = BuildCompressedPayload(image.pixels);
  ByteWriter w;
  w.FixedText(entryName, 16)
      .U32(n)
      .U32(static_cast<std::uint32_t>(packed.size()))
      .U16(static_cast<std::uint16_t>(image.width))
      .U16(static_cast<std::uint16_t>(image.height))
      .Zeros(12)
      .U32(n)
      .U32(0)
      .Append(packed)
      .Append(image.colours);
  return w.Take();
}

namespace {

ImportResult ImportChecked(TDataFile& dataFile, int index, const std::string& path, bool sameSize,
                           CoreHost& host) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return ImportResult::kWriteFailed;
  const TResourceInfo& entry = dataFile.Entries[static_cast<std::size_t>(index)];
  Bytes file;
  if (!ReadWholeFile(path, &file)) {
    host.Message(CannotOpenMessage(path));
    return ImportResult::kCannotRead;
  }
  const std::string shown = "Image file " + BaseName(path);
  BmpReadResult bmp = ReadBmp(file);
  file = Bytes();
  switch (bmp.status) {
    case BmpStatus::kUnreadable:
      host.Message(shown + " cannot be read as a bitmap: " + bmp.error + "!");
      return ImportResult::kCannotRead;
    case BmpStatus::kNotIndexed:
      host.Message(shown + " must be in 8bit color format! (Must include palette)");
      return ImportResult::kNot8Bit;
    case BmpStatus::kEmpty:
      host.Message(shown + " is not a valid BMP!");
      return ImportResult::kInvalid;
    case BmpStatus::kOk:
      break;
  }
  const BmpImage& img = bmp.image;
  if (sameSize && (img.width != entry.Width || img.height != entry.Height)) {
    host.Message(shown + " must have the same dimensions as original image!");
    return ImportResult::kWrongSize;
  }
  // The entry header keeps width and height in 16 bits; a larger picture would be stored
  // with its sizes cut and could never be shown again.
  if (img.width > kMaxEntrySide || img.height > kMaxEntrySide) {
    host.Message(shown + " is too large: a bitmap entry holds at most 65535 x 65535 pixels!");
    return ImportResult::kTooLarge;
  }
  Picture picture;
  picture.width = img.width;
  picture.height = img.height;
  picture.pixels = std::move(bmp.image.pixels);
  picture.colours = img.colours;
  const Bytes image = BuildBitmapEntry(entry.Name, picture);
  return WriteBackLodEntry(dataFile, index, image, host) == WriteBackResult::kOk
             ? ImportResult::kImported
             : ImportResult::kWriteFailed;
}

}  // namespace

ImportResult ImportBitmapFile(TDataFile& dataFile, int index, const std::string& path,
                              bool sameSize, CoreHost& host) {
  host.SuspendWatch(true);
  ImportResult r = ImportChecked(dataFile, index, path, sameSize, host);
  host.SuspendWatch(false);
  return r;
}

Bytes PictureToBmp(const Picture& picture) {
  if (picture.format == PictureFormat::kRgb24)
    return WriteBmp24(picture.width, picture.height, picture.pixels);
  return WriteBmp8(picture.width, picture.height, picture.pixels, picture.colours);
}

}  // namespace brindle
