#pragma once
// The party record between the container and the model: loading an entry, saving the model
// over it in place.

#include <string>
#include <vector>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/containers/writeback.h"
#include "viewer/core/host.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/savegame/party.h"

namespace brindle {

// The entry's stored bytes read from the container (opened for reading, writers kept out),
// checked as a record the editor can work on, and turned into the model.
Result<TPartyMain> LoadPartyEntry(const TDataFile& dataFile, int index,
                                  const PartyDataTable& table);
// The same from stored bytes already in hand.
Result<TPartyMain> LoadPartyBytes(ByteView stored, const std::string& entryName,
                                  const PartyDataTable& table);

// How a save ended.
enum class PartySaved {
  kNothing,  // no field differs from the record as loaded: nothing was written
  kSaved,    // the changed fields were written
  kMerged,   // ... into a container another program had changed meanwhile: load it again
};

// Saves the user's changes: the fields that differ between `loaded` (the model as it was
// loaded) and `edited` are patched into the entry as it is on disk now, only their bytes,
// where they are. Another program's changes since loading stay: a container changed
// elsewhere is still written as long as the entry's directory record is the same, and a
// field the other program changed is kept unless the user changed it too (to another
// value); then the fields are named and nothing is written (kChanged). The record is
// checked again under the lock, so a record that cannot be edited is never written over.
// The caller loads the entry again (and, after kMerged, the container) to show what the
// file now holds.
Result<PartySaved> SavePartyEntry(TDataFile& dataFile, int index, const TPartyMain& loaded,
                                  const TPartyMain& edited, const PartyDataTable& table,
                                  CoreHost& host, ContainerStore& store = DiskStore());

// The three-way merge behind the save: `theirs` with every part the user changed between
// `base` and `mine`. A part both changed, to different values, keeps theirs and is named in
// `conflicts` by its field key(s). A character's items, backpack and slots hang together and
// merge as one part.
TPartyMain MergePartyEdits(const TPartyMain& base, const TPartyMain& mine, const TPartyMain& theirs,
                           std::vector<std::string>& conflicts);

// The stored record with only the bytes of the fields whose value differs between the record
// as stored and party: everything else, even bytes no field shows, stays as it is.
Bytes PatchChangedFields(ByteView stored, const TPartyMain& party, const PartyLayout& layout);

// The entry named PARTY.BIN (any case) in the directory, or -1.
int FindPartyEntry(const TDataFile& dataFile);

}  // namespace brindle
