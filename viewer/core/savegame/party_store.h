#pragma once
// The party record between the container and the model: loading an entry, saving the model
// over it in place.

#include <string>

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

// Patches the fields whose values differ from the entry as it is on disk now (and only
// those) and writes exactly the entry's bytes back where they are (the container's lock and
// changed-on-disk check apply). The record is checked again under the lock, so a record that cannot
// be edited is never written over. On success dataFile carries the container's new time stamp; the
// caller loads the entry again to show what the file now holds.
Status SavePartyEntry(TDataFile& dataFile, int index, const TPartyMain& party,
                      const PartyDataTable& table, CoreHost& host,
                      ContainerStore& store = DiskStore());

// The stored record with only the bytes of the fields whose value differs between the record
// as stored and party: everything else, even bytes no field shows, stays as it is.
Bytes PatchChangedFields(ByteView stored, const TPartyMain& party, const PartyLayout& layout);

// The entry named PARTY.BIN (any case) in the directory, or -1.
int FindPartyEntry(const TDataFile& dataFile);

}  // namespace brindle
