#include "player/output/display.h"

#include <SDL2/SDL.h>

namespace reel {

bool UnevenStretch(int picture, int output) {
  return picture > 0 && (4 * output) % picture != 0;
}

std::optional<ScreenSize> ResolutionSize(int code) {
  constexpr ScreenSize kSizes[] = {{640, 400}, {640, 480}, {800, 600}, {1024, 768}};
  if (code < 1 || code > 4) return std::nullopt;
  return kSizes[code - 1];
}

Display::Display(int kind, const DisplayRequest& request, bool fullScreen)
    : request_(request),
      kind_(kind),
      outputWidth_(request.stretchWidth > 0 ? request.stretchWidth : request.width),
      outputHeight_(request.stretchHeight > 0 ? request.stretchHeight : request.height),
      stretched_(outputWidth_ != request.width || outputHeight_ != request.height),
      range_(UsableRange(request.screen, fullScreen)),
      system_(request.screen.system),
      logical_(request.screen.system) {}

ZoeSurface Display::Surface() {
  ZoeSurface s;
  s.pixels = picture_.Data();
  s.pitch = picture_.Pitch();
  s.width = picture_.Width();
  s.height = picture_.Lines();
  s.bottomUp = picture_.BottomUp();
  return s;
}

ChangedArea Display::Area(int lineScale) const {
  ChangedArea a;
  a.rule = Merge();
  a.lineScale = lineScale;
  a.width = picture_.Width();
  a.height = picture_.Height();
  return a;
}

void Display::Failed() {
  if (failure_.empty()) failure_ = SDL_GetError();
  if (failure_.empty()) failure_ = "the picture could not be copied";
}

void Display::SetPalette(const uint8_t rgb[768]) {
  logical_ = LayMoviePalette(rgb, range_, system_);
  paletteDirty_ = true;
  PaletteChanged();
}

void Display::UseSystemPalette() {
  logical_ = system_;
  paletteDirty_ = true;
  PaletteChanged();
}

namespace {

std::unique_ptr<Display> MakeFull240(const DisplayRequest& r, const DisplayHost& h) {
  return MakeFullScreenDisplay(r, h, kFull240);
}
std::unique_ptr<Display> MakeFull200(const DisplayRequest& r, const DisplayHost& h) {
  return MakeFullScreenDisplay(r, h, kFull200);
}
std::unique_ptr<Display> MakeFull200Direct(const DisplayRequest& r, const DisplayHost& h) {
  return MakeFullScreenDisplay(r, h, kFull200Direct);
}

constexpr DisplayKindEntry kKinds[] = {
    {kFull240, "Full screen 320x240", MakeFull240},
    {kFull200, "Full screen 320x200", MakeFull200},
    {kFull200Direct, "Full screen 320x200 direct", MakeFull200Direct},
    {kDib, "Standard Windows DIBs", MakeDibDisplay},
    {kSection, "DIBSection", MakeSectionDisplay},
    {kNoDisplay, "No display", MakeNullDisplay},
};

const DisplayKindEntry* Find(int kind) {
  for (const DisplayKindEntry& e : kKinds)
    if (e.kind == kind) return &e;
  return nullptr;
}

}  // namespace

std::span<const DisplayKindEntry> DisplayKinds() {
  return kKinds;
}

std::unique_ptr<Display> OpenDisplay(const DisplayRequest& request, const DisplayHost& host) {
  if (request.width <= 0 || request.height <= 0) return nullptr;
  std::vector<int> order;
  if (request.kind == kAutomatic) {
    order = {kSection, kDib, kNoDisplay};
  } else if (request.kind == kDib) {
    order = {kDib, kNoDisplay};
  } else {
    order = {request.kind};
  }
  for (int kind : order) {
    const DisplayKindEntry* e = Find(kind);
    if (e == nullptr) continue;
    // The null display stands in only when there is nothing to draw on.
    if (kind == kNoDisplay && host.window != nullptr) continue;
    if (auto display = e->make(request, host)) return display;
  }
  return nullptr;
}

}  // namespace reel
