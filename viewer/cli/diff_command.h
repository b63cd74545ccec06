#pragma once
// brindle-cli diff: what changed between two containers.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// args: OLD NEW [--content]. Prints "+ NAME", "- NAME", "M NAME" or "R OLD -> NEW" for each
// difference. Exit codes as diff's: 0 the same, 1 different, 2 an error.
int DiffCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brindle
