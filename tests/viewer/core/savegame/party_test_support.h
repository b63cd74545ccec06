#pragma once
// A small game data table for the party tests, laid out like brindle.dat's.

#include <string>
#include <vector>

#include "viewer/core/savegame/game_data.h"

namespace brindle::test {

inline std::vector<std::string> Lines(std::initializer_list<const char*> lines) {
  return {lines.begin(), lines.end()};
}

// Party values: a 4-byte, a 2-byte and a 6-byte text. Character values: 1, 2, 4 and text
// widths. Items: 1 "Dagger" 1x2, 2 "Shield" 2x2, 3 "Greatsword" 2x3, 4 "Pebble" 1x1,
// 220 "Wand of Sparks" 1x1.
inline PartyDataTable SmallTable() {
  PartyDataTable t;
  t.SetColumn(kColPartyValueOffset, Lines({"", "1608", "1612", "1620"}));
  t.SetColumn(kColPartyValueWidth, Lines({"", "4", "2", "6"}));
  t.SetColumn(kColPartyValueCaption, Lines({"", "Gold", "Rations", "Motto"}));
  t.SetColumn(kColCharValueOffset,
              Lines({"", "6536", "6552", "6556", "6560", "6564", "6568", "6572", "6576"}));
  t.SetColumn(kColCharValueWidth, Lines({"", "16", "2", "4", "1", "4", "0", "3", "24"}));
  t.SetColumn(kColCharValueCaption, Lines({"", "Name", "Level", "Experience", "Age", "Hit Points",
                                           "Unused", "Initials", "Epithet"}));
  std::vector<std::string> names(221), widths(221, "1"), heights(221, "1");
  names[0] = "220";
  names[1] = "Dagger";
  names[2] = "Shield";
  names[3] = "Greatsword";
  names[4] = "Pebble";
  names[220] = "Wand of Sparks";
  widths[2] = "2";
  heights[1] = "2";
  heights[2] = "2";
  widths[3] = "2";
  heights[3] = "3";
  t.SetColumn(kColItemNames, names);
  t.SetColumn(kColItemWidth, widths);
  t.SetColumn(kColItemHeight, heights);
  t.SetColumn(kColEnchantments, Lines({"2", "of Might", "of Wit"}));
  t.SetColumn(kColSecondEnchantments, Lines({"1", "of Embers"}));
  t.SetColumn(kColItemStatuses, Lines({"3", "Unidentified", "Identified", "Broken"}));
  std::vector<std::string> first{""}, second{""};
  for (int k = 0; k < 8; ++k) {
    first.push_back(std::to_string(190 + 4 * k));
    second.push_back(std::to_string(188 + 4 * k));
  }
  t.SetColumn(kColStatFirstOffset, first);
  t.SetColumn(kColStatSecondOffset, second);
  return t;
}

}  // namespace brindle::test
