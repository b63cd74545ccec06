#pragma once
// The window's filter box: which entries a typed text keeps. Words are parts of names (any
// ASCII case); "type:NAME" words keep the entries of that type (the names of brindle-cli
// list). A name must hold every word, and its type be one of the types when any are given.

#include <string>
#include <string_view>
#include <vector>

#include "viewer/core/containers/data_file.h"

namespace brindle {

struct EntryFilter {
  std::vector<std::string> words;    // upper case, as typed otherwise
  std::vector<TResourceType> types;  // any of these
  bool unknownType = false;          // a "type:" word that names no type keeps nothing

  bool KeepsAll() const { return words.empty() && types.empty() && !unknownType; }
  bool NeedsTypes() const { return !types.empty(); }
};

EntryFilter ParseEntryFilter(std::string_view text);

// True when the entry passes. Types are compared as they stand: identify the entries first
// when the filter needs them.
bool EntryPasses(const EntryFilter& filter, const TResourceInfo& entry);

// The indices of the entries that pass, in directory order. Entries are identified (reading
// the container) only when the filter asks for types.
std::vector<int> KeptEntries(TDataFile& dataFile, const EntryFilter& filter);

}  // namespace brindle
