#include "viewer/core/edit/authoring.h"

#include <algorithm>
#include <set>

#include "common/codepage.h"
#include "viewer/core/formats/new_entries.h"

namespace brindle {

namespace {

Result<std::vector<RebuildItem>> Converted(TContainerKind kind,
                                           const std::vector<std::string>& files) {
  std::vector<RebuildItem> items;
  for (const std::string& path : files) {
    Result<NewEntryFile> made = MakeNewEntry(kind, path);
    if (!made) return made.error();
    items.push_back({made->name, -1, std::move(made->bytes), made->unpackedSize, nullptr});
  }
  return items;
}

}  // namespace

Status AddFiles(TDataFile& dataFile, const std::vector<std::string>& files, CoreHost& host,
                RebuildFiles& io) {
  Result<std::vector<RebuildItem>> added = Converted(dataFile.Kind, files);
  if (!added) return added.error();
  std::vector<RebuildItem> items = KeepEntries(dataFile);
  for (RebuildItem& item : *added)
    items.push_back(std::move(item));
  return RebuildContainer(dataFile, items, host, io);
}

Status RemoveEntries(TDataFile& dataFile, const std::vector<int>& indices, CoreHost& host,
                     RebuildFiles& io) {
  const std::set<int> gone(indices.begin(), indices.end());
  for (int i : gone)
    if (i < 0 || static_cast<std::size_t>(i) >= dataFile.Entries.size())
      return Fail("There is no entry " + std::to_string(i) + " in " + dataFile.FileName + ".");
  std::vector<RebuildItem> items;
  for (RebuildItem& item : KeepEntries(dataFile))
    if (!gone.count(item.source)) items.push_back(std::move(item));
  return RebuildContainer(dataFile, items, host, io);
}

Status RenameEntry(TDataFile& dataFile, int index, const std::string& newName, CoreHost& host,
                   RebuildFiles& io) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  if (const std::string outside = CharsOutside1252(newName); !outside.empty())
    return Fail(UnholdableNameMessage(newName, outside), ErrorKind::kNotSupported);
  const std::string stored = Utf8ToCp1252(newName);
  std::vector<RebuildItem> items = KeepEntries(dataFile);
  items[static_cast<std::size_t>(index)].name = stored;
  return RebuildContainer(dataFile, items, host, io);
}

Result<RebuildSizes> CompactContainer(TDataFile& dataFile, CoreHost& host, RebuildFiles& io) {
  RebuildSizes sizes;
  sizes.before = dataFile.FileSize;
  if (Status r = RebuildContainer(dataFile, KeepEntries(dataFile), host, io); !r) return r.error();
  sizes.after = dataFile.FileSize;
  return sizes;
}

Status CreateContainer(TContainerKind kind, const std::string& path,
                       const std::vector<std::string>& files, CoreHost& host, RebuildFiles& io) {
  if (Status fits = CheckNameFitsKind(kind, path); !fits) return fits;
  Result<std::vector<RebuildItem>> items = Converted(kind, files);
  if (!items) return items.error();
  return WriteNewContainer(kind, path, *items, host, io);
}

}  // namespace brindle
