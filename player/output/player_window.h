// The player's window: caption, class name hint, styles, placement, and the keys and window
// events turned into the player's key codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct SDL_Window;

namespace reel {

// Key codes the player queues (only 13, 27, 32, 46 and 241 have an effect).
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEsc = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeySkip = 46;
inline constexpr int kKeyClose = 241;

struct WindowRequest {
  std::string caption = "ReelRunner";
  std::string className;
  int style =
      0;       // 0: caption and frame; 1 thin border; 2 thin, no caption; 3 no caption; 4 nothing
  int x = -1;  // client area's top-left on the screen; -1 centres on that axis
  int y = -1;
  int width = 0;  // client size
  int height = 0;
};

// "QTXDW" and one letter "A" to "P" per hexadecimal digit of the low 16 bits of `instance`.
std::string WindowClassName(uint32_t instance);

class PlayerWindow {
 public:
  // Null when there is no video at all.
  static std::unique_ptr<PlayerWindow> Create(const WindowRequest& request);
  ~PlayerWindow();

  SDL_Window* Get() const { return window_; }
  // The driver can show a full-screen window (not the offscreen or dummy one).
  bool CanGoFullScreen() const;
  // Whether message boxes can be shown (a real display).
  static bool CanShowBoxes();
  void SetCaption(const std::string& caption);
  // New client size, placed as asked (centred on an axis given as -1).
  void Place(int width, int height);
  // The window has the focus, or never had it yet.
  bool Focused();
  void ToggleFullScreen();
  // Handles pending events: key codes go to `key`; `resized` runs after a size change.
  void Pump(const std::function<void(int)>& key, const std::function<void()>& resized);

 private:
  explicit PlayerWindow(SDL_Window* w, const WindowRequest& r) : window_(w), request_(r) {}
  SDL_Window* window_;
  WindowRequest request_;
  bool fullScreen_ = false;
  bool hadFocus_ = false;
};

// Shows a message box when there is a display to show it on; false when it was not shown.
bool ShowMessageBox(const std::string& caption, const std::string& text, bool error,
                    SDL_Window* owner);

}  // namespace reel
