#include "player/app/sdl_host.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace reel {
namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
  stopSignal = signal;
}

// A driver that draws nowhere anyone can see.
bool Headless(const char* driver) {
  return driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
         std::strcmp(driver, "dummy") == 0;
}

}  // namespace

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

std::string TerminalText(const std::string& text) {
  std::string out;
  for (size_t i = text.empty() || text[0] != ' ' ? 0 : 1; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    out += text[i];
  }
  return out;
}

std::unique_ptr<ZoeFile> OpenMovieFile(const std::string& name) {
  if (auto file = ZoeOpenDiskFile(name)) return file;
  // Names without an extension get ".Ztp"; on a file system that tells case apart the movie
  // is as likely to end in ".ztp" or ".ZTP".
  const std::string appended = ".Ztp";
  if (name.size() < appended.size() || name.compare(name.size() - 4, 4, appended) != 0)
    return nullptr;
  const std::string stem = name.substr(0, name.size() - 4);
  if (auto file = ZoeOpenDiskFile(stem + ".ztp")) return file;
  return ZoeOpenDiskFile(stem + ".ZTP");
}

SdlHost::SdlHost(const Options& options) {
  // SDL's own handlers would turn the signals into a quit event, which reads as the user
  // closing the window; ours end the run as stopped from outside.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  context_.openFile = OpenMovieFile;
  sound_ = ChooseSoundOutput(options.directSound ? kCallbackSound : kAutomaticSound, context_);
  context_.output = sound_.get();
}

SdlHost::~SdlHost() {
  window_.reset();
  sound_.reset();
  SDL_Quit();
}

std::unique_ptr<Display> SdlHost::OpenDisplay(const DisplayRequest& request, const Options& o) {
  const int w = request.stretchWidth > 0 ? request.stretchWidth : request.width;
  const int h = request.stretchHeight > 0 ? request.stretchHeight : request.height;
  if (!window_ && !triedWindow_) {
    triedWindow_ = true;
    WindowRequest wr;
    wr.className = WindowClassName(static_cast<uint32_t>(getpid()));
    wr.style = o.windowStyle;
    wr.x = o.x;
    wr.y = o.y;
    wr.width = w;
    wr.height = h;
    window_ = PlayerWindow::Create(wr);
  }
  // Headless drivers are for those who ask for them; anyone else would wait for a movie
  // that plays where no one sees it.
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if ((asked == nullptr || *asked == '\0') && (!window_ || Headless(SDL_GetCurrentVideoDriver()))) {
    trouble_ = "reelrun: no display to show the movie on";
    return nullptr;
  }
  DisplayHost dh;
  DisplayRequest r = request;
  if (window_) {
    const Uint32 format = SDL_GetWindowPixelFormat(window_->Get());
    if (format != SDL_PIXELFORMAT_UNKNOWN) r.screen.bitsPerPixel = SDL_BITSPERPIXEL(format);
    dh.window = window_->Get();
    dh.fullScreenAvailable = window_->CanGoFullScreen();
    window_->Place(w, h);
  }
  auto display = reel::OpenDisplay(r, dh);
  display_ = display.get();
  // Setting a display up may make the window again (a renderer that needs other window
  // flags), and a new window lands where the window manager likes: place it once more.
  if (display_ && window_ && !display_->FullScreen()) window_->Place(w, h);
  if (display_) display_->Show({});
  return display;
}

void SdlHost::Pump(KeyQueue& keys) {
  if (!window_) return;
  window_->Pump([&](int code) { keys.Push(code); },
                [&] {
                  if (display_) display_->Resized();
                });
}

bool SdlHost::Focused(Display& display) {
  if (!window_) return true;
  if (display.FullScreen()) return display.Active();
  // Headless drivers never hand out the focus: there is no one to take it away.
  if (!window_->CanGoFullScreen()) return true;
  return window_->Focused();
}

void SdlHost::Note(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

bool SdlHost::StopRequested() {
  return stopSignal != 0;
}

void SdlHost::SetCaption(const std::string& caption) {
  if (window_) window_->SetCaption(caption);
}

void SdlHost::Message(const std::string& caption, const std::string& text, bool error) {
  const std::string shown = TerminalText(text);
  std::fprintf(stderr, "%s\n", shown.c_str());
  ShowMessageBox(caption, shown, error, window_ ? window_->Get() : nullptr);
}

void SdlHost::Summary(const std::string& caption, const std::string& text) {
  ShowMessageBox(caption, TerminalText(text), false, window_ ? window_->Get() : nullptr);
}

std::unique_ptr<ZoeFile> SdlHost::OpenProgramFile() {
  return ZoeOpenDiskFile("/proc/self/exe");
}

void SdlHost::Idle() {
  SDL_Delay(1);
}

void SdlHost::EndRun() {
  display_ = nullptr;
  window_.reset();
}

}  // namespace reel
