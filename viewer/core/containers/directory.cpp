#include "viewer/core/containers/directory.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>

namespace brindle {

int ProgressReporter::Percent(std::int64_t i, std::int64_t n) {
  if (n <= 0 || i <= 0) return 0;
  if (i >= n) return 100;
  std::int64_t scaled = i * 100;
  std::int64_t q = scaled / n;
  std::int64_t twiceRem = 2 * (scaled % n);
  if (twiceRem > n || (twiceRem == n && q % 2 == 1)) ++q;
  return static_cast<int>(q);
}

std::string CannotOpenMessage(const std::string& path) {
  return "Cannot open file " + path;
}

Result<std::string> ReadFixedString(ByteFile& file, std::int64_t offset, std::size_t n) {
  // Only where the file ends does the text end early; a short read inside it is an error.
  const std::int64_t inFile =
      std::clamp<std::int64_t>(file.Size() - offset, 0, static_cast<std::int64_t>(n));
  Result<Bytes> field = file.ReadPadded(offset, static_cast<std::size_t>(inFile));
  if (!field) return field.error();
  return FixedText(*field);
}

namespace {

// The length of a NUL-padded name field of n bytes. The 16-byte field of a LOD is looked at
// as two words (a call to strnlen for each of tens of thousands of names costs more).
std::size_t NameLength(const char* p, std::size_t n) {
  if constexpr (std::endian::native == std::endian::little) {
    if (n == 16) {
      // Each zero byte of v (and none below the first) sets the top bit of its own byte.
      auto zeros = [](std::uint64_t v) {
        return (v - 0x0101010101010101ULL) & ~v & 0x8080808080808080ULL;
      };
      std::uint64_t low = 0, high = 0;
      std::memcpy(&low, p, 8);
      std::memcpy(&high, p + 8, 8);
      if (const std::uint64_t z = zeros(low))
        return static_cast<std::size_t>(std::countr_zero(z)) / 8;
      if (const std::uint64_t z = zeros(high))
        return 8 + static_cast<std::size_t>(std::countr_zero(z)) / 8;
      return 16;
    }
  }
  return ::strnlen(p, n);
}

std::int32_t ClampToI32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The kind's geometry; a kind without a row is read as a LOD archive.
const ContainerKindInfo& FamilyOf(TContainerKind kind) {
  const ContainerKindInfo* info = FindContainerKind(kind);
  return info ? *info : *FindContainerKind(ckIcons);
}

// A sound or movie container is known by its extension, but only a file whose count and
// records can describe one is taken for it: the whole directory inside the file, and no
// offset or size below zero. Entries that reach past the end are damage, not another
// format, and still open.
Result<bool> SndVidDirectoryHolds(ByteFile& file, TContainerKind kind) {
  const ContainerKindInfo& fam = FamilyOf(kind);
  const std::int64_t fileSize = file.Size();
  if (fileSize < fam.directoryStart) return false;
  Bytes countField(4);
  if (Status s = file.ReadExact(0, countField.data(), countField.size()); !s) return s.error();
  const std::int64_t count = ReadI32(countField, 0);
  if (count < 0 || fam.directoryStart + count * fam.recordSize > fileSize) return false;
  if (count == 0) return true;
  // Not cleared first: the read fills every byte or fails.
  const auto bytes = static_cast<std::size_t>(count * fam.recordSize);
  const std::unique_ptr<std::uint8_t[]> records(new std::uint8_t[bytes]);
  if (Status s = file.ReadExact(fam.directoryStart, records.get(), bytes); !s) return s.error();
  for (std::int64_t i = 0; i < count; ++i) {
    ByteView rec(records.get() + i * fam.recordSize, static_cast<std::size_t>(fam.recordSize));
    if (ReadI32(rec, 40) < 0) return false;
    if (kind == ckSnd && (ReadI32(rec, 44) < 0 || ReadI32(rec, 48) < 0)) return false;
  }
  return true;
}

}  // namespace

Result<TContainerKind> RecogniseContainer(ByteFile& file, const std::string& path) {
  const std::string ext = UpperExtension(path);
  for (const ContainerKindInfo& k : ContainerKinds()) {
    if (k.extension.empty() || ext != k.extension) continue;
    Result<bool> holds = SndVidDirectoryHolds(file, k.kind);
    if (!holds) return holds.error();
    return *holds ? k.kind : ckNone;
  }
  Result<std::string> id = ReadFixedString(file, kLodIdentifierOffset, 12);
  if (!id) return id.error();
  for (const ContainerKindInfo& k : ContainerKinds()) {
    if (!k.lodIdentifier.empty() && UpperAscii(*id) == k.lodIdentifier) return k.kind;
  }
  return ckNone;
}

Status ReadDirectory(ByteFile& file, TContainerKind kind, std::vector<TResourceInfo>& entries,
                     CoreHost& host) {
  entries.clear();
  const ContainerKindInfo& fam = FamilyOf(kind);
  const std::int64_t fileSize = file.Size();
  Result<Bytes> countField = file.ReadPadded(fam.countOffset, 4);
  if (!countField) return countField.error();
  const std::int64_t declared = ReadI32(*countField, 0);
  if (declared <= 0) return Ok();
  // Only records that lie wholly inside the file are read.
  const std::int64_t fit =
      std::max<std::int64_t>(0, (fileSize - fam.directoryStart) / fam.recordSize);
  const std::int64_t count = std::min(declared, fit);
  if (count == 0) return Ok();

  // One read for the whole directory: it is at most as large as the file.
  // Not cleared first: the read fills every byte or fails.
  const auto bytes = static_cast<std::size_t>(count * fam.recordSize);
  const std::unique_ptr<std::uint8_t[]> records(new std::uint8_t[bytes]);
  if (Status s = file.ReadExact(fam.directoryStart, records.get(), bytes); !s) return s;
  entries.reserve(static_cast<std::size_t>(count));
  ProgressReporter progress(host);
  for (std::int64_t i = 0; i < count; ++i) {
    ByteView rec(records.get() + i * fam.recordSize, static_cast<std::size_t>(fam.recordSize));
    TResourceInfo& e = entries.emplace_back();
    const auto* name = reinterpret_cast<const char*>(rec.data());
    e.Name.assign(name, NameLength(name, fam.nameSize));
    if (kind == ckSnd) {
      e.Offset = ReadI32(rec, 40);
      e.Size = ReadI32(rec, 44);
      e.PackedSize = e.Size;
      e.UnpackedSize = ReadI32(rec, 48);
    } else if (kind == ckVid) {
      e.Offset = ReadI32(rec, 40);
      if (i > 0) {
        TResourceInfo& prev = entries[static_cast<std::size_t>(i - 1)];
        prev.Size = ClampToI32(static_cast<std::int64_t>(e.Offset) - prev.Offset);
      }
    } else {
      e.Offset = ClampToI32(static_cast<std::int64_t>(ReadI32(rec, 16)) + kLodDirectoryStart);
      e.Size = ReadI32(rec, 20);
    }
    progress.Step(i + 1, declared);
  }
  if (kind == ckVid) {
    TResourceInfo& last = entries.back();
    last.Size = ClampToI32(fileSize - last.Offset);
  }
  return Ok();
}

Result<std::unique_ptr<PosixFile>> OpenContainerFile(const std::string& path, FileMode mode) {
  return PosixFile::Open(path, mode);
}

Status OpenForReading(const std::string& path, OpenedContainer& opened, CoreHost& host) {
  Result<std::unique_ptr<PosixFile>> file = OpenContainerFile(path, FileMode::kReadShared);
  if (!file) return file.error();
  opened.file = std::move(*file);
  return ReadContainer(opened.dataFile, *opened.file, path, host);
}

Status OpenContainer(TDataFile& dataFile, const std::string& path, CoreHost& host) {
  Result<std::unique_ptr<PosixFile>> opened = OpenContainerFile(path, FileMode::kReadShared);
  if (!opened) return opened.error();
  return ReadContainer(dataFile, **opened, path, host);
}

Status ReadContainer(TDataFile& dataFile, ByteFile& opened, const std::string& path,
                     CoreHost& host) {
  ByteFile* file = &opened;
  Result<TContainerKind> kind = RecogniseContainer(*file, path);
  if (!kind) return kind.error();
  if (*kind == ckNone)
    return Fail("Not a recognised data file: " + path, ErrorKind::kNotRecognised);

  // Read into a fresh list first so a failure part-way leaves the open container alone.
  std::vector<TResourceInfo> entries;
  if (Status s = ReadDirectory(*file, *kind, entries, host); !s) return s;
  // `path` may be the record's own name (a reload): take it before the record is cleared.
  std::string fileName = path;
  ClearDataFile(dataFile);
  dataFile.FileName = std::move(fileName);
  dataFile.Kind = *kind;
  dataFile.FileSize = file->Size();
  dataFile.Entries = std::move(entries);
  dataFile.FileDate = file->ModifiedNs();
  return Ok();
}

}  // namespace brindle
