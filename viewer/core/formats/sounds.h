#pragma once
// Sound entries of a SND container: whole WAV files, stored raw or as a zlib stream.

#include <string>

#include "common/bytes.h"

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// One line on what a sound is, from its WAV header: "22050 Hz, 16-bit, mono, 1.50 s". A
// payload our reader does not take as PCM says so ("Not a PCM WAV: REASON"); the player may
// still be able to play it.
std::string SoundSummary(ByteView wav);

// Replaces sound `index` with the file's bytes when they start with "RIFF" (the only
// check); they are stored compressed. The watch is held meanwhile.
Status ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host);

}  // namespace brindle
