#pragma once
// 24-bit PCX pictures, stored plain or behind a 48-byte LOD header.

#include <optional>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

// PCX entries, plain or behind a 48-byte header. With a reporter, the loading panel's bar
// follows the rows (row y of H reports (y, H - 1); a one-row picture reports nothing).
PictureResult DecodePcx(ByteFile& container, const TResourceInfo& entry, CoreHost& host,
                        ProgressReporter* progress = nullptr);
// A whole PCX file in memory.
PictureResult DecodePcxFile(ByteView pcx, ProgressReporter* progress = nullptr);

// The width and height a PCX entry's header gives, when it is one the decoder takes; only the
// entry's first bytes are used once it is extracted.
struct PcxSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
std::optional<PcxSize> ReadPcxSize(ByteFile& container, const TResourceInfo& entry, CoreHost& host);

}  // namespace brindle
