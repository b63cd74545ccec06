// 8-bit BMP files and PCM WAV files, as much as ztptool needs of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ztptool {

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;         // top line first
  std::array<uint8_t, 768> palette{};  // red, green, blue
};

// Largest picture accepted, in pixels: far beyond any movie, small enough to allocate.
inline constexpr uint64_t kMaxPixels = 1u << 26;

// Parses a palette BMP: 8-bit (uncompressed or RLE8), or 1- or 4-bit widened to 8 bits (any header
// version from 40 bytes on, bottom-up or top-down). False with a reason when it is anything else or
// damaged.
bool ParseBmp(const std::vector<uint8_t>& file, Picture& out, std::string& error);
std::vector<uint8_t> MakeBmp(const Picture& picture);

struct Sound {
  uint32_t sampleRate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  std::vector<uint8_t> data;
};

// Parses a PCM WAV with 1 or 2 channels of 8 or 16 bits.
bool ParseWav(const std::vector<uint8_t>& file, Sound& out, std::string& error);
std::vector<uint8_t> MakeWav(const Sound& sound);

bool ReadFile(const std::string& path, std::vector<uint8_t>& out, uint64_t limit);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace ztptool
