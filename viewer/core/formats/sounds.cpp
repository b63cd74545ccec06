#include "viewer/core/formats/sounds.h"

#include <cstdio>

#include "common/file.h"
#include "common/wav.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

std::string SoundSummary(ByteView wav) {
  Result<WavSound> sound = ReadWav(wav);
  if (!sound) return "Not a PCM WAV: " + sound.message();
  const WavFormat& f = sound->format;
  const std::uint32_t frameBytes = f.channels * (f.bits / 8u);
  const double seconds = frameBytes > 0 && f.rate > 0
                             ? static_cast<double>(sound->pcm.size()) / frameBytes / f.rate
                             : 0.0;
  char text[96];
  std::snprintf(text, sizeof text, "%u Hz, %u-bit, %s, %.2f s", f.rate, f.bits,
                f.channels == 1 ? "mono" : "stereo", seconds);
  return text;
}

Status ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host) {
  const WatchHold hold(host);
  Result<Bytes> read = ReadWholeFile(path);
  if (!read) return read.error();
  Bytes sound = std::move(*read);
  if (sound.size() < 4 || sound[0] != 'R' || sound[1] != 'I' || sound[2] != 'F' || sound[3] != 'F')
    return Fail("Sound file " + BaseName(path) + " is not a valid WAV!", ErrorKind::kDamaged);
  return WriteBackSndEntry(dataFile, index, sound, host);
}

}  // namespace brindle
