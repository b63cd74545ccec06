// The display that always opens: a picture in memory that is never shown, for runs without
// any video (the movie still decodes, so its timing and summary stay true).
#include "player/output/display.h"

namespace reel {
namespace {

class NullDisplay : public Display {
 public:
  explicit NullDisplay(const DisplayRequest& r) : Display(kNoDisplay, r, false) {
    SetPicture(PictureBuffer(r.width, r.height, r.height, false));
  }
  void Show(const std::vector<Rect>&) override { paletteDirty_ = false; }
  std::string Name() const override { return "No display"; }
};

}  // namespace

std::unique_ptr<Display> MakeNullDisplay(const DisplayRequest& r, const DisplayHost&) {
  return std::make_unique<NullDisplay>(r);
}

}  // namespace reel
