#include "viewer/cli/authoring_commands.h"

#include <charconv>
#include <ostream>

#include "common/codepage.h"
#include "viewer/cli/commands.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/authoring.h"

namespace brindle {

namespace {

// The container opened as the window opens it.
Status OpenQuietly(TDataFile& dataFile, const std::string& path) {
  SilentHost quiet;
  return OpenContainer(dataFile, path, quiet);
}

// 0 done; otherwise the error's exit code: 1 when the change was made but could not be
// checked or made lasting, or another program changed the container during the run (it is
// left as that program left it); 2 when nothing was changed.
int Said(const Status& s, std::ostream& err) {
  return s ? kExitDone : ReportError(s.error(), err);
}

// The change is on disk (done, or done but not checked): its lines are printed.
bool Changed(const Status& s) {
  return s || s.kind() == ErrorKind::kUnverified;
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
  if (args.size() < 2) return CommandUsageError("add", err);
  TDataFile dataFile;
  if (Status s = OpenQuietly(dataFile, args[0]); !s) return ReportError(s.error(), err);
  const std::size_t before = dataFile.Entries.size();
  SilentHost quiet;
  const Status s = AddFiles(dataFile, {args.begin() + 1, args.end()}, quiet);
  if (Changed(s))
    for (std::size_t i = before; i < dataFile.Entries.size(); ++i)
      out << "Added " << Shown(dataFile.Entries[i].Name) << '\n';
  return Said(s, err);
}

int RemoveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return CommandUsageError("remove", err);
  TDataFile dataFile;
  if (Status s = OpenQuietly(dataFile, args[0]); !s) return ReportError(s.error(), err);
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
  if (args.size() != 3) return CommandUsageError("rename", err);
  TDataFile dataFile;
  if (Status s = OpenQuietly(dataFile, args[0]); !s) return ReportError(s.error(), err);
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
  if (args.size() != 1) return CommandUsageError("rebuild", err);
  TDataFile dataFile;
  if (Status s = OpenQuietly(dataFile, args[0]); !s) return ReportError(s.error(), err);
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
  if (args.size() < 2) return CommandUsageError("new", err);
  const std::optional<TContainerKind> kind = ContainerKindFromName(args[0]);
  if (!kind) {
    const std::vector<std::string_view> kinds = ContainerKindNames();
    err << "Unknown container kind " << args[0] << " (";
    for (std::size_t k = 0; k < kinds.size(); ++k)
      err << (k == 0 ? "" : k + 1 == kinds.size() ? " or " : ", ") << kinds[k];
    err << ")\n";
    return kExitRefused;
  }
  SilentHost quiet;
  const Status s = CreateContainer(*kind, args[1], {args.begin() + 2, args.end()}, quiet);
  if (Changed(s)) out << "Created " << args[1] << " (" << args.size() - 2 << " entries)\n";
  return Said(s, err);
}

}  // namespace brindle
