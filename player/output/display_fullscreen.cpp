// Kinds 1-3, the full-screen displays: the window covers the screen and shows a 320 x 240 or
// 320 x 200 logical picture. Kinds 1 and 2 keep a bottom-up buffer and send all of it on each
// show (kind 1 gives pictures of up to 200 lines 204 lines of buffer); kind 3, the direct one,
// is decoded into as if it were the screen itself, so it asks for no rectangles. They exist
// only where the video driver can go full screen. The renderer scales the mode to the screen
// at its aspect ratio.
#include <SDL2/SDL.h>

#include <cstring>

#include "player/output/blitters.h"
#include "player/output/display.h"

namespace reel {
namespace {

class FullScreenDisplay : public Display {
 public:
  FullScreenDisplay(const DisplayRequest& r, SDL_Window* window, int kind)
      : Display(kind, r, true), window_(window) {
    const int width = 320, height = kind == kFull240 ? 240 : 200;
    if (kind == kFull200Direct) {
      SetPicture(PictureBuffer(width, height, height, false));
    } else {
      const int lines = kind == kFull240 && r.height <= 200 ? 204 : r.height;
      SetPicture(PictureBuffer(r.width, r.height, lines, true));
      Fill(0);
    }
    if (!GoFullScreen(r.resolution)) return;
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) return;
    SDL_RenderSetLogicalSize(renderer_, width, height);
    // The mode shows the palette's colours exactly: so does a 32-bit texture.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 width, height);
    if (texture_ == nullptr) return;
    // A picture smaller than the mode sits in its middle, on black: the texture is cleared
    // once, and each show writes only the picture's part of it.
    const PictureBuffer& p = Picture();
    at_ = {(width - p.Width()) / 2, (height - p.Height()) / 2, p.Width(), p.Height()};
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) == 0) {
      std::memset(pixels, 0, static_cast<size_t>(pitch) * height);
      SDL_UnlockTexture(texture_);
    }
    PaletteChanged();
  }
  ~FullScreenDisplay() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    SDL_SetWindowFullscreen(window_, 0);
  }
  bool Ok() const { return texture_ != nullptr; }

  void Show(const std::vector<Rect>&) override {
    paletteDirty_ = false;
    void* pixels = nullptr;
    int pitch = 0;
    const SDL_Rect area{at_.x, at_.y, at_.w, at_.h};
    if (SDL_LockTexture(texture_, &area, &pixels, &pitch) != 0) return Failed();
    const PictureBuffer& p = Picture();
    // The locked area starts at the picture's place in the mode.
    Blit32(BlitSource{p.Line(0), p.Step(), p.Width(), p.Height()}, static_cast<uint8_t*>(pixels),
           pitch, Rect{0, 0, p.Width(), p.Height()}, table32_);
    SDL_UnlockTexture(texture_);
    SDL_RenderClear(renderer_);
    if (SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) != 0) return Failed();
    SDL_RenderPresent(renderer_);
  }
  bool Active() const override {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
  }

 protected:
  void PaletteChanged() override { table32_ = ColourTable32(LogicalPalette()); }
  MergeRule Merge() const override {
    return Kind() == kFull200Direct ? MergeRule::kNone : MergeRule::kBounding;
  }

 private:
  // With /D the screen takes the mode nearest that size for as long as the display lasts (SDL
  // puts the desktop's mode back when the window leaves full screen); otherwise, or when
  // that mode cannot be had, the picture is scaled onto the desktop's own mode.
  bool GoFullScreen(int resolution) {
    if (const std::optional<ScreenSize> size = ResolutionSize(resolution)) {
      const SDL_DisplayMode wanted{0, size->width, size->height, 0, nullptr};
      SDL_DisplayMode mode{};
      const int screen = SDL_GetWindowDisplayIndex(window_);
      if (screen >= 0 && SDL_GetClosestDisplayMode(screen, &wanted, &mode) != nullptr &&
          SDL_SetWindowDisplayMode(window_, &mode) == 0 &&
          SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) == 0)
        return true;
    }
    return SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  }

  SDL_Window* window_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::array<uint32_t, 256> table32_{};
  Rect at_;  // where the picture lies in the mode
};

}  // namespace

std::unique_ptr<Display> MakeFullScreenDisplay(const DisplayRequest& r, const DisplayHost& host,
                                               int kind) {
  const int maxHeight = kind == kFull240 ? 240 : 200;
  if (host.window == nullptr || !host.fullScreenAvailable || r.width > 320 ||
      r.height > maxHeight || (r.stretchWidth > 0 && r.stretchWidth != r.width) ||
      (r.stretchHeight > 0 && r.stretchHeight != r.height)) {
    return nullptr;
  }
  auto d = std::make_unique<FullScreenDisplay>(r, host.window, kind);
  if (!d->Ok()) return nullptr;
  return d;
}

}  // namespace reel
