#pragma once
// Writing a container anew: every entry packed tightly after the directory, in the order
// given, each either copied byte for byte from the open container or new bytes. The new file
// is written beside the container under a name of its own, pushed to the disk, read back,
// and only then renamed over the container, so at every moment the container on disk is
// either the old one or the new one, whole.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// A new entry's bytes that are not held in memory but handed over a piece at a time while
// the container is written (a patch's entries, read from its zip as they are needed), so a
// rebuild's memory does not grow with them. Whoever pours them checks them on the way: an
// error stops the write, and the container stays as it was.
class EntryStream {
 public:
  virtual ~EntryStream() = default;
  // The bytes Pour hands over, exactly; more or fewer fail the write.
  virtual std::int64_t Size() const = 0;
  // Hands every byte to put, in order; the first error (its own or put's) is the result.
  virtual Status Pour(const std::function<Status(ByteView)>& put) = 0;
};

struct RebuildItem {
  std::string name;               // as stored (Windows-1252)
  int source = -1;                // an entry of the open container whose stored bytes are copied
  Bytes bytes;                    // otherwise: the new entry exactly as it is to be stored
  std::int32_t unpackedSize = 0;  // SND only, new bytes: the size once inflated (0: raw)
  std::shared_ptr<EntryStream> stream;  // when set, the new entry's bytes instead of `bytes`
};

// The open container's entries as they are: a rebuild of this list drops only the bytes no
// record points to.
std::vector<RebuildItem> KeepEntries(const TDataFile& dataFile);

// The longest name a kind's directory record holds: its whole field (16 in a LOD, 40 in a SND
// or VID); a name that fills it is stored without a terminating zero.
std::size_t MaxEntryName(TContainerKind kind);
// Every name given (a new entry's, a renamed one's) must be non-empty, fit the kind's field
// and differ from every other entry's in any case. Entries copied from old keep their stored
// names as they are, whatever they are.
Status CheckEntryNames(TContainerKind kind, const std::vector<RebuildItem>& items,
                       const TDataFile* old);

// Where the rebuild finds its files: the disk, or a test's stand-in that fails a step.
class RebuildFiles {
 public:
  virtual ~RebuildFiles() = default;
  // The container, locked against everyone else while the rebuild runs.
  virtual Result<std::unique_ptr<ByteFile>> OpenSource(const std::string& path) = 0;
  // A new file beside the container; *tempPath receives its name.
  virtual Result<std::unique_ptr<ByteFile>> CreateTemp(const std::string& container,
                                                       std::string* tempPath) = 0;
  // The finished file put in the container's place in one step. A folder that could not be
  // pushed to the disk afterwards is kUnverified: the file is in place all the same.
  virtual Status Replace(const std::string& tempPath, const std::string& container) = 0;
  // The same for a new container, never over a file another program made meanwhile
  // (kChanged).
  virtual Status PlaceNew(const std::string& tempPath, const std::string& container) {
    return PlaceNewFile(tempPath, container);
  }
  // The file a path names now; nothing when it names none.
  virtual std::optional<FileStamp> Stat(const std::string& path) { return StatPath(path); }
  virtual void Remove(const std::string& tempPath) = 0;
};
RebuildFiles& DiskRebuildFiles();

// Rewrites the open container from items (the lock and the changed-on-disk check of the
// imports apply) and reads it again into dataFile. The host hears the progress by bytes
// written, and may stop the write between pieces (kCancelled, the container as it was). On failure
// the container is as it was and no new file is left behind, except for kUnverified: the new
// container is in place, but it could not be made lasting or read again (the message says which).
//
// The container is locked, and it is replaced only while its path still names the file that
// was read, unchanged (size, time stamp, device, inode), else kChanged and the container is
// left as the other program left it. A symbolic link stays a link: its target is rewritten.
// The new file keeps the old one's permissions, owner and group.
Status RebuildContainer(TDataFile& dataFile, const std::vector<RebuildItem>& items, CoreHost& host,
                        RebuildFiles& files = DiskRebuildFiles());

// A new container of kind may be named path: .snd and .vid files are read as those kinds by
// their extension, so a SND must end in .snd, a VID in .vid, and a LOD in neither.
Status CheckNameFitsKind(TContainerKind kind, const std::string& path);

// Writes a new container of kind at path from items (all new bytes); refuses a path that
// exists already, or that another program makes while it is written (kChanged). The file
// gets the usual permissions of a new file under the umask.
Status WriteNewContainer(TContainerKind kind, const std::string& path,
                         const std::vector<RebuildItem>& items, CoreHost& host,
                         RebuildFiles& files = DiskRebuildFiles());

}  // namespace brindle
