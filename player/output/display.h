// The displays reelrun shows pictures with. Each kind is one class in its own file; the table
// in display.cpp (DisplayKinds) is the one place that says, per kind, which /V picks it, its
// name, what --help says of it, how it is made and whether it is probed automatically, with
// the null display last.
//
// Contract: everything is called on the player's thread. Open a display through OpenDisplay
// with the movie's size; hand Surface() to ZoeSetTarget so the decoder writes into the
// display's picture; call SetPalette for every new movie palette before showing; Show copies
// the given rectangles (from ChangedRects with Area()) to the screen and presents them; an
// empty rectangle or a palette change since the last show repaints the whole picture. Release
// the display by destroying it before the window it draws on.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "player/movie/zoe.h"
#include "player/output/changed_rects.h"
#include "player/output/display_geometry.h"
#include "player/output/screen_palette.h"

struct SDL_Window;

namespace reel {

enum DisplayKind {
  kAutomatic = 0,
  kFull240 = 1,
  kFull200 = 2,
  kFull200Direct = 3,
  kDib = 4,
  kSection = 5,
  kNoDisplay = 6
};

struct DisplayRequest {
  int width = 0;  // picture size (shown lines)
  int height = 0;
  int kind = kAutomatic;  // a row's kind (DisplayKindForVideo), or automatic
  bool interlaced = false;
  bool smoothing = false;
  bool noAcceleration = false;
  int stretchWidth = 0;  // 0: the picture's size
  int stretchHeight = 0;
  int resolution = 0;  // /D: 1-4 a screen mode for the full-screen kinds, else none
  ScreenModel screen;
};

// The screen size /D asks for: 1 640 x 400, 2 640 x 480, 3 800 x 600, 4 1024 x 768; any
// other value asks for no change.
struct ScreenSize {
  int width = 0;
  int height = 0;
};
std::optional<ScreenSize> ResolutionSize(int code);

// What the displays draw on: the player's window (null when there is no video at all).
struct DisplayHost {
  SDL_Window* window = nullptr;
  // The video driver can go full screen (not offscreen or dummy).
  bool fullScreenAvailable = false;
};

class Display {
 public:
  Display(int kind, const DisplayRequest& request, bool fullScreen);
  virtual ~Display() = default;
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  int Kind() const { return kind_; }
  // Covers the screen (and keeps its picture for the next movie that fits).
  bool FullScreen() const { return fullScreen_; }
  PictureBuffer& Picture() { return picture_; }
  int OutputWidth() const { return outputWidth_; }
  int OutputHeight() const { return outputHeight_; }
  bool Stretched() const { return stretched_; }
  const PaletteRange& Range() const { return range_; }
  uint32_t ScreenColors() const { return range_.screenColors; }
  int UsableColors() const { return range_.Usable(); }
  const Palette& LogicalPalette() const { return logical_; }
  const Palette& SystemPalette() const { return system_; }
  // Where the decoder writes.
  ZoeSurface Surface();
  // How the changed area of a frame becomes rectangles for this display.
  ChangedArea Area(int lineScale) const;

  // Lays a movie palette (256 x RGB) over the screen's.
  void SetPalette(const uint8_t rgb[768]);
  // Puts the screen's own palette on the display (remap option 1).
  void UseSystemPalette();
  void Fill(uint8_t index) { picture_.Fill(index); }
  virtual void Show(const std::vector<Rect>& rects) = 0;
  // The name the summary reports: the kind's row's, which a display may add to.
  virtual std::string Name() const;
  // False while a full-screen display is not the active one.
  virtual bool Active() const { return true; }
  // A full-screen display can take the next movie when it is at least that large.
  bool Fits(int width, int height) const {
    return width <= picture_.Width() && height <= picture_.Height();
  }
  // The window changed size: the picture is scaled to fit, keeping its aspect.
  virtual void Resized() {}
  // Why the last show put nothing on the screen (the system refused a copy); empty while
  // all is well. The player ends the run on it rather than play to a black window.
  const std::string& Failure() const { return failure_; }

 protected:
  virtual void PaletteChanged() {}
  virtual MergeRule Merge() const { return MergeRule::kBounding; }
  void SetPicture(PictureBuffer picture) { picture_ = std::move(picture); }
  // Notes the system's complaint about the copy just tried.
  void Failed();

  const DisplayRequest request_;
  bool paletteDirty_ = true;

 private:
  std::string failure_;
  int kind_;
  bool fullScreen_;
  PictureBuffer picture_;
  int outputWidth_;
  int outputHeight_;
  bool stretched_;
  PaletteRange range_;
  Palette system_;
  Palette logical_;
};

// Makes a display of the row's kind, or null when it cannot work here.
using DisplayFactory = std::unique_ptr<Display> (*)(const DisplayRequest&, const DisplayHost&,
                                                    int kind);

// What /B says about a row whose /V code another row shares.
enum class BufferSwitch { kEither, kWith, kWithout };

struct DisplayKindEntry {
  int kind;
  int videoCode;            // the /V number that picks it; 0: none does
  BufferSwitch buffer;      // with a /V code two rows share: whether /B picks this one
  const char* name;         // Name(), the summary's blitter and --help
  const char* description;  // for --help
  DisplayFactory make;
  bool automatic;     // probed, in table order, when no kind is asked for
  bool nullStandsIn;  // asked for and failing, the null row is tried next
};

// In the order OpenDisplay walks them; the null display is the last row.
std::span<const DisplayKindEntry> DisplayKinds();
// The row of a kind; null for automatic or an unknown kind.
const DisplayKindEntry* FindDisplayKind(int kind);
// The kind /V`code` picks (with /B or without), or automatic when no row has that code.
int DisplayKindForVideo(int code, bool doubleBuffer);

// The rows OpenDisplay tries for a kind, in table order: with no kind asked for (automatic)
// every row probed automatically; otherwise the row asked for, then the null row when the
// asked row lets it stand in. Empty for a kind no row has.
std::vector<const DisplayKindEntry*> DisplayWalk(int kind);

// The first display of the walk that opens (the null display opens only where there is no
// window at all). Null: none did.
std::unique_ptr<Display> OpenDisplay(const DisplayRequest& request, const DisplayHost& host);

// The factories, one per file.
std::unique_ptr<Display> MakeFullScreenDisplay(const DisplayRequest&, const DisplayHost&, int kind);
std::unique_ptr<Display> MakeDibDisplay(const DisplayRequest&, const DisplayHost&, int kind);
std::unique_ptr<Display> MakeSectionDisplay(const DisplayRequest&, const DisplayHost&, int kind);
std::unique_ptr<Display> MakeNullDisplay(const DisplayRequest&, const DisplayHost&, int kind);

// An even stretch is none or one where 4 x output is a multiple of the picture size.
bool UnevenStretch(int picture, int output);

}  // namespace reel
