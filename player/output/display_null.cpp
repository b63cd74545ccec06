// The display for runs without any video: a picture in memory that is never shown (the movie
// still decodes, so its timing and summary stay true). It opens only where there is no
// window at all; with one, the window's own kinds are the ones to show the movie.
#include "player/output/display.h"

namespace reel {
namespace {

class NullDisplay : public Display {
 public:
  NullDisplay(const DisplayRequest& r, int kind) : Display(kind, r, false) {
    SetPicture(PictureBuffer(r.width, r.height, r.height, false));
  }
  void Show(const std::vector<Rect>&) override { paletteDirty_ = false; }
};

}  // namespace

std::unique_ptr<Display> MakeNullDisplay(const DisplayRequest& r, const DisplayHost& host,
                                         int kind) {
  if (host.window != nullptr) return nullptr;
  return std::make_unique<NullDisplay>(r, kind);
}

}  // namespace reel
