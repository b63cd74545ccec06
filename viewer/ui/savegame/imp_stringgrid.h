#pragma once
// TImpStringgrid: the editable text grid every saved-game editor grid is built on.
//
// An ordinary grid of text cells (optional grey caption row and column, editing in place)
// with what the editor pages rely on:
//   - CellLoseFocus(col, row) whenever an edit of a cell ends: Enter in the in-place editor,
//     the editor losing the focus (a click on another cell or control, Tab), Up or Down while
//     editing, and Delete on a cell that is not being edited (which first empties it).
//     Escape in the editor restores the old text and fires nothing. Another window taking
//     the focus (a message box, another program) does not end an edit; closing the window
//     drops it without firing.
//   - SelectCell(col, row, &canSelect) before the current cell changes, for mouse clicks,
//     keys and SetCurrentCell alike. A handler that clears canSelect keeps the current cell
//     as it is at that moment (the handler may itself have moved it). While a handler runs,
//     moves of this grid that it makes are applied without asking again, so handlers may
//     call SetCurrentCell on this or another grid freely. An edit in progress ends (with its
//     CellLoseFocus) before SelectCell is asked. Caption cells never become current.
//   - per-column pick lists (ButtonStyle cbsPicklist): the editor shows a drop-down button
//     that opens a TPopupListbox below the cell (above it near the screen's bottom edge),
//     PicklistDropdown being asked first.
//   - per-column box keys (colorlist) drawn as outlined boxes while ColorGrid is on.
//
// Coordinates are always (column, row), as in Cells(col, row). Mouse positions given to and
// by the grid (CellAt, MouseDown, DragOver) are in viewport() coordinates.
//
// Refilling the grid (SetRowCount, SetColCount, ClearCells) drops an edit in progress
// without CellLoseFocus, so text typed for one character never lands on another; an owner
// that wants the typed text kept calls EndEdit() before it refills.
//
// Column widths can be changed with the mouse on the column borders in the caption row.
//
// The caption rows stay put while the rows below them scroll: once the grid is scrolled
// down they are drawn over the top of the view, the mouse finds them there, and the current
// cell is never left under them.
//
// The grid does not take Tab: Tab ends an edit and moves the focus to the next control, so
// there are no new-row or too-many-rows events.

#include <QColor>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <deque>

class QToolButton;

namespace brindle {

class TImpStringgrid;

enum TColumnButtonStyle { cbsNone, cbsPicklist, cbsEllipsis };

// One column's settings. Plain fields are read when they are used (drawing, editing,
// dropping down); after changing colorlist or Alignment of a visible grid call Invalidate().
// References stay valid while the column exists (columns are only added or removed at the end).
class TImpColumn {
 public:
  Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
  TColumnButtonStyle ButtonStyle = cbsNone;
  int DropDownRows = 7;
  QStringList PickList;
  bool ReadOnly = false;
  // Entry r is the box key of row r in this column; an empty text (or no entry) means none.
  QStringList colorlist;

  int Width() const;
  void SetWidth(int width);
  // The caption lives in the grey caption row (row 0); without a caption row it is ignored.
  QString Title() const;
  void SetTitle(const QString& caption);

 private:
  friend class TImpStringgrid;
  TImpColumn(TImpStringgrid* grid, int index) : grid_(grid), index_(index) {}
  TImpStringgrid* grid_;
  int index_;
};

// The drop-down list of a pick-list column: a popup that closes on the release of the mouse
// button. Releasing on an entry (or Enter) takes it; releasing outside or Escape takes nothing.
class TPopupListbox : public QListWidget {
  Q_OBJECT
 public:
  explicit TPopupListbox(QWidget* parent = nullptr);
  // The height of one entry; the list is as high as its visible entries plus 4 pixels.
  // Typing narrows the list to the entries holding the text (any part, any case), Backspace
  // widens it again, and Enter takes the entry under the bar or the first one left.
  int RowHeight() const { return rowHeight_; }
  void SetEntries(const QStringList& entries);

 signals:
  void EntryChosen(const QString& text);
  void ClosedUp();

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void CloseUp(QListWidgetItem* chosen);
  QListWidgetItem* FirstShown() const;
  int rowHeight_;
  QString filter_;  // what was typed while the list is open
  bool closing_ = false;
  // Still the press on the drop-down button that opened the list.
  bool openingPress_ = true;
};

// The in-place editor: a line edit, with a drop-down button in pick-list columns.
class TImpGridInplaceEdit : public QLineEdit {
  Q_OBJECT
 public:
  TImpGridInplaceEdit(TImpStringgrid* grid, int col, int row, QWidget* parent);
  int EditCol() const { return col_; }
  int EditRow() const { return row_; }
  // The drop-down button, or null when the column has no pick list.
  QToolButton* DropDownButton() const { return button_; }
  // Opens the column's pick list below (or above) the editor; does nothing without one.
  void DropDown();
  TPopupListbox* Popup() const { return popup_; }
  bool PopupOpen() const;
  // Shows entries below the editor (above it near the screen's bottom edge), at most
  // dropDownRows of them at a time, the one equal to the text (any case) preselected.
  void ShowPopup(const QStringList& entries, int dropDownRows);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  TImpStringgrid* grid_;
  int col_;
  int row_;
  QToolButton* button_ = nullptr;
  QPointer<TPopupListbox> popup_;
};

class TImpStringgrid : public QTableWidget {
  Q_OBJECT
 public:
  using TImpGridColumns = std::deque<TImpColumn>;

  explicit TImpStringgrid(QWidget* parent = nullptr);

  int ColCount() const { return columnCount(); }
  void SetColCount(int count);
  int RowCount() const { return rowCount(); }
  void SetRowCount(int count);
  QString Cells(int col, int row) const;
  void SetCell(int col, int row, const QString& text);
  void ClearCells();  // every cell's text, captions included

  // Grey caption rows at the top and columns at the left: never current, never edited.
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  bool IsFixed(int col, int row) const { return col < fixedCols_ || row < fixedRows_; }

  void SetDefaultColWidth(int width);
  void SetDefaultRowHeight(int height);

  // The current cell, -1 when there is none.
  int Col() const { return currentColumn(); }
  int Row() const { return currentRow(); }
  // Asks SelectCell like a click does (unless called from this grid's own SelectCell).
  void SetCurrentCell(int col, int row);

  TImpGridColumns& Columns() { return columns_; }
  TImpColumn& Column(int i) { return columns_.at(static_cast<std::size_t>(i)); }
  const TImpColumn& Column(int i) const { return columns_.at(static_cast<std::size_t>(i)); }

  bool ColorGrid() const { return colorGrid_; }
  void SetColorGrid(bool on);
  // The box key of a cell ("" when none) and a shortcut that grows colorlist as needed.
  QString KeyAt(int col, int row) const;
  void SetKey(int col, int row, const QString& key);
  // Repaints every cell (after changing keys or alignments).
  void Invalidate();

  // Editing as a whole; each column may also be ReadOnly.
  bool Editable() const { return editable_; }
  void SetEditable(bool on) { editable_ = on; }
  bool CanEdit(int col, int row) const;
  // Opens the in-place editor on the current cell; false when it cannot be edited.
  bool StartEdit();
  // Ends an edit in progress, keeping the typed text and firing CellLoseFocus.
  void EndEdit();
  // Ends an edit in progress, dropping the typed text, firing nothing.
  void CancelEdit();
  TImpGridInplaceEdit* Editor() const { return editor_; }

  // (col, row) of the cell under a viewport position, (-1, -1) when there is none.
  QPoint CellAt(QPoint viewportPos) const;
  QModelIndex indexAt(const QPoint& viewportPos) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  // Drags. StartDrag runs a drag with this grid as its source and returns when it ends
  // (at once under the offscreen platform, which has no drag and drop: tests drive the
  // moves through HandleDragOver, from DragStarting if they like).
  // BeginDrag(true) does the same; BeginDrag(false) starts it once the mouse, still
  // pressed, has moved by the platform's drag distance from where it was pressed.
  void StartDrag();
  void BeginDrag(bool immediate);
  bool Dragging() const { return dragging_; }
  // The work of a drag entering or moving over the grid: asks DragOver and tells whether
  // the drag is accepted. Called by the drag events; tests may call it directly.
  bool HandleDragOver(QObject* source, QPoint viewportPos);

 signals:
  void CellLoseFocus(int col, int row);
  void SelectCell(int col, int row, bool* canSelect);
  void PicklistDropdown(int col, int row, QStringList* pickList);
  void ElippsisClicked(int col, int row);
  // After the grid's own handling of the press (which may have moved the current cell).
  void MouseDown(int col, int row, QMouseEvent* event);
  // Leave *accept false to refuse the drag at this position; col/row are -1 off the cells.
  void DragOver(QObject* source, int col, int row, bool* accept);
  // A drag from this grid is about to run (Dragging() is already true).
  void DragStarting();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  friend class TImpGridDelegate;
  friend class TImpGridSelectionModel;
  friend class TImpGridInplaceEdit;

  bool AllowMove(const QModelIndex& index);
  // Emits SelectCell for (col, row) and gives its answer.
  bool AskSelectCell(int col, int row);
  // The column whose right border in the caption row is under x, or -1.
  int SizingBorderAt(QPoint viewportPos) const;
  // How far down the caption rows reach, and whether they are drawn over scrolled rows.
  int CaptionHeight() const;
  bool CaptionsFloat() const;
  // The row shown at a viewport height: a caption row where they float, or -1.
  int RowAt(int y) const;
  void PaintFloatingCaptions();
  void MoveCurrentDirect(int col, int row);
  void EnsureCurrentCell();
  void EditorKey(QKeyEvent* event);
  void LeaveByTab(bool forward);
  void OpenPickList(TImpGridInplaceEdit* editor);
  void ComputeBoxes();
  // The box of a key as cells: x = columns, y = rows; null when no cell carries it.
  const QRect* BoxOf(const QString& key) const;
  QTableWidgetItem* ItemFor(int col, int row);

  TImpGridColumns columns_;
  int fixedCols_ = 0;
  int fixedRows_ = 0;
  bool colorGrid_ = false;
  bool editable_ = true;
  bool inSelectCell_ = false;
  bool directMove_ = false;
  bool dragging_ = false;
  bool dragArmed_ = false;
  bool pressedCurrent_ = false;
  QPoint dragFrom_;
  int sizingCol_ = -1;
  int sizingFrom_ = 0;
  int sizingWidth_ = 0;
  QPointer<TImpGridInplaceEdit> editor_;
  bool lastDragAccepted_ = false;
  QHash<QString, QRect> boxes_;  // rebuilt before each paint
};

// Draws caption cells, boxes and ordinary cells and makes the in-place editors.
class TImpGridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit TImpGridDelegate(TImpStringgrid* grid);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  void PaintFixed(QPainter* painter, const QStyleOptionViewItem& option, const QString& text) const;
  void PaintBoxCell(QPainter* painter, const QStyleOptionViewItem& option, int col, int row,
                    const QString& text, const QString& key) const;
  void PaintOrdinary(QPainter* painter, const QStyleOptionViewItem& option, int col, int row,
                     const QString& text) const;
  TImpStringgrid* grid_;
};

}  // namespace brindle
