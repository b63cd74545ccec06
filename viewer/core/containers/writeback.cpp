#include "viewer/core/containers/writeback.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/placement.h"

namespace brindle {

Bytes BuildLodRecord(const std::string& name, std::int64_t position, std::int64_t size) {
  ByteWriter w;
  w.FixedText(name, 16)
      .I32(static_cast<std::int32_t>(position - kLodDirectoryStart))
      .I32(static_cast<std::int32_t>(size))
      .Zeros(8);
  return w.Take();
}

Bytes BuildSndRecord(const std::string& name, std::int64_t position, std::int64_t packed,
                     std::int64_t unpacked) {
  ByteWriter w;
  w.FixedText(name, 40)
      .I32(static_cast<std::int32_t>(position))
      .I32(static_cast<std::int32_t>(packed))
      .I32(static_cast<std::int32_t>(unpacked));
  return w.Take();
}

Status CheckClearOfDirectory(const TDataFile& dataFile, const TResourceInfo& e) {
  const std::int64_t end =
      DirectoryEnd(dataFile.Kind, static_cast<std::int64_t>(dataFile.Entries.size()));
  if (e.Size > 0 && e.Offset < end)
    return Fail("Entry " + Cp1252ToUtf8(e.Name) + " is damaged: its directory record gives it " +
                    std::to_string(e.Size) + " bytes at offset " + std::to_string(e.Offset) +
                    ", over the header and directory of " + dataFile.FileName + " (which end at " +
                    std::to_string(end) + "); nothing was written.",
                ErrorKind::kDamaged);
  return Ok();
}

namespace {

struct WritePlan {
  std::int64_t position = 0;
  ByteView payload;
  std::int64_t recordOffset = 0;
  Bytes record;
  bool lengthField = false;  // LOD: bytes from 288 to the end, at 276
};

// How a write-back ended.
enum class Outcome {
  kWritten,           // every step landed and reads back as written
  kUndone,            // a step failed and the file is byte for byte as before
  kEntriesKept,       // a step failed; the records are as before, the file may keep extra bytes
  kDamaged,           // a step failed and so did putting the record back: it may be torn
  kChangedMeanwhile,  // our steps landed, but the file is not as we left it
  kNotRead,           // the bytes an undo would need could not be read: nothing was written
  kNotReadBack,       // our steps landed, but the file could not be read back to check them
};

// Writes the plan one step at a time, each flushed before the next, so that at every moment
// the directory points only at bytes that are on the disk and the LOD length field covers
// every byte a record points to: the new bytes, then (when the file grew) the length field,
// then the record. A failure takes the steps back in reverse: the record, the field, the
// file's length. An undo step that fails stops the undo there, so bytes a record may still
// point to are never cut away.
class PlanWriter {
 public:
  PlanWriter(ByteFile& file, const WritePlan& plan, std::int64_t oldLength)
      : file_(file), plan_(plan), oldLength_(oldLength) {
    newLength_ = std::max<std::int64_t>(
        oldLength, plan.position + static_cast<std::int64_t>(plan.payload.size()));
  }

  Outcome Run() {
    // A file cut by someone else since it was read would be stretched by our write and
    // lose entries without a word.
    if (file_.Size() != oldLength_) return Outcome::kChangedMeanwhile;
    // What the undo puts back is read before anything is written; a failed read writes
    // nothing.
    if (!ReadRecordAndField(oldRecord_, oldField_)) return Outcome::kNotRead;
    if (!Write(plan_.position, plan_.payload)) return Undo();
    if (FieldGrows()) {
      fieldWritten_ = true;
      if (!Write(kLodLengthOffset, NewField())) return Undo();
    }
    recordWritten_ = true;
    if (!Write(plan_.recordOffset, plan_.record)) return Undo();
    return ReadsBackAsWritten();
  }

  std::int64_t newLength() const { return newLength_; }
  // Why the last step failed, in the system's words.
  const std::optional<Error>& writeError() const { return writeError_; }
  const std::optional<Error>& readError() const { return readError_; }

 private:
  bool FieldGrows() const { return plan_.lengthField && ReadU32(oldField_, 0) < FieldValue(); }
  std::uint32_t FieldValue() const {
    return static_cast<std::uint32_t>(newLength_ - kLodDirectoryStart);
  }
  Bytes NewField() const {
    Bytes field(4);
    PutU32(field.data(), FieldValue());
    return field;
  }
  // The entry's record and the LOD length field as they are on disk; false (the reason kept)
  // when either cannot be read.
  bool ReadRecordAndField(Bytes& record, Bytes& field) {
    Result<Bytes> r = file_.ReadPadded(plan_.recordOffset, plan_.record.size());
    Result<Bytes> f = r ? file_.ReadPadded(kLodLengthOffset, 4) : r;
    if (!f) {
      readError_ = f.error();
      return false;
    }
    record = std::move(*r);
    field = std::move(*f);
    return true;
  }

  bool Write(std::int64_t at, ByteView bytes) {
    Status s = file_.WriteAt(at, bytes.data(), bytes.size());
    if (s) s = file_.Flush();
    if (!s && !writeError_) writeError_ = s.error();
    return s.ok();
  }

  Outcome Undo() {
    if (recordWritten_ && !Write(plan_.recordOffset, oldRecord_)) return Outcome::kDamaged;
    if (fieldWritten_ && !Write(kLodLengthOffset, oldField_)) return Outcome::kEntriesKept;
    if (file_.Size() > oldLength_ && !(file_.Truncate(oldLength_) && file_.Flush()))
      return Outcome::kEntriesKept;
    return Outcome::kUndone;
  }

  // Another program that ignores our lock may have written or cut the file meanwhile. A read
  // that fails cannot tell: that is said as it is.
  Outcome ReadsBackAsWritten() {
    if (file_.Size() != newLength_) return Outcome::kChangedMeanwhile;
    Bytes record, field;
    if (!ReadRecordAndField(record, field)) return Outcome::kNotReadBack;
    if (record != plan_.record) return Outcome::kChangedMeanwhile;
    if (plan_.lengthField && ReadU32(field, 0) < FieldValue()) return Outcome::kChangedMeanwhile;
    return Outcome::kWritten;
  }

  ByteFile& file_;
  const WritePlan& plan_;
  std::int64_t oldLength_;
  std::int64_t newLength_ = 0;
  Bytes oldRecord_;
  Bytes oldField_;
  bool recordWritten_ = false;
  bool fieldWritten_ = false;
  std::optional<Error> writeError_;
  std::optional<Error> readError_;
};

std::int64_t Place(const TDataFile& dataFile, std::int64_t length, CoreHost& host) {
  ProgressReporter progress(host);
  PlacementQuery q{&dataFile.Entries,
                   DirectoryEnd(dataFile.Kind, static_cast<std::int64_t>(dataFile.Entries.size())),
                   dataFile.FileSize, length};
  return FindPlacement(q, [&](std::int64_t j, std::int64_t last) { progress.Step(j, last); });
}

std::string ChangedMeanwhileMessage(const std::string& path) {
  return "File " + path +
         " was changed by another program while it was written.  Load it again and check it "
         "before importing.";
}

// What the user hears of a write-back that did not land; `why` is the system's reason.
Error FailureOf(Outcome outcome, const std::string& path, const std::string& entryName,
                const std::string& why) {
  const std::string cannot =
      "Cannot write file " + path + (why.empty() ? std::string() : " (" + why + ")") + ".  ";
  switch (outcome) {
    case Outcome::kNotRead:
      return Fail(why + ".  Nothing was written; the container was left as it was.",
                  ErrorKind::kReadFailed);
    case Outcome::kNotReadBack:
      return Fail("The new " + Cp1252ToUtf8(entryName) + " was written to " + path +
                      ", but it could not be read back to check it: " + why + ".",
                  ErrorKind::kUnverified);
    case Outcome::kUndone:
      return Fail(cannot + "The container was left as it was.", ErrorKind::kWriteFailed);
    case Outcome::kEntriesKept:
      return Fail(
          cannot + "Its entries were left as they were; unused bytes may remain at its end.",
          ErrorKind::kWriteFailed);
    case Outcome::kDamaged:
      return Fail(
          cannot + "The container may now hold a damaged entry " + Cp1252ToUtf8(entryName) + ".",
          ErrorKind::kWriteFailed);
    case Outcome::kChangedMeanwhile:
    case Outcome::kWritten:
      break;
  }
  return Fail(ChangedMeanwhileMessage(path), ErrorKind::kChanged);
}

// Runs one write-back between the progress panel's on and off.
template <typename Body>
Status WithPanel(const TDataFile& dataFile, int index, CoreHost& host, Body body,
                 const char* verb = "Importing ") {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  host.ShowProgress(
      true, verb + Cp1252ToUtf8(dataFile.Entries[static_cast<std::size_t>(index)].Name) + "...");
  Status r = body();
  host.ShowProgress(false, {});
  return r;
}

Status Apply(ByteFile& file, TDataFile& dataFile, int index, WritePlan plan, CoreHost& host) {
  PlanWriter writer(file, plan, dataFile.FileSize);
  const Outcome outcome = writer.Run();
  const std::string name = dataFile.Entries[static_cast<std::size_t>(index)].Name;
  if (outcome == Outcome::kWritten || outcome == Outcome::kChangedMeanwhile ||
      outcome == Outcome::kNotReadBack) {
    TResourceInfo& e = dataFile.Entries[static_cast<std::size_t>(index)];
    e.Offset = static_cast<std::int32_t>(plan.position);
    e.Size = static_cast<std::int32_t>(plan.payload.size());
    e.Identified = false;
  }
  if (outcome == Outcome::kDamaged) {
    // The record on disk may be ours, the old one or torn: read the directory again so the
    // next placement keeps clear of whatever it now claims.
    SilentHost quiet;
    std::vector<TResourceInfo> entries;
    if (ReadDirectory(file, dataFile.Kind, entries, quiet)) {
      dataFile.Entries = std::move(entries);
    } else {
      dataFile.FileDate = 0;  // unknown now: nothing more is written until it is loaded again
    }
  }
  dataFile.FileSize = file.Size();
  host.FileSizeChanged(dataFile.FileSize);
  if (outcome == Outcome::kWritten) return Ok();
  const std::optional<Error>& reason =
      outcome == Outcome::kNotRead || outcome == Outcome::kNotReadBack ? writer.readError()
                                                                       : writer.writeError();
  return FailureOf(outcome, dataFile.FileName, name, reason ? reason->message : std::string());
}

Status LodTo(ByteFile& file, TDataFile& dataFile, int index, ByteView image, CoreHost& host) {
  const std::string& name = dataFile.Entries[static_cast<std::size_t>(index)].Name;
  if (Status s = CheckClearOfDirectory(dataFile, dataFile.Entries[static_cast<std::size_t>(index)]);
      !s)
    return s;
  WritePlan plan;
  plan.position = Place(dataFile, static_cast<std::int64_t>(image.size()), host);
  plan.payload = image;
  plan.recordOffset = kLodDirectoryStart + kLodRecordSize * index;
  plan.record = BuildLodRecord(name, plan.position, static_cast<std::int64_t>(image.size()));
  plan.lengthField = true;
  return Apply(file, dataFile, index, std::move(plan), host);
}

Status SndTo(ByteFile& file, TDataFile& dataFile, int index, ByteView packed,
             std::int64_t unpackedLength, CoreHost& host) {
  const std::string& name = dataFile.Entries[static_cast<std::size_t>(index)].Name;
  if (Status s = CheckClearOfDirectory(dataFile, dataFile.Entries[static_cast<std::size_t>(index)]);
      !s)
    return s;
  WritePlan plan;
  plan.position = Place(dataFile, static_cast<std::int64_t>(packed.size()), host);
  plan.payload = packed;
  plan.recordOffset = kSndVidDirectoryStart + kSndRecordSize * index;
  plan.record =
      BuildSndRecord(name, plan.position, static_cast<std::int64_t>(packed.size()), unpackedLength);
  Status r = Apply(file, dataFile, index, std::move(plan), host);
  if (r) {
    TResourceInfo& e = dataFile.Entries[static_cast<std::size_t>(index)];
    e.PackedSize = e.Size;
    e.UnpackedSize = static_cast<std::int32_t>(unpackedLength);
  }
  return r;
}

// The container as locked for writing still carries the stamp it had when it was read.
bool StampAsRead(const ByteFile& file, const TDataFile& dataFile) {
  return file.Size() == dataFile.FileSize && file.ModifiedNs() == dataFile.FileDate;
}

Error ChangedSinceRead(const TDataFile& dataFile) {
  return Fail("File " + dataFile.FileName +
                  " has been changed by another program.  Load it again before importing.",
              ErrorKind::kChanged);
}

// Another program changed the container: the entry may still be written in place when its
// directory record, read again under the lock, names the same bytes.
Status CheckEntryRecordAsRead(ByteFile& file, const TDataFile& dataFile, int index) {
  const TResourceInfo& was = dataFile.Entries[static_cast<std::size_t>(index)];
  const Error moved = Fail("The entry " + Cp1252ToUtf8(was.Name) + " of " + dataFile.FileName +
                               " has been moved or replaced by another program since it was "
                               "read.  Nothing was saved; load the file again.",
                           ErrorKind::kChanged);
  Result<TContainerKind> kind = RecogniseContainer(file, dataFile.FileName);
  if (!kind) return kind.error();
  if (*kind != dataFile.Kind) return moved;
  TDataFile now;
  now.FileName = dataFile.FileName;
  now.Kind = *kind;
  SilentHost quiet;
  if (Status s = ReadDirectory(file, now.Kind, now.Entries, quiet); !s) return s;
  if (static_cast<std::size_t>(index) >= now.Entries.size()) return moved;
  const TResourceInfo& is = now.Entries[static_cast<std::size_t>(index)];
  if (is.Name != was.Name || is.Offset != was.Offset || is.Size != was.Size) return moved;
  return CheckClearOfDirectory(now, is);
}

// The write-back on the container itself: opened for writing around the write. Whatever
// the write did, the stamp it left is remembered (so neither the watch nor the next import
// takes our own writes, or our own undo, for another program's), and once the lock is
// given up the file must still carry that stamp before the write counts as done.
//
// With `elsewhere` given, a container changed since it was read is still written when the
// entry's own record is unchanged; *elsewhere then says so. Whatever else changed is not
// known here, so dataFile's stamp is not taken for ours: after such a write the date is
// unknown (nothing more is written until the container is loaded again), and after a
// failure it is what it was.
template <typename Write>
Status OnDisk(TDataFile& dataFile, int index, CoreHost& host, ContainerStore& store, Write write,
              const char* verb = "Importing ", bool* elsewhere = nullptr) {
  return WithPanel(
      dataFile, index, host,
      [&]() -> Status {
        auto file = store.OpenForWrite(dataFile.FileName);
        if (!file) return file.error();
        const FileStamp known{dataFile.FileSize, dataFile.FileDate};
        const bool asRead = StampAsRead(**file, dataFile);
        if (!asRead) {
          if (!elsewhere) return ChangedSinceRead(dataFile);
          if (Status s = CheckEntryRecordAsRead(**file, dataFile, index); !s) return s;
          *elsewhere = true;
        }
        Status r = write(**file);
        // The write zeroes the date when it no longer knows the directory on disk.
        const bool directoryUnknown = dataFile.FileDate == 0;
        const FileStamp ours{(*file)->Size(), (*file)->ModifiedNs()};
        file->reset();
        dataFile.FileSize = ours.size;
        dataFile.FileDate = ours.modifiedNs;
        // A file changed by another program, or one whose state we could not read back, is
        // never taken for ours again: nothing more is written until it is loaded again.
        if (directoryUnknown ||
            (!r && (r.kind() == ErrorKind::kChanged || r.kind() == ErrorKind::kUnverified)))
          dataFile.FileDate = 0;
        if (!asRead) {
          dataFile.FileSize = known.size;
          dataFile.FileDate = r ? 0 : known.modifiedNs;
        }
        if (!r) return r;
        const std::optional<FileStamp> now = store.Stat(dataFile.FileName);
        if (!now || now->size != ours.size || now->modifiedNs != ours.modifiedNs) {
          dataFile.FileDate = 0;
          return Fail(ChangedMeanwhileMessage(dataFile.FileName), ErrorKind::kChanged);
        }
        host.EntryRewritten(index);
        return r;
      },
      verb);
}

// The entry's bytes replaced by bytes of the same length, where they are. Should the write
// fail, the old bytes go back, so the entry is either wholly old or wholly new.
Status RewriteInPlace(ByteFile& file, const TDataFile& dataFile, const TResourceInfo& e,
                      const std::function<Result<Bytes>(ByteView)>& patch) {
  const std::string& path = dataFile.FileName;
  const std::size_t size = static_cast<std::size_t>(std::max(e.Size, 0));
  if (e.Offset < 0 || std::int64_t{e.Offset} + std::int64_t{e.Size} > file.Size())
    return Fail("Entry " + Cp1252ToUtf8(e.Name) + " runs past the end of " + path + ".",
                ErrorKind::kDamaged);
  if (Status s = CheckClearOfDirectory(dataFile, e); !s) return s;
  Bytes old(size);
  if (Status s = file.ReadExact(e.Offset, old.data(), size); !s) return s;
  Result<Bytes> patched = patch(old);
  if (!patched) return patched.error();
  if (patched->size() != size)
    return Fail("The new bytes of " + Cp1252ToUtf8(e.Name) + " are not the size of the old ones.");
  Status written = file.WriteAt(e.Offset, patched->data(), size);
  if (written) written = file.Flush();
  if (written) return Ok();
  const bool undone = file.WriteAt(e.Offset, old.data(), size) && file.Flush();
  return Fail(
      "Cannot write file " + path + " (" + written.message() + ").  " +
          (undone ? std::string("The container was left as it was.")
                  : "The container may now hold a damaged entry " + Cp1252ToUtf8(e.Name) + "."),
      ErrorKind::kWriteFailed);
}

class Disk : public ContainerStore {
 public:
  Result<std::unique_ptr<ByteFile>> OpenForWrite(const std::string& path) override {
    auto file = OpenContainerFile(path, FileMode::kWriteExclusive);
    if (!file) return file.error();
    return std::unique_ptr<ByteFile>(std::move(*file));
  }
  std::optional<FileStamp> Stat(const std::string& path) override { return StatPath(path); }
};

}  // namespace

Status WriteBackLodEntryTo(ByteFile& file, TDataFile& dataFile, int index, ByteView image,
                           CoreHost& host) {
  return WithPanel(dataFile, index, host,
                   [&] { return LodTo(file, dataFile, index, image, host); });
}

Status WriteBackSndEntryTo(ByteFile& file, TDataFile& dataFile, int index, ByteView sound,
                           CoreHost& host) {
  const Bytes packed = BuildCompressedPayload(sound);
  return WithPanel(dataFile, index, host, [&] {
    return SndTo(file, dataFile, index, packed, static_cast<std::int64_t>(sound.size()), host);
  });
}

Status MergeEntryInPlace(TDataFile& dataFile, int index,
                         const std::function<Result<Bytes>(ByteView)>& patch, CoreHost& host,
                         bool& elsewhere, ContainerStore& store) {
  elsewhere = false;
  return OnDisk(
      dataFile, index, host, store,
      [&](ByteFile& file) {
        return RewriteInPlace(file, dataFile, dataFile.Entries[static_cast<std::size_t>(index)],
                              patch);
      },
      "Saving ", &elsewhere);
}

ContainerStore& DiskStore() {
  static Disk disk;
  return disk;
}

Status WriteBackLodEntry(TDataFile& dataFile, int index, ByteView image, CoreHost& host,
                         ContainerStore& store) {
  return OnDisk(dataFile, index, host, store,
                [&](ByteFile& file) { return LodTo(file, dataFile, index, image, host); });
}

Status WriteBackSndEntry(TDataFile& dataFile, int index, ByteView sound, CoreHost& host,
                         ContainerStore& store) {
  const Bytes packed = BuildCompressedPayload(sound);
  return OnDisk(dataFile, index, host, store, [&](ByteFile& file) {
    return SndTo(file, dataFile, index, packed, static_cast<std::int64_t>(sound.size()), host);
  });
}

}  // namespace brindle
