#pragma once
// brindle-cli add, remove, rename, rebuild and new: the commands that change which entries a
// container holds. Each rewrites the container whole (see viewer/core/edit/rebuild.h).

#include <iosfwd>
#include <string>
#include <vector>

#include "viewer/core/containers/data_file.h"

namespace brindle {

// Exit codes: 0 done, 2 nothing changed (usage, a container that cannot be opened, a file or
// name refused, a write that failed; the reason is on stderr), 1 a change made but not checked
// or another program's change met (see exit_codes.h).
int AddCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RemoveCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RenameCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RebuildCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int NewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// An ENTRY argument: "#INDEX" or a name (first match, any case); -1 when there is none.
int FindEntryArgument(const TDataFile& dataFile, const std::string& arg);

}  // namespace brindle
