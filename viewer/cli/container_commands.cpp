#include "viewer/cli/container_commands.h"

#include <algorithm>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <set>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/cli/authoring_commands.h"
#include "viewer/cli/commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/batch_import.h"
#include "viewer/core/edit/export_all.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

void CliHost::Message(const std::string& text) {
  err_ << text << '\n';
}

std::string PrintableName(const std::string& name) {
  return EscapeControls(Cp1252ToUtf8(name));
}

std::optional<TResourceType> TypeArgument(const std::string& word, std::ostream& err) {
  std::optional<TResourceType> type = ResourceTypeFromName(word);
  if (!type) {
    err << "Unknown type " << word << "; the types are those of brindle-cli list:";
    for (std::string_view name : EntryTypeNames())
      err << ' ' << name;
    err << '\n';
  }
  return type;
}

namespace {

// A JSON string: the name as UTF-8, with quotes, backslashes and control characters escaped.
std::string JsonString(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20 || b == 0x7F) {
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out + '"';
}

// What went wrong inside an entry's data ("Error Inflating: DATA_ERROR!") names the container
// and the entry: the window shows it while the entry is selected, a script has no such
// context. A failed export's message carries those notes in the lines before its own.
void PrintEntryNote(std::ostream& err, const std::string& container, const std::string& entry,
                    const std::string& note) {
  err << container << ": " << entry << ": " << note << '\n';
}

void PrintEntryFailure(std::ostream& err, const std::string& container, const std::string& entry,
                       const std::string& message) {
  std::size_t start = 0;
  for (std::size_t end; (end = message.find('\n', start)) != std::string::npos; start = end + 1)
    PrintEntryNote(err, container, entry, message.substr(start, end - start));
  err << message.substr(start) << '\n';
}

// Opened, and every entry's type found out (list and extract name and pick entries by it).
Status OpenIdentified(const std::string& path, Opened& opened, CoreHost& host) {
  if (Status r = OpenForReading(path, opened, host); !r) return r;
  return IdentifyAll(opened.dataFile, *opened.file);
}

// The columns of the list, in the order both forms print them.
struct ListRow {
  std::size_t index;
  const TResourceInfo& e;
};

void PrintTabRow(std::ostream& out, const ListRow& r) {
  const TResourceInfo& e = r.e;
  out << r.index << '\t' << PrintableName(e.Name) << '\t' << ResourceTypeName(e.ResType) << '\t'
      << e.Offset << '\t' << e.Size << '\t' << e.PackedSize << '\t' << e.UnpackedSize << '\t'
      << e.Width << '\t' << e.Height << '\t' << e.PaletteId << '\n';
}

void PrintJsonRow(std::ostream& out, const ListRow& r) {
  const TResourceInfo& e = r.e;
  out << "{\"index\": " << r.index << ", \"name\": " << JsonString(Cp1252ToUtf8(e.Name))
      << ", \"type\": \"" << ResourceTypeName(e.ResType) << "\", \"offset\": " << e.Offset
      << ", \"size\": " << e.Size << ", \"packed\": " << e.PackedSize
      << ", \"unpacked\": " << e.UnpackedSize << ", \"width\": " << e.Width
      << ", \"height\": " << e.Height << ", \"palette\": " << e.PaletteId << '}';
}

int List(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  CliHost host(err);
  Opened o;
  if (Status r = OpenIdentified(path, o, host); !r) return ReportError(r.error(), err);
  const std::vector<TResourceInfo>& entries = o.dataFile.Entries;
  if (json) {
    // One object a line, so that line tools still work on it.
    out << '[';
    for (std::size_t i = 0; i < entries.size(); ++i) {
      out << (i == 0 ? "\n  " : ",\n  ");
      PrintJsonRow(out, {i, entries[i]});
    }
    out << (entries.empty() ? "]\n" : "\n]\n");
    return kExitDone;
  }
  out << "index\tname\ttype\toffset\tsize\tpacked\tunpacked\twidth\theight\tpalette\n";
  for (std::size_t i = 0; i < entries.size(); ++i)
    PrintTabRow(out, {i, entries[i]});
  return kExitDone;
}

int Info(const std::string& path, std::ostream& out, std::ostream& err) {
  CliHost host(err);
  Opened o;
  if (Status r = OpenForReading(path, o, host); !r) return ReportError(r.error(), err);
  out << "file: " << path << '\n'
      << "kind: " << KindName(o.dataFile.Kind) << '\n'
      << "entries: " << o.dataFile.Entries.size() << '\n'
      << "size: " << o.dataFile.FileSize << " bytes\n";
  return kExitDone;
}

}  // namespace

std::vector<std::string_view> EntryTypeNames() {
  std::vector<std::string_view> names;
  for (const EntryType& t : EntryTypes())
    names.push_back(t.name);
  return names;
}

std::vector<std::string_view> ContainerKindNames() {
  std::vector<const ContainerKindInfo*> kinds;
  for (const ContainerKindInfo& k : ContainerKinds())
    kinds.push_back(&k);
  std::sort(kinds.begin(), kinds.end(), [](const ContainerKindInfo* a, const ContainerKindInfo* b) {
    return a->kind < b->kind;
  });
  std::vector<std::string_view> names;
  for (const ContainerKindInfo* k : kinds)
    names.push_back(k->name);
  return names;
}

int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1) return List(args[0], false, out, err);
  if (args.size() == 2 && (args[0] == "--json" || args[1] == "--json"))
    return List(args[0] == "--json" ? args[1] : args[0], true, out, err);
  return ProgramUsageError(err);
}

int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return ProgramUsageError(err);
  return Info(args[0], out, err);
}

namespace {

struct ExtractOptions {
  std::string container;
  std::string dir;  // empty: the current folder
  bool raw = false;
  std::vector<std::string> wanted;  // empty: every entry
  std::set<TResourceType> types;    // empty: every type
};

// Arguments that cannot be run give the usage, or the one thing wrong with them.
std::optional<ExtractOptions> ParseExtractArgs(const std::vector<std::string>& args,
                                               std::ostream& err) {
  ExtractOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "-o" || args[i] == "--type") && i + 1 == args.size()) {
      err << "The option " << args[i] << " needs a value: "
          << (args[i] == "-o" ? "a folder, or - for standard output" : "a type") << '\n';
      return std::nullopt;
    }
    if (args[i] == "-o") {
      o.dir = args[++i];
    } else if (args[i] == "--raw") {
      o.raw = true;
    } else if (args[i].size() > 1 && args[i][0] == '-' && args[i] != "--type") {
      err << "Unknown option " << args[i] << " (see brindle-cli extract --help)\n";
      return std::nullopt;
    } else if (args[i] == "--type") {
      std::optional<TResourceType> type = TypeArgument(args[++i], err);
      if (!type) return std::nullopt;
      o.types.insert(*type);
    } else if (o.container.empty()) {
      o.container = args[i];
    } else {
      o.wanted.push_back(args[i]);
    }
  }
  if (o.container.empty()) {
    PrintUsage(err);
    return std::nullopt;
  }
  return o;
}

// The entries asked for, in the order asked; names that match none are reported.
std::vector<int> PickEntries(const ExtractOptions& o, const TDataFile& df, std::ostream& err,
                             int& failures) {
  std::vector<int> indices;
  if (o.wanted.empty()) {
    for (std::size_t i = 0; i < df.Entries.size(); ++i)
      indices.push_back(static_cast<int>(i));
  }
  for (const std::string& w : o.wanted) {
    int index = FindEntryArgument(df, w);
    if (index < 0) {
      err << "No entry " << w << " in " << o.container << '\n';
      ++failures;
    } else {
      indices.push_back(index);
    }
  }
  if (!o.types.empty()) {
    std::erase_if(indices, [&](int i) {
      return !o.types.contains(df.Entries[static_cast<std::size_t>(i)].ResType);
    });
  }
  return indices;
}

// One line per entry: where it went, or why it did not; notes name the container.
bool ReportExtracted(const ExtractOptions& o, const TDataFile& df, const EntryExport& done,
                     std::ostream& out, std::ostream& err) {
  const TResourceInfo& e = df.Entries[static_cast<std::size_t>(done.index)];
  const std::string shownName = PrintableName(e.Name);
  switch (done.outcome) {
    case ExportOutcome::kSkipped:
      err << "Skipped " << shownName << " (" << ResourceTypeName(e.ResType)
          << "): saving this type as a file of its own is not available yet; --raw saves "
             "its stored bytes\n";
      return true;
    case ExportOutcome::kFailed:
      PrintEntryFailure(err, o.container, shownName, done.message);
      return false;
    case ExportOutcome::kWritten:
    case ExportOutcome::kWithNotes:
      break;
  }
  for (const std::string& note : done.notes)
    PrintEntryNote(err, o.container, shownName, note);
  out << shownName << " -> " << done.target << '\n';
  return done.notes.empty();
}

// -o -: the one entry asked for, converted, on standard output; messages on stderr.
int ExtractToOutput(const ExtractOptions& o, Opened& opened, const std::vector<int>& indices,
                    int failures, std::ostream& out, std::ostream& err) {
  if (failures > 0) return kExitRefused;
  if (indices.size() != 1) {
    err << "-o - writes one entry to standard output; " << indices.size()
        << (indices.size() == 1 ? " entry was" : " entries were") << " chosen\n";
    return kExitRefused;
  }
  const TResourceInfo& e = opened.dataFile.Entries[static_cast<std::size_t>(indices[0])];
  ExportAllOptions exportOptions;
  exportOptions.containerPath = o.container;
  exportOptions.raw = o.raw;
  Result<ExportedFile> r = ExportOneEntry(*opened.file, e, exportOptions);
  if (!r) {
    PrintEntryFailure(err, o.container, PrintableName(e.Name), r.message());
    return kExitPartly;
  }
  for (const std::string& note : r->notes)
    PrintEntryNote(err, o.container, PrintableName(e.Name), note);
  out.write(reinterpret_cast<const char*>(r->bytes.data()),
            static_cast<std::streamsize>(r->bytes.size()));
  return r->notes.empty() ? kExitDone : kExitPartly;
}

}  // namespace

int ExtractCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ExtractOptions> options = ParseExtractArgs(args, err);
  if (!options) return kExitRefused;
  CliHost host(err);
  Opened opened;
  if (Status r = OpenIdentified(options->container, opened, host); !r)
    return ReportError(r.error(), err);

  int failures = 0;
  const std::vector<int> indices = PickEntries(*options, opened.dataFile, err, failures);
  if (options->dir == "-") return ExtractToOutput(*options, opened, indices, failures, out, err);
  ExportAllOptions exportOptions;
  exportOptions.containerPath = options->container;
  exportOptions.dir = options->dir;
  exportOptions.raw = options->raw;
  Result<ExportAllSummary> run = ExportEntries(
      *opened.file, opened.dataFile, indices, exportOptions, host, [&](const EntryExport& done) {
        if (!ReportExtracted(*options, opened.dataFile, done, out, err)) ++failures;
        return true;
      });
  if (!run) return ReportError(run.error(), err);
  return failures > 0 ? kExitPartly : kExitDone;
}

namespace {

// Prints "Imported NAME" for every write-back, whatever the type.
class ImportHost : public CliHost {
 public:
  ImportHost(std::ostream& out, std::ostream& err, const TDataFile& df)
      : CliHost(err), out_(out), df_(df) {}
  void EntryRewritten(int index) override {
    out_ << "Imported " << PrintableName(df_.Entries[static_cast<std::size_t>(index)].Name) << '\n';
  }

 private:
  std::ostream& out_;
  const TDataFile& df_;
};

}  // namespace

int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return ProgramUsageError(err);
  TDataFile df;
  ImportHost host(out, err, df);
  if (Status r = OpenContainer(df, args[0], host); !r) return ReportError(r.error(), err);
  // The window's dialog only offers files that exist.
  int missing = 0;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (Result<FileStamp> stamp = StatFile(args[i]); !stamp) {
      err << stamp.message() << '\n';
      ++missing;
    } else {
      files.push_back(args[i]);
    }
  }
  Result<BatchSummary> r = BatchImport(df, files, CoreImportConverters(), host);
  if (!r) return ReportError(r.error(), err);
  for (const std::string& f : r->unmatched)
    err << "No entry matches " << f << '\n';
  r->refused += missing;
  out << BatchSummaryText(*r) << '\n';
  return r->refused > 0 || !r->unmatched.empty() ? kExitPartly : kExitDone;
}

int HexDumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return ProgramUsageError(err);
  CliHost host(err);
  Opened o;
  if (Status r = OpenForReading(args[0], o, host); !r) return ReportError(r.error(), err);
  // The container could be read: an entry that cannot be fails as one entry of extract does.
  int index = FindEntryArgument(o.dataFile, args[1]);
  if (index < 0) {
    err << "No entry " << args[1] << " in " << args[0] << '\n';
    return kExitPartly;
  }
  if (Status read = IdentifyEntry(o.dataFile, index, *o.file); !read) {
    err << read.message() << '\n';
    return kExitPartly;
  }
  const TResourceInfo& e = o.dataFile.Entries[static_cast<std::size_t>(index)];
  Result<ExportedFile> payload = ReadPagePayload(*o.file, e, host);
  if (!payload) {
    PrintEntryFailure(err, args[0], PrintableName(e.Name), payload.message());
    return kExitPartly;
  }
  for (const std::string& note : payload->notes)
    PrintEntryNote(err, args[0], PrintableName(e.Name), note);
  HexDumpText(payload->bytes, [&out](std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  });
  return payload->notes.empty() ? kExitDone : kExitPartly;
}

}  // namespace brindle
