#include "viewer/core/formats/exports.h"

#include <algorithm>
#include <array>

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/fonts.h"
#include "viewer/core/formats/pcx.h"
#include "viewer/core/formats/sprites.h"

namespace brindle {

namespace {

using Extractor = Bytes (*)(ByteFile&, const TResourceInfo&, CoreHost&);

Bytes AfterLodHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, kLodHeaderSize, h);
}
Bytes BinAfterLodHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractBinEntry(f, e, kLodHeaderSize, h);
}
Bytes AfterMapHeader(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, kMapHeaderSize, h);
}
Bytes Whole(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  return ExtractEntry(f, e, 0, h);
}
// A sprite's header and line table take whatever the packed pixels leave of the entry.
Bytes SpritePixels(ByteFile& f, const TResourceInfo& e, CoreHost& h) {
  const std::int64_t header = static_cast<std::int64_t>(e.Size) - e.PackedSize;
  const std::int64_t clamped = std::max<std::int64_t>(0, std::min<std::int64_t>(header, e.Size));
  return ExtractEntry(f, e, static_cast<std::int32_t>(clamped), h);
}
Bytes Stored(ByteFile& f, const TResourceInfo& e, CoreHost&) {
  return f.ReadForDecoding(e.Offset, static_cast<std::size_t>(std::max(e.Size, 0)));
}
// A palette is always 768 raw colours after its header. Taking them as stored (rather than
// through the compression test) keeps a palette whose first colour happens to read 78 9C.
Bytes PaletteColours(ByteFile& f, const TResourceInfo& e, CoreHost&) {
  return f.ReadForDecoding(static_cast<std::int64_t>(e.Offset) + kLodHeaderSize, kPaletteBytes);
}

// Pictures are saved as BMP files, decoded afresh from the container.
using PictureDecoder = PictureResult (*)(ByteFile&, const TResourceInfo&, const std::string&,
                                         CoreHost&);

PictureResult BitmapPicture(ByteFile& f, const TResourceInfo& e, const std::string&, CoreHost& h) {
  return DecodeBitmapEntry(f, e, h);
}
PictureResult SpritePicture(ByteFile& f, const TResourceInfo& e, const std::string& container,
                            CoreHost& h) {
  return DecodeSprite(f, e, container, h);
}
// A font is saved as the sheet of all its characters in the page's initial colours.
PictureResult FontPicture(ByteFile& f, const TResourceInfo& e, const std::string&, CoreHost& h) {
  return RenderFontSheet(f, e, FontColours{}, h);
}
PictureResult PcxPicture(ByteFile& f, const TResourceInfo& e, const std::string&, CoreHost& h) {
  return DecodePcx(f, e, h);
}

struct TypeRow {
  TResourceType type;
  Extractor payload;         // what the page reads
  Extractor save;            // what its save button writes; null: see picture
  std::string_view ext;      // extension of the saved file; empty keeps the name
  PictureDecoder picture{};  // pictures: saved as a BMP of this; neither: no converter yet
};

constexpr std::array<TypeRow, 19> kRows = {{
    {rtText, AfterLodHeader, AfterLodHeader, "txt"},
    {rtPalette, PaletteColours, PaletteColours, "act"},
    {rtSprite, SpritePixels, nullptr, "bmp", SpritePicture},
    {rtBitmap, AfterLodHeader, nullptr, "bmp", BitmapPicture},
    {rtIcon, AfterLodHeader, nullptr, "bmp", BitmapPicture},
    {rtIconPcx, AfterLodHeader, nullptr, "bmp", PcxPicture},
    {rtSound, Whole, Whole, "wav"},
    {rtUnidentified, Stored, Stored, ""},
    {rtFont, AfterLodHeader, nullptr, "bmp", FontPicture},
    {rtEvt, AfterLodHeader, AfterLodHeader, "evt"},
    {rtStr, AfterLodHeader, AfterLodHeader, "str"},
    {rtBin, BinAfterLodHeader, BinAfterLodHeader, "bin"},
    {rtDlv, AfterMapHeader, AfterMapHeader, "dlv"},
    {rtDdm, AfterMapHeader, AfterMapHeader, "ddm"},
    {rtBlv, AfterMapHeader, AfterMapHeader, "blv"},
    {rtOdm, AfterMapHeader, AfterMapHeader, "odm"},
    {rtPcx, Stored, nullptr, "bmp", PcxPicture},
    {rtPartyBin, Stored, Stored, "bin"},
    {rtVideo, Stored, Stored, "ztp"},
}};

const TypeRow& RowOf(TResourceType type) {
  for (const TypeRow& r : kRows) {
    if (r.type == type) return r;
  }
  return kRows[rtUnidentified];
}

}  // namespace

std::string_view ExportExtension(TResourceType type) {
  return RowOf(type).ext;
}

Bytes PagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host) {
  return RowOf(entry.ResType).payload(file, entry, host);
}

namespace {

// Passes progress on and keeps the messages, so they come back with the result.
class NoteTaker : public CoreHost {
 public:
  explicit NoteTaker(CoreHost& host) : host_(host) {}
  void Message(const std::string& text) override { notes.push_back(text); }
  void ShowProgress(bool on, const std::string& caption) override {
    host_.ShowProgress(on, caption);
  }
  void SetProgress(int percent) override { host_.SetProgress(percent); }
  std::vector<std::string> notes;

 private:
  CoreHost& host_;
};

Result<ExportedFile> Convert(ByteFile& file, const TResourceInfo& entry, CoreHost& host,
                             const std::string& containerPath) {
  const TypeRow& row = RowOf(entry.ResType);
  const Error nothing =
      Fail("Error!  Unable to save " + Cp1252ToUtf8(entry.Name), ErrorKind::kDamaged);
  ExportedFile r;
  r.extension = row.ext;
  if (row.picture) {
    PictureResult decoded = row.picture(file, entry, containerPath, host);
    if (!decoded.ok()) return nothing;
    r.bytes = PictureToBmp(decoded.picture);
    return r;
  }
  if (!row.save)
    return Fail("Saving " + std::string(ResourceTypeName(entry.ResType)) +
                    " entries as files of their own is not available yet.",
                ErrorKind::kNotSupported);
  // Kinora movies keep their own extension.
  if (entry.ResType == rtVideo && UpperExtension(entry.Name) == ".KNO") r.extension = "kno";
  r.bytes = row.save(file, entry, host);
  // Stored entries are copied as they are, even when empty (a movie of size 0 gives an
  // empty file); an extract that yields nothing cannot be saved.
  if (r.bytes.empty() && row.save != Stored) return nothing;
  return r;
}

// The result with the notes taken on the way: in it, or before the error's message.
Result<ExportedFile> WithNotes(Result<ExportedFile> r, NoteTaker& notes) {
  if (r) {
    r->notes = std::move(notes.notes);
    return r;
  }
  std::string message;
  for (const std::string& note : notes.notes)
    message += note + "\n";
  return Fail(message + r.message(), r.kind());
}

// An entry that cannot be read says why on the line before the box's own words.
Error Unable(const char* verb, const TResourceInfo& entry, const std::string& why, ErrorKind kind) {
  return Fail(why + "\nError!  Unable to " + verb + " " + Cp1252ToUtf8(entry.Name), kind);
}

}  // namespace

Result<ExportedFile> ExportEntry(ByteFile& file, const TResourceInfo& entry, CoreHost& host,
                                 const std::string& containerPath) {
  if (!EntryInsideFile(entry, file.Size()))
    return Unable("save", entry, OutsideFileMessage(entry, file.Size()), ErrorKind::kDamaged);
  // Only the reads of this entry count.
  (void)file.TakeReadFailure();
  NoteTaker notes(host);
  Result<ExportedFile> r = WithNotes(Convert(file, entry, notes, containerPath), notes);
  // What was decoded from bytes that could not be read is not the entry: nothing is saved.
  if (Status read = file.TakeReadFailure(); !read)
    return Unable("save", entry, read.message(), ErrorKind::kReadFailed);
  return r;
}

Result<ExportedFile> ReadPagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host) {
  if (!EntryInsideFile(entry, file.Size()))
    return Unable("show", entry, OutsideFileMessage(entry, file.Size()), ErrorKind::kDamaged);
  (void)file.TakeReadFailure();
  NoteTaker notes(host);
  ExportedFile payload;
  payload.bytes = PagePayload(file, entry, notes);
  if (Status read = file.TakeReadFailure(); !read)
    return Unable("show", entry, read.message(), ErrorKind::kReadFailed);
  if (payload.bytes.empty())
    return WithNotes(
        Fail("Error!  Unable to show " + Cp1252ToUtf8(entry.Name), ErrorKind::kDamaged), notes);
  return WithNotes(std::move(payload), notes);
}

}  // namespace brindle
