#include "viewer/core/edit/check.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

namespace {

// Stored entries larger than this are not read whole to see that their page could read them:
// such a page reads the bytes as they stand, which lie inside the file.
constexpr std::int64_t kLargestHeldEntry = 16 * 1024 * 1024;

// What the decoders say on the way (inflate errors) becomes part of the problem's text.
class NoteHost : public CoreHost {
 public:
  void Message(const std::string& text) override { notes.push_back(text); }
  std::string Joined() const {
    std::string all;
    for (const std::string& n : notes)
      all += " (" + n + ")";
    return all;
  }
  std::vector<std::string> notes;
};

// The header the type's page skips before looking for a compressed stream; nothing for types
// whose bytes are read as they stand.
std::optional<std::int64_t> StreamStart(const TResourceInfo& e) {
  const EntryType& type = EntryTypeOf(e.ResType);
  if (!type.stream) return std::nullopt;
  return type.stream(e);
}

// An entry's name inside a problem's text: one line whatever bytes it holds.
std::string ShownName(const TResourceInfo& e) {
  return ProblemOwner({0, e.Name, {}}, {});
}

std::string PictureErrorText(PictureError error) {
  switch (error) {
    case PictureError::kNoPixels:
      return "picture has no pixels";
    case PictureError::kBadLayout:
      return "picture does not decode: its sizes or runs reach outside its data";
    case PictureError::kTooLarge:
      return "picture does not decode: it claims more pixels than it could hold";
    case PictureError::kNotRgbPcx:
      return "picture does not decode: not a run-length coded 24-bit PCX picture";
    default:
      return "picture does not decode";
  }
}

class Checker {
 public:
  Checker(const TDataFile& dataFile, ByteFile& file, CoreHost& host)
      : df_(dataFile), file_(file), progress_(host) {
    report_.entries = static_cast<std::int64_t>(dataFile.Entries.size());
  }

  Result<CheckReport> Run() {
    const std::size_t n = df_.Entries.size();
    std::vector<bool> inside(n, false);
    for (std::size_t i = 0; i < n; ++i) {
      inside[i] = EntryInsideFile(df_.Entries[i], file_.Size());
      if (!inside[i]) {
        const TResourceInfo& e = df_.Entries[i];
        Add(i, "lies outside the file: its record gives it " + std::to_string(e.Size) +
                   " bytes at offset " + std::to_string(e.Offset) + ", the file has " +
                   std::to_string(file_.Size()));
      } else if (Status s = CheckEntry(i); !s) {
        return s.error();
      }
      progress_.Step(static_cast<std::int64_t>(i) + 1, static_cast<std::int64_t>(n));
    }
    CheckPlacement();
    if (IsLodKind(df_.Kind))
      if (Status s = CheckLengthField(inside); !s) return s.error();
    std::stable_sort(report_.problems.begin(), report_.problems.end(),
                     [](const CheckProblem& a, const CheckProblem& b) {
                       return static_cast<unsigned>(a.index) < static_cast<unsigned>(b.index);
                     });
    return std::move(report_);
  }

 private:
  void Add(std::size_t index, std::string text) {
    report_.problems.push_back({static_cast<int>(index), df_.Entries[index].Name, std::move(text)});
  }

  // One entry inside the file: its stream, then its picture or its page's read.
  Status CheckEntry(std::size_t i) {
    const TResourceInfo& e = df_.Entries[i];
    Result<bool> stream = CheckStream(i);
    if (!stream) return stream.error();
    if (!*stream) return Ok();  // a broken stream says all there is to say of the entry
    const EntryType& row = EntryTypeOf(e.ResType);
    NoteHost notes;
    (void)file_.TakeReadFailure();
    if (row.picture) {
      const ExportContext context{df_.FileName, {}};
      PictureResult picture = DecodeEntryPicture(file_, e, context, notes);
      if (Status read = file_.TakeReadFailure(); !read) return read;
      // Sprites take their colours from another file: without it they cannot be judged.
      if (!picture.ok() && picture.error != PictureError::kNoPaletteFile &&
          picture.error != PictureError::kNoPalette)
        Add(i, PictureErrorText(picture.error) + notes.Joined());
      return Ok();
    }
    if (!e.Identified || e.ResType == rtUnidentified || streamChecked_) return Ok();
    if (row.payload == StoredEntryBytes && e.Size > kLargestHeldEntry) return Ok();
    Result<ExportedFile> page = ReadPagePayload(file_, e, notes);
    if (!page && page.kind() == ErrorKind::kReadFailed) return page.error();
    if (!page) Add(i, "does not read as its page would read it: " + page.message());
    return Ok();
  }

  // A compressed payload, inflated a piece at a time. False when it is broken. A stream that
  // inflates as stated stands for the page's own read of it, which would inflate it again.
  Result<bool> CheckStream(std::size_t i) {
    streamChecked_ = false;
    const TResourceInfo& e = df_.Entries[i];
    const std::optional<std::int64_t> header = StreamStart(e);
    if (!header || *header + 1 >= e.Size) return true;
    const std::int64_t start = static_cast<std::int64_t>(e.Offset) + *header;
    Result<Bytes> marker = file_.ReadBytes(start, 2);
    if (!marker) return marker.error();
    if (!HasZlibMarker(*marker)) return true;
    const std::int64_t length = e.PackedSize;
    if (length <= 2 || *header + length > e.Size) {
      Add(i, "compressed payload of " + std::to_string(length) +
                 " bytes does not fit the entry's " + std::to_string(e.Size - *header) +
                 " bytes after its header");
      return false;
    }
    const std::int64_t stated = e.UnpackedSize;
    Result<StreamOutcome> r =
        InflateStream(file_, start, length, std::max<std::int64_t>(0, stated));
    if (!r) return r.error();
    const std::string sizeText = std::to_string(stated);
    if (r->badChecksum) {
      Add(i, "compressed payload fails its checksum");
    } else if (r->status == InflateStatus::kDataError) {
      Add(i, "compressed payload does not inflate: " + r->reason);
    } else if (r->status == InflateStatus::kMemError || r->status == InflateStatus::kFailed) {
      return Fail("Cannot check " + Cp1252ToUtf8(e.Name) + ": not enough memory to inflate it",
                  ErrorKind::kFailed);
    } else if (r->inflated > stated) {
      Add(i, "compressed payload inflates to more than the " + sizeText + " bytes stated");
    } else if (r->status != InflateStatus::kOk) {
      Add(i, "compressed payload ends before its stream does, after " +
                 std::to_string(r->inflated) + " of the " + sizeText + " bytes stated");
    } else if (r->inflated < stated) {
      Add(i, "compressed payload inflates to " + std::to_string(r->inflated) + " bytes, not the " +
                 sizeText + " stated");
    } else {
      streamChecked_ = true;
      return true;
    }
    return false;
  }

  // Entries against each other and against the directory; what nothing uses is counted.
  // An entry that runs past the end of the file still uses the bytes it has inside it.
  void CheckPlacement() {
    const std::int64_t size = file_.Size();
    const std::int64_t directoryEnd =
        std::min(size, DirectoryEnd(df_.Kind, static_cast<std::int64_t>(df_.Entries.size())));
    struct Span {
      std::size_t index;
      std::int64_t start, end;
    };
    std::vector<Span> spans;
    for (std::size_t i = 0; i < df_.Entries.size(); ++i) {
      const TResourceInfo& e = df_.Entries[i];
      const std::int64_t start = std::max<std::int64_t>(0, e.Offset);
      const std::int64_t end =
          std::min(size, static_cast<std::int64_t>(e.Offset) + std::max(0, e.Size));
      if (start < end) spans.push_back({i, start, end});
    }
    std::stable_sort(spans.begin(), spans.end(),
                     [](const Span& a, const Span& b) { return a.start < b.start; });
    std::int64_t used = std::max<std::int64_t>(0, directoryEnd);
    std::int64_t reach = used;  // the furthest byte used so far
    std::optional<std::size_t> reacher;
    for (const Span& s : spans) {
      if (s.start < reach)
        Add(s.index, reacher ? "overlaps " + ShownName(df_.Entries[*reacher])
                             : std::string("overlaps the directory"));
      used += std::max<std::int64_t>(0, s.end - std::max(reach, s.start));
      if (s.end > reach) {
        reach = s.end;
        reacher = s.index;
      }
    }
    report_.unreferencedBytes = size - used;
  }

  // A LOD's length field counts the bytes from the directory's start to the end of its data.
  Status CheckLengthField(const std::vector<bool>& inside) {
    Result<Bytes> field = file_.ReadBytes(kLodLengthOffset, 4);
    if (!field) return field.error();
    const std::int64_t covered = kLodDirectoryStart + ReadU32(*field, 0);
    std::optional<std::size_t> furthest;
    std::int64_t furthestEnd = covered;
    for (std::size_t i = 0; i < inside.size(); ++i) {
      const std::int64_t end =
          static_cast<std::int64_t>(df_.Entries[i].Offset) + df_.Entries[i].Size;
      if (inside[i] && end > furthestEnd) {
        furthest = i;
        furthestEnd = end;
      }
    }
    if (furthest)
      report_.problems.push_back({-1,
                                  {},
                                  "the length field at " + std::to_string(kLodLengthOffset) +
                                      " covers the file up to " + std::to_string(covered) +
                                      ", but entry " + ShownName(df_.Entries[*furthest]) +
                                      " ends at " + std::to_string(furthestEnd)});
    return Ok();
  }

  const TDataFile& df_;
  ByteFile& file_;
  ProgressReporter progress_;
  CheckReport report_;
  bool streamChecked_ = false;
};

}  // namespace

Result<CheckReport> CheckContainer(const TDataFile& dataFile, ByteFile& file, CoreHost& host) {
  host.ShowProgress(
      true, "Checking " + std::filesystem::path(dataFile.FileName).filename().string() + "...");
  Result<CheckReport> r = Checker(dataFile, file, host).Run();
  host.ShowProgress(false, {});
  return r;
}

Result<CheckReport> CheckContainerFile(const std::string& path, CoreHost& host) {
  Result<std::unique_ptr<PosixFile>> file = OpenContainerFile(path, FileMode::kReadShared);
  if (!file) return file.error();
  TDataFile dataFile;
  if (Status s = ReadContainer(dataFile, **file, path, host); !s) return s.error();
  if (Status s = IdentifyAll(dataFile, **file); !s) return s.error();
  return CheckContainer(dataFile, **file, host);
}

std::string CheckSummary(const CheckReport& report) {
  return std::to_string(report.entries) + " entries checked, " +
         std::to_string(report.problems.size()) + " problems, " +
         std::to_string(report.unreferencedBytes) + " bytes used by no entry";
}

std::string ProblemOwner(const CheckProblem& problem, const std::string& containerPath) {
  if (problem.index < 0) return std::filesystem::path(containerPath).filename().string();
  return EscapeControls(Cp1252ToUtf8(problem.name));
}

std::string CheckReportText(const CheckReport& report, const std::string& containerPath,
                            std::size_t maxProblems) {
  std::string text = CheckSummary(report);
  const std::size_t shown = std::min(maxProblems, report.problems.size());
  for (std::size_t i = 0; i < shown; ++i) {
    text += '\n';
    text += ProblemOwner(report.problems[i], containerPath);
    text += ": ";
    text += report.problems[i].text;
  }
  if (shown < report.problems.size()) {
    text += "\n... and ";
    text += std::to_string(report.problems.size() - shown);
    text += " more";
  }
  return text;
}

}  // namespace brindle
