#include "viewer/core/formats/bitmaps.h"

#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {

// A bitmap entry's size beyond its pixel data: header and palette.
constexpr std::int64_t kBitmapOverhead = kLodHeaderSize + kPaletteBytes;

// Entries record width and height in 16 bits.
constexpr std::int32_t kMaxEntrySide = 0xFFFF;

}  // namespace

PictureResult DecodeBitmapEntry(ByteFile& container, const TResourceInfo& entry, CoreHost& host) {
  const std::int64_t start = static_cast<std::int64_t>(entry.Offset) + kLodHeaderSize;
  Bytes data;
  if (HasZlibMarker(container.ReadForDecoding(start, 2))) {
    data = InflatePayload(container, start, entry.PackedSize, entry.UnpackedSize, host).bytes;
  } else {
    data =
        ReadEntryRange(container, start, static_cast<std::int64_t>(entry.Size) - kBitmapOverhead);
  }
  if (data.empty()) return PictureFailure(PictureError::kNoPixels);
  if (entry.Width < 0 || entry.Height < 0) return PictureFailure(PictureError::kBadLayout);
  const std::size_t n =
      static_cast<std::size_t>(entry.Width) * static_cast<std::size_t>(entry.Height);
  // The picture is the first Width x Height bytes; fewer means the header lies.
  if (n > data.size()) return PictureFailure(PictureError::kBadLayout);

  PictureResult r;
  Picture& p = r.picture;
  p.width = entry.Width;
  p.height = entry.Height;
  // A stored-raw entry records no packed size on some writers: the palette then follows
  // UnpackedSize bytes.
  const std::int64_t pixelBytes = entry.PackedSize != 0 ? entry.PackedSize : entry.UnpackedSize;
  p.colours = ReadColourTable(container, start + pixelBytes);
  data.resize(n);
  p.pixels = std::move(data);
  return r;
}

Bytes BuildBitmapEntry(const std::string& entryName, const Picture& image) {
  const std::uint32_t n = static_cast<std::uint32_t>(image.pixels.size());
  const Bytes packed = BuildCompressedPayload(image.pixels);
  LodEntryHeader h;
  h.name = entryName;
  h.field16 = n;
  h.packedSize = static_cast<std::int32_t>(packed.size());
  h.width = static_cast<std::uint16_t>(image.width);
  h.height = static_cast<std::uint16_t>(image.height);
  h.unpackedSize = static_cast<std::int32_t>(n);
  ByteWriter w;
  w.Append(WriteLodEntryHeader(h)).Append(packed).Append(image.colours);
  return w.Take();
}

// The BMP file at path as the 8-bit picture an entry can hold, or why it cannot be one.
Result<Picture> ReadImportPicture(const std::string& path) {
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  Bytes file = std::move(*read);
  const std::string shown = "Image file " + BaseName(path);
  BmpReadResult bmp = ReadBmp(file);
  file = Bytes();
  switch (bmp.status) {
    case BmpStatus::kUnreadable:
      return Fail(shown + " cannot be read as a bitmap: " + bmp.error + "!", ErrorKind::kDamaged);
    case BmpStatus::kNotIndexed:
      return Fail(shown + " must be in 8bit color format! (Must include palette)",
                  ErrorKind::kNotSupported);
    case BmpStatus::kEmpty:
      return Fail(shown + " is not a valid BMP!", ErrorKind::kDamaged);
    case BmpStatus::kOk:
      break;
  }
  Picture picture;
  picture.width = bmp.image.width;
  picture.height = bmp.image.height;
  picture.pixels = std::move(bmp.image.pixels);
  picture.colours = bmp.image.colours;
  return picture;
}

namespace {

Status ImportChecked(TDataFile& dataFile, int index, const std::string& path, bool sameSize,
                     CoreHost& host) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  const TResourceInfo& entry = dataFile.Entries[static_cast<std::size_t>(index)];
  Result<Picture> picture = ReadImportPicture(path);
  if (!picture) return picture.error();
  const std::string shown = "Image file " + BaseName(path);
  if (sameSize && (picture->width != entry.Width || picture->height != entry.Height))
    return Fail(shown + " must have the same dimensions as original image!");
  // The entry header keeps width and height in 16 bits; a larger picture would be stored
  // with its sizes cut and could never be shown again.
  if (picture->width > kMaxEntrySide || picture->height > kMaxEntrySide)
    return Fail(shown + " is too large: a bitmap entry holds at most 65535 x 65535 pixels!");
  const Bytes image = BuildBitmapEntry(entry.Name, *picture);
  return WriteBackLodEntry(dataFile, index, image, host);
}

}  // namespace

Status ImportBitmapFile(TDataFile& dataFile, int index, const std::string& path, bool sameSize,
                        CoreHost& host) {
  const WatchHold hold(host);
  return ImportChecked(dataFile, index, path, sameSize, host);
}

}  // namespace brindle
