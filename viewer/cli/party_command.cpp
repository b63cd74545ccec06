#include "viewer/cli/party_command.h"

#include <map>
#include <optional>
#include <ostream>

#include "common/codepage.h"
#include "viewer/cli/commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_fields.h"
#include "viewer/core/savegame/party_store.h"

namespace brindle {

namespace {

// A setting that cannot be taken fails as one item of a batch does, though nothing is written
// then (all settings or none).
constexpr int kExitBadSetting = kExitPartly;

struct Setting {
  std::string key, value;
};

void PrintField(std::ostream& out, const PartyField& f) {
  out << f.key << '\t' << EscapeControls(f.value) << '\t' << EscapeControls(f.caption) << '\n';
}

// Lines whose value differs between two listings; fields that disappeared (a cleared cell or
// item) are printed as 0.
void PrintChanges(std::ostream& out, const std::vector<PartyField>& before,
                  const std::vector<PartyField>& after) {
  std::map<std::string, const PartyField*> old;
  for (const PartyField& f : before)
    old[f.key] = &f;
  for (const PartyField& f : after) {
    auto it = old.find(f.key);
    if (it == old.end() || it->second->value != f.value) PrintField(out, f);
    if (it != old.end()) old.erase(it);
  }
  for (const PartyField& f : before)
    if (old.count(f.key)) PrintField(out, {f.key, "0", {}});
}

// One line for every item that was in the backpack or a slot before and is in neither now:
// a placement can take out the items it lands on, which the field lines do not show.
void PrintTakenOut(std::ostream& out, const TPartyMain& before, const TPartyMain& after) {
  for (int c = 0; c < kCharacterCount; ++c) {
    const TPartyCharacter& was = before.Characters[static_cast<std::size_t>(c)];
    const TPartyCharacter& now = after.Characters[static_cast<std::size_t>(c)];
    for (int n = 1; n <= kItemCount; ++n) {
      const ItemPlace from = FindItem(was, n);
      if (from.kind == PlaceKind::kNone || IsPlaced(now, n)) continue;
      out << "char" << c + 1 << ": item " << n << " taken out of "
          << (from.kind == PlaceKind::kBackpack ? std::string("the backpack")
                                                : "slot " + std::to_string(from.slot))
          << '\n';
    }
  }
}

struct PartyArgs {
  std::string save;
  std::vector<Setting> settings;
};

// SAVE and the --set KEY=VALUE settings; nothing, with the exit code said, when the words
// are not such.
std::optional<PartyArgs> ParsePartyArgs(const std::vector<std::string>& args, std::ostream& err,
                                        int& exitCode) {
  PartyArgs parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--set" && i + 1 == args.size()) {
      err << "The option --set needs a value: KEY=VALUE\n";
      exitCode = kExitRefused;
      return std::nullopt;
    }
    if (args[i] == "--set") {
      const std::string& kv = args[++i];
      const std::size_t eq = kv.find('=');
      if (eq == std::string::npos) {
        err << "Write each setting as KEY=VALUE: " << kv << '\n';
        exitCode = kExitBadSetting;
        return std::nullopt;
      }
      parsed.settings.push_back({kv.substr(0, eq), kv.substr(eq + 1)});
    } else if (parsed.save.empty() && (args[i].empty() || args[i][0] != '-')) {
      parsed.save = args[i];
    } else {
      parsed.save.clear();
      break;
    }
  }
  if (parsed.save.empty()) {
    exitCode = CommandUsageError("party", err);
    return std::nullopt;
  }
  return parsed;
}

}  // namespace

int PartyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::vector<std::string>& gameDataCandidates) {
  int refused = kExitRefused;
  const std::optional<PartyArgs> parsed = ParsePartyArgs(args, err, refused);
  if (!parsed) return refused;
  const std::string& save = parsed->save;
  const std::vector<Setting>& settings = parsed->settings;

  Result<GameData> data = FindGameData(gameDataCandidates);
  if (!data) return ReportError(data.error(), err);
  TDataFile dataFile;
  SilentHost quiet;
  if (Status s = OpenContainer(dataFile, save, quiet); !s) return ReportError(s.error(), err);
  const int index = FindPartyEntry(dataFile);
  if (index < 0) {
    err << "The saved game " << save << " holds no PARTY.BIN.\n";
    return kExitRefused;
  }
  Result<TPartyMain> party = LoadPartyEntry(dataFile, index, data->table);
  if (!party) return ReportError(party.error(), err);
  const std::vector<PartyField> before = ListPartyFields(*party, data->table);
  if (settings.empty()) {
    for (const PartyField& f : before)
      PrintField(out, f);
    return kExitDone;
  }

  // All changes or none: every setting must be taken before anything is written.
  TPartyMain edited = *party;
  for (const Setting& s : settings) {
    if (Status r = SetPartyField(edited, data->table, s.key, s.value); !r) {
      err << r.message() << '\n';
      return kExitBadSetting;
    }
  }
  if (Result<PartySaved> r = SavePartyEntry(dataFile, index, *party, edited, data->table, quiet);
      !r) {
    return ReportError(r.error(), err);
  }
  Result<TPartyMain> saved = LoadPartyEntry(dataFile, index, data->table);
  if (!saved) {
    return ReportError(Fail("The party of " + save +
                                " was saved, but it could not be read again: " + saved.message(),
                            ErrorKind::kUnverified),
                       err);
  }
  PrintTakenOut(out, *party, *saved);
  PrintChanges(out, before, ListPartyFields(*saved, data->table));
  return kExitDone;
}

}  // namespace brindle
