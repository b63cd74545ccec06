#include <iostream>
#include <string>
#include <vector>

#include "viewer/cli/commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  const int code = brindle::RunCli(args, std::cout, std::cerr);
  // Output that did not reach its file (a full disk, a closed pipe) is no success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "brindle-cli: the output could not be written\n";
    return code == 0 ? 1 : code;
  }
  return code;
}
