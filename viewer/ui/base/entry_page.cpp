#include "viewer/ui/base/entry_page.h"

#include <algorithm>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/core/formats/exports.h"
#include "viewer/core/formats/imports.h"

namespace brindle {

EntryPage::EntryPage(PageContext& context, const QString& objectName, QWidget* parent)
    : QWidget(parent), context_(context) {
  setObjectName(objectName);
}

QPushButton* EntryPage::AddButton(const QString& objectName, const QString& caption) {
  auto* b = new QPushButton(caption, this);
  b->setObjectName(objectName);
  b->resize(std::max(100, b->sizeHint().width()), 25);
  buttons_.push_back(b);
  return b;
}

void EntryPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (content_) content_->setGeometry(3, 3, width() - 6, height() - 39);
  int right = width() - 3;
  for (QPushButton* b : buttons_) {
    b->move(right - b->width(), height() - 3 - b->height());
    right -= b->width() + 3;
  }
}

const TResourceInfo* EntryPage::SelectedEntry() const {
  int index = context_.SelectedIndex();
  auto& entries = context_.DataFile().Entries;
  if (index < 0 || static_cast<std::size_t>(index) >= entries.size()) return nullptr;
  return &entries[static_cast<std::size_t>(index)];
}

namespace {

// The type's extension and filter: "Save to BMP..." or "Import BMP..." with "Bitmap files".
struct TypeDialog {
  std::string shown, ext, kind;
};
TypeDialog DialogOf(const TResourceInfo& entry) {
  const EntryType& type = EntryTypeOf(entry.ResType);
  const std::string ext(type.extension);
  return {UpperAscii(ext), ext, std::string(type.fileKind)};
}

}  // namespace

void EntryPage::SaveSelected(const FontColours& fontColours) {
  SaveSelectedMade([this, &fontColours](ByteFile& file, const TResourceInfo& entry) {
    CoreHost& host = context_.host();
    // Inflate messages are boxes of their own, shown as they happen.
    Result<ExportedFile> r = ExportEntry(file, entry, host, context_.DataFile().FileName,
                                         fontColours, ExportNotes::kToHost);
    if (!r) return Result<Bytes>(r.error());
    return Result<Bytes>(std::move(r->bytes));
  });
}

void EntryPage::SaveSelectedMade(
    const std::function<Result<Bytes>(ByteFile&, const TResourceInfo&)>& make) {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  const TypeDialog d = DialogOf(*entry);
  auto target = context_.prompts().AskSaveFile(
      ExportDialog(d.shown, d.ext, d.kind, entry->Name, context_.DialogFolder()));
  if (!target) return;
  CoreHost& host = context_.host();
  auto file = OpenContainerFile(context_.DataFile().FileName, FileMode::kReadShared);
  if (!file) {
    host.Message(file.message());
    return;
  }
  const std::string unable = "Error!  Unable to save " + EntryName(*entry);
  Result<Bytes> bytes = EntryInsideFile(*entry, (*file)->Size())
                            ? make(**file, *entry)
                            : Result<Bytes>(Fail(unable, ErrorKind::kDamaged));
  // What was made of bytes that could not be read is not the entry: nothing is saved.
  if (Status read = (*file)->TakeReadFailure(); !read) {
    host.Message(read.message() + "\n" + unable);
  } else if (!bytes) {
    host.Message(bytes.message());
  } else if (Status written = WriteWholeFile(*target, *bytes); !written) {
    host.Message(CannotOpenMessage(*target) + " for writing: " + written.message());
  }
}

void EntryPage::ImportSelected() {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  const int index = context_.SelectedIndex();
  const TypeDialog d = DialogOf(*entry);
  auto source = context_.prompts().AskOpenFile(
      ImportDialog(d.shown, d.ext, d.kind, entry->Name, context_.DialogFolder()));
  if (!source) return;
  // The type decides after the dialog, as it always has.
  const TResourceType type = entry->ResType;
  const ImportConverters imports = CoreImportConverters();
  auto convert = imports.find(type);
  if (convert == imports.end() || !convert->second) {
    context_.host().Message("Importing for current file format not implemented!");
    return;
  }
  Status imported = convert->second(context_.DataFile(), index, *source,
                                    EntryTypeOf(type).keepsSize, context_.host());
  if (!imported) context_.host().Message(imported.message());
}

std::string EntryPage::EntryName(const TResourceInfo& e) const {
  return Cp1252ToUtf8(e.Name);
}

}  // namespace brindle
