#pragma once
// "Batch Import...": files matched to entries by name, each handed to the import of its
// entry's type. The conversions themselves belong to the entry families and are plugged in
// here, so the core can run a batch before every family has its converter.

#include <functional>
#include <string>
#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// Replaces entry `index` from the file at path; says what went wrong through the host.
// sameSize: the picture must keep the entry's width and height (bitmaps only).
using ImportConverter = std::function<void(TDataFile& dataFile, int index, const std::string& path,
                                           bool sameSize, CoreHost& host)>;

struct ImportConverters {
  ImportConverter bitmap;  // rtIcon, rtBitmap
  ImportConverter text;    // rtText
  ImportConverter sound;   // rtSound
};

// The converters the core has: bitmaps, texts and sounds.
ImportConverters CoreImportConverters();

enum class BatchResult {
  kDone,
  kNoContainer,      // "Data file must be loaded first!"
  kKindNotSupported  // "Importing into current data file not implemented!"; batch stopped
};

// Runs the batch over the selected files (paths, in the selection's order). Entries are
// visited in directory order; each takes the first file whose name (folder removed, upper
// case) equals its own; files matching no entry are passed over in silence.
BatchResult BatchImport(TDataFile& dataFile, const std::vector<std::string>& files,
                        const ImportConverters& converters, CoreHost& host);

}  // namespace brindle
