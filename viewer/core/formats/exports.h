#pragma once
// What each entry type's page extracts, shows and saves, as one table: the payload its page
// works on, and the file its save button writes. brindle-cli's extract and hexdump use it,
// as the window's pages do.

#include <string>
#include <string_view>

#include "common/bytes.h"
#include "common/file.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/host.h"

namespace brindle {

// The bytes the entry's page reads: the extracted payload after the type's header (stored
// bytes for types that are not extracted).
Bytes PagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host);

enum class ExportStatus {
  kOk,
  kEmpty,        // nothing to save: "Error!  Unable to save " + name
  kNoConverter,  // this type cannot be saved as a file of its own yet
};

struct ExportResult {
  ExportStatus status = ExportStatus::kOk;
  Bytes bytes;
  // Extension of the written file without its dot; empty keeps the entry's name as it is.
  std::string extension;
};

// The file the entry's save button writes. containerPath is where `file` lies: sprites take
// their colours from the "bitmaps.lod" beside it (without it they cannot be saved).
ExportResult ExportEntry(ByteFile& file, const TResourceInfo& entry, CoreHost& host,
                         const std::string& containerPath = {});

}  // namespace brindle
