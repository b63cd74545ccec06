#pragma once
// Changing which entries a container holds: adding files, removing and renaming entries,
// rebuilding without the bytes nothing points to, and making a new container. Each is one
// rebuild (edit/rebuild.h): the container on disk is the old one or the new one, whole.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/rebuild.h"
#include "viewer/core/host.h"

namespace brindle {

// The files converted as the import of the container's kind would, added after the
// entries it holds. A file that cannot be converted, or whose name is taken, stops the
// whole addition before anything is written.
Status AddFiles(TDataFile& dataFile, const std::vector<std::string>& files, CoreHost& host,
                RebuildFiles& io = DiskRebuildFiles());
Status RemoveEntries(TDataFile& dataFile, const std::vector<int>& indices, CoreHost& host,
                     RebuildFiles& io = DiskRebuildFiles());
// newName in UTF-8; the directory record takes it, the entry's bytes stay as they are.
Status RenameEntry(TDataFile& dataFile, int index, const std::string& newName, CoreHost& host,
                   RebuildFiles& io = DiskRebuildFiles());

struct RebuildSizes {
  std::int64_t before = 0;
  std::int64_t after = 0;
};
Result<RebuildSizes> CompactContainer(TDataFile& dataFile, CoreHost& host,
                                      RebuildFiles& io = DiskRebuildFiles());

// A new container of the kind (ContainerKindFromName reads brindle-cli's names).
Status CreateContainer(TContainerKind kind, const std::string& path,
                       const std::vector<std::string>& files, CoreHost& host,
                       RebuildFiles& io = DiskRebuildFiles());

}  // namespace brindle
