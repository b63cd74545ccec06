// Tab-separated tables of the icon container: rows end in CR LF, the first row names the
// columns. Two are stored compressed, two raw; "notes.txt" holds what real tables have
// besides plain cells: Windows-1252 letters, a LF inside a cell, empty and closing cells, and
// an editor's leftovers after a NUL.

#include <string>

#include "tools/make-samples/entries.h"
#include "viewer/core/containers/container_writer.h"

namespace samples {

namespace {

// Joins rows of cells with TAB and CR LF.
std::string Table(std::initializer_list<std::initializer_list<const char*>> rows) {
  std::string out;
  for (const auto& row : rows) {
    bool first = true;
    for (const char* cell : row) {
      if (!first) out += '\t';
      out += cell;
      first = false;
    }
    out += "\r\n";
  }
  return out;
}

SampleEntry TextEntry(const std::string& name, const std::string& text, bool compress) {
  const Bytes bytes(text.begin(), text.end());
  // Text entries carry 256 in the last header field.
  return {{name, brindle::BuildPackedLodEntry(name, bytes, compress, 256), 0}, brindle::rtText};
}

}  // namespace

std::vector<SampleEntry> TextEntries() {
  const std::string items = Table({
      {"Id", "Name", "Kind", "Value", "Weight", "Picture", "Notes"},
      {"1", "Rusty Shortblade", "Weapon", "12", "3", "isword01", "Better than bare hands"},
      {"2", "Hearthguard Sword", "Weapon", "340", "4", "isword01", "Warm to the touch"},
      {"3", "Oak Quarterstaff", "Weapon", "25", "4", "", ""},
      {"4", "Tin Buckler", "Shield", "30", "5", "ishield01", ""},
      {"5", "Tower of Brannoc", "Shield", "620", "9", "ishield01", "Bears a silver cross"},
      {"6", "Padded Jerkin", "Armour", "40", "6", "", ""},
      {"7", "Draught of Mending", "Potion", "50", "1", "ipotion01", "Heals 20 points"},
      {"8", "Emberroot Tonic", "Potion", "75", "1", "ipotion01", "Warms the blood"},
      {"9", "Glimmer Orb", "Curio", "900", "2", "iorb01", "Hums softly at night"},
      {"10", "Waymarker's Map", "Scroll", "15", "0", "", "Shows the roads of the vale"},
      {"11", "Copper Ring", "Ring", "20", "0", "", ""},
      {"12", "Ring of the Quiet Step", "Ring", "1200", "0", "", "Footfalls make no sound"},
  });
  const std::string creatures = Table({
      {"Id", "Name", "Level", "Hit Points", "Armour", "Attack", "Damage", "Sprite", "Lair"},
      {"1", "Mossback Goblin", "2", "14", "3", "Club", "1d6", "goblin01", "Fernhollow"},
      {"2", "Goblin Chieftain", "6", "48", "8", "Axe", "2d6+2", "goblin01", "Fernhollow"},
      {"3", "Cave Slime", "1", "9", "0", "Acid", "1d4", "slime01", "Gloomwell Caves"},
      {"4", "Greater Slime", "5", "60", "2", "Acid", "2d8", "slime01", "Gloomwell Caves"},
      {"5", "Dusk Bat", "1", "5", "2", "Bite", "1d3", "bat01", "Old Belltower"},
      {"6", "Blood Bat", "4", "22", "4", "Bite", "1d8", "bat01", "Old Belltower"},
      {"7", "Walking Yew", "8", "110", "12", "Branch", "3d6", "tree01", "Thornmere Wood"},
      {"8", "Mimic Chest", "7", "70", "10", "Lid", "2d10", "chest01", "Keep of Aldwyn"},
  });
  const std::string places = Table({
      {"Id", "Place", "Region", "Map", "Danger", "Description"},
      {"1", "Harrowgate", "The Vale", "town.odm", "0", "A market town by the river ford"},
      {"2", "Fernhollow", "The Vale", "town.odm", "2", "Goblin camps among the ferns"},
      {"3", "Gloomwell Caves", "Greyridge", "keep.blv", "3", "Wet caves below the well"},
      {"4", "Keep of Aldwyn", "Greyridge", "keep.blv", "5", "A ruined keep on the ridge"},
      {"5", "Thornmere Wood", "Northmarch", "", "6", "Old trees that do not sleep"},
      {"6", "Old Belltower", "Northmarch", "", "4", ""},
  });
  std::string notes = Table({
      {"Speaker", "Line", "Mood", "Note"},
      {"Ma\xEEtre Aub\xE9", "\x93Welcome, traveller.\x94\nThe fire is warm.", "kind", ""},
      {"Guard", "Halt!", "", "shouts"},
      {"", "", "", ""},
      {"Merchant", "Twelve \x80 and not a coin less.\t"},
  });
  notes += '\0';
  notes += "draft\tnot shown\r\n";
  return {
      TextEntry("items.txt", items, true),
      TextEntry("monsters.txt", creatures, true),
      TextEntry("places.txt", places, false),
      TextEntry("notes.txt", notes, false),
  };
}

}  // namespace samples
