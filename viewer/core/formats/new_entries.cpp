#include "viewer/core/formats/new_entries.h"

#include <filesystem>

#include "common/codepage.h"
#include "common/file.h"

namespace brindle {

std::string UnholdableNameMessage(const std::string& name, const std::string& outside) {
  return "The name " + name + " holds characters an entry name cannot hold: " + outside + ".";
}

Result<NewEntryFile> MakeNewEntry(TContainerKind kind, const std::string& path) {
  const std::filesystem::path p(path);
  // A name the directory cannot hold would be stored with '?' in place of its characters.
  if (const std::string outside = CharsOutside1252(p.filename().string()); !outside.empty())
    return Fail(UnholdableNameMessage(p.filename().string(), outside), ErrorKind::kNotSupported);
  const ContainerKindInfo* container = FindContainerKind(kind);
  const std::uint32_t adds = container ? container->adds : 0;
  const std::string ext = UpperExtension(p.filename().string());
  for (const EntryType& type : EntryTypes()) {
    if (!type.add || (adds & TypeBit(type.type)) == 0) continue;
    // A kind that stores no file as it is sends every file to its type, to be refused there.
    if (ext == type.addFrom || (container && !container->storesRawFiles)) return type.add(path);
  }
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  NewEntryFile made;
  made.name = Utf8ToCp1252(p.filename().string());
  made.bytes = std::move(*read);
  return made;
}

}  // namespace brindle
