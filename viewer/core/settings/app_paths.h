#pragma once
// Where the viewer keeps its files. Its own folder holds the game data file, the settings
// and the temporary movie copies, as long as it is writable; otherwise the settings go to
// the user's configuration folder and the movie copies to the cache folder.

#include <string>
#include <vector>

namespace brindle {

struct AppPaths {
  std::string programDir;                       // the executable's folder
  std::string iniPath;                          // brindle.ini
  std::string tempDir;                          // where temp.ztp and temp.kno go
  std::string dialogDir;                        // where the file dialogs start
  std::vector<std::string> gameDataCandidates;  // brindle.dat, in the order looked at
};

// programDir: the executable's folder; prefixShare: <prefix>/share/brindle. brindle.dat is
// looked for beside the program first, then in prefixShare.
AppPaths MakeAppPaths(const std::string& programDir, const std::string& prefixShare);

// Where brindle.dat is looked for, in order: beside the program; for a program installed in
// a "bin" folder, in share/brindle of the prefix it is installed in (an installed tree may
// be moved, or installed elsewhere than the build was told); then in prefixShare.
std::vector<std::string> GameDataCandidates(const std::string& programDir,
                                            const std::string& prefixShare);

// The executable's folder, from /proc/self/exe (argv0 when that is unavailable).
std::string ExecutableDir(const char* argv0);

}  // namespace brindle
