#include "viewer/ui/pages/text_page.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeySequence>
#include <QScrollBar>
#include <limits>

#include "common/codepage.h"
#include "viewer/core/formats/exports.h"
#include "viewer/ui/base/game_text.h"

namespace brindle {

namespace {

constexpr int kCellWidth = 100;
constexpr int kCellHeight = 17;
const char* const kToTextbox = "View in Textbox";
const char* const kToTable = "View in Table";
const QColor kNotFound(255, 200, 200);

int ClampToInt(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

}  // namespace

void TextGridModel::SetGrid(TextGrid grid) {
  beginResetModel();
  grid_ = std::move(grid);
  endResetModel();
}

int TextGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ClampToInt(grid_.RowCount() - 1);
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ClampToInt(grid_.ColumnCount());
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return ShownText(grid_.Cell(static_cast<std::size_t>(index.row()) + 1,
                              static_cast<std::size_t>(index.column())));
}

QVariant TextGridModel::headerData(int, Qt::Orientation, int role) const {
  // The heading row stays empty (not numbered, as a header otherwise would be).
  return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QString TextBoxText(ByteView text) {
  return QString::fromStdString(TextBoxShown(text));
}

QTableView* MakeTextGridView(TextGridModel* model, QWidget* parent) {
  auto* grid = new QTableView(parent);
  grid->setObjectName("txttabgrid");
  grid->setModel(model);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setWordWrap(false);
  grid->verticalHeader()->hide();  // no fixed column
  QHeaderView* columns = grid->horizontalHeader();
  columns->setMinimumSectionSize(8);
  columns->setDefaultSectionSize(kCellWidth);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setFixedHeight(kCellHeight);
  columns->setHighlightSections(false);
  QHeaderView* rows = grid->verticalHeader();
  rows->setMinimumSectionSize(kCellHeight);
  rows->setDefaultSectionSize(kCellHeight);
  // Every row the same height: tens of thousands of rows cost nothing to lay out.
  rows->setSectionResizeMode(QHeaderView::Fixed);
  return grid;
}

TextPage::TextPage(PageContext& context, QWidget* parent) : EntryPage(context, "txttab", parent) {
  model_ = new TextGridModel(this);
  grid_ = MakeTextGridView(model_, this);
  SetContent(grid_);

  box_ = new QPlainTextEdit(this);
  box_->setObjectName("txttabbox");
  box_->setReadOnly(true);
  box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  box_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  box_->hide();

  find_ = new QLineEdit(this);
  find_->setObjectName("txttabfind");
  find_->setPlaceholderText("Find (Ctrl+F, F3 next)");
  find_->setClearButtonEnabled(true);
  connect(find_, &QLineEdit::returnPressed, this, &TextPage::FindNext);
  connect(find_, &QLineEdit::textChanged, this,
          [this] { find_->setPalette(QApplication::palette(find_)); });

  // Both keys work wherever the focus is in the window while this page is shown.
  auto* focusFind = new QAction(this);
  focusFind->setObjectName("txttabfindaction");
  focusFind->setShortcut(QKeySequence::Find);
  focusFind->setShortcutContext(Qt::WindowShortcut);
  connect(focusFind, &QAction::triggered, this, [this] {
    find_->setFocus(Qt::ShortcutFocusReason);
    find_->selectAll();
  });
  auto* next = new QAction(this);
  next->setObjectName("txttabfindnext");
  next->setShortcut(QKeySequence(Qt::Key_F3));
  next->setShortcutContext(Qt::WindowShortcut);
  connect(next, &QAction::triggered, this, &TextPage::FindNext);
  addActions({focusFind, next});

  view_ = AddButton("txttabview", kToTextbox);
  QPushButton* save = AddButton("txttabsavetotxt", "Save to TXT");
  QPushButton* import = AddButton("txttabimporttxt", "Import TXT");
  connect(view_, &QPushButton::clicked, this, &TextPage::txttabviewClick);
  connect(save, &QPushButton::clicked, this, &TextPage::txttabsavetotxtClick);
  connect(import, &QPushButton::clicked, this, &TextPage::txttabimporttxtClick);
}

void TextPage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
  box_->setGeometry(grid_->geometry());
  // The find box takes the bottom left, up to the buttons.
  int buttonsLeft = width();
  for (const QPushButton* b : findChildren<QPushButton*>())
    buttonsLeft = std::min(buttonsLeft, b->x());
  find_->setGeometry(3, height() - 3 - 25, std::clamp(buttonsLeft - 9, 0, 240), 25);
}

void TextPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  ShowTextEntry(container, entry);
}

void TextPage::ShowTextEntry(ByteFile& container, const TResourceInfo& entry) {
  Bytes text = PagePayload(container, entry, context_.host());
  if (text.empty()) {
    // The page keeps what it showed and stays where it is.
    context_.host().Message("Error!  Unable to show " + EntryName(entry));
    return;
  }
  model_->SetGrid(WalkTextGrid(text));
  // Laying out a long text takes far longer than the grid: the box gets it when it is shown.
  boxText_ = std::move(text);
  if (box_->isVisibleTo(this)) FillBox();
  context_.ShowPage(this);
}

void TextPage::txttabviewClick() {
  // The caption names the view a click turns to; the choice holds for the next entries.
  const bool toBox = view_->text() == kToTextbox;
  view_->setText(toBox ? kToTable : kToTextbox);
  if (toBox) FillBox();
  box_->setVisible(toBox);
  grid_->setVisible(!toBox);
}

void TextPage::FillBox() {
  if (boxText_.empty()) return;
  box_->setPlainText(TextBoxText(boxText_));
  boxText_ = Bytes();
}

void TextPage::txttabsavetotxtClick() {
  // Every byte of the text, what follows a NUL too.
  SaveSelected();
}

void TextPage::txttabimporttxtClick() {
  ImportSelected();
}

void TextPage::FindNext() {
  const QString needle = find_->text();
  if (needle.isEmpty()) return;
  const bool found = box_->isVisibleTo(this) ? FindInBox(needle) : FindInGrid(needle);
  // Nothing found: the box turns pink until its text changes, as editors' find bars do.
  QPalette palette = find_->palette();
  palette.setColor(QPalette::Base,
                   found ? QApplication::palette(find_).color(QPalette::Base) : kNotFound);
  find_->setPalette(palette);
}

bool TextPage::FindInGrid(const QString& needle) {
  const QModelIndex current = grid_->currentIndex();
  GridCell from;  // the heading row: the search starts at the first cell
  if (current.isValid()) {
    from = {static_cast<std::size_t>(current.row()) + 1,
            static_cast<std::size_t>(current.column())};
  }
  auto found = FindTextCell(model_->grid(), from, [&needle](const std::string& cell) {
    return ShownText(cell).contains(needle, Qt::CaseInsensitive);
  });
  if (!found) return false;
  SelectCell(found->row, found->column);
  return true;
}

void TextPage::SelectCell(std::size_t row, std::size_t column) {
  const QModelIndex at = model_->index(ClampToInt(row - 1), ClampToInt(column));
  if (row == 0 || !at.isValid()) return;
  if (box_->isVisibleTo(this)) txttabviewClick();
  grid_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
  grid_->scrollTo(at);
}

bool TextPage::FindInBox(const QString& needle) {
  // Any case is the document's default; past the end the search starts again at the top.
  if (box_->find(needle)) return true;
  const QTextCursor kept = box_->textCursor();
  box_->moveCursor(QTextCursor::Start);
  if (box_->find(needle)) return true;
  box_->setTextCursor(kept);
  return false;
}

EntryPage* MakeTextPage(PageContext& c) {
  return new TextPage(c);
}

}  // namespace brindle
