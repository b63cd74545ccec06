#include <malloc.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "viewer/cli/commands.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  // A command runs once and ends: memory it frees stays for its next use rather than going
  // back to the system and being faulted in again, page by page (the buffers of a rebuild,
  // the directory read twice, the lists of 20,000 entries).
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  // With TZ unset the C library looks at /etc/localtime again for every local time it makes;
  // reading a patch makes one for each of the zip's time stamps (thousands). Naming the
  // same zone file once makes it read it once.
  if (std::getenv("TZ") == nullptr) setenv("TZ", ":/etc/localtime", 0);
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
