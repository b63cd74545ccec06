#pragma once
// Replacing one entry of a container in place.
//
// The new bytes go where the placement search says (never over the header, the directory
// or another entry, the replaced one included), then the entry's directory record is
// rewritten and, in a LOD, the length field at 276 (bytes from 288 to the end of the
// file). The writes come in that order with a flush after the new bytes and at the end, so
// the directory never points at bytes that are not on the disk yet. When a write fails,
// what was written is taken back: the old record, the old length field and the old file
// length return, and the container reads exactly as before.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// Each write-back answers with the message to show when it fails: kCannotOpen ("Cannot open
// file %s"), kChanged (the file changed on disk since it was read; nothing written) or
// kWriteFailed (a write failed and was taken back; the container is as it was).
// Where a write-back finds its container: the disk, or a test's stand-in that fails or
// changes the file between the steps.
class ContainerStore {
 public:
  virtual ~ContainerStore() = default;
  // The container opened for writing, locked against everyone else.
  virtual Result<std::unique_ptr<ByteFile>> OpenForWrite(const std::string& path) = 0;
  // Its size and time stamp now, as anyone would see them; nothing when it is gone.
  virtual std::optional<FileStamp> Stat(const std::string& path) = 0;
};
ContainerStore& DiskStore();

// image = the complete new entry (header, payload and, for bitmaps, the palette).
Status WriteBackLodEntry(TDataFile& dataFile, int index, ByteView image, CoreHost& host,
                         ContainerStore& store = DiskStore());
// sound = the bytes of a WAV file; they are stored compressed.
Status WriteBackSndEntry(TDataFile& dataFile, int index, ByteView sound, CoreHost& host,
                         ContainerStore& store = DiskStore());

// An entry's bytes changed in place, keeping their length, by an editor that merges its
// changes into the entry as it is now: patch is given the bytes as they are on disk (read
// under the write lock) and answers the new ones; nothing else in the container changes,
// and a failed write puts the old bytes back. Another program may have changed the
// container since it was read, as long as this entry's directory record, read again under
// the lock, still names the same bytes; patch then refuses, with its own message, what it
// cannot merge. Such a change sets `elsewhere`: the container must then be loaded again,
// and until it is, dataFile's date is unknown and no other write goes ahead.
Status MergeEntryInPlace(TDataFile& dataFile, int index,
                         const std::function<Result<Bytes>(ByteView)>& patch, CoreHost& host,
                         bool& elsewhere, ContainerStore& store = DiskStore());

// The same on a file the caller has opened for writing (tests inject faults here). The
// entry in dataFile and dataFile.FileSize are updated on success; time stamps are the
// caller's business.
Status WriteBackLodEntryTo(ByteFile& file, TDataFile& dataFile, int index, ByteView image,
                           CoreHost& host);
Status WriteBackSndEntryTo(ByteFile& file, TDataFile& dataFile, int index, ByteView sound,
                           CoreHost& host);

// An entry whose bytes lie over the header or the directory is damaged: writing them would
// rewrite the directory. Every write of an entry refuses such an entry (kDamaged).
Status CheckClearOfDirectory(const TDataFile& dataFile, const TResourceInfo& entry);

// The 32-byte LOD record and the 52-byte SND record as the write-backs write them.
Bytes BuildLodRecord(const std::string& name, std::int64_t position, std::int64_t size);
Bytes BuildSndRecord(const std::string& name, std::int64_t position, std::int64_t packed,
                     std::int64_t unpacked);

}  // namespace brindle
