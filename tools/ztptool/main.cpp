// ztptool: movie information, decoding to BMP/WAV and encoding from BMP/WAV.
#include <iostream>

#include "tools/ztptool/commands.h"

int main(int argc, char** argv) {
  return ztptool::RunZtpTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
