#pragma once
// Recognising a container and reading its directory into the model.
//
// LOD archives: identifier text at 256 (12 bytes), record count at 284 (i32), then
//   32-byte records from 288: name[16], offset from 288 (i32), size (i32), 8 unused bytes.
// SND: count at 0 (i32), 52-byte records from 4: name[40], offset (i32), stored size (i32),
//   unpacked size (i32, 0 = stored raw).
// VID: count at 0 (i32), 44-byte records from 4: name[40], offset (i32). Entries lie back
//   to back, so a size is the distance to the next entry (the last runs to the end).
//
// Counts come from the file and are trusted only as far as the file reaches: records that
// would lie past its end are not read.

#include <cstdint>
#include <memory>
#include <string>

#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// Recognises the container at path and, on success, replaces dataFile with its directory.
// On failure dataFile is left exactly as it was and the error is kCannotOpen ("Cannot open
// file %s", "%s is not a regular file"), kInUse, kReadFailed ("Cannot read file %s: REASON")
// or kNotRecognised ("Not a recognised data file: %s", a LOD whose identifier is none of the
// five).
Status OpenContainer(TDataFile& dataFile, const std::string& path, CoreHost& host);
// The same on a file the caller has opened (and keeps reading from).
Status ReadContainer(TDataFile& dataFile, ByteFile& file, const std::string& path, CoreHost& host);

// The kind a file would open as, from its extension and identifier; ckNone when unknown.
// A read that fails is an error (kReadFailed), never a file of no kind.
Result<TContainerKind> RecogniseContainer(ByteFile& file, const std::string& path);

// Reads the directory of an already open file of the given kind into entries (replacing
// them); progress goes to the host's bar. A read that fails is an error, never a shorter
// directory.
Status ReadDirectory(ByteFile& file, TContainerKind kind, std::vector<TResourceInfo>& entries,
                     CoreHost& host);

// The text of n bytes at offset up to the first NUL among them (the end of the file ends it
// too); a read that fails is an error.
Result<std::string> ReadFixedString(ByteFile& file, std::int64_t offset, std::size_t n);

// "Cannot open file " + path.
std::string CannotOpenMessage(const std::string& path);

// Opens a container file: a lock another program holds fails with "File PATH is in use by
// another program." (kInUse), a file that is not a regular one with "PATH is not a regular
// file", anything else with CannotOpenMessage (kCannotOpen; for writing with " for writing:
// REASON" after it). Every step that opens the container says it the same way.
Result<std::unique_ptr<PosixFile>> OpenContainerFile(const std::string& path, FileMode mode);

// A container read and kept open for reading: the directory and the entries' bytes come
// from the one file.
struct OpenedContainer {
  TDataFile dataFile;
  std::unique_ptr<PosixFile> file;
};
// Opens the container as the window does and reads its directory into `opened`.
Status OpenForReading(const std::string& path, OpenedContainer& opened, CoreHost& host);

}  // namespace brindle
