// The entry list's columns: the headings that sort it, the widths and order the user gave
// them (kept in brindle.ini), and the background pass that fills in what identification
// tells.
#include <QHeaderView>
#include <charconv>
#include <sstream>

#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/shell/find_dialog.h"
#include "viewer/ui/shell/main_window.h"
#include "viewer/ui/shell/thumbnail_view.h"

namespace brindle {

namespace {

constexpr int kColumnCount = static_cast<int>(EntryColumn::kCount);
constexpr int kNameWidth = 110;
constexpr int kFactWidth = 64;
constexpr const char* kSection = "List";

// "a,b,c" as numbers; nothing unless it holds exactly `count` whole numbers.
std::optional<std::vector<int>> ParseList(const std::string& text, int count) {
  std::vector<int> values;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    int v = 0;
    auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
    if (ec != std::errc() || p != item.data() + item.size() || item.empty()) return std::nullopt;
    values.push_back(v);
  }
  if (static_cast<int>(values.size()) != count) return std::nullopt;
  return values;
}

std::string JoinList(const std::vector<int>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) text += ',';
    text += std::to_string(values[i]);
  }
  return text;
}

}  // namespace

void TForm1::BuildListColumns() {
  QHeaderView* header = reslistbox_->header();
  header->setStretchLastSection(false);
  header->setSectionsMovable(true);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->resizeSection(0, kNameWidth);
  for (int c = 1; c < kColumnCount; ++c)
    header->resizeSection(c, kFactWidth);
  // A click sorts by the column, a second click the other way, a third gives the
  // directory's own order back.
  connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
    int column = section;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (model_->SortColumn() == section) {
      if (model_->SortOrder() == Qt::AscendingOrder) {
        order = Qt::DescendingOrder;
      } else {
        column = -1;
      }
    }
    reslistbox_->header()->setSortIndicator(column, order);
    model_->sort(column, order);
    if (QModelIndex current = reslistbox_->currentIndex(); current.isValid())
      reslistbox_->scrollTo(current);
  });
}

void TForm1::ReadListSettings(const IniFile& ini) {
  QHeaderView* header = reslistbox_->header();
  if (auto widths = ParseList(ini.Read(kSection, "widths"), kColumnCount)) {
    for (int c = 0; c < kColumnCount; ++c)
      if ((*widths)[static_cast<std::size_t>(c)] > 0)
        header->resizeSection(c, (*widths)[static_cast<std::size_t>(c)]);
  }
  if (auto order = ParseList(ini.Read(kSection, "order"), kColumnCount)) {
    // Only a whole permutation of the columns is taken.
    std::vector<int> seen(kColumnCount, 0);
    bool whole = true;
    for (int logical : *order) {
      if (logical < 0 || logical >= kColumnCount || seen[static_cast<std::size_t>(logical)]++)
        whole = false;
    }
    for (int visual = 0; whole && visual < kColumnCount; ++visual)
      header->moveSection(header->visualIndex((*order)[static_cast<std::size_t>(visual)]), visual);
  }
  if (auto sort = ParseList(ini.Read(kSection, "sort"), 1)) {
    const int column = (*sort)[0];
    const Qt::SortOrder order =
        ini.Read(kSection, "descending") == "1" ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column >= 0 && column < kColumnCount) {
      header->setSortIndicator(column, order);
      model_->sort(column, order);
    }
  }
}

void TForm1::SaveListSettings(IniFile& ini) const {
  const QHeaderView* header = reslistbox_->header();
  std::vector<int> widths, order;
  for (int c = 0; c < kColumnCount; ++c) {
    widths.push_back(header->sectionSize(c));
    order.push_back(header->logicalIndex(c));
  }
  ini.Write(kSection, "widths", JoinList(widths));
  ini.Write(kSection, "order", JoinList(order));
  ini.Write(kSection, "sort", std::to_string(model_->SortColumn()));
  ini.Write(kSection, "descending", model_->SortOrder() == Qt::DescendingOrder ? "1" : "0");
}

void TForm1::HoldBackgroundReads(bool hold) {
  // Writes may nest (a batch of imports): only the outermost hold counts.
  holdDepth_ += hold ? 1 : -1;
  if (holdDepth_ != (hold ? 1 : 0)) return;
  if (hold) {
    identifier_.reset();
    if (findDialog_) findDialog_->StopAndWait();
    thumbnails_->Hold();
    return;
  }
  thumbnails_->Refresh();
  // What identification had not reached yet; what it found before the write stays.
  if (!identifier_ && !dataFile_.FileName.empty()) RunIdentifier();
}

void TForm1::WaitForBackgroundReads() {
  if (identifier_) identifier_->Wait();
}

void TForm1::StartIdentifying() {
  identifier_.reset();
  model_->ForgetFacts();
  RunIdentifier();
}

void TForm1::RunIdentifier() {
  identifier_.reset();
  const int generation = ++identifyGeneration_;
  if (dataFile_.FileName.empty()) return;
  identifier_ = std::make_unique<BackgroundIdentifier>(
      dataFile_.FileName, dataFile_, [this, generation](BackgroundIdentifier::Chunk chunk) {
        // From the pass's thread to the window's: a chunk of a container no longer open is
        // dropped there, and nothing arrives once the window is gone.
        QMetaObject::invokeMethod(
            this,
            [this, generation, chunk = std::move(chunk)] {
              if (generation == identifyGeneration_) model_->TakeChunk(chunk);
            },
            Qt::QueuedConnection);
      });
}

}  // namespace brindle
