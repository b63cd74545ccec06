// Writing movies: a lossless encoder for 8-bit pictures with their palettes and PCM sound.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zoe {

struct EncodeFrame {
  std::vector<uint8_t> pixels;         // width x height colour indices, top line first
  std::array<uint8_t, 768> palette{};  // 8-bit red, green, blue per entry
};

struct EncodeAudio {
  uint32_t sampleRate = 0;
  bool stereo = false;
  bool bits16 = false;
  bool compressed = true;
  std::vector<uint8_t> pcm;  // as in WAV data: 8-bit unsigned or 16-bit signed little-endian
  // The sound ahead of the pictures in samples, when given (0 or more): taken instead of the
  // options' soundLeadMs, so a decoded movie's lead comes back exactly. Cut as that is.
  int64_t leadSamples = -1;
};

struct EncodeOptions {
  uint32_t width = 0;
  uint32_t height = 0;  // as stored; interlaced or doubled movies show twice as many lines
  int32_t rate = 0;     // header rate: ms per frame, or minus the period in 10 us units
  bool ring = false;
  bool interlaced = false;
  bool doubled = false;
  std::vector<EncodeAudio> tracks;  // track 0 first, at most 7
  // How far each track's sound runs ahead of the pictures: the first frame carries this
  // much more than its share, so the player has sound in hand while frames come in. Cut to
  // MaxSoundLead.
  uint32_t soundLeadMs = 0;
};

struct EncodeResult {
  bool ok = false;
  std::string error;
  std::vector<uint8_t> movie;
  // Palette components that were not one of the 64 representable levels were rounded.
  bool paletteRounded = false;
};

// The most sound (bytes) a track can carry ahead of the pictures: what the player's ring
// for it holds beside one frame's share (about a second).
uint32_t MaxSoundLead(uint32_t audioWord, uint32_t period);

EncodeResult EncodeMovie(const EncodeOptions& options, const std::vector<EncodeFrame>& frames);

// A small deterministic movie with pictures, palette changes and a compressed sound track,
// for sample data and demonstrations. width and height must be multiples of 4.
EncodeResult MakeSampleMovie(uint32_t width, uint32_t height, uint32_t frames, bool ring);

// Building blocks, also used to make test data.
// A palette chunk (length byte included, padded to a multiple of 4) that turns `old` into
// `now`; both hold 8-bit components that are representable levels.
std::vector<uint8_t> EncodePaletteChunk(const std::array<uint8_t, 768>& old,
                                        const std::array<uint8_t, 768>& now);
// The bit stream of a compressed sound chunk (everything after the two length words).
std::vector<uint8_t> EncodeSoundBits(const uint8_t* pcm, size_t bytes, bool stereo, bool bits16);
// The 6-bit level nearest to an 8-bit component.
uint8_t NearestLevel(uint8_t component);

}  // namespace zoe
