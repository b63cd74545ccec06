#pragma once
// The text page txttab: a text table shown as a grid of cells (txttabgrid) or as plain text
// (txttabbox), one at a time, with find and replace over whichever is shown. Behind the Edit
// toggle both views take edits, which Save writes back over the entry.

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <map>

#include "viewer/core/formats/texts.h"
#include "viewer/ui/base/entry_page.h"

namespace brindle {

class TextCellDelegate;

// The grid as a model over the walk's result: nothing is copied per cell, a cell becomes
// text only when the view paints it. Model row r is grid row r + 1; the grid's empty
// heading row 0 is the view's horizontal header, which stays in place when rows scroll.
class TextGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetGrid(TextGrid grid);
  // The same table after edits to cells: rows stay, columns may only grow, so the view keeps
  // its place, selection and open editor.
  void SwapGrid(TextGrid grid);
  const TextGrid& grid() const { return grid_; }
  // Cells take edits (double-click, F2, typing) only while this is on.
  void SetEditable(bool on) { editable_ = on; }
  // Typed cells that cannot be stored yet (a character Windows-1252 cannot hold): shown as
  // typed until they are corrected or the edits are discarded. Keyed by grid cell.
  std::map<GridCell, QString>& pending() { return pending_; }
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  // A cell was typed into (grid row = model row + 1); the page decides what becomes of it.
  void CellEdited(GridCell cell, const QString& text);

 private:
  TextGrid grid_;
  bool editable_ = false;
  std::map<GridCell, QString> pending_;
};

// txttabgrid over the model: 100 x 17 cells, column widths the user can drag, read-only.
QTableView* MakeTextGridView(TextGridModel* model, QWidget* parent);

// The text box's text: Windows-1252 shown as Unicode; CR LF, a lone CR and a lone LF each
// end a line, as in any editor; a NUL shows as the NUL symbol so the text after it is seen.
QString TextBoxText(ByteView text);

class TextPage : public EntryPage {
  Q_OBJECT
 public:
  explicit TextPage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  void ShowTextEntry(ByteFile& container, const TResourceInfo& entry);

  QTableView* grid() const { return grid_; }
  TextGridModel* model() const { return model_; }
  QPlainTextEdit* box() const { return box_; }
  QLineEdit* findBox() const { return find_; }
  QLineEdit* replaceBox() const { return replace_; }
  bool PrepareToLeave() override;
  // Edits not yet written: typed cells, an edited text box, or a text that differs from the
  // entry's.
  bool Unsaved() const;
  // The next match of the find box's text, in any case, in the view shown. When there is
  // none the selection stays and the find box turns pink.
  void FindNext();
  // Selects the grid's cell (row 1 holds the text's first line; columns from 0) and brings
  // the grid forward if the text box was shown.
  void SelectCell(std::size_t row, std::size_t column);
  // Replace: the match selected (the text box's selection, or every match in the grid's
  // current cell) becomes the replace box's text, and the next match is selected.
  // Replace All: every match in the view shown; the status bar says how many. Both turn
  // Edit on.
  void ReplaceOne();
  void ReplaceAll();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void txttabviewClick();
  void txttabsavetotxtClick();
  void txttabimporttxtClick();
  void txttabeditClick(bool on);
  void txttabsaveClick();
  // True when a match was found and selected.
  bool FindInGrid(const QString& needle);
  bool FindInBox(const QString& needle);
  void FillBox();
  void ApplyCellEdit(GridCell cell, const QString& text);
  // A cell editor still open hands its text over, as leaving the cell would.
  void EndCellEdit();
  // Takes the box's edits into the text (the grid follows). False when they cannot be
  // stored; the message says why.
  bool TakeBoxEdits();
  // False while a typed cell cannot be stored; the message names it.
  bool CheckPendingCells();
  void ShowText(Bytes text);
  void Changed();
  void Discard();

  TextGridModel* model_;
  QTableView* grid_;
  TextCellDelegate* cells_;
  QPlainTextEdit* box_;
  QPushButton* view_;
  QPushButton* edit_;
  QPushButton* save_;
  QLineEdit* find_;
  QLineEdit* replace_;
  QPushButton* replaceOne_;
  QPushButton* replaceAll_;
  Bytes original_;         // the entry's text as shown last
  Bytes text_;             // with the edits taken so far
  bool boxStale_ = false;  // the box does not show text_ yet (filled when it is shown)
  bool saving_ = false;    // our own write shows the entry again: nothing to ask then
  int entryIndex_ = -1;
  std::string entryName_;
};

EntryPage* MakeTextPage(PageContext& c);

}  // namespace brindle
