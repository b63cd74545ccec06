#include "viewer/core/formats/new_entries.h"

#include <filesystem>

#include "common/codepage.h"
#include "common/file.h"
#include "common/wav.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/texts.h"

namespace brindle {

std::string UnholdableNameMessage(const std::string& name, const std::string& outside) {
  return "The name " + name + " holds characters an entry name cannot hold: " + outside + ".";
}

Result<NewEntryFile> MakeNewEntry(TContainerKind kind, const std::string& path) {
  const std::filesystem::path p(path);
  const std::string ext = UpperExtension(p.filename().string());
  NewEntryFile made;
  // A name the directory cannot hold would be stored with '?' in place of its characters.
  if (const std::string outside = CharsOutside1252(p.filename().string()); !outside.empty())
    return Fail(UnholdableNameMessage(p.filename().string(), outside), ErrorKind::kNotSupported);
  made.name = Utf8ToCp1252(p.filename().string());
  if (ext == ".BMP" && (kind == ckBitmaps || kind == ckIcons)) {
    Result<Picture> picture = ReadImportPicture(path);
    if (!picture) return picture.error();
    if (picture->width > 0xFFFF || picture->height > 0xFFFF)
      return Fail("Image file " + BaseName(path) +
                  " is too large: a bitmap entry holds at most 65535 x 65535 pixels!");
    made.name = Utf8ToCp1252(p.stem().string());
    made.bytes = BuildBitmapEntry(made.name, *picture);
    return made;
  }
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  if (kind == ckSnd) {
    if (ext != ".WAV" || !ReadWav(*read))
      return Fail(
          "File " + BaseName(path) + " is no WAV file: a sound container holds sounds only.",
          ErrorKind::kNotSupported);
    made.name = Utf8ToCp1252(p.stem().string());
    made.unpackedSize = static_cast<std::int32_t>(read->size());
    made.bytes = BuildCompressedPayload(*read);
    return made;
  }
  if (ext == ".TXT" && IsLodKind(kind)) {
    TResourceInfo entry;
    entry.Name = made.name;
    entry.UnpackedSize = 1;  // stored compressed, as the game's own tables are
    made.bytes = BuildTextEntry(entry, *read);
    return made;
  }
  made.bytes = std::move(*read);
  return made;
}

}  // namespace brindle
