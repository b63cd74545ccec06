#include "viewer/cli/exit_codes.h"

#include <ostream>

namespace brindle {

int ExitCodeFor(const Error& error) {
  switch (error.kind) {
    // Something did change: the file as the run left it is not the one it found.
    case ErrorKind::kChanged:
    case ErrorKind::kUnverified:
      return kExitPartly;
    // The core refuses before it writes, and takes back a write that fails.
    case ErrorKind::kFailed:
    case ErrorKind::kCannotOpen:
    case ErrorKind::kNotRecognised:
    case ErrorKind::kNotSupported:
    case ErrorKind::kDamaged:
    case ErrorKind::kInUse:
    case ErrorKind::kWriteFailed:
    case ErrorKind::kReadFailed:
    case ErrorKind::kCancelled:
      return kExitRefused;
  }
  return kExitRefused;
}

int ReportError(const Error& error, std::ostream& err) {
  err << error.message << '\n';
  return ExitCodeFor(error);
}

}  // namespace brindle
