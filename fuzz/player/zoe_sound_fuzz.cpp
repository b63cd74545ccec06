// Compressed sound chunks over arbitrary bytes: the first four give the ring size, the start
// position and the length to produce; the rest is the chunk's bit stream.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "player/movie/zoe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t ring = 1 + (size_t{data[0]} | size_t{data[1]} << 8);
  const size_t start = data[2];
  const size_t length = size_t{data[3]} * 97;
  std::vector<uint8_t> out(ring);
  zoe::SoundTrees trees;
  zoe::DecompressSound(data + 4, size - 4, out.data(), out.size(), start, length, 0x80, trees);
  return 0;
}
