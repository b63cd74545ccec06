#pragma once
// brindle-cli list, info, extract, import and hexdump: the commands that read a container's
// entries, or replace them in place.

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

int ListCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int InfoCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ExtractCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int HexDumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The entry types as list names them, in the order of their codes: what --type takes.
std::vector<std::string_view> EntryTypeNames();
// The container kinds' names in the order of their codes: "vid", "chapter", ... "snd".
std::vector<std::string_view> ContainerKindNames();

}  // namespace brindle
