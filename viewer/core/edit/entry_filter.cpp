#include "viewer/core/edit/entry_filter.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {

EntryFilter ParseEntryFilter(std::string_view text) {
  EntryFilter f;
  constexpr std::string_view kTypePrefix = "TYPE:";
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t", pos);
    if (start == std::string_view::npos) break;
    std::size_t end = text.find_first_of(" \t", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string word = UpperAscii(text.substr(start, end - start));
    pos = end;
    if (word.rfind(kTypePrefix, 0) != 0) {
      f.words.push_back(word);
    } else if (word.size() == kTypePrefix.size()) {
      continue;  // "type:" still being typed: no narrowing yet
    } else if (auto type =
                   ResourceTypeFromName(std::string_view(word).substr(kTypePrefix.size()))) {
      f.types.push_back(*type);
    } else {
      f.unknownType = true;
    }
  }
  return f;
}

bool EntryPasses(const EntryFilter& filter, const TResourceInfo& entry) {
  if (filter.unknownType) return false;
  if (!filter.types.empty() &&
      std::find(filter.types.begin(), filter.types.end(), entry.ResType) == filter.types.end())
    return false;
  if (filter.words.empty()) return true;
  const std::string name = UpperAscii(Cp1252ToUtf8(entry.Name));
  return std::all_of(filter.words.begin(), filter.words.end(),
                     [&](const std::string& w) { return name.find(w) != std::string::npos; });
}

std::vector<int> KeptEntries(TDataFile& dataFile, const EntryFilter& filter) {
  if (filter.NeedsTypes() && !filter.unknownType) {
    if (auto file = PosixFile::Open(dataFile.FileName, FileMode::kReadShared))
      // Entries whose headers cannot be read keep the type they had: the filter shows what
      // is known.
      (void)IdentifyAll(dataFile, **file);
  }
  std::vector<int> kept;
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i) {
    if (EntryPasses(filter, dataFile.Entries[i])) kept.push_back(static_cast<int>(i));
  }
  return kept;
}

}  // namespace brindle
