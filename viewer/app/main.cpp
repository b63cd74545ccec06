// brindle: the viewer and editor window. An optional container path opens at start-up.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
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
    "$XDG_CONFIG_HOME/brindle/brindle.ini (~/.config/brindle/ by default), the copy of a\n"
    "movie being played in $XDG_RUNTIME_DIR/brindle (else ~/.cache/brindle); a copy with\n"
    "a brindle.ini beside it keeps both there. Without a display, use brindle-cli.\n";

// --help and --version are answered before any window exists: they work without a display.
// --help anywhere on the line is answered; --version when it is the only argument.
bool AnswerInformationOption(int argc, char** argv, const std::string& programDir) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return true;
    }
  }
  if (argc == 2 && std::string(argv[1]) == "--version") {
    const brindle::GameDataLocation data =
        brindle::LocateGameDataFile(brindle::GameDataCandidates(programDir, BRINDLE_SHARE_DIR));
    std::cout << "brindle " << BRINDLE_VERSION
              << "\ngame data: " << (data.path.empty() ? "not found" : data.path) << '\n';
    return true;
  }
  return false;
}

// Whether a unix socket at this address (a leading '@' for the abstract namespace) answers.
bool SocketAnswers(std::string address) {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (address.empty() || address.size() >= sizeof(where.sun_path)) return false;
  const bool abstract = address[0] == '@';
  std::memcpy(where.sun_path, address.data(), address.size());
  if (abstract) where.sun_path[0] = '\0';
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
  const bool answered = ::connect(fd, reinterpret_cast<sockaddr*>(&where), length) == 0;
  ::close(fd);
  return answered;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Whether the toolkit will find a screen: a platform named for it, a Wayland compositor or an
// X server that answers (one on another host is taken on trust).
bool HasDisplay() {
  if (!Env("QT_QPA_PLATFORM").empty()) return true;
  const std::string wayland = Env("WAYLAND_DISPLAY");
  if (!wayland.empty() &&
      SocketAnswers(wayland[0] == '/' ? wayland : Env("XDG_RUNTIME_DIR") + "/" + wayland))
    return true;
  const std::string x = Env("DISPLAY");
  if (x.empty()) return false;
  if (x[0] != ':') return true;
  const std::string number =
      x.substr(1, x.find('.') == std::string::npos ? std::string::npos : x.find('.') - 1);
  const std::string socket = "/tmp/.X11-unix/X" + number;
  return SocketAnswers(socket) || SocketAnswers("@" + socket);
}

// SIGTERM and SIGINT close the window as a close would (settings kept, temporary files
// removed); the handler only tells the event loop, through a pipe.
int signalPipe[2] = {-1, -1};
volatile sig_atomic_t endingSignal = 0;

void OnEndingSignal(int sig) {
  endingSignal = sig;
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

void EndOnSignals(brindle::TForm1& form) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &form);
  QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
    char drained[16];
    while (::read(signalPipe[0], drained, sizeof drained) > 0) {
    }
    form.CloseWithoutAsking();
    // Boxes and dialogs open meanwhile go too, so the program ends.
    QApplication::closeAllWindows();
    QApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGTERM, SIGINT})
    sigaction(sig, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace brindle;
  if (AnswerInformationOption(argc, argv, ExecutableDir(argv[0]))) return 0;
  if (!HasDisplay()) {
    std::cerr << "brindle: cannot open a window: no display (set DISPLAY or WAYLAND_DISPLAY, or "
                 "use brindle-cli)\n";
    return 1;
  }
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
  EndOnSignals(form);
  form.show();
  if (argc > 1) form.LoadDataFile(argv[1]);
  const int code = app.exec();
  if (endingSignal != 0) {
    // Ended by a signal (the window closed on it already), as the one who sent it expects
    // to see.
    std::signal(endingSignal, SIG_DFL);
    std::raise(endingSignal);
  }
  return code;
}
