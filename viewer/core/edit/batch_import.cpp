#include "viewer/core/edit/batch_import.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

namespace {

bool KindTakesImports(TContainerKind kind) {
  const ContainerKindInfo* info = FindContainerKind(kind);
  return info && info->imports != 0;
}

}  // namespace

std::string BatchSummaryText(const BatchSummary& summary) {
  std::string text = std::to_string(summary.imported) +
                     (summary.imported == 1 ? " file imported, " : " files imported, ") +
                     std::to_string(summary.refused) + " failed";
  if (!summary.unmatched.empty())
    text += ", " + std::to_string(summary.unmatched.size()) + " matched no entry";
  return text;
}

Result<ImportMatches> MatchImportFiles(TDataFile& dataFile, const std::vector<std::string>& files) {
  ImportMatches result;
  // Names as the user sees them: file names are UTF-8 here, entry names Windows-1252.
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const std::string& f : files)
    names.push_back(UpperAscii(BaseName(f)));
  std::vector<bool> matched(files.size(), false);
  // Every file of the name counts as matched, though only the first is imported.
  auto claim = [&](const std::string& name) {
    for (std::size_t k = 0; k < names.size(); ++k)
      if (names[k] == name) matched[k] = true;
  };
  std::unique_ptr<PosixFile> container;
  auto identify = [&](int index) -> Status {
    if (!container) {
      Result<std::unique_ptr<PosixFile>> file =
          OpenContainerFile(dataFile.FileName, FileMode::kReadShared);
      if (!file) return file.error();
      container = std::move(*file);
    }
    return IdentifyEntry(dataFile, index, *container);
  };

  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i) {
    const std::string wanted = UpperAscii(Cp1252ToUtf8(dataFile.Entries[i].Name));
    const int index = static_cast<int>(i);
    auto match = std::find(names.begin(), names.end(), wanted);
    if (match == names.end() && UpperExtension(wanted).empty()) {
      // An extracted file: the entry's name and the extension of its type, if a file is
      // named like that at all (only then is the entry's type worth finding out).
      const std::string stem = wanted + ".";
      const bool anyNamedSo = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        return n.size() > stem.size() && n.compare(0, stem.size(), stem) == 0;
      });
      if (anyNamedSo) {
        if (Status read = identify(index); !read) return read.error();
        const std::string_view ext = ExportExtension(dataFile.Entries[i].ResType);
        if (!ext.empty())
          match = std::find(names.begin(), names.end(), stem + UpperAscii(std::string(ext)));
      }
    }
    if (match == names.end()) continue;
    claim(*match);
    if (Status read = identify(index); !read) return read.error();
    result.matches.push_back({index, files[static_cast<std::size_t>(match - names.begin())]});
  }
  for (std::size_t k = 0; k < files.size(); ++k)
    if (!matched[k]) result.unmatched.push_back(files[k]);
  return result;
}

Result<BatchSummary> BatchImport(TDataFile& dataFile, const std::vector<std::string>& files,
                                 const ImportConverters& converters, CoreHost& host) {
  if (dataFile.FileName.empty()) return Fail("Data file must be loaded first!");
  if (!KindTakesImports(dataFile.Kind))
    return Fail("Importing into current data file not implemented!", ErrorKind::kNotSupported);
  Result<ImportMatches> matches = MatchImportFiles(dataFile, files);
  if (!matches) return matches.error();
  BatchSummary summary;
  summary.unmatched = std::move(matches->unmatched);
  for (const ImportMatch& m : matches->matches) {
    const auto i = static_cast<std::size_t>(m.index);
    const std::string name = UpperAscii(BaseName(m.file));
    if (!EntryInsideFile(dataFile.Entries[i], dataFile.FileSize)) {
      host.Message(OutsideFileMessage(dataFile.Entries[i], dataFile.FileSize));
      ++summary.refused;
      continue;
    }
    const TResourceType type = dataFile.Entries[i].ResType;
    if ((FindContainerKind(dataFile.Kind)->imports & TypeBit(type)) == 0) {
      host.Message("Importing of file " + name + " format not implemented!");
      ++summary.refused;
      continue;
    }
    auto convert = converters.find(type);
    if (convert == converters.end() || !convert->second) {
      host.Message("Importing for current file format not implemented!");
      ++summary.refused;
      continue;
    }
    Status imported = convert->second(dataFile, m.index, m.file, EntryTypeOf(type).keepsSize, host);
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
