#include "viewer/ui/base/entry_page.h"

#include <algorithm>

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
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

void EntryPage::SaveSelected(
    const std::string& shown, const std::string& ext, const std::string& kind,
    const std::function<Result<Bytes>(ByteFile&, const TResourceInfo&)>& make) {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  auto target = context_.prompts().AskSaveFile(
      ExportDialog(shown, ext, kind, entry->Name, context_.DialogFolder()));
  if (!target) return;
  CoreHost& host = context_.host();
  auto file = OpenContainerFile(context_.DataFile().FileName, FileMode::kReadShared);
  if (!file) {
    host.Message(file.message());
    return;
  }
  Result<Bytes> bytes =
      EntryInsideFile(*entry, (*file)->Size()) ? make(**file, *entry) : UnableToSave(*entry);
  // What was made of bytes that could not be read is not the entry: nothing is saved.
  if (Status read = (*file)->TakeReadFailure(); !read) {
    host.Message(read.message() + "\n" + UnableToSave(*entry).message);
  } else if (!bytes) {
    host.Message(bytes.message());
  } else if (Status written = WriteWholeFile(*target, *bytes); !written) {
    host.Message(CannotOpenMessage(*target) + " for writing: " + written.message());
  }
}

Error EntryPage::UnableToSave(const TResourceInfo& entry) const {
  return Fail("Error!  Unable to save " + EntryName(entry), ErrorKind::kDamaged);
}

void EntryPage::ImportSelected(const std::string& shown, const std::string& ext,
                               const std::string& kind,
                               std::initializer_list<TResourceType> types) {
  const TResourceInfo* entry = SelectedEntry();
  if (!entry) return;
  const int index = context_.SelectedIndex();
  auto source = context_.prompts().AskOpenFile(
      ImportDialog(shown, ext, kind, entry->Name, context_.DialogFolder()));
  if (!source) return;
  // The type decides after the dialog, as it always has.
  const TResourceType type = entry->ResType;
  const ImportConverters imports = CoreImportConverters();
  auto convert = imports.find(type);
  if (std::find(types.begin(), types.end(), type) == types.end() || convert == imports.end() ||
      !convert->second) {
    context_.host().Message("Importing for current file format not implemented!");
    return;
  }
  Status imported =
      convert->second(context_.DataFile(), index, *source, type == rtBitmap, context_.host());
  if (!imported) context_.host().Message(imported.message());
}

std::string EntryPage::EntryName(const TResourceInfo& e) const {
  return Cp1252ToUtf8(e.Name);
}

}  // namespace brindle
