#pragma once
// What an entry's page extracts and shows, and the file its save button writes, as its
// type's row says (entry_types.h). brindle-cli's extract and hexdump use these, as the
// window's pages do.

#include <string>
#include <string_view>
#include <vector>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/fonts.h"
#include "viewer/core/host.h"

namespace brindle {

// The bytes the entry's page reads: the extracted payload after the type's header (stored
// bytes for types that are not extracted).
Bytes PagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host);

// The extension (without its dot) a file saved from an entry of the type gets; empty where
// the entry's own name is kept.
std::string_view ExportExtension(TResourceType type);

struct ExportedFile {
  Bytes bytes;
  // Extension of the written file without its dot; empty keeps the entry's name as it is.
  std::string extension;
  // What went wrong on the way though something could still be saved ("Error Inflating:
  // DATA_ERROR!"), in the order it happened. The window shows these as boxes.
  std::vector<std::string> notes;
};

// The page's payload for callers without boxes: the messages said on the way come back as
// notes; an empty payload fails with "Error!  Unable to show NAME" (after those messages).
Result<ExportedFile> ReadPagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host);

// The file the entry's save button writes. containerPath is where `file` lies: sprites take
// their colours from the "bitmaps.lod" beside it (without it they cannot be saved); a font
// sheet is drawn in fontColours. An entry
// whose bytes are not all inside the file is never saved. Fails
// with "Error!  Unable to save NAME" (kDamaged) when there is nothing to save, and with
// kNotSupported when the type cannot be saved as a file of its own yet. The host hears the
// progress only: messages said on the way become notes (or lines before the error's
// message).
//
// Where the messages said on the way go: back with the result (for callers without boxes),
// or to the host as they are said, before the error's own (the window's boxes, in order).
enum class ExportNotes { kCollect, kToHost };
Result<ExportedFile> ExportEntry(ByteFile& file, const TResourceInfo& entry, CoreHost& host,
                                 const std::string& containerPath = {},
                                 const FontColours& fontColours = {},
                                 ExportNotes notesGo = ExportNotes::kCollect);

}  // namespace brindle
