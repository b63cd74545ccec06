#pragma once
// Deciding an entry's type from the container kind, the extension of its name and a few
// header fields. Types are decided lazily and kept until a write-back replaces the entry.

#include <cstdint>

#include "common/bytes.h"
#include "common/file.h"
#include "viewer/core/containers/data_file.h"

namespace brindle {

// Header bytes the tests read: everything lies within the first 50 bytes of an entry.
inline constexpr std::size_t kIdentifyHeaderBytes = 50;

// Applies the rules of `kind` to one entry whose first bytes (zero past the end of the
// file) are `header`. Returns true when a rule matched; the entry is then filled in.
bool IdentifyFromHeader(TContainerKind kind, TResourceInfo& entry, ByteView header);

// Gives entry `index` its type unless it has one. Opens the container for reading; an
// entry of a container that cannot be opened stays unidentified.
void IdentifyEntry(TDataFile& dataFile, int index);
// The same on a file the caller has open; a read that fails is an error and the entry stays
// as it was.
Status IdentifyEntry(TDataFile& dataFile, int index, ByteFile& file);

// Identifies every entry not yet identified, reading the headers in as few reads as the
// layout allows (neighbouring headers share one read). A read that fails is an error; the
// entries identified before it keep their types.
Status IdentifyAll(TDataFile& dataFile, ByteFile& file);

}  // namespace brindle
