#pragma once
// Where the viewer keeps its files. The settings go to the user's configuration folder
// ($XDG_CONFIG_HOME/brindle, ~/.config/brindle by default) and the temporary movie copies to
// the runtime folder ($XDG_RUNTIME_DIR/brindle) or, without one, the cache folder
// ($XDG_CACHE_HOME/brindle). A portable copy (a brindle.ini beside the program) and a
// program run from its build folder keep both beside themselves instead; a program
// installed under a system prefix never does.

#include <string>
#include <vector>

namespace brindle {

struct AppPaths {
  std::string programDir;                       // the executable's folder
  std::string iniPath;                          // brindle.ini
  std::string tempDir;                          // where temp.ztp and temp.kno go
  std::vector<std::string> gameDataCandidates;  // brindle.dat, in the order looked at
};

// programDir: the executable's folder; prefixShare: <prefix>/share/brindle; buildTree: the
// folder the program was built in. brindle.dat is looked for beside the program first, then
// in prefixShare. The folders are made when missing.
AppPaths MakeAppPaths(const std::string& programDir, const std::string& prefixShare,
                      const std::string& buildTree = {});

// Whether the program keeps its settings and temporary files beside itself (see above).
bool KeepsFilesBesideItself(const std::string& programDir, const std::string& buildTree);

// Where brindle.dat is looked for, in order: beside the program; for a program installed in
// a "bin" folder, in share/brindle of the prefix it is installed in (an installed tree may
// be moved, or installed elsewhere than the build was told); then in prefixShare.
std::vector<std::string> GameDataCandidates(const std::string& programDir,
                                            const std::string& prefixShare);

// The executable's folder, from /proc/self/exe (argv0 when that is unavailable).
std::string ExecutableDir(const char* argv0);

}  // namespace brindle
