#pragma once
// The in-memory model of the one open container: its file, its kind and its directory.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

enum TContainerKind : std::uint8_t {
  ckVid = 0,
  ckChapter = 1,
  ckSprites = 2,
  ckMaps = 3,
  ckIcons = 4,
  ckBitmaps = 5,
  ckSnd = 6,
  ckNone = 7,
};

enum TResourceType : std::uint8_t {
  rtText = 0,
  rtPalette = 1,
  rtSprite = 2,
  rtBitmap = 3,
  rtIcon = 4,
  rtIconPcx = 5,
  rtSound = 6,
  rtUnidentified = 7,
  rtFont = 8,
  rtEvt = 9,
  // 10 was never given out.
  rtStr = 11,
  rtBin = 12,
  rtDlv = 13,
  rtDdm = 14,
  rtBlv = 15,
  rtOdm = 16,
  rtPcx = 17,
  rtPartyBin = 18,
  rtVideo = 19,
};

struct TResourceInfo {
  bool Identified = false;
  std::string Name;  // bytes as stored (Windows-1252)
  std::int32_t UnpackedSize = 0;
  std::int32_t PackedSize = 0;
  std::int32_t Size = 0;
  std::int32_t Offset = 0;
  TResourceType ResType = rtUnidentified;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t PaletteId = 0;
};

struct TDataFile {
  std::string FileName;       // full path; empty when nothing is open
  std::int64_t FileSize = 0;  // bytes, as last seen by this program
  std::int64_t FileDate = 0;  // modification time in ns, as last seen by this program
  TContainerKind Kind = ckNone;
  std::vector<TResourceInfo> Entries;  // directory order; the position is the entry's index
};

// Nothing open. FileDate keeps its value.
void ClearDataFile(TDataFile& dataFile);

// "vid", "chapter", ... "snd", "none".
std::string_view KindName(TContainerKind kind);
// The type name without its "rt", in lower case: "text", "palette", ... "video".
std::string_view ResourceTypeName(TResourceType type);
// The type a name of ResourceTypeName stands for, in any case; nothing for other words.
std::optional<TResourceType> ResourceTypeFromName(std::string_view name);

// Upper-cased extension of a name, dot included: the text from the last "." on, unless a
// folder separator follows it. Empty when there is none.
std::string UpperExtension(std::string_view name);

// Directory geometry of the three families.
inline constexpr std::int64_t kLodDirectoryStart = 288;
inline constexpr std::int64_t kLodRecordSize = 32;
inline constexpr std::int64_t kLodCountOffset = 284;
inline constexpr std::int64_t kLodLengthOffset = 276;
inline constexpr std::int64_t kLodIdentifierOffset = 256;
inline constexpr std::int64_t kSndRecordSize = 52;
inline constexpr std::int64_t kVidRecordSize = 44;
inline constexpr std::int64_t kSndVidDirectoryStart = 4;

inline bool IsLodKind(TContainerKind kind) {
  return kind == ckChapter || kind == ckSprites || kind == ckMaps || kind == ckIcons ||
         kind == ckBitmaps;
}

// The first byte after the directory of a container of this kind with count entries.
std::int64_t DirectoryEnd(TContainerKind kind, std::int64_t count);

}  // namespace brindle
