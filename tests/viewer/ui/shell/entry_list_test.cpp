// The entry list's columns: sorting and filtering change which row shows an entry, never
// which entry an operation touches; the columns' layout and the sort are kept; facts that
// take an identification arrive from the background pass.

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/pages/page_test.h"

namespace brindle {
namespace {

enum Column { kName, kType, kSize, kPacked, kPicture };

class EntryListTest : public test::PageWindowTest {
 protected:
  // Texts stored raw, so their stored sizes order them: c (10), a (30), e (40), b (50),
  // and an icon; their names order them otherwise.
  void OpenTexts() {
    auto text = [](const char* name, std::size_t n) {
      return NewEntry{name, BuildPackedLodEntry(name, test::Pattern(n, 'a'), false, 256)};
    };
    path_ = out_.Write("icons.lod", BuildLod("ICONS", {text("b.txt", 50),
                                                       text("a.txt", 30),
                                                       text("c.txt", 10),
                                                       {"face", IconEntry("face", 6, 5)},
                                                       text("e.txt", 40)}));
    window_->LoadDataFile(path_);
    list_ = Find<QTreeView>("reslistbox");
  }
  void ClickHeading(int column) {
    QHeaderView* header = list_->header();
    emit header->sectionClicked(column);
  }
  QString Cell(int row, int column) const {
    return list_->model()->index(row, column).data().toString();
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> names;
    for (int r = 0; r < list_->model()->rowCount(); ++r)
      names.push_back(Cell(r, kName).toStdString());
    return names;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TResourceInfo& e : window_->DataFile().Entries)
      names.push_back(e.Name);
    return names;
  }
  void Trigger(const char* action) { window_->findChild<QAction*>(action)->trigger(); }
  void WaitForTypes() {
    QTRY_VERIFY_WITH_TIMEOUT(!Cell(list_->model()->rowCount() - 1, kType).isEmpty(), 5000);
  }

  std::string path_;
  QTreeView* list_ = nullptr;
};

TEST_F(EntryListTest, ColumnsFillInFromTheBackgroundPass) {
  OpenTexts();
  ASSERT_EQ(list_->model()->columnCount(), 5);
  EXPECT_EQ(list_->model()->headerData(kPacked, Qt::Horizontal).toString(), "Packed");
  // The stored size is in the directory; the type and the picture's size come later.
  EXPECT_EQ(Cell(2, kPacked).toInt(), window_->DataFile().Entries[2].Size);
  WaitForTypes();
  EXPECT_EQ(Cell(0, kType), "text");
  EXPECT_EQ(Cell(3, kType), "icon");
  EXPECT_EQ(Cell(3, kPicture), "6 x 5");
  EXPECT_EQ(Cell(0, kSize), Cell(0, kPacked)) << "stored raw";
  EXPECT_EQ(Cell(0, kPicture), "");
}

TEST_F(EntryListTest, HeadingsSortOneWayTheOtherAndBackToTheDirectory) {
  OpenTexts();
  WaitForTypes();
  ClickHeading(kPacked);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"c.txt", "a.txt", "e.txt", "b.txt", "face"}));
  ClickHeading(kPacked);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"face", "b.txt", "e.txt", "a.txt", "c.txt"}));
  ClickHeading(kPacked);
  EXPECT_EQ(Shown(), Names());
  ClickHeading(kName);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "e.txt", "face"}));
  // The selection stays with its entry when the rows move.
  window_->SelectRow(0);
  ASSERT_EQ(window_->SelectedIndex(), 1);
  ClickHeading(kType);
  EXPECT_EQ(window_->SelectedIndex(), 1);
  EXPECT_EQ(Cell(list_->currentIndex().row(), kName), "a.txt");
}

TEST_F(EntryListTest, OperationsThroughASortedFilteredListTouchTheRowsEntry) {
  OpenTexts();
  WaitForTypes();
  ClickHeading(kPacked);
  Find<QLineEdit>("resfilter")->setText(".txt");
  ASSERT_EQ(Shown(), (std::vector<std::string>{"c.txt", "a.txt", "e.txt", "b.txt"}));

  // Rename the second row: a.txt, entry 1.
  window_->SelectRow(1);
  ASSERT_EQ(window_->SelectedIndex(), 1);
  prompts_.textAnswers = {std::string("z.txt")};
  Trigger("renameentry");
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt", "z.txt", "c.txt", "face", "e.txt"}));

  // Import into the first row: c.txt, entry 2. The page shows it; its import replaces it.
  window_->SelectRow(0);
  ASSERT_EQ(window_->SelectedIndex(), 2);
  prompts_.answers = {out_.Write("new.txt", test::TextBytes("x\ty"))};
  QMetaObject::invokeMethod(Find<QPushButton>("txttabimporttxt"), "click");
  ASSERT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  {
    TDataFile df;
    SilentHost quiet;
    ASSERT_TRUE(OpenContainer(df, path_, quiet));
    auto file = test::OpenFile(path_);
    for (const TResourceInfo& e : df.Entries) {
      const Bytes stored = ExtractEntry(*file, e, kLodHeaderSize, quiet);
      if (e.Name == "c.txt") {
        EXPECT_EQ(stored, test::TextBytes("x\ty"));
      } else if (e.Name != "face") {
        EXPECT_NE(stored, test::TextBytes("x\ty")) << e.Name;
      }
    }
  }

  // Remove the last two rows shown, whatever their places in the directory.
  const int rows = list_->model()->rowCount();
  ASSERT_EQ(rows, 4);
  const std::string third = Cell(2, kName).toStdString();
  const std::string fourth = Cell(3, kName).toStdString();
  window_->SelectRow(2);
  list_->selectionModel()->select(list_->model()->index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  prompts_.yesNoAnswers = {true};
  Trigger("removeentries");
  std::vector<std::string> left = Names();
  EXPECT_EQ(left.size(), 3u);
  EXPECT_EQ(std::count(left.begin(), left.end(), third), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), fourth), 0);
  EXPECT_EQ(std::count(left.begin(), left.end(), std::string("face")), 1);
}

TEST_F(EntryListTest, WidthsOrderAndSortAreKeptForTheNextWindow) {
  OpenTexts();
  WaitForTypes();
  list_->header()->resizeSection(kName, 171);
  list_->header()->moveSection(list_->header()->visualIndex(kPicture), 1);
  ClickHeading(kSize);
  ClickHeading(kSize);
  window_.reset();
  EXPECT_EQ(ReadIniString("List", "sort", paths_.iniPath), "2");
  EXPECT_EQ(ReadIniString("List", "descending", paths_.iniPath), "1");

  window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  OpenTexts();
  EXPECT_EQ(list_->header()->sectionSize(kName), 171);
  EXPECT_EQ(list_->header()->logicalIndex(1), kPicture);
  EXPECT_EQ(list_->header()->sortIndicatorSection(), kSize);
  EXPECT_EQ(list_->header()->sortIndicatorOrder(), Qt::DescendingOrder);
  WaitForTypes();
  // Sorted by the full size once the sizes are known: the biggest text first, the icon
  // (its 30 pixels and palette) where its size puts it.
  QTRY_COMPARE(Cell(0, kName), QString("face"));
  EXPECT_EQ(Cell(1, kName), "b.txt");
  EXPECT_EQ(Cell(4, kName), "c.txt");

  // Settings someone broke by hand leave the defaults.
  window_.reset();
  WriteIniString("List", "order", paths_.iniPath, "0,0,1,2,3");
  WriteIniString("List", "widths", paths_.iniPath, "x");
  WriteIniString("List", "sort", paths_.iniPath, "9");
  window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  OpenTexts();
  EXPECT_EQ(list_->header()->logicalIndex(1), kType);
  EXPECT_EQ(Shown(), Names());
}

}  // namespace
}  // namespace brindle
