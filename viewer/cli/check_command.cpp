#include "viewer/cli/check_command.h"

#include <ostream>

#include "viewer/cli/commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/edit/check.h"

namespace brindle {

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return CommandUsageError("check", err);
  SilentHost quiet;
  Result<CheckReport> report = CheckContainerFile(args[0], quiet);
  if (!report) return ReportError(report.error(), err);
  for (const CheckProblem& p : report->problems)
    out << ProblemOwner(p, args[0]) << '\t' << p.text << '\n';
  out << CheckSummary(*report) << '\n';
  return report->problems.empty() ? kExitDone : kExitPartly;
}

}  // namespace brindle
