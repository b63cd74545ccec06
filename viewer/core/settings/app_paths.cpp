#include "viewer/core/settings/app_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace brindle {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string UserDir(const char* xdgVar, const char* homeSuffix) {
  std::string home = EnvOr("HOME", "/tmp");
  std::string base = EnvOr(xdgVar, home + homeSuffix);
  std::string dir = base + "/brindle";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace

AppPaths MakeAppPaths(const std::string& programDir, const std::string& prefixShare) {
  AppPaths p;
  p.programDir = programDir;
  const bool writable = ::access(programDir.c_str(), W_OK) == 0;
  p.iniPath = (writable ? programDir : UserDir("XDG_CONFIG_HOME", "/.config")) + "/brindle.ini";
  p.tempDir = writable ? programDir : UserDir("XDG_CACHE_HOME", "/.cache");
  // The dialogs start in the program's folder, as a folder the user keeps files in; an
  // installed program's folder is a system one, so they start in the user's home instead.
  p.dialogDir = writable ? programDir : EnvOr("HOME", "/");
  p.gameDataCandidates = GameDataCandidates(programDir, prefixShare);
  return p;
}

std::vector<std::string> GameDataCandidates(const std::string& programDir,
                                            const std::string& prefixShare) {
  std::vector<std::string> candidates = {programDir + "/brindle.dat"};
  const std::filesystem::path program(programDir);
  const std::string installedShare =
      (program.parent_path() / "share" / "brindle").lexically_normal().string();
  if (program.filename() == "bin" &&
      installedShare != std::filesystem::path(prefixShare).lexically_normal().string()) {
    candidates.push_back(installedShare + "/brindle.dat");
  }
  candidates.push_back(prefixShare + "/brindle.dat");
  return candidates;
}

std::string ExecutableDir(const char* argv0) {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) exe = std::filesystem::absolute(argv0 ? argv0 : ".", ec);
  return exe.parent_path().string();
}

}  // namespace brindle
