// The filter box, the rows' tooltips and the export of many entries, driven as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <filesystem>

#include "fake_prompts.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/exports.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;
using test::TextBytes;

class FindAndExportTest : public ::testing::Test {
 protected:
  FindAndExportTest() {
    paths_.programDir = dir_.path().string();
    paths_.iniPath = dir_.File("brindle.ini");
    paths_.tempDir = dir_.path().string();
    window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
    list_ = window_->findChild<QTreeView*>("reslistbox");
    filter_ = window_->findChild<QLineEdit*>("resfilter");
  }

  // Texts, event scripts and a palette, so that names and types both narrow the list.
  std::string Lod() {
    Bytes pal = WriteLodEntryHeader({.name = "pal"});
    pal.resize(48 + 768, 0x33);
    return dir_.Write(
        "icons.lod",
        BuildLod("ICONS",
                 {{"alpha.txt", BuildPackedLodEntry("alpha.txt", TextBytes("a\t1\r\n"), true)},
                  {"beta.evt", BuildPackedLodEntry("beta.evt", Pattern(40), false)},
                  {"gamma.txt", BuildPackedLodEntry("gamma.txt", TextBytes("g\t3\r\n"), false)},
                  {"pal", pal},
                  {"Delta.TXT", BuildPackedLodEntry("Delta.TXT", TextBytes("d\t4\r\n"), true)}}));
  }

  QStringList Rows() const {
    QStringList rows;
    for (int r = 0; r < list_->model()->rowCount(); ++r)
      rows << list_->model()->index(r, 0).data().toString();
    return rows;
  }

  // The text the entry's page would show, read from the container as it is now.
  std::string PagePayload(int index) {
    TDataFile df;
    SilentHost quiet;
    EXPECT_TRUE(OpenContainer(df, window_->DataFile().FileName, quiet).ok());
    auto file = test::OpenFile(df.FileName);
    EXPECT_TRUE(IdentifyAll(df, *file));
    Bytes b = brindle::PagePayload(*file, df.Entries[static_cast<std::size_t>(index)], quiet);
    return std::string(b.begin(), b.end());
  }

  void Trigger(const char* action) { window_->findChild<QAction*>(action)->trigger(); }

  TempDir dir_;
  AppPaths paths_;
  test::FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
  QTreeView* list_ = nullptr;
  QLineEdit* filter_ = nullptr;
};

TEST_F(FindAndExportTest, FilterNarrowsByNameAndTypeAndRowsKeepTheirEntries) {
  window_->LoadDataFile(Lod());
  ASSERT_NE(filter_, nullptr);
  EXPECT_EQ(window_->findChild<QShortcut*>("resfiltershortcut")->key(),
            QKeySequence(Qt::CTRL | Qt::Key_L));
  filter_->setText("TXT");  // any case
  EXPECT_EQ(Rows(), (QStringList{"alpha.txt", "gamma.txt", "Delta.TXT"}));
  window_->SelectRow(1);
  EXPECT_EQ(window_->SelectedIndex(), 2);
  EXPECT_EQ(window_->CurrentPage()->objectName(), "txttab");
  filter_->setText("type:palette");
  EXPECT_EQ(Rows(), QStringList{"pal"});
  window_->SelectRow(0);
  EXPECT_EQ(window_->SelectedIndex(), 3);
  EXPECT_EQ(window_->CurrentPage()->objectName(), "paltab");
  // Words and types together; several types keep any of them; unknown types keep nothing.
  filter_->setText("a type:text");
  EXPECT_EQ(Rows(), (QStringList{"alpha.txt", "gamma.txt", "Delta.TXT"}));
  filter_->setText("type:EVT type:palette");
  EXPECT_EQ(Rows(), (QStringList{"beta.evt", "pal"}));
  filter_->setText("type:pictures");
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_EQ(window_->SelectedIndex(), -1);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FindAndExportTest, ClearingTheFilterAndReloadingKeepTheSelectedEntry) {
  window_->LoadDataFile(Lod());
  window_->SelectRow(4);  // Delta.TXT
  filter_->setText("beta");
  EXPECT_EQ(Rows(), QStringList{"beta.evt"});
  EXPECT_EQ(window_->SelectedIndex(), -1);  // hidden, not forgotten
  EXPECT_EQ(window_->CurrentPage()->objectName(), "txttab");
  filter_->clear();
  EXPECT_EQ(Rows().size(), 5);
  EXPECT_EQ(window_->SelectedIndex(), 4);
  EXPECT_EQ(list_->currentIndex().row(), 4);
  // A reload through a filtered list: the filter stays, so does the entry.
  filter_->setText("ta");
  EXPECT_EQ(Rows(), (QStringList{"beta.evt", "Delta.TXT"}));
  window_->SelectRow(1);
  const std::string path = window_->DataFile().FileName;
  window_->LoadDataFile(path);
  EXPECT_EQ(Rows(), (QStringList{"beta.evt", "Delta.TXT"}));
  EXPECT_EQ(window_->SelectedIndex(), 4);
  EXPECT_EQ(window_->CurrentPage()->objectName(), "txttab");
}

TEST_F(FindAndExportTest, ImportThroughAFilteredListReplacesTheShownEntry) {
  window_->LoadDataFile(Lod());
  filter_->setText("gamma");
  window_->SelectRow(0);
  ASSERT_EQ(window_->SelectedIndex(), 2);
  prompts_.answers = {dir_.Write("new.txt", TextBytes("n\t9\r\n"))};
  QMetaObject::invokeMethod(window_->findChild<QPushButton*>("txttabimporttxt"), "click");
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_EQ(PagePayload(2), "n\t9\r\n");
  EXPECT_EQ(PagePayload(0), "a\t1\r\n");
  EXPECT_EQ(PagePayload(4), "d\t4\r\n");
  EXPECT_EQ(Rows(), QStringList{"gamma.txt"});
  EXPECT_EQ(window_->SelectedIndex(), 2);
}

// Removing and renaming through a narrowed list: the entry shown is the one changed, and
// the list keeps its filter afterwards.
TEST_F(FindAndExportTest, RemoveAndRenameThroughAFilteredListTouchTheShownEntry) {
  window_->LoadDataFile(Lod());
  filter_->setText("gamma");
  window_->SelectRow(0);
  ASSERT_EQ(window_->SelectedIndex(), 2);
  prompts_.textAnswers = {std::string("omega.txt")};
  Trigger("renameentry");
  EXPECT_EQ(window_->DataFile().Entries[2].Name, "omega.txt");
  EXPECT_EQ(window_->DataFile().Entries[0].Name, "alpha.txt");
  EXPECT_TRUE(Rows().isEmpty());  // "gamma" no longer matches
  filter_->setText("a.t");
  EXPECT_EQ(Rows(), (QStringList{"alpha.txt", "omega.txt", "Delta.TXT"}));
  window_->SelectRow(1);
  ASSERT_EQ(window_->SelectedIndex(), 2);
  Trigger("removeentries");
  ASSERT_EQ(window_->DataFile().Entries.size(), 4u);
  EXPECT_EQ(window_->DataFile().Entries[2].Name, "pal");
  EXPECT_EQ(Rows(), (QStringList{"alpha.txt", "Delta.TXT"}));
  EXPECT_EQ(PagePayload(3), "d\t4\r\n");
}

TEST_F(FindAndExportTest, TooltipsIdentifyOnlyTheirOwnEntry) {
  window_->LoadDataFile(Lod());
  const QString tip = list_->model()->index(3, 0).data(Qt::ToolTipRole).toString();
  EXPECT_EQ(tip, "Type: palette\nSize: " + QString::number(48 + 768) + " bytes");
  int identified = 0;
  for (const TResourceInfo& e : window_->DataFile().Entries)
    identified += e.Identified ? 1 : 0;
  EXPECT_EQ(identified, 1);
  // A picture also tells its size.
  LodEntryHeader h;
  h.name = "wall";
  h.packedSize = 12;
  h.width = 4;
  h.height = 3;
  Bytes bitmap = WriteLodEntryHeader(h);
  bitmap.resize(48 + 12 + 768, 0x20);
  window_->LoadDataFile(dir_.Write("bitmaps.lod", BuildLod("BITMAPS", {{"wall", bitmap}})));
  EXPECT_EQ(list_->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
            "Type: bitmap\nSize: " + QString::number(bitmap.size()) + " bytes\nPicture: 4 x 3");
  // So does a PCX picture, whose size only its own header gives.
  Bytes pcx(128 + 64, 0);
  pcx[0] = 0x0A;
  pcx[1] = 5;
  pcx[2] = 1;
  pcx[3] = 8;
  PutU16(&pcx[4], 10);
  PutU16(&pcx[6], 20);
  PutU16(&pcx[8], 10 + 7 - 1);
  PutU16(&pcx[10], 20 + 5 - 1);
  pcx[65] = 3;
  PutU16(&pcx[66], 8);
  window_->LoadDataFile(dir_.Write("save.lod", BuildLod("CHAPTER", {{"view.pcx", pcx}})));
  EXPECT_EQ(list_->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
            "Type: pcx\nSize: 192 bytes\nPicture: 7 x 5");
}

TEST_F(FindAndExportTest, ExportAllWritesEveryEntryWithProgressAndASummary) {
  Trigger("exportall");
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Data file must be loaded first!"});
  prompts_.messages.clear();
  window_->LoadDataFile(Lod());
  std::vector<int> bar;
  QObject::connect(window_->findChild<QProgressBar*>("loadingpercent"), &QProgressBar::valueChanged,
                   [&](int v) { bar.push_back(v); });
  prompts_.answers = {std::nullopt};  // a cancelled folder dialog does nothing
  Trigger("exportall");
  EXPECT_TRUE(prompts_.messages.empty());
  const std::string out = dir_.File("out");
  std::filesystem::create_directory(out);
  prompts_.answers = {out};
  Trigger("exportall");
  EXPECT_EQ(prompts_.asked.back().title, "Export to Folder...");
  EXPECT_EQ(prompts_.asked.back().initialDir, dir_.path().string());
  std::set<std::string> files;
  for (const auto& f : std::filesystem::directory_iterator(out))
    files.insert(f.path().filename().string());
  EXPECT_EQ(files,
            (std::set<std::string>{"alpha.txt", "beta.evt", "gamma.txt", "pal.act", "Delta.txt"}));
  EXPECT_EQ(test::FileBytes(out + "/beta.evt"), Pattern(40));
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Exported 5 of 5 entries to " + out + "."});
  EXPECT_EQ(bar, (std::vector<int>{0, 20, 40, 60, 80, 100}));
  EXPECT_FALSE(window_->InputBlocked());
  EXPECT_FALSE(window_->findChild<QWidget*>("loadingpanel")->isVisible());
}

TEST_F(FindAndExportTest, TheCancelButtonStopsTheRunBetweenEntries) {
  window_->LoadDataFile(Lod());
  window_->show();
  auto* cancel = window_->findChild<QPushButton*>("loadingcancel");
  ASSERT_NE(cancel, nullptr);
  EXPECT_FALSE(cancel->isVisible());
  bool wasVisible = false;
  // Pressed as the user would, while the panel holds every other click.
  QTimer::singleShot(0, [&] {
    wasVisible = cancel->isVisible();
    const QPoint c = cancel->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, c, cancel->mapToGlobal(c), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, c, cancel->mapToGlobal(c), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(cancel, &press);
    QApplication::sendEvent(cancel, &release);
  });
  const std::string out = dir_.File("out");
  prompts_.answers = {out};
  Trigger("exportall");
  EXPECT_TRUE(wasVisible);
  EXPECT_FALSE(cancel->isVisible());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1);
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Exported 1 of 5 entries to " + out +
                                                        ".\nCancelled before the end."});
  // Closing the window mid-run empties the record: the run stops there, nothing breaks.
  prompts_.messages.clear();
  QTimer::singleShot(0, [&] { window_->close(); });
  prompts_.answers = {dir_.File("closed")};
  Trigger("exportall");
  EXPECT_TRUE(window_->DataFile().Entries.empty());
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].rfind("Exported 1 of 5 entries to ", 0), 0u)
      << prompts_.messages[0];
}

TEST_F(FindAndExportTest, ExportSelectedTakesTheSelectedRowsOfAFilteredList) {
  window_->LoadDataFile(Lod());
  Trigger("exportselected");
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"No entries are selected."});
  prompts_.messages.clear();
  filter_->setText("type:text");
  list_->selectionModel()->select(list_->model()->index(0, 0), QItemSelectionModel::Select);
  list_->selectionModel()->select(list_->model()->index(2, 0), QItemSelectionModel::Select);
  EXPECT_EQ(window_->SelectedEntries(), (std::vector<int>{0, 4}));
  const std::string out = dir_.File("chosen");
  prompts_.answers = {out};
  Trigger("exportselected");
  EXPECT_EQ(test::FileBytes(out + "/alpha.txt"), TextBytes("a\t1\r\n"));
  EXPECT_EQ(test::FileBytes(out + "/Delta.txt"), TextBytes("d\t4\r\n"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 2);
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Exported 2 of 2 entries to " + out + "."});
}

TEST_F(FindAndExportTest, OpenContainingFolderHandsOverTheContainersFolder) {
  std::vector<std::string> opened;
  bool taken = true;
  window_->openFolder = [&](const std::string& dir) {
    opened.push_back(dir);
    return taken;
  };
  Trigger("opencontainingfolder");
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Data file must be loaded first!"});
  window_->LoadDataFile(Lod());
  Trigger("opencontainingfolder");
  EXPECT_EQ(opened, std::vector<std::string>{dir_.path().string()});
  auto note = [&] { return window_->statusBar()->findChildren<QLabel*>()[3]->text(); };
  EXPECT_TRUE(note().isEmpty());
  // Nothing on the desktop to open it with: the status bar says so.
  taken = false;
  Trigger("opencontainingfolder");
  EXPECT_EQ(note().toStdString(), "No file manager could open " + dir_.path().string());
}

}  // namespace
}  // namespace brindle
