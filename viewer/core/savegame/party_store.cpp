#include "viewer/core/savegame/party_store.h"

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

Status SavePartyEntry(TDataFile& dataFile, int index, const TPartyMain& party,
                      const PartyDataTable& table, CoreHost& host, ContainerStore& store) {
  const TResourceInfo* e = EntryAt(dataFile, index);
  if (!e) return NoEntry(dataFile, index);
  const std::string name = e->Name;
  WatchHold hold(host);
  return RewriteEntryInPlace(
      dataFile, index,
      [&](ByteView stored) -> Result<Bytes> {
        if (Status s = CheckPartyRecord(stored, name); !s) return s.error();
        Result<PartyLayout> layout =
            ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
        if (!layout) return layout.error();
        return PatchChangedFields(stored, party, *layout);
      },
      host, store);
}

int FindPartyEntry(const TDataFile& dataFile) {
  for (std::size_t i = 0; i < dataFile.Entries.size(); ++i)
    if (EqualsIgnoreCase1252(dataFile.Entries[i].Name, "PARTY.BIN")) return static_cast<int>(i);
  return -1;
}

}  // namespace brindle
