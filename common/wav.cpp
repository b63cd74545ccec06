#include "common/wav.h"

#include <algorithm>
#include <cstring>

namespace brindle {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kFormatChunkSize = 16;
constexpr std::uint32_t kExtensibleChunkSize = 26;

bool IsId(ByteView file, std::size_t at, const char* id) {
  return at + 4 <= file.size() && std::memcmp(file.data() + at, id, 4) == 0;
}

bool IsSupported(std::uint16_t tag, const WavFormat& f) {
  return tag == kFormatPcm && (f.channels == 1 || f.channels == 2) &&
         (f.bits == 8 || f.bits == 16) && f.rate != 0;
}

}  // namespace

Bytes MakeWav(const WavFormat& format, ByteView pcm) {
  const std::uint16_t blockAlign = static_cast<std::uint16_t>(format.channels * format.bits / 8);
  // Chunks are padded to even length, and the RIFF size counts the pad byte.
  const std::size_t pad = pcm.size() % 2;
  ByteWriter w;
  w.Text("RIFF").U32(static_cast<std::uint32_t>(36 + pcm.size() + pad)).Text("WAVE");
  w.Text("fmt ").U32(kFormatChunkSize).U16(kFormatPcm).U16(format.channels).U32(format.rate);
  w.U32(format.rate * blockAlign).U16(blockAlign).U16(format.bits);
  w.Text("data").U32(static_cast<std::uint32_t>(pcm.size())).Append(pcm);
  if (pad != 0) w.U8(0);
  return w.Take();
}

Result<WavHeader> ReadWavHeader(ByteView file) {
  const Error notWav = Fail("not a WAV file");
  if (!IsId(file, 0, "RIFF") || !IsId(file, 8, "WAVE")) return notWav;
  WavHeader h;
  bool haveFormat = false;
  bool haveData = false;
  std::size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const std::uint32_t size = ReadU32(file, pos + 4);
    const std::size_t body = pos + 8;
    const std::size_t left = file.size() - body;
    if (IsId(file, pos, "fmt ")) {
      if (size < kFormatChunkSize || size > left) return notWav;
      h.tag = ReadU16(file, body);
      if (h.tag == kFormatExtensible && size >= kExtensibleChunkSize)
        h.tag = ReadU16(file, body + 24);
      h.format.channels = ReadU16(file, body + 2);
      h.format.rate = ReadU32(file, body + 4);
      h.format.bits = ReadU16(file, body + 14);
      haveFormat = true;
    } else if (IsId(file, pos, "data")) {
      h.dataOffset = body;
      h.dataLength = std::min<std::size_t>(size, left);
      haveData = true;
    }
    if (size > left) break;
    pos = body + size + (size & 1);
  }
  if (!haveFormat || !haveData) return notWav;
  return h;
}

bool IsReadableWav(const WavHeader& header) {
  return IsSupported(header.tag, header.format);
}

Result<WavSound> ReadWav(ByteView file) {
  Result<WavHeader> h = ReadWavHeader(file);
  if (!h) return Fail("not a PCM WAV file");
  if (!IsReadableWav(*h))
    return Fail("only 8- or 16-bit PCM with one or two channels is supported");
  WavSound sound;
  sound.format = h->format;
  const auto from = file.begin() + static_cast<std::ptrdiff_t>(h->dataOffset);
  sound.pcm.assign(from, from + static_cast<std::ptrdiff_t>(h->dataLength));
  const std::size_t frame = std::size_t{sound.format.channels} * (sound.format.bits / 8u);
  sound.pcm.resize(sound.pcm.size() / frame * frame);
  return sound;
}

}  // namespace brindle
