// The display's blitters and changed-rectangle list over random geometry. The first bytes
// choose the picture size (up to 256 x 128, multiples of 4 as movies have), the storage order,
// the screen offset, the line scale, the merge rule and the blitter; the rest marks changed
// groups and, past that, gives rectangles to blit. Every rectangle the list returns must lie
// in the picture, and every blit must stay inside its destination (the sanitizers watch the
// buffers, which are sized exactly).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "player/output/blitters.h"
#include "player/output/changed_rects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const int width = 4 * (1 + data[0] % 64);
  const int lines = 4 * (1 + data[1] % 32);
  const bool bottomUp = data[2] & 1;
  const int lineScale = data[2] & 2 ? 2 : 1;
  const int xOffset = data[3];
  const reel::MergeRule rule = static_cast<reel::MergeRule>(data[4] % 3);
  const int blitterIndex = data[5] % 10;
  const bool newPalette = data[6] & 1;
  data += 8;
  size -= 8;

  ZoeTarget target;
  target.mode = 1;
  target.width = static_cast<uint32_t>(width);
  target.storedHeight = static_cast<uint32_t>(lines);
  target.blocksPerRow = target.width / 4;
  target.blockRows = target.storedHeight / 4;
  target.changed.assign(size_t{target.blocksPerRow} * target.blockRows / 16 + 32, 0);
  size_t used = 0;
  for (; used < size && used < target.changed.size(); ++used)
    target.changed[used] = data[used] & 1;

  reel::ChangedArea area;
  area.rule = rule;
  area.xOffset = xOffset;
  area.lineScale = lineScale;
  area.width = width;
  area.height = lines * lineScale;
  const std::vector<reel::Rect> rects = reel::ChangedRects(target, newPalette, area);
  if (rects.size() > reel::kMaxRects) std::abort();
  for (const reel::Rect& r : rects) {
    if (r.x < 0 || r.y < 0 || r.w < 0 || r.h < 0 || r.x + r.w > area.width ||
        r.y + r.h > area.height) {
      std::abort();
    }
  }

  // The blitters read a picture of `lines` lines and write 1x or 2x into an exact buffer.
  const reel::Blitter* blitter = reel::BlitterAt(blitterIndex);
  if (blitter == nullptr) return 0;
  std::vector<uint8_t> picture(size_t(width) * size_t(lines), 0x5A);
  const int step = bottomUp ? -width : width;
  const uint8_t* origin =
      bottomUp ? picture.data() + size_t(width) * size_t(lines - 1) : picture.data();
  const reel::BlitSource source{origin, step, width, lines};
  const int scale = blitter->scaling == reel::Scaling::k1x ? 1 : 2;
  const int pixelBytes = blitter->bits16 ? 2 : 1;
  const int pitch = width * scale * pixelBytes;
  std::vector<uint8_t> screen(size_t(pitch) * size_t(lines * scale));
  reel::BlitTables tables;
  if (blitter->scaling == reel::Scaling::k2xSmoothing) {
    if (blitter->bits16) {
      tables.smooth16.assign(65536, 0);
    } else {
      tables.smooth8.assign(65536, 0);
    }
  }
  std::vector<reel::Rect> blits(rects.begin(), rects.end());
  for (size_t i = used; i + 4 <= size; i += 4) {
    blits.push_back({int8_t(data[i]) * 3, int8_t(data[i + 1]) * 2, data[i + 2] * 2, data[i + 3]});
  }
  for (const reel::Rect& r : blits)
    blitter->blit(source, {screen.data(), pitch}, r, tables);
  return 0;
}
