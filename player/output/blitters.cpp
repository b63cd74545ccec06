#include "player/output/blitters.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <numeric>
#include <type_traits>

namespace reel {

uint16_t Pixel16(uint8_t red, uint8_t green, uint8_t blue, PixelFormat16 format) {
  if (format == PixelFormat16::k555)
    return uint16_t((red / 8) * 1024 + (green / 8) * 32 + blue / 8);
  return uint16_t((red / 8) * 2048 + (green / 4) * 32 + blue / 8);
}

std::array<uint16_t, 256> ColourTable(const Palette& palette, PixelFormat16 format) {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = Pixel16(palette[i].red, palette[i].green, palette[i].blue, format);
  return table;
}

std::array<uint32_t, 256> ColourTable32(const Palette& palette) {
  std::array<uint32_t, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[i] = uint32_t{palette[i].red} << 16 | uint32_t{palette[i].green} << 8 | palette[i].blue;
  return table;
}

void Blit32(const BlitSource& source, uint8_t* origin, int pitch, Rect r,
            const std::array<uint32_t, 256>& table) {
  const Rect c = ClipToPicture(r, source.width, source.height);
  for (int y = c.y; y < c.y + c.h; ++y) {
    const uint8_t* in = source.origin + ptrdiff_t{source.step} * y;
    auto* out = reinterpret_cast<uint32_t*>(origin + ptrdiff_t{pitch} * y);
    for (int x = c.x; x < c.x + c.w; ++x)
      out[x] = table[in[x]];
  }
}

std::vector<uint8_t> SmoothingTable8(const Palette& palette) {
  // Candidates by increasing red (equal reds by index), so the search can stop once the red
  // difference alone rules out every later candidate.
  std::array<uint8_t, 256> order;
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint8_t a, uint8_t b) { return palette[a].red < palette[b].red; });
  std::vector<uint8_t> table(65536);
  for (int a = 0; a < 256; ++a) {
    table[a * 256 + a] = static_cast<uint8_t>(a);
    for (int b = a + 1; b < 256; ++b) {
      const int r = (palette[a].red + palette[b].red) / 2;
      const int g = (palette[a].green + palette[b].green) / 2;
      const int bl = (palette[a].blue + palette[b].blue) / 2;
      int best = 0;
      int bestDistance = 0x7FFFFFFF;
      for (uint8_t c : order) {
        const PaletteEntry& e = palette[c];
        const int dr = e.red - r;
        if (e.red >= r && dr * dr >= bestDistance) break;
        const int dg = e.green - g, db = e.blue - bl;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
          bestDistance = d;
          best = c;
        }
      }
      table[a * 256 + b] = table[b * 256 + a] = static_cast<uint8_t>(best);
    }
  }
  return table;
}

std::vector<uint16_t> SmoothingTable16(const Palette& palette, PixelFormat16 format) {
  std::vector<uint16_t> table(65536);
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const PaletteEntry &p = palette[a], &q = palette[b];
      table[a * 256 + b] =
          Pixel16(uint8_t(p.red / 2 + q.red / 2), uint8_t(p.green / 2 + q.green / 2),
                  uint8_t(p.blue / 2 + q.blue / 2), format);
    }
  }
  return table;
}

Rect ClipToPicture(Rect r, int width, int height) {
  const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
  const int x1 = std::min(r.x + std::max(r.w, 0), width);
  const int y1 = std::min(r.y + std::max(r.h, 0), height);
  if (x1 <= x0 || y1 <= y0) return Rect{};
  return {x0, y0, x1 - x0, y1 - y0};
}

namespace {

// How a pixel reaches the screen: an index as it is, or through the 16-bit colour table.
struct As8 {
  using Out = uint8_t;
  static Out Put(uint8_t v, const BlitTables&) { return v; }
  static Out Blend(uint8_t a, uint8_t b, const BlitTables& t) { return t.smooth8[a * 256 + b]; }
};
struct As16 {
  using Out = uint16_t;
  static Out Put(uint8_t v, const BlitTables& t) { return t.pixels[v]; }
  static Out Blend(uint8_t a, uint8_t b, const BlitTables& t) { return t.smooth16[a * 256 + b]; }
};

template <class P>
typename P::Out* OutLine(const BlitDest& d, int y) {
  return reinterpret_cast<typename P::Out*>(d.origin + ptrdiff_t{d.pitch} * y);
}

template <class P>
void Blit1x(const BlitSource& s, const BlitDest& d, Rect r, const BlitTables& t) {
  r = ClipToPicture(r, s.width, s.height);
  for (int y = r.y; y < r.y + r.h; ++y) {
    const uint8_t* in = s.origin + ptrdiff_t{s.step} * y + r.x;
    typename P::Out* out = OutLine<P>(d, y) + r.x;
    if constexpr (std::is_same_v<P, As8>) {
      std::memcpy(out, in, size_t(r.w));
    } else {
      const typename P::Out* colour = t.pixels.data();
      for (int x = 0; x < r.w; ++x)
        out[x] = colour[in[x]];
    }
  }
}

// Doubles each pixel across; with `both` every picture line goes to two screen lines,
// otherwise to the first of them only (interlaced).
template <class P, bool Both>
void Blit2x(const BlitSource& s, const BlitDest& d, Rect r, const BlitTables& t) {
  r = ClipToPicture(r, s.width, s.height);
  for (int y = r.y; y < r.y + r.h; ++y) {
    const uint8_t* in = s.origin + ptrdiff_t{s.step} * y;
    typename P::Out* out = OutLine<P>(d, 2 * y);
    for (int x = r.x; x < r.x + r.w; ++x)
      out[2 * x] = out[2 * x + 1] = P::Put(in[x], t);
    if (Both) {
      std::memcpy(OutLine<P>(d, 2 * y + 1) + 2 * r.x, out + 2 * r.x,
                  sizeof(typename P::Out) * 2 * size_t(r.w));
    }
  }
}

// Each pixel a with right neighbour b, lower neighbour c and diagonal neighbour e becomes
//   a      ab
//   ac     ae
// where xy is the blend of x and y; at the picture's edges the missing neighbour is a itself.
template <class P>
void Blit2xSmooth(const BlitSource& s, const BlitDest& d, Rect r, const BlitTables& t) {
  r = ClipToPicture(r, s.width, s.height);
  for (int y = r.y; y < r.y + r.h; ++y) {
    const uint8_t* in = s.origin + ptrdiff_t{s.step} * y;
    const uint8_t* below = y + 1 < s.height ? in + s.step : in;
    typename P::Out* top = OutLine<P>(d, 2 * y);
    typename P::Out* bottom = OutLine<P>(d, 2 * y + 1);
    for (int x = r.x; x < r.x + r.w; ++x) {
      const int right = x + 1 < s.width ? x + 1 : x;
      const uint8_t a = in[x];
      top[2 * x] = P::Put(a, t);
      top[2 * x + 1] = P::Blend(a, in[right], t);
      bottom[2 * x] = P::Blend(a, below[x], t);
      bottom[2 * x + 1] = P::Blend(a, below[right], t);
    }
  }
}

constexpr Blitter kBlitters[] = {
    {"8-bit 1x", false, Scaling::k1x, Blit1x<As8>},
    {"8-bit 2x", false, Scaling::k2x, Blit2x<As8, true>},
    {"8-bit 2x Interlaced", false, Scaling::k2xInterlaced, Blit2x<As8, false>},
    {"8-bit 2x Smoothing", false, Scaling::k2xSmoothing, Blit2xSmooth<As8>},
    {nullptr, false, Scaling::k1x, nullptr},
    {nullptr, false, Scaling::k1x, nullptr},
    {"16-bit 1x", true, Scaling::k1x, Blit1x<As16>},
    {"16-bit 2x", true, Scaling::k2x, Blit2x<As16, true>},
    {"16-bit 2x Interlaced", true, Scaling::k2xInterlaced, Blit2x<As16, false>},
    {"16-bit 2x Smoothing", true, Scaling::k2xSmoothing, Blit2xSmooth<As16>},
};

}  // namespace

int BlitterIndex(bool bits16, Scaling scaling) {
  return (bits16 ? 6 : 0) + static_cast<int>(scaling);
}

const Blitter* BlitterAt(int index) {
  if (index < 0 || index >= int(std::size(kBlitters)) || kBlitters[index].blit == nullptr)
    return nullptr;
  return &kBlitters[index];
}

}  // namespace reel
