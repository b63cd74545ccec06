#pragma once
// brindle-cli run in-process: its exit code and what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "viewer/cli/commands.h"

namespace brindle::test {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

// One command with its arguments: Cli("diff", {a, b}).
inline CliRun Cli(const std::string& command, std::vector<std::string> args) {
  args.insert(args.begin(), command);
  return Cli(args);
}

}  // namespace brindle::test
