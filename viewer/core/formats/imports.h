#pragma once
// The imports the entry types offer (their rows' import, entry_types.h), as one map the
// batch import takes, so that a caller may put others in their place: each replaces an
// entry of the open container with a file converted for that type.

#include <functional>
#include <map>
#include <string>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// Replaces entry `index` from the file at path; the error says why it could not.
// sameSize: the picture must keep the entry's width and height (bitmaps only).
using ImportConverter = std::function<Status(
    TDataFile& dataFile, int index, const std::string& path, bool sameSize, CoreHost& host)>;
using ImportConverters = std::map<TResourceType, ImportConverter>;

// Every import the entry types have: bitmaps and icons, texts and sounds.
ImportConverters CoreImportConverters();

}  // namespace brindle
