#include "viewer/cli/grep_command.h"

#include <memory>
#include <optional>
#include <ostream>

#include "viewer/cli/commands.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/edit/find.h"
#include "viewer/core/entries/identify.h"

namespace brindle {

namespace {

// Nothing matched; an error is kExitRefused, as for every command.
constexpr int kExitNoMatch = 1;

struct GrepOptions {
  std::string container;
  std::string pattern;
  bool patternGiven = false;
  bool hex = false;
  FindOptions find;
};

std::optional<GrepOptions> ParseGrepArgs(const std::vector<std::string>& args, std::ostream& err) {
  GrepOptions o;
  std::vector<std::string> words;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--type") {
      if (i + 1 == args.size()) {
        err << "The option --type needs a value: a type\n";
        return std::nullopt;
      }
      std::optional<TResourceType> type = TypeArgument(args[++i], err);
      if (!type) return std::nullopt;
      o.find.types |= TypeBit(*type);
    } else if (args[i] == "--hex") {
      o.hex = true;
    } else if (args[i] == "--names-only") {
      o.find.namesOnly = true;
    } else if (args[i].size() > 1 && args[i][0] == '-' && words.size() != 1) {
      // The pattern may begin with "-"; anywhere else such a word is an option.
      err << "Unknown option " << args[i] << " (see brindle-cli grep --help)\n";
      return std::nullopt;
    } else {
      words.push_back(args[i]);
    }
  }
  if (words.size() != 2) {
    CommandUsageError("grep", err);
    return std::nullopt;
  }
  o.container = words[0];
  o.pattern = words[1];
  return o;
}

}  // namespace

int GrepCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::optional<GrepOptions> o = ParseGrepArgs(args, err);
  if (!o) return kExitRefused;
  Result<FindPattern> pattern =
      o->hex ? FindPattern::Hex(o->pattern) : FindPattern::Text(o->pattern);
  if (!pattern) return ReportError(pattern.error(), err);
  CliHost host(err);
  Result<std::unique_ptr<PosixFile>> file = OpenContainerFile(o->container, FileMode::kReadShared);
  if (!file) return ReportError(file.error(), err);
  TDataFile dataFile;
  if (Status r = ReadContainer(dataFile, **file, o->container, host); !r)
    return ReportError(r.error(), err);
  if (Status r = IdentifyAll(dataFile, **file); !r) return ReportError(r.error(), err);
  Result<FindSummary> found =
      FindInContainer(dataFile, **file, *pattern, o->find, host, [&out](const FindHit& hit) {
        out << PrintableName(hit.name) << '\t' << FindHitWhere(hit) << '\t' << hit.snippet << '\n';
        return true;
      });
  if (!found) return ReportError(found.error(), err);
  return found->hits > 0 ? kExitDone : kExitNoMatch;
}

}  // namespace brindle
