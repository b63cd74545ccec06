#pragma once
// The text page txttab: a text table shown as a grid of cells (txttabgrid) or as plain text
// (txttabbox), one at a time, with a find box over whichever is shown.

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include "viewer/core/formats/texts.h"
#include "viewer/ui/base/entry_page.h"

namespace brindle {

// The grid as a model over the walk's result: nothing is copied per cell, a cell becomes
// text only when the view paints it. Model row r is grid row r + 1; the grid's empty
// heading row 0 is the view's horizontal header, which stays in place when rows scroll.
class TextGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetGrid(TextGrid grid);
  const TextGrid& grid() const { return grid_; }
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  TextGrid grid_;
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
  // The next match of the find box's text, in any case, in the view shown. When there is
  // none the selection stays and the find box turns pink.
  void FindNext();
  // Selects the grid's cell (row 1 holds the text's first line; columns from 0) and brings
  // the grid forward if the text box was shown.
  void SelectCell(std::size_t row, std::size_t column);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void txttabviewClick();
  void txttabsavetotxtClick();
  void txttabimporttxtClick();
  // True when a match was found and selected.
  bool FindInGrid(const QString& needle);
  bool FindInBox(const QString& needle);
  void FillBox();

  TextGridModel* model_;
  QTableView* grid_;
  QPlainTextEdit* box_;
  QPushButton* view_;
  QLineEdit* find_;
  Bytes boxText_;  // the shown entry's text while the box has not yet taken it
};

EntryPage* MakeTextPage(PageContext& c);

}  // namespace brindle
