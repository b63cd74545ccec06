#pragma once
// A file made into a new entry of a container, as the import of that kind converts it: an
// 8-bit BMP becomes a bitmap in BITMAPS and ICONS archives, a WAV a compressed sound in a
// SND container, a .txt a text table in a LOD; any other file is stored as it is where the
// kind holds raw entries (LOD archives and movie containers).

#include <string>

#include "common/bytes.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {

// A file whose name holds characters Windows-1252 cannot is refused (kNotSupported), as is
// one that cannot be read (the read's own error).
Result<NewEntryFile> MakeNewEntry(TContainerKind kind, const std::string& path);

// "The name NAME holds characters an entry name cannot hold: C1 C2." (both in UTF-8).
std::string UnholdableNameMessage(const std::string& name, const std::string& outside);

}  // namespace brindle
