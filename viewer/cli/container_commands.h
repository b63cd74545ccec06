#pragma once
// brindle-cli list, info, extract, import and hexdump: the commands that read a container's
// entries, or replace them in place.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/file.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/host.h"

namespace brindle {

// Messages the window would show in a box, one per line on stderr.
class CliHost : public CoreHost {
 public:
  explicit CliHost(std::ostream& err) : err_(err) {}
  void Message(const std::string& text) override;

 protected:
  std::ostream& err_;
};

using Opened = OpenedContainer;

// An entry's name as the commands print it: UTF-8, control characters escaped (they would
// break the one-line-per-entry output).
std::string PrintableName(const std::string& name);

// The type a --type word names; an unknown word is said on err with the types there are.
std::optional<TResourceType> TypeArgument(const std::string& word, std::ostream& err);

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
