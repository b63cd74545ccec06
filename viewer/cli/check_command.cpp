#include "viewer/cli/check_command.h"

#include <filesystem>
#include <ostream>

#include "viewer/cli/commands.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/edit/check.h"

namespace brindle {

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return CommandUsageError("check", err);
  SilentHost quiet;
  Result<CheckReport> report = CheckContainerFile(args[0], quiet);
  if (!report) return ReportError(report.error(), err);
  // What concerns the container as a whole goes under the file's own name.
  const std::string fileName = std::filesystem::path(args[0]).filename().string();
  for (const CheckProblem& p : report->problems)
    out << (p.index < 0 ? fileName : PrintableName(p.name)) << '\t' << p.text << '\n';
  out << CheckSummary(*report) << '\n';
  return report->problems.empty() ? kExitDone : kExitPartly;
}

}  // namespace brindle
