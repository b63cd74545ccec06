#include "viewer/ui/shell/entry_list_model.h"

#include <QMimeData>
#include <algorithm>

#include "common/codepage.h"
#include "viewer/core/entries/identify.h"

namespace brindle {

namespace {

EntryColumn ColumnOf(int section) {
  return static_cast<EntryColumn>(section);
}

constexpr int kColumnCount = static_cast<int>(EntryColumn::kCount);

}  // namespace

int EntryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kept_.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
  const int entry = index.isValid() ? EntryOf(index.row()) : -1;
  if (entry < 0 || index.column() >= kColumnCount) return {};
  if (role == Qt::ToolTipRole) return ToolTip(entry);
  const EntryColumn column = ColumnOf(index.column());
  if (role == Qt::TextAlignmentRole) {
    const bool number = column == EntryColumn::kSize || column == EntryColumn::kPacked;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  if (role != Qt::DisplayRole) return {};
  const auto e = static_cast<std::size_t>(entry);
  const std::optional<PictureSize> read = e < readSizes_.size() ? readSizes_[e] : std::nullopt;
  return QString::fromStdString(
      Cp1252ToUtf8(EntryColumnText(dataFile_.Entries[e], dataFile_.Kind, column, read)));
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString(EntryColumnTitle(ColumnOf(section)));
  if (role == Qt::TextAlignmentRole) {
    const EntryColumn column = ColumnOf(section);
    const bool number = column == EntryColumn::kSize || column == EntryColumn::kPacked;
    return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
  }
  return {};
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid()) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList EntryListModel::mimeTypes() const {
  return {QStringLiteral("text/uri-list")};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const {
  std::vector<int> entries;
  for (const QModelIndex& i : indexes)
    entries.push_back(EntryOf(i.row()));
  std::erase(entries, -1);
  std::sort(entries.begin(), entries.end());
  entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
  if (entries.empty() || !dragEntries) return nullptr;
  return dragEntries(entries);
}

void EntryListModel::sort(int column, Qt::SortOrder order) {
  if (column >= kColumnCount) column = -1;
  if (column == sortColumn_ && order == order_) return;
  sortColumn_ = column;
  order_ = order;
  Resort();
}

void EntryListModel::Resort() {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Rows move; the selection and the current row follow their entries.
  const QModelIndexList before = persistentIndexList();
  std::vector<int> entries;
  entries.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& i : before)
    entries.push_back(EntryOf(i.row()));
  SortKept();
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype k = 0; k < before.size(); ++k) {
    const int row = RowOf(entries[static_cast<std::size_t>(k)]);
    after.push_back(row >= 0 ? index(row, before[k].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::Refill(std::vector<int> kept) {
  beginResetModel();
  kept_ = std::move(kept);
  SortKept();
  endResetModel();
}

void EntryListModel::SortKept() {
  if (sortColumn_ < 0) {
    std::sort(kept_.begin(), kept_.end());
  } else {
    SortEntries(kept_, dataFile_, ColumnOf(sortColumn_), order_ == Qt::AscendingOrder, readSizes_);
  }
  IndexRows();
}

void EntryListModel::IndexRows() {
  rowOf_.assign(dataFile_.Entries.size(), -1);
  for (std::size_t row = 0; row < kept_.size(); ++row) {
    const auto entry = static_cast<std::size_t>(kept_[row]);
    if (entry < rowOf_.size()) rowOf_[entry] = static_cast<int>(row);
  }
}

int EntryListModel::EntryOf(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < kept_.size()
             ? kept_[static_cast<std::size_t>(row)]
             : -1;
}

int EntryListModel::RowOf(int entry) const {
  return entry >= 0 && static_cast<std::size_t>(entry) < rowOf_.size()
             ? rowOf_[static_cast<std::size_t>(entry)]
             : -1;
}

void EntryListModel::ForgetFacts() {
  readSizes_.assign(dataFile_.Entries.size(), std::nullopt);
}

void EntryListModel::TakeChunk(const BackgroundIdentifier::Chunk& chunk) {
  bool taken = false;
  for (std::size_t i = 0; i < chunk.entries.size(); ++i) {
    const std::size_t at = chunk.first + i;
    if (at >= dataFile_.Entries.size()) break;
    TResourceInfo& mine = dataFile_.Entries[at];
    const TResourceInfo& read = chunk.entries[i];
    // An entry rewritten since the pass read it is not the entry it read.
    if (mine.Offset != read.Offset || mine.Size != read.Size || mine.Name != read.Name) continue;
    if (!mine.Identified && read.Identified) {
      mine = read;
      taken = true;
    }
    if (i < chunk.pictureSizes.size() && chunk.pictureSizes[i] && at < readSizes_.size()) {
      readSizes_[at] = chunk.pictureSizes[i];
      taken = true;
    }
  }
  if (!taken || kept_.empty()) return;
  const auto column = static_cast<EntryColumn>(sortColumn_);
  if (sortColumn_ >= 0 && column != EntryColumn::kName && column != EntryColumn::kPacked) {
    // The order depends on what was just learnt: sort again, rows following their entries.
    Resort();
  }
  emit dataChanged(index(0, 1), index(rowCount() - 1, kColumnCount - 1));
}

// Asked for one row at a time, when the pointer rests on it: only that entry is identified.
QString EntryListModel::ToolTip(int entry) const {
  IdentifyEntry(dataFile_, entry);
  const TResourceInfo& e = dataFile_.Entries[static_cast<std::size_t>(entry)];
  return QString::fromStdString(EntryTooltip(e, dataFile_.FileName));
}

}  // namespace brindle
