#include "viewer/core/edit/rebuild.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <unordered_map>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

std::int64_t RecordSize(TContainerKind kind) {
  return IsLodKind(kind) ? kLodRecordSize : kind == ckSnd ? kSndRecordSize : kVidRecordSize;
}
std::int64_t DirectoryStart(TContainerKind kind) {
  return IsLodKind(kind) ? kLodDirectoryStart : kSndVidDirectoryStart;
}

const char* LodIdentifier(TContainerKind kind) {
  switch (kind) {
    case ckChapter:
      return "CHAPTER";
    case ckSprites:
      return "SPRITES08";
    case ckMaps:
      return "MAPS";
    case ckIcons:
      return "ICONS";
    case ckBitmaps:
      return "BITMAPS";
    default:
      return "";
  }
}

// Where each item goes, and its stored size.
struct Placed {
  std::int64_t offset = 0;
  std::int64_t size = 0;
};

Error CannotWrite(const std::string& path, const std::string& why) {
  return Fail("Cannot write file " + path + " (" + why + ").  The container was left as it was.",
              ErrorKind::kWriteFailed);
}

// The header and directory of the new file. A LOD keeps its old header but for the length
// and count fields; copied entries keep their record's other bytes.
Bytes BuildHead(TContainerKind kind, ByteFile* source, const TDataFile* old,
                const std::vector<RebuildItem>& items, const std::vector<Placed>& at,
                std::int64_t total) {
  const std::int64_t start = DirectoryStart(kind), rec = RecordSize(kind);
  Bytes head(static_cast<std::size_t>(start + rec * static_cast<std::int64_t>(items.size())), 0);
  if (IsLodKind(kind)) {
    if (source) {
      source->ReadAt(0, head.data(), static_cast<std::size_t>(kLodDirectoryStart));
    } else {
      const std::string id = LodIdentifier(kind);
      std::copy(id.begin(), id.end(), head.begin() + kLodIdentifierOffset);
    }
    PutU32(&head[kLodLengthOffset], static_cast<std::uint32_t>(total - kLodDirectoryStart));
    PutU32(&head[kLodCountOffset], static_cast<std::uint32_t>(items.size()));
  } else {
    PutU32(&head[0], static_cast<std::uint32_t>(items.size()));
  }
  for (std::size_t i = 0; i < items.size(); ++i) {
    std::uint8_t* r = &head[static_cast<std::size_t>(start + rec * static_cast<std::int64_t>(i))];
    const RebuildItem& item = items[i];
    if (item.source >= 0 && source && old) {
      source->ReadAt(start + rec * item.source, r, static_cast<std::size_t>(rec));
    } else if (kind == ckSnd) {
      const Bytes b = BuildSndRecord(item.name, at[i].offset, at[i].size, item.unpackedSize);
      std::copy(b.begin(), b.end(), r);
    }
    const std::size_t nameField = static_cast<std::size_t>(MaxEntryName(kind) + 1);
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
  return head;
}

// Copies n bytes from one file to another in chunks, so memory does not grow with entries.
bool CopyBytes(ByteFile& from, std::int64_t fromAt, ByteFile& to, std::int64_t toAt, std::int64_t n,
               Bytes& buffer) {
  while (n > 0) {
    const std::size_t step = static_cast<std::size_t>(std::min<std::int64_t>(n, kCopyChunk));
    if (from.ReadAt(fromAt, buffer.data(), step) != step) return false;
    if (!to.WriteAt(toAt, buffer.data(), step)) return false;
    fromAt += static_cast<std::int64_t>(step);
    toAt += static_cast<std::int64_t>(step);
    n -= static_cast<std::int64_t>(step);
  }
  return true;
}

// The new file reads back with exactly the planned directory.
bool ReadsBack(ByteFile& file, TContainerKind kind, const std::vector<RebuildItem>& items,
               const std::vector<Placed>& at) {
  std::vector<TResourceInfo> entries;
  SilentHost quiet;
  ReadDirectory(file, kind, entries, quiet);
  if (entries.size() != items.size()) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (entries[i].Name != items[i].name || entries[i].Offset != at[i].offset ||
        entries[i].Size != at[i].size)
      return false;
  }
  return true;
}

// Writes the container anew into a file beside it and puts that file in its place.
Status WriteAndReplace(TContainerKind kind, const std::string& path, ByteFile* source,
                       const TDataFile* old, const std::vector<RebuildItem>& items, CoreHost& host,
                       RebuildFiles& files) {
  if (Status names = CheckEntryNames(kind, items); !names) return names;
  std::vector<Placed> at(items.size());
  std::int64_t total =
      DirectoryStart(kind) + RecordSize(kind) * static_cast<std::int64_t>(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RebuildItem& item = items[i];
    if (item.source >= 0) {
      if (!old || !source || static_cast<std::size_t>(item.source) >= old->Entries.size())
        return Fail("There is no entry " + std::to_string(item.source) + " to copy.");
      const TResourceInfo& e = old->Entries[static_cast<std::size_t>(item.source)];
      if (!EntryInsideFile(e, source->Size()))
        return Fail(OutsideFileMessage(e, source->Size()), ErrorKind::kDamaged);
      at[i].size = e.Size;
    } else {
      at[i].size = static_cast<std::int64_t>(item.bytes.size());
    }
    at[i].offset = total;
    total += at[i].size;
  }
  if (total > std::numeric_limits<std::int32_t>::max())
    return Fail("The new " + path + " would be larger than a container can be (2 GB).",
                ErrorKind::kNotSupported);

  std::string tempPath;
  auto temp = files.CreateTemp(path, &tempPath);
  if (!temp) return CannotWrite(path, temp.message());
  ByteFile& out = **temp;
  auto fail = [&](const std::string& why) -> Status {
    temp->reset();
    files.Remove(tempPath);
    return CannotWrite(path, why);
  };
  const Bytes head = BuildHead(kind, source, old, items, at, total);
  if (!out.WriteAt(0, head.data(), head.size())) return fail("writing the directory failed");
  ProgressReporter progress(host);
  Bytes buffer(kCopyChunk);
  // Copied entries that lie back to back in both files are copied as one run, so a large
  // container costs a few large reads and writes rather than two calls an entry.
  std::int64_t runFrom = -1, runTo = 0, runLength = 0;
  auto flushRun = [&]() {
    if (runLength == 0) return true;
    const bool ok = CopyBytes(*source, runFrom, out, runTo, runLength, buffer);
    runLength = 0;
    return ok;
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    const RebuildItem& item = items[i];
    bool ok = true;
    if (item.source >= 0) {
      const std::int64_t from = old->Entries[static_cast<std::size_t>(item.source)].Offset;
      if (runLength > 0 && from == runFrom + runLength && at[i].offset == runTo + runLength) {
        runLength += at[i].size;
      } else {
        ok = flushRun();
        runFrom = from;
        runTo = at[i].offset;
        runLength = at[i].size;
      }
    } else {
      ok = flushRun() && out.WriteAt(at[i].offset, item.bytes.data(), item.bytes.size());
    }
    if (!ok) return fail("writing " + Cp1252ToUtf8(item.name) + " failed");
    progress.Step(static_cast<std::int64_t>(i + 1), static_cast<std::int64_t>(items.size()));
  }
  if (!flushRun()) return fail("copying the entries failed");
  if (!out.Flush()) return fail("pushing it to the disk failed");
  if (out.Size() != total || !ReadsBack(out, kind, items, at))
    return fail("it did not read back as written");
  temp->reset();
  if (Status r = files.Replace(tempPath, path); !r) {
    files.Remove(tempPath);
    return CannotWrite(path, r.message());
  }
  return Ok();
}

// Temporary files a rebuild killed on its way left beside the container: no process holds
// their lock any more, so they can go. A rebuild that is still running keeps its own.
void RemoveStaleTemps(const std::string& dir, const std::string& prefix) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
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
    std::string error;
    std::string prefix(1, '.');
    prefix.append(p.filename().string()).push_back('.');
    RemoveStaleTemps(dir, prefix);
    auto file = PosixFile::CreateTemp(dir, prefix, tempPath, &error);
    if (!file) return Fail(error, ErrorKind::kWriteFailed);
    // The new file takes the old one's permissions (a new container: the usual ones).
    std::error_code ec;
    const auto old = std::filesystem::status(container, ec);
    const auto perms =
        !ec && std::filesystem::exists(old)
            ? old.permissions()
            : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read | std::filesystem::perms::others_read;
    std::filesystem::permissions(*tempPath, perms, ec);
    return std::unique_ptr<ByteFile>(std::move(file));
  }
  Status Replace(const std::string& tempPath, const std::string& container) override {
    std::string error;
    if (!ReplaceFile(tempPath, container, &error)) return Fail(error, ErrorKind::kWriteFailed);
    return Ok();
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
    items.push_back({dataFile.Entries[i].Name, static_cast<int>(i), {}, 0});
  return items;
}

std::size_t MaxEntryName(TContainerKind kind) {
  return IsLodKind(kind) ? 15 : 39;
}

Status CheckEntryNames(TContainerKind kind, const std::vector<RebuildItem>& items) {
  const std::size_t limit = MaxEntryName(kind);
  // Names folded to one case, so thousands of entries are checked in one pass.
  std::unordered_map<std::string, std::size_t> seen;
  seen.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string& name = items[i].name;
    const std::string shown = Cp1252ToUtf8(name);
    if (name.empty() || name.find('\0') != std::string::npos)
      return Fail("An entry needs a name.", ErrorKind::kNotSupported);
    if (name.size() > limit)
      return Fail("The name " + shown + " is too long: an entry name here holds at most " +
                      std::to_string(limit) + " characters.",
                  ErrorKind::kNotSupported);
    auto [at, fresh] = seen.emplace(FoldCase1252(name), i);
    if (!fresh)
      return Fail("There is already an entry named " + Cp1252ToUtf8(items[at->second].name) + ".",
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
  const std::string path = dataFile.FileName;
  const WatchHold hold(host);
  host.ShowProgress(true, "Rebuilding " + std::filesystem::path(path).filename().string() + "...");
  Status r = [&]() -> Status {
    auto source = files.OpenSource(path);
    if (!source) return source.error();
    if ((*source)->Size() != dataFile.FileSize || (*source)->ModifiedNs() != dataFile.FileDate)
      return Fail("File " + path +
                      " has been changed by another program.  Load it again before "
                      "changing its entries.",
                  ErrorKind::kChanged);
    return WriteAndReplace(dataFile.Kind, path, source->get(), &dataFile, items, host, files);
  }();
  host.ShowProgress(false, {});
  if (!r) return r;
  TDataFile reread;
  if (Status s = OpenContainer(reread, path, host); !s) return s;
  dataFile = std::move(reread);
  host.FileSizeChanged(dataFile.FileSize);
  return Ok();
}

Status WriteNewContainer(TContainerKind kind, const std::string& path,
                         const std::vector<RebuildItem>& items, CoreHost& host,
                         RebuildFiles& files) {
  if (kind == ckNone) return Fail("Choose the kind of container to make.");
  std::error_code ec;
  if (std::filesystem::exists(path, ec))
    return Fail("File " + path + " exists already; a new container is never written over it.",
                ErrorKind::kNotSupported);
  for (const RebuildItem& item : items)
    if (item.source >= 0) return Fail("A new container has no entries to copy.");
  return WriteAndReplace(kind, path, nullptr, nullptr, items, host, files);
}

}  // namespace brindle
