// Kind 4, standard DIBs: an 8-bit surface with the palette, its changed rectangles scaled onto
// the window's surface. Needs nothing but a window, so it also works under the offscreen
// driver.
#include <SDL2/SDL.h>

#include "player/output/display.h"

namespace reel {
namespace {

class DibDisplay : public Display {
 public:
  DibDisplay(const DisplayRequest& r, SDL_Window* window)
      : Display(kDib, r, false), window_(window) {
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
  }
  bool Ok() const { return surface_ != nullptr; }

  void Show(const std::vector<Rect>& rects) override {
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (screen == nullptr) return;
    const int w = Picture().Width(), h = Picture().Height();
    std::vector<Rect> parts = rects;
    if (paletteDirty_ || parts.empty() || parts[0] == Rect{}) parts = {Rect{0, 0, w, h}};
    paletteDirty_ = false;
    std::vector<SDL_Rect> updated;
    for (const Rect& r : parts) {
      SDL_Rect src{r.x, r.y, r.w, r.h};
      SDL_Rect dst{r.x * OutputWidth() / w, r.y * OutputHeight() / h,
                   (r.x + r.w) * OutputWidth() / w - r.x * OutputWidth() / w,
                   (r.y + r.h) * OutputHeight() / h - r.y * OutputHeight() / h};
      if (src.w <= 0 || src.h <= 0) continue;
      if (Stretched()) {
        SDL_BlitScaled(surface_, &src, screen, &dst);
      } else {
        SDL_BlitSurface(surface_, &src, screen, &dst);
      }
      updated.push_back(dst);
    }
    if (!updated.empty())
      SDL_UpdateWindowSurfaceRects(window_, updated.data(), int(updated.size()));
  }

  std::string Name() const override { return "Standard Windows DIBs"; }

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
  SDL_Window* window_;
  SDL_Surface* surface_ = nullptr;
};

}  // namespace

std::unique_ptr<Display> MakeDibDisplay(const DisplayRequest& r, const DisplayHost& host) {
  if (host.window == nullptr) return nullptr;
  auto d = std::make_unique<DibDisplay>(r, host.window);
  if (!d->Ok()) return nullptr;
  return d;
}

}  // namespace reel
