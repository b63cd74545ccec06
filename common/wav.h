#pragma once
// RIFF WAVE files holding plain PCM.
//
// File layout (little-endian): "RIFF", u32 size, "WAVE", then chunks, each an id of four
// characters, a u32 size and that many bytes padded to an even count. "fmt " holds u16
// format tag (1: PCM; 0xFFFE: extensible, the real tag then in the first two bytes of its
// sub-format at offset 24), u16 channels, u32 sample rate, u32 bytes per second, u16 block
// align, u16 bits per sample; "data" holds the samples, 8-bit unsigned or 16-bit signed,
// channels interleaved.

#include <cstdint>

#include "common/bytes.h"
#include "common/result.h"

namespace brindle {

struct WavFormat {
  std::uint32_t rate = 22050;
  std::uint16_t channels = 1;
  std::uint16_t bits = 16;
};

// A complete WAV image: RIFF header, "fmt " chunk and the "data" chunk with pcm.
Bytes MakeWav(const WavFormat& format, ByteView pcm);

struct WavSound {
  WavFormat format;
  Bytes pcm;  // whole sample frames only
};

// What a WAV file's header says, whatever its format: to name a sound that cannot be read.
struct WavHeader {
  std::uint16_t tag = 0;  // 1: PCM (an extensible file's sub-format)
  WavFormat format;
  std::size_t dataOffset = 0;
  std::size_t dataLength = 0;  // what the file holds of the "data" chunk
};
// A RIFF WAVE with a "fmt " and a "data" chunk; the error is "not a WAV file".
Result<WavHeader> ReadWavHeader(ByteView file);
// True for the formats ReadWav takes.
bool IsReadableWav(const WavHeader& header);

// Reads 8- or 16-bit PCM with one or two channels. A "data" chunk that claims more than
// the file holds (as recorders that were stopped leave it) gives what is there. The error
// is a short reason in lower case ("not a PCM WAV file").
Result<WavSound> ReadWav(ByteView file);

}  // namespace brindle
