#include "viewer/cli/diff_command.h"

#include <memory>
#include <ostream>

#include "viewer/cli/commands.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/edit/compare.h"

namespace brindle {

int DiffCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  DiffOptions options;
  std::vector<std::string> paths;
  for (const std::string& a : args) {
    if (a == "--content") {
      options.content = true;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "Unknown option " << a << " (see brindle-cli diff --help)\n";
      return kExitRefused;
    } else {
      paths.push_back(a);
    }
  }
  if (paths.size() != 2) return CommandUsageError("diff", err);
  CliHost host(err);
  Opened before, after;
  if (Status s = OpenForReading(paths[0], before, host); !s) return ReportError(s.error(), err);
  if (Status s = OpenForReading(paths[1], after, host); !s) return ReportError(s.error(), err);
  Result<std::vector<DiffLine>> lines = CompareContainers(
      {before.dataFile, *before.file}, {after.dataFile, *after.file}, options, host);
  if (!lines) return ReportError(lines.error(), err);
  for (const DiffLine& line : *lines)
    out << DiffLineText(line, PrintableName) << '\n';
  return lines->empty() ? kExitDone : kExitPartly;
}

}  // namespace brindle
