// reelrun itself, run headless: the offscreen video driver, sound written to a file by the
// disk driver.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"
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

namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class Reelrun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("reelrun_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p.string();
  }
  std::vector<uint8_t> Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // Runs reelrun with a time limit so that a hang fails the test instead of stalling it.
  // `video` sets the video driver (or unsets it and the display), `timeout` may carry a
  // signal ("-s TERM --preserve-status 2").
  Outcome Run(const std::string& args, const std::string& audio = "disk",
              const std::string& video = "SDL_VIDEODRIVER=offscreen",
              const std::string& timeout = "60") {
    const std::string out = (dir_ / "stdout").string(), err = (dir_ / "stderr").string();
    const std::string command = "cd '" + dir_.string() + "' && env " + video +
                                " SDL_AUDIODRIVER=" + audio +
                                " SDL_DISKAUDIOFILE=sound.raw timeout " + timeout +
                                " '" REELRUN_PATH "' " + args + " >'" + out + "' 2>'" + err + "'";
    Outcome o;
    const int status = std::system(command.c_str());
    o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    auto text = [](const std::string& p) {
      std::ifstream in(p);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    o.out = text(out);
    o.err = text(err);
    return o;
  }

  fs::path dir_;
};

// The movie's sound as the movie layer decodes it, track 0, frame after frame.
std::vector<uint8_t> MovieSound(const std::string& path) {
  ZoeContext ctx;
  ZoeMovie* m = ZoeOpen({path}, kZoePreload, -1, ctx);
  EXPECT_NE(m, nullptr);
  std::vector<uint8_t> pcm;
  if (m == nullptr) return pcm;
  zoe::SoundTrees workspace;
  for (uint32_t f = 0; f < m->header.frames; ++f) {
    const std::vector<uint8_t> part = ZoeFrameSound(*m, 0, workspace);
    pcm.insert(pcm.end(), part.begin(), part.end());
    if (f + 1 < m->header.frames) ZoeAdvance(m);
  }
  ZoeClose(m);
  return pcm;
}

TEST_F(Reelrun, PlaysToTheEndWithItsSoundInOrder) {
  const std::string movie = Write("intro.ztp", zoe::MakeSampleMovie(64, 48, 12, false).movie);
  // The queued output, then the callback output of /Z.
  for (const std::string output : {"", " /Z"}) {
    SCOPED_TRACE(output);
    fs::remove(dir_ / "sound.raw");
    const Outcome o = Run("intro /S /V4" + output);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_NE(o.out.find("Total frames played: 12\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.out.rfind(" Frame rate: 10.0\n", 0), 0u) << o.out;  // the first space dropped
    // The offscreen screen is true colour: drawn at its depth, without a 16-bit blitter.
    EXPECT_NE(o.out.find("Display blitter: DIBSection\n"), std::string::npos) << o.out;
    // The summary goes to stdout only: a terminal shows it once.
    EXPECT_EQ(o.err.find("Total frames played"), std::string::npos) << o.err;

    // What the device played: the movie's samples in order, with silence only where the device
    // had nothing (before the start, between writes, after the end).
    const std::vector<uint8_t> expected = MovieSound(movie);
    const std::vector<uint8_t> played = Read("sound.raw");
    ASSERT_FALSE(expected.empty());
    size_t j = 0;
    for (size_t i = 0; i < played.size() && j < expected.size(); ++i) {
      if (played[i] == expected[j]) {
        ++j;
      } else {
        ASSERT_EQ(played[i], 0x80) << "byte " << i << " of the device's output, sample " << j;
      }
    }
    EXPECT_EQ(j, expected.size());
  }
}

TEST_F(Reelrun, PlaysSilentlyWithoutSoundAndOnStandardDibs) {
  Write("a.ztp", zoe::MakeSampleMovie(32, 16, 5, false).movie);
  const Outcome o = Run("a.ztp /S /V3 /F", "dummy");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_NE(o.out.find("Total frames played: 5\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("As fast as possible."), std::string::npos);
  EXPECT_NE(o.out.find("Display blitter: Standard Windows DIBs"), std::string::npos);
}

TEST_F(Reelrun, UsageAndErrors) {
  Outcome o = Run("");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.err.find("SYNTAX: ReelRun <Zoe1 Zoe2...> [/Switches]"), std::string::npos);
  o = Run("missing /S");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.err.find("Error opening file: missing.Ztp."), std::string::npos);
  EXPECT_TRUE(o.out.empty());
  Write("big.ztp", zoe::MakeSampleMovie(400, 240, 2, false).movie);
  o = Run("big.ztp /V1");  // too large for the 320 x 240 screen (and no full screen here)
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.err.find("Error opening graphics buffer."), std::string::npos);
  o = Run("--help");
  EXPECT_EQ(o.exitCode, 0);
  EXPECT_NE(o.out.find("/V##\t- Video type"), std::string::npos);
}

// --help prints the usage, then each display row with the /V number that picks it and each
// sound output with its switch, in table order; the usage box itself is unchanged.
TEST_F(Reelrun, HelpListsEveryDisplayAndSoundRow) {
  const Outcome o = Run("--help");
  ASSERT_EQ(o.exitCode, 0) << o.err;
  EXPECT_EQ(o.out.rfind("ReelRunner  V 3.2f - movie player for Linux\n\n SYNTAX: ReelRun", 0), 0u);
  auto lineWith = [&](const char* name, size_t from) {
    const size_t at = o.out.find(NameColumn(name), from);
    if (at == std::string::npos) return std::make_pair(at, std::string());
    const size_t start = o.out.rfind('\n', at) + 1;
    return std::make_pair(at, o.out.substr(start, o.out.find('\n', at) - start));
  };
  size_t from = o.out.find("  Displays (");
  ASSERT_NE(from, std::string::npos) << o.out;
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    SCOPED_TRACE(row.name);
    const auto [at, line] = lineWith(row.name, from);
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_NE(line.find(row.description), std::string::npos) << line;
    if (row.videoCode > 0) {
      EXPECT_EQ(line.rfind("    /V" + std::to_string(row.videoCode) + " ", 0), 0u) << line;
    }
    from = at + 1;
  }
  from = o.out.find("  Sound outputs (", from);
  ASSERT_NE(from, std::string::npos) << o.out;
  for (const reel::SoundOutputEntry& row : reel::SoundOutputs()) {
    SCOPED_TRACE(row.name);
    const auto [at, line] = lineWith(row.name, from);
    ASSERT_NE(at, std::string::npos) << o.out;
    EXPECT_NE(line.find(row.description), std::string::npos) << line;
    EXPECT_EQ(line.rfind("    " + std::string(row.switchName), 0), 0u) << line;
    from = at + 1;
  }
  // The usage box of a bad command line lists the switches only.
  const Outcome usage = Run("-nonsense");
  EXPECT_EQ(usage.exitCode, 1);
  EXPECT_NE(usage.err.find("SYNTAX: ReelRun"), std::string::npos) << usage.err;
  EXPECT_EQ(usage.err.find("Sound outputs"), std::string::npos) << usage.err;
}

TEST_F(Reelrun, DamagedMoviesEndWithAMessageOrPlayAsFarAsTheyGo) {
  const std::vector<uint8_t> good = zoe::MakeSampleMovie(32, 16, 8, false).movie;
  std::mt19937 rng(13);
  for (int round = 0; round < 6; ++round) {
    std::vector<uint8_t> bad = good;
    if (round % 2 == 0) {
      bad.resize(bad.size() * (round + 1) / 8);
    } else {
      for (int k = 0; k < 40; ++k)
        bad[rng() % bad.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
    }
    Write("bad.ztp", bad);
    const Outcome o = Run("bad.ztp /S /F", "dummy");
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(o.exitCode == 0 || o.exitCode == 1) << o.exitCode << o.err;
    if (o.exitCode == 1) {
      EXPECT_TRUE(o.err.find("Error opening file: bad.ztp.") != std::string::npos ||
                  o.err.find("movie ends early at frame") != std::string::npos)
          << o.err;
    }
  }
}

// Headers that claim pictures no buffer could hold are refused when the movie opens, with
// the open error, before anything is sized by them.
TEST_F(Reelrun, AbsurdPictureSizesAreRefusedAtOpen) {
  const std::vector<uint8_t> good = zoe::MakeSampleMovie(32, 16, 4, false).movie;
  const std::vector<std::pair<uint32_t, uint32_t>> sizes = {{32 + (0x7Fu << 24), 16},
                                                            {1u << 30, 16},
                                                            {134217824, 16},
                                                            {100000, 100000},
                                                            {32, 2147483632}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    std::vector<uint8_t> bad = good;
    ZoeHeader h = ZoeHeader::Parse(bad.data());
    h.width = width;
    h.height = height;
    h.Write(bad.data());
    Write("huge.ztp", bad);
    const Outcome o = Run("huge.ztp /S", "dummy");
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_NE(o.err.find("Error opening file: huge.ztp."), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("bad_alloc"), std::string::npos) << o.err;
  }
}

// A movie whose data runs out ends there, says so and fails the run; looping does not try
// it again (it used to spin on the frame it could not read).
TEST_F(Reelrun, TruncatedMoviesEndEarlyAndFailTheRun) {
  std::vector<uint8_t> movie = zoe::MakeSampleMovie(32, 16, 60, false).movie;
  movie.resize(movie.size() / 2);
  Write("cut.ztp", movie);
  for (const std::string loop : {"", " /L"}) {
    SCOPED_TRACE(loop);
    const Outcome o = Run("cut.ztp /S /F" + loop, "dummy");
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_NE(o.err.find("cut.ztp: movie ends early at frame "), std::string::npos) << o.err;
    EXPECT_NE(o.out.find("Movie ends early at frame "), std::string::npos) << o.out;
  }
}

// Without a screen the movie would play where no one sees it: unless a driver was asked
// for by name, that is an error.
TEST_F(Reelrun, NoDisplayIsAnErrorUnlessAHeadlessDriverWasAskedFor) {
  Write("a.ztp", zoe::MakeSampleMovie(32, 16, 3, false).movie);
  const Outcome o = Run("a.ztp /L", "dummy", "-u SDL_VIDEODRIVER -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_NE(o.err.find("reelrun: no display to show the movie on"), std::string::npos) << o.err;
  EXPECT_EQ(Run("a.ztp /S", "dummy").exitCode, 0);
}

// SIGTERM (and SIGINT) end an endless run as a stop: outputs closed, the summary shown,
// exit code 1.
TEST_F(Reelrun, TermSignalEndsTheRunWithItsSummary) {
  Write("a.ztp", zoe::MakeSampleMovie(32, 16, 10, false).movie);
  for (const std::string signal : {"TERM", "INT"}) {
    SCOPED_TRACE(signal);
    const Outcome o = Run("a.ztp /L /S", "disk", "SDL_VIDEODRIVER=offscreen",
                          "-s " + signal + " --preserve-status 2");
    EXPECT_EQ(o.exitCode, 1) << o.err;
    EXPECT_NE(o.out.find("Total frames played: "), std::string::npos) << o.out;
  }
}

// A copy of the player with text in its self-play block and a movie appended plays that
// movie by itself: the block's switches and names come before the real command line.
TEST_F(Reelrun, SelfPlayBlockAndAppendedMovie) {
  std::ifstream in(REELRUN_PATH, std::ios::binary);
  std::vector<uint8_t> program{std::istreambuf_iterator<char>(in), {}};
  const std::string begin = "SELFPLAY", end = "YALPFLES";
  size_t at = std::string::npos;
  for (size_t i = 0; i + 224 <= program.size(); ++i) {
    if (std::equal(begin.begin(), begin.end(), program.begin() + i) &&
        std::equal(end.begin(), end.end(), program.begin() + i + 216)) {
      at = i + 8;
      break;
    }
  }
  ASSERT_NE(at, std::string::npos) << "no self-play block in the program";
  std::string text = std::to_string(program.size());
  text.insert(text.begin(), ':');
  text += " /S /F";
  std::copy(text.begin(), text.end(), program.begin() + at);
  const std::vector<uint8_t> movie = zoe::MakeSampleMovie(32, 16, 6, false).movie;
  program.insert(program.end(), movie.begin(), movie.end());
  const std::string copy = Write("selfplay", program);
  fs::permissions(copy, fs::perms::owner_all);
  const std::string command =
      "cd '" + dir_.string() +
      "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 60 ./selfplay "
      "/T0 >out.txt 2>err.txt";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream outFile(dir_ / "out.txt");
  const std::string out{std::istreambuf_iterator<char>(outFile), {}};
  EXPECT_NE(out.find("Total frames played: 6\n"), std::string::npos) << out;
  EXPECT_NE(out.find("As fast as possible."), std::string::npos);
}

}  // namespace
