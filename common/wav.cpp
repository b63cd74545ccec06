#include "common/wav.h"

namespace brindle {

Bytes MakeWav(const WavFormat& format, ByteView pcm) {
  const std::uint16_t blockAlign = static_cast<std::uint16_t>(format.channels * format.bits / 8);
  // Chunks are padded to even length, and the RIFF size counts the pad byte.
  const std::size_t pad = pcm.size() % 2;
  ByteWriter w;
  w.Text("RIFF").U32(static_cast<std::uint32_t>(36 + pcm.size() + pad)).Text("WAVE");
  w.Text("fmt ").U32(16).U16(1).U16(format.channels).U32(format.rate);
  w.U32(format.rate * blockAlign).U16(blockAlign).U16(format.bits);
  w.Text("data").U32(static_cast<std::uint32_t>(pcm.size())).Append(pcm);
  if (pad != 0) w.U8(0);
  return w.Take();
}

}  // namespace brindle
