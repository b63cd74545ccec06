#include "viewer/core/formats/palettes.h"

#include <cstdio>
#include <filesystem>

#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/formats/picture.h"

namespace brindle {

ColourTable ReadPaletteEntry(ByteFile& container, const TResourceInfo& entry) {
  return ReadColourTable(container, static_cast<std::int64_t>(entry.Offset) + kLodHeaderSize);
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
  Result<std::string> id = ReadFixedString(lod, kLodIdentifierOffset, 12);
  if (!id || !EqualsIgnoreAsciiCase(*id, "BITMAPS")) return std::nullopt;
  std::vector<TResourceInfo> entries;
  SilentHost quiet;
  if (!ReadDirectory(lod, ckBitmaps, entries, quiet)) return std::nullopt;
  for (const TResourceInfo& e : entries) {
    if (!EqualsIgnoreAsciiCase(e.Name, name)) continue;
    const std::int64_t colours = static_cast<std::int64_t>(e.Offset) + kLodHeaderSize;
    // A palette that would run past the end of the file is damaged, not black.
    if (colours + kPaletteBytes > lod.Size()) return std::nullopt;
    return ReadColourTable(lod, colours);
  }
  return std::nullopt;
}

std::optional<ColourTable> LookUpPalette(const std::string& bitmapsLodPath, std::string_view name) {
  auto file = PosixFile::Open(bitmapsLodPath, FileMode::kReadShared);
  if (!file) return std::nullopt;
  return LookUpPalette(**file, name);
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

}  // namespace brindle
