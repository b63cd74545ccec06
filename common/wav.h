#pragma once
// RIFF WAVE files holding plain PCM.

#include <cstdint>

#include "common/bytes.h"

namespace brindle {

struct WavFormat {
  std::uint32_t rate = 22050;
  std::uint16_t channels = 1;
  std::uint16_t bits = 16;
};

// A complete WAV image: RIFF header, "fmt " chunk and the "data" chunk with pcm.
Bytes MakeWav(const WavFormat& format, ByteView pcm);

}  // namespace brindle
