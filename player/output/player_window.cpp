#include "player/output/player_window.h"

#include <SDL2/SDL.h>

#include <cstdlib>
#include <cstring>

namespace reel {

std::string WindowClassName(uint32_t instance) {
  std::string name = "QTXDW";
  for (int shift = 12; shift >= 0; shift -= 4)
    name += static_cast<char>('A' + ((instance >> shift) & 15));
  return name;
}

namespace {

bool HeadlessDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver == nullptr || std::strcmp(driver, "offscreen") == 0 ||
         std::strcmp(driver, "dummy") == 0;
}

// Key codes of a key press: characters as themselves, cursor and editing keys + 128,
// function keys + 96 (plain), + 106 (Shift), + 116 (Ctrl), + 126 (Alt).
int KeyCode(const SDL_Keysym& k) {
  const bool shift = k.mod & KMOD_SHIFT, ctrl = k.mod & KMOD_CTRL, alt = k.mod & KMOD_ALT;
  switch (k.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return 13;
    case SDLK_ESCAPE:
      return 27;
    case SDLK_SPACE:
      return 32;
    case SDLK_PERIOD:
    case SDLK_KP_PERIOD:
      return 46;
    case SDLK_TAB:
      return shift ? 137 : 9;
    case SDLK_PAGEUP:
      return 33 + 128;
    case SDLK_PAGEDOWN:
      return 34 + 128;
    case SDLK_END:
      return 35 + 128;
    case SDLK_HOME:
      return 36 + 128;
    case SDLK_LEFT:
      return 37 + 128;
    case SDLK_UP:
      return 38 + 128;
    case SDLK_RIGHT:
      return 39 + 128;
    case SDLK_DOWN:
      return 40 + 128;
    case SDLK_INSERT:
      return 45 + 128;
    case SDLK_DELETE:
      return 46 + 128;
    default:
      break;
  }
  if (k.sym >= SDLK_F1 && k.sym <= SDLK_F10) {
    const int vk = 112 + int(k.sym - SDLK_F1);
    if (alt) return vk + 126;
    if (ctrl) return vk + 116;
    if (shift) return vk + 106;
    return vk + 96;
  }
  return 0;
}

}  // namespace

std::unique_ptr<PlayerWindow> PlayerWindow::Create(const WindowRequest& r) {
  if (!r.className.empty()) {
    setenv("SDL_VIDEO_X11_WMCLASS", r.className.c_str(), 1);
    SDL_SetHint(SDL_HINT_APP_NAME, r.className.c_str());
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  // Without a screen, a window surface drawn through GL would run in a software rasteriser.
  if (HeadlessDriver()) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  if (r.style >= 2) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* w =
      SDL_CreateWindow(r.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       std::max(r.width, 1), std::max(r.height, 1), flags);
  if (w == nullptr) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  std::unique_ptr<PlayerWindow> window(new PlayerWindow(w, r));
  window->Place(r.width, r.height);
  SDL_ShowWindow(w);
  SDL_RaiseWindow(w);
  return window;
}

PlayerWindow::~PlayerWindow() {
  SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool PlayerWindow::CanGoFullScreen() const {
  return !HeadlessDriver() && SDL_GetNumVideoDisplays() > 0;
}

bool PlayerWindow::CanShowBoxes() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
    const char* env = std::getenv("SDL_VIDEODRIVER");
    if (env != nullptr && (std::strcmp(env, "offscreen") == 0 || std::strcmp(env, "dummy") == 0))
      return false;
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  }
  return !HeadlessDriver();
}

void PlayerWindow::SetCaption(const std::string& caption) {
  SDL_SetWindowTitle(window_, caption.c_str());
}

void PlayerWindow::Place(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  SDL_SetWindowSize(window_, width, height);
  SDL_Rect screen{0, 0, width, height};
  SDL_GetDisplayUsableBounds(0, &screen);
  const int x = request_.x == -1 ? screen.x + (screen.w - width) / 2 : request_.x;
  const int y = request_.y == -1 ? screen.y + (screen.h - height) / 2 : request_.y;
  SDL_SetWindowPosition(window_, x, y);
}

bool PlayerWindow::Focused() {
  const bool focused = (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
  hadFocus_ = hadFocus_ || focused;
  // A window the desktop never gave the focus (focus-stealing prevention) has not lost it:
  // holding playback there would look like a player that hangs.
  return focused || !hadFocus_;
}

void PlayerWindow::ToggleFullScreen() {
  fullScreen_ = !fullScreen_;
  SDL_SetWindowFullscreen(window_, fullScreen_ ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void PlayerWindow::Pump(const std::function<void(int)>& key, const std::function<void()>& resized) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        key(kKeyClose);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) key(kKeyClose);
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          resized();
        }
        break;
      case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_f && !(e.key.keysym.mod & (KMOD_CTRL | KMOD_ALT))) {
          ToggleFullScreen();
        } else if (int code = KeyCode(e.key.keysym)) {
          key(code);
        }
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && e.button.clicks == 2) ToggleFullScreen();
        break;
      default:
        break;
    }
  }
}

bool ShowMessageBox(const std::string& caption, const std::string& text, bool error,
                    SDL_Window* owner) {
  if (!PlayerWindow::CanShowBoxes()) return false;
  const Uint32 flags = error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  return SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), owner) == 0;
}

}  // namespace reel
