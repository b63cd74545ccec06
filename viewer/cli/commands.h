#pragma once
// brindle-cli: the container core for scripts and batch work. Output goes to the given
// streams so tests can run commands without a process of their own.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// Runs one command line (without the program name). Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The file name an entry is extracted to: the entry name (as UTF-8) with its extension
// replaced by ext (kept when ext is empty), characters a file name cannot hold turned into
// "_", and "_" + index for names that are empty or only dots.
std::string ExtractFileName(const std::string& entryName, const std::string& ext, int index);

}  // namespace brindle
