#include "viewer/core/containers/data_file.h"

#include "common/bytes.h"

namespace brindle {

void ClearDataFile(TDataFile& dataFile) {
  dataFile.FileName.clear();
  dataFile.Kind = ckNone;
  dataFile.FileSize = 0;
  dataFile.Entries.clear();
}

namespace {

constexpr std::uint32_t kTexts = TypeBit(rtText);
constexpr std::uint32_t kPictures = TypeBit(rtBitmap) | kTexts;

constexpr ContainerKindInfo kContainerKinds[] = {
    {ckIcons, "icons", "ICONS", "", kLodCountOffset, kLodDirectoryStart, kLodRecordSize, 16,
     "Icons archive (.lod)", "lod", TypeBit(rtIcon) | TypeBit(rtText), kPictures, true},
    {ckBitmaps, "bitmaps", "BITMAPS", "", kLodCountOffset, kLodDirectoryStart, kLodRecordSize, 16,
     "Bitmaps archive (.lod)", "lod", TypeBit(rtBitmap), kPictures, true},
    {ckSprites, "sprites", "SPRITES08", "", kLodCountOffset, kLodDirectoryStart, kLodRecordSize, 16,
     "Sprites archive (.lod)", "lod", 0, kTexts, true},
    {ckMaps, "maps", "MAPS", "", kLodCountOffset, kLodDirectoryStart, kLodRecordSize, 16,
     "Maps archive (.lod)", "lod", 0, kTexts, true},
    {ckChapter, "chapter", "CHAPTER", "", kLodCountOffset, kLodDirectoryStart, kLodRecordSize, 16,
     "Saved game (.lod)", "lod", 0, kTexts, true},
    {ckSnd, "snd", "", ".SND", 0, kSndVidDirectoryStart, kSndRecordSize, 40,
     "Sound container (.snd)", "snd", TypeBit(rtSound), TypeBit(rtSound), false},
    {ckVid, "vid", "", ".VID", 0, kSndVidDirectoryStart, kVidRecordSize, 40,
     "Movie container (.vid)", "vid", 0, 0, true},
};

}  // namespace

std::span<const ContainerKindInfo> ContainerKinds() {
  return kContainerKinds;
}

const ContainerKindInfo* FindContainerKind(TContainerKind kind) {
  for (const ContainerKindInfo& k : kContainerKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}

std::optional<TContainerKind> ContainerKindFromName(std::string_view name) {
  for (const ContainerKindInfo& k : kContainerKinds)
    if (EqualsIgnoreAsciiCase(k.name, name)) return k.kind;
  return std::nullopt;
}

std::string_view KindName(TContainerKind kind) {
  const ContainerKindInfo* info = FindContainerKind(kind);
  return info ? info->name : "none";
}

std::string UpperExtension(std::string_view name) {
  auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  if (name.find_first_of("/\\:", dot) != std::string_view::npos) return {};
  return UpperAscii(name.substr(dot));
}

std::int64_t DirectoryEnd(TContainerKind kind, std::int64_t count) {
  if (count < 0) count = 0;
  const ContainerKindInfo* info = FindContainerKind(kind);
  if (!info) info = FindContainerKind(ckIcons);
  return info->directoryStart + info->recordSize * count;
}

}  // namespace brindle
