// Sprites: creatures and props drawn on index 0, stored as one run per row.
//
// Layout: 32-byte header (name in the first 12 bytes, packed size at 12, width and height at
// 16 and 18, palette number at 20, unpacked size at 28), one 8-byte record per row (first
// column, last column, offset of the row's run in the unpacked pixels), then the pixel runs
// as one zlib stream. A row with nothing to draw gets first = last = FFFF.

#include <cmath>

#include "tools/make-samples/entries.h"
#include "viewer/core/containers/extract.h"

namespace samples {

namespace {

// Ramps of the numbered palettes (see NumberedPalette).
enum : int {
  kSteel = 1,
  kGold = 2,
  kLeather = 3,
  kRed = 4,
  kViolet = 7,
  kOrange = 9,
  kTeal = 10,
  kBark = 11,
  kYellow = 12,
  kSlate = 13,
  kLeaf = 14,
};

Bytes SpriteEntryBytes(const std::string& name, const Canvas& c, int palette) {
  brindle::ByteWriter table;
  Bytes pixels;
  for (int y = 0; y < c.h; ++y) {
    int first = -1, last = -1;
    for (int x = 0; x < c.w; ++x) {
      if (c.At(x, y) == 0) continue;
      if (first < 0) first = x;
      last = x;
    }
    if (first < 0) {
      table.U16(0xFFFF).U16(0xFFFF).U32(0);
      continue;
    }
    table.U16(static_cast<std::uint16_t>(first)).U16(static_cast<std::uint16_t>(last));
    table.U32(static_cast<std::uint32_t>(pixels.size()));
    for (int x = first; x <= last; ++x)
      pixels.push_back(c.At(x, y));
  }
  const Bytes packed = brindle::BuildCompressedPayload(pixels);
  brindle::ByteWriter w;
  w.FixedText(name, 12).I32(static_cast<std::int32_t>(packed.size()));
  w.U16(static_cast<std::uint16_t>(c.w)).U16(static_cast<std::uint16_t>(c.h));
  w.I32(palette).U32(0).I32(static_cast<std::int32_t>(pixels.size()));
  w.Append(table.bytes()).Append(packed);
  return w.Take();
}

Canvas Goblin() {
  Canvas c(40, 56);
  ShadedBar(c, 13, 40, 17, 53, kLeather);  // legs
  ShadedBar(c, 22, 40, 26, 53, kLeather);
  ShadedBar(c, 7, 24, 10, 38, kLeaf);  // arms
  ShadedBar(c, 29, 24, 32, 38, kLeaf);
  ShadedDisc(c, 20, 32, 11, kBark);                      // tunic
  FillTriangle(c, 9, 12, 13, 16, 3, 7, 16 * kLeaf + 9);  // ears
  FillTriangle(c, 31, 12, 27, 16, 37, 7, 16 * kLeaf + 9);
  ShadedDisc(c, 20, 14, 9, kLeaf);  // head
  c.Set(16, 13, 16 * kYellow + 15);
  c.Set(17, 13, 16 * kYellow + 15);
  c.Set(23, 13, 16 * kYellow + 15);
  c.Set(24, 13, 16 * kYellow + 15);
  for (int x = 17; x <= 23; ++x)
    c.Set(x, 18, 16 * kLeaf + 3);  // a grim mouth
  return c;
}

Canvas Slime() {
  Canvas c(40, 30);
  ShadedDisc(c, 20, 27, 18, kTeal);
  for (int y = 27; y < 30; ++y)  // flat where it rests on the floor
    for (int x = 0; x < 40; ++x)
      if (c.At(x, y) != 0) c.At(x, y) = static_cast<std::uint8_t>(16 * kTeal + 4);
  FillEllipse(c, 13, 16, 3, 2, 16 * kTeal + 15);
  FillEllipse(c, 16, 20, 1.6, 2.4, 16 * kSlate + 2);  // eyes
  FillEllipse(c, 24, 20, 1.6, 2.4, 16 * kSlate + 2);
  return c;
}

Canvas Bat() {
  Canvas c(48, 28);
  FillTriangle(c, 22, 10, 2, 4, 10, 22, 16 * kViolet + 6);
  FillTriangle(c, 26, 10, 46, 4, 38, 22, 16 * kViolet + 6);
  for (int i = 0; i < 3; ++i) {  // ribs of the wings
    FillTriangle(c, 21, 11, 4 + i * 3, 6 + i * 5, 5 + i * 3, 7 + i * 5, 16 * kViolet + 3);
    FillTriangle(c, 27, 11, 44 - i * 3, 6 + i * 5, 43 - i * 3, 7 + i * 5, 16 * kViolet + 3);
  }
  ShadedDisc(c, 24, 13, 6, kSlate);
  c.Set(22, 12, 16 * kRed + 14);
  c.Set(26, 12, 16 * kRed + 14);
  return c;
}

Canvas Tree() {
  Canvas c(48, 80);
  ShadedBar(c, 20, 44, 27, 77, kBark);
  FillTriangle(c, 19, 77, 14, 78, 20, 70, 16 * kBark + 6);  // roots
  FillTriangle(c, 28, 77, 34, 78, 27, 70, 16 * kBark + 6);
  ShadedDisc(c, 24, 40, 15, kLeaf);
  ShadedDisc(c, 13, 30, 10, kLeaf);
  ShadedDisc(c, 34, 28, 11, kLeaf);
  ShadedDisc(c, 24, 17, 12, kLeaf);
  return c;
}

Canvas Torch() {
  Canvas c(16, 44);
  ShadedBar(c, 6, 18, 9, 41, kLeather);
  ShadedBar(c, 5, 16, 10, 19, kSteel);
  FillEllipse(c, 8, 10, 5, 8, 16 * kOrange + 10);
  FillEllipse(c, 8, 12, 3, 5, 16 * kYellow + 13);
  FillEllipse(c, 8, 13, 1.5, 2.5, 16 * kYellow + 15);
  return c;
}

Canvas Chest() {
  Canvas c(36, 28);
  ShadedBar(c, 2, 10, 33, 26, kLeather);
  for (int x = 2; x <= 33; ++x)  // the lid's rim
    c.Set(x, 10, 16 * kLeather + 14);
  FillEllipse(c, 18, 10, 16, 6, 16 * kLeather + 11);
  for (int y = 5; y <= 26; ++y) {  // iron bands
    c.Set(7, y, 16 * kGold + 9);
    c.Set(28, y, 16 * kGold + 9);
  }
  ShadedBar(c, 16, 12, 20, 17, kGold);  // the lock
  c.Set(18, 15, 16 * kSlate + 1);
  return c;
}

}  // namespace

std::vector<SampleEntry> SpriteEntries() {
  struct Shape {
    const char* name;
    Canvas canvas;
    int palette;
  };
  const Shape shapes[] = {
      {"goblin01", Goblin(), 1}, {"slime01", Slime(), 2}, {"bat01", Bat(), 3},
      {"tree01", Tree(), 4},     {"torch01", Torch(), 5}, {"chest01", Chest(), 6},
  };
  std::vector<SampleEntry> out;
  for (const Shape& s : shapes)
    out.push_back({{s.name, SpriteEntryBytes(s.name, s.canvas, s.palette), 0}, brindle::rtSprite});
  return out;
}

}  // namespace samples
