// The command table is the one source of the usage text, each command's help, the usage a
// misused command gives, the unknown-command message and the shell completion's words; the
// exit code of an error comes from its kind.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "cli_run.h"
#include "viewer/cli/commands.h"
#include "viewer/cli/exit_codes.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/authoring.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {
namespace {

using test::Cli;
using test::CliRun;

std::string UsageLine(const Command& c) {
  return "usage: brindle-cli " + std::string(c.name) + ' ' + std::string(c.usage) + '\n';
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;)
    words.push_back(w);
  return words;
}

// The options a usage form names: "[--raw]", "[-o DIR]", "[--type TYPE]...".
std::vector<std::string> OptionsOf(std::string_view usage) {
  std::vector<std::string> options;
  for (const std::string& w : Words(std::string(usage)))
    if (w.rfind("[-", 0) == 0) options.push_back(w.substr(1, w.find(']') - 1));
  return options;
}

TEST(CliCommandTable, EveryRowAnswersHelpWithItsOwnUsageAndText) {
  std::set<std::string_view> names;
  for (const Command& c : Commands()) {
    EXPECT_TRUE(names.insert(c.name).second) << "two rows named " << c.name;
    ASSERT_NE(c.run, nullptr) << c.name;
    const CliRun help = Cli({std::string(c.name), "--help"});
    EXPECT_EQ(help.code, kExitDone) << c.name;
    EXPECT_EQ(help.out, UsageLine(c) + std::string(c.help));
    EXPECT_EQ(help.err, "");
    // -h anywhere after the command, in the place of any argument, is the same question.
    EXPECT_EQ(Cli({std::string(c.name), "some.lod", "-h"}).out, help.out) << c.name;
    // Each option of the usage form is explained in the help below it.
    for (const std::string& option : OptionsOf(c.usage))
      EXPECT_NE(c.help.find(option), std::string_view::npos) << c.name << ": " << option;
  }
  EXPECT_GE(names.size(), 11u);
}

TEST(CliCommandTable, TheUsageTextListsEveryRowWithItsSummary) {
  const CliRun help = Cli({"--help"});
  EXPECT_EQ(help.code, kExitDone);
  std::ostringstream printed;
  PrintUsage(printed);
  EXPECT_EQ(help.out, printed.str());
  std::size_t from = 0;
  for (const Command& c : Commands()) {
    // The form, then the summary's lines in one column; rows in the table's order.
    const std::size_t at =
        help.out.find("\n  " + std::string(c.name) + ' ' + std::string(c.usage), from);
    ASSERT_NE(at, std::string::npos) << c.name << " missing from:\n" << help.out;
    std::size_t column = std::string::npos;
    std::size_t pos = at + 1;
    std::istringstream summary{std::string(c.summary)};
    for (std::string part; std::getline(summary, part);) {
      const std::size_t found = help.out.find(part + '\n', pos);
      ASSERT_NE(found, std::string::npos) << c.name << ": " << part;
      const std::size_t lineStart = help.out.rfind('\n', found) + 1;
      if (column == std::string::npos) column = found - lineStart;
      EXPECT_EQ(found - lineStart, column) << c.name << ": " << part;
      pos = found + part.size();
    }
    from = pos;
  }
  // The wrong words are answered with the same text: no command, or an unknown one.
  EXPECT_EQ(Cli({}).err, help.out);
  const CliRun unknown = Cli({"frobnicate"});
  EXPECT_EQ(unknown.code, kExitRefused);
  EXPECT_EQ(unknown.err, "Unknown command frobnicate\n" + help.out);
  EXPECT_EQ(unknown.out, "");
}

TEST(CliCommandTable, AMisusedCommandGivesItsUsageOrTheProgramsAndChangesNothing) {
  const std::string programUsage = Cli({"--help"}).out;
  for (const Command& c : Commands()) {
    const CliRun bare = Cli({std::string(c.name)});
    EXPECT_EQ(bare.code, kExitRefused) << c.name;
    EXPECT_TRUE(bare.err == UsageLine(c) || bare.err == programUsage) << c.name << ": " << bare.err;
    EXPECT_EQ(bare.out, "") << c.name;
  }
}

TEST(CliCommandTable, CompletionHasEveryRowAndTheWordsItsPlaceholdersTake) {
  const CliRun completion = Cli({"--completion"});
  EXPECT_EQ(completion.code, kExitDone);
  std::istringstream in(completion.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  const std::span<const Command> commands = Commands();
  ASSERT_GE(lines.size(), commands.size() + 4);
  for (std::size_t i = 0; i < commands.size(); ++i)
    EXPECT_EQ(lines[i],
              "command " + std::string(commands[i].name) + ' ' + std::string(commands[i].usage));

  std::map<std::string, std::vector<std::string>> rest;
  for (std::size_t i = commands.size(); i < lines.size(); ++i) {
    std::vector<std::string> words = Words(lines[i]);
    ASSERT_GE(words.size(), 2u) << lines[i];
    std::string key = words[0] == "values" ? words[1] : words[0];
    words.erase(words.begin(), words.begin() + (words[0] == "values" ? 2 : 1));
    rest[key] = words;
  }
  // What stands in a command's place works there; what every command takes works after each.
  for (const std::string& option : rest["program"])
    EXPECT_EQ(Cli({option}).code, kExitDone) << option;
  for (const std::string& option : rest["each"])
    for (const Command& c : commands)
      EXPECT_EQ(Cli({std::string(c.name), option}).code, kExitDone) << c.name << ' ' << option;
  // Each placeholder word is one the commands take.
  EXPECT_GE(rest["TYPE"].size(), 19u);
  for (const std::string& type : rest["TYPE"])
    EXPECT_TRUE(ResourceTypeFromName(type)) << type;
  EXPECT_EQ(rest["KIND"].size(), static_cast<std::size_t>(ckNone));
  for (const std::string& kind : rest["KIND"])
    EXPECT_TRUE(ContainerKindFromName(kind)) << kind;
}

TEST(CliExitCodes, AnErrorsKindDecidesWhetherAnythingChanged) {
  // Something did change: the file is not as the run found it, nor surely as it meant to
  // leave it. Every other kind is a refusal that left everything as it was.
  const std::set<ErrorKind> changedSomething = {ErrorKind::kChanged, ErrorKind::kUnverified};
  for (int k = 0; k <= static_cast<int>(ErrorKind::kUnverified); ++k) {
    const ErrorKind kind = static_cast<ErrorKind>(k);
    const Error error = Fail("File x.lod: kind " + std::to_string(k), kind);
    const int expected = changedSomething.contains(kind) ? kExitPartly : kExitRefused;
    EXPECT_EQ(ExitCodeFor(error), expected) << k;
    std::ostringstream err;
    EXPECT_EQ(ReportError(error, err), expected) << k;
    EXPECT_EQ(err.str(), error.message + '\n');
  }
  EXPECT_NE(kExitDone, kExitPartly);
  EXPECT_NE(kExitPartly, kExitRefused);
}

}  // namespace
}  // namespace brindle
