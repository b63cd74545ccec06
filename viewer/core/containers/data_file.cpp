#include "viewer/core/containers/data_file.h"

#include "common/bytes.h"

namespace brindle {

void ClearDataFile(TDataFile& dataFile) {
  dataFile.FileName.clear();
  dataFile.Kind = ckNone;
  dataFile.FileSize = 0;
  dataFile.Entries.clear();
}

std::string_view KindName(TContainerKind kind) {
  static constexpr std::string_view kNames[] = {"vid",   "chapter", "sprites", "maps",
                                                "icons", "bitmaps", "snd",     "none"};
  return kind <= ckNone ? kNames[kind] : "none";
}

std::string_view ResourceTypeName(TResourceType type) {
  static constexpr std::string_view kNames[] = {
      "text",         "palette", "sprite", "bitmap", "icon",     "iconpcx", "sound",
      "unidentified", "font",    "evt",    "",       "str",      "bin",     "dlv",
      "ddm",          "blv",     "odm",    "pcx",    "partybin", "video"};
  return type <= rtVideo ? kNames[type] : "unidentified";
}

std::optional<TResourceType> ResourceTypeFromName(std::string_view name) {
  if (name.empty()) return std::nullopt;  // the unused code has no name
  for (int t = 0; t <= rtVideo; ++t) {
    const auto type = static_cast<TResourceType>(t);
    if (EqualsIgnoreAsciiCase(ResourceTypeName(type), name)) return type;
  }
  return std::nullopt;
}

std::string UpperExtension(std::string_view name) {
  auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  if (name.find_first_of("/\\:", dot) != std::string_view::npos) return {};
  return UpperAscii(name.substr(dot));
}

std::int64_t DirectoryEnd(TContainerKind kind, std::int64_t count) {
  if (count < 0) count = 0;
  if (kind == ckSnd) return kSndVidDirectoryStart + kSndRecordSize * count;
  if (kind == ckVid) return kSndVidDirectoryStart + kVidRecordSize * count;
  return kLodDirectoryStart + kLodRecordSize * count;
}

}  // namespace brindle
