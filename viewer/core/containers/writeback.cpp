#include "viewer/core/containers/writeback.h"

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

namespace {

struct WritePlan {
  std::int64_t position = 0;
  ByteView payload;
  std::int64_t recordOffset = 0;
  Bytes record;
  bool lengthField = false;  // LOD: bytes from 288 to the end, at 276
};

// Writes the plan in its safe order; on failure puts back what it changed.
bool ApplyPlan(ByteFile& file, const WritePlan& plan, std::int64_t* newLength) {
  const std::int64_t oldLength = file.Size();
  Bytes oldRecord = file.ReadPadded(plan.recordOffset, plan.record.size());
  Bytes oldField = file.ReadPadded(kLodLengthOffset, 4);
  bool recordWritten = false;
  bool fieldWritten = false;

  auto rollBack = [&] {
    if (fieldWritten) file.WriteAt(kLodLengthOffset, oldField.data(), oldField.size());
    if (recordWritten) file.WriteAt(plan.recordOffset, oldRecord.data(), oldRecord.size());
    if (file.Size() > oldLength) file.Truncate(oldLength);
    file.Flush();
    return false;
  };

  if (!file.WriteAt(plan.position, plan.payload.data(), plan.payload.size()) || !file.Flush())
    return rollBack();
  recordWritten = true;
  if (!file.WriteAt(plan.recordOffset, plan.record.data(), plan.record.size())) return rollBack();
  const std::int64_t length = std::max<std::int64_t>(
      oldLength, plan.position + static_cast<std::int64_t>(plan.payload.size()));
  if (plan.lengthField) {
    std::uint8_t field[4];
    PutU32(field, static_cast<std::uint32_t>(length - kLodDirectoryStart));
    fieldWritten = true;
    if (!file.WriteAt(kLodLengthOffset, field, 4)) return rollBack();
  }
  if (!file.Flush()) return rollBack();
  *newLength = length;
  return true;
}

std::int64_t Place(const TDataFile& dataFile, std::int64_t length, CoreHost& host) {
  ProgressReporter progress(host);
  PlacementQuery q{&dataFile.Entries,
                   DirectoryEnd(dataFile.Kind, static_cast<std::int64_t>(dataFile.Entries.size())),
                   dataFile.FileSize, length};
  return FindPlacement(q, [&](std::int64_t j, std::int64_t last) { progress.Step(j, last); });
}

std::string WriteFailedMessage(const std::string& path) {
  return "Cannot write file " + path + ".  The container was left as it was.";
}

// Runs one write-back between the progress panel's on and off.
template <typename Body>
Status WithPanel(const TDataFile& dataFile, int index, CoreHost& host, Body body) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size())
    return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
  host.ShowProgress(
      true,
      "Importing " + Cp1252ToUtf8(dataFile.Entries[static_cast<std::size_t>(index)].Name) + "...");
  Status r = body();
  host.ShowProgress(false, {});
  return r;
}

Status Apply(ByteFile& file, TDataFile& dataFile, int index, WritePlan plan, CoreHost& host) {
  std::int64_t newLength = 0;
  if (!ApplyPlan(file, plan, &newLength))
    return Fail(WriteFailedMessage(dataFile.FileName), ErrorKind::kWriteFailed);
  dataFile.FileSize = newLength;
  host.FileSizeChanged(newLength);
  TResourceInfo& e = dataFile.Entries[static_cast<std::size_t>(index)];
  e.Offset = static_cast<std::int32_t>(plan.position);
  e.Size = static_cast<std::int32_t>(plan.payload.size());
  e.Identified = false;
  return Ok();
}

Status LodTo(ByteFile& file, TDataFile& dataFile, int index, ByteView image, CoreHost& host) {
  const std::string& name = dataFile.Entries[static_cast<std::size_t>(index)].Name;
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

// Opens the container for writing and checks it is still the file that was read.
Result<std::unique_ptr<PosixFile>> OpenForWriteBack(const TDataFile& dataFile) {
  auto file = PosixFile::Open(dataFile.FileName, FileMode::kWriteExclusive);
  if (!file) return Fail(CannotOpenMessage(dataFile.FileName), ErrorKind::kCannotOpen);
  if (file->Size() != dataFile.FileSize || file->ModifiedNs() != dataFile.FileDate)
    return Fail("File " + dataFile.FileName +
                    " has been changed by another program.  Load it again before importing.",
                ErrorKind::kChanged);
  return file;
}

// After our own write: remember the new stamp so the watch stays quiet, and let the window
// show the entry again.
void Finish(TDataFile& dataFile, int index, CoreHost& host) {
  FileStamp stamp;
  if (StatFile(dataFile.FileName, &stamp)) {
    dataFile.FileDate = stamp.modifiedNs;
    dataFile.FileSize = stamp.size;
  }
  host.EntryRewritten(index);
}

// The write-back on the container itself: opened for writing around the write, the new
// stamp stored after it.
template <typename Write>
Status OnDisk(TDataFile& dataFile, int index, CoreHost& host, Write write) {
  return WithPanel(dataFile, index, host, [&]() -> Status {
    auto file = OpenForWriteBack(dataFile);
    if (!file) return file.error();
    Status r = write(**file);
    file->reset();
    if (r) Finish(dataFile, index, host);
    return r;
  });
}

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

Status WriteBackLodEntry(TDataFile& dataFile, int index, ByteView image, CoreHost& host) {
  return OnDisk(dataFile, index, host,
                [&](ByteFile& file) { return LodTo(file, dataFile, index, image, host); });
}

Status WriteBackSndEntry(TDataFile& dataFile, int index, ByteView sound, CoreHost& host) {
  const Bytes packed = BuildCompressedPayload(sound);
  return OnDisk(dataFile, index, host, [&](ByteFile& file) {
    return SndTo(file, dataFile, index, packed, static_cast<std::int64_t>(sound.size()), host);
  });
}

}  // namespace brindle
