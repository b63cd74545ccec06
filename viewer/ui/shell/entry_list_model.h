#pragma once
// The entry list: a view on DataFile's entries, so filling it costs nothing per entry. The
// filter box narrows it to some entries and a click on a heading sorts it; a row then
// stands for the entry it shows, and every operation goes by the entry's index, never the
// row. Facts that take an identification fill in as the background pass reaches them.

#include <QAbstractTableModel>
#include <functional>
#include <optional>
#include <vector>

#include "viewer/core/containers/data_file.h"
#include "viewer/core/edit/entry_columns.h"

namespace brindle {

class EntryListModel : public QAbstractTableModel {
 public:
  explicit EntryListModel(TDataFile& dataFile) : dataFile_(dataFile) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
  // A drag of rows carries what `dragEntries` makes of their entries (in directory order).
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  std::function<QMimeData*(const std::vector<int>&)> dragEntries;
  // column -1: directory order.
  void sort(int column, Qt::SortOrder order) override;

  // Shows the entries `kept` (indices in directory order), sorted as the list is.
  void Refill(std::vector<int> kept);
  int EntryOf(int row) const;  // -1 outside the list
  int RowOf(int entry) const;  // -1 when the entry is not shown
  int SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return order_; }

  // A new container (or a rewritten one): the facts read for the old one are forgotten.
  void ForgetFacts();
  // What the background pass found for entries [chunk.first, ...): taken for the entries
  // that are still the ones it read and not identified meanwhile.
  void TakeChunk(const BackgroundIdentifier::Chunk& chunk);

 private:
  QString ToolTip(int entry) const;
  void SortKept();
  void Resort();  // the same order again, rows following their entries
  void IndexRows();

  TDataFile& dataFile_;
  std::vector<int> kept_;                              // the shown entries, in the list's order
  std::vector<int> rowOf_;                             // per entry: its row, -1 when hidden
  std::vector<std::optional<PictureSize>> readSizes_;  // picture sizes read from headers
  int sortColumn_ = -1;
  Qt::SortOrder order_ = Qt::AscendingOrder;
};

}  // namespace brindle
