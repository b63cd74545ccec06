// The displays on a real SDL window under the dummy video driver.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "player/output/display.h"
#include "player/output/player_window.h"
#include "player/output/sound_output.h"

namespace {

class Displays : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    reel::WindowRequest r;
    r.width = 64;
    r.height = 48;
    r.className = reel::WindowClassName(0x1A2F);
    window_ = reel::PlayerWindow::Create(r);
    ASSERT_NE(window_, nullptr);
    host_.window = window_->Get();
    host_.fullScreenAvailable = window_->CanGoFullScreen();
  }
  std::unique_ptr<reel::Display> Open(int kind, int w = 64, int h = 48, int sw = 0, int sh = 0) {
    reel::DisplayRequest r;
    r.kind = kind;
    r.width = w;
    r.height = h;
    r.stretchWidth = sw;
    r.stretchHeight = sh;
    r.smoothing = smoothing;
    r.noAcceleration = noAcceleration;
    r.resolution = resolution;
    r.screen.bitsPerPixel = bits;
    return reel::OpenDisplay(r, host_);
  }
  // The colour the window shows at (x, y), through its surface or its renderer.
  std::array<Uint8, 3> ShownAt(int x, int y) {
    Uint32 pixel = 0;
    if (SDL_Renderer* renderer = SDL_GetRenderer(host_.window)) {
      const SDL_Rect one{x, y, 1, 1};
      EXPECT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4), 0);
      return {Uint8(pixel >> 16), Uint8(pixel >> 8), Uint8(pixel)};
    }
    SDL_Surface* screen = SDL_GetWindowSurface(host_.window);
    EXPECT_NE(screen, nullptr);
    if (screen == nullptr) return {};
    pixel =
        *reinterpret_cast<Uint32*>(static_cast<Uint8*>(screen->pixels) + y * screen->pitch + 4 * x);
    std::array<Uint8, 3> c{};
    SDL_GetRGB(pixel, screen->format, &c[0], &c[1], &c[2]);
    return c;
  }
  int bits = 16;
  bool smoothing = false;
  bool noAcceleration = false;
  int resolution = 0;
  std::unique_ptr<reel::PlayerWindow> window_;
  reel::DisplayHost host_;
};

TEST_F(Displays, ClassNameHasOneLetterPerDigit) {
  EXPECT_EQ(reel::WindowClassName(0x1A2F), "QTXDWBKCP");
  EXPECT_EQ(reel::WindowClassName(0xFFFF0000), "QTXDWAAAA");
}

TEST_F(Displays, AutomaticIsTheSectionKindAndNamesItsBlitter) {
  auto d = Open(reel::kAutomatic);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Kind(), reel::kSection);
  EXPECT_EQ(d->Name(), "DIBSection with accelerated blitting (16-bit 1x)");
  EXPECT_EQ(d->Picture().Pitch(), 64);
  d.reset();
  // Twice the size: the doubling blitters, with smoothing when asked.
  EXPECT_EQ(Open(reel::kSection, 60, 20, 120, 40)->Name(),
            "DIBSection with accelerated blitting (16-bit 2x)");
  smoothing = true;
  EXPECT_EQ(Open(reel::kSection, 60, 20, 120, 40)->Name(),
            "DIBSection with accelerated blitting (16-bit 2x Smoothing)");
  noAcceleration = true;
  EXPECT_EQ(Open(reel::kSection, 60, 20, 120, 40)->Name(), "DIBSection");
}

TEST_F(Displays, StandardDibsAlwaysOpenAndShowTheirPicture) {
  SDL_SetWindowSize(host_.window, 60, 20);  // as the player sizes it
  auto d = Open(reel::kDib, 60, 20);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name(), "Standard Windows DIBs");
  EXPECT_EQ(d->Picture().Pitch(), 64);  // the width rounded up to 8
  EXPECT_FALSE(d->Picture().BottomUp());
  uint8_t rgb[768] = {};
  rgb[3 * 7] = 255;
  d->SetPalette(rgb);
  d->Fill(7);
  d->Show({});
  SDL_Surface* screen = SDL_GetWindowSurface(host_.window);
  ASSERT_NE(screen, nullptr);
  Uint8 r = 0, g = 0, b = 0;
  const Uint32 pixel = *static_cast<Uint32*>(screen->pixels);
  SDL_GetRGB(pixel, screen->format, &r, &g, &b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_TRUE(d->Failure().empty());
}

// Stretched (/W /H), made larger by the user or full screen: the standard-DIB picture fills
// the window at its own aspect ratio, on black bars, never a black window.
TEST_F(Displays, StandardDibsScaleToTheStretchAndToTheWindowKeepingTheAspect) {
  SDL_SetWindowSize(host_.window, 120, 40);
  auto d = Open(reel::kDib, 60, 20, 120, 40);
  ASSERT_NE(d, nullptr);
  uint8_t rgb[768] = {};
  rgb[3 * 7] = 255;
  rgb[3 * 9 + 2] = 255;
  d->SetPalette(rgb);
  d->Fill(7);
  std::fill(d->Picture().Line(19) + 50, d->Picture().Line(19) + 60, 9);  // bottom right blue
  d->Show({});
  ASSERT_TRUE(d->Failure().empty()) << d->Failure();
  EXPECT_EQ(ShownAt(0, 0), (std::array<Uint8, 3>{255, 0, 0}));
  EXPECT_EQ(ShownAt(119, 39), (std::array<Uint8, 3>{0, 0, 255}));
  EXPECT_EQ(ShownAt(99, 37), (std::array<Uint8, 3>{255, 0, 0}));
  // Twice as tall as the picture's shape: bars above and below, the picture in the middle.
  SDL_SetWindowSize(host_.window, 120, 80);
  d->Resized();
  ASSERT_TRUE(d->Failure().empty()) << d->Failure();
  EXPECT_EQ(ShownAt(60, 5), (std::array<Uint8, 3>{0, 0, 0}));
  EXPECT_EQ(ShownAt(60, 40), (std::array<Uint8, 3>{255, 0, 0}));
  EXPECT_EQ(ShownAt(119, 59), (std::array<Uint8, 3>{0, 0, 255}));
  EXPECT_EQ(ShownAt(60, 75), (std::array<Uint8, 3>{0, 0, 0}));
}

// A true-colour screen draws at its own depth: colours that 5-6-5 pixels cannot hold come
// out exactly, and there is no 16-bit blitter to name.
TEST_F(Displays, SectionOnATrueColourScreenShowsExactColours) {
  bits = 24;
  SDL_SetWindowSize(host_.window, 64, 48);
  auto d = Open(reel::kAutomatic, 64, 48);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name(), "DIBSection");
  uint8_t rgb[768] = {};
  for (int i = 0; i < 256; ++i) {
    rgb[3 * i] = static_cast<uint8_t>(i);
    rgb[3 * i + 1] = static_cast<uint8_t>(255 - i);
    rgb[3 * i + 2] = static_cast<uint8_t>(i * 7);
  }
  d->SetPalette(rgb);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      d->Picture().Line(y)[x] = static_cast<uint8_t>(y * 64 + x);
  d->Show({});
  ASSERT_TRUE(d->Failure().empty()) << d->Failure();
  const reel::Palette& laid = d->LogicalPalette();
  for (const auto& [x, y] :
       {std::pair{5, 0}, std::pair{33, 1}, std::pair{63, 2}, std::pair{1, 3}}) {
    const int i = (y * 64 + x) % 256;
    if (i < 10 || i > 245) continue;  // the screen's static colours
    EXPECT_EQ(ShownAt(x, y), (std::array<Uint8, 3>{laid[i].red, laid[i].green, laid[i].blue}))
        << "index " << i;
  }
}

// What the window shows after a few frames of which only parts were copied again.
TEST_F(Displays, SectionShowsChangedPartsOverWhatItShowedBefore) {
  auto d = Open(reel::kSection, 64, 48);
  ASSERT_NE(d, nullptr);
  uint8_t rgb[768] = {};
  rgb[3 * 1] = 255;      // 1 red
  rgb[3 * 2 + 1] = 255;  // 2 green
  rgb[3 * 3 + 2] = 255;  // 3 blue
  d->SetPalette(rgb);
  d->Fill(1);
  d->Show({});
  reel::PictureBuffer& p = d->Picture();
  for (int y = 8; y < 16; ++y)
    std::fill(p.Line(y), p.Line(y) + 64, 2);
  d->Show({{0, 8, 64, 8}});
  p.Line(40)[32] = 3;  // changed, but not in the list: not shown yet
  d->Show({{0, 0, 8, 4}});
  // Compared at 5-6-5 precision, as the picture is held.
  SDL_Renderer* renderer = SDL_GetRenderer(host_.window);
  ASSERT_NE(renderer, nullptr);
  std::vector<Uint32> shown(64 * 48);
  ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, shown.data(), 64 * 4),
            0);
  EXPECT_EQ(shown[0] & 0xF8F8F8, 0xF80000u);
  EXPECT_EQ(shown[10 * 64 + 5] & 0xF8F8F8, 0x00F800u);
  EXPECT_EQ(shown[40 * 64 + 32] & 0xF8F8F8, 0xF80000u);
  EXPECT_EQ(shown[47 * 64 + 63] & 0xF8F8F8, 0xF80000u);
  d->Show({{32, 40, 8, 4}});
  ASSERT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_RGB888, shown.data(), 64 * 4),
            0);
  EXPECT_EQ(shown[40 * 64 + 32] & 0xF8F8F8, 0x0000F8u);
  EXPECT_EQ(shown[10 * 64 + 5] & 0xF8F8F8, 0x00F800u);
}

// The dummy driver cannot really go full screen, but it goes through the motions: enough to
// see the full-screen kinds' buffers.
TEST_F(Displays, FullScreenBuffers) {
  host_.fullScreenAvailable = true;
  auto k1 = Open(reel::kFull240, 160, 120);
  ASSERT_NE(k1, nullptr);
  EXPECT_EQ(k1->Name(), "Full screen 320x240");
  EXPECT_TRUE(k1->Picture().BottomUp());
  EXPECT_EQ(k1->Picture().Lines(), 204);  // 200 lines or fewer get 204
  EXPECT_EQ(k1->Picture().Pitch(), 160);
  EXPECT_EQ(k1->UsableColors(), 256);
  k1.reset();
  EXPECT_EQ(Open(reel::kFull240, 160, 220)->Picture().Lines(), 220);
  auto k2 = Open(reel::kFull200, 100, 50);
  EXPECT_EQ(k2->Name(), "Full screen 320x200");
  EXPECT_TRUE(k2->Picture().BottomUp());
  EXPECT_EQ(k2->Picture().Pitch(), 104);
  EXPECT_TRUE(k2->Fits(100, 40));
  EXPECT_FALSE(k2->Fits(101, 40));
  k2.reset();
  auto k3 = Open(reel::kFull200Direct, 100, 50);
  EXPECT_EQ(k3->Name(), "Full screen 320x200 direct");
  EXPECT_EQ(k3->Picture().Width(), 320);
  EXPECT_FALSE(k3->Picture().BottomUp());
  EXPECT_TRUE(reel::ChangedRects(ZoeTarget{}, true, k3->Area(1)).empty());  // no copies
  k3.reset();
  EXPECT_EQ(Open(reel::kFull200, 320, 240), nullptr);            // too tall
  EXPECT_EQ(Open(reel::kFull240, 160, 120, 320, 240), nullptr);  // stretched
}

TEST(ScreenResolution, TheFourSizesAndNoChangeOtherwise) {
  const std::pair<int, int> sizes[] = {{640, 400}, {640, 480}, {800, 600}, {1024, 768}};
  for (int code = 1; code <= 4; ++code) {
    const std::optional<reel::ScreenSize> s = reel::ResolutionSize(code);
    ASSERT_TRUE(s.has_value()) << code;
    EXPECT_EQ(std::make_pair(s->width, s->height), sizes[code - 1]);
  }
  for (int code : {0, 5, 99, -1})
    EXPECT_FALSE(reel::ResolutionSize(code).has_value()) << code;
}

// With /D a full-screen kind takes a real screen mode, the one nearest the size asked; the
// desktop's mode comes back when the display goes.
TEST_F(Displays, ResolutionGivesTheFullScreenKindsARealMode) {
  host_.fullScreenAvailable = true;
  resolution = 2;
  auto d = Open(reel::kFull200, 100, 50);
  ASSERT_NE(d, nullptr);
  const Uint32 flags = SDL_GetWindowFlags(window_->Get());
  EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN_DESKTOP, Uint32{SDL_WINDOW_FULLSCREEN});
  SDL_DisplayMode mode{}, nearest{};
  const SDL_DisplayMode wanted{0, 640, 480, 0, nullptr};
  ASSERT_EQ(SDL_GetWindowDisplayMode(window_->Get(), &mode), 0);
  ASSERT_NE(SDL_GetClosestDisplayMode(0, &wanted, &nearest), nullptr);
  EXPECT_EQ(mode.w, nearest.w);
  EXPECT_EQ(mode.h, nearest.h);
  d.reset();
  EXPECT_EQ(SDL_GetWindowFlags(window_->Get()) & SDL_WINDOW_FULLSCREEN, 0u);
  // Without /D the picture is scaled onto the desktop's mode.
  resolution = 0;
  d = Open(reel::kFull200, 100, 50);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(SDL_GetWindowFlags(window_->Get()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
            Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP});
}

TEST_F(Displays, FullScreenKindsNeedADriverThatCanGoFullScreen) {
  EXPECT_FALSE(host_.fullScreenAvailable);
  EXPECT_EQ(Open(reel::kFull240, 160, 120), nullptr);
  EXPECT_EQ(Open(reel::kFull200, 160, 120), nullptr);
  // With no window at all, standard DIBs and automatic fall back to the null display.
  reel::DisplayRequest r;
  r.width = 640;
  r.height = 480;
  r.kind = reel::kDib;
  auto none = reel::OpenDisplay(r, reel::DisplayHost{});
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->Kind(), reel::kNoDisplay);
  r.kind = reel::kSection;
  EXPECT_EQ(reel::OpenDisplay(r, reel::DisplayHost{}), nullptr);
}

// Each display's name is its row's (the DIB section adds its blitter), whatever kind opens.
TEST_F(Displays, EveryKindIsNamedByItsRow) {
  host_.fullScreenAvailable = true;
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    SCOPED_TRACE(row.name);
    reel::DisplayRequest r;
    r.kind = row.kind;
    r.width = 100;
    r.height = 50;
    // The null display stands in only where there is no window.
    auto d = reel::OpenDisplay(r, row.kind == reel::kNoDisplay ? reel::DisplayHost{} : host_);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Kind(), row.kind);
    EXPECT_EQ(d->Name().rfind(row.name, 0), 0u) << d->Name();
  }
  reel::DisplayRequest r;
  r.kind = reel::kNoDisplay;
  r.width = 100;
  r.height = 50;
  EXPECT_EQ(reel::OpenDisplay(r, host_), nullptr);
}

std::vector<int> KindsOf(const std::vector<const reel::DisplayKindEntry*>& walk) {
  std::vector<int> kinds;
  for (const reel::DisplayKindEntry* row : walk)
    kinds.push_back(row->kind);
  return kinds;
}

// Opening walks the table in its order with the null display last: without a kind asked
// for, the rows probed automatically; an asked kind alone, or followed by the null row where
// that row lets it stand in.
TEST(DisplayTable, TheWalkFollowsTheTableWithTheNullRowLast) {
  const auto rows = reel::DisplayKinds();
  ASSERT_FALSE(rows.empty());
  const reel::DisplayKindEntry* null = &rows.back();
  EXPECT_EQ(null->kind, reel::kNoDisplay);
  std::vector<const reel::DisplayKindEntry*> automatic;
  for (const reel::DisplayKindEntry& row : rows)
    if (row.automatic) automatic.push_back(&row);
  EXPECT_EQ(reel::DisplayWalk(reel::kAutomatic), automatic);
  for (const reel::DisplayKindEntry& row : rows) {
    SCOPED_TRACE(row.name);
    const auto walk = reel::DisplayWalk(row.kind);
    ASSERT_FALSE(walk.empty());
    EXPECT_EQ(walk.front(), &row);
    EXPECT_TRUE(std::is_sorted(walk.begin(), walk.end()));  // table order
    if (row.nullStandsIn) {
      EXPECT_EQ(walk, (std::vector<const reel::DisplayKindEntry*>{&row, null}));
    } else {
      EXPECT_EQ(walk.size(), 1u);
    }
  }
  // As reelrun has always probed: the renderer's window, standard DIBs, then nothing; only
  // standard DIBs fall back to the null display.
  EXPECT_EQ(KindsOf(reel::DisplayWalk(reel::kAutomatic)),
            (std::vector<int>{reel::kSection, reel::kDib, reel::kNoDisplay}));
  EXPECT_EQ(KindsOf(reel::DisplayWalk(reel::kDib)),
            (std::vector<int>{reel::kDib, reel::kNoDisplay}));
  EXPECT_EQ(KindsOf(reel::DisplayWalk(reel::kSection)), std::vector<int>{reel::kSection});
  EXPECT_EQ(KindsOf(reel::DisplayWalk(reel::kFull200)), std::vector<int>{reel::kFull200});
  EXPECT_TRUE(reel::DisplayWalk(99).empty());
}

// Every /V code picks its own row (/B tells apart two rows that share one), and a number no
// row has leaves the choice automatic.
TEST(DisplayTable, EveryVideoCodeMapsToItsRow) {
  for (const reel::DisplayKindEntry& row : reel::DisplayKinds()) {
    SCOPED_TRACE(row.name);
    if (row.videoCode == 0) continue;
    const bool withB = row.buffer == reel::BufferSwitch::kWith;
    EXPECT_EQ(reel::DisplayKindForVideo(row.videoCode, withB), row.kind);
    if (row.buffer == reel::BufferSwitch::kEither) {
      EXPECT_EQ(reel::DisplayKindForVideo(row.videoCode, !withB), row.kind);
    }
    EXPECT_EQ(reel::FindDisplayKind(row.kind), &row);
  }
  // The numbers as the usage gives them.
  EXPECT_EQ(reel::DisplayKindForVideo(1, false), reel::kFull240);
  EXPECT_EQ(reel::DisplayKindForVideo(2, true), reel::kFull200);
  EXPECT_EQ(reel::DisplayKindForVideo(2, false), reel::kFull200Direct);
  EXPECT_EQ(reel::DisplayKindForVideo(3, false), reel::kDib);
  EXPECT_EQ(reel::DisplayKindForVideo(4, true), reel::kSection);
  for (int code : {0, 5, 6, -1})
    EXPECT_EQ(reel::DisplayKindForVideo(code, false), reel::kAutomatic) << code;
}

std::vector<int> KindsOf(const std::vector<const reel::SoundOutputEntry*>& walk) {
  std::vector<int> kinds;
  for (const reel::SoundOutputEntry* row : walk)
    kinds.push_back(row->kind);
  return kinds;
}

// The sound outputs are walked in table order too: the one asked for, then the automatic
// ones below it, the null output last.
TEST(SoundOutputs, TheWalkFollowsTheTableWithTheNullOutputLast) {
  const auto rows = reel::SoundOutputs();
  ASSERT_FALSE(rows.empty());
  const reel::SoundOutputEntry* null = &rows.back();
  EXPECT_EQ(null->kind, reel::kNullSound);
  std::vector<const reel::SoundOutputEntry*> automatic;
  for (const reel::SoundOutputEntry& row : rows)
    if (row.automatic) automatic.push_back(&row);
  EXPECT_EQ(reel::SoundWalk(reel::kAutomaticSound), automatic);
  for (const reel::SoundOutputEntry& row : rows) {
    SCOPED_TRACE(row.name);
    const auto walk = reel::SoundWalk(row.kind);
    ASSERT_FALSE(walk.empty());
    EXPECT_EQ(walk.front(), &row);
    EXPECT_EQ(walk.back(), null);
    EXPECT_TRUE(std::is_sorted(walk.begin(), walk.end()));
  }
  // /Z asks for the callback output; the queue output is the default.
  EXPECT_EQ(KindsOf(reel::SoundWalk(reel::kCallbackSound)),
            (std::vector<int>{reel::kCallbackSound, reel::kQueueSound, reel::kNullSound}));
  EXPECT_EQ(KindsOf(reel::SoundWalk(reel::kAutomaticSound)),
            (std::vector<int>{reel::kQueueSound, reel::kNullSound}));
  EXPECT_EQ(KindsOf(reel::SoundWalk(reel::kNullSound)), std::vector<int>{reel::kNullSound});
}

TEST(SoundOutputs, EachOutputIsNamedByItsRowAndNullPlaysSilent) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  ZoeContext ctx;
  for (const reel::SoundOutputEntry& row : reel::SoundOutputs()) {
    auto output = reel::ChooseSoundOutput(row.kind, ctx);
    ASSERT_NE(output, nullptr);
    EXPECT_EQ(output->Kind(), row.kind);
    EXPECT_STREQ(output->Name(), row.name);
  }
  auto null = reel::ChooseSoundOutput(reel::kNullSound, ctx);
  EXPECT_STREQ(null->Name(), "null");
  ZoeTrack t;
  EXPECT_FALSE(null->Open(t));  // the movie plays silent
}

}  // namespace
