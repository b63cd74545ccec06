#include "viewer/ui/savegame/imp_stringgrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>
#include <utility>
#include <vector>

#include "viewer/ui/savegame/portrait_sheet.h"

namespace brindle {
namespace {

using Cell = std::pair<int, int>;  // (col, row)

// A window holding a 4 x 6 grid and a line edit to move the focus to.
class GridTest : public ::testing::Test {
 protected:
  GridTest() {
    auto* layout = new QVBoxLayout(&window_);
    grid_ = new TImpStringgrid(&window_);
    other_ = new QLineEdit(&window_);
    layout->addWidget(grid_);
    layout->addWidget(other_);
    grid_->SetColCount(4);
    grid_->SetRowCount(6);
    grid_->SetDefaultColWidth(60);
    grid_->SetDefaultRowHeight(18);
    QObject::connect(grid_, &TImpStringgrid::CellLoseFocus,
                     [this](int col, int row) { lost_.emplace_back(col, row); });
    window_.resize(400, 300);
    window_.move(0, 0);
    window_.show();
    window_.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
    grid_->setFocus();
  }

  QPoint CellCentre(int col, int row) {
    return grid_->visualRect(grid_->model()->index(row, col)).center();
  }
  QRect CellRect(int col, int row) { return grid_->visualRect(grid_->model()->index(row, col)); }
  void ClickCell(int col, int row) {
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, CellCentre(col, row));
  }
  // Opens the editor on (col, row) and types text over what the cell held.
  void TypeInto(int col, int row, const QString& text) {
    grid_->SetCurrentCell(col, row);
    ASSERT_TRUE(grid_->StartEdit());
    ASSERT_NE(grid_->Editor(), nullptr);
    grid_->Editor()->selectAll();
    QTest::keyClicks(grid_->Editor(), text);
  }

  std::vector<Cell> lost_;  // outlives the window, which may still be editing
  QWidget window_;
  TImpStringgrid* grid_;
  QLineEdit* other_;
};

TEST_F(GridTest, DeleteEmptiesTheCellAndFiresOnceWithIt) {
  grid_->SetCell(2, 3, "17");
  grid_->SetCurrentCell(2, 3);
  QTest::keyClick(grid_, Qt::Key_Delete);
  EXPECT_EQ(grid_->Cells(2, 3), "");
  EXPECT_EQ(lost_, (std::vector<Cell>{{2, 3}}));

  // A read-only column keeps its text and says nothing.
  lost_.clear();
  grid_->Column(1).ReadOnly = true;
  grid_->SetCell(1, 3, "kept");
  grid_->SetCurrentCell(1, 3);
  QTest::keyClick(grid_, Qt::Key_Delete);
  EXPECT_EQ(grid_->Cells(1, 3), "kept");
  EXPECT_TRUE(lost_.empty());
}

TEST_F(GridTest, EveryWayOfEndingAnEditFiresOnceWithTheEditedCellAndKeepsTheText) {
  struct Way {
    const char* name;
    std::function<void()> end;
    Cell currentAfter;
  };
  const std::vector<Way> ways = {
      {"Enter", [this] { QTest::keyClick(grid_->Editor(), Qt::Key_Return); }, {1, 2}},
      {"Up", [this] { QTest::keyClick(grid_->Editor(), Qt::Key_Up); }, {1, 1}},
      {"Down", [this] { QTest::keyClick(grid_->Editor(), Qt::Key_Down); }, {1, 3}},
      {"click on another cell", [this] { ClickCell(3, 4); }, {3, 4}},
      {"click on another control",
       [this] { QTest::mouseClick(other_, Qt::LeftButton, {}, QPoint(5, 5)); },
       {1, 2}},
  };
  for (const Way& way : ways) {
    grid_->SetCell(1, 2, "old");
    grid_->setFocus();
    TypeInto(1, 2, "typed");
    lost_.clear();
    way.end();
    EXPECT_EQ(lost_, (std::vector<Cell>{{1, 2}})) << way.name;
    EXPECT_EQ(grid_->Cells(1, 2), "typed") << way.name;
    EXPECT_EQ(grid_->Editor(), nullptr) << way.name;
    EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), way.currentAfter) << way.name;
  }
}

TEST_F(GridTest, AnotherWindowTakingTheFocusKeepsTheEditGoing) {
  TypeInto(1, 1, "half");
  QWidget box;
  box.show();
  box.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
  EXPECT_NE(grid_->Editor(), nullptr);
  EXPECT_TRUE(lost_.empty());
  box.hide();
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  ASSERT_NE(grid_->Editor(), nullptr);
  QTest::keyClick(grid_->Editor(), Qt::Key_Return);
  EXPECT_EQ(grid_->Cells(1, 1), "half");
  EXPECT_EQ(lost_, (std::vector<Cell>{{1, 1}}));
}

TEST_F(GridTest, ClosingAWindowWhileEditingRunsNoHandler) {
  int fired = 0;
  auto* window = new QWidget;
  auto* grid = new TImpStringgrid(window);
  grid->SetColCount(2);
  grid->SetRowCount(2);
  QObject::connect(grid, &TImpStringgrid::CellLoseFocus, [&fired](int, int) { ++fired; });
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  ASSERT_TRUE(grid->StartEdit());
  QTest::keyClicks(grid->Editor(), "x");
  delete window;
  EXPECT_EQ(fired, 0);
}

TEST_F(GridTest, EscapeRestoresTheTextAndFiresNothing) {
  grid_->SetCell(0, 1, "before");
  TypeInto(0, 1, "after");
  QTest::keyClick(grid_->Editor(), Qt::Key_Escape);
  EXPECT_EQ(grid_->Cells(0, 1), "before");
  EXPECT_TRUE(lost_.empty());
}

TEST_F(GridTest, TypingOnACellStartsAnEditThatEnterEnds) {
  grid_->SetCurrentCell(2, 2);
  QTest::keyClick(grid_, '4');
  ASSERT_NE(grid_->Editor(), nullptr);
  QTest::keyClick(grid_->Editor(), '2');
  QTest::keyClick(grid_->Editor(), Qt::Key_Enter);
  EXPECT_EQ(grid_->Cells(2, 2), "42");
  EXPECT_EQ(lost_, (std::vector<Cell>{{2, 2}}));
}

TEST_F(GridTest, ClickingTheCurrentCellAgainOpensItsEditor) {
  grid_->SetCell(1, 2, "abc");
  ClickCell(1, 2);
  EXPECT_EQ(grid_->Editor(), nullptr);  // the first click only picks the cell
  ClickCell(1, 2);
  ASSERT_NE(grid_->Editor(), nullptr);
  EXPECT_EQ(grid_->Editor()->text(), "abc");
  EXPECT_EQ(grid_->Editor()->EditCol(), 1);
  EXPECT_EQ(grid_->Editor()->EditRow(), 2);
}

TEST_F(GridTest, CtrlEnterInAnEllipsisColumnAsksItsOwner) {
  std::vector<Cell> clicked;
  QObject::connect(grid_, &TImpStringgrid::ElippsisClicked,
                   [&](int col, int row) { clicked.emplace_back(col, row); });
  grid_->Column(3).ButtonStyle = cbsEllipsis;
  TypeInto(3, 1, "x");
  QTest::keyClick(grid_->Editor(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicked, (std::vector<Cell>{{3, 1}}));
  EXPECT_NE(grid_->Editor(), nullptr);  // still editing
  EXPECT_TRUE(lost_.empty());
  // Elsewhere Ctrl+Enter is just Enter.
  TypeInto(2, 1, "y");
  QTest::keyClick(grid_->Editor(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicked.size(), 1u);
  EXPECT_EQ(lost_, (std::vector<Cell>{{3, 1}, {2, 1}}));
}

class PickListTest : public GridTest {
 protected:
  PickListTest() {
    // Twenty entries, the last wider than the cell.
    for (int i = 1; i <= 19; ++i)
      entries_ << QString("Entry %1").arg(i, 2, 10, QChar('0'));
    entries_ << "A much longer entry than any cell is wide";
    grid_->Column(1).ButtonStyle = cbsPicklist;
    grid_->Column(1).PickList = entries_;
    QObject::connect(grid_, &TImpStringgrid::PicklistDropdown,
                     [this](int col, int row, QStringList* list) {
                       asked_.emplace_back(col, row);
                       EXPECT_EQ(*list, entries_);
                     });
  }
  TPopupListbox* Open(int row, const QString& text) {
    grid_->SetCell(1, row, text);
    grid_->SetCurrentCell(1, row);
    EXPECT_TRUE(grid_->StartEdit());
    QToolButton* button = grid_->Editor()->DropDownButton();
    EXPECT_NE(button, nullptr);
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    TPopupListbox* popup = grid_->Editor()->Popup();
    EXPECT_NE(popup, nullptr);
    EXPECT_TRUE(popup && popup->isVisible());
    return popup;
  }
  void ReleaseOnEntry(TPopupListbox* popup, int i) {
    QTest::mouseRelease(popup->viewport(), Qt::LeftButton, {},
                        popup->visualItemRect(popup->item(i)).center());
  }

  QStringList entries_;
  std::vector<Cell> asked_;
};

TEST_F(PickListTest, OpensSevenRowsHighBelowTheCellAtTheCurrentValue) {
  TPopupListbox* popup = Open(2, "entry 12");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(asked_, (std::vector<Cell>{{1, 2}}));
  EXPECT_EQ(popup->height(), 7 * popup->RowHeight() + 4);
  EXPECT_GT(popup->verticalScrollBar()->maximum(), 0);  // 20 entries in 7 rows
  const int widest = popup->fontMetrics().horizontalAdvance(entries_.last());
  EXPECT_EQ(popup->width(), std::max(CellRect(1, 2).width(), widest + 10));
  const QPoint cellBottom = grid_->viewport()->mapToGlobal(CellRect(1, 2).bottomLeft());
  EXPECT_EQ(popup->geometry().topLeft(), cellBottom + QPoint(0, 1));
  EXPECT_EQ(popup->currentRow(), 11);
  EXPECT_TRUE(popup->visualItemRect(popup->item(11)).intersects(popup->viewport()->rect()));
}

TEST_F(PickListTest, ReleasingOnAnEntryPutsItInTheEditorAndEnterEndsTheEdit) {
  TPopupListbox* popup = Open(3, "Entry 01");
  ASSERT_NE(popup, nullptr);
  ReleaseOnEntry(popup, 2);
  EXPECT_FALSE(popup->isVisible());
  ASSERT_NE(grid_->Editor(), nullptr);
  EXPECT_EQ(grid_->Editor()->text(), "Entry 03");
  EXPECT_TRUE(lost_.empty());
  QTest::keyClick(grid_->Editor(), Qt::Key_Return);
  EXPECT_EQ(grid_->Cells(1, 3), "Entry 03");
  EXPECT_EQ(lost_, (std::vector<Cell>{{1, 3}}));
}

TEST_F(PickListTest, ReleasingOutsideChangesNothing) {
  TPopupListbox* popup = Open(3, "Entry 05");
  ASSERT_NE(popup, nullptr);
  // The release of the press on the button leaves the list open for a click.
  QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(-30, -30));
  EXPECT_TRUE(popup->isVisible());
  // Pressed on an entry and released away from the list: closed, nothing chosen.
  QTest::mousePress(popup->viewport(), Qt::LeftButton, {},
                    popup->visualItemRect(popup->item(popup->currentRow())).center());
  QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(-30, -30));
  EXPECT_FALSE(popup->isVisible());
  ASSERT_NE(grid_->Editor(), nullptr);
  EXPECT_EQ(grid_->Editor()->text(), "Entry 05");
  EXPECT_TRUE(lost_.empty());
}

TEST_F(PickListTest, OpensAboveTheCellWhenTheScreenEndsBelowIt) {
  // Leave 20 pixels below the cell: too few for the list.
  const int screenBottom = window_.screen()->geometry().bottom();
  const int cellBottom = grid_->viewport()->mapToGlobal(CellRect(1, 5).bottomLeft()).y();
  window_.move(0, window_.y() + screenBottom - cellBottom - 20);
  QApplication::processEvents();
  ASSERT_EQ(grid_->viewport()->mapToGlobal(CellRect(1, 5).bottomLeft()).y(), screenBottom - 20);
  TPopupListbox* popup = Open(5, "");
  ASSERT_NE(popup, nullptr);
  const QPoint cellTop = grid_->viewport()->mapToGlobal(CellRect(1, 5).topLeft());
  EXPECT_EQ(popup->geometry().bottom(), cellTop.y() - 1);
  EXPECT_EQ(popup->currentRow(), -1);  // an empty cell matches no entry
}

TEST_F(PickListTest, TypingNarrowsTheListAndEnterTakesTheFirstMatch) {
  TPopupListbox* popup = Open(3, "Entry 05");
  ASSERT_NE(popup, nullptr);
  // Any part, any case: "LONG" leaves the one long entry.
  QTest::keyClicks(popup, "LONG");
  int shown = 0;
  for (int i = 0; i < popup->count(); ++i)
    shown += popup->item(i)->isHidden() ? 0 : 1;
  EXPECT_EQ(shown, 1);
  // Backspace widens it again: "LON" still holds only it, "1" then leaves Entry 01 and 10-19.
  QTest::keyClick(popup, Qt::Key_Backspace);
  QTest::keyClick(popup, Qt::Key_Backspace);
  QTest::keyClick(popup, Qt::Key_Backspace);
  QTest::keyClick(popup, Qt::Key_Backspace);
  QTest::keyClicks(popup, "1");
  EXPECT_FALSE(popup->item(0)->isHidden());   // Entry 01
  EXPECT_TRUE(popup->item(1)->isHidden());    // Entry 02
  EXPECT_FALSE(popup->item(18)->isHidden());  // Entry 19
  QTest::keyClicks(popup, "7");
  QTest::keyClick(popup, Qt::Key_Return);
  EXPECT_FALSE(popup->isVisible());
  ASSERT_NE(grid_->Editor(), nullptr);
  EXPECT_EQ(grid_->Editor()->text(), "Entry 17");
}

TEST_F(PickListTest, FewEntriesMakeAShorterList) {
  grid_->Column(1).PickList = {"Expert", "Master", "Grand Master"};
  entries_ = grid_->Column(1).PickList;
  TPopupListbox* popup = Open(1, "MASTER");
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->height(), 3 * popup->RowHeight() + 4);
  EXPECT_EQ(popup->currentRow(), 1);
}

TEST_F(GridTest, SelectCellRefusalKeepsTheCurrentCellForClicksKeysAndCalls) {
  std::vector<Cell> asked;
  QObject::connect(grid_, &TImpStringgrid::SelectCell, [&](int col, int row, bool* can) {
    asked.emplace_back(col, row);
    if (Cell(col, row) == Cell(2, 2)) *can = false;
  });
  grid_->SetCurrentCell(2, 1);
  ClickCell(2, 2);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(2, 1));
  QTest::keyClick(grid_, Qt::Key_Down);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(2, 1));
  grid_->SetCurrentCell(2, 2);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(2, 1));
  EXPECT_EQ(asked, (std::vector<Cell>{{2, 1}, {2, 2}, {2, 2}, {2, 2}}));
  // Others are taken.
  ClickCell(3, 4);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(3, 4));
  QTest::keyClick(grid_, Qt::Key_Up);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(3, 3));
}

TEST_F(GridTest, ASelectCellHandlerMayMoveThisGridAndRefuse) {
  // As a covered backpack cell does: refuse, and move to the item's top-left cell instead.
  int asked = 0;
  QObject::connect(grid_, &TImpStringgrid::SelectCell, [&](int col, int row, bool* can) {
    ++asked;
    if (Cell(col, row) == Cell(3, 5)) {
      grid_->SetCurrentCell(2, 4);
      *can = false;
    }
  });
  ClickCell(3, 5);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(2, 4));
  EXPECT_EQ(asked, 1);
}

TEST_F(GridTest, AnEditEndsBeforeTheNextCellIsAsked) {
  std::vector<std::string> order;
  QObject::connect(grid_, &TImpStringgrid::CellLoseFocus,
                   [&](int, int) { order.push_back("lose"); });
  QObject::connect(grid_, &TImpStringgrid::SelectCell,
                   [&](int, int, bool*) { order.push_back("select"); });
  TypeInto(0, 0, "5");
  order.clear();
  ClickCell(1, 1);
  EXPECT_EQ(order, (std::vector<std::string>{"lose", "select"}));
}

TEST_F(GridTest, CaptionRowAndColumnAreGreyAndNeverCurrentOrEdited) {
  grid_->SetFixedRows(1);
  grid_->SetFixedCols(1);
  grid_->Column(2).SetTitle("Value");
  EXPECT_EQ(grid_->Cells(2, 0), "Value");
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(1, 1));
  ClickCell(0, 3);
  QTest::mouseDClick(grid_->viewport(), Qt::LeftButton, {}, CellCentre(2, 0));
  grid_->SetCurrentCell(0, 2);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(1, 1));
  EXPECT_EQ(grid_->Editor(), nullptr);
  QTest::keyClick(grid_, Qt::Key_Up);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(1, 1));
  grid_->SetCurrentCell(3, 4);
  QTest::keyClick(grid_, Qt::Key_Home, Qt::ControlModifier);  // stops beside the captions
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(1, 1));
  EXPECT_FALSE(grid_->CanEdit(0, 3));
  EXPECT_FALSE(grid_->CanEdit(2, 0));
  EXPECT_TRUE(grid_->CanEdit(2, 1));

  const QImage image = grid_->viewport()->grab().toImage();
  const QColor grey = grid_->palette().color(QPalette::Button);
  EXPECT_EQ(image.pixelColor(CellRect(0, 3).center()), grey);
  EXPECT_EQ(image.pixelColor(CellRect(3, 0).center()), grey);
  EXPECT_NE(image.pixelColor(CellRect(3, 3).center()), grey);
}

TEST_F(GridTest, ColumnBordersInTheCaptionRowResizeColumns) {
  grid_->SetFixedRows(1);
  const QRect caption = CellRect(1, 0);
  const QPoint border(caption.right() - 1, caption.center().y());
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, border);
  QTest::mouseMove(grid_->viewport(), border + QPoint(25, 0));
  QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, {}, border + QPoint(25, 0));
  EXPECT_EQ(grid_->Column(1).Width(), 85);
  // The same border below the caption row only picks a cell.
  const QPoint below(border.x(), CellRect(1, 2).center().y());
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, below);
  QTest::mouseMove(grid_->viewport(), below + QPoint(25, 0));
  QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, {}, below + QPoint(25, 0));
  EXPECT_EQ(grid_->Column(1).Width(), 85);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(1, 2));
}

TEST_F(GridTest, CaptionRowsStayPutWhileTheRowsBelowScroll) {
  grid_->SetFixedRows(1);
  grid_->SetFixedCols(1);
  grid_->SetRowCount(60);
  for (int r = 1; r < 60; ++r)
    grid_->SetCell(1, r, QString::number(r));
  grid_->Column(2).SetTitle("Value");
  const QColor grey = grid_->palette().color(QPalette::Button);
  const QPoint caption(CellCentre(3, 0));  // no text there: the grey shows

  // Down the rows by keys: the current row is always below the caption row, in view.
  grid_->SetCurrentCell(2, 1);
  for (int i = 0; i < 40; ++i)
    QTest::keyClick(grid_, Qt::Key_Down);
  ASSERT_EQ(grid_->Row(), 41);
  ASSERT_GT(grid_->verticalScrollBar()->value(), 0);
  auto captionStaysOnTop = [&] {
    const QImage image = grid_->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(caption), grey);
    EXPECT_EQ(grid_->CellAt(caption), QPoint(3, 0));
    EXPECT_GE(CellRect(grid_->Col(), grid_->Row()).top(), CellRect(2, 0).height())
        << "the current cell is under the captions";
  };
  captionStaysOnTop();

  // Back up: the row under the captions is scrolled into view, not left beneath them.
  for (int i = 0; i < 15; ++i)
    QTest::keyClick(grid_, Qt::Key_Up);
  ASSERT_EQ(grid_->Row(), 26);
  captionStaysOnTop();

  // A click on the floating caption picks nothing; its borders still size the columns.
  const Cell current(grid_->Col(), grid_->Row());
  QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, caption);
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), current);
  const QPoint border(CellRect(1, 0).right() - 1, caption.y());
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, border);
  QTest::mouseMove(grid_->viewport(), border + QPoint(10, 0));
  QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, {}, border + QPoint(10, 0));
  EXPECT_EQ(grid_->Column(1).Width(), 70);
}

TEST_F(GridTest, ADelayedDragStartsOnceThePressedMouseHasMovedFarEnough) {
  std::vector<Cell> started;
  QObject::connect(grid_, &TImpStringgrid::MouseDown,
                   [this](int col, int, QMouseEvent*) { grid_->BeginDrag(col == 0); });
  QObject::connect(grid_, &TImpStringgrid::DragStarting, [&] {
    EXPECT_TRUE(grid_->Dragging());
    started.emplace_back(grid_->Col(), grid_->Row());
  });
  // Column 0 starts at once; elsewhere only after the drag distance.
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, CellCentre(0, 1));
  QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, {}, CellCentre(0, 1));
  const QPoint from = CellCentre(2, 2);
  QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, from);
  QMouseEvent nudge(QEvent::MouseMove, from + QPoint(1, 0), grid_->viewport()->mapToGlobal(from),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid_->viewport(), &nudge);
  EXPECT_EQ(started.size(), 1u);
  const QPoint far = from + QPoint(QApplication::startDragDistance() + 1, 0);
  QMouseEvent pull(QEvent::MouseMove, far, grid_->viewport()->mapToGlobal(far), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid_->viewport(), &pull);
  EXPECT_EQ(started, (std::vector<Cell>{{0, 1}, {2, 2}}));
  EXPECT_FALSE(grid_->Dragging());
}

TEST_F(GridTest, RefillingDropsAnEditWithoutFiring) {
  grid_->SetCell(1, 1, "old");
  TypeInto(1, 1, "typed for someone else");
  grid_->SetRowCount(6);
  EXPECT_EQ(grid_->Editor(), nullptr);
  EXPECT_EQ(grid_->Cells(1, 1), "old");
  EXPECT_TRUE(lost_.empty());
}

TEST_F(GridTest, MouseDownAndDragOverNameTheCellUnderThePointer) {
  std::vector<Cell> downs;
  QObject::connect(grid_, &TImpStringgrid::MouseDown, [&](int col, int row, QMouseEvent* e) {
    EXPECT_EQ(e->button(), Qt::LeftButton);
    downs.emplace_back(col, row);
  });
  std::vector<Cell> overs;
  QObject::connect(grid_, &TImpStringgrid::DragOver,
                   [&](QObject* source, int col, int row, bool* accept) {
                     overs.emplace_back(col, row);
                     *accept = source == grid_ && col >= 0;
                   });
  QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, CellCentre(2, 3));
  const QPoint offCells(grid_->viewport()->width() - 2, grid_->viewport()->height() - 2);
  QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, offCells);
  EXPECT_EQ(downs, (std::vector<Cell>{{2, 3}, {-1, -1}}));
  EXPECT_EQ(Cell(grid_->Col(), grid_->Row()), Cell(2, 3));  // the press picked the cell first

  EXPECT_TRUE(grid_->HandleDragOver(grid_, CellCentre(3, 1)));
  EXPECT_FALSE(grid_->HandleDragOver(other_, CellCentre(3, 1)));
  EXPECT_FALSE(grid_->HandleDragOver(grid_, offCells));
  EXPECT_EQ(overs, (std::vector<Cell>{{3, 1}, {3, 1}, {-1, -1}}));
}

class BoxTest : public GridTest {
 protected:
  const QColor kFill{230, 230, 230};
  const QColor kGrey{128, 128, 128};
  const QColor kBlue{0, 0, 128};

  BoxTest() {
    // Key "7" in rows 0 and 2 of column 1 with no key in row 1: one box over three rows.
    grid_->Column(1).colorlist = {"7", "", "7"};
    grid_->SetKey(3, 4, "9");
    grid_->SetColorGrid(true);
    grid_->SetCurrentCell(0, 5);
  }
  QImage Render() { return grid_->viewport()->grab().toImage(); }
  // The colours of a cell's left, top, right and bottom edge lines, checked at their middle,
  // and of the fill just inside them.
  struct Edges {
    QColor left, top, right, bottom, inside;
  };
  Edges EdgesOf(const QImage& image, int col, int row) {
    const QRect r = CellRect(col, row);
    const QPoint c = r.center();
    return {image.pixelColor(r.left() + 1, c.y()), image.pixelColor(c.x(), r.top() + 1),
            image.pixelColor(r.right() - 1, c.y()), image.pixelColor(c.x(), r.bottom() - 1),
            image.pixelColor(r.left() + 3, r.top() + 3)};
  }
};

TEST_F(BoxTest, SameKeyInDifferentRowsIsOneBoxWithGreyOutline) {
  const QImage image = Render();
  const Edges top = EdgesOf(image, 1, 0);
  EXPECT_EQ(top.left, kGrey);
  EXPECT_EQ(top.top, kGrey);
  EXPECT_EQ(top.right, kGrey);
  EXPECT_EQ(top.bottom, kFill);  // the box goes on below
  EXPECT_EQ(top.inside, kFill);
  // Both lines are 2 pixels wide and 1 pixel inside the cell.
  const QRect r = CellRect(1, 0);
  EXPECT_EQ(image.pixelColor(r.left() + 2, r.center().y()), kGrey);
  EXPECT_EQ(image.pixelColor(r.left(), r.center().y()), kFill);
  EXPECT_EQ(image.pixelColor(r.center().x(), r.top() + 2), kGrey);
  EXPECT_EQ(image.pixelColor(r.center().x(), r.top()), kFill);

  const Edges bottom = EdgesOf(image, 1, 2);
  EXPECT_EQ(bottom.top, kFill);  // the box came from above
  EXPECT_EQ(bottom.left, kGrey);
  EXPECT_EQ(bottom.right, kGrey);
  EXPECT_EQ(bottom.bottom, kGrey);

  // The key-less cell between is an ordinary cell.
  EXPECT_EQ(image.pixelColor(CellRect(1, 1).center()), grid_->palette().color(QPalette::Base));
  // A single-cell box is outlined all round.
  const Edges single = EdgesOf(image, 3, 4);
  for (const QColor& edge : {single.left, single.top, single.right, single.bottom})
    EXPECT_EQ(edge, kGrey);
}

TEST_F(BoxTest, TheBoxHoldingTheCurrentCellIsOutlinedInDarkBlueEverywhere) {
  for (const Cell& current : {Cell(1, 2), Cell(1, 1)}) {  // a keyed cell, the key-less middle
    grid_->SetCurrentCell(current.first, current.second);
    const QImage image = Render();
    const Edges top = EdgesOf(image, 1, 0);
    const Edges bottom = EdgesOf(image, 1, 2);
    EXPECT_EQ(top.top, kBlue);
    EXPECT_EQ(top.left, kBlue);
    EXPECT_EQ(bottom.bottom, kBlue);
    EXPECT_EQ(bottom.right, kBlue);
    EXPECT_EQ(EdgesOf(image, 3, 4).top, kGrey);  // the other box stays grey
  }
  grid_->SetCurrentCell(0, 0);
  EXPECT_EQ(EdgesOf(Render(), 1, 2).bottom, kGrey);
}

TEST_F(BoxTest, TextInTheCurrentBoxIsBold) {
  grid_->SetCell(1, 0, "88");
  // The dark pixels of the text inside the outline.
  auto inkOf = [this](const QImage& image) {
    const QRect r = CellRect(1, 0).adjusted(4, 4, -4, -4);
    int ink = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        ink += qGray(image.pixel(x, y)) < 128;
    return ink;
  };
  const int normal = inkOf(Render());
  grid_->SetCurrentCell(1, 2);
  const int bold = inkOf(Render());
  EXPECT_GT(normal, 0);
  EXPECT_GT(bold, normal);
}

TEST_F(BoxTest, BoxesAreOnlyDrawnInColorGridMode) {
  grid_->SetColorGrid(false);
  EXPECT_EQ(Render().pixelColor(CellRect(1, 0).center()), grid_->palette().color(QPalette::Base));
}

TEST(PortraitSheetTest, HoldsTwentyFiveDistinctPortraitsAndAnEmptyLastCell) {
  const QImage sheet = PortraitSheet().toImage();
  ASSERT_EQ(sheet.size(), QSize(325, 66));
  std::vector<QImage> faces;
  for (int p = 0; p < kPortraitCount; ++p)
    faces.push_back(sheet.copy(PortraitCell(p)));
  for (int a = 0; a < kPortraitCount; ++a) {
    EXPECT_EQ(faces[a].size(), QSize(25, 33));
    for (int b = a + 1; b < kPortraitCount; ++b)
      EXPECT_NE(faces[a], faces[b]) << a << " " << b;
  }
  EXPECT_EQ(PortraitCell(13).topLeft(), QPoint(0, 33));
  EXPECT_EQ(PortraitCell(24).topLeft(), QPoint(275, 33));
  const QImage last = sheet.copy(300, 33, 25, 33);
  for (int y = 0; y < last.height(); ++y)
    for (int x = 0; x < last.width(); ++x)
      ASSERT_EQ(last.pixel(x, y), last.pixel(0, 0));
}

}  // namespace
}  // namespace brindle
