#include "viewer/core/edit/export_all.h"

#include <filesystem>
#include <string_view>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

namespace {

EntryExport SaveOne(ByteFile& file, const TDataFile& dataFile, int index,
                    const ExportAllOptions& options, NameBook& names) {
  const TResourceInfo& e = dataFile.Entries[static_cast<std::size_t>(index)];
  EntryExport done;
  done.index = index;
  Result<ExportedFile> r = ExportOneEntry(file, e, options);
  if (!r) {
    done.outcome =
        r.kind() == ErrorKind::kNotSupported ? ExportOutcome::kSkipped : ExportOutcome::kFailed;
    done.message = r.message();
    return done;
  }
  done.notes = std::move(r->notes);
  const std::string fileName = names.Claim(ExtractFileName(e.Name, r->extension, index), index);
  done.target =
      options.dir.empty() ? fileName : (std::filesystem::path(options.dir) / fileName).string();
  if (Status w = WriteWholeFile(done.target, r->bytes, /*pushToDisk=*/false); !w) {
    done.outcome = ExportOutcome::kFailed;
    done.message = "Cannot write file " + done.target + ": " + w.message() +
                   "\nError!  Unable to save " + Cp1252ToUtf8(e.Name);
    done.target.clear();
    return done;
  }
  done.outcome = done.notes.empty() ? ExportOutcome::kWritten : ExportOutcome::kWithNotes;
  return done;
}

}  // namespace

Result<ExportedFile> ExportOneEntry(ByteFile& file, const TResourceInfo& e,
                                    const ExportAllOptions& options) {
  // Progress of a single entry would make a run's bar jump back and forth, and messages
  // belong to the entry: no host hears either.
  SilentHost quiet;
  if (!options.raw) return ExportEntry(file, e, quiet, options.containerPath);
  Result<Bytes> bytes = ReadStoredEntry(file, e);
  if (!bytes)
    return Fail(bytes.message() + "\nError!  Unable to save " + Cp1252ToUtf8(e.Name), bytes.kind());
  ExportedFile stored;
  stored.bytes = std::move(*bytes);
  return stored;
}

std::string ExtractFileName(const std::string& entryName, const std::string& ext, int index) {
  std::string name = Cp1252ToUtf8(entryName);
  if (!ext.empty()) {
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    name += "." + ext;
  }
  for (char& c : name) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
      c = '_';
  }
  if (name.find_first_not_of('.') == std::string::npos) {
    name.clear();
    name.push_back('_');
    name += std::to_string(index);
  }
  return name;
}

std::string NameBook::Claim(std::string name, int index) {
  if (used_.insert(UpperAscii(name)).second) return name;
  // "-INDEX" before the extension; should an entry already own that name too, a count
  // follows until the name is free, so no file of the run is ever written twice.
  const auto dot = name.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && dot != 0;
  const std::string stem = hasExtension ? name.substr(0, dot) : name;
  const std::string ext = hasExtension ? name.substr(dot) : std::string();
  const std::string tagged = stem + "-" + std::to_string(index);
  for (int n = 1;; ++n) {
    std::string candidate = n == 1 ? tagged + ext : tagged + "-" + std::to_string(n) + ext;
    if (used_.insert(UpperAscii(candidate)).second) return candidate;
  }
}

Result<ExportAllSummary> ExportEntries(ByteFile& file, const TDataFile& dataFile,
                                       const std::vector<int>& indices,
                                       const ExportAllOptions& options, CoreHost& host,
                                       const std::function<bool(const EntryExport&)>& onEntry) {
  if (!options.dir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(options.dir, ec);
    if (ec) return Fail("Cannot create folder " + options.dir + ": " + ec.message());
  }
  ExportAllSummary summary;
  summary.asked = static_cast<int>(indices.size());
  NameBook names;
  ProgressReporter progress(host);
  progress.Step(0, summary.asked);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const int index = indices[i];
    if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size()) continue;
    EntryExport done = SaveOne(file, dataFile, index, options, names);
    switch (done.outcome) {
      case ExportOutcome::kWritten:
      case ExportOutcome::kWithNotes:
        ++summary.written;
        break;
      case ExportOutcome::kSkipped:
        ++summary.skipped;
        break;
      case ExportOutcome::kFailed:
        ++summary.failed;
        break;
    }
    progress.Step(static_cast<std::int64_t>(i + 1), summary.asked);
    const bool goOn = !onEntry || onEntry(done);
    if (done.outcome != ExportOutcome::kWritten) summary.trouble.push_back(std::move(done));
    if (!goOn) {
      summary.cancelled = i + 1 < indices.size();
      break;
    }
  }
  return summary;
}

std::string ExportSummaryText(const ExportAllSummary& summary, const TDataFile& dataFile,
                              const std::string& dir, std::size_t maxListed) {
  std::string text = "Exported " + std::to_string(summary.written) + " of " +
                     std::to_string(summary.asked) + (summary.asked == 1 ? " entry" : " entries") +
                     " to " + dir + ".";
  if (summary.cancelled) text += "\nCancelled before the end.";
  std::size_t listed = 0;
  std::size_t unlisted = 0;
  for (const EntryExport& t : summary.trouble) {
    if (t.outcome == ExportOutcome::kWritten) continue;
    if (listed == maxListed) {
      ++unlisted;
      continue;
    }
    ++listed;
    // The record may have been emptied meanwhile (the window closed during the run).
    const bool known = t.index >= 0 && static_cast<std::size_t>(t.index) < dataFile.Entries.size();
    const TResourceInfo* e = known ? &dataFile.Entries[static_cast<std::size_t>(t.index)] : nullptr;
    text += '\n';
    if (e) {
      text += Cp1252ToUtf8(e->Name);
    } else {
      text += '#';
      text += std::to_string(t.index);
    }
    text += ": ";
    switch (t.outcome) {
      case ExportOutcome::kSkipped:
        text += "not saved: " + std::string(ResourceTypeName(e ? e->ResType : rtUnidentified)) +
                " entries have no file of their own yet";
        break;
      case ExportOutcome::kWithNotes:
        text += "saved, but " + t.notes.front();
        break;
      default: {
        // A failure's message may carry the notes said before it, one a line: the last
        // line says what happened, the one before it why (a read that failed, an entry
        // outside the file).
        const auto nl = t.message.find_last_of('\n');
        if (nl == std::string::npos) {
          text += t.message;
          break;
        }
        text += t.message.substr(nl + 1);
        const auto before = nl == 0 ? std::string::npos : t.message.find_last_of('\n', nl - 1);
        const std::size_t from = before == std::string::npos ? 0 : before + 1;
        text += " (" + t.message.substr(from, nl - from) + ")";
        break;
      }
    }
  }
  if (unlisted > 0) text += "\n... and " + std::to_string(unlisted) + " more.";
  return text;
}

}  // namespace brindle
