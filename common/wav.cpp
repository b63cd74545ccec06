#include "common/wav.h"

namespace brindle {

Bytes MakeWav(const WavFormat& format, ByteView pcm) {
  const std::uint16_t blockAlign = static_cast<std::uint16_t>(format.channels * format.bits / 8);
  ByteWriter w;
  w.Text("RIFF").U32(static_cast<std::uint32_t>(36 + pcm.size())).Text("WAVE");
  w.Text("fmt ").U32(16).U16(1).U16(format.channels).U32(format.rate);
  w.U32(format.rate * blockAlign).U16(blockAlign).U16(format.bits);
  w.Text("data").U32(static_cast<std::uint32_t>(pcm.size())).Append(pcm);
  if (pcm.size() % 2 != 0) w.U8(0);  // chunks are padded to even length
  return w.Take();
}

}  // namespace brindle
