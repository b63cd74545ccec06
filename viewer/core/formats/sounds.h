#pragma once
// Sound entries of a SND container: whole WAV files, stored raw or as a zlib stream.

#include <string>

#include "common/bytes.h"

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// What a sound is, from its WAV header: "22050 Hz, 16-bit, mono, 1.50 s" ("stereo", "4
// channels"), the format as it is. PCM this program cannot play (more than two channels,
// other widths than 8 or 16 bits) adds a second line saying so; a payload that is no PCM WAV
// says that ("Not a PCM WAV: REASON").
std::string SoundSummary(ByteView wav);
// False for PCM this program does not play (other widths than 8 or 16 bits, more than two
// channels): such a sound is not handed to the player. Anything else may be tried.
bool SoundPlayable(ByteView wav);

// Replaces sound `index` with the file's bytes when they start with "RIFF" (the only
// check); they are stored compressed. The watch is held meanwhile.
Status ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host);

}  // namespace brindle
