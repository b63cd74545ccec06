// brindle-dat: packs the game data file from its text and picture sources, and takes a data
// file apart again. Exit codes: 0 done, 1 the work failed, 2 the command line is wrong.
#include <cstdio>
#include <string>

#include "tools/brindle-dat/dat_tool.h"

namespace {

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: brindle-dat pack SRC_DIR OUT.dat\n"
               "       brindle-dat unpack FILE.dat OUT_DIR\n"
               "       brindle-dat --help | --version\n"
               "Packs the game data file brindle.dat from its sources and takes it apart again.\n"
               "SRC_DIR holds title.bmp and one text file per column, from %s on.\n"
               "Exit status: 0 done, 1 the work failed, 2 the command line is wrong.\n",
               brindle::ColumnFileName(0).c_str());
}

void Usage() {
  Usage(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    Usage(stdout);
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("brindle-dat %s\n", BRINDLE_VERSION);
    return 0;
  }
  if (argc != 4) {
    Usage();
    return 2;
  }
  const std::string command = argv[1];
  if (command != "pack" && command != "unpack") {
    std::fprintf(stderr, "brindle-dat: unknown command \"%s\"\n", command.c_str());
    Usage();
    return 2;
  }
  const brindle::Result<brindle::DatToolReport> r =
      command == "pack" ? brindle::PackGameDataFolder(argv[2], argv[3])
                        : brindle::UnpackGameDataFile(argv[2], argv[3]);
  if (!r) {
    std::fprintf(stderr, "brindle-dat: %s\n", r.message().c_str());
    return 1;
  }
  for (const std::string& w : r->warnings)
    std::fprintf(stderr, "brindle-dat: warning: %s\n", w.c_str());
  std::printf("%s\n", r->summary.c_str());
  return 0;
}
