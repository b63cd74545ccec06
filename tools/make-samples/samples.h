#pragma once
// The sample game folder: every container is built in memory from entries drawn, written
// and synthesized here, so tests can check the same bytes the tool writes to disk.

#include <cstdint>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/data_file.h"

namespace samples {

using brindle::Bytes;
using brindle::ByteView;

// A small xorshift generator: the same seed gives the same folder on every machine.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : state_(seed != 0 ? seed : 0x9E3779B9u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 8) / 16777216.0; }

 private:
  std::uint32_t state_;
};

// One entry together with the type the viewer is meant to give it.
struct SampleEntry {
  brindle::NewEntry entry;
  brindle::TResourceType intended = brindle::rtUnidentified;
};

enum class ContainerFamily { kLod, kSnd, kVid };

struct SampleContainer {
  std::string fileName;  // "icons.lod", ...
  ContainerFamily family = ContainerFamily::kLod;
  std::string identifier;  // LOD identifier; empty for SND and VID
  std::vector<SampleEntry> entries;
};

// The bytes of a container as written to disk.
Bytes BuildContainer(const SampleContainer& c);

// Every container of the folder, in the order they are written.
std::vector<SampleContainer> BuildSampleFolder();

// The families of entries, one file each.
std::vector<SampleEntry> IconEntries();      // pictures.cpp, texts.cpp, font.cpp, records.cpp
std::vector<SampleEntry> BitmapEntries();    // pictures.cpp
std::vector<SampleEntry> SpriteEntries();    // sprites.cpp
std::vector<SampleEntry> MapEntries();       // records.cpp
std::vector<SampleEntry> SaveGameEntries();  // records.cpp
std::vector<SampleEntry> SoundEntries();     // sounds.cpp
std::vector<SampleEntry> MovieEntries();     // records.cpp

// An input for one fuzz target, cut from the sample folder (fuzz_seeds.cpp).
struct FuzzSeed {
  std::string target;  // "fuzz_directory", ...
  std::string name;    // file name in the target's corpus folder
  Bytes bytes;
};
inline constexpr std::size_t kMaxFuzzSeedSize = 64 * 1024;
// The entry names fuzz_identify picks from with the low half of its second input byte.
inline constexpr const char* kIdentifyFuzzNames[16] = {
    "x",         "x.pal", "x.pcx", "x.txt", "x.fnt", "x.evt", "x.str", "x.bin",
    "party.bin", "x.dlv", "x.ddm", "x.blv", "x.odm", "x.ztp", "x.kno", "x."};

// Seeds for the targets that read containers and entries: fuzz_directory, fuzz_extract,
// fuzz_identify, fuzz_hexdump, fuzz_font and fuzz_text_grid. Each is at most
// kMaxFuzzSeedSize bytes.
std::vector<FuzzSeed> FuzzSeeds();

// Size of the party record of a saved game: four 6972-byte character blocks, the first at
// 2508.
inline constexpr std::size_t kPartyRecordSize = 23424 + 6972;
// The sample saved game's PARTY.BIN: four characters with values, skills, spells, items worn
// and in the backpack, and a condition (records.cpp).
Bytes PartyRecord();

// Palette numbers the sprites use; bitmaps.lod holds pal000 up to the largest of them.
inline constexpr int kSpritePaletteCount = 6;

}  // namespace samples
