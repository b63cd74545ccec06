// Kind 4, standard DIBs: an 8-bit surface with the palette, its changed rectangles scaled onto
// the window's surface (to the stretch size, or to fit a window resized or made full screen,
// keeping the picture's aspect ratio). Needs nothing but a window, so it also works under the
// offscreen driver.
#include <SDL2/SDL.h>

#include "player/output/display.h"

namespace reel {
namespace {

class DibDisplay : public Display {
 public:
  DibDisplay(const DisplayRequest& r, SDL_Window* window, int kind)
      : Display(kind, r, false), window_(window) {
    SetPicture(PictureBuffer(r.width, r.height, r.height, false));
    Fill(0);
    PictureBuffer& p = Picture();
    surface_ = SDL_CreateRGBSurfaceWithFormatFrom(p.Data(), p.Width(), p.Height(), 8, p.Pitch(),
                                                  SDL_PIXELFORMAT_INDEX8);
    if (surface_ != nullptr) {
      SDL_SetSurfaceBlendMode(surface_, SDL_BLENDMODE_NONE);
      PaletteChanged();
    }
  }
  ~DibDisplay() override {
    if (surface_ != nullptr) SDL_FreeSurface(surface_);
    if (converted_ != nullptr) SDL_FreeSurface(converted_);
  }
  bool Ok() const { return surface_ != nullptr; }

  void Show(const std::vector<Rect>& rects) override {
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (screen == nullptr) return Failed();
    const int w = Picture().Width(), h = Picture().Height();
    std::vector<Rect> parts = rects;
    const SDL_Rect area = Fit(screen->w, screen->h);
    const bool whole = paletteDirty_ || parts.empty() || parts[0] == Rect{} || !drawnWhole_ ||
                       screen != lastScreen_ || !SDL_RectEquals(&area, &lastArea_);
    if (whole) parts = {Rect{0, 0, w, h}};
    paletteDirty_ = false;
    // The picture goes through a copy in the screen's own format: SDL scales only between
    // surfaces of one format, and an 8-bit one to the screen is not among them.
    if (converted_ == nullptr || converted_->format->format != screen->format->format) {
      if (converted_ != nullptr) SDL_FreeSurface(converted_);
      converted_ = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, screen->format->format);
      if (converted_ == nullptr) return Failed();
      SDL_SetSurfaceBlendMode(converted_, SDL_BLENDMODE_NONE);
    }
    std::vector<SDL_Rect> updated;
    if (whole && (area.w != screen->w || area.h != screen->h)) {
      // Black bars beside the picture when the window's shape differs from it.
      if (SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0)) != 0) return Failed();
      updated.push_back(SDL_Rect{0, 0, screen->w, screen->h});
    }
    for (const Rect& r : parts) {
      SDL_Rect src{r.x, r.y, r.w, r.h};
      if (src.w <= 0 || src.h <= 0) continue;
      SDL_Rect dst{area.x + r.x * area.w / w, area.y + r.y * area.h / h,
                   (r.x + r.w) * area.w / w - r.x * area.w / w,
                   (r.y + r.h) * area.h / h - r.y * area.h / h};
      SDL_Rect same = src;
      if (SDL_BlitSurface(surface_, &src, converted_, &same) != 0) return Failed();
      const int copied = area.w == w && area.h == h
                             ? SDL_BlitSurface(converted_, &src, screen, &dst)
                             : SDL_BlitScaled(converted_, &src, screen, &dst);
      if (copied != 0) return Failed();
      updated.push_back(dst);
    }
    drawnWhole_ = true;
    lastScreen_ = screen;
    lastArea_ = area;
    if (!updated.empty() &&
        SDL_UpdateWindowSurfaceRects(window_, updated.data(), int(updated.size())) != 0) {
      return Failed();
    }
  }

  void Resized() override {
    drawnWhole_ = false;
    Show({});
  }

 protected:
  void PaletteChanged() override {
    SDL_Color colours[256];
    const Palette& p = LogicalPalette();
    for (int i = 0; i < 256; ++i)
      colours[i] = {p[i].red, p[i].green, p[i].blue, 255};
    SDL_SetPaletteColors(surface_->format->palette, colours, 0, 256);
  }
  MergeRule Merge() const override { return MergeRule::kBounding; }

 private:
  // Where the output size lies in a window of ww x wh.
  SDL_Rect Fit(int ww, int wh) const {
    const Rect r = FitKeepingAspect(OutputWidth(), OutputHeight(), ww, wh);
    return SDL_Rect{r.x, r.y, r.w, r.h};
  }

  SDL_Window* window_;
  SDL_Surface* surface_ = nullptr;
  SDL_Surface* converted_ = nullptr;
  SDL_Surface* lastScreen_ = nullptr;
  SDL_Rect lastArea_{};
  bool drawnWhole_ = false;
};

}  // namespace

std::unique_ptr<Display> MakeDibDisplay(const DisplayRequest& r, const DisplayHost& host,
                                        int kind) {
  if (host.window == nullptr) return nullptr;
  auto d = std::make_unique<DibDisplay>(r, host.window, kind);
  if (!d->Ok()) return nullptr;
  return d;
}

}  // namespace reel
