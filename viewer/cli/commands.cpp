#include "viewer/cli/commands.h"

#include <algorithm>
#include <cassert>
#include <ostream>

#include "viewer/cli/authoring_commands.h"
#include "viewer/cli/check_command.h"
#include "viewer/cli/container_commands.h"
#include "viewer/cli/diff_command.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/cli/grep_command.h"
#include "viewer/cli/party_command.h"
#include "viewer/cli/patch_command.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"

namespace brindle {

namespace {

int RunParty(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return PartyCommand(args, out, err,
                      MakeAppPaths(ExecutableDir(nullptr), BRINDLE_SHARE_DIR).gameDataCandidates);
}

// In the order the usage text lists them.
constexpr Command kCommands[] = {
    {"list", "[--json] CONTAINER",
     "entries with their types and sizes (--json:\n"
     "a JSON array of objects with the same fields)",
     "Prints one line per entry after a header line, fields separated by a TAB: index name\n"
     "type offset size packed unpacked width height palette. --json prints a JSON array\n"
     "with one object a line and the same fields.\n",
     ListCommand},
    {"info", "CONTAINER", "kind, entry count and size",
     "Prints the container's file, kind, number of entries and size.\n", InfoCommand},
    {"extract", "CONTAINER [-o DIR] [--raw] [--type TYPE]... [ENTRY...]",
     "save entries as their pages do (ENTRY: a name\n"
     "or #INDEX; none: all of them; --type: only\n"
     "entries of these types, named as list names\n"
     "them)",
     "Saves entries as their pages do (texts as .txt, sounds as .wav, pictures as .bmp, ...).\n"
     "ENTRY is a name (any case) or #INDEX; without one every entry is saved.\n"
     "  -o DIR       the folder to write to (made when missing; default: the current one);\n"
     "               -o - writes the one entry asked for to standard output\n"
     "  --raw        the bytes as stored, under the entry's own name\n"
     "  --type TYPE  only entries of this type (repeatable; the types list prints)\n",
     ExtractCommand},
    {"import", "CONTAINER FILE...", "replace the entries named like the files",
     "Replaces each entry named like a file (folder and case ignored; a file extract wrote\n"
     "for an entry without an extension is found too). Prints \"Imported NAME\" for each,\n"
     "\"No entry matches FILE\" on stderr for each file no entry takes, then a count.\n",
     ImportCommand},
    {"hexdump", "CONTAINER ENTRY", "the hex dump of an entry's payload",
     "Prints the hex dump of the payload the entry's page shows.\n", HexDumpCommand},
    {"grep", "CONTAINER PATTERN [--hex] [--type TYPE]... [--names-only]",
     "find a text (any case) or hex bytes (--hex)\n"
     "in names, text cells, strings and payloads",
     "Prints one line per match, fields separated by a TAB: NAME WHERE SNIPPET. A text is\n"
     "found in any case in entry names (WHERE: name), text tables cell by cell (row R col C,\n"
     "counted from 1), string lists (line N, from 1) and other payloads (offset O); with\n"
     "--hex PATTERN is bytes (\"78 9c ?? 01\", ?? for any byte) found in every entry's\n"
     "payload as its page reads it, inflated where compressed. Exit code 0 when something\n"
     "matched, 1 when nothing did, 2 on an error.\n"
     "  --type TYPE    only entries of this type (repeatable; the types list prints)\n"
     "  --names-only   the entries' names alone\n",
     GrepCommand},
    {"add", "CONTAINER FILE...", "add files as new entries",
     "Adds each file as a new entry named after it, converted as an import of its kind\n"
     "would be, and writes the container anew.\n",
     AddCommand},
    {"remove", "CONTAINER ENTRY...", "remove entries",
     "Removes the entries and writes the container anew.\n", RemoveCommand},
    {"rename", "CONTAINER ENTRY NEWNAME", "rename an entry",
     "Gives an entry a new name and writes the container anew.\n", RenameCommand},
    {"rebuild", "CONTAINER", "rewrite without unused bytes",
     "Writes the container anew without the bytes no entry uses.\n", RebuildCommand},
    {"check", "CONTAINER", "read every entry through and report problems",
     "Checks that every entry lies inside the file and apart from the others, that every\n"
     "compressed payload inflates to its stated size with a matching checksum, that every\n"
     "picture decodes and every identified entry reads as its page would read it, and that a\n"
     "LOD's length field covers every entry. Prints one line per problem, NAME and PROBLEM\n"
     "separated by a TAB, then a summary with the bytes no entry uses. Never writes.\n"
     "Exit 0: no problems; 1: problems; 2: the container cannot be opened or read.\n",
     CheckCommand},
    {"diff", "OLD NEW [--content]", "what changed between two containers",
     "Prints one line per difference: \"+ NAME\" (added), \"- NAME\" (removed), \"M NAME\"\n"
     "(the stored bytes differ) and \"R OLD -> NEW\" (renamed: the same bytes under another\n"
     "name, when no other entry has them). Entries pair up by name as stored. Exit code 0\n"
     "when the two are the same, 1 when they differ, 2 on an error.\n"
     "  --content  compare the payloads as extracted (inflated), so an entry compressed\n"
     "             anew with the same content is the same\n",
     DiffCommand},
    {"patch",
     "make OLD NEW -o MOD.zip [--title T] [--author A] | info MOD.zip | apply CONTAINER "
     "MOD.zip [--dry-run] [--force]",
     "make, show or apply a patch (a zip of the\n"
     "changes between two containers)",
     "make  writes MOD.zip: manifest.json (what changes, with the SHA-256 of the bytes each\n"
     "      change expects and brings) and the new entries' stored bytes; --title and\n"
     "      --author go into the manifest.\n"
     "info  prints a patch's manifest.\n"
     "apply checks every change against CONTAINER first: an entry the patch replaces,\n"
     "      removes or renames must hold the bytes it was made against, a name it adds must\n"
     "      be free. Conflicts are listed and nothing is written (exit 1) unless --force,\n"
     "      which applies the rest and says what it skipped. A patch already applied is\n"
     "      said so and nothing is written (exit 0). --dry-run writes nothing.\n",
     PatchCommand},
    {"new", "KIND CONTAINER [FILE...]",
     "make a container (KIND: vid chapter sprites\n"
     "maps icons bitmaps snd)",
     "Makes a container of KIND (vid chapter sprites maps icons bitmaps snd) holding the\n"
     "files; an existing file is never overwritten.\n",
     NewCommand},
    {"party", "SAVE [--set KEY=VALUE]...",
     "the party of a saved game, one field a line\n"
     "(KEY, VALUE, caption); --set changes fields\n"
     "and saves them",
     "Prints the party of a saved game, one field a line (KEY, VALUE, caption).\n"
     "  --set KEY=VALUE  changes a field as the window's editor would, then saves\n",
     RunParty},
};

// What may stand in a command's place, and what every command takes besides its own.
constexpr std::string_view kProgramOptions[] = {"--help", "--version"};
constexpr std::string_view kEveryCommandsOptions[] = {"--help"};

const Command* FindCommand(std::string_view name) {
  const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                               [&](const Command& c) { return c.name == name; });
  return it == std::end(kCommands) ? nullptr : it;
}

// One line of the usage text's list: the form, then the summary in a column of its own (on
// the next line when the form reaches into it).
void PrintUsageRow(std::ostream& out, std::string_view form, std::string_view summary) {
  constexpr std::size_t kColumn = 41;
  const std::string indent(kColumn, ' ');
  out << "  " << form;
  if (2 + form.size() < kColumn)
    out << std::string(kColumn - 2 - form.size(), ' ');
  else
    out << '\n' << indent;
  for (std::size_t start = 0;;) {
    const std::size_t end = summary.find('\n', start);
    out << summary.substr(start, end - start) << '\n';
    if (end == std::string_view::npos) break;
    start = end + 1;
    out << indent;
  }
}

void PrintUsageLine(std::ostream& out, const Command& c) {
  out << "usage: brindle-cli " << c.name << ' ' << c.usage << '\n';
}

bool AsksForHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

void PrintVersion(std::ostream& out) {
  // Where the game data the window needs would come from: an installation says whether it
  // is whole.
  const GameDataLocation data =
      LocateGameDataFile(GameDataCandidates(ExecutableDir(nullptr), BRINDLE_SHARE_DIR));
  out << "brindle-cli " << BRINDLE_VERSION
      << "\ngame data: " << (data.path.empty() ? "not found" : data.path) << '\n';
}

void PrintWords(std::ostream& out, std::string_view first,
                std::span<const std::string_view> words) {
  out << first;
  for (std::string_view w : words)
    out << ' ' << w;
  out << '\n';
}

}  // namespace

std::span<const Command> Commands() {
  return kCommands;
}

void PrintUsage(std::ostream& out) {
  out << "usage: brindle-cli COMMAND CONTAINER [ARGS]\n"
         "Lists, extracts, replaces and edits the entries of the game's containers (.LOD, .SND,\n"
         ".VID) and the party of its saved games.\n"
         "\n"
         "Commands:\n";
  for (const Command& c : kCommands)
    PrintUsageRow(out, std::string(c.name) + ' ' + std::string(c.usage), c.summary);
  PrintUsageRow(out, "--help, --version", "this text; the program's version");
  PrintUsageRow(out, "COMMAND --help", "the command's own help");
  out << "\n"
         "Exit status: 0 all done, 1 some entries or files failed, 2 nothing could be done.\n";
}

int ProgramUsageError(std::ostream& err) {
  PrintUsage(err);
  return kExitRefused;
}

int CommandUsageError(std::string_view name, std::ostream& err) {
  const Command* c = FindCommand(name);
  assert(c);
  PrintUsageLine(err, *c);
  return kExitRefused;
}

void PrintCompletion(std::ostream& out) {
  for (const Command& c : kCommands)
    out << "command " << c.name << ' ' << c.usage << '\n';
  PrintWords(out, "program", kProgramOptions);
  PrintWords(out, "each", kEveryCommandsOptions);
  PrintWords(out, "values TYPE", EntryTypeNames());
  PrintWords(out, "values KIND", ContainerKindNames());
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return ProgramUsageError(err);
  const std::string& name = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(out);
    return kExitDone;
  }
  if (name == "-V" || name == "--version") {
    PrintVersion(out);
    return kExitDone;
  }
  if (name == "--completion") {
    PrintCompletion(out);
    return kExitDone;
  }
  const Command* command = FindCommand(name);
  if (!command) {
    err << "Unknown command " << name << "\n";
    return ProgramUsageError(err);
  }
  if (AsksForHelp(rest)) {
    PrintUsageLine(out, *command);
    out << command->help;
    return kExitDone;
  }
  return command->run(rest, out, err);
}

}  // namespace brindle
