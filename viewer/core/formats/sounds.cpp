#include "viewer/core/formats/sounds.h"

#include <cstdio>

#include "common/file.h"
#include "common/wav.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/writeback.h"

namespace brindle {

std::string SoundSummary(ByteView wav) {
  Result<WavHeader> header = ReadWavHeader(wav);
  if (!header) return "Not a PCM WAV: " + header.message();
  if (header->tag != 1) return "Not a PCM WAV: format " + std::to_string(header->tag);
  // The format as it is, whatever it is; a sound this program cannot play says so.
  const WavFormat& f = header->format;
  const std::uint64_t frameBytes = std::uint64_t{f.channels} * ((f.bits + 7u) / 8u);
  const double seconds = frameBytes > 0 && f.rate > 0
                             ? static_cast<double>(header->dataLength / frameBytes) / f.rate
                             : 0.0;
  const std::string channels = f.channels == 1   ? "mono"
                               : f.channels == 2 ? "stereo"
                                                 : std::to_string(f.channels) + " channels";
  char text[128];
  std::snprintf(text, sizeof text, "%u Hz, %u-bit, %s, %.2f s", f.rate, f.bits, channels.c_str(),
                seconds);
  std::string summary = text;
  if (!IsReadableWav(*header))
    summary +=
        "\nThis sound cannot be played here: only 8- or 16-bit PCM with one or two "
        "channels can.";
  return summary;
}

bool SoundPlayable(ByteView wav) {
  Result<WavHeader> header = ReadWavHeader(wav);
  // Other encodings go to the player, which may know them and says so when it does not.
  return !header || header->tag != 1 || IsReadableWav(*header);
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
