#include "viewer/cli/patch_command.h"

#include <optional>
#include <ostream>

#include "common/codepage.h"
#include "viewer/cli/commands.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/edit/patch.h"

namespace brindle {

namespace {

// The words of a command line and the values of the options it takes.
struct PatchArgs {
  std::vector<std::string> words;
  std::string output, title, author;
  bool dryRun = false, force = false;
};

std::optional<PatchArgs> Parse(const std::vector<std::string>& args, std::ostream& err) {
  PatchArgs a;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& w = args[i];
    std::string* value = w == "-o"         ? &a.output
                         : w == "--title"  ? &a.title
                         : w == "--author" ? &a.author
                                           : nullptr;
    if (value) {
      if (i + 1 == args.size()) {
        err << "The option " << w << " needs a value\n";
        return std::nullopt;
      }
      *value = args[++i];
    } else if (w == "--dry-run") {
      a.dryRun = true;
    } else if (w == "--force") {
      a.force = true;
    } else if (w.size() > 1 && w[0] == '-') {
      err << "Unknown option " << w << " (see brindle-cli patch --help)\n";
      return std::nullopt;
    } else {
      a.words.push_back(w);
    }
  }
  return a;
}

int Make(const PatchArgs& a, std::ostream& out, std::ostream& err) {
  if (a.words.size() != 3 || a.output.empty()) return CommandUsageError("patch", err);
  CliHost host(err);
  Result<PatchMade> made = MakePatch(a.words[1], a.words[2], a.output, a.title, a.author, host);
  if (!made) return ReportError(made.error(), err);
  if (made->changes == 0) {
    err << a.words[1] << " and " << a.words[2] << " hold the same entries: no patch written\n";
    return kExitPartly;
  }
  out << "Wrote " << a.output << " (" << made->changes
      << (made->changes == 1 ? " change)\n" : " changes)\n");
  return kExitDone;
}

int Info(const PatchArgs& a, std::ostream& out, std::ostream& err) {
  if (a.words.size() != 2) return CommandUsageError("patch", err);
  Result<PatchManifest> m = ReadPatchManifest(a.words[1]);
  if (!m) return ReportError(m.error(), err);
  out << "title: " << EscapeControls(m->title) << "\nauthor: " << EscapeControls(m->author)
      << "\ncontainer: " << m->kind << " (" << m->identifier << ")\nchanges: " << m->changes.size()
      << '\n';
  for (const PatchChange& c : m->changes) {
    out << PatchOpName(c.op) << ' ' << PrintableName(c.name);
    if (c.op == PatchOp::kRename) out << " -> " << PrintableName(c.newName);
    if (c.op == PatchOp::kAdd || c.op == PatchOp::kReplace) out << " (" << c.size << " bytes)";
    out << '\n';
  }
  return kExitDone;
}

int Apply(const PatchArgs& a, std::ostream& out, std::ostream& err) {
  if (a.words.size() != 3) return CommandUsageError("patch", err);
  CliHost host(err);
  Opened container;
  if (Status s = OpenForReading(a.words[1], container, host); !s)
    return ReportError(s.error(), err);
  container.file.reset();  // the rewrite locks the file itself
  PatchOptions options;
  options.dryRun = a.dryRun;
  options.force = a.force;
  Result<PatchReport> r = ApplyPatch(container.dataFile, a.words[2], options, host);
  if (!r) return ReportError(r.error(), err);
  if (r->alreadyApplied) {
    out << "The patch is already applied to " << a.words[1] << '\n';
    return kExitDone;
  }
  const bool skipping = a.force && !a.dryRun;
  for (const PatchConflict& c : r->conflicts)
    err << (skipping ? "Skipped " : "Conflict: ") << PrintableName(c.name) << ": " << c.reason
        << '\n';
  if (!r->conflicts.empty() && !a.force) {
    err << "Nothing was written: " << r->conflicts.size()
        << (r->conflicts.size() == 1 ? " conflict\n" : " conflicts\n");
    return kExitPartly;
  }
  for (const std::string& line : r->applied)
    out << line << '\n';
  if (a.dryRun) {
    out << "Nothing was written (--dry-run)\n";
  } else {
    out << "Applied " << r->applied.size() << (r->applied.size() == 1 ? " change" : " changes")
        << " to " << a.words[1] << '\n';
  }
  return r->conflicts.empty() ? kExitDone : kExitPartly;
}

}  // namespace

int PatchCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::optional<PatchArgs> a = Parse(args, err);
  if (!a) return kExitRefused;
  const std::string verb = a->words.empty() ? std::string() : a->words[0];
  if (verb == "make") return Make(*a, out, err);
  if (verb == "info") return Info(*a, out, err);
  if (verb == "apply") return Apply(*a, out, err);
  return CommandUsageError("patch", err);
}

}  // namespace brindle
