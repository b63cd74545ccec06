#include "viewer/core/formats/exports.h"

#include "common/codepage.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {

std::string_view ExportExtension(TResourceType type) {
  return EntryTypeOf(type).extension;
}

Bytes PagePayload(ByteFile& file, const TResourceInfo& entry, CoreHost& host) {
  return EntryTypeOf(entry.ResType).payload(file, entry, host);
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
                             const ExportContext& context) {
  const EntryType& row = EntryTypeOf(entry.ResType);
  const Error nothing =
      Fail("Error!  Unable to save " + Cp1252ToUtf8(entry.Name), ErrorKind::kDamaged);
  ExportedFile r;
  r.extension = row.extension;
  if (row.picture) {
    PictureResult decoded = row.picture(file, entry, context, host);
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
  if (r.bytes.empty() && row.save != StoredEntryBytes) return nothing;
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
                                 const std::string& containerPath, const FontColours& fontColours,
                                 ExportNotes notesGo) {
  if (!EntryInsideFile(entry, file.Size()))
    return Unable("save", entry, OutsideFileMessage(entry, file.Size()), ErrorKind::kDamaged);
  // Only the reads of this entry count.
  (void)file.TakeReadFailure();
  const ExportContext context{containerPath, fontColours};
  NoteTaker notes(host);
  Result<ExportedFile> r = notesGo == ExportNotes::kToHost
                               ? Convert(file, entry, host, context)
                               : WithNotes(Convert(file, entry, notes, context), notes);
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
