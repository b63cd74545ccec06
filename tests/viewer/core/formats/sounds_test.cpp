#include "viewer/core/formats/sounds.h"

#include <gtest/gtest.h>

#include "common/wav.h"
#include "test_support.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TextBytes;

TEST(SoundSummary, FormatAndLengthFromTheHeader) {
  EXPECT_EQ(SoundSummary(MakeWav({8000, 1, 8}, Pattern(12000))), "8000 Hz, 8-bit, mono, 1.50 s");
  // Four bytes a frame: 44100 frames are one second.
  EXPECT_EQ(SoundSummary(MakeWav({44100, 2, 16}, Pattern(44100 * 4))),
            "44100 Hz, 16-bit, stereo, 1.00 s");
  // Anything the import took (only "RIFF" is checked) is described, not refused.
  EXPECT_EQ(SoundSummary(TextBytes("RIFF and nothing more")).rfind("Not a PCM WAV: ", 0), 0u);
  // Formats this program cannot play are named as they are, and said to be unplayable.
  const std::string cannot =
      "\nThis sound cannot be played here: only 8- or 16-bit PCM with one or two channels can.";
  EXPECT_EQ(SoundSummary(MakeWav({8000, 4, 16}, Pattern(8000 * 8))),
            "8000 Hz, 16-bit, 4 channels, 1.00 s" + cannot);
  EXPECT_EQ(SoundSummary(MakeWav({11025, 2, 24}, Pattern(11025 * 6 * 2))),
            "11025 Hz, 24-bit, stereo, 2.00 s" + cannot);
  EXPECT_FALSE(SoundPlayable(MakeWav({8000, 4, 16}, Pattern(64))));
  EXPECT_FALSE(SoundPlayable(MakeWav({8000, 1, 24}, Pattern(64))));
  EXPECT_TRUE(SoundPlayable(MakeWav({8000, 2, 16}, Pattern(64))));
  EXPECT_EQ(SoundSummary({}).rfind("Not a PCM WAV: ", 0), 0u);
}

}  // namespace
}  // namespace brindle
