#pragma once
// Sound entries of a SND container: whole WAV files, stored raw or as a zlib stream.

#include <string>

#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// Replaces sound `index` with the file's bytes when they start with "RIFF" (the only
// check); they are stored compressed. The watch is held meanwhile.
Status ImportSoundFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host);

}  // namespace brindle
