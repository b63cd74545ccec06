#pragma once
// brindle-cli patch: make a patch from two containers, show one, apply one.

#include <iosfwd>
#include <string>
#include <vector>

namespace brindle {

// args: make OLD NEW -o MOD.zip [--title T] [--author A] | info MOD.zip |
// apply CONTAINER MOD.zip [--dry-run] [--force]. Exit codes: 0 done (or already applied), 1
// conflicts (nothing written unless --force, which then says what it skipped) or nothing to
// make, 2 errors.
int PatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace brindle
