#include <gtest/gtest.h>

#include "player/app/options.h"
#include "player/movie/zoe.h"
#include "player/output/display.h"
#include "player/output/sound_output.h"

namespace {

// " NAME  ", as a row's name stands in the listing. (Built by appending: GCC 12 warns
// wrongly about a concatenation of literals around a temporary.)
std::string NameColumn(std::string_view name) {
  std::string column(" ");
  column.append(name).append("  ");
  return column;
}

using reel::CommandLine;
using reel::ParseCommandLine;

CommandLine Parse(std::vector<std::string> words) {
  words.push_back("movie.ztp");
  return ParseCommandLine(words);
}

TEST(CommandLine, Defaults) {
  const CommandLine c = Parse({});
  ASSERT_FALSE(c.usage);
  const reel::Options& o = c.options;
  EXPECT_EQ(o.x, -1);
  EXPECT_EQ(o.y, -1);
  EXPECT_EQ(o.openFlags, 0x000FE000u);
  EXPECT_EQ(o.playCount, 1);
  EXPECT_FALSE(o.forceRate);
  EXPECT_EQ(o.extra, -1);
  EXPECT_EQ(o.videoType, 0);
  EXPECT_EQ(c.names, std::vector<std::string>{"movie.ztp"});
}

TEST(CommandLine, FlagSwitchesSetTheirOptionsAndOpenFlags) {
  const CommandLine c =
      Parse({"/P", "/G", "/N", "/S", "/B", "/C", "/K", "/Z", "/Q", "/J", "/@", "-s"});
  ASSERT_FALSE(c.usage);
  const reel::Options& o = c.options;
  EXPECT_EQ(o.openFlags, 0x000FE000u | kZoePreload | kZoeFillBuffer | kZoeNeverSkip);
  EXPECT_TRUE(o.summary && o.doubleBuffer && o.noClear && o.differences && o.directSound &&
              o.frameCaption && o.keepPlaying && o.noMmx);
  // Sound only forces the standard display.
  const CommandLine s = Parse({"/o", "/V4"});
  EXPECT_TRUE(s.options.soundOnly);
  EXPECT_EQ(s.options.videoType, 3);
}

TEST(CommandLine, LoopCounts) {
  EXPECT_EQ(Parse({"/L3"}).options.playCount, 3);
  EXPECT_EQ(Parse({"/L"}).options.playCount, 0);          // endless
  EXPECT_EQ(Parse({"/L4", "/L0"}).options.playCount, 4);  // /L0 leaves it
}

TEST(CommandLine, ForcedRates) {
  auto rate = [](const std::string& w) { return Parse({w}).options; };
  EXPECT_EQ(rate("/F15").forcedRate, -100000 / 15);
  EXPECT_TRUE(rate("/F15").forceRate);
  EXPECT_EQ(rate("/F-40").forcedRate, -4000);  // 40 ms per frame
  EXPECT_EQ(ZoePeriod(rate("/F-40").forcedRate), 4000u);
  EXPECT_EQ(rate("/F").forcedRate, 0);
  EXPECT_TRUE(rate("/F").forceRate);
  EXPECT_EQ(rate("/F0").forcedRate, 0);
  EXPECT_EQ(rate("/F-1500").forcedRate, -150000);
  EXPECT_EQ(rate("/F-2000").forcedRate, -2000);  // a raw header rate
  EXPECT_FALSE(rate("/F-1").forceRate);
}

TEST(CommandLine, NumericSwitches) {
  const reel::Options o = Parse({"/T3", "/X10", "/Y-1", "/M5000", "/E65536", "/U7", "/I2", "/R1",
                                 "/W640", "/H400", "/D2", "/#1234"})
                              .options;
  EXPECT_EQ(o.openFlags & kZoeAllTracks, 3u * kZoeTrack0);
  EXPECT_EQ(o.x, 10);
  EXPECT_EQ(o.y, -1);
  EXPECT_EQ(o.readSpeed, 5000u);
  EXPECT_TRUE(o.openFlags & kZoeSimulateSpeed);
  EXPECT_FALSE(Parse({"/M5000", "/M0"}).options.openFlags & kZoeSimulateSpeed);
  EXPECT_EQ(o.extra, 65536);
  EXPECT_EQ(o.disabled, 7);
  EXPECT_EQ(o.windowStyle, 2);
  EXPECT_EQ(o.remap, 1);
  EXPECT_EQ(o.stretchWidth, 640);
  EXPECT_EQ(o.stretchHeight, 400);
  EXPECT_EQ(o.resolution, 2);
  EXPECT_TRUE(o.controller);
  EXPECT_EQ(o.controllerHandle, 1234);
  EXPECT_EQ(Parse({"/T0"}).options.openFlags & kZoeAllTracks, 0u);
}

TEST(CommandLine, LineScalingAndVideoTypes) {
  EXPECT_EQ(Parse({"/A1"}).options.openFlags & kZoeNoScaling, kZoeInterlace);
  EXPECT_EQ(Parse({"/A2"}).options.openFlags & kZoeNoScaling, kZoeDouble);
  EXPECT_EQ(Parse({"/A3"}).options.openFlags & kZoeNoScaling, kZoeNoScaling);
  EXPECT_EQ(Parse({"/A2", "/A7"}).options.openFlags & kZoeNoScaling, 0u);
  EXPECT_EQ(Parse({"/A2", "/A300"}).options.openFlags & kZoeNoScaling, kZoeDouble);

  reel::Options v = Parse({"/V260"}).options;  // 256 + 4
  EXPECT_EQ(v.videoType, 4);
  EXPECT_TRUE(v.smoothing);
  v = Parse({"/V3", "/V128"}).options;  // type 0: modifiers only
  EXPECT_EQ(v.videoType, 3);
  EXPECT_TRUE(v.interlaced);
  v = Parse({"/V388"}).options;
  EXPECT_TRUE(v.noAcceleration);
  EXPECT_FALSE(v.smoothing || v.interlaced);
}

// Every /V number a display row has (with /B where it tells two rows apart) picks that row's
// kind through the command line; one no row has leaves the choice automatic.
TEST(CommandLine, EveryVideoNumberPicksItsRow) {
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    if (row.videoCode == 0) continue;
    SCOPED_TRACE(row.name);
    std::vector<std::string> words = {"/V" + std::to_string(row.videoCode)};
    if (row.buffer == reel::BufferSwitch::kWith) words.push_back("/B");
    const reel::Options o = Parse(words).options;
    EXPECT_EQ(o.videoType, row.videoCode);
    EXPECT_EQ(reel::DisplayKindForVideo(o.videoType, o.doubleBuffer), row.kind);
  }
  for (const std::string unknown : {"/V0", "/V5", "/V127"}) {
    const reel::Options o = Parse({unknown}).options;
    EXPECT_EQ(o.videoType, 0) << unknown;
    EXPECT_EQ(reel::DisplayKindForVideo(o.videoType, o.doubleBuffer), reel::kAutomatic);
  }
}

// What --help adds after the usage: a line per display row and per sound output, in table
// order, each with the /V number or switch that picks it.
TEST(CommandLine, OutputTablesListEveryRowInOrder) {
  const std::string t = reel::OutputTablesText();
  size_t at = 0;
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    SCOPED_TRACE(row.name);
    const size_t line = t.find(NameColumn(row.name), at);
    ASSERT_NE(line, std::string::npos) << t;
    const size_t start = t.rfind('\n', line) + 1;
    const std::string text = t.substr(start, t.find('\n', line) - start);
    EXPECT_NE(text.find(row.description), std::string::npos) << text;
    const std::string code = row.videoCode > 0 ? "/V" + std::to_string(row.videoCode) : "";
    EXPECT_EQ(text.rfind("    " + code, 0), 0u) << text;
    EXPECT_EQ(text.find(" /B ") != std::string::npos, row.buffer == reel::BufferSwitch::kWith)
        << text;
    EXPECT_EQ(text.find(" * ") != std::string::npos, row.automatic) << text;
    at = line + 1;
  }
  for (const reel::SoundOutputEntry& row : reel::SoundOutputs()) {
    SCOPED_TRACE(row.name);
    const size_t line = t.find(NameColumn(row.name), at);
    ASSERT_NE(line, std::string::npos) << t;
    const size_t start = t.rfind('\n', line) + 1;
    const std::string text = t.substr(start, t.find('\n', line) - start);
    EXPECT_NE(text.find(row.description), std::string::npos) << text;
    EXPECT_EQ(text.rfind("    " + std::string(row.switchName), 0), 0u) << text;
    EXPECT_EQ(text.find(" * ") != std::string::npos, row.automatic) << text;
    at = line + 1;
  }
  EXPECT_EQ(std::count(t.begin(), t.end(), '\n') + 1,
            2 + reel::DisplayKinds().size() + reel::SoundOutputs().size());
}

TEST(CommandLine, UsageCases) {
  EXPECT_TRUE(ParseCommandLine({}).usage);
  EXPECT_TRUE(ParseCommandLine({"/S"}).usage);  // nothing left to play
  EXPECT_TRUE(Parse({"/S1"}).badSwitch);        // a flag with a number
  EXPECT_TRUE(Parse({"/X"}).badSwitch);         // a number switch without one
  EXPECT_TRUE(Parse({"-SX"}).badSwitch);        // "-" words must be switches
  EXPECT_TRUE(Parse({"-"}).badSwitch);
  EXPECT_TRUE(Parse({"/"}).badSwitch);
  EXPECT_TRUE(Parse({"/L99999999999999999"}).badSwitch);
  EXPECT_FALSE(Parse({"/SX"}).usage);  // shaped like no switch: a path
}

TEST(CommandLine, Names) {
  CommandLine c = ParseCommandLine(
      {"/tmp/movies/intro", "c:\\dir.v\\movie", "\"quoted name\"", "x.ztp,", ",", "y.ZTP", "/S"});
  EXPECT_EQ(c.names, (std::vector<std::string>{"/tmp/movies/intro.Ztp", "c:\\dir.v\\movie.Ztp",
                                               "quoted name.Ztp", "x.ztp", "y.ZTP"}));
  EXPECT_EQ(reel::MovieFileName("  spaced.ztp "), "spaced.ztp");
  EXPECT_EQ(reel::MovieFileName("a.b/movie"), "a.b/movie.Ztp");
  c = ParseCommandLine({":123456"});
  EXPECT_EQ(c.names, std::vector<std::string>{":123456.Ztp"});
}

TEST(CommandLine, SelfPlayTextSplitsLikeACommandLine) {
  EXPECT_EQ(reel::SplitCommandText("  /L2 \"my movie.ztp\" other /S "),
            (std::vector<std::string>{"/L2", "my movie.ztp", "other", "/S"}));
  EXPECT_EQ(reel::SplitCommandText("\"unclosed name"), std::vector<std::string>{"unclosed name"});
  EXPECT_TRUE(reel::SplitCommandText("   ").empty());
}

TEST(CommandLine, UsageText) {
  const std::string t = reel::UsageText();
  EXPECT_EQ(t.rfind("  SYNTAX: ReelRun <Zoe1 Zoe2...> [/Switches]\r\n  Switches:\r\n", 0), 0u);
  EXPECT_NE(t.find("\r\n    /P  \t- Preload the entire Zoetrope animation.\r\n"),
            std::string::npos);
  EXPECT_NE(t.find("\r\n    /I# \t- Window style: 1=thin border"), std::string::npos);
  EXPECT_NE(t.find("4=DIBSection.\r\n        \t    Add 128 for interlaced, 256 for smoothing, or "
                   "384 for no DirectDraw."),
            std::string::npos);
  EXPECT_EQ(t.find("/#"), std::string::npos);
  EXPECT_NE(t.substr(t.size() - 2), "\r\n");
  // One line per listed switch plus the heading lines and the continuation.
  EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 2 + 27);
}

}  // namespace
