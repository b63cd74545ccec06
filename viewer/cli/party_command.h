#pragma once
// brindle-cli party: the saved-game editor's fields, printed and set, for scripts.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// args: SAVE [--set KEY=VALUE]... gameDataCandidates: where brindle.dat is looked for, in
// order. Exit codes: 0 done, 1 an unknown key or a value that cannot be taken (nothing
// written), 2 the saved game, its PARTY.BIN or the game data cannot be used.
int PartyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const std::vector<std::string>& gameDataCandidates);

}  // namespace brindle
