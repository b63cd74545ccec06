#include "viewer/cli/commands.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>

#include "common/codepage.h"
#include "common/file.h"
#include "viewer/core/edit/batch_import.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

namespace {

constexpr const char* kUsage =
    "usage: brindle-cli COMMAND CONTAINER [ARGS]\n"
    "  list CONTAINER                         entries with their types and sizes\n"
    "  info CONTAINER                         kind, entry count and size\n"
    "  extract CONTAINER [-o DIR] [--raw] [ENTRY...]\n"
    "                                         save entries as their pages do (ENTRY: a name\n"
    "                                         or #INDEX; none: all of them)\n"
    "  import CONTAINER FILE...               replace the entries named like the files\n"
    "  hexdump CONTAINER ENTRY                the hex dump of an entry's payload\n";

// Messages the window would show in a box, one per line on stderr.
class CliHost : public CoreHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  void Message(const std::string& text) override {
    err_ << text << '\n';
    ++messages;
  }
  int messages = 0;

 protected:
  std::ostream& err_;
};

// Control characters would break the one-line-per-entry output.
std::string PrintableName(const std::string& name) {
  std::string utf8 = Cp1252ToUtf8(name);
  std::string out;
  for (char c : utf8) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

struct Opened {
  TDataFile dataFile;
  std::unique_ptr<PosixFile> file;
};

// Opens the container as the window does; prints why not and returns false.
bool OpenForCli(const std::string& path, Opened& opened, CliHost& host, std::ostream& err) {
  switch (OpenContainer(opened.dataFile, path, host)) {
    case OpenResult::kOk:
      break;
    case OpenResult::kNotRecognised:
      err << "Not a recognised data file: " << path << '\n';
      return false;
    case OpenResult::kCannotOpen:
      return false;
  }
  opened.file = PosixFile::Open(path, FileMode::kReadShared);
  if (!opened.file) {
    host.Message(CannotOpenMessage(path));
    return false;
  }
  return true;
}

// An ENTRY argument: "#INDEX" or a name (first match, any case).
int FindEntry(const TDataFile& df, const std::string& arg) {
  if (arg.size() > 1 && arg[0] == '#') {
    int index = -1;
    auto [p, ec] = std::from_chars(arg.data() + 1, arg.data() + arg.size(), index);
    if (ec == std::errc() && p == arg.data() + arg.size() && index >= 0 &&
        static_cast<std::size_t>(index) < df.Entries.size())
      return index;
    return -1;
  }
  const std::string wanted = UpperAscii(arg);
  for (std::size_t i = 0; i < df.Entries.size(); ++i) {
    if (UpperAscii(Cp1252ToUtf8(df.Entries[i].Name)) == wanted) return static_cast<int>(i);
  }
  return -1;
}

int List(const std::string& path, std::ostream& out, std::ostream& err) {
  CliHost host(err);
  Opened o;
  if (!OpenForCli(path, o, host, err)) return 2;
  IdentifyAll(o.dataFile, *o.file);
  out << "index\tname\ttype\toffset\tsize\tpacked\tunpacked\twidth\theight\tpalette\n";
  for (std::size_t i = 0; i < o.dataFile.Entries.size(); ++i) {
    const TResourceInfo& e = o.dataFile.Entries[i];
    out << i << '\t' << PrintableName(e.Name) << '\t' << ResourceTypeName(e.ResType) << '\t'
        << e.Offset << '\t' << e.Size << '\t' << e.PackedSize << '\t' << e.UnpackedSize << '\t'
        << e.Width << '\t' << e.Height << '\t' << e.PaletteId << '\n';
  }
  return 0;
}

int Info(const std::string& path, std::ostream& out, std::ostream& err) {
  CliHost host(err);
  Opened o;
  if (!OpenForCli(path, o, host, err)) return 2;
  out << "file: " << path << '\n'
      << "kind: " << KindName(o.dataFile.Kind) << '\n'
      << "entries: " << o.dataFile.Entries.size() << '\n'
      << "size: " << o.dataFile.FileSize << " bytes\n";
  return 0;
}

// Gives each file of one run a name no other file of the run has, ignoring case: the later
// one gets "-" + its index before the extension.
class NameBook {
 public:
  std::string Claim(std::string name, int index) {
    if (!used_.insert(UpperAscii(name)).second) {
      auto dot = name.find_last_of('.');
      std::string tag(1, '-');
      tag += std::to_string(index);
      if (dot == std::string::npos || dot == 0) {
        name += tag;
      } else {
        name.insert(dot, tag);
      }
      used_.insert(UpperAscii(name));
    }
    return name;
  }

 private:
  std::set<std::string> used_;
};

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string dir;
  bool raw = false;
  std::string path;
  std::vector<std::string> wanted;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      dir = args[++i];
    } else if (args[i] == "--raw") {
      raw = true;
    } else if (path.empty()) {
      path = args[i];
    } else {
      wanted.push_back(args[i]);
    }
  }
  if (path.empty()) {
    err << kUsage;
    return 2;
  }
  CliHost host(err);
  Opened o;
  if (!OpenForCli(path, o, host, err)) return 2;
  IdentifyAll(o.dataFile, *o.file);

  int failures = 0;
  std::vector<int> indices;
  if (wanted.empty()) {
    for (std::size_t i = 0; i < o.dataFile.Entries.size(); ++i)
      indices.push_back(static_cast<int>(i));
  }
  for (const std::string& w : wanted) {
    int index = FindEntry(o.dataFile, w);
    if (index < 0) {
      err << "No entry " << w << " in " << path << '\n';
      ++failures;
    } else {
      indices.push_back(index);
    }
  }
  if (!dir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
      err << "Cannot create folder " << dir << ": " << ec.message() << '\n';
      return 2;
    }
  }

  NameBook names;
  for (int index : indices) {
    const TResourceInfo& e = o.dataFile.Entries[static_cast<std::size_t>(index)];
    const std::string shownName = PrintableName(e.Name);
    ExportResult r;
    if (raw) {
      r.bytes = ReadStoredEntry(*o.file, e);
    } else {
      r = ExportEntry(*o.file, e, host, path);
    }
    if (r.status == ExportStatus::kNoConverter) {
      err << "Skipped " << shownName << " (" << ResourceTypeName(e.ResType)
          << "): saving this type as a file of its own is not available yet; --raw saves "
             "its stored bytes\n";
      continue;
    }
    std::string fileName = names.Claim(ExtractFileName(e.Name, r.extension, index), index);
    std::string target = dir.empty() ? fileName : (std::filesystem::path(dir) / fileName).string();
    if (r.status == ExportStatus::kEmpty || !WriteWholeFile(target, r.bytes)) {
      err << "Error!  Unable to save " << shownName << '\n';
      ++failures;
      continue;
    }
    out << shownName << " -> " << target << '\n';
  }
  return failures > 0 || host.messages > 0 ? 1 : 0;
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
    return 2;
  }
  TDataFile df;
  ImportHost host(out, err, df);
  switch (OpenContainer(df, args[0], host)) {
    case OpenResult::kOk:
      break;
    case OpenResult::kNotRecognised:
      err << "Not a recognised data file: " << args[0] << '\n';
      return 2;
    case OpenResult::kCannotOpen:
      return 2;
  }
  // The window's dialog only offers files that exist.
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    FileStamp stamp;
    if (!StatFile(args[i], &stamp)) {
      host.Message(CannotOpenMessage(args[i]));
    } else {
      files.push_back(args[i]);
    }
  }
  BatchResult r = BatchImport(df, files, CoreImportConverters(), host);
  if (r != BatchResult::kDone) return 2;
  return host.messages > 0 ? 1 : 0;
}

int HexDumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) {
    err << kUsage;
    return 2;
  }
  CliHost host(err);
  Opened o;
  if (!OpenForCli(args[0], o, host, err)) return 2;
  int index = FindEntry(o.dataFile, args[1]);
  if (index < 0) {
    err << "No entry " << args[1] << " in " << args[0] << '\n';
    return 1;
  }
  IdentifyEntry(o.dataFile, index, *o.file);
  const TResourceInfo& e = o.dataFile.Entries[static_cast<std::size_t>(index)];
  Bytes payload = PagePayload(*o.file, e, host);
  if (payload.empty()) {
    host.Message("Error!  Unable to show " + PrintableName(e.Name));
    return 1;
  }
  for (const std::string& line : HexDump(payload))
    out << Cp437ToUtf8(line) << '\n';
  return host.messages > 0 ? 1 : 0;
}

}  // namespace

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

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::string& cmd = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (cmd == "-h" || cmd == "--help" || cmd == "help") {
    out << kUsage;
    return 0;
  }
  if ((cmd == "list" || cmd == "info") && rest.size() == 1) {
    return cmd == "list" ? List(rest[0], out, err) : Info(rest[0], out, err);
  }
  if (cmd == "extract") return Extract(rest, out, err);
  if (cmd == "import") return Import(rest, out, err);
  if (cmd == "hexdump") return HexDumpCommand(rest, out, err);
  err << kUsage;
  return 2;
}

}  // namespace brindle
