#pragma once
// Text table entries (".TXT" in an ICONS LOD): a 48-byte header, then the text, raw or as a
// zlib stream. The table's rows end in CR LF, cells are separated by TAB.

#include <string>

#include "common/bytes.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// The entry bytes for a new text: compressed when the old text was (UnpackedSize != 0),
// raw otherwise. The file's bytes are stored unchanged.
Bytes BuildTextEntry(const TResourceInfo& entry, ByteView text);

// Reads the file and replaces text entry `index` with it. The watch is held meanwhile.
Status ImportTextFile(TDataFile& dataFile, int index, const std::string& path, CoreHost& host);

}  // namespace brindle
