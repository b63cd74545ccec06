#pragma once
// What each entry type is, one row per type: its name, what its page reads, what its save
// button writes, how a file replaces an entry of it or becomes a new one, and what the
// entry list's tooltip tells of it. Whatever acts on an entry by its type (brindle-cli, the
// pages, export, import, batch import, add) asks this table; identification decides the
// type and leaves everything else to it.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "common/file.h"
#include "common/result.h"
#include "viewer/core/containers/data_file.h"
#include "viewer/core/formats/fonts.h"
#include "viewer/core/formats/picture.h"
#include "viewer/core/host.h"

namespace brindle {

// What a save may need beyond the entry: the container's path (sprites take their colours
// from the "bitmaps.lod" beside it) and the colours a font sheet is drawn in.
struct ExportContext {
  std::string containerPath;
  FontColours fontColours{};
};

// The bytes of an entry a page reads or a save writes.
using PayloadReader = Bytes (*)(ByteFile&, const TResourceInfo&, CoreHost&);
// How many bytes of an entry come before the stream its page extracts (and inflates where it
// is compressed).
using StreamHeader = std::int64_t (*)(const TResourceInfo&);
// A picture decoded from the container; saved as a BMP file.
using PictureDecoder = PictureResult (*)(ByteFile&, const TResourceInfo&, const ExportContext&,
                                         CoreHost&);
// Replaces entry `index` by the file at path. keepSize: the picture must keep the entry's
// width and height.
using ImportFunction = Status (*)(TDataFile&, int index, const std::string& path, bool keepSize,
                                  CoreHost&);
// A file made into a new entry.
struct NewEntryFile {
  std::string name;  // Windows-1252: the file's name, without its extension for pictures
                     // and sounds
  Bytes bytes;       // exactly as stored
  std::int32_t unpackedSize = 0;  // SND: the WAV's size (the bytes are compressed)
};
using AddFunction = Result<NewEntryFile> (*)(const std::string& path);
// A picture's size where identification leaves it to the picture's own header.
struct PictureSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
using PictureSizeReader = std::optional<PictureSize> (*)(ByteFile&, const TResourceInfo&,
                                                         CoreHost&);

struct EntryType {
  TResourceType type;
  std::string_view name;          // as brindle-cli list prints it and "type:" takes it
  PayloadReader payload;          // what the page reads
  StreamHeader stream;            // where that stream starts; null: read as stored
  PayloadReader save;             // what its save writes; null for pictures
  PictureDecoder picture;         // a picture: saved as a BMP file of it
  std::string_view extension;     // of a saved file, without its dot; empty keeps the name
  std::string_view fileKind;      // the save and import dialogs' filter: "Bitmap files"
  ImportFunction import;          // null: no file replaces an entry of this type
  bool keepsSize;                 // import: the picture keeps the entry's width and height
  std::string_view addFrom;       // "add": files with this extension (".BMP") become entries
  AddFunction add;                //   of this type, in the kinds whose row allows it
  PictureSizeReader pictureSize;  // the tooltip's picture size where the entry has none
};

// The entry's bytes as they stand in the container: what the types that are copied as
// they are read and save.
Bytes StoredEntryBytes(ByteFile& file, const TResourceInfo& entry, CoreHost& host);

// Every type, in code order.
std::span<const EntryType> EntryTypes();
// The row of a type; a code without one (the unused 10) answers rtUnidentified's row.
const EntryType& EntryTypeOf(TResourceType type);

// The type name without its "rt", in lower case: "text", "palette", ... "video".
std::string_view ResourceTypeName(TResourceType type);
// The type a name of ResourceTypeName stands for, in any case; nothing for other words.
std::optional<TResourceType> ResourceTypeFromName(std::string_view name);

// The entry's picture as its page shows and its save writes it; kNoPixels for types that
// are no pictures.
PictureResult DecodeEntryPicture(ByteFile& file, const TResourceInfo& entry,
                                 const ExportContext& context, CoreHost& host);

// The entry list's tooltip: "Type: NAME", "Size: N bytes" and, for pictures,
// "Picture: W x H" (read from the picture's header in the container at containerPath where
// identification did not give it), one a line.
std::string EntryTooltip(const TResourceInfo& entry, const std::string& containerPath);

}  // namespace brindle
