// The playback loop driven with a fake clock, in-memory movies, a recording display and
// scripted keys and focus.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "player/app/player.h"
#include "player/movie/zoe_encode.h"
#include "player/movie/zoe_fixtures.h"

namespace {

using reel::CommandLine;
using reel::ParseCommandLine;

// What the displays were asked to show, kept by the host (displays go with their movie).
struct ShownState {
  uint64_t shows = 0;
  std::vector<int> kinds;
  std::vector<uint8_t> lastPicture;  // top line first
  int width = 0;
  int height = 0;
  reel::Palette palette{};
};

class RecordingDisplay : public reel::Display {
 public:
  RecordingDisplay(const reel::DisplayRequest& r, ShownState& shown)
      : Display(r.kind, r, false), shown_(shown) {
    SetPicture(reel::PictureBuffer(r.width, r.height, r.height, false));
    shown_.kinds.push_back(r.kind);
  }
  void Show(const std::vector<reel::Rect>&) override {
    ++shown_.shows;
    shown_.width = Picture().Width();
    shown_.height = Picture().Height();
    shown_.lastPicture.clear();
    for (int y = 0; y < shown_.height; ++y)
      shown_.lastPicture.insert(shown_.lastPicture.end(), Picture().Line(y),
                                Picture().Line(y) + shown_.width);
    shown_.palette = LogicalPalette();
  }
  std::string Name() const override { return "Recording"; }

 private:
  ShownState& shown_;
};

// The host: a fake clock that moves on by a millisecond on each idle pass, keys handed out
// by a script that sees how many frames were shown, and a pass limit so that no test hangs.
class FakeHost : public reel::PlayerHost {
 public:
  zoe_test::TestContext test;
  std::function<void(reel::KeyQueue&, uint64_t shown)> script;
  std::function<bool(uint64_t pass)> focus = [](uint64_t) { return true; };
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<std::string> captions;
  ShownState shown;
  std::vector<uint64_t> shownAtPass;  // frames shown when each pass began
  uint64_t passes = 0;
  uint64_t limit = 200000;
  bool displayFails = false;
  reel::ScreenModel screen;

  ZoeContext& Context() override { return test.ctx; }
  std::unique_ptr<reel::Display> OpenDisplay(const reel::DisplayRequest& r,
                                             const reel::Options&) override {
    if (displayFails) return nullptr;
    reel::DisplayRequest onScreen = r;
    onScreen.screen = screen;
    return std::make_unique<RecordingDisplay>(onScreen, shown);
  }
  void Pump(reel::KeyQueue& keys) override {
    ++passes;
    if (passes > limit) keys.Push(reel::kKeyClose);
    if (script) script(keys, Shown());
  }
  bool Focused(reel::Display&) override { return focus(passes); }
  void SetCaption(const std::string& c) override { captions.push_back(c); }
  void Message(const std::string& caption, const std::string& text, bool) override {
    messages.push_back({caption, text});
  }
  std::vector<uint8_t> program;  // the player's own file, for ":offset" names
  std::unique_ptr<ZoeFile> OpenProgramFile() override {
    if (program.empty()) return nullptr;
    return std::make_unique<ZoeMemoryFile>(program.data(), program.size());
  }
  void Idle() override { test.clock.now += 1; }

  uint64_t Shown() const { return shown.shows; }
};

std::vector<uint8_t> Movie(uint32_t frames) {
  zoe::EncodeResult r = zoe::MakeSampleMovie(16, 8, frames, false);
  EXPECT_TRUE(r.ok);
  return r.movie;
}

reel::RunResult Play(FakeHost& host, const std::vector<std::string>& words) {
  return reel::RunPlayer(ParseCommandLine(words), host);
}

TEST(PlayerLoop, ListOfTwoNamesWithL2PlaysABAB) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(3);
  host.test.files["b.ztp"] = Movie(2);
  const reel::RunResult r = Play(host, {"a.ztp,", "b.ztp", "/L2"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.opened, (std::vector<std::string>{"a.ztp", "b.ztp", "a.ztp", "b.ztp"}));
  EXPECT_EQ(r.framesShown, 10u);
  // Without /S the run ends with the information box.
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].first, "ReelRunner - V3.2f");
}

TEST(PlayerLoop, OneNameWithL2WrapsWithoutReopening) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(4);
  const reel::RunResult r = Play(host, {"a", "/L2", "/S"});
  EXPECT_TRUE(r.opened.empty());
  EXPECT_EQ(r.exitCode, 1);  // "a" became "a.Ztp", which is not there
  host.test.files["a.Ztp"] = Movie(4);
  const reel::RunResult again = Play(host, {"a", "/L2", "/S"});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.opened, std::vector<std::string>{"a.Ztp"});
  EXPECT_EQ(again.stats.framesPlayed, 8u);
  EXPECT_NE(again.summary.find("Total frames played: 8"), std::string::npos);
}

// The frame that cannot be read ends the movie and fails the run; an endless loop does not
// go back for another try.
TEST(PlayerLoop, AReadErrorEndsTheMovieAndTheRun) {
  for (const std::string loop : {"/L1", "/L"}) {
    SCOPED_TRACE(loop);
    FakeHost host;
    std::vector<uint8_t> movie = Movie(20);
    movie.resize(movie.size() * 2 / 3);
    host.test.files["cut.ztp"] = movie;
    const reel::RunResult r = Play(host, {"cut.ztp", "/S", loop});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_GT(r.endedEarlyAt, 1u);
    EXPECT_LT(r.endedEarlyAt, 20u);
    EXPECT_EQ(r.framesShown, r.endedEarlyAt - 1);
    EXPECT_LT(host.passes, host.limit);
    EXPECT_NE(r.summary.find("Movie ends early at frame " + std::to_string(r.endedEarlyAt)),
              std::string::npos)
        << r.summary;
  }
}

TEST(PlayerLoop, RingMoviesWrapThroughTheirRingFrame) {
  FakeHost host;
  host.test.files["r.ztp"] = zoe::MakeSampleMovie(16, 8, 5, true).movie;
  const reel::RunResult r = Play(host, {"r.ztp", "/L3", "/Q"});
  EXPECT_EQ(r.framesShown, 15u);
  EXPECT_EQ(r.opened.size(), 1u);
  // The ring frame counts as the first frame of each later pass.
  ASSERT_EQ(host.captions.size(), 15u);
  EXPECT_EQ(host.captions[5], "ReelRunner - Frame: 1");
  EXPECT_EQ(host.captions[14], "ReelRunner - Frame: 5");
}

TEST(PlayerLoop, EndlessLoopRunsUntilEsc) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(2);
  host.script = [](reel::KeyQueue& keys, uint64_t shown) {
    if (shown == 25) keys.Push(reel::kKeyEsc);
  };
  const reel::RunResult r = Play(host, {"a.ztp", "/L"});
  EXPECT_EQ(r.framesShown, 25u);
  EXPECT_EQ(r.opened.size(), 1u);
}

TEST(PlayerLoop, DisabledControlsIgnoreEscCloseSpaceAndSkip) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(5);
  host.test.files["b.ztp"] = Movie(2);
  host.script = [](reel::KeyQueue& keys, uint64_t) {
    keys.Push(reel::kKeyEsc);
    keys.Push(reel::kKeyClose);
    keys.Push(reel::kKeySpace);
    keys.Push(reel::kKeySkip);
  };
  const reel::RunResult r = Play(host, {"a.ztp", "b.ztp", "/U7"});
  EXPECT_EQ(r.framesShown, 7u);
  EXPECT_EQ(r.opened.size(), 2u);
}

TEST(PlayerLoop, EscEndsTheRunAndSkipGoesToTheNextName) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(5);
  host.test.files["b.ztp"] = Movie(3);
  host.script = [](reel::KeyQueue& keys, uint64_t shown) {
    if (shown == 2) keys.Push(reel::kKeySkip);
  };
  reel::RunResult r = Play(host, {"a.ztp", "b.ztp"});
  EXPECT_EQ(r.opened, (std::vector<std::string>{"a.ztp", "b.ztp"}));
  EXPECT_EQ(r.framesShown, 5u);

  FakeHost quit;
  quit.test.files = host.test.files;
  quit.script = [](reel::KeyQueue& keys, uint64_t shown) {
    if (shown == 1) keys.Push(reel::kKeyClose);
  };
  r = Play(quit, {"a.ztp", "b.ztp"});
  EXPECT_EQ(r.opened, std::vector<std::string>{"a.ztp"});
  EXPECT_EQ(r.framesShown, 1u);
}

TEST(PlayerLoop, SpacePausesAndEnterStepsExactlyOneFrame) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(10);
  uint64_t pausedPasses = 0;
  int stage = 0;
  host.script = [&](reel::KeyQueue& keys, uint64_t shown) {
    if (stage == 0 && shown == 3) {
      keys.Push(reel::kKeySpace);
      stage = 1;
    } else if (stage == 1) {
      // Held: no frame is shown however long we wait.
      EXPECT_EQ(shown, 3u);
      if (++pausedPasses == 2000) {
        keys.Push(reel::kKeyEnter);
        stage = 2;
      }
    } else if (stage == 2 && shown == 4) {
      stage = 3;
      pausedPasses = 0;
    } else if (stage == 3) {
      EXPECT_EQ(shown, 4u);
      if (++pausedPasses == 2000) {
        keys.Push(reel::kKeySpace);
        stage = 4;
      }
    }
  };
  const reel::RunResult r = Play(host, {"a.ztp"});
  EXPECT_EQ(stage, 4);
  EXPECT_EQ(r.framesShown, 10u);
}

TEST(PlayerLoop, LosingTheFocusHoldsPlaybackUnlessJ) {
  for (bool keep : {false, true}) {
    FakeHost host;
    host.test.files["a.ztp"] = Movie(4);
    uint64_t shownWhenLost = 0;
    bool lost = false;
    uint64_t lostPasses = 0;
    host.focus = [&](uint64_t) { return !lost; };
    host.script = [&](reel::KeyQueue&, uint64_t shown) {
      if (shown == 2 && !lost && lostPasses == 0) {
        lost = true;
        shownWhenLost = shown;
      }
      if (lost && ++lostPasses == 3000) lost = false;
      if (lost && !keep) {
        EXPECT_EQ(shown, shownWhenLost);
      }
    };
    std::vector<std::string> words{"a.ztp"};
    if (keep) words.push_back("/J");
    const reel::RunResult r = Play(host, words);
    EXPECT_EQ(r.framesShown, 4u);
    // With /J the movie ran on while the window was away and finished first.
    if (keep) {
      EXPECT_TRUE(lost);
    } else {
      EXPECT_FALSE(lost);
    }
  }
}

TEST(PlayerLoop, FramesWaitForTheirTimeByTheFrameClock) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(6);  // 10 frames per second
  const uint32_t start = host.test.clock.now;
  const reel::RunResult r = Play(host, {"a.ztp", "/S"});
  EXPECT_EQ(r.framesShown, 6u);
  EXPECT_GE(host.test.clock.now - start, 500u);
  EXPECT_LE(host.test.clock.now - start, 700u);
  // /F alone: as fast as possible, no waiting at all.
  FakeHost fast;
  fast.test.files["a.ztp"] = Movie(6);
  const reel::RunResult f = Play(fast, {"a.ztp", "/F", "/S"});
  EXPECT_EQ(fast.passes, 6u);
  EXPECT_NE(f.summary.find("  Frame rate: As fast as possible."), std::string::npos);
}

TEST(PlayerLoop, MessagesAndExitCodes) {
  FakeHost host;
  reel::RunResult r = Play(host, {"missing.ztp", "other.ztp"});
  EXPECT_EQ(r.exitCode, 1);
  // The error ends the run (the other name is not tried), which then ends as usual.
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0].second, "Error opening file: missing.ztp.");
  EXPECT_EQ(host.messages[1].first, "ReelRunner - V3.2f");

  FakeHost noDisplay;
  noDisplay.displayFails = true;
  noDisplay.test.files["a.ztp"] = Movie(2);
  r = Play(noDisplay, {"a.ztp", "/S"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(noDisplay.messages.size(), 1u);  // no frame played: no summary
  EXPECT_EQ(noDisplay.messages[0].second, "Error opening graphics buffer.");

  FakeHost usage;
  r = Play(usage, {"/Q5", "a.ztp"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(usage.messages.size(), 1u);
  EXPECT_EQ(usage.messages[0].first.rfind("ReelRunner  V 3.2f - ", 0), 0u);
}

// The loop asks for the kind of the row the /V number (and /B) picks; without /V, for none.
TEST(PlayerLoop, EachVideoNumberAsksForItsRowsKind) {
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    if (row.videoCode == 0) continue;
    SCOPED_TRACE(row.name);
    FakeHost host;
    host.test.files["a.ztp"] = Movie(2);
    std::vector<std::string> words = {"a.ztp", "/V" + std::to_string(row.videoCode), "/#1"};
    if (row.buffer == reel::BufferSwitch::kWith) words.push_back("/B");
    EXPECT_EQ(Play(host, words).exitCode, 0);
    EXPECT_EQ(host.shown.kinds, std::vector<int>{row.kind});
  }
  FakeHost automatic;
  automatic.test.files["a.ztp"] = Movie(2);
  Play(automatic, {"a.ztp", "/#1"});
  EXPECT_EQ(automatic.shown.kinds, std::vector<int>{reel::kAutomatic});
}

TEST(PlayerLoop, CaptionSoundOnlyAndDifferences) {
  FakeHost host;
  host.test.files["a.ztp"] = Movie(3);
  Play(host, {"a.ztp", "/Q", "/#77"});
  EXPECT_EQ(host.captions,
            (std::vector<std::string>{"ReelRunner - Frame: 1", "ReelRunner - Frame: 2",
                                      "ReelRunner - Frame: 3"}));
  // A controlling window suppresses the information box.
  EXPECT_TRUE(host.messages.empty());

  FakeHost sound;
  sound.test.files["a.ztp"] = Movie(4);
  Play(sound, {"a.ztp", "/O"});
  EXPECT_EQ(sound.shown.kinds, std::vector<int>{reel::kDib});
  EXPECT_EQ(sound.shown.width, 160);
  EXPECT_EQ(sound.shown.height, 1);
  // Last frame (3 of 4): 3 * 160 / 4 + 1 = 121 pixels lit.
  const std::vector<uint8_t>& bar = sound.shown.lastPicture;
  EXPECT_EQ(std::count(bar.begin(), bar.end(), 9), 121);
  EXPECT_EQ(std::count(bar.begin(), bar.end(), 0), 160 - 121);

  FakeHost diff;
  diff.test.files["a.ztp"] = Movie(3);
  Play(diff, {"a.ztp", "/K"});
  EXPECT_EQ(diff.shown.shows, 6u);
}

TEST(PlayerLoop, DecodedPicturesReachTheDisplay) {
  FakeHost host;
  zoe::EncodeOptions o;
  o.width = 8;
  o.height = 8;
  o.rate = 50;
  std::vector<zoe::EncodeFrame> frames(2);
  for (int f = 0; f < 2; ++f) {
    frames[f].pixels.assign(64, static_cast<uint8_t>(f == 0 ? 5 : 7));
    frames[f].palette[3 * 5] = zoe::kComponent[63];
    frames[f].palette[3 * 7 + 1] = zoe::kComponent[40];
  }
  host.test.files["p.ztp"] = zoe::EncodeMovie(o, frames).movie;
  Play(host, {"p.ztp"});
  EXPECT_EQ(host.shown.lastPicture, std::vector<uint8_t>(64, 7));
  EXPECT_EQ(host.shown.palette[5].red, zoe::kComponent[63]);
  EXPECT_EQ(host.shown.palette[7].green, zoe::kComponent[40]);
}

}  // namespace

namespace {

// On a 256-colour screen the system keeps 20 entries; movie colours that fall there are
// drawn with the nearest colour the screen shows, unless /R2.
TEST(PlayerLoop, ColoursAreRemappedOnA256ColourScreen) {
  zoe::EncodeOptions o;
  o.width = 8;
  o.height = 4;
  o.rate = 50;
  std::vector<zoe::EncodeFrame> frames(1);
  frames[0].pixels.assign(32, 3);
  frames[0].pixels[0] = 100;
  frames[0].palette[3 * 3] = zoe::kComponent[63];  // index 3 is pure red, a static entry's slot
  frames[0].palette[3 * 100] = zoe::kComponent[63];
  frames[0].palette[3 * 100 + 1] = zoe::kComponent[20];
  for (const char* option : {"", "/R2"}) {
    FakeHost host;
    host.screen = reel::ScreenModel::Simulated256();
    host.test.files["p.ztp"] = zoe::EncodeMovie(o, frames).movie;
    std::vector<std::string> words{"p.ztp"};
    if (*option) words.push_back(option);
    Play(host, words);
    const std::vector<uint8_t>& shown = host.shown.lastPicture;
    ASSERT_EQ(shown.size(), 32u);
    EXPECT_EQ(shown[0], 100);  // a usable entry keeps its index
    // Red is not on the screen at entry 3 (the system's dark red is): the static red (249)
    // is the nearest colour it shows.
    EXPECT_EQ(shown[1], *option ? 3 : 249) << option;
  }
}

}  // namespace

namespace {

// A copy of the player with a movie appended plays it by its offset in the program file.
TEST(PlayerLoop, OffsetNamesPlayFromTheProgramFile) {
  FakeHost host;
  host.program.assign(1000, 0xCC);
  const std::vector<uint8_t> movie = Movie(3);
  host.program.insert(host.program.end(), movie.begin(), movie.end());
  reel::RunResult r = Play(host, {":1000"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.framesShown, 3u);
  r = Play(host, {":999"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(host.messages.end()[-2].second, "Error opening file: :999.Ztp.");
}

}  // namespace
