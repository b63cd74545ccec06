#pragma once
// The in-memory model of the one open container: its file, its kind and its directory.

#include <cstdint>
#include <optional>
#include <span>
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

// The fields in this order fill one 64-byte cache line: opening and identifying tens of
// thousands of entries walks them all, twice.
struct TResourceInfo {
  std::string Name;  // bytes as stored (Windows-1252)
  std::int32_t UnpackedSize = 0;
  std::int32_t PackedSize = 0;
  std::int32_t Size = 0;
  std::int32_t Offset = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t PaletteId = 0;
  TResourceType ResType = rtUnidentified;
  bool Identified = false;
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

// A set of entry types, one bit each.
constexpr std::uint32_t TypeBit(TResourceType type) {
  return std::uint32_t{1} << type;
}

// Directory geometry of the three families.
inline constexpr std::int64_t kLodDirectoryStart = 288;
inline constexpr std::int64_t kLodRecordSize = 32;
inline constexpr std::int64_t kLodCountOffset = 284;
inline constexpr std::int64_t kLodLengthOffset = 276;
inline constexpr std::int64_t kLodIdentifierOffset = 256;
inline constexpr std::int64_t kSndRecordSize = 52;
inline constexpr std::int64_t kVidRecordSize = 44;
inline constexpr std::int64_t kSndVidDirectoryStart = 4;

// What one kind of container is. Everything that depends on the kind alone reads its row:
// the directory reader, the rebuild, brindle-cli's names and the window's New Container.
struct ContainerKindInfo {
  TContainerKind kind;
  std::string_view name;           // brindle-cli's name: "icons", "snd", ...
  std::string_view lodIdentifier;  // what a LOD archive holds at its identifier; empty for
                                   // the kinds known by their extension
  std::string_view extension;      // ".SND", ".VID": the file is known by it; empty for LODs
  std::int64_t countOffset;        // where the entry count lies
  std::int64_t directoryStart;     // where the first record lies
  std::int64_t recordSize;
  std::size_t nameSize;            // the name field's width: a name may fill it, without a NUL
  std::string_view caption;        // the window's New Container list
  std::string_view fileExtension;  // a new file's, without its dot: "lod", "snd", "vid"
  std::uint32_t imports;           // entry types that batch import replaces (TypeBit)
  std::uint32_t adds;              // entry types made from files by "add" (TypeBit)
  bool storesRawFiles;             // "add" stores any other file as it is
};

// Every kind but ckNone, in the order the window offers them.
std::span<const ContainerKindInfo> ContainerKinds();
// The row of a kind; ckNone (or a value outside the table) has none.
const ContainerKindInfo* FindContainerKind(TContainerKind kind);
// The kind with this brindle-cli name, in any case.
std::optional<TContainerKind> ContainerKindFromName(std::string_view name);

// "vid", "chapter", ... "snd", "none".
std::string_view KindName(TContainerKind kind);

// Upper-cased extension of a name, dot included: the text from the last "." on, unless a
// folder separator follows it. Empty when there is none.
std::string UpperExtension(std::string_view name);

inline bool IsLodKind(TContainerKind kind) {
  const ContainerKindInfo* info = FindContainerKind(kind);
  return info && !info->lodIdentifier.empty();
}

// The first byte after the directory of a container of this kind with count entries.
std::int64_t DirectoryEnd(TContainerKind kind, std::int64_t count);

}  // namespace brindle
