// Bitmaps, icons, palettes and the header-wrapped PCX picture.

#include <cmath>
#include <cstdio>
#include <functional>

#include "tools/make-samples/draw.h"
#include "tools/make-samples/entries.h"
#include "viewer/core/containers/extract.h"

namespace samples {

using brindle::rtBitmap;
using brindle::rtIcon;
using brindle::rtIconPcx;
using brindle::rtPalette;

// Header, pixel data (compressed or raw), then the picture's own 768-byte palette.
Bytes BitmapEntryBytes(const std::string& name, const Canvas& c, const Palette& p, bool compress) {
  const Bytes packed =
      compress ? brindle::BuildCompressedPayload(c.px) : Bytes(c.px.begin(), c.px.end());
  brindle::LodEntryHeader h;
  h.name = name;
  h.field16 = static_cast<std::uint32_t>(c.w * c.h);
  h.packedSize = static_cast<std::int32_t>(packed.size());
  h.width = static_cast<std::uint16_t>(c.w);
  h.height = static_cast<std::uint16_t>(c.h);
  h.unpackedSize = compress ? static_cast<std::int32_t>(c.px.size()) : 0;
  brindle::ByteWriter w;
  w.Append(brindle::WriteLodEntryHeader(h)).Append(packed).Append(PaletteBytes(p));
  return w.Take();
}

// A palette entry: a header that gives no sizes, then the colours stored raw.
Bytes PaletteEntryBytes(const std::string& name, const Palette& p) {
  brindle::LodEntryHeader h;
  h.name = name;
  brindle::ByteWriter w;
  w.Append(brindle::WriteLodEntryHeader(h)).Append(PaletteBytes(p));
  return w.Take();
}

namespace {

SampleEntry Bitmap(const std::string& name, const Canvas& c, const Palette& p, bool compress,
                   brindle::TResourceType type) {
  return {{name, BitmapEntryBytes(name, c, p, compress), 0}, type};
}

// ---- Icons: small item pictures on a dark background, each with its own palette ----

Palette ItemPalette(Rgb background) {
  return ShadedRamps({Rgb{128, 128, 128}, Rgb{150, 160, 175}, Rgb{200, 160, 40}, Rgb{120, 75, 40},
                      Rgb{180, 30, 30}, Rgb{40, 90, 190}, Rgb{50, 150, 60}, Rgb{140, 60, 160},
                      Rgb{220, 190, 150}, Rgb{230, 110, 30}, Rgb{40, 160, 160}, Rgb{90, 60, 30},
                      Rgb{240, 220, 90}, Rgb{70, 70, 90}, Rgb{200, 200, 215}, Rgb{160, 20, 80}},
                     background);
}

// Ramps of ItemPalette.
enum : int {
  kGrey = 0,
  kSteel = 1,
  kGold = 2,
  kLeather = 3,
  kRed = 4,
  kBlue = 5,
  kGreen = 6,
  kViolet = 7,
  kGlass = 14,
};

Canvas DrawSword() {
  Canvas c(24, 96);
  // Blade with a point, shaded across its width.
  ShadedBar(c, 9, 8, 14, 66, kSteel);
  FillTriangle(c, 9, 8, 15, 8, 12, 1, 16 * kSteel + 12);
  for (int y = 10; y < 64; ++y)
    c.Set(12, y, 16 * kSteel + 15);  // the fuller catches the light
  // Cross-guard, grip wrapped in leather, round pommel.
  ShadedBar(c, 2, 67, 21, 71, kGold);
  ShadedBar(c, 10, 72, 13, 87, kLeather);
  for (int y = 73; y < 87; y += 3)
    for (int x = 10; x <= 13; ++x)
      c.Set(x, y, 16 * kLeather + 4);
  ShadedDisc(c, 12, 91, 4.2, kGold);
  return c;
}

Canvas DrawPotion() {
  Canvas c(32, 40);
  ShadedDisc(c, 16, 26, 12, kGlass);                 // the flask
  FillEllipse(c, 16, 29, 10, 8, 16 * kRed + 8);      // the liquid
  FillEllipse(c, 16, 31, 8, 5, 16 * kRed + 5);       // darker below
  ShadedBar(c, 12, 6, 19, 14, kGlass);               // neck
  ShadedBar(c, 11, 1, 20, 6, kLeather);              // cork
  FillEllipse(c, 11, 21, 2.5, 4, 16 * kGlass + 15);  // highlight
  return c;
}

Canvas DrawShield() {
  Canvas c(36, 44);
  for (int y = 0; y < 44; ++y) {
    for (int x = 0; x < 36; ++x) {
      const double u = (x + 0.5 - 18) / 17;  // -1..1 across
      const double v = (y + 0.5) / 43;       // 0 top .. 1 bottom
      const double half = v < 0.55 ? 1.0 : std::sqrt(std::max(0.0, 1 - (v - 0.55) / 0.45));
      if (std::abs(u) > half || v < 0.02) continue;
      const bool rim = std::abs(u) > half - 0.14 || v < 0.08;
      const int shade = std::clamp(static_cast<int>(12 - 5 * u - 4 * v), 2, 15);
      c.Set(x, y, rim ? 16 * kGold + shade : 16 * kBlue + shade);
    }
  }
  // A cross as the emblem.
  for (int y = 10; y < 34; ++y)
    for (int x = 16; x < 20; ++x)
      c.Set(x, y, 16 * kSteel + 13);
  for (int y = 17; y < 21; ++y)
    for (int x = 9; x < 27; ++x)
      c.Set(x, y, 16 * kSteel + 13);
  return c;
}

// Two-colour checks brightening from left to right, on a 4-pixel grid.
Canvas DrawChecker() {
  Canvas c(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      c.At(x, y) = static_cast<std::uint8_t>(((x / 4 + y / 4) % 2 == 0 ? 0 : 128) + x * 4 + 2);
  return c;
}

Palette CheckerPalette() {
  Palette p{};
  FillRamp(p, {{0, Rgb{30, 20, 10}}, {127, Rgb{200, 160, 90}}});
  FillRamp(p, {{128, Rgb{10, 20, 40}}, {255, Rgb{120, 180, 240}}});
  return p;
}

// A glowing orb: concentric rings through a purple-to-white ramp.
Canvas DrawOrb() {
  Canvas c(40, 40);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const double d = std::hypot(x + 0.5 - 20, y + 0.5 - 20) / 20;
      const double glow = std::max(0.0, 1 - d) * (0.85 + 0.15 * std::cos(d * 25));
      c.At(x, y) = ToIndex(glow);
    }
  }
  return c;
}

Palette OrbPalette() {
  Palette p{};
  FillRamp(p, {{0, Rgb{0, 0, 0}},
               {90, Rgb{60, 10, 90}},
               {180, Rgb{170, 80, 230}},
               {255, Rgb{255, 245, 255}}});
  return p;
}

// Sky fading into the evening with a half-set sun on the horizon.
Canvas DrawSunset() {
  Canvas c(64, 32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const double sun = std::hypot(x + 0.5 - 40, y + 0.5 - 24);
      if (y >= 24)
        c.At(x, y) = static_cast<std::uint8_t>(200 + (y - 24) * 6 + (x % 7 == y % 7 ? 4 : 0));
      else if (sun < 7)
        c.At(x, y) = 190;
      else
        c.At(x, y) = static_cast<std::uint8_t>(y * 150 / 24 + 10);
    }
  }
  return c;
}

Palette SunsetPalette() {
  Palette p{};
  FillRamp(p, {{0, Rgb{10, 10, 50}},
               {80, Rgb{90, 40, 120}},
               {150, Rgb{240, 120, 60}},
               {170, Rgb{250, 200, 90}},
               {190, Rgb{255, 240, 170}},
               {199, Rgb{255, 250, 220}},
               {200, Rgb{20, 30, 70}},
               {255, Rgb{60, 30, 60}}});
  return p;
}

Palette DuskPalette() {
  Palette p{};
  FillRamp(p, {{0, Rgb{0, 0, 0}},
               {64, Rgb{40, 30, 90}},
               {128, Rgb{170, 70, 110}},
               {192, Rgb{250, 160, 80}},
               {255, Rgb{255, 250, 210}}});
  return p;
}

SampleEntry HeaderPcx(const std::string& name) {
  const Bytes pcx = EncodePcx(PaintLandscape(63, 40, 7));
  const Bytes packed = brindle::BuildCompressedPayload(pcx);
  brindle::LodEntryHeader h;
  h.name = name;
  h.packedSize = static_cast<std::int32_t>(packed.size());
  h.unpackedSize = static_cast<std::int32_t>(pcx.size());
  brindle::ByteWriter w;
  w.Append(brindle::WriteLodEntryHeader(h)).Append(packed);
  return {{name, w.Take(), 0}, rtIconPcx};
}

}  // namespace

std::vector<SampleEntry> IconPictureEntries() {
  std::vector<SampleEntry> out;
  out.push_back(Bitmap("isword01", DrawSword(), ItemPalette({8, 8, 12}), true, rtIcon));
  out.push_back(Bitmap("ipotion01", DrawPotion(), ItemPalette({12, 8, 8}), true, rtIcon));
  out.push_back(Bitmap("ishield01", DrawShield(), ItemPalette({4, 12, 4}), true, rtIcon));
  out.push_back(Bitmap("ichecks", DrawChecker(), CheckerPalette(), false, rtIcon));
  out.push_back(Bitmap("iorb01", DrawOrb(), OrbPalette(), true, rtIcon));
  out.push_back(Bitmap("isunset", DrawSunset(), SunsetPalette(), true, rtIcon));
  out.push_back({{"iconpal", PaletteEntryBytes("iconpal", ItemPalette({0, 0, 0})), 0}, rtPalette});
  out.push_back({{"dusk.pal", PaletteEntryBytes("dusk.pal", DuskPalette()), 0}, rtPalette});
  out.push_back(HeaderPcx("vista.pcx"));
  return out;
}

Bytes PlainPcx(int w, int h, std::uint32_t seed) {
  return EncodePcx(PaintLandscape(w, h, seed));
}

// ---- Bitmaps: tileable textures, each mapped through a ramp of its own ----

namespace {

struct Texture {
  const char* name;
  int w, h;
  std::function<void(Canvas&, Palette&)> paint;
};

double U(const Canvas& c, int x) {
  return (x + 0.5) / c.w;
}
double V(const Canvas& c, int y) {
  return (y + 0.5) / c.h;
}

void Stone(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{30, 30, 35}}, {140, Rgb{110, 110, 115}}, {255, Rgb{200, 200, 190}}});
  Fractal n(4, 5, 11);
  TileNoise cracks(6, 6, 12);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      double v = n.At(U(c, x), V(c, y));
      if (std::abs(cracks.At(U(c, x), V(c, y)) - 0.5) < 0.015) v *= 0.4;
      c.At(x, y) = ToIndex((v - 0.2) * 1.6);
    }
}

void Wood(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{50, 25, 10}}, {128, Rgb{130, 80, 40}}, {255, Rgb{210, 160, 100}}});
  Fractal n(2, 4, 21);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double warp = n.At(U(c, x), V(c, y));
      const double rings = 0.5 + 0.5 * std::sin((U(c, x) * 6 + warp * 3) * 6.2831853);
      c.At(x, y) = ToIndex(0.25 + 0.55 * rings + 0.2 * warp);
    }
}

void Water(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{5, 20, 60}}, {160, Rgb{30, 90, 160}}, {255, Rgb{190, 230, 255}}});
  Fractal n(4, 3, 31);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double u = U(c, x), v = V(c, y);
      const double waves = std::sin((u * 3 + v * 2 + n.At(u, v)) * 6.2831853) +
                           std::sin((u * -2 + v * 4) * 6.2831853);
      c.At(x, y) = ToIndex(0.45 + waves * 0.18 + (n.At(u, v) - 0.5) * 0.5);
    }
}

void Grass(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{15, 40, 10}}, {150, Rgb{60, 130, 40}}, {255, Rgb{180, 220, 110}}});
  Fractal n(4, 4, 41);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      c.At(x, y) = ToIndex(n.At(U(c, x), V(c, y)) * 0.8);
  Rng rng(42);
  for (int blade = 0; blade < c.w * c.h / 12; ++blade) {
    const int x = rng.Below(c.w), y = rng.Below(c.h), len = 2 + rng.Below(5);
    const int lean = rng.Below(3) - 1;
    for (int i = 0; i < len; ++i)
      c.Set((x + lean * i / 2 + c.w) % c.w, (y - i + c.h) % c.h, 150 + i * 20);
  }
}

void Brick(Canvas& c, Palette& p) {
  // 0..63 mortar, 64..255 brick.
  FillRamp(p, {{0, Rgb{70, 65, 60}}, {63, Rgb{170, 165, 150}}});
  FillRamp(p, {{64, Rgb{70, 20, 15}}, {180, Rgb{150, 60, 40}}, {255, Rgb{220, 130, 90}}});
  Fractal n(8, 3, 51);
  Rng rng(52);
  std::vector<double> tint(64);
  for (double& t : tint)
    t = rng.Unit();
  const int bw = 32, bh = 16;
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const int row = y / bh;
      const int shifted = x + (row % 2) * (bw / 2);
      const int bx = (shifted / bw) % (c.w / bw), lx = shifted % bw, ly = y % bh;
      const double grain = n.At(U(c, x), V(c, y));
      if (lx < 2 || ly < 2) {
        c.At(x, y) = ToIndex(grain, 0, 63);
      } else {
        const double t = tint[static_cast<std::size_t>((row * 7 + bx) % 64)];
        c.At(x, y) =
            ToIndex(0.15 + 0.4 * t + 0.45 * grain - (ly == 2 || lx == 2 ? 0.15 : 0), 64, 255);
      }
    }
}

void Sand(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{140, 110, 60}}, {170, Rgb{210, 180, 120}}, {255, Rgb{245, 230, 180}}});
  Fractal n(4, 3, 61);
  Rng rng(62);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      c.At(x, y) = ToIndex(n.At(U(c, x), V(c, y)) * 0.7 + rng.Unit() * 0.3);
}

void Lava(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{10, 0, 0}},
               {100, Rgb{120, 10, 0}},
               {180, Rgb{240, 100, 0}},
               {230, Rgb{255, 220, 60}},
               {255, Rgb{255, 255, 220}}});
  Fractal n(3, 5, 71);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double t = std::abs(n.At(U(c, x), V(c, y)) - 0.5) * 2;  // ridges glow
      c.At(x, y) = ToIndex(1 - t * 2.2);
    }
}

void Marble(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{40, 60, 50}}, {90, Rgb{140, 160, 150}}, {255, Rgb{245, 245, 240}}});
  Fractal n(3, 5, 81);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double u = U(c, x), v = V(c, y);
      const double veins = std::abs(std::sin((u + v + n.At(u, v) * 2.5) * 6.2831853));
      c.At(x, y) = ToIndex(std::pow(veins, 0.35));
    }
}

void Dirt(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{35, 20, 10}}, {160, Rgb{100, 70, 40}}, {255, Rgb{170, 140, 100}}});
  Fractal n(4, 3, 91);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      c.At(x, y) = ToIndex(n.At(U(c, x), V(c, y)) * 0.75);
  Rng rng(92);
  for (int i = 0; i < 10; ++i) {  // pebbles
    const double px = rng.Below(c.w), py = rng.Below(c.h), r = 1 + rng.Unit() * 1.5;
    FillEllipse(c, px, py, r + 0.5, r, 200 + rng.Below(50));
  }
}

void Tiles(Canvas& c, Palette& p) {
  // 0..31 grout, 32..143 blue tiles, 144..255 white tiles.
  FillRamp(p, {{0, Rgb{60, 55, 50}}, {31, Rgb{120, 115, 105}}});
  FillRamp(p, {{32, Rgb{10, 30, 90}}, {143, Rgb{90, 140, 220}}});
  FillRamp(p, {{144, Rgb{150, 150, 150}}, {255, Rgb{250, 250, 245}}});
  Fractal n(8, 2, 101);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double g = n.At(U(c, x), V(c, y));
      const int lx = x % 16, ly = y % 16;
      if (lx == 0 || ly == 0)
        c.At(x, y) = ToIndex(g, 0, 31);
      else if ((x / 16 + y / 16) % 2 == 0)
        c.At(x, y) = ToIndex(0.5 + 0.3 * g - 0.02 * (lx + ly) + 0.3, 32, 143);
      else
        c.At(x, y) = ToIndex(0.4 + 0.3 * g + 0.02 * (16 - lx), 144, 255);
    }
}

void Roof(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{15, 15, 25}}, {140, Rgb{70, 75, 95}}, {255, Rgb{150, 160, 180}}});
  Fractal n(8, 2, 111);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const int row = y / 8;
      const int lx = (x + (row % 2) * 8) % 16, ly = y % 8;
      // Each shingle is lighter at its rounded lower edge.
      const double arc = std::abs(lx - 7.5) / 7.5;
      const double edge = ly / 7.0 - 0.3 * arc * arc;
      const double v = lx == 0 ? 0.05 : 0.2 + 0.6 * edge + 0.2 * n.At(U(c, x), V(c, y));
      c.At(x, y) = ToIndex(v);
    }
}

// Cobbles: distance to the nearest and second-nearest of a jittered grid of seeds.
void Cobble(Canvas& c, Palette& p) {
  FillRamp(p, {{0, Rgb{20, 18, 15}}, {60, Rgb{70, 65, 55}}, {255, Rgb{180, 170, 150}}});
  const int cells = 8;
  Rng rng(121);
  std::vector<double> sx(cells * cells), sy(cells * cells);
  for (int i = 0; i < cells * cells; ++i) {
    sx[static_cast<std::size_t>(i)] = (i % cells + 0.2 + 0.6 * rng.Unit()) / cells;
    sy[static_cast<std::size_t>(i)] = (i / cells + 0.2 + 0.6 * rng.Unit()) / cells;
  }
  Fractal n(8, 2, 122);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      const double u = U(c, x), v = V(c, y);
      double d1 = 9, d2 = 9;
      for (int i = 0; i < cells * cells; ++i)
        for (int oy = -1; oy <= 1; ++oy)
          for (int ox = -1; ox <= 1; ++ox) {
            const double dx = sx[static_cast<std::size_t>(i)] + ox - u;
            const double dy = sy[static_cast<std::size_t>(i)] + oy - v;
            const double d = dx * dx + dy * dy;
            if (d < d1) {
              d2 = d1;
              d1 = d;
            } else if (d < d2) {
              d2 = d;
            }
          }
      const double gap = (std::sqrt(d2) - std::sqrt(d1)) * cells;
      c.At(x, y) = ToIndex(gap < 0.12 ? 0.1 : 0.35 + 0.35 * gap + 0.25 * n.At(u, v));
    }
}

Palette NumberedPalette(int n) {
  // pal000 is a plain grey ramp; the others are sets of shaded ramps in different moods.
  if (n == 0) {
    Palette p{};
    FillRamp(p, {{0, Rgb{0, 0, 0}}, {255, Rgb{255, 255, 255}}});
    return p;
  }
  static const std::array<Rgb, 6> kTints = {Rgb{255, 255, 255}, Rgb{255, 230, 200},
                                            Rgb{200, 220, 255}, Rgb{210, 255, 210},
                                            Rgb{255, 210, 240}, Rgb{240, 240, 180}};
  const Rgb t = kTints[static_cast<std::size_t>(n % 6)];
  auto tint = [&](Rgb c) {
    return Rgb{static_cast<std::uint8_t>(c.r * t.r / 255),
               static_cast<std::uint8_t>(c.g * t.g / 255),
               static_cast<std::uint8_t>(c.b * t.b / 255)};
  };
  return ShadedRamps(
      {tint({128, 128, 128}), tint({150, 160, 175}), tint({200, 160, 40}), tint({120, 75, 40}),
       tint({180, 30, 30}), tint({40, 90, 190}), tint({50, 150, 60}), tint({140, 60, 160}),
       tint({220, 170, 130}), tint({230, 110, 30}), tint({40, 160, 160}), tint({90, 60, 30}),
       tint({240, 220, 90}), tint({70, 70, 90}), tint({110, 180, 60}), tint({160, 20, 80})},
      Rgb{0, 0, 0});
}

}  // namespace

std::vector<SampleEntry> BitmapEntries() {
  const std::vector<Texture> textures = {
      {"stone01", 64, 64, Stone}, {"wood01", 64, 128, Wood},    {"water01", 64, 64, Water},
      {"grass01", 64, 64, Grass}, {"brick01", 128, 64, Brick},  {"sand01", 32, 32, Sand},
      {"lava01", 64, 64, Lava},   {"marble01", 64, 64, Marble}, {"dirt01", 32, 32, Dirt},
      {"tiles01", 64, 64, Tiles}, {"roof01", 64, 32, Roof},     {"cobble01", 128, 128, Cobble},
  };
  std::vector<SampleEntry> out;
  for (const Texture& t : textures) {
    Canvas c(t.w, t.h);
    Palette p{};
    t.paint(c, p);
    out.push_back(Bitmap(t.name, c, p, true, rtBitmap));
  }
  for (int n = 0; n <= kSpritePaletteCount; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "pal%03d", n);
    out.push_back({{name, PaletteEntryBytes(name, NumberedPalette(n)), 0}, rtPalette});
  }
  out.push_back({{"night.pal", PaletteEntryBytes("night.pal", DuskPalette()), 0}, rtPalette});
  return out;
}

Palette SpritePalette(int n) {
  return NumberedPalette(n);
}

}  // namespace samples
