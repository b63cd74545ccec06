// Two bitmap fonts drawn from one 5 x 7 alphabet: "small.fnt" at its own size in the layout
// with one width byte per character, "large.fnt" doubled in the layout with three 32-bit
// spacing values per character. Glyph pixels: 0 outside, 1 the shadow rim around the
// strokes, 255 the strokes.
//
// Byte-width layout:   widths at 32 + c (u8), glyph offsets at 288 + 4c, glyphs from 1312.
// Spacing layout:      (before, width, after) at 32 + 12c, offsets at 3104 + 4c, glyphs from
//                      4128. Byte 63 tells them apart: a width in the first, zero in the
//                      second (the top byte of character 2's width).
// Glyph offsets count from the glyph area; characters below 31 are never drawn.

#include <cstring>
#include <map>

#include "tools/make-samples/entries.h"
#include "viewer/core/containers/container_writer.h"

namespace samples {

namespace {

struct Shape {
  char c;
  const char* rows[7];
};

// Our alphabet. Lower-case letters use the capitals; characters without a shape get the
// box of character 31.
const Shape kShapes[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {' ', {"...", "...", "...", "...", "...", "...", "..."}},
    {'!', {"#", "#", "#", "#", "#", ".", "#"}},
    {'"', {"#.#", "#.#", "...", "...", "...", "...", "..."}},
    {'\'', {"#", "#", ".", ".", ".", ".", "."}},
    {'(', {".#", "#.", "#.", "#.", "#.", "#.", ".#"}},
    {')', {"#.", ".#", ".#", ".#", ".#", ".#", "#."}},
    {'+', {"...", "...", ".#.", "###", ".#.", "...", "..."}},
    {',', {"..", "..", "..", "..", "..", ".#", "#."}},
    {'-', {"...", "...", "...", "###", "...", "...", "..."}},
    {'.', {".", ".", ".", ".", ".", ".", "#"}},
    {'/', {"....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."}},
    {':', {".", ".", "#", ".", ".", "#", "."}},
    {';', {"..", "..", ".#", "..", "..", ".#", "#."}},
    {'=', {"...", "...", "###", "...", "###", "...", "..."}},
    {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
    {'%', {"##..#", "##..#", "...#.", "..#..", ".#...", "#..##", "#..##"}},
    {'&', {".##..", "#..#.", ".##..", ".#...", "#.#.#", "#..#.", ".##.#"}},
    {'*', {".....", "#.#.#", ".###.", "#####", ".###.", "#.#.#", "....."}},
    {'<', {"...#", "..#.", ".#..", "#...", ".#..", "..#.", "...#"}},
    {'>', {"#...", ".#..", "..#.", "...#", "..#.", ".#..", "#..."}},
    {'[', {"##", "#.", "#.", "#.", "#.", "#.", "##"}},
    {']', {"##", ".#", ".#", ".#", ".#", ".#", "##"}},
    {'_', {".....", ".....", ".....", ".....", ".....", ".....", "#####"}},
    {'#', {".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."}},
};

const Shape kBox = {'\x1f', {"####", "#..#", "#..#", "#..#", "#..#", "#..#", "####"}};

struct Glyph {
  int w = 0, h = 0;
  Bytes px;
};

// The shape scaled up, with a one-pixel rim of background around every stroke pixel.
Glyph MakeGlyph(const Shape& s, int scale) {
  const int sw = static_cast<int>(std::strlen(s.rows[0]));
  Glyph g;
  g.w = sw * scale + 2;
  g.h = 7 * scale + 2;
  g.px.assign(static_cast<std::size_t>(g.w * g.h), 0);
  auto ink = [&](int x, int y) {
    if (x < 1 || y < 1 || x >= g.w - 1 || y >= g.h - 1) return false;
    return s.rows[(y - 1) / scale][(x - 1) / scale] == '#';
  };
  for (int y = 0; y < g.h; ++y)
    for (int x = 0; x < g.w; ++x) {
      std::uint8_t v = 0;
      if (ink(x, y)) {
        v = 255;
      } else {
        for (int dy = -1; dy <= 1 && v == 0; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            if (ink(x + dx, y + dy)) v = 1;
      }
      g.px[static_cast<std::size_t>(y * g.w + x)] = v;
    }
  return g;
}

// Glyphs of characters 31..255 (index c - 31).
std::vector<Glyph> Alphabet(int scale) {
  std::map<int, const Shape*> byChar;
  for (const Shape& s : kShapes)
    byChar[static_cast<unsigned char>(s.c)] = &s;
  std::vector<Glyph> out;
  for (int c = 31; c <= 255; ++c) {
    int key = c;
    if (c >= 'a' && c <= 'z') key = c - 'a' + 'A';
    auto it = byChar.find(key);
    out.push_back(MakeGlyph(it != byChar.end() ? *it->second : kBox, scale));
  }
  return out;
}

Bytes FontData(const std::vector<Glyph>& glyphs, bool spacingRecords) {
  const std::size_t offsetTable = spacingRecords ? 3104 : 288;
  const std::size_t glyphStart = offsetTable + 1024;
  Bytes data(glyphStart, 0);
  data[0] = 31;  // first and last character with a glyph, then the line height
  data[1] = 255;
  data[2] = static_cast<std::uint8_t>(glyphs.front().h);
  std::uint32_t offset = 0;
  for (int c = 31; c <= 255; ++c) {
    const Glyph& g = glyphs[static_cast<std::size_t>(c - 31)];
    if (spacingRecords) {
      brindle::PutU32(&data[32 + 12 * static_cast<std::size_t>(c)], 0);
      brindle::PutU32(&data[36 + 12 * static_cast<std::size_t>(c)],
                      static_cast<std::uint32_t>(g.w));
      brindle::PutU32(&data[40 + 12 * static_cast<std::size_t>(c)], 1);
    } else {
      data[32 + static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(g.w);
    }
    brindle::PutU32(&data[offsetTable + 4 * static_cast<std::size_t>(c)], offset);
    data.insert(data.end(), g.px.begin(), g.px.end());
    offset += static_cast<std::uint32_t>(g.px.size());
  }
  return data;
}

}  // namespace

std::vector<SampleEntry> FontEntries() {
  std::vector<SampleEntry> out;
  const Bytes small = FontData(Alphabet(1), false);
  const Bytes large = FontData(Alphabet(2), true);
  // Fonts are always stored compressed: their header must give both sizes.
  out.push_back(
      {{"small.fnt", brindle::BuildPackedLodEntry("small.fnt", small, true), 0}, brindle::rtFont});
  out.push_back(
      {{"large.fnt", brindle::BuildPackedLodEntry("large.fnt", large, true), 0}, brindle::rtFont});
  return out;
}

}  // namespace samples
