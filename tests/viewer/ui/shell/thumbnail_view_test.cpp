#include "viewer/ui/shell/thumbnail_view.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/bmp.h"
#include "sample_folder.h"
#include "viewer/core/formats/entry_types.h"
#include "viewer/ui/pages/page_test.h"
#include "viewer/ui/pages/zoom_image.h"

namespace brindle {
namespace {

using test::TempDir;

using test::SampleFolder;

class ThumbnailViewTest : public test::PageWindowTest {
 protected:
  void Open(const std::string& container) {
    window_->LoadDataFile(SampleFolder().File(container));
    ASSERT_EQ(window_->DataFile().FileName, SampleFolder().File(container));
  }
  QAction* Toggle() { return Find<QAction>("thumbnails"); }
  ThumbnailView* View() { return Find<ThumbnailView>("thumbnailview"); }
  QTreeView* List() { return Find<QTreeView>("reslistbox"); }
  // Whether every entry of the open container has been made (a picture or no picture).
  bool AllMade() {
    for (int e = 0; e < static_cast<int>(window_->DataFile().Entries.size()); ++e)
      if (!View()->pool().Lookup(e)) return false;
    return true;
  }
};

// The largest difference of one channel between two images of one size.
int LargestDifference(const QImage& a, const QImage& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return worst;
}

TEST_F(ThumbnailViewTest, EveryPictureIsItsPageScaledDown) {
  window_->show();
  int compared = 0, scaled = 0;
  for (const char* container : {"icons.lod", "bitmaps.lod", "sprites.lod", "save000.vlm"}) {
    Open(container);
    Toggle()->setChecked(true);
    ASSERT_TRUE(View()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return AllMade(); }, 60000)) << container;
    const auto& entries = window_->DataFile().Entries;
    for (int e = 0; e < static_cast<int>(entries.size()); ++e) {
      // The page shows the entry (and identifies it).
      window_->SelectRow(e);
      const TResourceInfo& entry = entries[static_cast<std::size_t>(e)];
      const QImage thumbnail = View()->Thumbnail(e);
      if (!EntryTypeOf(entry.ResType).picture) {
        EXPECT_TRUE(thumbnail.isNull()) << entry.Name;
        EXPECT_EQ(View()->pool().Lookup(e)->type, entry.ResType) << entry.Name;
        continue;
      }
      const QString page = window_->CurrentPage()->objectName();
      auto* image = window_->CurrentPage()->findChild<ZoomImage*>(page + "image");
      ASSERT_TRUE(image) << entry.Name;
      const QImage shown = image->image().convertToFormat(QImage::Format_RGB32);
      ASSERT_FALSE(thumbnail.isNull()) << entry.Name;
      if (shown.width() <= 64 && shown.height() <= 64) {
        // Small pictures keep their size and every pixel.
        ASSERT_EQ(thumbnail.size(), shown.size()) << entry.Name;
        EXPECT_EQ(LargestDifference(thumbnail, shown), 0) << entry.Name;
      } else {
        // The aspect is kept to the pixel, the long side fills the box.
        const double scale = std::min(64.0 / shown.width(), 64.0 / shown.height());
        EXPECT_NEAR(thumbnail.width(), shown.width() * scale, 1.0) << entry.Name;
        EXPECT_NEAR(thumbnail.height(), shown.height() * scale, 1.0) << entry.Name;
        EXPECT_TRUE(thumbnail.width() == 64 || thumbnail.height() == 64) << entry.Name;
        // Qt's own smooth scaling of the page's picture to that size: an area filter as well,
        // rounding differently (by one step at most).
        const QImage want =
            shown.scaled(thumbnail.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(LargestDifference(thumbnail, want), 2) << entry.Name;
        ++scaled;
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 10);
  EXPECT_GT(scaled, 2);
}

// Whether `part` stands somewhere inside `rect` of `whole`, pixel for pixel.
bool Contains(const QImage& whole, const QRect& rect, const QImage& part) {
  const QImage w = whole.convertToFormat(QImage::Format_RGB32);
  const QImage p = part.convertToFormat(QImage::Format_RGB32);
  const QRect inside = rect.intersected(w.rect());
  for (int top = inside.top(); top + p.height() <= inside.bottom() + 1; ++top) {
    for (int left = inside.left(); left + p.width() <= inside.right() + 1; ++left) {
      bool same = true;
      for (int y = 0; same && y < p.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(w.constScanLine(top + y)) + left;
        const auto* b = reinterpret_cast<const QRgb*>(p.constScanLine(y));
        same = std::equal(b, b + p.width(), a);
      }
      if (same) return true;
    }
  }
  return false;
}

TEST_F(ThumbnailViewTest, EachCellShowsItsThumbnail) {
  window_->show();
  Toggle()->setChecked(true);
  Open("bitmaps.lod");
  ASSERT_TRUE(QTest::qWaitFor([&] { return AllMade(); }, 60000));
  ThumbnailView* view = View();
  int shown = 0;
  for (int row = 0; row < view->model()->rowCount(); ++row) {
    const QImage thumbnail = view->Thumbnail(row);
    if (thumbnail.isNull()) continue;
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QApplication::processEvents();
    const QImage painted = view->viewport()->grab().toImage();
    const qreal ratio = painted.devicePixelRatio();
    const QRect cell = view->visualRect(index);
    ASSERT_EQ(ratio, 1.0);
    EXPECT_TRUE(Contains(painted, cell, thumbnail)) << "row " << row;
    ++shown;
  }
  EXPECT_GT(shown, 3);
}

TEST_F(ThumbnailViewTest, SharesTheListsSelectionAndShowsThePage) {
  window_->show();
  Open("bitmaps.lod");
  Toggle()->trigger();
  ThumbnailView* view = View();
  ASSERT_TRUE(view->isVisible());
  EXPECT_FALSE(List()->isVisible());
  EXPECT_EQ(view->model(), List()->model());
  EXPECT_EQ(view->selectionModel(), List()->selectionModel());
  // A click on the third cell.
  const QModelIndex third = view->model()->index(2, 0);
  view->scrollTo(third);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(third).center());
  EXPECT_EQ(window_->SelectedIndex(), 2);
  EXPECT_EQ(List()->currentIndex().row(), 2);
  EXPECT_EQ(window_->CurrentPage()->objectName(), "pictab");
  // The keys move through the grid.
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_EQ(window_->SelectedIndex(), 3);
  {
    // The selected cell is marked whole, its name included; the others are not.
    QApplication::processEvents();
    const QImage painted = view->viewport()->grab().toImage();
    const QColor highlight = view->palette().color(QPalette::Active, QPalette::Highlight);
    const QRect selected = view->visualRect(view->model()->index(3, 0));
    const QRect other = view->visualRect(view->model()->index(2, 0));
    EXPECT_EQ(painted.pixelColor(selected.topLeft() + QPoint(3, 3)), highlight);
    EXPECT_EQ(painted.pixelColor(selected.bottomRight() - QPoint(3, 3)), highlight);
    EXPECT_NE(painted.pixelColor(other.topLeft() + QPoint(3, 3)), highlight);
  }
  // The list's menu works on the same entries here.
  QStringList names;
  for (QAction* a : view->actions())
    names << a->objectName();
  EXPECT_TRUE(names.contains("renameentry"));
  EXPECT_TRUE(names.contains("removeentries"));
  EXPECT_TRUE(names.contains("addfiles"));
  EXPECT_EQ(view->contextMenuPolicy(), Qt::ActionsContextMenu);
  // Picked in the list, picked in the grid.
  Toggle()->trigger();
  window_->SelectRow(0);
  EXPECT_EQ(view->currentIndex().row(), 0);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(0, {}));
}

TEST_F(ThumbnailViewTest, CtrlGTogglesAndTheChoiceIsKept) {
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  Open("icons.lod");
  List()->setFocus();
  auto* stack = qobject_cast<QStackedWidget*>(List()->parentWidget());
  ASSERT_TRUE(stack);
  EXPECT_EQ(stack->currentWidget(), List());
  QTest::keyClick(window_.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(stack->currentWidget(), View());
  EXPECT_TRUE(Toggle()->isChecked());
  EXPECT_TRUE(View()->hasFocus());
  QTest::keyClick(window_.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(stack->currentWidget(), List());
  EXPECT_FALSE(Toggle()->isChecked());
  QTest::keyClick(window_.get(), Qt::Key_G, Qt::ControlModifier);
  EXPECT_TRUE(Toggle()->isChecked());
  // A new window starts the way the last one was left.
  window_.reset();
  window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  EXPECT_TRUE(Toggle()->isChecked());
  EXPECT_EQ(qobject_cast<QStackedWidget*>(List()->parentWidget())->currentWidget(), View());
  Toggle()->trigger();
  window_.reset();
  window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  EXPECT_FALSE(Toggle()->isChecked());
}

TEST_F(ThumbnailViewTest, AnotherContainerStartsOver) {
  window_->show();
  Toggle()->setChecked(true);
  Open("bitmaps.lod");
  ASSERT_TRUE(QTest::qWaitFor([&] { return AllMade(); }, 60000));
  const std::uint64_t before = View()->pool().Generation();
  const QImage first = View()->Thumbnail(0);
  ASSERT_FALSE(first.isNull());
  Open("sprites.lod");
  EXPECT_GT(View()->pool().Generation(), before);
  ASSERT_TRUE(QTest::qWaitFor([&] { return AllMade(); }, 60000));
  // Entry 0 is now the sprite container's: made anew from it.
  EXPECT_NE(View()->Thumbnail(0), first);
}

TEST_F(ThumbnailViewTest, AnImportIsLetInAndItsThumbnailMadeAnew) {
  window_->show();
  Toggle()->setChecked(true);
  std::filesystem::copy_file(SampleFolder().File("icons.lod"), out_.File("icons.lod"));
  window_->LoadDataFile(out_.File("icons.lod"));
  int sword = -1;
  for (std::size_t i = 0; i < window_->DataFile().Entries.size(); ++i)
    if (window_->DataFile().Entries[i].Name == "isword01") sword = static_cast<int>(i);
  ASSERT_GE(sword, 0);
  window_->SelectRow(sword);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !View()->Thumbnail(sword).isNull(); }, 60000));
  const QSize before = View()->Thumbnail(sword).size();
  // A 10 x 6 picture over the icon, while the grid is up.
  ColourTable colours{};
  colours[3] = 200;  // index 1 is red
  const std::string small = out_.Write("small.bmp", WriteBmp8(10, 6, Bytes(60, 1), colours));
  prompts_.answers = {small};
  Click("pictabimport");
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return View()->Thumbnail(sword).size() == QSize(10, 6); }, 60000))
      << "still " << View()->Thumbnail(sword).width() << " wide, was " << before.width();
  EXPECT_EQ(View()->Thumbnail(sword).pixel(4, 3), qRgb(200, 0, 0));
}

}  // namespace
}  // namespace brindle
