#include "tools/ztptool/bmp_io.h"

#include "common/bmp.h"
#include "common/wav.h"

#include <cstdio>
#include <cstring>

namespace ztptool {
namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// RLE8 pixel data: (count, index) pairs; a zero count escapes to end of line (0), end of
// picture (1), a jump (2, dx, dy) or a literal run of n indices padded to an even length.
// Rows are counted bottom-up as stored. Every step is checked against both buffers.
bool DecodeRle8(const std::vector<uint8_t>& f, size_t pos, Picture& out) {
  uint64_t x = 0, row = 0;
  auto put = [&](uint8_t v) {
    if (x < out.width && row < out.height) {
      out.pixels[(out.height - 1 - row) * uint64_t{out.width} + x] = v;
    }
    ++x;
  };
  while (pos + 2 <= f.size()) {
    const uint8_t count = f[pos], value = f[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i)
        put(value);
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      return true;
    } else if (value == 2) {
      if (pos + 2 > f.size()) return false;
      x += f[pos];
      row += f[pos + 1];
      pos += 2;
    } else {
      if (pos + value > f.size()) return false;
      for (int i = 0; i < value; ++i)
        put(f[pos + i]);
      pos += value + (value & 1);
    }
    if (row > out.height) return true;
  }
  return true;
}

}  // namespace

// BMP: 14-byte file header ("BM", size, reserved, pixel offset), then the info header
// (size, width, signed height, planes, bits, compression, ..., colours used at 32), the
// colour table as blue, green, red, 0 per entry, and rows padded to 4 bytes.
bool ParseBmp(const std::vector<uint8_t>& f, Picture& out, std::string& error) {
  error = "not a palette BMP of 1, 4 or 8 bits (uncompressed or RLE8)";
  if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return false;
  const uint32_t pixelOffset = Le32(&f[10]);
  const uint32_t infoSize = Le32(&f[14]);
  if (infoSize < 40 || uint64_t{14} + infoSize > f.size()) return false;
  const int32_t width = static_cast<int32_t>(Le32(&f[18]));
  const int32_t rawHeight = static_cast<int32_t>(Le32(&f[22]));
  const uint16_t bits = Le16(&f[28]);
  const uint32_t compression = Le32(&f[30]);
  uint32_t colours = Le32(&f[46]);
  // 8-bit pictures, plain or RLE8; 1- and 4-bit ones (as tools write them for few colours)
  // are widened to 8 bits per pixel.
  if ((bits != 8 && bits != 4 && bits != 1) || compression > 1 || (compression == 1 && bits != 8)) {
    return false;
  }
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) {
    error = "bad BMP size";
    return false;
  }
  const bool topDown = rawHeight < 0;
  const uint32_t height = static_cast<uint32_t>(topDown ? -int64_t{rawHeight} : rawHeight);
  if (uint64_t{static_cast<uint32_t>(width)} * height > kMaxPixels) {
    error = "BMP too large";
    return false;
  }
  if (colours == 0 || colours > (1u << bits)) colours = 1u << bits;
  const uint64_t tableAt = 14 + uint64_t{infoSize};
  if (tableAt + 4 * uint64_t{colours} > f.size()) {
    error = "BMP colour table is cut short";
    return false;
  }
  out = Picture{};
  out.width = static_cast<uint32_t>(width);
  out.height = height;
  for (uint32_t i = 0; i < colours; ++i) {
    const uint8_t* e = &f[tableAt + 4 * i];
    out.palette[3 * i] = e[2];
    out.palette[3 * i + 1] = e[1];
    out.palette[3 * i + 2] = e[0];
  }
  if (compression == 1) {
    if (topDown || pixelOffset >= f.size()) return false;
    out.pixels.assign(uint64_t{out.width} * height, 0);
    if (!DecodeRle8(f, pixelOffset, out)) {
      error = "BMP pixel data is damaged";
      return false;
    }
    error.clear();
    return true;
  }
  const uint64_t rowBytes = (uint64_t{out.width} * bits + 7) / 8;
  const uint64_t stride = (rowBytes + 3) / 4 * 4;
  if (uint64_t{pixelOffset} + stride * height > f.size() + (stride - rowBytes)) {
    error = "BMP pixel data is cut short";
    return false;
  }
  out.pixels.resize(uint64_t{out.width} * height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint32_t row = topDown ? y : height - 1 - y;
    const uint8_t* in = &f[pixelOffset + stride * row];
    uint8_t* line = &out.pixels[uint64_t{y} * out.width];
    if (bits == 8) {
      std::memcpy(line, in, out.width);
      continue;
    }
    // Leftmost pixel in the most significant bits.
    const uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
    for (uint32_t x = 0; x < out.width; ++x) {
      const uint32_t shift = bits * (perByte - 1 - x % perByte);
      line[x] = static_cast<uint8_t>((in[x / perByte] >> shift) & mask);
    }
  }
  error.clear();
  return true;
}

std::vector<uint8_t> MakeBmp(const Picture& p) {
  return brindle::WriteBmp8(static_cast<std::int32_t>(p.width), static_cast<std::int32_t>(p.height),
                            p.pixels, p.palette);
}

// WAV: "RIFF", size, "WAVE", then chunks (id, size, data padded to even length); "fmt "
// holds format tag, channels, rate, bytes per second, block align, bits; "data" the samples.
bool ParseWav(const std::vector<uint8_t>& f, Sound& out, std::string& error) {
  error = "not a PCM WAV file";
  if (f.size() < 12 || std::memcmp(&f[0], "RIFF", 4) != 0 || std::memcmp(&f[8], "WAVE", 4) != 0) {
    return false;
  }
  bool haveFormat = false, haveData = false;
  out = Sound{};
  size_t pos = 12;
  while (pos + 8 <= f.size()) {
    const uint32_t size = Le32(&f[pos + 4]);
    const uint8_t* body = &f[pos + 8];
    const size_t left = f.size() - pos - 8;
    if (std::memcmp(&f[pos], "fmt ", 4) == 0) {
      if (size < 16 || size > left) return false;
      uint16_t tag = Le16(body);
      // The extensible form names its sample format in the first two bytes of its GUID.
      if (tag == 0xFFFE && size >= 26) tag = Le16(body + 24);
      out.channels = Le16(body + 2);
      out.sampleRate = Le32(body + 4);
      out.bits = Le16(body + 14);
      if (tag != 1 || (out.channels != 1 && out.channels != 2) ||
          (out.bits != 8 && out.bits != 16) || out.sampleRate == 0) {
        error = "only 8- or 16-bit PCM with one or two channels is supported";
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(&f[pos], "data", 4) == 0) {
      // A data size that overstates the file (streamed recordings) takes what is there.
      const size_t take = std::min<size_t>(size, left);
      out.data.assign(body, body + take);
      haveData = true;
    }
    if (size > left) break;
    pos += 8 + size + (size & 1);
  }
  if (!haveFormat || !haveData) return false;
  const size_t frame = out.channels * (out.bits / 8u);
  out.data.resize(out.data.size() / frame * frame);
  error.clear();
  return true;
}

std::vector<uint8_t> MakeWav(const Sound& s) {
  return brindle::MakeWav({s.sampleRate, s.channels, s.bits}, s.data);
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out, uint64_t limit) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  out.clear();
  uint8_t buffer[65536];
  size_t n;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (out.size() + n > limit) {
      ok = false;
      break;
    }
    out.insert(out.end(), buffer, buffer + n);
  }
  std::fclose(f);
  return ok;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace ztptool
