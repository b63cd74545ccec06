#include "viewer/core/formats/entry_types.h"

#include <algorithm>
#include <filesystem>

#include "common/codepage.h"
#include "common/wav.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/pcx.h"
#include "viewer/core/formats/sounds.h"
#include "viewer/core/formats/sprites.h"
#include "viewer/core/formats/texts.h"

namespace brindle {

namespace {

// Where the stream a page extracts starts.

std::int64_t LodHeader(const TResourceInfo&) {
  return kLodHeaderSize;
}
std::int64_t MapHeader(const TResourceInfo&) {
  return kMapHeaderSize;
}
// A sound entry has no header of its own: the payload is the whole WAV file.
std::int64_t NoHeader(const TResourceInfo&) {
  return 0;
}
// A sprite's header and line table take whatever the packed pixels leave of the entry.
std::int64_t SpriteHeader(const TResourceInfo& e) {
  const std::int64_t header = static_cast<std::int64_t>(e.Size) - e.PackedSize;
  return std::max<std::int64_t>(0, std::min<std::int64_t>(header, e.Size));
}

// What pages read and saves write.

Bytes AfterLodHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, static_cast<std::int32_t>(LodHeader(e)), h);
}
Bytes BinAfterLodHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractBinEntry(f, e, static_cast<std::int32_t>(LodHeader(e)), h);
}
Bytes AfterMapHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, static_cast<std::int32_t>(MapHeader(e)), h);
}
Bytes Whole(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, static_cast<std::int32_t>(NoHeader(e)), h);
}
Bytes SpritePixels(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, static_cast<std::int32_t>(SpriteHeader(e)), h);
}
constexpr PayloadReader Stored = StoredEntryBytes;
// A palette is always 768 raw colours after its header. Taking them as stored (rather than
// through the compression test) keeps a palette whose first colour happens to read 78 9C.
Bytes PaletteColours(ByteFile& f, const TResourceInfo& e, CoreHost&) {
  return f.ReadForDecoding(static_cast<std::int64_t>(e.Offset) + kLodHeaderSize, kPaletteBytes);
}

// Pictures, decoded afresh from the container.

PictureResult BitmapPicture(ByteFile& f, const TResourceInfo& e, const ExportContext&,
                            CoreHost& h) {
  return DecodeBitmapEntry(f, e, h);
}
PictureResult SpritePicture(ByteFile& f, const TResourceInfo& e, const ExportContext& c,
                            CoreHost& h) {
  return DecodeSprite(f, e, c.containerPath, h);
}
// A font is saved as the sheet of all its characters.
PictureResult FontPicture(ByteFile& f, const TResourceInfo& e, const ExportContext& c,
                          CoreHost& h) {
  return RenderFontSheet(f, e, c.fontColours, h);
}
PictureResult PcxPicture(ByteFile& f, const TResourceInfo& e, const ExportContext&, CoreHost& h) {
  return DecodePcx(f, e, h);
}
std::optional<PictureSize> PcxPictureSize(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  std::optional<PcxSize> size = ReadPcxSize(f, e, h);
  if (!size) return std::nullopt;
  return PictureSize{size->width, size->height};
}

// Files that replace entries.

Status ImportText(TDataFile& df, int index, const std::string& path, bool, CoreHost& host) {
  return ImportTextFile(df, index, path, host);
}
Status ImportSound(TDataFile& df, int index, const std::string& path, bool, CoreHost& host) {
  return ImportSoundFile(df, index, path, host);
}

// Files that become new entries.

std::string StoredName(const std::filesystem::path& name) {
  return Utf8ToCp1252(name.string());
}

Result<NewEntryFile> AddBitmap(const std::string& path) {
  Result<Picture> picture = ReadImportPicture(path);
  if (!picture) return picture.error();
  if (picture->width > 0xFFFF || picture->height > 0xFFFF)
    return Fail("Image file " + BaseName(path) +
                " is too large: a bitmap entry holds at most 65535 x 65535 pixels!");
  NewEntryFile made;
  made.name = StoredName(std::filesystem::path(path).stem());
  made.bytes = BuildBitmapEntry(made.name, *picture);
  return made;
}

Result<NewEntryFile> AddSound(const std::string& path) {
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  if (UpperExtension(path) != ".WAV" || !ReadWav(*read))
    return Fail("File " + BaseName(path) + " is no WAV file: a sound container holds sounds only.",
                ErrorKind::kNotSupported);
  NewEntryFile made;
  made.name = StoredName(std::filesystem::path(path).stem());
  made.unpackedSize = static_cast<std::int32_t>(read->size());
  made.bytes = BuildCompressedPayload(*read);
  return made;
}

Result<NewEntryFile> AddText(const std::string& path) {
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  NewEntryFile made;
  made.name = StoredName(std::filesystem::path(path).filename());
  TResourceInfo entry;
  entry.Name = made.name;
  entry.UnpackedSize = 1;  // stored compressed, as the game's own tables are
  made.bytes = BuildTextEntry(entry, *read);
  return made;
}

constexpr std::string_view kBitmapFiles = "Bitmap files";

// clang-format off
constexpr EntryType kTypes[] = {
//  type            name            page payload       stream        save               picture        ext    dialog filter              import            keepsSize  add from  add        tooltip size
    {rtText,         "text",         AfterLodHeader,    LodHeader,    AfterLodHeader,    nullptr,       "txt", "Text files",              ImportText,       false, ".TXT", AddText,   nullptr},
    {rtPalette,      "palette",      PaletteColours,    nullptr,      PaletteColours,    nullptr,       "act", "Photoshop palette files", nullptr,          false, "",     nullptr,   nullptr},
    {rtSprite,       "sprite",       SpritePixels,      SpriteHeader, nullptr,           SpritePicture, "bmp", kBitmapFiles,              nullptr,          false, "",     nullptr,   nullptr},
    {rtBitmap,       "bitmap",       AfterLodHeader,    LodHeader,    nullptr,           BitmapPicture, "bmp", kBitmapFiles,              ImportBitmapFile, true,  ".BMP", AddBitmap, nullptr},
    {rtIcon,         "icon",         AfterLodHeader,    LodHeader,    nullptr,           BitmapPicture, "bmp", kBitmapFiles,              ImportBitmapFile, false, "",     nullptr,   nullptr},
    {rtIconPcx,      "iconpcx",      AfterLodHeader,    LodHeader,    nullptr,           PcxPicture,    "bmp", kBitmapFiles,              nullptr,          false, "",     nullptr,   PcxPictureSize},
    {rtSound,        "sound",        Whole,             NoHeader,     Whole,             nullptr,       "wav", "Sound files",             ImportSound,      false, ".WAV", AddSound,  nullptr},
    {rtUnidentified, "unidentified", Stored,            nullptr,      Stored,            nullptr,       "",    "",                        nullptr,          false, "",     nullptr,   nullptr},
    {rtFont,         "font",         AfterLodHeader,    LodHeader,    nullptr,           FontPicture,   "bmp", kBitmapFiles,              nullptr,          false, "",     nullptr,   nullptr},
    {rtEvt,          "evt",          AfterLodHeader,    LodHeader,    AfterLodHeader,    nullptr,       "evt", "EVT files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtStr,          "str",          AfterLodHeader,    LodHeader,    AfterLodHeader,    nullptr,       "str", "STR files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtBin,          "bin",          BinAfterLodHeader, LodHeader,    BinAfterLodHeader, nullptr,       "bin", "Binary files",            nullptr,          false, "",     nullptr,   nullptr},
    {rtDlv,          "dlv",          AfterMapHeader,    MapHeader,    AfterMapHeader,    nullptr,       "dlv", "DLV files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtDdm,          "ddm",          AfterMapHeader,    MapHeader,    AfterMapHeader,    nullptr,       "ddm", "DDM files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtBlv,          "blv",          AfterMapHeader,    MapHeader,    AfterMapHeader,    nullptr,       "blv", "BLV files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtOdm,          "odm",          AfterMapHeader,    MapHeader,    AfterMapHeader,    nullptr,       "odm", "ODM files",               nullptr,          false, "",     nullptr,   nullptr},
    {rtPcx,          "pcx",          Stored,            nullptr,      nullptr,           PcxPicture,    "bmp", kBitmapFiles,              nullptr,          false, "",     nullptr,   PcxPictureSize},
    {rtPartyBin,     "partybin",     Stored,            nullptr,      Stored,            nullptr,       "bin", "Binary files",            nullptr,          false, "",     nullptr,   nullptr},
    {rtVideo,        "video",        Stored,            nullptr,      Stored,            nullptr,       "ztp", "Zoetrope video files",    nullptr,          false, "",     nullptr,   nullptr},
};
// clang-format on

}  // namespace

Bytes StoredEntryBytes(ByteFile& f, const TResourceInfo& e, CoreHost&) {
  return f.ReadForDecoding(e.Offset, static_cast<std::size_t>(std::max(e.Size, 0)));
}

std::span<const EntryType> EntryTypes() {
  return kTypes;
}

const EntryType& EntryTypeOf(TResourceType type) {
  for (const EntryType& t : kTypes)
    if (t.type == type) return t;
  return EntryTypeOf(rtUnidentified);
}

std::string_view ResourceTypeName(TResourceType type) {
  return EntryTypeOf(type).name;
}

std::optional<TResourceType> ResourceTypeFromName(std::string_view name) {
  for (const EntryType& t : kTypes)
    if (EqualsIgnoreAsciiCase(t.name, name)) return t.type;
  return std::nullopt;
}

PictureResult DecodeEntryPicture(ByteFile& file, const TResourceInfo& entry,
                                 const ExportContext& context, CoreHost& host) {
  const EntryType& type = EntryTypeOf(entry.ResType);
  if (!type.picture) return PictureFailure(PictureError::kNoPixels);
  return type.picture(file, entry, context, host);
}

std::string EntryTooltip(const TResourceInfo& entry, const std::string& containerPath) {
  const EntryType& type = EntryTypeOf(entry.ResType);
  std::string tip =
      "Type: " + std::string(type.name) + "\nSize: " + std::to_string(entry.Size) + " bytes";
  std::optional<PictureSize> size;
  if (entry.Width > 0 && entry.Height > 0) {
    size = PictureSize{entry.Width, entry.Height};
  } else if (type.pictureSize) {
    SilentHost quiet;
    if (auto file = OpenContainerFile(containerPath, FileMode::kReadShared))
      size = type.pictureSize(**file, entry, quiet);
  }
  if (size)
    tip += "\nPicture: " + std::to_string(size->width) + " x " + std::to_string(size->height);
  return tip;
}

}  // namespace brindle
