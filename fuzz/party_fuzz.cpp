// The party record: any stored bytes, placed by a table whose offsets and widths come from
// the input too, load or are refused cleanly; a loaded record saves to the same length and
// loads back to the same model when no two fields share a byte (overlapping places written in
// order may legitimately change what an earlier one reads back); the inventory rules and the
// field setter keep to the grid.
//
// Input: 6 bytes of widths (party values 1-3, character values 1-3), 6 bytes of offsets
// (one per field above, times 7 inside its region), then the record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_fields.h"
#include "viewer/core/savegame/party_store.h"

namespace {

using namespace brindle;

PartyDataTable TableFrom(ByteView head) {
  PartyDataTable t;
  std::vector<std::string> partyOffsets{""}, partyWidths{""}, charOffsets{""}, charWidths{""};
  for (int k = 0; k < 3; ++k) {
    partyWidths.push_back(std::to_string(head[static_cast<std::size_t>(k)] % 9));
    partyOffsets.push_back(std::to_string(head[static_cast<std::size_t>(6 + k)] * 7));
    charWidths.push_back(std::to_string(head[static_cast<std::size_t>(3 + k)] % 30));
    charOffsets.push_back(std::to_string(6000 + head[static_cast<std::size_t>(9 + k)] * 3));
  }
  for (int k = 3; k < 8; ++k) {
    charWidths.push_back("4");
    charOffsets.push_back(std::to_string(6536 + 4 * k));
  }
  t.SetColumn(kColPartyValueOffset, partyOffsets);
  t.SetColumn(kColPartyValueWidth, partyWidths);
  t.SetColumn(kColCharValueOffset, charOffsets);
  t.SetColumn(kColCharValueWidth, charWidths);
  std::vector<std::string> first{""}, second{""}, sizes(300, "2"), names(300, "item");
  for (int k = 0; k < 8; ++k) {
    first.push_back(std::to_string(190 + 4 * k));
    second.push_back(std::to_string(188 + 4 * k));
  }
  names[0] = "299";
  t.SetColumn(kColStatFirstOffset, first);
  t.SetColumn(kColStatSecondOffset, second);
  t.SetColumn(kColItemNames, names);
  t.SetColumn(kColItemWidth, sizes);
  t.SetColumn(kColItemHeight, sizes);
  return t;
}

struct Span {
  std::int64_t from, to;  // [from, to)
};

// Whether the table's places are apart from each other and from the fixed fields they share a
// record with. Every character block has the same layout, so its first one stands for all.
bool FieldsApart(const PartyLayout& layout) {
  std::vector<Span> party{{kGameClockOffset, kGameClockOffset + 4}};
  for (const FieldPlace& p : layout.partyValues)
    if (p.width > 0) party.push_back({p.offset, p.offset + p.width});
  std::vector<Span> block{{0, kConditionSlotSize * kConditionCount},
                          {kClassOffset, kClassOffset + 1},
                          {kPortraitOffset, kPortraitOffset + 2},
                          {kSkillsOffset, kSkillsOffset + 2 * kSkillCount},
                          {kSpellsOffset, kSpellsOffset + kSpellCount},
                          {kItemsOffset, kGridOffset + 4 * kGridRows * kGridColumns},
                          {kSlotsOffset, kSlotsOffset + 4 * kSlotCount}};
  for (const auto& pair : layout.statOffsets)
    for (std::int64_t o : pair)
      block.push_back({o, o + 2});
  for (const FieldPlace& p : layout.charValues)
    if (p.width > 0) block.push_back({p.offset, p.offset + p.width});
  for (const std::vector<Span>* spans : {&party, &block})
    for (std::size_t i = 0; i < spans->size(); ++i)
      for (std::size_t j = i + 1; j < spans->size(); ++j)
        if ((*spans)[i].from < (*spans)[j].to && (*spans)[j].from < (*spans)[i].to) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 12 || size > 64 * 1024) return 0;
  const ByteView input(data, size);
  const PartyDataTable table = TableFrom(input.first(12));
  const ByteView stored = input.subspan(12);

  Result<TPartyMain> party = LoadPartyBytes(stored, "PARTY.BIN", table);
  if (!party) {
    if (party.message().empty()) std::abort();
    return 0;
  }
  const PartyLayout layout = *ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
  const Bytes saved = PatchPartyRecord(stored, *party, layout);
  if (saved.size() != stored.size()) std::abort();
  if (FieldsApart(layout) && !LoadPartyRecord(saved, layout).SameRecord(*party)) std::abort();

  // Inventory rules over whatever the grid held, at places the record's own bytes pick.
  TPartyCharacter& ch = party->Character(1 + stored[0] % kCharacterCount);
  for (std::size_t i = 1; i + 2 < std::min<std::size_t>(stored.size(), 64); i += 3) {
    const int n = stored[i] % (kItemCount + 2);
    const int col = stored[i + 1] % (kGridColumns + 1), row = stored[i + 2] % (kGridRows + 1);
    PlaceInBackpack(ch, table, n, col % kGridColumns, row % kGridRows);
    DragState drag;
    DragOverCell(ch, table, n, col % kGridColumns, row % kGridRows, drag);
    EditSlot(ch, 1 + stored[i] % kSlotCount, std::to_string(n));
    if (stored[i] & 1) DeleteItem(ch, n);
    BoxKey(ch, col, row);
  }
  for (const PartyField& f : ListPartyFields(*party, table))
    if (f.key.empty()) std::abort();
  (void)SetPartyField(*party, table, "char1.grid.3.4", std::to_string(stored[1]));
  (void)SetPartyField(*party, table, "time", "1169-02-03 04:05:006");
  return 0;
}
