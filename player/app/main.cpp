// reelrun: plays the movies named on its command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "player/app/options.h"
#include "player/app/player.h"
#include "player/app/sdl_host.h"
#include "player/app/summary.h"

namespace {

// The self-play block: a copy of the program with text written here plays as if that text
// stood in front of its command line. Shipped empty.
struct SelfPlayBlock {
  char begin[8];
  char text[208];
  char end[8];
};

extern "C" {
__attribute__((used)) volatile SelfPlayBlock reelrunSelfPlay = {
    {'S', 'E', 'L', 'F', 'P', 'L', 'A', 'Y'}, {}, {'Y', 'A', 'L', 'P', 'F', 'L', 'E', 'S'}};
}

std::string SelfPlayText() {
  std::string text;
  for (size_t i = 0; i < sizeof reelrunSelfPlay.text && reelrunSelfPlay.text[i] != '\0'; ++i)
    text += reelrunSelfPlay.text[i];
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && (words[0] == "--help" || words[0] == "-?")) {
    std::printf("%s\n\n%s\n\n%s\n", reel::UsageCaption().c_str(),
                reel::TerminalText(reel::UsageText()).c_str(), reel::OutputTablesText().c_str());
    return 0;
  }
  if (words.size() == 1 && words[0] == "--version") {
    std::printf("reelrun %s\n", BRINDLE_VERSION);
    return 0;
  }
  const std::vector<std::string> selfPlay = reel::SplitCommandText(SelfPlayText());
  if (!selfPlay.empty()) {
    // The block's own switches must parse before the real command line joins them.
    if (reel::ParseCommandLine(selfPlay).badSwitch) {
      reel::SdlHost host(reel::Options{});
      reel::CommandLine usage;
      usage.usage = true;
      return reel::RunPlayer(usage, host).exitCode;
    }
    words.insert(words.begin(), selfPlay.begin(), selfPlay.end());
  }
  const reel::CommandLine commandLine = reel::ParseCommandLine(words);
  reel::CatchStopSignals();
  reel::SdlHost host(commandLine.options);
  const reel::RunResult result = reel::RunPlayer(commandLine, host);
  if (result.summaryShown) std::printf("%s\n", reel::TerminalText(result.summary).c_str());
  return result.exitCode;
}
