// Any bytes as a WAV file: the reader either gives whole sample frames of a format it
// supports or says why not, and what it gives survives our writer and a second read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brindle;
  const Result<WavSound> r = ReadWav(ByteView(data, size));
  if (!r) {
    if (r.message().empty()) std::abort();
    return 0;
  }
  const WavFormat& f = r->format;
  if (r->pcm.size() % (std::size_t{f.channels} * f.bits / 8) != 0) std::abort();
  const Result<WavSound> again = ReadWav(MakeWav(f, r->pcm));
  if (!again || again->pcm != r->pcm || again->format.rate != f.rate ||
      again->format.channels != f.channels || again->format.bits != f.bits)
    std::abort();
  return 0;
}
