#include "player/output/display.h"

#include <SDL2/SDL.h>

#include <iterator>

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
      fullScreen_(fullScreen),
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

std::string Display::Name() const {
  const DisplayKindEntry* row = FindDisplayKind(kind_);
  return row != nullptr ? row->name : "";
}

namespace {

// The full-screen kinds come first as /V numbers them; without /V the windowed kinds are
// tried, the renderer's first; the null display is last.
constexpr DisplayKindEntry kKinds[] = {
    {kFull240, 1, BufferSwitch::kEither, "Full screen 320x240", "A 320x240 screen mode.",
     MakeFullScreenDisplay, false, false},
    {kFull200, 2, BufferSwitch::kWith, "Full screen 320x200",
     "A 320x200 screen mode, double-buffered.", MakeFullScreenDisplay, false, false},
    {kFull200Direct, 2, BufferSwitch::kWithout, "Full screen 320x200 direct",
     "A 320x200 screen mode the movie is decoded into.", MakeFullScreenDisplay, false, false},
    {kSection, 4, BufferSwitch::kEither, "DIBSection",
     "A window drawn by the graphics card's renderer.", MakeSectionDisplay, true, false},
    {kDib, 3, BufferSwitch::kEither, "Standard Windows DIBs",
     "A standard window, the picture copied onto it.", MakeDibDisplay, true, true},
    {kNoDisplay, 0, BufferSwitch::kEither, "No display",
     "No picture, when there is no window at all.", MakeNullDisplay, true, false},
};
static_assert(kKinds[std::size(kKinds) - 1].kind == kNoDisplay, "the null display comes last");

const DisplayKindEntry& NullRow() {
  return kKinds[std::size(kKinds) - 1];
}

}  // namespace

std::span<const DisplayKindEntry> DisplayKinds() {
  return kKinds;
}

const DisplayKindEntry* FindDisplayKind(int kind) {
  for (const DisplayKindEntry& row : kKinds)
    if (row.kind == kind) return &row;
  return nullptr;
}

int DisplayKindForVideo(int code, bool doubleBuffer) {
  if (code <= 0) return kAutomatic;
  for (const DisplayKindEntry& row : kKinds) {
    if (row.videoCode != code) continue;
    if (row.buffer == BufferSwitch::kEither || (row.buffer == BufferSwitch::kWith) == doubleBuffer)
      return row.kind;
  }
  return kAutomatic;
}

std::vector<const DisplayKindEntry*> DisplayWalk(int kind) {
  const DisplayKindEntry* asked = FindDisplayKind(kind);
  std::vector<const DisplayKindEntry*> walk;
  if (asked == nullptr && kind != kAutomatic) return walk;
  for (const DisplayKindEntry& row : kKinds) {
    const bool tried = asked == nullptr
                           ? row.automatic
                           : &row == asked || (&row == &NullRow() && asked->nullStandsIn);
    if (tried) walk.push_back(&row);
  }
  return walk;
}

std::unique_ptr<Display> OpenDisplay(const DisplayRequest& request, const DisplayHost& host) {
  if (request.width <= 0 || request.height <= 0) return nullptr;
  for (const DisplayKindEntry* row : DisplayWalk(request.kind))
    if (auto display = row->make(request, host, row->kind)) return display;
  return nullptr;
}

}  // namespace reel
