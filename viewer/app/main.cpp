// brindle: the viewer and editor window. An optional container path opens at start-up.
#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"
#include "viewer/ui/shell/main_window.h"
#include "viewer/ui/shell/qt_prompts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("brindle");
  using namespace brindle;

  const AppPaths paths = MakeAppPaths(ExecutableDir(argv[0]), BRINDLE_SHARE_DIR);
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
