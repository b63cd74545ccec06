// reelrun's command line: switches and movie names, parsed into the one option record.
//
// Words arrive one per argument. A switch is "/" or "-", a letter and, for the numeric ones,
// a decimal number (optionally negative) directly behind it. A word that begins with "/" but
// is not shaped like a switch is a path (so absolute paths work); one that begins with "-" and
// is not a valid switch, or a switch-shaped word with a bad number, brings up the usage box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace reel {

struct Options {
  int x = -1;  // window position; -1 centres on that axis
  int y = -1;
  uint32_t openFlags = 0x000FE000;  // all seven sound tracks
  int videoType = 0;                // 0 automatic, 1-4 as /V
  bool interlaced = false;          // /V + 128
  bool smoothing = false;           // /V + 256
  bool noAcceleration = false;      // /V + 384
  bool doubleBuffer = false;        // /B
  int windowStyle = 0;              // /I
  int64_t playCount = 1;            // 0: endless
  bool forceRate = false;
  int32_t forcedRate = 0;  // header rate used with forceRate
  uint32_t readSpeed = 0;  // /M
  int32_t extra = -1;      // /E
  int disabled = 0;        // /U: 1 pause, 2 skip, 4 quit
  bool summary = false;
  bool soundOnly = false;
  bool differences = false;
  bool frameCaption = false;
  bool noMmx = false;
  bool directSound = false;
  bool keepPlaying = false;  // /J
  bool noClear = false;      // /C
  int remap = 0;
  int stretchWidth = 0;
  int stretchHeight = 0;
  int resolution = 0;
  bool controller = false;  // /# given
  int64_t controllerHandle = 0;
};

struct CommandLine {
  bool usage = false;      // show the usage box and play nothing
  bool badSwitch = false;  // a malformed or unknown switch (one reason for the usage box)
  Options options;
  std::vector<std::string> names;
};

// Parses the words (self-play words first, when there are any).
CommandLine ParseCommandLine(const std::vector<std::string>& words);

// Splits text the way a single command-line string is read: double quotes group, spaces
// separate. For the self-play block.
std::vector<std::string> SplitCommandText(const std::string& text);

// A movie name as it is opened: trimmed, unquoted, ".Ztp" appended when it has no extension.
std::string MovieFileName(std::string name);

// The usage box (lines end with "\r\n" except the last) and its caption.
std::string UsageText();
std::string UsageCaption();
// The display kinds and the sound outputs, as --help lists them after the usage: one line per
// row of their tables (lines end with "\n").
std::string OutputTablesText();
// The banner's notice line and the information box at the end of a run.
std::string NoticeLine();
std::string InformationText();

}  // namespace reel
