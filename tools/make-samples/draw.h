#pragma once
// Drawing helpers for the sample pictures: 8-bit canvases, colour ramps, tileable noise and
// a few shaded shapes. Everything works in plain integers and doubles with fixed seeds.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tools/make-samples/samples.h"

namespace samples {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

// 256 colours; stored as 768 bytes (red, green, blue) in entries.
using Palette = std::array<Rgb, 256>;
Bytes PaletteBytes(const Palette& p);

// A colour at a palette index; a ramp runs between such stops (indices ascending).
struct Stop {
  int index;
  Rgb colour;
};
// Fills indices first..last (inclusive) by interpolating between the stops.
void FillRamp(Palette& p, std::initializer_list<Stop> stops);
// 16 ramps of 16 shades (dark to light), ramp k at 16k; ramp 0 is a grey ramp whose
// index 0 is the background colour.
Palette ShadedRamps(const std::array<Rgb, 16>& midColours, Rgb background);

struct Canvas {
  int w = 0, h = 0;
  std::vector<std::uint8_t> px;
  Canvas(int width, int height, std::uint8_t fill = 0)
      : w(width), h(height), px(static_cast<std::size_t>(width * height), fill) {}
  std::uint8_t& At(int x, int y) { return px[static_cast<std::size_t>(y * w + x)]; }
  std::uint8_t At(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
  void Set(int x, int y, int v) {
    if (x >= 0 && y >= 0 && x < w && y < h) At(x, y) = static_cast<std::uint8_t>(v);
  }
};

// Value noise on a wrapping lattice of gx x gy cells, sampled over a w x h picture so that
// the picture tiles seamlessly. Values in [0, 1].
class TileNoise {
 public:
  TileNoise(int gx, int gy, std::uint32_t seed);
  double At(double u, double v) const;  // u, v in [0, 1) across the picture

 private:
  double Lattice(int x, int y) const;
  int gx_, gy_;
  std::vector<double> values_;
};

// Sum of octaves of TileNoise, the first with g x g cells, each octave twice as fine and
// half as strong. Values in [0, 1].
class Fractal {
 public:
  Fractal(int g, int octaves, std::uint32_t seed);
  double At(double u, double v) const;

 private:
  std::vector<TileNoise> layers_;
};

// A value in [0, 1] to a palette index first..last.
std::uint8_t ToIndex(double v, int first = 0, int last = 255);

// A disc shaded as a sphere lit from the upper left, in ramp `ramp` (16 shades at 16 x ramp).
void ShadedDisc(Canvas& c, double cx, double cy, double r, int ramp);
// An axis-aligned box shaded across its width like a cylinder.
void ShadedBar(Canvas& c, int x0, int y0, int x1, int y1, int ramp);
// A filled ellipse in one colour.
void FillEllipse(Canvas& c, double cx, double cy, double rx, double ry, int colour);
// A filled triangle in one colour.
void FillTriangle(Canvas& c, double ax, double ay, double bx, double by, double cx, double cy,
                  int colour);

// A 24-bit picture as PCX: version 5, run-length coded, three planes.
struct RgbImage {
  int w = 0, h = 0;
  std::vector<Rgb> px;
};
Bytes EncodePcx(const RgbImage& img);
// A small landscape (sky, sun, hills, water) for the PCX samples.
RgbImage PaintLandscape(int w, int h, std::uint32_t seed);

}  // namespace samples
