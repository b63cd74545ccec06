#pragma once
// brindle-cli check: a container read through and judged, never written.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// args: CONTAINER. Prints "NAME\tPROBLEM" for each problem, then the summary line. Exit
// codes: 0 no problems, 1 problems, 2 the container cannot be opened or read.
int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brindle
