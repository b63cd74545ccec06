#pragma once
// brindle-cli grep: a text or a byte pattern in every entry of a container.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// Prints NAME, WHERE and SNIPPET (TAB between them) for each hit as it is found. Exit code 0
// when something matched, 1 when nothing did, 2 on an error (grep's convention).
int GrepCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brindle
