// Entries the viewer shows as bytes or text: events, strings, data tables, maps, the saved
// game and placeholder movies. Their inner layouts are our own invention, shaped like what
// a game keeps in such files (counts, fixed-size records, grids), so hex dumps look real.

#ifdef BRINDLE_HAVE_ZOE
#include "player/movie/zoe_encode.h"
#endif
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "tools/make-samples/entries.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/extract.h"

namespace samples {

using brindle::ByteWriter;

namespace {

SampleEntry Packed(const std::string& name, const Bytes& data, bool compress,
                   brindle::TResourceType type) {
  return {{name, brindle::BuildPackedLodEntry(name, data, compress), 0}, type};
}

// Map entries: packed size and unpacked size, then the compressed data.
SampleEntry MapEntry(const std::string& name, const Bytes& data, brindle::TResourceType type) {
  const Bytes packed = brindle::BuildCompressedPayload(data);
  ByteWriter w;
  w.I32(static_cast<std::int32_t>(packed.size())).I32(static_cast<std::int32_t>(data.size()));
  w.Append(packed);
  return {{name, w.Take(), 0}, type};
}

// ---- Events and their strings ----

const char* const kEventStrings[] = {
    "The door is locked.",
    "You found a small chest!",
    "Welcome to Harrowgate, traveller.",
    "The well is deep and smells of moss.",
    "A cold wind blows from the ridge.",
    "",
    "Enter the Keep of Aldwyn?",
    "The bell has not rung in a hundred years.",
    "You feel rested.",
    "Nothing happens.",
};

Bytes EventStrings() {
  ByteWriter w;
  for (const char* s : kEventStrings)
    w.Text(s).U8(0);
  return w.Take();
}

enum Op : std::uint8_t { kShowText = 1, kPlaySound = 2, kGiveItem = 3, kMoveTo = 4, kExit = 5 };

// Each step: length of what follows, event number, step number, operation, arguments.
class EventWriter {
 public:
  void Step(std::uint16_t event, std::uint8_t step, Op op, const Bytes& args) {
    w_.U8(static_cast<std::uint8_t>(4 + args.size())).U16(event).U8(step).U8(op).Append(args);
  }
  Bytes Take() { return w_.Take(); }

 private:
  ByteWriter w_;
};

Bytes Args32(std::initializer_list<std::int32_t> values) {
  ByteWriter w;
  for (std::int32_t v : values)
    w.I32(v);
  return w.Take();
}

Bytes Events() {
  EventWriter e;
  e.Step(1, 0, kShowText, Args32({2}));
  e.Step(1, 1, kExit, {});
  e.Step(2, 0, kShowText, Args32({0}));
  e.Step(2, 1, kPlaySound, Args32({4}));
  e.Step(2, 2, kExit, {});
  e.Step(3, 0, kShowText, Args32({1}));
  e.Step(3, 1, kGiveItem, Args32({7, 2}));
  e.Step(3, 2, kPlaySound, Args32({5}));
  e.Step(3, 3, kExit, {});
  e.Step(4, 0, kShowText, Args32({6}));
  ByteWriter move;
  move.I32(-1536).I32(2048).I32(96).FixedText("keep.blv", 12);
  e.Step(4, 1, kMoveTo, move.Take());
  e.Step(4, 2, kExit, {});
  e.Step(5, 0, kShowText, Args32({7}));
  e.Step(5, 1, kPlaySound, Args32({1}));
  e.Step(5, 2, kExit, {});
  return e.Take();
}

// ---- Data tables ----

// Spells: number, school, circle, mana cost, recovery, damage base and dice, flags.
Bytes SpellTable() {
  ByteWriter w;
  Rng rng(501);
  for (int i = 1; i <= 40; ++i) {
    const int circle = 1 + (i - 1) % 10;
    w.U16(static_cast<std::uint16_t>(i)).U8(static_cast<std::uint8_t>((i - 1) / 10));
    w.U8(static_cast<std::uint8_t>(circle)).U16(static_cast<std::uint16_t>(circle * 3 + 1));
    w.U16(static_cast<std::uint16_t>(60 + circle * 10));
    w.U16(static_cast<std::uint16_t>(rng.Below(4) == 0 ? 0 : circle * 2));
    w.U16(static_cast<std::uint16_t>(rng.Below(3) == 0 ? 0 : 4 + 2 * rng.Below(4)));
    w.U32(rng.Next() & 0x0F0F);
  }
  return w.Take();
}

// Dialogue lines: count, then speaker, topic, line number in the strings, flags.
Bytes DialogTable() {
  ByteWriter w;
  w.U16(12);
  for (int i = 0; i < 12; ++i)
    w.U16(static_cast<std::uint16_t>(100 + i / 3))
        .U16(static_cast<std::uint16_t>(i % 3 + 1))
        .U16(static_cast<std::uint16_t>(i))
        .U16(i % 4 == 0 ? 1 : 0);
  return w.Take();
}

// People met in the world: number, home map, position, mood, flags.
Bytes NpcTable(std::uint32_t seed) {
  ByteWriter w;
  Rng rng(seed);
  w.U32(16);
  for (int i = 0; i < 16; ++i) {
    w.U16(static_cast<std::uint16_t>(100 + i)).U16(static_cast<std::uint16_t>(i < 10 ? 1 : 2));
    w.I32(rng.Below(8192) - 4096).I32(rng.Below(8192) - 4096).I32(0);
    w.U8(static_cast<std::uint8_t>(rng.Below(5)))
        .U8(0)
        .U16(static_cast<std::uint16_t>(rng.Below(4)));
  }
  return w.Take();
}

// ---- Maps ----

constexpr int kGrid = 64;

Bytes OutdoorMap() {
  ByteWriter w;
  w.FixedText("Harrowgate", 32).FixedText("town.odm", 32).FixedText("MAP v1.2", 16);
  w.U8(1).U8(4).U8(7).U8(0);  // tile sets: grass, dirt, water, unused
  Fractal land(4, 4, 601);
  Bytes height, tiles;
  for (int y = 0; y < kGrid; ++y)
    for (int x = 0; x < kGrid; ++x) {
      const double h = land.At((x + 0.5) / kGrid, (y + 0.5) / kGrid);
      const int river = std::abs(x - 32 - static_cast<int>(8 * std::sin(y / 9.0))) < 2;
      height.push_back(river ? 0 : ToIndex(h * h * 1.4));
      tiles.push_back(static_cast<std::uint8_t>(river ? 200 : h > 0.6 ? 60 + (x + y) % 4 : 10));
    }
  w.Append(height).Append(tiles).Zeros(kGrid * kGrid);  // tile attributes: none set yet
  // Buildings: model name, position, facing.
  const struct {
    const char* name;
    int x, y, facing;
  } models[] = {{"inn", 1024, -512, 90},
                {"smithy", 1536, 256, 180},
                {"chapel", -768, 900, 0},
                {"well", 0, 0, 0},
                {"mill", 3000, -2200, 270}};
  w.U32(5);
  for (const auto& m : models)
    w.FixedText(m.name, 32).I32(m.x).I32(m.y).I32(0).I32(m.facing);
  // Decorations: sprite name, position.
  Rng rng(602);
  w.U32(24);
  for (int i = 0; i < 24; ++i)
    w.FixedText(i % 3 == 0 ? "torch01" : "tree01", 16)
        .I32(rng.Below(8192) - 4096)
        .I32(rng.Below(8192) - 4096)
        .I32(0);
  return w.Take();
}

// What changed on the outdoor map since it was first seen: revealed cells (two bit
// planes), then the states of the decorations.
Bytes OutdoorDelta(int revealed) {
  ByteWriter w;
  w.U32(static_cast<std::uint32_t>(revealed)).U32(0).U32(24);
  for (int plane = 0; plane < 2; ++plane)
    for (int i = 0; i < kGrid * kGrid / 8; ++i) {
      const int row = i / (kGrid / 8);
      w.U8(row < revealed ? (plane == 0 ? 0xFF : 0x3C) : 0);
    }
  for (int i = 0; i < 24; ++i)
    w.U16(static_cast<std::uint16_t>(i % 5 == 0 ? 2 : 0));
  return w.Take();
}

// An indoor map built from box rooms: vertices, then faces of four vertices each.
Bytes IndoorMap() {
  ByteWriter w;
  w.FixedText("Keep of Aldwyn", 32).FixedText("MAP v1.2", 16);
  const int rooms[][4] = {{0, 0, 512, 512}, {512, 128, 1280, 384}, {1280, 0, 1792, 768}};
  std::vector<std::array<int, 3>> vertices;
  for (const auto& r : rooms)
    for (int z : {0, 256})
      for (const auto& [x, y] : {std::pair{r[0], r[1]}, std::pair{r[2], r[1]},
                                 std::pair{r[2], r[3]}, std::pair{r[0], r[3]}})
        vertices.push_back({x, y, z});
  w.U32(static_cast<std::uint32_t>(vertices.size()));
  for (const auto& v : vertices)
    w.U16(static_cast<std::uint16_t>(v[0]))
        .U16(static_cast<std::uint16_t>(v[1]))
        .U16(static_cast<std::uint16_t>(v[2]));
  // Per room: floor, ceiling and four walls; vertex numbers, texture number, flags.
  const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                           {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  w.U32(3 * 6);
  for (int r = 0; r < 3; ++r)
    for (int f = 0; f < 6; ++f) {
      w.U16(4);
      for (int k : faces[f])
        w.U16(static_cast<std::uint16_t>(r * 8 + k));
      w.U16(static_cast<std::uint16_t>(f == 0 ? 11 : f == 1 ? 0 : 4)).U32(f == 0 ? 1u : 0u);
    }
  // Doors: face number, how far it opens, speed.
  w.U32(2).U16(3).U16(256).U16(64).U16(9).U16(256).U16(64);
  return w.Take();
}

// The indoor map's state: one flag word per face, then the doors and chests.
Bytes IndoorDelta(bool visited) {
  ByteWriter w;
  w.U32(18);
  for (int f = 0; f < 18; ++f)
    w.U32(visited && f % 6 == 0 ? 0x80 : 0);
  w.U32(2).U16(visited ? 1 : 0).U16(0);
  w.U32(1).U16(7).U16(visited ? 0 : 3).U16(12).U16(0);  // a chest: item, count
  return w.Take();
}

// ---- The party record ----

// Game time: month index, day index (0-27), year, hour, minute -> ticks.
std::int32_t GameTime(int month, int day, int year, int hour, int minute) {
  return (year - 1168) * 123863040 + month * 10321920 + day * 368640 + hour * 15360 + minute * 256;
}

struct Item {
  std::int32_t number, mod, amount, mod2, charges, status, slot;
};

// Cells across and down of the items the sample party carries, as data/17-item-widths.txt
// and data/18-item-heights.txt give them (the tests check the two agree).
std::pair<int, int> SampleItemSize(std::int32_t number) {
  switch (number) {
    case 1:
      return {1, 2};
    case 2:
      return {1, 3};
    case 3:
      return {1, 4};
    case 5:
      return {2, 5};
    case 7:
      return {2, 3};
    case 8:
      return {2, 4};
    case 10:
      return {2, 3};
    case 12:
      return {1, 5};
    default:
      return {1, 1};
  }
}

// Where brindle.dat's tables put the character values (columns 3 and 4), the statistics
// (columns 15 and 16) and the party values (columns 0 and 1).
struct CharacterValues {
  const char* name;
  std::uint16_t level;
  std::int32_t experience;
  std::uint8_t age;
  std::int32_t hitPoints, spellPoints, skillPoints;
  const char* epithet;
  std::array<std::uint16_t, 8> stats;
};

void WriteValues(Bytes& rec, std::size_t b, const CharacterValues& v) {
  auto at = [&](std::size_t off) { return &rec[b + off]; };
  std::copy_n(v.name, std::min<std::size_t>(std::char_traits<char>::length(v.name), 16), at(6536));
  brindle::PutU16(at(6552), v.level);
  brindle::PutU32(at(6556), static_cast<std::uint32_t>(v.experience));
  rec[b + 6560] = v.age;
  brindle::PutU32(at(6564), static_cast<std::uint32_t>(v.hitPoints));
  brindle::PutU32(at(6568), static_cast<std::uint32_t>(v.spellPoints));
  brindle::PutU32(at(6572), static_cast<std::uint32_t>(v.skillPoints));
  std::copy_n(v.epithet, std::min<std::size_t>(std::char_traits<char>::length(v.epithet), 24),
              at(6576));
  for (std::size_t k = 0; k < 8; ++k) {
    brindle::PutU16(at(190 + 4 * k), static_cast<std::uint16_t>(v.stats[k] / 4));  // added
    brindle::PutU16(at(188 + 4 * k), v.stats[k]);                                  // permanent
  }
}

// A character block at its offset: class, portrait, skills, spells, items, backpack,
// equipped slots and conditions. Worn items name their slot; the others go into the
// backpack side by side along the top, each covering its whole rectangle of cells.
void WriteCharacter(Bytes& rec, std::size_t b, std::uint8_t cls, std::int16_t portrait,
                    std::initializer_list<std::pair<int, std::uint16_t>> skills,
                    std::initializer_list<int> spells, const std::vector<Item>& items,
                    std::int32_t clock, int conditionActive) {
  auto at = [&](std::size_t off) { return &rec[b + off]; };
  rec[b + 185] = cls;
  brindle::PutU16(at(186), static_cast<std::uint16_t>(portrait));
  for (const auto& [skill, word] : skills)
    brindle::PutU16(at(264 + 2 * static_cast<std::size_t>(skill - 1)), word);
  for (int spell : spells)
    rec[b + 402 + static_cast<std::size_t>(spell - 1)] = 1;
  auto cell = [&](int c, int r) { return at(5500 + 4 * static_cast<std::size_t>(r * 14 + c)); };
  int backpackColumn = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& it = items[i];
    const std::size_t r = 532 + 36 * i;
    const std::int32_t fields[] = {it.number,  it.mod,    it.amount, it.mod2,
                                   it.charges, it.status, it.slot};
    for (std::size_t f = 0; f < 7; ++f)
      brindle::PutU32(at(r + 4 * f), static_cast<std::uint32_t>(fields[f]));
    const std::int32_t entryNumber = static_cast<std::int32_t>(i + 1);
    if (it.slot > 0) {
      brindle::PutU32(at(6472 + 4 * static_cast<std::size_t>(it.slot - 1)),
                      static_cast<std::uint32_t>(entryNumber));
      continue;
    }
    const auto [w, h] = SampleItemSize(it.number);
    const int c0 = backpackColumn;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        brindle::PutU32(cell(c0 + x, y), static_cast<std::uint32_t>(-(c0 + 1)));
    brindle::PutU32(cell(c0, 0), static_cast<std::uint32_t>(entryNumber));
    backpackColumn += w;
  }
  if (conditionActive > 0) {  // began two and a half hours ago
    const std::size_t slot = 8 * static_cast<std::size_t>(conditionActive - 1);
    brindle::PutU32(at(slot), static_cast<std::uint32_t>(clock - 2 * 15360 - 30 * 256));
  }
}

}  // namespace

Bytes PartyRecord() {
  Bytes rec(kPartyRecordSize, 0);
  const std::int32_t clock = GameTime(3, 11, 1170, 14, 30);
  brindle::PutU32(&rec[44], static_cast<std::uint32_t>(clock));
  brindle::PutU32(&rec[1608], 1250);  // gold
  brindle::PutU32(&rec[1612], 4000);  // banked gold
  brindle::PutU16(&rec[1616], 14);    // rations
  const std::size_t blocks[] = {2508, 9480, 16452, 23424};
  const std::uint16_t kExpert = 64, kMaster = 128;
  // A knight, a thief, a cleric and a sorcerer.
  WriteCharacter(rec, blocks[0], 0, 3, {{1, 7 | kExpert}, {8, 4}, {12, 5}, {20, 2}}, {},
                 {{2, 3, 2, 0, 0, 0, 1},
                  {5, 0, 0, 0, 0, 0, 2},
                  {7, 0, 0, 0, 0, 0, 0},
                  {7, 0, 0, 0, 0, 0, 0},
                  {222, 3, 0, 0, 2, 1, 0}},
                 clock, 0);
  WriteCharacter(rec, blocks[1], 4, 9, {{2, 6}, {5, 10 | kMaster}, {25, 3}}, {},
                 {{1, 0, 0, 0, 0, 1, 1}, {12, 0, 0, 0, 0, 0, 0}, {10, 0, 0, 0, 0, 0, 0}}, clock, 3);
  WriteCharacter(rec, blocks[2], 24, 14, {{3, 4}, {14, 6 | kExpert}, {15, 3}},
                 {1, 2, 3, 4, 5, 12, 13, 23}, {{3, 0, 0, 0, 0, 0, 1}, {8, 0, 0, 0, 0, 0, 0}}, clock,
                 0);
  WriteCharacter(rec, blocks[3], 32, 20, {{4, 5}, {16, 8 | kExpert}, {17, 4}},
                 {34, 35, 36, 38, 40, 45, 56, 67},
                 {{222, 5, 0, 0, 12, 0, 1}, {9, 0, 0, 0, 0, 0, 0}}, clock, 1);
  const CharacterValues values[] = {
      {"Aldric", 12, 61000, 34, 98, 0, 3, "the Steadfast", {30, 12, 10, 28, 16, 18, 11, 20}},
      {"Wren", 10, 45500, 22, 61, 0, 7, "Quickfingers", {14, 18, 12, 15, 30, 26, 22, 12}},
      {"Sister Ilse", 11, 52300, 41, 70, 48, 2, "of the Dawn", {12, 20, 30, 18, 12, 14, 15, 24}},
      {"Mordecai", 13, 70100, 57, 44, 96, 5, "the Grey", {8, 34, 26, 12, 14, 13, 16, 18}},
  };
  for (std::size_t i = 0; i < 4; ++i)
    WriteValues(rec, blocks[i], values[i]);
  return rec;
}

namespace {

// A movie placeholder: the mark the player looks for, then nothing.
// A real movie with pictures and sound when the movie layer is built; otherwise a stand-in
// that carries only the movie mark.
Bytes SampleMovie(std::uint32_t width, std::uint32_t height, std::uint32_t frames, bool ring) {
#ifdef BRINDLE_HAVE_ZOE
  zoe::EncodeResult movie = zoe::MakeSampleMovie(width, height, frames, ring);
  if (movie.ok) return Bytes(movie.movie.begin(), movie.movie.end());
#endif
  Bytes b(width * height / 16 + 4, 0);
  std::copy_n("ZTP2", 4, b.begin());
  (void)frames;
  (void)ring;
  return b;
}

}  // namespace

std::vector<SampleEntry> IconRecordEntries() {
  return {
      Packed("events.evt", Events(), true, brindle::rtEvt),
      Packed("events.str", EventStrings(), false, brindle::rtStr),
      Packed("spells.bin", SpellTable(), true, brindle::rtBin),
      Packed("dialogs.bin", DialogTable(), false, brindle::rtBin),
  };
}

std::vector<SampleEntry> MapEntries() {
  return {
      MapEntry("keep.blv", IndoorMap(), brindle::rtBlv),
      MapEntry("keep.dlv", IndoorDelta(false), brindle::rtDlv),
      MapEntry("town.odm", OutdoorMap(), brindle::rtOdm),
      MapEntry("town.ddm", OutdoorDelta(0), brindle::rtDdm),
  };
}

std::vector<SampleEntry> SaveGameEntries() {
  return {
      {{"PARTY.BIN", PartyRecord(), 0}, brindle::rtPartyBin},
      MapEntry("keep.dlv", IndoorDelta(true), brindle::rtDlv),
      MapEntry("town.ddm", OutdoorDelta(40), brindle::rtDdm),
      Packed("npcs.bin", NpcTable(701), true, brindle::rtBin),
      {{"image.pcx", PlainPcx(80, 50, 11), 0}, brindle::rtPcx},
  };
}

std::vector<SampleEntry> MovieEntries() {
  Rng rng(801);
  Bytes kinora(600);
  for (std::uint8_t& b : kinora)
    b = static_cast<std::uint8_t>(rng.Next() >> 24);
  return {
      {{"intro", SampleMovie(160, 120, 48, false), 0}, brindle::rtVideo},
      {{"ending.ztp", SampleMovie(96, 64, 24, true), 0}, brindle::rtVideo},
      {{"credits.kno", kinora, 0}, brindle::rtVideo},
  };
}

}  // namespace samples
