#include "viewer/ui/savegame/imp_stringgrid.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

namespace brindle {
namespace {

const QColor kBoxFill(230, 230, 230);
const QColor kBoxLine(128, 128, 128);
const QColor kBoxLineActive(0, 0, 128);
const QColor kGridLine(192, 192, 192);
constexpr int kTextMargin = 3;
constexpr int kButtonWidth = 16;
const char* const kDragMime = "application/x-brindle-grid-cell";

bool IsEnterKey(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

// Every change of the current cell, whatever its cause, passes through setCurrentIndex:
// the one place where SelectCell can be asked and the move refused.
class TImpGridSelectionModel : public QItemSelectionModel {
 public:
  TImpGridSelectionModel(TImpStringgrid* grid, QAbstractItemModel* model)
      : QItemSelectionModel(model, grid), grid_(grid) {}

  void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
    // The handlers may add or remove rows; keep the target only if it still exists.
    const QPersistentModelIndex target(index);
    if (!grid_->AllowMove(index)) return;
    if (index.isValid() && !target.isValid()) return;
    QItemSelectionModel::setCurrentIndex(target, command);
  }

 private:
  TImpStringgrid* grid_;
};

// ---------------------------------------------------------------- TImpColumn

int TImpColumn::Width() const {
  return grid_->columnWidth(index_);
}

void TImpColumn::SetWidth(int width) {
  grid_->setColumnWidth(index_, width);
}

QString TImpColumn::Title() const {
  return grid_->FixedRows() > 0 ? grid_->Cells(index_, 0) : QString();
}

void TImpColumn::SetTitle(const QString& caption) {
  if (grid_->FixedRows() > 0 && grid_->RowCount() > 0) grid_->SetCell(index_, 0, caption);
}

// ---------------------------------------------------------------- TPopupListbox

TPopupListbox::TPopupListbox(QWidget* parent) : QListWidget(parent) {
  setObjectName("TPopupListbox");
  setWindowFlags(Qt::Popup);
  // A plain 2-pixel frame: the list is exactly its rows plus 4 pixels high.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
  setSpacing(0);
  setMouseTracking(true);
  rowHeight_ = fontMetrics().height() + 2;
}

void TPopupListbox::SetEntries(const QStringList& entries) {
  clear();
  rowHeight_ = fontMetrics().height() + 2;
  for (const QString& text : entries) {
    auto* item = new QListWidgetItem(text, this);
    item->setSizeHint(QSize(fontMetrics().horizontalAdvance(text) + 4, rowHeight_));
  }
}

bool TPopupListbox::event(QEvent* event) {
  // Mouse events outside the list reach the list itself, which a scroll area would drop.
  if (event->type() == QEvent::MouseButtonRelease) {
    mouseReleaseEvent(static_cast<QMouseEvent*>(event));
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (!rect().contains(mouse->position().toPoint())) {
      CloseUp(nullptr);
      return true;
    }
  }
  return QListWidget::event(event);
}

void TPopupListbox::mousePressEvent(QMouseEvent* event) {
  openingPress_ = false;
  QListWidget::mousePressEvent(event);
}

void TPopupListbox::mouseMoveEvent(QMouseEvent* event) {
  // Follow the mouse; once it is over the entries the press that opened the list counts
  // as the list's own, so its release decides.
  const QPoint at = viewport()->mapFromGlobal(event->globalPosition().toPoint());
  if (viewport()->rect().contains(at)) {
    openingPress_ = false;
    if (QListWidgetItem* item = itemAt(at)) setCurrentItem(item);
  }
}

void TPopupListbox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = viewport()->mapFromGlobal(event->globalPosition().toPoint());
  QListWidgetItem* item = viewport()->rect().contains(at) ? itemAt(at) : nullptr;
  // A plain click on the drop-down button leaves the list open for a second click.
  if (!item && openingPress_) {
    openingPress_ = false;
    return;
  }
  CloseUp(item);
}

void TPopupListbox::keyPressEvent(QKeyEvent* event) {
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (IsEnterKey(event->key())) {
    // The entry under the bar, or else the first one the typed text lets through.
    QListWidgetItem* chosen = currentItem();
    if (!chosen || chosen->isHidden()) chosen = FirstShown();
    CloseUp(chosen);
  } else if (event->key() == Qt::Key_Escape) {
    CloseUp(nullptr);
  } else if (printable || (event->key() == Qt::Key_Backspace && !filter_.isEmpty())) {
    // Typing narrows the list to the entries holding the text, in any case.
    if (printable) {
      filter_ += typed;
    } else {
      filter_.chop(1);
    }
    for (int i = 0; i < count(); ++i)
      item(i)->setHidden(!filter_.isEmpty() &&
                         !item(i)->text().contains(filter_, Qt::CaseInsensitive));
    QListWidgetItem* first = FirstShown();
    if (first) {
      setCurrentItem(first);
      scrollToItem(first, QAbstractItemView::PositionAtTop);
    }
  } else {
    QListWidget::keyPressEvent(event);
  }
}

QListWidgetItem* TPopupListbox::FirstShown() const {
  for (int i = 0; i < count(); ++i)
    if (!item(i)->isHidden()) return item(i);
  return nullptr;
}

void TPopupListbox::hideEvent(QHideEvent* event) {
  QListWidget::hideEvent(event);
  if (!closing_) emit ClosedUp();
}

void TPopupListbox::CloseUp(QListWidgetItem* chosen) {
  if (closing_) return;
  closing_ = true;
  const QString text = chosen ? chosen->text() : QString();
  hide();
  if (chosen) emit EntryChosen(text);
  emit ClosedUp();
}

// ---------------------------------------------------------------- TImpGridInplaceEdit

TImpGridInplaceEdit::TImpGridInplaceEdit(TImpStringgrid* grid, int col, int row, QWidget* parent)
    : QLineEdit(parent), grid_(grid), col_(col), row_(row) {
  setObjectName("TImpGridInplaceEdit");
  setFrame(false);
  const TImpColumn& column = grid->Column(col);
  setAlignment(column.Alignment);
  if (column.ButtonStyle == cbsPicklist) {
    button_ = new QToolButton(this);
    button_->setObjectName("dropdownbutton");
    button_->setArrowType(Qt::DownArrow);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setCursor(Qt::ArrowCursor);
    setTextMargins(0, 0, kButtonWidth, 0);
    connect(button_, &QToolButton::pressed, this, &TImpGridInplaceEdit::DropDown);
  }
}

void TImpGridInplaceEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  if (button_) button_->setGeometry(width() - kButtonWidth, 0, kButtonWidth, height());
}

bool TImpGridInplaceEdit::PopupOpen() const {
  return popup_ && popup_->isVisible();
}

void TImpGridInplaceEdit::DropDown() {
  if (!button_ || PopupOpen()) return;
  grid_->OpenPickList(this);
}

void TImpGridInplaceEdit::ShowPopup(const QStringList& entries, int dropDownRows) {
  if (popup_) popup_->deleteLater();
  popup_ = new TPopupListbox(this);
  popup_->setFont(font());
  popup_->SetEntries(entries);
  int widest = 0;
  for (const QString& text : entries)
    widest = std::max(widest, popup_->fontMetrics().horizontalAdvance(text));
  const int rows = std::min<int>(static_cast<int>(entries.size()), std::max(1, dropDownRows));
  const QSize size(std::max(width(), widest + 10), rows * popup_->RowHeight() + 4);

  // Below the cell, or above it when the screen ends first.
  const QPoint below = mapToGlobal(QPoint(0, height()));
  QPoint at = below;
  const QScreen* screen = this->screen();
  if (screen && below.y() + size.height() > screen->geometry().bottom() + 1)
    at = mapToGlobal(QPoint(0, 0)) - QPoint(0, size.height());
  popup_->setGeometry(QRect(at, size));

  // Open at the current value, whatever its case.
  for (int i = 0; i < entries.size(); ++i) {
    if (entries[i].compare(text(), Qt::CaseInsensitive) == 0) {
      popup_->setCurrentRow(i);
      popup_->scrollToItem(popup_->item(i), QAbstractItemView::PositionAtTop);
      break;
    }
  }
  connect(popup_, &TPopupListbox::EntryChosen, this, [this](const QString& chosen) {
    setText(chosen);
    selectAll();
  });
  connect(popup_, &TPopupListbox::ClosedUp, this, [this] {
    if (button_) button_->setDown(false);
    setFocus(Qt::PopupFocusReason);
  });
  popup_->show();
}

// ---------------------------------------------------------------- TImpStringgrid

TImpStringgrid::TImpStringgrid(QWidget* parent) : QTableWidget(parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  horizontalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setMinimumSectionSize(1);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setShowGrid(false);  // the delegate draws the lines, so a box hides its inner ones
  setWordWrap(false);
  setSelectionMode(QAbstractItemView::NoSelection);
  setSelectionModel(new TImpGridSelectionModel(this, model()));
  setItemDelegate(new TImpGridDelegate(this));
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  setTabKeyNavigation(false);
  setDragEnabled(false);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  viewport()->setMouseTracking(true);  // for the sizing cursor on caption borders
}

void TImpStringgrid::SetColCount(int count) {
  count = std::max(0, count);
  CancelEdit();
  directMove_ = true;
  setColumnCount(count);
  directMove_ = false;
  while (static_cast<int>(columns_.size()) < count)
    columns_.push_back(TImpColumn(this, static_cast<int>(columns_.size())));
  while (static_cast<int>(columns_.size()) > count)
    columns_.pop_back();
  EnsureCurrentCell();
}

void TImpStringgrid::SetRowCount(int count) {
  CancelEdit();
  directMove_ = true;
  setRowCount(std::max(0, count));
  directMove_ = false;
  EnsureCurrentCell();
}

QString TImpStringgrid::Cells(int col, int row) const {
  const QTableWidgetItem* cell = item(row, col);
  return cell ? cell->text() : QString();
}

void TImpStringgrid::SetCell(int col, int row, const QString& text) {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
  if (text.isEmpty() && !item(row, col)) return;
  ItemFor(col, row)->setText(text);
}

void TImpStringgrid::ClearCells() {
  clearContents();
}

QTableWidgetItem* TImpStringgrid::ItemFor(int col, int row) {
  QTableWidgetItem* cell = item(row, col);
  if (!cell) {
    cell = new QTableWidgetItem;
    setItem(row, col, cell);
  }
  return cell;
}

void TImpStringgrid::SetFixedCols(int count) {
  fixedCols_ = std::max(0, count);
  EnsureCurrentCell();
  Invalidate();
}

void TImpStringgrid::SetFixedRows(int count) {
  fixedRows_ = std::max(0, count);
  EnsureCurrentCell();
  Invalidate();
}

void TImpStringgrid::SetDefaultColWidth(int width) {
  horizontalHeader()->setDefaultSectionSize(width);
  for (int c = 0; c < columnCount(); ++c)
    setColumnWidth(c, width);
}

void TImpStringgrid::SetDefaultRowHeight(int height) {
  verticalHeader()->setDefaultSectionSize(height);
  for (int r = 0; r < rowCount(); ++r)
    setRowHeight(r, height);
}

void TImpStringgrid::SetCurrentCell(int col, int row) {
  if (col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return;
  setCurrentCell(row, col);
}

void TImpStringgrid::MoveCurrentDirect(int col, int row) {
  directMove_ = true;
  setCurrentCell(row, col);
  directMove_ = false;
}

// A grid always has a current cell once it has cells that are not captions.
void TImpStringgrid::EnsureCurrentCell() {
  if (fixedCols_ >= columnCount() || fixedRows_ >= rowCount()) return;
  const int col = currentColumn();
  const int row = currentRow();
  if (col >= fixedCols_ && row >= fixedRows_) return;
  MoveCurrentDirect(std::max(col, fixedCols_), std::max(row, fixedRows_));
}

bool TImpStringgrid::AllowMove(const QModelIndex& index) {
  if (directMove_ || inSelectCell_ || !index.isValid()) return true;
  if (IsFixed(index.column(), index.row())) return false;
  if (index == currentIndex()) return true;
  // The edit of the cell being left ends before the new cell is asked for.
  if (editor_) EndEdit();
  return AskSelectCell(index.column(), index.row());
}

bool TImpStringgrid::AskSelectCell(int col, int row) {
  bool canSelect = true;
  inSelectCell_ = true;
  emit SelectCell(col, row, &canSelect);
  inSelectCell_ = false;
  return canSelect;
}

void TImpStringgrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableWidget::currentChanged(current, previous);
  // The current cell decides which box is outlined in dark blue: repaint every box.
  Invalidate();
}

void TImpStringgrid::SetColorGrid(bool on) {
  colorGrid_ = on;
  Invalidate();
}

QString TImpStringgrid::KeyAt(int col, int row) const {
  if (col < 0 || row < 0 || col >= static_cast<int>(columns_.size())) return QString();
  const QStringList& keys = Column(col).colorlist;
  return row < keys.size() ? keys[row] : QString();
}

void TImpStringgrid::SetKey(int col, int row, const QString& key) {
  if (col < 0 || row < 0 || col >= static_cast<int>(columns_.size())) return;
  QStringList& keys = Column(col).colorlist;
  while (keys.size() <= row)
    keys.append(QString());
  keys[row] = key;
  Invalidate();
}

void TImpStringgrid::Invalidate() {
  viewport()->update();
}

void TImpStringgrid::ComputeBoxes() {
  boxes_.clear();
  if (!colorGrid_) return;
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    const QStringList& keys = columns_[static_cast<std::size_t>(c)].colorlist;
    for (int r = 0; r < keys.size(); ++r) {
      if (keys[r].isEmpty()) continue;
      auto found = boxes_.find(keys[r]);
      if (found == boxes_.end())
        boxes_.insert(keys[r], QRect(c, r, 1, 1));
      else
        *found = found->united(QRect(c, r, 1, 1));
    }
  }
}

const QRect* TImpStringgrid::BoxOf(const QString& key) const {
  auto found = boxes_.constFind(key);
  return found == boxes_.constEnd() ? nullptr : &*found;
}

void TImpStringgrid::paintEvent(QPaintEvent* event) {
  ComputeBoxes();
  QTableWidget::paintEvent(event);
  if (CaptionsFloat()) PaintFloatingCaptions();
}

int TImpStringgrid::CaptionHeight() const {
  int height = 0;
  for (int r = 0; r < fixedRows_ && r < rowCount(); ++r)
    height += rowHeight(r);
  return height;
}

bool TImpStringgrid::CaptionsFloat() const {
  return fixedRows_ > 0 && rowCount() > fixedRows_ && rowViewportPosition(0) < 0;
}

int TImpStringgrid::RowAt(int y) const {
  if (CaptionsFloat() && y >= 0 && y < CaptionHeight()) {
    for (int r = 0, top = 0; r < fixedRows_; top += rowHeight(r), ++r)
      if (y < top + rowHeight(r)) return r;
  }
  return rowAt(y);
}

QModelIndex TImpStringgrid::indexAt(const QPoint& viewportPos) const {
  const QPoint cell = CellAt(viewportPos);
  return cell.x() < 0 ? QModelIndex() : model()->index(cell.y(), cell.x());
}

void TImpStringgrid::PaintFloatingCaptions() {
  QPainter painter(viewport());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const int right = viewport()->width();
  for (int r = 0, top = 0; r < fixedRows_ && r < rowCount(); top += rowHeight(r), ++r) {
    for (int c = 0; c < columnCount(); ++c) {
      const int left = columnViewportPosition(c);
      if (isColumnHidden(c) || left >= right || left + columnWidth(c) <= 0) continue;
      option.rect = QRect(left, top, columnWidth(c), rowHeight(r));
      itemDelegate()->paint(&painter, option, model()->index(r, c));
    }
  }
}

void TImpStringgrid::scrollContentsBy(int dx, int dy) {
  QTableWidget::scrollContentsBy(dx, dy);
  // The floating captions are drawn over whatever scrolled beneath them: draw them afresh.
  if (fixedRows_ > 0 && dy != 0) viewport()->update();
}

void TImpStringgrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QTableWidget::scrollTo(index, hint);
  if (!index.isValid() || index.row() < fixedRows_) return;
  // A row the view shows at its top would sit under the floating captions: scroll up past it.
  QScrollBar* bar = verticalScrollBar();
  while (CaptionsFloat() && bar->value() > bar->minimum() &&
         rowViewportPosition(index.row()) < CaptionHeight())
    bar->setValue(bar->value() - 1);
}

bool TImpStringgrid::CanEdit(int col, int row) const {
  if (!editable_ || col < 0 || row < 0 || col >= columnCount() || row >= rowCount()) return false;
  if (IsFixed(col, row)) return false;
  return !Column(col).ReadOnly;
}

bool TImpStringgrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // Only the current cell is edited, so an edit never starts on a refused cell.
  if (!index.isValid() || index != currentIndex() || !CanEdit(index.column(), index.row()))
    return false;
  return QTableWidget::edit(index, trigger, event);
}

QModelIndex TImpStringgrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Keys that would land on a caption (Home, Ctrl+Home, PageUp...) stop beside it.
  const QModelIndex to = QTableWidget::moveCursor(action, modifiers);
  if (!to.isValid() || !IsFixed(to.column(), to.row())) return to;
  const int col = std::max(to.column(), fixedCols_);
  const int row = std::max(to.row(), fixedRows_);
  if (col >= columnCount() || row >= rowCount()) return QModelIndex();
  return model()->index(row, col);
}

bool TImpStringgrid::StartEdit() {
  if (editor_) return true;
  return edit(currentIndex(), QAbstractItemView::AllEditTriggers, nullptr);
}

void TImpStringgrid::EndEdit() {
  if (!editor_) return;
  TImpGridInplaceEdit* editor = editor_;
  if (editor->Popup()) editor->Popup()->hide();
  commitData(editor);
  closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TImpStringgrid::CancelEdit() {
  if (!editor_) return;
  if (editor_->Popup()) editor_->Popup()->hide();
  closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
}

void TImpStringgrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  const bool ours = editor && editor == editor_;
  const int col = ours ? editor_->EditCol() : -1;
  const int row = ours ? editor_->EditRow() : -1;
  if (ours) editor_ = nullptr;  // a second close of the same editor fires nothing
  // Moving to another cell after an edit is this grid's business (Up/Down), not the view's.
  if (hint == QAbstractItemDelegate::EditNextItem ||
      hint == QAbstractItemDelegate::EditPreviousItem)
    hint = QAbstractItemDelegate::NoHint;
  QTableWidget::closeEditor(editor, hint);
  if (ours && hint != QAbstractItemDelegate::RevertModelCache) emit CellLoseFocus(col, row);
}

void TImpStringgrid::EditorKey(QKeyEvent* event) {
  const int step = event->key() == Qt::Key_Up ? -1 : 1;
  EndEdit();
  const int target = Row() + step;
  if (Row() >= 0 && target >= fixedRows_ && target < rowCount()) SetCurrentCell(Col(), target);
}

void TImpStringgrid::LeaveByTab(bool forward) {
  EndEdit();
  focusNextPrevChild(forward);
}

void TImpStringgrid::OpenPickList(TImpGridInplaceEdit* editor) {
  TImpColumn& column = Column(editor->EditCol());
  emit PicklistDropdown(editor->EditCol(), editor->EditRow(), &column.PickList);
  if (column.PickList.isEmpty() || editor != editor_) return;
  editor->ShowPopup(column.PickList, column.DropDownRows);
}

void TImpStringgrid::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (state() != QAbstractItemView::EditingState && modifiers == Qt::NoModifier) {
    const int col = Col();
    const int row = Row();
    if (event->key() == Qt::Key_Delete) {
      if (CanEdit(col, row)) {
        SetCell(col, row, QString());
        emit CellLoseFocus(col, row);
      }
      event->accept();
      return;
    }
    if (IsEnterKey(event->key())) {
      StartEdit();
      event->accept();
      return;
    }
  }
  QTableWidget::keyPressEvent(event);
}

QPoint TImpStringgrid::CellAt(QPoint viewportPos) const {
  const int col = columnAt(viewportPos.x());
  const int row = RowAt(viewportPos.y());
  if (col < 0 || row < 0) return QPoint(-1, -1);
  return QPoint(col, row);
}

int TImpStringgrid::SizingBorderAt(QPoint viewportPos) const {
  constexpr int kGrip = 3;
  const int row = RowAt(viewportPos.y());
  if (row < 0 || row >= fixedRows_) return -1;
  const int col = columnAt(viewportPos.x());
  if (col < 0) return -1;
  const int left = columnViewportPosition(col);
  if (viewportPos.x() >= left + columnWidth(col) - kGrip) return col;
  if (viewportPos.x() < left + kGrip && col > 0) return col - 1;
  return -1;
}

void TImpStringgrid::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int border = event->button() == Qt::LeftButton ? SizingBorderAt(at) : -1;
  if (border >= 0) {
    sizingCol_ = border;
    sizingFrom_ = at.x();
    sizingWidth_ = columnWidth(border);
    return;
  }
  const QPoint cell = CellAt(at);
  dragArmed_ = false;
  dragFrom_ = at;
  // A second click on the current cell of a focused grid opens its editor on release.
  const bool onCurrent = cell.x() >= 0 && cell == QPoint(Col(), Row());
  pressedCurrent_ = event->button() == Qt::LeftButton && hasFocus() && onCurrent;
  // A click asks for its cell even when it is already current, so the owner hears of it
  // (the inventory takes the item under the mouse for a drag that way).
  if (onCurrent && !IsFixed(cell.x(), cell.y()) && !inSelectCell_)
    AskSelectCell(cell.x(), cell.y());
  QTableWidget::mousePressEvent(event);
  emit MouseDown(cell.x(), cell.y(), event);
}

void TImpStringgrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (sizingCol_ >= 0) {
    setColumnWidth(sizingCol_, std::max(1, sizingWidth_ + at.x() - sizingFrom_));
    return;
  }
  if (event->buttons() == Qt::NoButton) {
    if (SizingBorderAt(at) >= 0)
      viewport()->setCursor(Qt::SplitHCursor);
    else
      viewport()->unsetCursor();
  }
  if (dragArmed_ && (event->buttons() & Qt::LeftButton) &&
      (at - dragFrom_).manhattanLength() >= QApplication::startDragDistance()) {
    dragArmed_ = false;
    StartDrag();
    return;
  }
  QTableWidget::mouseMoveEvent(event);
}

void TImpStringgrid::mouseReleaseEvent(QMouseEvent* event) {
  dragArmed_ = false;
  const bool clickedCurrent = pressedCurrent_ && event->button() == Qt::LeftButton &&
                              CellAt(event->position().toPoint()) == QPoint(Col(), Row());
  pressedCurrent_ = false;
  if (sizingCol_ >= 0) {
    sizingCol_ = -1;
    return;
  }
  QTableWidget::mouseReleaseEvent(event);
  if (clickedCurrent) StartEdit();
}

void TImpStringgrid::BeginDrag(bool immediate) {
  if (immediate)
    StartDrag();
  else
    dragArmed_ = true;
}

void TImpStringgrid::StartDrag() {
  if (dragging_) return;
  dragging_ = true;
  pressedCurrent_ = false;
  auto* drag = new QDrag(this);
  auto* data = new QMimeData;
  data->setData(kDragMime, QByteArray::number(Col()) + ',' + QByteArray::number(Row()));
  drag->setMimeData(data);
  emit DragStarting();
  drag->exec(Qt::MoveAction);
  dragging_ = false;
  // The drag took the release of the press that started it.
  setState(QAbstractItemView::NoState);
}

bool TImpStringgrid::HandleDragOver(QObject* source, QPoint viewportPos) {
  const QPoint cell = CellAt(viewportPos);
  bool accept = false;
  emit DragOver(source, cell.x(), cell.y(), &accept);
  lastDragAccepted_ = accept;
  return accept;
}

void TImpStringgrid::dragEnterEvent(QDragEnterEvent* event) {
  // Entering only asks for the moves that follow; each of them decides.
  event->acceptProposedAction();
}

void TImpStringgrid::dragMoveEvent(QDragMoveEvent* event) {
  if (HandleDragOver(event->source(), event->position().toPoint())) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TImpStringgrid::dropEvent(QDropEvent* event) {
  // Whatever a drag does happens while it moves; dropping only ends it.
  if (lastDragAccepted_) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
}

// ---------------------------------------------------------------- TImpGridDelegate

TImpGridDelegate::TImpGridDelegate(TImpStringgrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* TImpGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
  auto* editor = new TImpGridInplaceEdit(grid_, index.column(), index.row(), parent);
  grid_->editor_ = editor;
  return editor;
}

void TImpGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const {
  editor->setGeometry(option.rect);
}

bool TImpGridDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<TImpGridInplaceEdit*>(object);
  if (!editor || editor != grid_->editor_) return QStyledItemDelegate::eventFilter(object, event);
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool alt = key->modifiers() & Qt::AltModifier;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (ctrl && grid_->Column(editor->EditCol()).ButtonStyle == cbsEllipsis) {
          emit grid_->ElippsisClicked(editor->EditCol(), editor->EditRow());
          return true;
        }
        grid_->EndEdit();
        return true;
      case Qt::Key_Down:
        if (alt) {
          editor->DropDown();
          return true;
        }
        [[fallthrough]];
      case Qt::Key_Up:
        grid_->EditorKey(key);
        return true;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        grid_->LeaveByTab(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        return true;
      default:
        break;
    }
  } else if (event->type() == QEvent::FocusOut) {
    // The editor's own drop-down list takes the focus only for a while, and so does another
    // window (a message box, another program): the edit goes on when the focus comes back.
    // Closing the window therefore drops an edit instead of running the owner's handler
    // while the window is being torn down.
    const auto* focus = static_cast<QFocusEvent*>(event);
    if (focus->reason() == Qt::PopupFocusReason || focus->reason() == Qt::ActiveWindowFocusReason ||
        editor->PopupOpen())
      return false;
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

void TImpGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const int col = index.column();
  const int row = index.row();
  const QString text = index.data(Qt::DisplayRole).toString();
  painter->save();
  painter->setClipRect(option.rect);
  if (grid_->IsFixed(col, row)) {
    PaintFixed(painter, option, text);
  } else {
    const QString key = grid_->ColorGrid() ? grid_->KeyAt(col, row) : QString();
    if (!key.isEmpty() && grid_->BoxOf(key))
      PaintBoxCell(painter, option, col, row, text, key);
    else
      PaintOrdinary(painter, option, col, row, text);
  }
  painter->restore();
}

void TImpGridDelegate::PaintFixed(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QString& text) const {
  const QRect& rect = option.rect;
  const QPalette& palette = grid_->palette();
  painter->fillRect(rect, palette.color(QPalette::Button));
  // A raised edge, as caption cells have always looked.
  painter->fillRect(rect.left(), rect.top(), rect.width() - 1, 1, palette.color(QPalette::Light));
  painter->fillRect(rect.left(), rect.top(), 1, rect.height() - 1, palette.color(QPalette::Light));
  painter->fillRect(rect.left(), rect.bottom(), rect.width(), 1, palette.color(QPalette::Dark));
  painter->fillRect(rect.right(), rect.top(), 1, rect.height(), palette.color(QPalette::Dark));
  painter->setPen(palette.color(QPalette::ButtonText));
  painter->drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0),
                    Qt::AlignLeft | Qt::AlignVCenter, text);
}

void TImpGridDelegate::PaintBoxCell(QPainter* painter, const QStyleOptionViewItem& option, int col,
                                    int row, const QString& text, const QString& key) const {
  const QRect& rect = option.rect;
  const QRect box = *grid_->BoxOf(key);
  const bool active = box.contains(grid_->Col(), grid_->Row());
  painter->fillRect(rect, kBoxFill);
  // Cells on the box's right and bottom border keep the grid line beside the next cell.
  if (col == box.right()) painter->fillRect(rect.right(), rect.top(), 1, rect.height(), kGridLine);
  if (row == box.bottom())
    painter->fillRect(rect.left(), rect.bottom(), rect.width(), 1, kGridLine);

  // The outer edges through this cell, 2 pixels wide and 1 pixel inside it. Inner cells
  // carry the lines right across, so the outline of a box runs unbroken from cell to cell.
  const QColor line = active ? kBoxLineActive : kBoxLine;
  const int x0 = col == box.left() ? rect.left() + 1 : rect.left();
  const int x1 = col == box.right() ? rect.right() - 1 : rect.right();
  const int y0 = row == box.top() ? rect.top() + 1 : rect.top();
  const int y1 = row == box.bottom() ? rect.bottom() - 1 : rect.bottom();
  if (col == box.left()) painter->fillRect(rect.left() + 1, y0, 2, y1 - y0 + 1, line);
  if (col == box.right()) painter->fillRect(rect.right() - 2, y0, 2, y1 - y0 + 1, line);
  if (row == box.top()) painter->fillRect(x0, rect.top() + 1, x1 - x0 + 1, 2, line);
  if (row == box.bottom()) painter->fillRect(x0, rect.bottom() - 2, x1 - x0 + 1, 2, line);

  QFont font = option.font;
  font.setBold(active);
  painter->setFont(font);
  painter->setPen(grid_->palette().color(QPalette::Text));
  painter->drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0), grid_->Column(col).Alignment,
                    text);
}

void TImpGridDelegate::PaintOrdinary(QPainter* painter, const QStyleOptionViewItem& option, int col,
                                     int row, const QString& text) const {
  const QRect& rect = option.rect;
  const QPalette& palette = grid_->palette();
  const bool current = col == grid_->Col() && row == grid_->Row();
  const QPalette::ColorGroup group = grid_->hasFocus() ? QPalette::Active : QPalette::Inactive;
  painter->fillRect(
      rect, current ? palette.color(group, QPalette::Highlight) : palette.color(QPalette::Base));
  painter->fillRect(rect.right(), rect.top(), 1, rect.height(), kGridLine);
  painter->fillRect(rect.left(), rect.bottom(), rect.width(), 1, kGridLine);
  painter->setFont(option.font);
  painter->setPen(current ? palette.color(group, QPalette::HighlightedText)
                          : palette.color(QPalette::Text));
  painter->drawText(rect.adjusted(kTextMargin, 0, -kTextMargin - 1, -1),
                    grid_->Column(col).Alignment, text);
}

}  // namespace brindle
