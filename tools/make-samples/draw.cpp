#include "tools/make-samples/draw.h"

#include <algorithm>
#include <cmath>

namespace samples {

namespace {

std::uint8_t Clamp8(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
          Clamp8(a.b + (b.b - a.b) * t)};
}

double Smooth(double t) {
  return t * t * (3 - 2 * t);
}

}  // namespace

Bytes PaletteBytes(const Palette& p) {
  Bytes out;
  out.reserve(768);
  for (const Rgb& c : p) {
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
  return out;
}

void FillRamp(Palette& p, std::initializer_list<Stop> stops) {
  const Stop* prev = nullptr;
  for (const Stop& s : stops) {
    if (prev == nullptr) {
      p[static_cast<std::size_t>(s.index)] = s.colour;
    } else {
      const int span = s.index - prev->index;
      for (int i = 1; i <= span; ++i)
        p[static_cast<std::size_t>(prev->index + i)] =
            Mix(prev->colour, s.colour, static_cast<double>(i) / span);
    }
    prev = &s;
  }
}

Palette ShadedRamps(const std::array<Rgb, 16>& midColours, Rgb background) {
  Palette p{};
  for (int k = 0; k < 16; ++k) {
    const Rgb mid = midColours[static_cast<std::size_t>(k)];
    const Rgb dark = Mix(Rgb{0, 0, 0}, mid, 0.25);
    const Rgb light = Mix(mid, Rgb{255, 255, 240}, 0.7);
    FillRamp(p, {{16 * k, dark}, {16 * k + 9, mid}, {16 * k + 15, light}});
  }
  p[0] = background;
  return p;
}

TileNoise::TileNoise(int gx, int gy, std::uint32_t seed)
    : gx_(gx), gy_(gy), values_(static_cast<std::size_t>(gx * gy)) {
  Rng rng(seed);
  for (double& v : values_)
    v = rng.Unit();
}

double TileNoise::Lattice(int x, int y) const {
  x = ((x % gx_) + gx_) % gx_;
  y = ((y % gy_) + gy_) % gy_;
  return values_[static_cast<std::size_t>(y * gx_ + x)];
}

double TileNoise::At(double u, double v) const {
  const double x = u * gx_, y = v * gy_;
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = Smooth(x - x0), fy = Smooth(y - y0);
  const double top = Lattice(x0, y0) + (Lattice(x0 + 1, y0) - Lattice(x0, y0)) * fx;
  const double bottom = Lattice(x0, y0 + 1) + (Lattice(x0 + 1, y0 + 1) - Lattice(x0, y0 + 1)) * fx;
  return top + (bottom - top) * fy;
}

Fractal::Fractal(int g, int octaves, std::uint32_t seed) {
  for (int i = 0; i < octaves; ++i)
    layers_.emplace_back(g << i, g << i, seed * 31 + static_cast<std::uint32_t>(i) * 7919);
}

double Fractal::At(double u, double v) const {
  double sum = 0, weight = 0, amp = 1;
  for (const TileNoise& n : layers_) {
    sum += n.At(u, v) * amp;
    weight += amp;
    amp *= 0.5;
  }
  return sum / weight;
}

std::uint8_t ToIndex(double v, int first, int last) {
  v = std::clamp(v, 0.0, 1.0);
  return static_cast<std::uint8_t>(first + std::lround(v * (last - first)));
}

void ShadedDisc(Canvas& c, double cx, double cy, double r, int ramp) {
  for (int y = static_cast<int>(cy - r) - 1; y <= static_cast<int>(cy + r) + 1; ++y) {
    for (int x = static_cast<int>(cx - r) - 1; x <= static_cast<int>(cx + r) + 1; ++x) {
      const double dx = (x + 0.5 - cx) / r, dy = (y + 0.5 - cy) / r;
      const double d2 = dx * dx + dy * dy;
      if (d2 > 1) continue;
      const double dz = std::sqrt(1 - d2);
      // Light from the upper left, a little towards the viewer.
      const double light = std::max(0.0, (-dx * 0.5 - dy * 0.5 + dz * 0.7) / 1.0);
      c.Set(x, y, 16 * ramp + std::clamp(static_cast<int>(2 + light * 13.5), 1, 15));
    }
  }
}

void ShadedBar(Canvas& c, int x0, int y0, int x1, int y1, int ramp) {
  const double width = std::max(1, x1 - x0);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double t = (x - x0 + 0.5) / (width + 1);  // 0 at the left edge, 1 at the right
      const double light = std::sin(t * 3.14159265) * (1.1 - 0.6 * t);
      c.Set(x, y, 16 * ramp + std::clamp(static_cast<int>(3 + light * 12), 1, 15));
    }
  }
}

void FillEllipse(Canvas& c, double cx, double cy, double rx, double ry, int colour) {
  for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y) {
    for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1) c.Set(x, y, colour);
    }
  }
}

void FillTriangle(Canvas& c, double ax, double ay, double bx, double by, double cx, double cy,
                  int colour) {
  const int minX = static_cast<int>(std::floor(std::min({ax, bx, cx})));
  const int maxX = static_cast<int>(std::ceil(std::max({ax, bx, cx})));
  const int minY = static_cast<int>(std::floor(std::min({ay, by, cy})));
  const int maxY = static_cast<int>(std::ceil(std::max({ay, by, cy})));
  auto edge = [](double x0, double y0, double x1, double y1, double x, double y) {
    return (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
  };
  for (int y = minY; y <= maxY; ++y) {
    for (int x = minX; x <= maxX; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double e0 = edge(ax, ay, bx, by, px, py);
      const double e1 = edge(bx, by, cx, cy, px, py);
      const double e2 = edge(cx, cy, ax, ay, px, py);
      if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0)) c.Set(x, y, colour);
    }
  }
}

// PCX: a 128-byte header, then per scan line the red, green and blue plane lines, each
// `bytesPerLine` long (even, so odd widths carry one filler byte). Runs are coded as
// C0 + count (1..63) followed by the value; a single byte below C0 stands for itself.
// We never let a run cross from one plane line into the next, as most writers do.
Bytes EncodePcx(const RgbImage& img) {
  const int bytesPerLine = img.w + (img.w % 2);
  brindle::ByteWriter w;
  w.U8(0x0A).U8(5).U8(1).U8(8);
  w.U16(0).U16(0).U16(static_cast<std::uint16_t>(img.w - 1));
  w.U16(static_cast<std::uint16_t>(img.h - 1));
  w.U16(72).U16(72);  // dots per inch
  w.Zeros(48);        // the 16-colour map, unused with three planes
  w.U8(0).U8(3).U16(static_cast<std::uint16_t>(bytesPerLine));
  w.U16(1);  // colour picture
  w.U16(static_cast<std::uint16_t>(img.w)).U16(static_cast<std::uint16_t>(img.h));
  w.Zeros(128 - w.size());

  std::vector<std::uint8_t> line(static_cast<std::size_t>(bytesPerLine));
  for (int y = 0; y < img.h; ++y) {
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < bytesPerLine; ++x) {
        std::uint8_t v = 0;
        if (x < img.w) {
          const Rgb& c = img.px[static_cast<std::size_t>(y * img.w + x)];
          v = plane == 0 ? c.r : plane == 1 ? c.g : c.b;
        }
        line[static_cast<std::size_t>(x)] = v;
      }
      for (int x = 0; x < bytesPerLine;) {
        const std::uint8_t v = line[static_cast<std::size_t>(x)];
        int run = 1;
        while (x + run < bytesPerLine && run < 63 && line[static_cast<std::size_t>(x + run)] == v)
          ++run;
        if (run > 1 || v >= 0xC0) w.U8(static_cast<std::uint8_t>(0xC0 + run));
        w.U8(v);
        x += run;
      }
    }
  }
  return w.Take();
}

RgbImage PaintLandscape(int w, int h, std::uint32_t seed) {
  RgbImage img{w, h, std::vector<Rgb>(static_cast<std::size_t>(w * h))};
  Rng rng(seed);
  const double sunX = w * (0.2 + 0.6 * rng.Unit()), sunY = h * 0.3, sunR = h * 0.12;
  const double phase = rng.Unit() * 6.28, phase2 = rng.Unit() * 6.28;
  const Rgb skyTop{40, 60, 140}, skyLow{250, 180, 120};
  const Rgb hillNear{40, 100, 50}, hillFar{90, 110, 140}, water{30, 70, 120};
  TileNoise grain(8, 8, seed + 1);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      Rgb c = Mix(skyTop, skyLow, v / 0.65);
      const double dx = x - sunX, dy = y - sunY;
      if (dx * dx + dy * dy < sunR * sunR) c = Rgb{255, 230, 150};
      const double far = 0.5 + 0.08 * std::sin(u * 9 + phase);
      const double near = 0.62 + 0.06 * std::sin(u * 5 + phase2) + 0.03 * std::sin(u * 23);
      if (v > far) c = hillFar;
      if (v > near) c = Mix(hillNear, Rgb{20, 50, 25}, (v - near) * 4);
      if (v > 0.8) c = Mix(water, Rgb{160, 190, 220}, 0.3 * grain.At(u * 4, v));
      // A little grain so the picture is not all long runs.
      const double g = (grain.At(u, v) - 0.5) * 24;
      img.px[static_cast<std::size_t>(y * w + x)] = {Clamp8(c.r + g), Clamp8(c.g + g),
                                                     Clamp8(c.b + g)};
    }
  }
  return img;
}

}  // namespace samples
