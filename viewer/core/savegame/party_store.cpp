#include "viewer/core/savegame/party_store.h"

#include <tuple>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/savegame/party_fields.h"

namespace brindle {

namespace {

const TResourceInfo* EntryAt(const TDataFile& dataFile, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size()) return nullptr;
  return &dataFile.Entries[static_cast<std::size_t>(index)];
}

std::size_t Nth(int k) {
  return static_cast<std::size_t>(k - 1);
}

Error NoEntry(const TDataFile& dataFile, int index) {
  return Fail("There is no entry " + std::to_string(index) + " in " + dataFile.FileName + ".");
}

// Fields both the user and another program changed: named (a long list shortened), and
// nothing written.
Error ConflictError(const std::string& entryName, const std::string& path,
                    const std::vector<std::string>& fields) {
  constexpr std::size_t kShown = 12;
  std::string list;
  for (std::size_t i = 0; i < fields.size() && i < kShown; ++i)
    list += (i ? ", " : "") + fields[i];
  if (fields.size() > kShown) list += " and " + std::to_string(fields.size() - kShown) + " more";
  return Fail("Another program changed " + Cp1252ToUtf8(entryName) + " in " + path +
                  " since it was loaded, in fields you changed too: " + list +
                  ".  Nothing was saved.  Load the file again to see its values.",
              ErrorKind::kChanged);
}

// One part of the merge: the user's value when they changed it, unless the other program
// changed it to something else too; then the part is named.
template <class Out, class T, class Name>
void TakeEdit(Out&& out, const T& base, const T& mine, const T& theirs, Name&& name) {
  if (mine == base) return;
  if (theirs != base && theirs != mine) {
    name();
    return;
  }
  out = mine;
}

// Names the fields of one character (0: the party's own) by their keys, when asked to.
struct ConflictNames {
  std::vector<std::string>& conflicts;
  int character;

  auto operator()(PartyFieldId id, int i = 0, int j = 0) const {
    return [this, id, i, j] { Add(id, i, j); };
  }
  void Add(PartyFieldId id, int i = 0, int j = 0) const {
    conflicts.push_back(PartyFieldKey(id, {character, {i, j}}));
  }
};

// Each entry k (from 1) of an array member, its own part.
template <class Member>
void TakeEach(TPartyCharacter& out, const TPartyCharacter& base, const TPartyCharacter& mine,
              const TPartyCharacter& theirs, Member member, PartyFieldId id,
              const ConflictNames& named) {
  for (std::size_t k = 0; k < (out.*member).size(); ++k)
    TakeEdit((out.*member)[k], (base.*member)[k], (mine.*member)[k], (theirs.*member)[k],
             named(id, static_cast<int>(k + 1)));
}

// Items, backpack and slots point into each other: taken whole or not at all. In a conflict
// the parts of it the user changed are named.
void MergeInventory(TPartyCharacter& out, const TPartyCharacter& base, const TPartyCharacter& mine,
                    const TPartyCharacter& theirs, const ConflictNames& named) {
  const auto inventory = [](auto& c) { return std::tie(c.Items, c.Grid, c.Slots); };
  TakeEdit(inventory(out), inventory(base), inventory(mine), inventory(theirs), [&] {
    for (int k = 1; k <= kSlotCount; ++k)
      if (mine.Slots[Nth(k)] != base.Slots[Nth(k)]) named.Add(PartyFieldId::kSlot, k);
    for (int k = 1; k <= kItemCount; ++k)
      if (mine.Item(k) != base.Item(k)) named.Add(PartyFieldId::kItem, k);
    for (int r = 0; r < kGridRows; ++r)
      for (int c = 0; c < kGridColumns; ++c)
        if (mine.Cell(c, r) != base.Cell(c, r)) named.Add(PartyFieldId::kGridCell, r, c);
  });
}

void MergeCharacter(TPartyCharacter& out, const TPartyCharacter& base, const TPartyCharacter& mine,
                    const TPartyCharacter& theirs, const ConflictNames& named) {
  TakeEdit(out.Class, base.Class, mine.Class, theirs.Class, named(PartyFieldId::kClass));
  TakeEdit(out.Portrait, base.Portrait, mine.Portrait, theirs.Portrait,
           named(PartyFieldId::kPortrait));
  TakeEach(out, base, mine, theirs, &TPartyCharacter::Values, PartyFieldId::kCharValue, named);
  TakeEach(out, base, mine, theirs, &TPartyCharacter::Skills, PartyFieldId::kSkill, named);
  TakeEach(out, base, mine, theirs, &TPartyCharacter::Spells, PartyFieldId::kSpell, named);
  TakeEach(out, base, mine, theirs, &TPartyCharacter::Conditions, PartyFieldId::kCondition, named);
  for (int k = 1; k <= kStatCount; ++k)
    for (int j = 0; j < 2; ++j) {
      const auto at = [&](const TPartyCharacter& c) -> const std::uint16_t& {
        return c.Stats[Nth(k)][static_cast<std::size_t>(j)];
      };
      TakeEdit(out.Stats[Nth(k)][static_cast<std::size_t>(j)], at(base), at(mine), at(theirs),
               named(PartyFieldId::kStat, k, j));
    }
  MergeInventory(out, base, mine, theirs, named);
}

}  // namespace

Bytes PatchChangedFields(ByteView stored, const TPartyMain& party, const PartyLayout& layout) {
  // The record as it reads now, written back, differs from the edited model written back
  // exactly in the bytes of the fields whose values changed: only those are taken. Bytes no
  // field shows (after a name's end, the upper halves of cells kept as their low 16 bits)
  // stay as stored.
  const Bytes unchanged = PatchPartyRecord(stored, LoadPartyRecord(stored, layout), layout);
  const Bytes edited = PatchPartyRecord(stored, party, layout);
  Bytes out(stored.begin(), stored.end());
  for (std::size_t i = 0; i < out.size() && i < unchanged.size() && i < edited.size(); ++i)
    if (unchanged[i] != edited[i]) out[i] = edited[i];
  return out;
}

Result<TPartyMain> LoadPartyBytes(ByteView stored, const std::string& entryName,
                                  const PartyDataTable& table) {
  if (Status s = CheckPartyRecord(stored, entryName); !s) return s.error();
  Result<PartyLayout> layout = ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
  if (!layout) return layout.error();
  return LoadPartyRecord(stored, *layout);
}

Result<TPartyMain> LoadPartyEntry(const TDataFile& dataFile, int index,
                                  const PartyDataTable& table) {
  const TResourceInfo* e = EntryAt(dataFile, index);
  if (!e) return NoEntry(dataFile, index);
  auto file = OpenContainerFile(dataFile.FileName, FileMode::kReadShared);
  if (!file) return file.error();
  const Result<Bytes> stored = ReadStoredEntry(**file, *e);
  if (!stored) return stored.error();
  return LoadPartyBytes(*stored, e->Name, table);
}

Result<PartySaved> SavePartyEntry(TDataFile& dataFile, int index, const TPartyMain& loaded,
                                  const TPartyMain& edited, const PartyDataTable& table,
                                  CoreHost& host, ContainerStore& store) {
  const TResourceInfo* e = EntryAt(dataFile, index);
  if (!e) return NoEntry(dataFile, index);
  if (edited.SameRecord(loaded)) return PartySaved::kNothing;
  const std::string name = e->Name;
  WatchHold hold(host);
  bool elsewhere = false;
  const Status s = MergeEntryInPlace(
      dataFile, index,
      [&](ByteView stored) -> Result<Bytes> {
        if (Status s = CheckPartyRecord(stored, name); !s) return s.error();
        Result<PartyLayout> layout =
            ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
        if (!layout) return layout.error();
        const TPartyMain theirs = LoadPartyRecord(stored, *layout);
        std::vector<std::string> conflicts;
        const TPartyMain merged = MergePartyEdits(loaded, edited, theirs, conflicts);
        if (!conflicts.empty()) return ConflictError(name, dataFile.FileName, conflicts);
        return PatchChangedFields(stored, merged, *layout);
      },
      host, elsewhere, store);
  if (!s) return s.error();
  return elsewhere ? PartySaved::kMerged : PartySaved::kSaved;
}

TPartyMain MergePartyEdits(const TPartyMain& base, const TPartyMain& mine, const TPartyMain& theirs,
                           std::vector<std::string>& conflicts) {
  TPartyMain merged = theirs;
  const ConflictNames named{conflicts, 0};
  for (int k = 1; k <= kPartyValueCount; ++k) {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    TakeEdit(merged.PartyValues[i], base.PartyValues[i], mine.PartyValues[i], theirs.PartyValues[i],
             named(PartyFieldId::kPartyValue, k));
  }
  TakeEdit(merged.GameClock, base.GameClock, mine.GameClock, theirs.GameClock,
           named(PartyFieldId::kClock));
  for (int n = 1; n <= kCharacterCount; ++n)
    MergeCharacter(merged.Character(n), base.Character(n), mine.Character(n), theirs.Character(n),
                   {conflicts, n});
  return merged;
}

int FindPartyEntry(const TDataFile& dataFile) {
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i)
    if (EqualsIgnoreCase1252(dataFile.Entries[i].Name, "PARTY.BIN")) return static_cast<int>(i);
  return -1;
}

}  // namespace brindle
