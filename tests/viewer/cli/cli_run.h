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

}  // namespace brindle::test
