#pragma once
// A way for tests to make one chosen system call of the file layer fail, as a failing disk,
// a full disk or a vanished folder would. Every open, read, write, flush, truncate, rename,
// link and owner change of common/file goes through IoFault first.

#include <functional>

namespace brindle {

enum class IoCall {
  kOpen,
  kRead,
  kWrite,
  kFlush,
  kTruncate,
  kRename,
  kLink,
  kOwner,
  kFlushFolder,
};

// The hook answers 0 to let the call run, an errno value to fail it with, or kShortRead to
// make a read come back with fewer bytes than were there.
inline constexpr int kShortRead = -1;
using IoFaultHook = std::function<int(IoCall)>;

// Installs the hook for the whole process (an empty one removes it).
void SetIoFaultHook(IoFaultHook hook);
// What the hook says of this call (0 without a hook).
int IoFault(IoCall call);

}  // namespace brindle
