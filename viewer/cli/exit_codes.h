#pragma once
// brindle-cli's exit codes. 0: done. 1: partly done: some entries, files or settings failed,
// or the change was made but could not be checked or made lasting, or another program changed
// the file during the run. 2: refused, nothing changed (usage, a file that cannot be used, an
// operation refused as a whole).

#include <iosfwd>

#include "common/result.h"

namespace brindle {

inline constexpr int kExitDone = 0;
inline constexpr int kExitPartly = 1;
inline constexpr int kExitRefused = 2;

// The exit code of a command that stops on this error.
int ExitCodeFor(const Error& error);

// Says the error on its own line of err; returns its exit code.
int ReportError(const Error& error, std::ostream& err);

}  // namespace brindle
