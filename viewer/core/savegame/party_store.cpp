#include "viewer/core/savegame/party_store.h"

#include <tuple>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"

namespace brindle {

namespace {

const TResourceInfo* EntryAt(const TDataFile& dataFile, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= dataFile.Entries.size()) return nullptr;
  return &dataFile.Entries[static_cast<std::size_t>(index)];
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
  // One part: the user's value when they changed it, unless the other program changed it
  // to something else too.
  auto take = [&](auto&& out, const auto& b, const auto& m, const auto& t, auto&& names) {
    if (m == b) return;
    if (t != b && t != m) {
      names();
      return;
    }
    out = m;
  };
  auto named = [&](std::string key) { return [&conflicts, key] { conflicts.push_back(key); }; };
  for (std::size_t k = 0; k < kPartyValueCount; ++k)
    take(merged.PartyValues[k], base.PartyValues[k], mine.PartyValues[k], theirs.PartyValues[k],
         named("party." + std::to_string(k + 1)));
  take(merged.GameClock, base.GameClock, mine.GameClock, theirs.GameClock, named("clock"));
  for (int n = 1; n <= kCharacterCount; ++n) {
    const std::string p = "char" + std::to_string(n) + ".";
    TPartyCharacter& out = merged.Character(n);
    const TPartyCharacter& b = base.Character(n);
    const TPartyCharacter& m = mine.Character(n);
    const TPartyCharacter& t = theirs.Character(n);
    take(out.Class, b.Class, m.Class, t.Class, named(p + "class"));
    take(out.Portrait, b.Portrait, m.Portrait, t.Portrait, named(p + "portrait"));
    auto each = [&](auto member, const std::string& key) {
      auto& o = out.*member;
      for (std::size_t k = 0; k < o.size(); ++k)
        take(o[k], (b.*member)[k], (m.*member)[k], (t.*member)[k],
             named(p + key + std::to_string(k + 1)));
    };
    each(&TPartyCharacter::Values, "value.");
    each(&TPartyCharacter::Skills, "skill.");
    each(&TPartyCharacter::Spells, "spell.");
    each(&TPartyCharacter::Conditions, "condition.");
    for (std::size_t k = 0; k < kStatCount; ++k)
      for (std::size_t j = 0; j < 2; ++j)
        take(out.Stats[k][j], b.Stats[k][j], m.Stats[k][j], t.Stats[k][j],
             named(p + "stat." + std::to_string(k + 1) + (j ? ".permanent" : ".added")));
    // Items, backpack and slots point into each other: taken whole or not at all.
    const auto inventory = [](auto& c) { return std::tie(c.Items, c.Grid, c.Slots); };
    take(inventory(out), inventory(b), inventory(m), inventory(t), [&] {
      // The parts of it the user changed.
      for (std::size_t k = 0; k < kSlotCount; ++k)
        if (m.Slots[k] != b.Slots[k]) conflicts.push_back(p + "slot." + std::to_string(k + 1));
      for (std::size_t k = 0; k < kItemCount; ++k)
        if (m.Items[k] != b.Items[k]) conflicts.push_back(p + "item." + std::to_string(k + 1));
      for (int r = 0; r < kGridRows; ++r)
        for (int c = 0; c < kGridColumns; ++c)
          if (m.Cell(c, r) != b.Cell(c, r))
            conflicts.push_back(p + "grid." + std::to_string(r) + "." + std::to_string(c));
    });
  }
  return merged;
}

int FindPartyEntry(const TDataFile& dataFile) {
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i)
    if (EqualsIgnoreCase1252(dataFile.Entries[i].Name, "PARTY.BIN")) return static_cast<int>(i);
  return -1;
}

}  // namespace brindle
