// Kind 5, the DIB-section kind: a renderer with a streaming 5-6-5 texture. With acceleration
// our own blitters write the changed rectangles into the locked texture, doubling (plain,
// interlaced or smoothed) when the output is exactly twice the picture; the renderer then
// scales the texture to the window, keeping its aspect ratio when the window is resized.
// On a simulated 256-colour screen the 8-bit blitters write indices into a staging picture
// that is turned into pixels on upload. A true-colour screen gets its own depth: a 32-bit
// texture with the palette's colours exactly (the blitters only know 8- and 16-bit screens,
// so there is no acceleration there).
#include <SDL2/SDL.h>

#include <cstring>

#include "player/output/blitters.h"
#include "player/output/display.h"

namespace reel {
namespace {

class SectionDisplay : public Display {
 public:
  SectionDisplay(const DisplayRequest& r, SDL_Window* window, int kind)
      : Display(kind, r, false), window_(window) {
    SetPicture(PictureBuffer(r.width, r.height, r.height, false));
    Fill(0);
    const bool twice = OutputWidth() == 2 * r.width && OutputHeight() == 2 * r.height;
    trueColour_ = r.screen.bitsPerPixel > 16;
    accelerated_ = !trueColour_ && !r.noAcceleration && (!Stretched() || twice);
    Scaling scaling = Scaling::k1x;
    if (accelerated_ && twice) {
      scaling = r.smoothing    ? Scaling::k2xSmoothing
                : r.interlaced ? Scaling::k2xInterlaced
                               : Scaling::k2x;
    }
    const bool bits16 = r.screen.bitsPerPixel > 8;
    blitter_ = BlitterAt(BlitterIndex(bits16, scaling));
    const int scale = scaling == Scaling::k1x ? 1 : 2;
    textureWidth_ = r.width * scale;
    textureHeight_ = r.height * scale;
    if (!bits16) staging_.assign(size_t(textureWidth_) * textureHeight_, 0);
    const Uint32 format = trueColour_ ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_RGB565;
    renderer_ = SDL_GetRenderer(window_);
    if (renderer_ == nullptr) {
      // Without a screen, GL would run in a software rasteriser: SDL's own renderer is the
      // faster of the two there.
      const char* driver = SDL_GetCurrentVideoDriver();
      const bool headless = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                  std::strcmp(driver, "dummy") == 0);
      renderer_ = SDL_CreateRenderer(window_, -1, headless ? SDL_RENDERER_SOFTWARE : 0);
      ownsRenderer_ = true;
    }
    if (renderer_ == nullptr) return;
    SDL_RendererInfo info{};
    software_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, textureWidth_,
                                 textureHeight_);
    if (texture_ != nullptr) {
      SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
      PaletteChanged();
    }
  }
  ~SectionDisplay() override {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (ownsRenderer_ && renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  }
  bool Ok() const { return texture_ != nullptr; }

  void Show(const std::vector<Rect>& rects) override {
    const int w = Picture().Width(), h = Picture().Height();
    std::vector<Rect> parts = rects;
    if (paletteDirty_ || parts.empty() || parts[0] == Rect{}) parts = {Rect{0, 0, w, h}};
    paletteDirty_ = false;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return Failed();
    const BlitSource src{Picture().Line(0), Picture().Step(), w, h};
    const int scale = textureWidth_ / std::max(w, 1);
    if (trueColour_) {
      for (const Rect& r : parts)
        Blit32(src, static_cast<uint8_t*>(pixels), pitch, r, table32_);
    } else if (staging_.empty()) {
      for (const Rect& r : parts)
        blitter_->blit(src, BlitDest{static_cast<uint8_t*>(pixels), pitch}, r, tables_);
    } else {
      for (const Rect& r : parts) {
        blitter_->blit(src, BlitDest{staging_.data(), textureWidth_}, r, tables_);
        const Rect c = ClipToPicture(r, w, h);
        for (int y = c.y * scale; y < (c.y + c.h) * scale; ++y) {
          const uint8_t* in = &staging_[size_t(y) * textureWidth_];
          auto* out =
              reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(pixels) + ptrdiff_t{pitch} * y);
          for (int x = c.x * scale; x < (c.x + c.w) * scale; ++x)
            out[x] = tables_.pixels[in[x]];
        }
      }
    }
    SDL_UnlockTexture(texture_);
    Present(parts);
  }

  std::string Name() const override {
    if (!accelerated_) return Display::Name();
    return Display::Name() + " with accelerated blitting (" + blitter_->name + ")";
  }
  void Resized() override {
    drawnWhole_ = false;
    Present({});
  }

 protected:
  void PaletteChanged() override {
    const Palette& p = LogicalPalette();
    tables_.pixels = ColourTable(p, PixelFormat16::k565);
    if (trueColour_) table32_ = ColourTable32(p);
    if (blitter_->scaling == Scaling::k2xSmoothing) {
      if (blitter_->bits16) {
        tables_.smooth16 = SmoothingTable16(p, PixelFormat16::k565);
      } else {
        tables_.smooth8 = SmoothingTable8(p);
      }
    }
  }
  MergeRule Merge() const override {
    const DisplayRequest& r = request_;
    const bool uneven =
        UnevenStretch(r.width, OutputWidth()) || UnevenStretch(r.height, OutputHeight());
    return uneven ? MergeRule::kBounding : MergeRule::kCompact;
  }

 private:
  // The texture scaled to the window at the picture's aspect ratio, centred. SDL's own
  // renderer draws straight into the window, which keeps what it showed: when the picture
  // fills the window unscaled only the changed parts are copied again.
  void Present(const std::vector<Rect>& parts) {
    int ww = 0, wh = 0;
    SDL_GetRendererOutputSize(renderer_, &ww, &wh);
    if (software_ && drawnWhole_ && ww == textureWidth_ && wh == textureHeight_) {
      const int scale = textureWidth_ / std::max(Picture().Width(), 1);
      for (const Rect& r : parts) {
        const SDL_Rect area{r.x * scale, r.y * scale, r.w * scale, r.h * scale};
        if (SDL_RenderCopy(renderer_, texture_, &area, &area) != 0) return Failed();
      }
      SDL_RenderPresent(renderer_);
      return;
    }
    drawnWhole_ = true;
    const Rect fit = FitKeepingAspect(OutputWidth(), OutputHeight(), ww, wh);
    const SDL_Rect dst{fit.x, fit.y, fit.w, fit.h};
    // Black bars only when the picture does not fill the window.
    if (dst.w != ww || dst.h != wh) {
      SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
      SDL_RenderClear(renderer_);
    }
    if (SDL_RenderCopy(renderer_, texture_, nullptr, &dst) != 0) return Failed();
    SDL_RenderPresent(renderer_);
  }

  SDL_Window* window_;
  SDL_Renderer* renderer_ = nullptr;
  bool ownsRenderer_ = false;
  SDL_Texture* texture_ = nullptr;
  bool accelerated_ = false;
  bool trueColour_ = false;
  std::array<uint32_t, 256> table32_{};
  bool software_ = false;    // SDL's own renderer
  bool drawnWhole_ = false;  // the whole picture has been drawn since the window changed
  const Blitter* blitter_ = nullptr;
  BlitTables tables_;
  std::vector<uint8_t> staging_;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
};

}  // namespace

std::unique_ptr<Display> MakeSectionDisplay(const DisplayRequest& r, const DisplayHost& host,
                                            int kind) {
  if (host.window == nullptr) return nullptr;
  auto d = std::make_unique<SectionDisplay>(r, host.window, kind);
  if (!d->Ok()) return nullptr;
  return d;
}

}  // namespace reel
