// brindle-screenshots: renders the window on each of its pages with the sample game folder
// and writes PNG files, so the window can be looked at without a display.
//
//   brindle-screenshots OUT_DIR SAMPLE_DIR
#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <iostream>
#include <string>

#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"
#include "viewer/ui/savegame/party_page.h"
#include "viewer/ui/shell/main_window.h"

namespace {

// Dialogs are never answered here; messages go to stderr.
class PrintingPrompts : public brindle::Prompts {
 public:
  void Message(const std::string& text) override { std::cerr << "message: " << text << '\n'; }
  std::optional<std::string> AskSaveFile(const brindle::FileDialogSpec&) override { return {}; }
  std::optional<std::string> AskOpenFile(const brindle::FileDialogSpec&) override { return {}; }
  std::vector<std::string> AskOpenFiles(const brindle::FileDialogSpec&) override { return {}; }
  std::optional<std::string> AskFolder(const brindle::FileDialogSpec&) override { return {}; }
  std::optional<std::uint32_t> AskColour(std::uint32_t) override { return {}; }
  bool AskYesNo(const std::string&) override { return true; }
  std::optional<std::string> AskText(const std::string&, const std::string&) override { return {}; }
  std::optional<int> AskChoice(const std::string&, const std::vector<std::string>&) override {
    return {};
  }
};

struct Shot {
  const char* container;
  const char* entry;  // empty: the title page before anything is opened
  const char* file;
  // On the saved-game editor: the party (0) or a character (1-4), the page to bring forward
  // and whether to switch the inventory to the equipped list.
  int who = -1;
  int tab = -1;
  bool equipped = false;
};

constexpr Shot kShots[] = {
    {"", "", "title.png"},
    {"icons.lod", "iorb01", "pictab-icon.png"},
    {"bitmaps.lod", "cobble01", "pictab-bitmap.png"},
    {"sprites.lod", "goblin01", "pictab-sprite.png"},
    {"bitmaps.lod", "pal003", "paltab.png"},
    {"icons.lod", "items.txt", "txttab.png"},
    {"icons.lod", "vista.pcx", "pcxtab.png"},
    {"icons.lod", "large.fnt", "fnttab.png"},
    {"icons.lod", "events.evt", "evttab.png"},
    {"icons.lod", "events.str", "strtab.png"},
    {"icons.lod", "spells.bin", "bintab.png"},
    {"maps.lod", "keep.dlv", "dlvtab.png"},
    {"maps.lod", "town.ddm", "ddmtab.png"},
    {"maps.lod", "keep.blv", "blvtab.png"},
    {"maps.lod", "town.odm", "odmtab.png"},
    {"movies.vid", "intro", "ztptab.png"},
    {"audio.snd", "chime", "sndtab.png"},
    {"save000.vlm", "PARTY.BIN", "partyedit-general.png", 0, 0},
    {"save000.vlm", "PARTY.BIN", "partyedit-gametime.png", 0, 1},
    {"save000.vlm", "PARTY.BIN", "partyedit-character.png", 1, 2},
    {"save000.vlm", "PARTY.BIN", "partyedit-stats.png", 1, 3},
    {"save000.vlm", "PARTY.BIN", "partyedit-inventory.png", 1, 4},
    {"save000.vlm", "PARTY.BIN", "partyedit-equipped.png", 1, 4, true},
    {"save000.vlm", "PARTY.BIN", "partyedit-skills.png", 2, 5},
    {"save000.vlm", "PARTY.BIN", "partyedit-spells.png", 3, 6},
    {"save000.vlm", "PARTY.BIN", "partyedit-conditions.png", 2, 7},
};

// Brings the editor to the character and page the shot names.
void PickEditorPage(brindle::TForm1& form, const Shot& shot) {
  auto* page = qobject_cast<brindle::PartyEditPage*>(form.Page("partyedittab"));
  if (!page || shot.who < 0) return;
  page->PickEdit(shot.who);
  if (auto* tabs = page->findChild<QTabWidget*>("partyedittabholder"))
    tabs->setCurrentIndex(shot.tab);
  if (shot.equipped) page->inventory()->SwitchView();
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: brindle-screenshots OUT_DIR SAMPLE_DIR\n"
      "Renders the window's pages for the sample game folder into PNG files in OUT_DIR.\n";
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "brindle-screenshots " << BRINDLE_VERSION << '\n';
    return 0;
  }
  if (argc != 3) {
    std::cerr << kUsage;
    return 2;
  }
  // Pictures of the pages, not sound: the sound page's entry plays into nowhere.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  QApplication app(argc, argv);
  using namespace brindle;
  const std::string out = argv[1];
  const std::string samples = argv[2];
  QDir().mkpath(QString::fromStdString(out));

  // Settings and temporary files go to the output folder, never beside the program.
  AppPaths paths = MakeAppPaths(ExecutableDir(argv[0]), BRINDLE_SHARE_DIR, BRINDLE_BUILD_DIR);
  paths.iniPath = out + "/brindle.ini";
  paths.tempDir = out;
  Result<GameData> data = FindGameData(paths.gameDataCandidates);
  if (!data) {
    std::cerr << data.message() << '\n';
    return 1;
  }
  PrintingPrompts prompts;
  TForm1 form(paths, prompts, MakeGameDataView(*data));
  form.resize(900, 560);
  form.show();

  int written = 0;
  for (const Shot& shot : kShots) {
    if (*shot.container) {
      const std::string path = samples + "/" + shot.container;
      if (form.DataFile().FileName != path) form.LoadDataFile(path);
      int row = -1;
      for (std::size_t i = 0; i < form.DataFile().Entries.size(); ++i) {
        if (form.DataFile().Entries[i].Name == shot.entry) row = static_cast<int>(i);
      }
      if (row < 0) {
        std::cerr << "no entry " << shot.entry << " in " << path << '\n';
        continue;
      }
      form.SelectRow(row);
      PickEditorPage(form, shot);
    }
    QApplication::processEvents();
    const QString file = QString::fromStdString(out + "/" + shot.file);
    if (form.grab().save(file)) {
      std::cout << file.toStdString() << '\n';
      ++written;
    }
  }
  return written == static_cast<int>(std::size(kShots)) ? 0 : 1;
}
