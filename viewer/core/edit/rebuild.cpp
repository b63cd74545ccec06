#include "viewer/core/edit/rebuild.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <utility>

#include "common/codepage.h"
#include "common/name_index.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::int64_t kWritebackStep = 8 << 20;
// Runs of copied entries at least this long are copied file to file by the system.
constexpr std::int64_t kDirectRun = 4 << 20;

// The kind's row; every caller has a real kind.
const ContainerKindInfo& KindRow(TContainerKind kind) {
  return *FindContainerKind(kind);
}

// Where each item goes, and its stored size.
struct Placed {
  std::int64_t offset = 0;
  std::int64_t size = 0;
};

// What a failed run says: an existing container is as it was, a new one was never made.
Error CannotWrite(const std::string& path, const std::string& why, bool isNew,
                  ErrorKind kind = ErrorKind::kWriteFailed) {
  return Fail("Cannot write file " + path + " (" + why + ").  " +
                  (isNew ? "Nothing was created." : "The container was left as it was."),
              kind);
}

// The header and directory of the new file, every byte set: a buffer the size of the
// directory (tens of thousands of records) is not cleared first only to be written over.
struct Head {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t size = 0;
};

// A LOD keeps its old header but for the length and count fields; copied entries keep their
// record's other bytes.
Result<Head> BuildHead(TContainerKind kind, ByteFile* source, const TDataFile* old,
                       const std::vector<RebuildItem>& items, const std::vector<Placed>& at,
                       std::int64_t total) {
  const ContainerKindInfo& row = KindRow(kind);
  const std::int64_t start = row.directoryStart, rec = row.recordSize;
  Head out;
  out.size = static_cast<std::size_t>(start + rec * static_cast<std::int64_t>(items.size()));
  out.bytes.reset(new std::uint8_t[out.size]);
  std::uint8_t* const head = out.bytes.get();
  std::fill_n(head, start, 0);
  if (IsLodKind(kind)) {
    if (source) {
      Status read = source->ReadExact(0, head, static_cast<std::size_t>(kLodDirectoryStart));
      if (!read) return read.error();
    } else {
      std::copy(row.lodIdentifier.begin(), row.lodIdentifier.end(), head + kLodIdentifierOffset);
    }
    PutU32(head + kLodLengthOffset, static_cast<std::uint32_t>(total - kLodDirectoryStart));
    PutU32(head + kLodCountOffset, static_cast<std::uint32_t>(items.size()));
  } else {
    PutU32(head, static_cast<std::uint32_t>(items.size()));
  }
  // The old records, read in one go: copied entries keep their bytes.
  std::unique_ptr<std::uint8_t[]> records;
  std::size_t recordBytes = 0;
  if (source && old && !old->Entries.empty()) {
    recordBytes = static_cast<std::size_t>(rec * static_cast<std::int64_t>(old->Entries.size()));
    records.reset(new std::uint8_t[recordBytes]);
    if (Status read = source->ReadExact(start, records.get(), recordBytes); !read)
      return read.error();
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::uint8_t* r = head + static_cast<std::size_t>(start + rec * static_cast<std::int64_t>(i));
    const RebuildItem& item = items[i];
    if (item.source >= 0 && records) {
      const auto from = static_cast<std::size_t>(rec * item.source);
      if (from + static_cast<std::size_t>(rec) > recordBytes)
        return Fail("There is no entry " + std::to_string(item.source) + " to copy.");
      std::copy_n(records.get() + from, rec, r);
    } else if (kind == ckSnd) {
      const Bytes b = BuildSndRecord(item.name, at[i].offset, at[i].size, item.unpackedSize);
      std::copy(b.begin(), b.end(), r);
    } else {
      std::fill_n(r, rec, 0);
    }
    const std::size_t nameField = row.nameSize;
    std::fill_n(r, nameField, 0);
    std::copy_n(item.name.begin(), std::min(item.name.size(), nameField), r);
    if (IsLodKind(kind)) {
      PutU32(r + 16, static_cast<std::uint32_t>(at[i].offset - kLodDirectoryStart));
      PutU32(r + 20, static_cast<std::uint32_t>(at[i].size));
    } else {
      PutU32(r + 40, static_cast<std::uint32_t>(at[i].offset));
      if (kind == ckSnd && item.source >= 0) PutU32(r + 44, static_cast<std::uint32_t>(at[i].size));
    }
  }
  return out;
}

// Copies n bytes from one file to another, in chunks, so memory does not grow with entries
// and the user may stop it between them. Where both are files on disk the system copies
// them itself. A read that fails or comes back short is an error like a failed write.
Status CopyBytes(ByteFile& from, std::int64_t fromAt, ByteFile& to, std::int64_t toAt,
                 std::int64_t n, Bytes& buffer, const std::function<Status(std::int64_t)>& done) {
  bool direct = true;
  while (n > 0) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::int64_t>(n, kCopyChunk));
    if (direct) {
      Result<bool> copied = from.CopyTo(fromAt, to, toAt, step);
      if (!copied) return copied.error();
      direct = *copied;
      if (!direct) continue;  // copied here instead
    } else {
      if (buffer.empty()) buffer.resize(kCopyChunk);
      if (Status s = from.ReadExact(fromAt, buffer.data(), step); !s) return s;
      if (Status s = to.WriteAt(toAt, buffer.data(), step); !s) return s;
    }
    fromAt += static_cast<std::int64_t>(step);
    toAt += static_cast<std::int64_t>(step);
    n -= static_cast<std::int64_t>(step);
    if (Status s = done(static_cast<std::int64_t>(step)); !s) return s;
  }
  return Ok();
}

// The new file reads back with exactly the planned directory.
Status ReadsBack(ByteFile& file, TContainerKind kind, const std::vector<RebuildItem>& items,
                 const std::vector<Placed>& at, std::int64_t total) {
  const Error differs = Fail("it did not read back as written", ErrorKind::kWriteFailed);
  if (file.Size() != total) return differs;
  std::vector<TResourceInfo> entries;
  SilentHost quiet;
  if (Status s = ReadDirectory(file, kind, entries, quiet); !s) return s;
  if (entries.size() != items.size()) return differs;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (entries[i].Name != items[i].name || entries[i].Offset != at[i].offset ||
        entries[i].Size != at[i].size)
      return differs;
  }
  return Ok();
}

// The path names the file we hold, and neither has changed since it was read: size, time
// stamp, device and inode all as they were.
bool StillTheFileRead(RebuildFiles& files, const std::string& path, ByteFile& source,
                      const FileStamp& read) {
  const std::optional<FileStamp> now = files.Stat(path);
  return now && SameFileUnchanged(*now, read) && SameFileUnchanged(StampOf(source), read);
}

Error ChangedWhileRebuilt(const std::string& path) {
  return Fail("File " + path +
                  " was changed by another program while it was rewritten.  It was left as that "
                  "program left it; load it again and check it.",
              ErrorKind::kChanged);
}

// What goes after the directory, gathered in one buffer and written in pieces that end on
// whole chunks of the file. Entries copied a few at a time between new ones (a patch of
// a thousand small changes) cost one read and one write a chunk, not two calls an entry;
// and the disk is handed whole pages, where bytes copied by the system in short runs around
// new ones leave it many part-filled pages to write back (half as slow again to flush).
class Gather {
 public:
  Gather(ByteFile& out, std::int64_t at, std::function<Status(std::int64_t)> written)
      : out_(out), at_(at), written_(std::move(written)) {}

  Status Put(const std::uint8_t* p, std::size_t n) {
    return Fill(static_cast<std::int64_t>(n), [&p](std::uint8_t* to, std::size_t step) {
      std::copy_n(p, step, to);
      p += step;
      return Ok();
    });
  }

  // n bytes of `from`, read straight into the buffer.
  Status Copy(ByteFile& from, std::int64_t fromAt, std::int64_t n) {
    return Fill(n, [&](std::uint8_t* to, std::size_t step) {
      Status read = from.ReadExact(fromAt, to, step);
      fromAt += static_cast<std::int64_t>(step);
      return read;
    });
  }

  Status Flush() {
    if (fill_ == 0) return Ok();
    if (Status s = out_.WriteAt(at_, Buffer(), fill_); !s) return s;
    const auto n = static_cast<std::int64_t>(fill_);
    at_ += n;
    fill_ = 0;
    return written_(n);
  }

  // Bytes written past the buffer (by the caller, after a Flush).
  void Skip(std::int64_t n) { at_ += n; }

 private:
  // n bytes in pieces that fit what is left of the chunk, each filled in place by `take`.
  template <class Take>
  Status Fill(std::int64_t n, Take take) {
    while (n > 0) {
      const auto step =
          static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(Room())));
      if (Status s = take(Buffer() + fill_, step); !s) return s;
      fill_ += step;
      n -= static_cast<std::int64_t>(step);
      if (Room() == 0)
        if (Status s = Flush(); !s) return s;
    }
    return Ok();
  }

  // Up to the end of the chunk the gathered bytes lie in.
  std::size_t Room() const {
    const std::int64_t chunkEnd = (at_ / kCopyChunk + 1) * kCopyChunk;
    return static_cast<std::size_t>(chunkEnd - at_) - fill_;
  }
  std::uint8_t* Buffer() {
    if (buffer_.empty()) buffer_.resize(kCopyChunk);
    return buffer_.data();
  }

  ByteFile& out_;
  std::int64_t at_;
  std::function<Status(std::int64_t)> written_;
  Bytes buffer_;
  std::size_t fill_ = 0;
};

// Writes every item after the directory: new bytes as they are, copied entries from the
// source, those that lie back to back in both files as one run. A long run is copied by the
// system file to file; the rest is gathered. The progress goes by bytes written.
Status WriteItems(ByteFile* source, const TDataFile* old, ByteFile& out,
                  const std::vector<RebuildItem>& items, const std::vector<Placed>& at,
                  std::int64_t total, CoreHost& host) {
  ProgressReporter progress(host);
  const std::int64_t first = at.empty() ? total : at.front().offset;
  std::int64_t written = 0, handedToDisk = first;
  auto advance = [&](std::int64_t n) -> Status {
    written += n;
    progress.Step(written, total - first);
    // The disk writes what is done while the rest is copied: the flush at the end waits less.
    if (first + written - handedToDisk >= kWritebackStep) {
      out.StartWriteback(handedToDisk, first + written - handedToDisk);
      handedToDisk = first + written;
    }
    if (host.CancelRequested()) return Fail("cancelled", ErrorKind::kCancelled);
    return Ok();
  };
  Gather gather(out, first, advance);
  Bytes buffer;
  std::int64_t runFrom = -1, runTo = 0, runLength = 0;
  auto flushRun = [&]() -> Status {
    if (runLength == 0) return Ok();
    const std::int64_t n = std::exchange(runLength, 0);
    if (n < kDirectRun) return gather.Copy(*source, runFrom, n);
    if (Status s = gather.Flush(); !s) return s;
    gather.Skip(n);
    return CopyBytes(*source, runFrom, out, runTo, n, buffer, advance);
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RebuildItem& item = items[i];
    if (item.source >= 0) {
      const std::int64_t from = old->Entries[static_cast<std::size_t>(item.source)].Offset;
      if (runLength > 0 && from == runFrom + runLength && at[i].offset == runTo + runLength) {
        runLength += at[i].size;
        continue;
      }
      if (Status s = flushRun(); !s) return s;
      runFrom = from;
      runTo = at[i].offset;
      runLength = at[i].size;
      continue;
    }
    if (Status s = flushRun(); !s) return s;
    if (!item.stream) {
      if (Status s = gather.Put(item.bytes.data(), item.bytes.size()); !s) return s;
      continue;
    }
    std::int64_t poured = 0;
    Status s = item.stream->Pour([&](ByteView piece) -> Status {
      const auto n = static_cast<std::int64_t>(piece.size());
      if (poured + n > at[i].size) return Fail("an entry came with more bytes than it gave");
      poured += n;
      return gather.Put(piece.data(), piece.size());
    });
    if (s && poured != at[i].size) s = Fail("an entry came with fewer bytes than it gave");
    if (!s) return s;
  }
  if (Status s = flushRun(); !s) return s;
  return gather.Flush();
}

// Writes the container anew into a file beside it and puts that file in its place. For a
// rebuild, `source` is the container (locked) and `read` the stamp it had when it was read;
// the rename only happens while the path still names that file, unchanged.
Status WriteAndReplace(TContainerKind kind, const std::string& path, ByteFile* source,
                       const TDataFile* old, const FileStamp* read,
                       const std::vector<RebuildItem>& items, CoreHost& host, RebuildFiles& files) {
  const bool isNew = source == nullptr;
  const std::int64_t sourceSize = source ? source->Size() : 0;
  std::vector<Placed> at(items.size());
  std::int64_t total = DirectoryEnd(kind, static_cast<std::int64_t>(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RebuildItem& item = items[i];
    if (item.source >= 0) {
      if (!old || !source || static_cast<std::size_t>(item.source) >= old->Entries.size())
        return Fail("There is no entry " + std::to_string(item.source) + " to copy.");
      const TResourceInfo& e = old->Entries[static_cast<std::size_t>(item.source)];
      if (!EntryInsideFile(e, sourceSize))
        return Fail(OutsideFileMessage(e, sourceSize), ErrorKind::kDamaged);
      at[i].size = e.Size;
    } else {
      at[i].size = item.stream ? item.stream->Size() : static_cast<std::int64_t>(item.bytes.size());
    }
    at[i].offset = total;
    total += at[i].size;
  }
  if (total > std::numeric_limits<std::int32_t>::max())
    return Fail("The new " + path + " would be larger than a container can be (2 GB).",
                ErrorKind::kNotSupported);

  // Where the write lands: the path itself, or the file a symbolic link names, so the link
  // stays a link and every command writes the same file.
  const std::string target = LinkTarget(path);
  std::string tempPath;
  auto temp = files.CreateTemp(target, &tempPath);
  if (!temp) return CannotWrite(path, temp.message(), isNew);
  ByteFile& out = **temp;
  auto drop = [&]() {
    temp->reset();
    files.Remove(tempPath);
  };
  auto fail = [&](const std::string& why, ErrorKind kind = ErrorKind::kWriteFailed) -> Status {
    drop();
    if (kind == ErrorKind::kCancelled)
      return Fail(isNew ? "Cancelled.  Nothing was created."
                        : "Cancelled.  " + path + " was left as it was.",
                  kind);
    // A read that came back short because another program cut the file is that program's
    // doing, and said so.
    if (!isNew && !StillTheFileRead(files, target, *source, *read))
      return ChangedWhileRebuilt(path);
    return CannotWrite(path, why, isNew, kind);
  };
  const Result<Head> head = BuildHead(kind, source, old, items, at, total);
  if (!head) return fail(head.message(), head.kind());
  if (Status s = out.WriteAt(0, head->bytes.get(), head->size); !s)
    return fail("writing the directory failed: " + s.message());
  if (Status s = WriteItems(source, old, out, items, at, total, host); !s)
    return fail("copying the entries failed: " + s.message(), s.kind());
  if (Status s = out.Flush(); !s) return fail("pushing it to the disk failed: " + s.message());
  if (Status s = ReadsBack(out, kind, items, at, total); !s) return fail(s.message(), s.kind());
  // The new file stays open, and locked, until it has its name: a run that clears what
  // crashed runs left behind never takes it for one of those.
  if (isNew) {
    Status placed = files.PlaceNew(tempPath, target);
    temp->reset();
    if (!placed && placed.kind() != ErrorKind::kUnverified) {
      files.Remove(tempPath);
      if (placed.kind() == ErrorKind::kChanged) return placed;
      return CannotWrite(path, placed.message(), isNew);
    }
    return placed;
  }
  // Another program may have written, cut or replaced the container while we copied it.
  if (!StillTheFileRead(files, target, *source, *read)) {
    drop();
    return ChangedWhileRebuilt(path);
  }
  Status replaced = files.Replace(tempPath, target);
  temp->reset();
  if (!replaced && replaced.kind() != ErrorKind::kUnverified) {
    files.Remove(tempPath);
    return CannotWrite(path, replaced.message(), isNew);
  }
  return replaced;
}

// Temporary files a rebuild killed on its way left beside the container: no process holds
// their lock any more, so they can go. A rebuild that is still running keeps its own.
void RemoveStaleTemps(const std::string& dir, const std::string& prefix) {
  std::error_code ec;
  // A folder that cannot be listed leaves them for another time.
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::directory_entry& e = *it;
    const std::string name = e.path().filename().string();
    if (name.size() != prefix.size() + 6 + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0)
      continue;
    if (auto held = PosixFile::Open(e.path().string(), FileMode::kWriteExclusive))
      std::filesystem::remove(e.path(), ec);
  }
}

class Disk : public RebuildFiles {
 public:
  Result<std::unique_ptr<ByteFile>> OpenSource(const std::string& path) override {
    auto file = OpenContainerFile(path, FileMode::kWriteExclusive);
    if (!file) return file.error();
    return std::unique_ptr<ByteFile>(std::move(*file));
  }
  Result<std::unique_ptr<ByteFile>> CreateTemp(const std::string& container,
                                               std::string* tempPath) override {
    const std::filesystem::path p(container);
    const std::string dir = p.has_parent_path() ? p.parent_path().string() : ".";
    std::string prefix(1, '.');
    prefix.append(p.filename().string()).push_back('.');
    RemoveStaleTemps(dir, prefix);
    Result<std::unique_ptr<PosixFile>> made = PosixFile::CreateTemp(dir, prefix);
    if (!made) return made.error();
    std::unique_ptr<PosixFile> file = std::move(*made);
    *tempPath = file->Name();
    // The new file takes the old one's permissions, owner and group (a new container: the
    // usual permissions for a new file under the umask). An owner that cannot be kept stops
    // the run: its owner could no longer write the container, or even read it.
    struct stat old {};
    const bool exists = ::stat(container.c_str(), &old) == 0;
    Status kept = file->SetMode(exists ? old.st_mode & 07777 : NewFileMode());
    std::uint32_t uid = 0, gid = 0;
    if (kept && exists && file->Owner(&uid, &gid) && (uid != old.st_uid || gid != old.st_gid)) {
      kept = file->SetOwner(old.st_uid, old.st_gid);
      if (!kept) kept = Fail("its owner and group could not be kept: " + kept.message());
    }
    if (!kept) {
      file.reset();
      Remove(*tempPath);
      return Fail(kept.message(), ErrorKind::kWriteFailed);
    }
    return std::unique_ptr<ByteFile>(std::move(file));
  }
  Status Replace(const std::string& tempPath, const std::string& container) override {
    return ReplaceFile(tempPath, container);
  }
  void Remove(const std::string& tempPath) override {
    std::error_code ec;
    std::filesystem::remove(tempPath, ec);
  }
};

}  // namespace

std::vector<RebuildItem> KeepEntries(const TDataFile& dataFile) {
  std::vector<RebuildItem> items;
  items.reserve(dataFile.Entries.size());
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i)
    items.push_back({dataFile.Entries[i].Name, static_cast<int>(i), {}, 0, nullptr});
  return items;
}

Status CheckEntryNames(TContainerKind kind, const std::vector<RebuildItem>& items,
                       const TDataFile* old) {
  const std::size_t limit = KindRow(kind).nameSize;
  // A name is given when the entry is new or renamed; a copied entry keeps its stored name,
  // whatever it is (a full field, an empty one, one another entry has in another case).
  auto given = [&](const RebuildItem& item) {
    if (item.source < 0 || !old || static_cast<std::size_t>(item.source) >= old->Entries.size())
      return true;
    return item.name != old->Entries[static_cast<std::size_t>(item.source)].Name;
  };
  // Every name, any case, so thousands of entries are checked in one pass.
  const NameIndex byName(
      items.size(), [&items](std::size_t i) { return std::string_view(items[i].name); },
      NameIndex::Match::kAnyCase);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!given(items[i])) continue;
    const std::string& name = items[i].name;
    if (name.empty() || name.find('\0') != std::string::npos)
      return Fail("An entry needs a name.", ErrorKind::kNotSupported);
    if (name.size() > limit)
      return Fail("The name " + Cp1252ToUtf8(name) +
                      " is too long: an entry name here holds at most " + std::to_string(limit) +
                      " characters.",
                  ErrorKind::kNotSupported);
    if (const std::int64_t other = byName.Other(name, i); other >= 0)
      return Fail("There is already an entry named " +
                      Cp1252ToUtf8(items[static_cast<std::size_t>(other)].name) + ".",
                  ErrorKind::kNotSupported);
  }
  return Ok();
}

RebuildFiles& DiskRebuildFiles() {
  static Disk disk;
  return disk;
}

Status RebuildContainer(TDataFile& dataFile, const std::vector<RebuildItem>& items, CoreHost& host,
                        RebuildFiles& files) {
  if (dataFile.FileName.empty() || dataFile.Kind == ckNone)
    return Fail("No container is open.", ErrorKind::kFailed);
  if (Status names = CheckEntryNames(dataFile.Kind, items, &dataFile); !names) return names;
  const std::string path = dataFile.FileName;
  const WatchHold hold(host);
  host.ShowProgress(true, "Rebuilding " + std::filesystem::path(path).filename().string() + "...");
  Status r = [&]() -> Status {
    auto source = files.OpenSource(path);
    if (!source) return source.error();
    ByteFile& file = **source;
    // The file we locked must be the one that was read, and the one the path names now:
    // a file replaced after it was read (by another program's rebuild, say) is not ours to
    // write over.
    const FileStamp read = StampOf(file);
    const std::optional<FileStamp> named = files.Stat(LinkTarget(path));
    if (read.size != dataFile.FileSize || read.modifiedNs != dataFile.FileDate || !named ||
        !SameFileUnchanged(*named, read))
      return Fail("File " + path +
                      " has been changed by another program.  Load it again before "
                      "changing its entries.",
                  ErrorKind::kChanged);
    return WriteAndReplace(dataFile.Kind, path, &file, &dataFile, &read, items, host, files);
  }();
  host.ShowProgress(false, {});
  if (!r && r.kind() != ErrorKind::kUnverified) return r;
  // From here on the new container is in place: whatever fails now is said as such.
  TDataFile reread;
  if (Status s = OpenContainer(reread, path, host); !s) {
    dataFile.FileDate = 0;  // what is on disk is not what we read
    return Fail("The new " + path + " is in place, but it could not be read again: " + s.message(),
                ErrorKind::kUnverified);
  }
  dataFile = std::move(reread);
  host.FileSizeChanged(dataFile.FileSize);
  return r;
}

Status CheckNameFitsKind(TContainerKind kind, const std::string& path) {
  // Sound and movie containers are known by their extension, LOD archives by their
  // identifier: a file the readers would take for another kind is no container of this one.
  const std::string name = BaseName(path);
  const std::string ext = UpperExtension(name);
  if (!FindContainerKind(kind)) return Fail("Choose the kind of container to make.");
  const ContainerKindInfo& wanted = KindRow(kind);
  const std::string start = "File " + path + " would not be read as a container of kind " +
                            std::string(wanted.name) + ": ";
  if (!wanted.extension.empty() && ext != wanted.extension)
    return Fail(start + "its name must end in ." + std::string(wanted.name) + ".",
                ErrorKind::kNotSupported);
  for (const ContainerKindInfo& other : ContainerKinds()) {
    if (wanted.extension.empty() && !other.extension.empty() && ext == other.extension)
      return Fail(start + "a name ending in " + name.substr(name.rfind('.')) +
                      " is read as a container of kind " + std::string(other.name) + ".",
                  ErrorKind::kNotSupported);
  }
  return Ok();
}

Status WriteNewContainer(TContainerKind kind, const std::string& path,
                         const std::vector<RebuildItem>& items, CoreHost& host,
                         RebuildFiles& files) {
  if (kind == ckNone) return Fail("Choose the kind of container to make.");
  if (Status fits = CheckNameFitsKind(kind, path); !fits) return fits;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
    return Fail("File " + path + " exists already; a new container is never written over it.",
                ErrorKind::kNotSupported);
  for (const RebuildItem& item : items)
    if (item.source >= 0) return Fail("A new container has no entries to copy.");
  if (Status names = CheckEntryNames(kind, items, nullptr); !names) return names;
  return WriteAndReplace(kind, path, nullptr, nullptr, nullptr, items, host, files);
}

}  // namespace brindle
