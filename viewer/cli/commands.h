#pragma once
// brindle-cli: the container core for scripts and batch work. Output goes to the given
// streams so tests can run commands without a process of their own.
//
// Each command is one row of one table: the program's usage text, each command's --help,
// the unknown-command message and the shell completion's words are all made from the rows.

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

struct Command {
  std::string_view name;
  std::string_view usage;    // its arguments, as "brindle-cli NAME USAGE" shows them
  std::string_view summary;  // its column of the usage text; '\n' where the lines break
  std::string_view help;     // what NAME --help prints below the usage line
  // Runs it with the words after its name; returns the exit code (see exit_codes.h).
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

std::span<const Command> Commands();

// Runs one command line (without the program name). Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The program's usage text, every command in it.
void PrintUsage(std::ostream& out);

// A command line that cannot be run: the usage text on err; returns its exit code.
int ProgramUsageError(std::ostream& err);

// "usage: brindle-cli NAME USAGE" for the command of that name, on err; returns the exit code
// of a refused command line.
int CommandUsageError(std::string_view name, std::ostream& err);

// What the shell completion asks for (the hidden option --completion): one line per command,
// "command NAME USAGE", then "program" with the options that stand in a command's place,
// "each" with the options every command takes, and "values PLACEHOLDER WORD..." for the
// placeholders whose words are a fixed set.
void PrintCompletion(std::ostream& out);

}  // namespace brindle
