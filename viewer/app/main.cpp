// brindle: the viewer and editor window. An optional container path opens at start-up.
#include <QApplication>
#include <QMessageBox>
#include <iostream>
#include <string>

#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"
#include "viewer/ui/shell/main_window.h"
#include "viewer/ui/shell/qt_prompts.h"

namespace {

constexpr const char* kHelp =
    "usage: brindle [CONTAINER]\n"
    "Views and edits the entries of the game's containers (.LOD, .SND, .VID) and its saved\n"
    "games, in one window. CONTAINER, when given, is opened at start-up.\n"
    "\n"
    "Options:\n"
    "  --help       this text\n"
    "  --version    the program's version and the game data file it reads\n"
    "\n"
    "The game data file brindle.dat is read from the program's folder, else from\n"
    "share/brindle of the prefix the program is installed in. Settings are kept in\n"
    "brindle.ini beside the program when that folder is writable, else in\n"
    "$XDG_CONFIG_HOME/brindle.\n";

// --help and --version are answered before any window exists: they work without a display.
bool AnswerInformationOption(const std::string& arg, const std::string& programDir) {
  if (arg == "--help" || arg == "-h") {
    std::cout << kHelp;
    return true;
  }
  if (arg == "--version") {
    const brindle::GameDataLocation data =
        brindle::LocateGameDataFile(brindle::GameDataCandidates(programDir, BRINDLE_SHARE_DIR));
    std::cout << "brindle " << BRINDLE_VERSION
              << "\ngame data: " << (data.path.empty() ? "not found" : data.path) << '\n';
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brindle;
  if (argc == 2 && AnswerInformationOption(argv[1], ExecutableDir(argv[0]))) return 0;
  QApplication app(argc, argv);
  QApplication::setApplicationName("brindle");

  const AppPaths paths = MakeAppPaths(ExecutableDir(argv[0]), BRINDLE_SHARE_DIR, BRINDLE_BUILD_DIR);
  QtPrompts prompts;

  // Without the game data the window cannot work: say where it was looked for, then end.
  Result<GameData> data = FindGameData(paths.gameDataCandidates);
  if (!data) {
    std::cerr << data.message() << '\n';
    prompts.Message(data.message());
    return 1;
  }

  TForm1 form(paths, prompts, MakeGameDataView(*data));
  prompts.SetParent(&form);
  form.show();
  if (argc > 1) form.LoadDataFile(argv[1]);
  return app.exec();
}
