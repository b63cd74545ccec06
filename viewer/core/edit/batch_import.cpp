#include "viewer/core/edit/batch_import.h"

#include <algorithm>
#include <array>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"

namespace brindle {

namespace {

// What each kind of container takes: the entry type and the size rule.
struct ImportRule {
  TContainerKind kind;
  TResourceType type;
  bool sameSize;
};

constexpr std::array<ImportRule, 4> kImportRules = {{
    {ckIcons, rtIcon, false},
    {ckIcons, rtText, false},
    {ckBitmaps, rtBitmap, true},
    {ckSnd, rtSound, false},
}};

bool KindTakesImports(TContainerKind kind) {
  return std::any_of(kImportRules.begin(), kImportRules.end(),
                     [&](const ImportRule& r) { return r.kind == kind; });
}

}  // namespace

Result<BatchSummary> BatchImport(TDataFile& dataFile, const std::vector<std::string>& files,
                                 const ImportConverters& converters, CoreHost& host) {
  if (dataFile.FileName.empty()) return Fail("Data file must be loaded first!");
  BatchSummary summary;
  // Names as the user sees them: file names are UTF-8 here, entry names Windows-1252.
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const std::string& f : files)
    names.push_back(UpperAscii(BaseName(f)));

  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i) {
    const std::string wanted = UpperAscii(Cp1252ToUtf8(dataFile.Entries[i].Name));
    auto match = std::find(names.begin(), names.end(), wanted);
    if (match == names.end()) continue;
    const std::string& path = files[static_cast<std::size_t>(match - names.begin())];
    const int index = static_cast<int>(i);

    {
      // Held only while identifying: the import takes the write lock itself.
      Result<std::unique_ptr<PosixFile>> file =
          OpenContainerFile(dataFile.FileName, FileMode::kReadShared);
      if (!file) return file.error();
      if (Status read = IdentifyEntry(dataFile, index, **file); !read) return read.error();
    }
    if (!KindTakesImports(dataFile.Kind))
      return Fail("Importing into current data file not implemented!", ErrorKind::kNotSupported);
    if (!EntryInsideFile(dataFile.Entries[i], dataFile.FileSize)) {
      host.Message(OutsideFileMessage(dataFile.Entries[i], dataFile.FileSize));
      ++summary.refused;
      continue;
    }
    const TResourceType type = dataFile.Entries[i].ResType;
    auto rule = std::find_if(kImportRules.begin(), kImportRules.end(), [&](const ImportRule& r) {
      return r.kind == dataFile.Kind && r.type == type;
    });
    if (rule == kImportRules.end()) {
      host.Message("Importing of file " + *match + " format not implemented!");
      ++summary.refused;
      continue;
    }
    auto convert = converters.find(type);
    if (convert == converters.end() || !convert->second) {
      host.Message("Importing for current file format not implemented!");
      ++summary.refused;
      continue;
    }
    Status imported = convert->second(dataFile, index, path, rule->sameSize, host);
    // Another program holding the container stops the whole batch, not just this file.
    if (!imported && imported.kind() == ErrorKind::kInUse) return imported.error();
    if (imported) {
      ++summary.imported;
    } else {
      host.Message(imported.message());
      ++summary.refused;
    }
  }
  return summary;
}

}  // namespace brindle
