#include <gtest/gtest.h>
#include <signal.h>
#include <algorithm>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "common/wav.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/extract.h"
#include "viewer/ui/pages/sound_page.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;
using test::TextBytes;

// 8-bit mono samples: the disk driver then writes exactly these bytes, as the device opens
// in the sound's own format.
Bytes Tone(std::size_t samples, std::uint8_t seed) {
  return MakeWav({8000, 1, 8}, Pattern(samples, seed));
}

class SoundPageTest : public ::testing::Test {
 protected:
  SoundPageTest() {
    // A machine's real device must not matter; each test picks its driver before the first
    // sound starts the audio subsystem.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    paths_.programDir = dir_.path().string();
    paths_.iniPath = dir_.File("brindle.ini");
    paths_.tempDir = dir_.path().string();
    window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  }
  ~SoundPageTest() override { unsetenv("SDL_DISKAUDIOFILE"); }

  // A .snd with a compressed sound, a raw one and one whose stream is empty.
  std::string Container(const Bytes& packedWav, const Bytes& rawWav) {
    Bytes broken = {0x78, 0x9C};  // the mark and nothing after it
    return dir_.Write("audio.snd", BuildSnd({{"packed", BuildCompressedPayload(packedWav),
                                              static_cast<std::int32_t>(packedWav.size())},
                                             {"raw", rawWav, 0},
                                             {"broken", broken, 40}}));
  }

  SoundPage& Page() { return *window_->findChild<SoundPage*>("sndtab"); }
  void Click(const char* button) {
    QMetaObject::invokeMethod(window_->findChild<QPushButton*>(button), "click");
  }
  // Waits until the sound has been taken from the queue, then lets the device go.
  // Waits for the sound to play out (and, when given, for the disk device to have written
  // at least `bytes` to `heard`: under a sanitizer its thread can lag well behind the queue).
  void PlayOut(const std::string& heard = {}, std::size_t bytes = 0) {
    for (int i = 0; i < 300 && Page().output().Playing(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (int i = 0; i < 500 && !heard.empty() && test::FileBytes(heard).size() < bytes; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Page().output().Stop();
  }

  // The device's thread may write a buffer of silence before the sound is handed to it: the
  // samples must be there whole and in order, not necessarily first.
  static bool Holds(const Bytes& file, const Bytes& samples) {
    return std::search(file.begin(), file.end(), samples.begin(), samples.end()) != file.end();
  }

  TempDir dir_;
  AppPaths paths_;
  test::FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
};

TEST_F(SoundPageTest, CompressedAndRawSoundsPlayAlikeThroughTheDevice) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const Bytes packedWav = Tone(1200, 3);
  const Bytes rawWav = Tone(900, 7);
  window_->LoadDataFile(Container(packedWav, rawWav));
  for (int row : {0, 1}) {
    const std::string heard = dir_.File("heard" + std::to_string(row) + ".raw");
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    window_->SelectRow(row);
    EXPECT_EQ(window_->CurrentPage()->objectName(), "sndtab");
    const Bytes samples = Pattern(row == 0 ? 1200 : 900, row == 0 ? 3 : 7);
    PlayOut(heard, samples.size());
    const Bytes file = test::FileBytes(heard);
    ASSERT_GE(file.size(), samples.size()) << row;
    EXPECT_TRUE(Holds(file, samples)) << row;
  }
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(window_->findChild<QLabel*>("sndtabinfo")->text().toStdString(),
            "raw\n8000 Hz, 8-bit, mono, 0.11 s");
  // Once sound has played, SIGTERM and SIGINT still end the program: the sound device took
  // no handler for them.
  for (int sig : {SIGTERM, SIGINT}) {
    struct sigaction now {};
    ASSERT_EQ(sigaction(sig, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << sig;
  }
}

TEST_F(SoundPageTest, ASecondSoundEndsTheFirst) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  const Bytes longWav = Tone(8000 * 5, 1);  // five seconds
  window_->LoadDataFile(Container(longWav, Tone(400, 2)));
  const std::string first = dir_.File("first.raw");
  setenv("SDL_DISKAUDIOFILE", first.c_str(), 1);
  window_->SelectRow(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  setenv("SDL_DISKAUDIOFILE", dir_.File("second.raw").c_str(), 1);
  window_->SelectRow(1);
  const std::size_t cut = test::FileBytes(first).size();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Nothing more of the first sound reaches its device once the second has started.
  EXPECT_EQ(test::FileBytes(first).size(), cut);
  EXPECT_LT(cut, longWav.size());
  PlayOut(dir_.File("second.raw"), 400);
  const Bytes second = test::FileBytes(dir_.File("second.raw"));
  ASSERT_GE(second.size(), 400u);
  EXPECT_TRUE(Holds(second, Pattern(400, 2)));
  // The Stop button silences what plays.
  window_->SelectRow(0);
  Click("sndtabstop");
  EXPECT_FALSE(Page().output().Playing());
}

TEST_F(SoundPageTest, EmptyPayloadsSilenceAndWhatCannotBePlayed) {
  const Bytes rawWav = Tone(100, 4);
  window_->LoadDataFile(Container(Tone(100, 5), rawWav));
  window_->SelectRow(2);
  EXPECT_EQ(prompts_.messages.back(), "Error!  Unable to play broken");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "sndtab");

  // A RIFF whose header lies is not heard, and says nothing.
  prompts_.messages.clear();
  Bytes lying = Tone(100, 6);
  PutU32(&lying[40], 0x7FFFFFF0);  // the data chunk claims two gigabytes
  std::string snd = dir_.Write("lying.snd", BuildSnd({{"lying", lying, 0}}));
  window_->LoadDataFile(snd);
  window_->SelectRow(0);
  EXPECT_TRUE(prompts_.messages.empty());
  // It still saves byte for byte.
  prompts_.answers = {dir_.File("lying.wav")};
  Click("sndtabsavetowav");
  EXPECT_EQ(dir_.Read("lying.wav"), lying);

  // Four channels, or 24 bits: named as they are, said to be unplayable, and not played.
  // Whatever an earlier row started is stopped first: a device that lags behind a busy
  // machine may still be playing it.
  Click("sndtabstop");
  ASSERT_FALSE(Page().output().Playing());
  std::string other =
      dir_.Write("other.snd", BuildSnd({{"quad", MakeWav({8000, 4, 16}, Pattern(8000 * 8)), 0},
                                        {"deep", MakeWav({8000, 1, 24}, Pattern(8000 * 3)), 0}}));
  window_->LoadDataFile(other);
  const char* expected[] = {"quad\n8000 Hz, 16-bit, 4 channels, 1.00 s",
                            "deep\n8000 Hz, 24-bit, mono, 1.00 s"};
  for (int row = 0; row < 2; ++row) {
    window_->SelectRow(row);
    const std::string info = window_->findChild<QLabel*>("sndtabinfo")->text().toStdString();
    EXPECT_EQ(info.rfind(expected[row], 0), 0u) << info;
    EXPECT_NE(info.find("cannot be played here"), std::string::npos) << info;
    EXPECT_FALSE(Page().output().Playing()) << row;
  }
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(SoundPageTest, SaveAndImportWav) {
  const Bytes packedWav = Tone(300, 8);
  window_->LoadDataFile(Container(packedWav, Tone(200, 9)));
  window_->SelectRow(0);
  prompts_.answers = {dir_.File("out.wav")};
  Click("sndtabsavetowav");
  EXPECT_EQ(dir_.Read("out.wav"), packedWav);  // the inflated payload, unchanged
  EXPECT_EQ(prompts_.asked.back().title, "Save to WAV...");

  // Any RIFF file goes in; the mark is the only check.
  const Bytes riff = TextBytes("RIFF and then anything at all");
  prompts_.answers = {dir_.Write("any.wav", riff)};
  Click("sndtabimportwav");
  EXPECT_EQ(prompts_.asked.back().title, "Import WAV...");
  EXPECT_TRUE(prompts_.messages.empty());
  auto file = test::OpenFile(window_->DataFile().FileName);
  SilentHost quiet;
  EXPECT_EQ(ExtractEntry(*file, window_->DataFile().Entries[0], 0, quiet), riff);
  file.reset();

  prompts_.answers = {dir_.Write("text.wav", TextBytes("RIF"))};
  Click("sndtabimportwav");
  EXPECT_EQ(prompts_.messages.back(), "Sound file text.wav is not a valid WAV!");
}

}  // namespace
}  // namespace brindle
