#include "viewer/cli/commands.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/cli/authoring_commands.h"
#include "viewer/cli/party_command.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/batch_import.h"
#include "viewer/core/edit/export_all.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"

namespace brindle {

namespace {

constexpr const char* kUsage =
    "usage: brindle-cli COMMAND CONTAINER [ARGS]\n"
    "Lists, extracts, replaces and edits the entries of the game's containers (.LOD, .SND,\n"
    ".VID) and the party of its saved games.\n"
    "\n"
    "Commands:\n"
    "  list [--json] CONTAINER                entries with their types and sizes (--json:\n"
    "                                         a JSON array of objects with the same fields)\n"
    "  info CONTAINER                         kind, entry count and size\n"
    "  extract CONTAINER [-o DIR] [--raw] [--type TYPE]... [ENTRY...]\n"
    "                                         save entries as their pages do (ENTRY: a name\n"
    "                                         or #INDEX; none: all of them; --type: only\n"
    "                                         entries of these types, named as list names\n"
    "                                         them)\n"
    "  import CONTAINER FILE...               replace the entries named like the files\n"
    "  hexdump CONTAINER ENTRY                the hex dump of an entry's payload\n"
    "  add CONTAINER FILE...                  add files as new entries\n"
    "  remove CONTAINER ENTRY...              remove entries\n"
    "  rename CONTAINER ENTRY NEWNAME         rename an entry\n"
    "  rebuild CONTAINER                      rewrite without unused bytes\n"
    "  new KIND CONTAINER [FILE...]           make a container (KIND: vid chapter sprites\n"
    "                                         maps icons bitmaps snd)\n"
    "  party SAVE [--set KEY=VALUE]...        the party of a saved game, one field a line\n"
    "                                         (KEY, VALUE, caption); --set changes fields\n"
    "                                         and saves them\n"
    "  --help, --version                      this text; the program's version\n"
    "  COMMAND --help                         the command's own help\n"
    "\n"
    "Exit status: 0 all done, 1 some entries or files failed, 2 nothing could be done.\n";

// Each command's own help: its form, then what it does.
struct CommandHelp {
  const char* name;
  const char* text;
};
constexpr CommandHelp kCommandHelp[] = {
    {"list",
     "usage: brindle-cli list [--json] CONTAINER\n"
     "Prints one line per entry after a header line, fields separated by a TAB: index name\n"
     "type offset size packed unpacked width height palette. --json prints a JSON array\n"
     "with one object a line and the same fields.\n"},
    {"info",
     "usage: brindle-cli info CONTAINER\n"
     "Prints the container's file, kind, number of entries and size.\n"},
    {"extract",
     "usage: brindle-cli extract CONTAINER [-o DIR] [--raw] [--type TYPE]... [ENTRY...]\n"
     "Saves entries as their pages do (texts as .txt, sounds as .wav, pictures as .bmp, ...).\n"
     "ENTRY is a name (any case) or #INDEX; without one every entry is saved.\n"
     "  -o DIR       the folder to write to (made when missing; default: the current one);\n"
     "               -o - writes the one entry asked for to standard output\n"
     "  --raw        the bytes as stored, under the entry's own name\n"
     "  --type TYPE  only entries of this type (repeatable; the types list prints)\n"},
    {"import",
     "usage: brindle-cli import CONTAINER FILE...\n"
     "Replaces each entry named like a file (folder and case ignored; a file extract wrote\n"
     "for an entry without an extension is found too). Prints \"Imported NAME\" for each,\n"
     "\"No entry matches FILE\" on stderr for each file no entry takes, then a count.\n"},
    {"hexdump",
     "usage: brindle-cli hexdump CONTAINER ENTRY\n"
     "Prints the hex dump of the payload the entry's page shows.\n"},
    {"add",
     "usage: brindle-cli add CONTAINER FILE...\n"
     "Adds each file as a new entry named after it, converted as an import of its kind\n"
     "would be, and writes the container anew.\n"},
    {"remove",
     "usage: brindle-cli remove CONTAINER ENTRY...\n"
     "Removes the entries and writes the container anew.\n"},
    {"rename",
     "usage: brindle-cli rename CONTAINER ENTRY NEWNAME\n"
     "Gives an entry a new name and writes the container anew.\n"},
    {"rebuild",
     "usage: brindle-cli rebuild CONTAINER\n"
     "Writes the container anew without the bytes no entry uses.\n"},
    {"new",
     "usage: brindle-cli new KIND CONTAINER [FILE...]\n"
     "Makes a container of KIND (vid chapter sprites maps icons bitmaps snd) holding the\n"
     "files; an existing file is never overwritten.\n"},
    {"party",
     "usage: brindle-cli party SAVE [--set KEY=VALUE]...\n"
     "Prints the party of a saved game, one field a line (KEY, VALUE, caption).\n"
     "  --set KEY=VALUE  changes a field as the window's editor would, then saves\n"},
};

// Exit codes: 0 all done, 1 some entries or files failed, 2 nothing could be done (usage,
// a container that cannot be opened, a batch refused as a whole).
constexpr int kExitDone = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitRefused = 2;

// Messages the window would show in a box, one per line on stderr.
class CliHost : public CoreHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  void Message(const std::string& text) override { err_ << text << '\n'; }

 protected:
  std::ostream& err_;
};

// Control characters would break the one-line-per-entry output.
std::string PrintableName(const std::string& name) {
  return EscapeControls(Cp1252ToUtf8(name));
}

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

struct Opened {
  TDataFile dataFile;
  std::unique_ptr<PosixFile> file;
};

// Opens the container as the window does, and keeps it open for reading: the directory and
// the entries' bytes come from the one file.
Status OpenForCli(const std::string& path, Opened& opened, CoreHost& host) {
  Result<std::unique_ptr<PosixFile>> file = OpenContainerFile(path, FileMode::kReadShared);
  if (!file) return file.error();
  opened.file = std::move(*file);
  return ReadContainer(opened.dataFile, *opened.file, path, host);
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
  if (Status r = OpenForCli(path, o, host); !r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
  if (Status read = IdentifyAll(o.dataFile, *o.file); !read) {
    err << read.message() << '\n';
    return kExitRefused;
  }
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
  if (Status r = OpenForCli(path, o, host); !r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
  out << "file: " << path << '\n'
      << "kind: " << KindName(o.dataFile.Kind) << '\n'
      << "entries: " << o.dataFile.Entries.size() << '\n'
      << "size: " << o.dataFile.FileSize << " bytes\n";
  return kExitDone;
}

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
      std::optional<TResourceType> type = ResourceTypeFromName(args[++i]);
      if (!type) {
        err << "Unknown type " << args[i] << "; the types are those of brindle-cli list:";
        for (int t = 0; t <= rtVideo; ++t) {
          std::string_view name = ResourceTypeName(static_cast<TResourceType>(t));
          if (!name.empty()) err << ' ' << name;
        }
        err << '\n';
        return std::nullopt;
      }
      o.types.insert(*type);
    } else if (o.container.empty()) {
      o.container = args[i];
    } else {
      o.wanted.push_back(args[i]);
    }
  }
  if (o.container.empty()) {
    err << kUsage;
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
    return kExitSomeFailed;
  }
  for (const std::string& note : r->notes)
    PrintEntryNote(err, o.container, PrintableName(e.Name), note);
  out.write(reinterpret_cast<const char*>(r->bytes.data()),
            static_cast<std::streamsize>(r->bytes.size()));
  return r->notes.empty() ? kExitDone : kExitSomeFailed;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::optional<ExtractOptions> options = ParseExtractArgs(args, err);
  if (!options) return kExitRefused;
  CliHost host(err);
  Opened opened;
  if (Status r = OpenForCli(options->container, opened, host); !r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
  if (Status read = IdentifyAll(opened.dataFile, *opened.file); !read) {
    err << read.message() << '\n';
    return kExitRefused;
  }

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
  if (!run) {
    err << run.message() << '\n';
    return kExitRefused;
  }
  return failures > 0 ? kExitSomeFailed : kExitDone;
}

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

int Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) {
    err << kUsage;
    return kExitRefused;
  }
  TDataFile df;
  ImportHost host(out, err, df);
  if (Status r = OpenContainer(df, args[0], host); !r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
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
  if (!r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
  for (const std::string& f : r->unmatched)
    err << "No entry matches " << f << '\n';
  r->refused += missing;
  out << BatchSummaryText(*r) << '\n';
  return r->refused > 0 || !r->unmatched.empty() ? kExitSomeFailed : kExitDone;
}

int HexDumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return kExitRefused;
  }
  CliHost host(err);
  Opened o;
  if (Status r = OpenForCli(args[0], o, host); !r) {
    err << r.message() << '\n';
    return kExitRefused;
  }
  int index = FindEntryArgument(o.dataFile, args[1]);
  if (index < 0) {
    err << "No entry " << args[1] << " in " << args[0] << '\n';
    return kExitSomeFailed;
  }
  if (Status read = IdentifyEntry(o.dataFile, index, *o.file); !read) {
    err << read.message() << '\n';
    return kExitSomeFailed;
  }
  const TResourceInfo& e = o.dataFile.Entries[static_cast<std::size_t>(index)];
  Result<ExportedFile> payload = ReadPagePayload(*o.file, e, host);
  if (!payload) {
    PrintEntryFailure(err, args[0], PrintableName(e.Name), payload.message());
    return kExitSomeFailed;
  }
  for (const std::string& note : payload->notes)
    PrintEntryNote(err, args[0], PrintableName(e.Name), note);
  HexDumpText(payload->bytes, [&out](std::string_view text) {
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  });
  return payload->notes.empty() ? kExitDone : kExitSomeFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return kExitRefused;
  }
  const std::string& cmd = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (cmd == "-h" || cmd == "--help" || cmd == "help") {
    out << kUsage;
    return kExitDone;
  }
  if (cmd == "-V" || cmd == "--version") {
    // Where the game data the window needs would come from: an installation says whether
    // it is whole.
    const GameDataLocation data =
        LocateGameDataFile(GameDataCandidates(ExecutableDir(nullptr), BRINDLE_SHARE_DIR));
    out << "brindle-cli " << BRINDLE_VERSION
        << "\ngame data: " << (data.path.empty() ? "not found" : data.path) << '\n';
    return kExitDone;
  }
  for (const CommandHelp& c : kCommandHelp) {
    if (cmd == c.name && std::any_of(rest.begin(), rest.end(), [](const std::string& a) {
          return a == "--help" || a == "-h";
        })) {
      out << c.text;
      return kExitDone;
    }
  }
  if (cmd == "info" && rest.size() == 1) return Info(rest[0], out, err);
  if (cmd == "list" && rest.size() == 1) return List(rest[0], false, out, err);
  if (cmd == "list" && rest.size() == 2 && (rest[0] == "--json" || rest[1] == "--json"))
    return List(rest[0] == "--json" ? rest[1] : rest[0], true, out, err);
  if (cmd == "extract") return Extract(rest, out, err);
  if (cmd == "import") return Import(rest, out, err);
  if (cmd == "hexdump") return HexDumpCommand(rest, out, err);
  if (cmd == "add") return AddCommand(rest, out, err);
  if (cmd == "remove") return RemoveCommand(rest, out, err);
  if (cmd == "rename") return RenameCommand(rest, out, err);
  if (cmd == "rebuild") return RebuildCommand(rest, out, err);
  if (cmd == "new") return NewCommand(rest, out, err);
  if (cmd == "party")
    return PartyCommand(rest, out, err,
                        MakeAppPaths(ExecutableDir(nullptr), BRINDLE_SHARE_DIR).gameDataCandidates);
  // A known command with the wrong arguments, or a word that is none: say which first.
  static const char* const kCommands[] = {"list",   "info",   "extract", "import", "hexdump", "add",
                                          "remove", "rename", "rebuild", "new",    "party"};
  if (std::find(std::begin(kCommands), std::end(kCommands), cmd) == std::end(kCommands))
    err << "Unknown command " << cmd << "\n";
  err << kUsage;
  return kExitRefused;
}

}  // namespace brindle
