#include "viewer/ui/pages/text_page.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QHeaderView>
#include <QKeySequence>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
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

void TextGridModel::SwapGrid(TextGrid grid) {
  const int columns = columnCount();
  const int wider = ClampToInt(grid.ColumnCount());
  if (wider > columns) beginInsertColumns(QModelIndex(), columns, wider - 1);
  grid_ = std::move(grid);
  if (wider > columns) endInsertColumns();
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int TextGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ClampToInt(grid_.RowCount() - 1);
}

int TextGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ClampToInt(grid_.ColumnCount());
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const GridCell cell{static_cast<std::size_t>(index.row()) + 1,
                      static_cast<std::size_t>(index.column())};
  // A cell that cannot be stored as typed stands out until it is put right.
  if (role == Qt::BackgroundRole)
    return pending_.count(cell) ? QVariant(QBrush(kNotFound)) : QVariant();
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  if (auto typed = pending_.find(cell); typed != pending_.end()) return typed->second;
  return ShownText(grid_.Cell(cell.row, cell.column));
}

bool TextGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || !editable_) return false;
  emit CellEdited(
      GridCell{static_cast<std::size_t>(index.row()) + 1, static_cast<std::size_t>(index.column())},
      value.toString());
  return true;
}

QVariant TextGridModel::headerData(int, Qt::Orientation, int role) const {
  // The heading row stays empty (not numbered, as a header otherwise would be).
  return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  const Qt::ItemFlags shown = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  return editable_ ? shown | Qt::ItemIsEditable : shown;
}

QString TextBoxText(ByteView text) {
  return QString::fromStdString(TextBoxShown(text));
}

// The grid's usual cell editors, the one open kept at hand: Save, a view switch or leaving
// the entry take its text as Enter would.
class TextCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    open_ = editor;
    return editor;
  }
  void EndEdit() {
    // A closed editor is hidden at once and deleted later.
    QWidget* editor = open_;
    open_ = nullptr;
    if (!editor || !editor->isVisible()) return;
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
  }

 private:
  mutable QPointer<QWidget> open_;
};

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
  cells_ = new TextCellDelegate(grid_);
  grid_->setItemDelegate(cells_);
  SetContent(grid_);
  connect(model_, &TextGridModel::CellEdited, this, &TextPage::ApplyCellEdit);

  box_ = new QPlainTextEdit(this);
  box_->setObjectName("txttabbox");
  box_->setReadOnly(true);
  box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  box_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  box_->hide();
  connect(box_->document(), &QTextDocument::modificationChanged, this, &TextPage::Changed);

  find_ = new QLineEdit(this);
  find_->setObjectName("txttabfind");
  find_->setPlaceholderText("Find (Ctrl+F, F3 next)");
  find_->setClearButtonEnabled(true);
  connect(find_, &QLineEdit::returnPressed, this, &TextPage::FindNext);
  connect(find_, &QLineEdit::textChanged, this,
          [this] { find_->setPalette(QApplication::palette(find_)); });
  replace_ = new QLineEdit(this);
  replace_->setObjectName("txttabreplace");
  replace_->setPlaceholderText("Replace with");
  replace_->setClearButtonEnabled(true);
  connect(replace_, &QLineEdit::returnPressed, this, &TextPage::ReplaceOne);
  replaceOne_ = new QPushButton("Replace", this);
  replaceOne_->setObjectName("txttabreplaceone");
  replaceOne_->setToolTip("Replaces the match selected and selects the next (turns Edit on)");
  replaceAll_ = new QPushButton("Replace All", this);
  replaceAll_->setObjectName("txttabreplaceall");
  replaceAll_->setToolTip("Replaces every match in the view shown (turns Edit on)");
  connect(replaceOne_, &QPushButton::clicked, this, &TextPage::ReplaceOne);
  connect(replaceAll_, &QPushButton::clicked, this, &TextPage::ReplaceAll);

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
  auto* saveKey = new QAction(this);
  saveKey->setObjectName("txttabsaveaction");
  saveKey->setShortcut(QKeySequence::Save);
  saveKey->setShortcutContext(Qt::WindowShortcut);
  connect(saveKey, &QAction::triggered, this, [this] {
    if (save_->isEnabled()) txttabsaveClick();
  });
  addActions({focusFind, next, saveKey});

  view_ = AddButton("txttabview", kToTextbox);
  QPushButton* save = AddButton("txttabsavetotxt", "Save to TXT");
  QPushButton* import = AddButton("txttabimporttxt", "Import TXT");
  save_ = AddButton("txttabsave", "Save");
  save_->setEnabled(false);
  save_->setToolTip("Writes the edited table over the entry");
  edit_ = AddButton("txttabedit", "Edit");
  edit_->setCheckable(true);
  edit_->setToolTip("Lets the table's cells and text be changed");
  connect(view_, &QPushButton::clicked, this, &TextPage::txttabviewClick);
  connect(save, &QPushButton::clicked, this, &TextPage::txttabsavetotxtClick);
  connect(import, &QPushButton::clicked, this, &TextPage::txttabimporttxtClick);
  connect(save_, &QPushButton::clicked, this, &TextPage::txttabsaveClick);
  connect(edit_, &QPushButton::toggled, this, &TextPage::txttabeditClick);
}

void TextPage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
  // Find and replace get a row of their own above the buttons; the views give it room.
  const int barTop = height() - 3 - 25 - 3 - 25;
  grid_->setGeometry(3, 3, width() - 6, std::max(0, barTop - 6));
  box_->setGeometry(grid_->geometry());
  // The buttons keep their width; the two boxes share what is left, up to 220 pixels each.
  const int one = std::max(90, replaceOne_->sizeHint().width());
  const int all = std::max(90, replaceAll_->sizeHint().width());
  const int box = std::clamp((width() - 6 - one - all - 9) / 2, 60, 220);
  find_->setGeometry(3, barTop, box, 25);
  replace_->setGeometry(find_->geometry().right() + 4, barTop, box, 25);
  replaceOne_->setGeometry(replace_->geometry().right() + 4, barTop, one, 25);
  replaceAll_->setGeometry(replaceOne_->geometry().right() + 4, barTop, all, 25);
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
  const auto& entries = context_.DataFile().Entries;
  entryIndex_ = static_cast<int>(&entry - entries.data());
  entryName_ = entry.Name;
  original_ = text;
  ShowText(std::move(text));
  context_.ShowPage(this);
}

void TextPage::ShowText(Bytes text) {
  model_->pending().clear();
  model_->SetGrid(WalkTextGrid(text));
  text_ = std::move(text);
  // Laying out a long text takes far longer than the grid: the box gets it when it is shown.
  boxStale_ = true;
  if (box_->isVisibleTo(this)) FillBox();
  Changed();
}

void TextPage::txttabviewClick() {
  // The caption names the view a click turns to; the choice holds for the next entries.
  const bool toBox = view_->text() == kToTextbox;
  EndCellEdit();
  // Edits go with the text into the other view; what cannot be stored keeps the view.
  if (toBox ? !CheckPendingCells() : !TakeBoxEdits()) return;
  view_->setText(toBox ? kToTable : kToTextbox);
  if (toBox) FillBox();
  box_->setVisible(toBox);
  grid_->setVisible(!toBox);
}

void TextPage::FillBox() {
  if (!boxStale_) return;
  box_->setPlainText(TextBoxText(text_));
  box_->document()->setModified(false);
  boxStale_ = false;
}

void TextPage::txttabsavetotxtClick() {
  // Every byte of the text, what follows a NUL too.
  SaveSelected();
}

void TextPage::txttabimporttxtClick() {
  // The imported file replaces the text: edits not saved would be lost without a word.
  if (!PrepareToLeave()) return;
  ImportSelected();
}

// ---- Edits ----

void TextPage::txttabeditClick(bool on) {
  EndCellEdit();
  model_->SetEditable(on);
  grid_->setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                  QAbstractItemView::AnyKeyPressed
                            : QAbstractItemView::NoEditTriggers);
  box_->setReadOnly(!on);
}

bool TextPage::Unsaved() const {
  return !model_->pending().empty() || box_->document()->isModified() || text_ != original_;
}

void TextPage::Changed() {
  const bool unsaved = Unsaved();
  save_->setEnabled(unsaved);
  context_.SetUnsavedMark(unsaved);
}

void TextPage::EndCellEdit() {
  cells_->EndEdit();
}

void TextPage::ApplyCellEdit(GridCell cell, const QString& typed) {
  auto& pending = model_->pending();
  const std::string shown = typed.toStdString();
  const QModelIndex at = model_->index(ClampToInt(cell.row - 1), ClampToInt(cell.column));
  Result<std::string> bytes = CellFromShown(shown, cell);
  if (!bytes) {
    // Kept as typed, so nothing is lost; Save refuses it until it is put right.
    pending[cell] = typed;
    context_.SetPointerText(bytes.message());
    emit model_->dataChanged(at, at);
    Changed();
    return;
  }
  pending.erase(cell);
  Result<Bytes> edited = ApplyTextCellEdits(text_, {{cell, *bytes}});
  if (!edited) {
    context_.prompts().Message(edited.message());
    emit model_->dataChanged(at, at);
    return;
  }
  text_ = std::move(*edited);
  model_->SwapGrid(WalkTextGrid(text_));
  boxStale_ = true;
  Changed();
}

bool TextPage::CheckPendingCells() {
  const auto& pending = model_->pending();
  if (pending.empty()) return true;
  const auto& [cell, typed] = *pending.begin();
  context_.prompts().Message(CellFromShown(typed.toStdString(), cell).message());
  SelectCell(cell.row, cell.column);
  return false;
}

bool TextPage::TakeBoxEdits() {
  if (!box_->document()->isModified()) return true;
  // The raw text: the plain one turns no-break spaces into spaces, which would be an edit.
  QString typed = box_->document()->toRawText();
  typed.replace(QChar::ParagraphSeparator, '\n').replace(QChar::LineSeparator, '\n');
  Result<Bytes> edited = ApplyTextBoxEdit(text_, typed.toStdString());
  if (!edited) {
    context_.prompts().Message(edited.message());
    return false;
  }
  text_ = std::move(*edited);
  model_->SetGrid(WalkTextGrid(text_));
  box_->document()->setModified(false);
  Changed();
  return true;
}

void TextPage::txttabsaveClick() {
  EndCellEdit();
  if (!CheckPendingCells() || !TakeBoxEdits()) return;
  const std::string name = Cp1252ToUtf8(entryName_);
  if (text_ == original_) {
    Changed();
    context_.SetPointerText("Nothing to save: " + name + " has no changes");
    return;
  }
  const auto& entries = context_.DataFile().Entries;
  if (entryIndex_ < 0 || static_cast<std::size_t>(entryIndex_) >= entries.size() ||
      entries[static_cast<std::size_t>(entryIndex_)].Name != entryName_) {
    context_.prompts().Message("The entry " + name +
                               " is no longer in the container.  Nothing was saved.");
    return;
  }
  // A written entry is shown again from the file: that is the text saved, nothing to ask.
  saving_ = true;
  const Status s = ReplaceTextEntry(context_.DataFile(), entryIndex_, text_, context_.host());
  saving_ = false;
  if (!s) {
    context_.SetPointerText(name + " was not saved");
    context_.prompts().Message(s.message());
    return;
  }
  context_.SetPointerText("Saved " + name);
}

bool TextPage::PrepareToLeave() {
  if (saving_) return true;
  EndCellEdit();
  if (!Unsaved()) return true;
  if (!context_.prompts().AskYesNo("The text in " + Cp1252ToUtf8(entryName_) +
                                   " has changes that are not saved.  Discard them?"))
    return false;
  Discard();
  return true;
}

void TextPage::Discard() {
  box_->document()->setModified(false);
  ShowText(original_);
}

// ---- Find and replace ----

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

namespace {

// The matches of needle in text, in any case, replaced from left to right; how many.
int ReplaceMatches(QString& text, const QString& needle, const QString& with) {
  int count = 0;
  for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0;
       at = text.indexOf(needle, at + with.size(), Qt::CaseInsensitive)) {
    text.replace(at, needle.size(), with);
    ++count;
  }
  return count;
}

// The same in a cell as shown, where "<linefeed>" stands for a LF: a LF is one character
// (found by "<linefeed>" in the find box), never the word's letters.
int ReplaceInCell(QString& shown, const QString& needle, const QString& with) {
  const QString word = QStringLiteral("<linefeed>");
  QString text = shown;
  text.replace(word, "\n");
  const int count =
      ReplaceMatches(text, QString(needle).replace(word, "\n"), QString(with).replace(word, "\n"));
  if (count > 0) shown = text.replace('\n', word);
  return count;
}

}  // namespace

void TextPage::ReplaceOne() {
  const QString needle = find_->text();
  if (needle.isEmpty()) return;
  EndCellEdit();
  edit_->setChecked(true);
  if (box_->isVisibleTo(this)) {
    QTextCursor selected = box_->textCursor();
    if (selected.selectedText().compare(needle, Qt::CaseInsensitive) == 0)
      selected.insertText(replace_->text());
  } else if (const QModelIndex at = grid_->currentIndex(); at.isValid()) {
    QString cell = at.data(Qt::EditRole).toString();
    if (ReplaceInCell(cell, needle, replace_->text()) > 0) model_->setData(at, cell, Qt::EditRole);
  }
  FindNext();
}

void TextPage::ReplaceAll() {
  const QString needle = find_->text();
  if (needle.isEmpty()) return;
  EndCellEdit();
  edit_->setChecked(true);
  const QString with = replace_->text();
  int count = 0;
  if (box_->isVisibleTo(this)) {
    // One step for Undo.
    QTextCursor at(box_->document());
    at.beginEditBlock();
    for (QTextCursor found = box_->document()->find(needle, at); !found.isNull();
         found = box_->document()->find(needle, found)) {
      found.insertText(with);
      ++count;
    }
    at.endEditBlock();
  } else {
    const std::string utf8 = with.toStdString();
    if (const std::string outside = CharsOutside1252(utf8); !outside.empty()) {
      context_.prompts().Message(
          "The replacement holds a character that Windows-1252 cannot hold: " + outside);
      return;
    }
    // Every stored cell, and the typed ones not stored yet; all in one pass over the text.
    const TextGrid& grid = model_->grid();
    std::map<GridCell, std::string> edits;
    for (std::size_t row = 1; row < grid.RowCount(); ++row) {
      for (std::size_t column = 0; column < grid.CellCount(row); ++column) {
        QString cell = ShownText(grid.Cell(row, column));
        if (const int n = ReplaceInCell(cell, needle, with); n > 0) {
          count += n;
          edits[{row, column}] = CellFromShown(cell.toStdString(), {row, column}).value();
        }
      }
    }
    auto& pending = model_->pending();
    for (auto it = pending.begin(); it != pending.end();) {
      count += ReplaceInCell(it->second, needle, with);
      Result<std::string> bytes = CellFromShown(it->second.toStdString(), it->first);
      if (!bytes) {
        ++it;
        continue;
      }
      edits[it->first] = *bytes;
      it = pending.erase(it);
    }
    Result<Bytes> edited = ApplyTextCellEdits(text_, edits);
    if (!edited) {
      context_.prompts().Message(edited.message());
      return;
    }
    text_ = std::move(*edited);
    model_->SetGrid(WalkTextGrid(text_));
    boxStale_ = true;
    Changed();
  }
  context_.SetPointerText(count == 1   ? "Replaced 1 match"
                          : count == 0 ? "Nothing replaced: no match"
                                       : "Replaced " + std::to_string(count) + " matches");
}

EntryPage* MakeTextPage(PageContext& c) {
  return new TextPage(c);
}

}  // namespace brindle
