#pragma once
// brindle-cli: the container core for scripts and batch work. Output goes to the given
// streams so tests can run commands without a process of their own.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// Runs one command line (without the program name). Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brindle
