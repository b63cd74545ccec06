#include "viewer/cli/authoring_commands.h"

#include <charconv>
#include <ostream>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/authoring.h"

namespace brindle {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitPartly = 1;
constexpr int kExitRefused = 2;

// The container opened as the window opens it; false (with the reason on err) when it cannot.
bool OpenOrSay(TDataFile& dataFile, const std::string& path, std::ostream& err) {
  SilentHost quiet;
  if (Status s = OpenContainer(dataFile, path, quiet); !s) {
    err << s.message() << '\n';
    return false;
  }
  return true;
}

// 0 done; 1 when the change was made but could not be checked or made lasting, or another
// program changed the container during the run (it is left as that program left it); 2 when
// nothing was changed.
int Said(const Status& s, std::ostream& err) {
  if (s) return kExitDone;
  err << s.message() << '\n';
  return s.kind() == ErrorKind::kUnverified || s.kind() == ErrorKind::kChanged ? kExitPartly
                                                                               : kExitRefused;
}

// The change is on disk (done, or done but not checked): its lines are printed.
bool Changed(const Status& s) {
  return s || s.kind() == ErrorKind::kUnverified;
}

int Usage(std::ostream& err, const char* form) {
  err << "usage: brindle-cli " << form << '\n';
  return kExitRefused;
}

std::string Shown(const std::string& name) {
  return EscapeControls(Cp1252ToUtf8(name));
}

}  // namespace

int FindEntryArgument(const TDataFile& dataFile, const std::string& arg) {
  if (arg.size() > 1 && arg[0] == '#') {
    int index = -1;
    auto [p, ec] = std::from_chars(arg.data() + 1, arg.data() + arg.size(), index);
    if (ec == std::errc() && p == arg.data() + arg.size() && index >= 0 &&
        static_cast<std::size_t>(index) < dataFile.Entries.size())
      return index;
    return -1;
  }
  const std::string wanted = Utf8ToCp1252(arg);
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i)
    if (EqualsIgnoreCase1252(dataFile.Entries[i].Name, wanted)) return static_cast<int>(i);
  return -1;
}

int AddCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return Usage(err, "add CONTAINER FILE...");
  TDataFile dataFile;
  if (!OpenOrSay(dataFile, args[0], err)) return kExitRefused;
  const std::size_t before = dataFile.Entries.size();
  SilentHost quiet;
  const Status s = AddFiles(dataFile, {args.begin() + 1, args.end()}, quiet);
  if (Changed(s))
    for (std::size_t i = before; i < dataFile.Entries.size(); ++i)
      out << "Added " << Shown(dataFile.Entries[i].Name) << '\n';
  return Said(s, err);
}

int RemoveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return Usage(err, "remove CONTAINER ENTRY...");
  TDataFile dataFile;
  if (!OpenOrSay(dataFile, args[0], err)) return kExitRefused;
  std::vector<int> gone;
  std::vector<std::string> names;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const int index = FindEntryArgument(dataFile, args[i]);
    if (index < 0) {
      err << "No entry " << args[i] << " in " << args[0] << '\n';
      return kExitRefused;
    }
    gone.push_back(index);
    names.push_back(dataFile.Entries[static_cast<std::size_t>(index)].Name);
  }
  SilentHost quiet;
  const Status s = RemoveEntries(dataFile, gone, quiet);
  if (Changed(s))
    for (const std::string& n : names)
      out << "Removed " << Shown(n) << '\n';
  return Said(s, err);
}

int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3) return Usage(err, "rename CONTAINER ENTRY NEWNAME");
  TDataFile dataFile;
  if (!OpenOrSay(dataFile, args[0], err)) return kExitRefused;
  const int index = FindEntryArgument(dataFile, args[1]);
  if (index < 0) {
    err << "No entry " << args[1] << " in " << args[0] << '\n';
    return kExitRefused;
  }
  const std::string old = dataFile.Entries[static_cast<std::size_t>(index)].Name;
  SilentHost quiet;
  const Status s = RenameEntry(dataFile, index, args[2], quiet);
  if (Changed(s)) out << "Renamed " << Shown(old) << " -> " << args[2] << '\n';
  return Said(s, err);
}

int RebuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return Usage(err, "rebuild CONTAINER");
  TDataFile dataFile;
  if (!OpenOrSay(dataFile, args[0], err)) return kExitRefused;
  SilentHost quiet;
  const std::int64_t before = dataFile.FileSize;
  Result<RebuildSizes> sizes = CompactContainer(dataFile, quiet);
  if (sizes) {
    out << "Rebuilt " << args[0] << ": " << sizes->before << " -> " << sizes->after << " bytes\n";
    return kExitDone;
  }
  if (sizes.kind() == ErrorKind::kUnverified && dataFile.FileDate != 0) {
    // In place and read again, but not pushed to the disk: the sizes are known.
    out << "Rebuilt " << args[0] << ": " << before << " -> " << dataFile.FileSize << " bytes\n";
  }
  return Said(sizes.error(), err);
}

int NewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return Usage(err, "new KIND CONTAINER [FILE...]");
  const std::optional<TContainerKind> kind = ContainerKindFromName(args[0]);
  if (!kind) {
    err << "Unknown container kind " << args[0]
        << " (vid, chapter, sprites, maps, icons, bitmaps or snd)\n";
    return kExitRefused;
  }
  SilentHost quiet;
  const Status s = CreateContainer(*kind, args[1], {args.begin() + 2, args.end()}, quiet);
  if (Changed(s)) out << "Created " << args[1] << " (" << args.size() - 2 << " entries)\n";
  return Said(s, err);
}

}  // namespace brindle
