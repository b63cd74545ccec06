#include "viewer/core/settings/app_paths.h"

#include <unistd.h>

#include <algorithm>
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

bool Within(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  std::filesystem::path a = inner.lexically_normal(), b = outer.lexically_normal();
  if (a.filename().empty()) a = a.parent_path();
  if (b.filename().empty()) b = b.parent_path();
  auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
  return !b.empty() && mismatch.first == b.end();
}

}  // namespace

bool KeepsFilesBesideItself(const std::string& programDir, const std::string& buildTree) {
  const std::filesystem::path program(programDir);
  for (const char* system : {"/usr", "/bin", "/sbin", "/opt", "/lib"})
    if (Within(program, system)) return false;
  if (!buildTree.empty() && Within(program, buildTree)) return true;
  std::error_code ec;
  return std::filesystem::is_regular_file(program / "brindle.ini", ec) &&
         ::access(programDir.c_str(), W_OK) == 0;
}

AppPaths MakeAppPaths(const std::string& programDir, const std::string& prefixShare,
                      const std::string& buildTree) {
  AppPaths p;
  p.programDir = programDir;
  if (KeepsFilesBesideItself(programDir, buildTree)) {
    p.iniPath = programDir + "/brindle.ini";
    p.tempDir = programDir;
  } else {
    p.iniPath = UserDir("XDG_CONFIG_HOME", "/.config") + "/brindle.ini";
    // The runtime folder is the user's own and emptied at log-out: the place for copies
    // that live only while the window is open.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    p.tempDir = runtime && *runtime && std::filesystem::is_directory(runtime, ec)
                    ? UserDir("XDG_RUNTIME_DIR", "")
                    : UserDir("XDG_CACHE_HOME", "/.cache");
  }
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
