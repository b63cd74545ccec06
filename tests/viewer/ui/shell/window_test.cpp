#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cerrno>
#include <thread>

#include "common/codepage.h"
#include "common/io_faults.h"
#include "fake_prompts.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/pages/raw_pages.h"
#include "viewer/ui/pages/video_page.h"
#include "viewer/ui/pages/zoom_image.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;
using test::TextBytes;

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    paths_.programDir = dir_.path().string();
    paths_.iniPath = dir_.File("brindle.ini");
    paths_.tempDir = dir_.path().string();
  }

  std::unique_ptr<TForm1> MakeWindow(const GameDataView& data = {}) {
    return std::make_unique<TForm1>(paths_, prompts_, data);
  }

  std::string IconsLod(const std::string& name = "icons.lod") {
    return dir_.Write(
        name,
        BuildLod("ICONS",
                 {{"a.evt", BuildPackedLodEntry("a.evt", Pattern(40), false)},
                  {"b.str", BuildPackedLodEntry("b.str", TextBytes(std::string("x\0y", 3)), true)},
                  {"c.bin", BuildPackedLodEntry("c.bin", Pattern(20), false)},
                  {"unknown.xyz", Pattern(9)}}));
  }

  std::string MapsLod() {
    ByteWriter map;
    map.I32(10).I32(40).Append(Pattern(10));
    return dir_.Write("maps.lod", BuildLod("MAPS", {{"m.dlv", map.bytes()},
                                                    {"m.ddm", map.bytes()},
                                                    {"m.blv", map.bytes()},
                                                    {"m.odm", map.bytes()}}));
  }

  QString Panel(TForm1& w, int i) { return w.statusBar()->findChildren<QLabel*>()[i]->text(); }

  TempDir dir_;
  AppPaths paths_;
  test::FakePrompts prompts_;
};

TEST_F(WindowTest, StartsOnTheTitlePageWithItsControls) {
  GameDataView data;
  data.rows = {{"a", "b"}, {}};
  auto w = MakeWindow(data);
  EXPECT_EQ(w->windowTitle(), "brindle 1.01");
  EXPECT_EQ(w->CurrentPage()->objectName(), "titlepage");
  for (const char* name : {"reslistbox", "tabholder", "loadingpanel", "Panel2", "loadingpercent",
                           "filechangetimer", "opendatafile", "MainMenu1", "partyvals", "evttab",
                           "strtab", "bintab", "dlvtab", "ddmtab", "blvtab", "odmtab", "ztptab"}) {
    EXPECT_NE(w->findChild<QObject*>(name), nullptr) << name;
  }
  EXPECT_EQ(w->findChild<QTableWidget*>("partyvals")->columnCount(), 19);
  EXPECT_EQ(w->findChild<QTableWidget*>("partyvals")->rowCount(), 2);
  EXPECT_EQ(w->statusBar()->findChildren<QLabel*>().size(), 4);
  EXPECT_EQ(w->DataFile().Kind, ckNone);
}

TEST_F(WindowTest, GameDataFillsTheHiddenTableAndTheTitlePicture) {
  // A title picture of 4 x 2 and two columns of different lengths; the others empty.
  Bytes bmp = {'B', 'M'};
  {
    QImage img(4, 2, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "BMP");
    bmp.assign(data.begin(), data.end());
  }
  Result<GameData> load =
      LoadGameData(BuildGameData(bmp, {TextBytes("0\r\n1"), {}, TextBytes("a\r\nb\r\nc")}));
  ASSERT_TRUE(load.ok()) << load.message();
  GameDataView view = MakeGameDataView(*load);
  EXPECT_EQ(view.title.size(), QSize(4, 2));
  auto w = MakeWindow(view);
  auto* table = w->findChild<QTableWidget*>("partyvals");
  EXPECT_EQ(table->columnCount(), 19);
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->item(1, 0)->text(), "1");
  EXPECT_EQ(table->item(2, 2)->text(), "c");
  EXPECT_EQ(table->item(2, 0)->text(), "");
  // An empty table is a table without rows, not a failure.
  Result<GameData> empty = LoadGameData(BuildGameData({}, {}));
  ASSERT_TRUE(empty.ok());
  auto bare = MakeWindow(MakeGameDataView(*empty));
  EXPECT_EQ(bare->findChild<QTableWidget*>("partyvals")->rowCount(), 0);
}

TEST_F(WindowTest, DroppingAContainerOpensIt) {
  auto w = MakeWindow();
  std::string icons = IconsLod();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(icons))});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  // Straight to the window: outside a real drag the application would not route it.
  static_cast<QObject*>(w.get())->event(&drop);
  EXPECT_EQ(w->DataFile().FileName, icons);
  EXPECT_EQ(w->DataFile().Entries.size(), 4u);
}

TEST_F(WindowTest, ReloadKeepsTheSelectionAnotherContainerClearsIt) {
  auto w = MakeWindow();
  std::string icons = IconsLod();
  w->LoadDataFile(icons);
  EXPECT_EQ(Panel(*w, 0).toStdString(), icons);
  EXPECT_EQ(Panel(*w, 1), "4 resources");
  w->SelectRow(2);
  EXPECT_EQ(w->CurrentPage()->objectName(), "bintab");
  w->ShowPage(w->findChild<QWidget*>("titlepage"));
  // The same path in another case is a reload: the row stays and is shown again.
  // (On this file system the names differ, so the same bytes stand under both.)
  std::string upper = dir_.File("ICONS.LOD");
  std::filesystem::copy_file(icons, upper);
  w->LoadDataFile(upper);
  EXPECT_EQ(w->SelectedIndex(), 2);
  EXPECT_EQ(w->CurrentPage()->objectName(), "bintab");
  w->LoadDataFile(MapsLod());
  EXPECT_EQ(w->SelectedIndex(), -1);
  EXPECT_EQ(w->CurrentPage()->objectName(), "titlepage");
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(WindowTest, UnknownAndMissingContainersLeaveTheListAlone) {
  auto w = MakeWindow();
  std::string icons = IconsLod();
  w->LoadDataFile(icons);
  const std::string games = dir_.Write("games.lod", BuildLod("GAMES", {}));
  w->LoadDataFile(games);
  EXPECT_EQ(w->DataFile().FileName, icons);
  EXPECT_EQ(w->findChild<QTreeView*>("reslistbox")->model()->rowCount(), 4);
  EXPECT_TRUE(prompts_.messages.empty());
  // Not a box, but not silence either: a note where the pointer's pixel is shown.
  EXPECT_EQ(Panel(*w, 3).toStdString(), "Not a recognised data file: " + games);
  EXPECT_EQ(Panel(*w, 0).toStdString(), icons);
  EXPECT_EQ(Panel(*w, 1), "4 resources");
  w->LoadDataFile(dir_.File("gone.snd"));
  EXPECT_EQ(prompts_.messages,
            std::vector<std::string>{"Cannot open file " + dir_.File("gone.snd")});
  EXPECT_EQ(w->DataFile().FileName, icons);
  EXPECT_FALSE(w->InputBlocked());
  EXPECT_FALSE(w->findChild<QWidget*>("loadingpanel")->isVisible());
}

TEST_F(WindowTest, AnEntryOutsideTheFileIsNotShownAndTheOthersGoOn) {
  auto w = MakeWindow();
  Bytes lod = BuildLod("ICONS", {{"a.evt", BuildPackedLodEntry("a.evt", Pattern(40), false)},
                                 {"b.evt", BuildPackedLodEntry("b.evt", Pattern(40), false)}});
  PutU32(&lod[288 + 20], 5000);  // a.evt claims far more than the file holds
  w->LoadDataFile(dir_.Write("icons.lod", lod));
  w->SelectRow(0);
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Error!  Unable to show a.evt"});
  EXPECT_EQ(w->CurrentPage()->objectName(), "titlepage");
  prompts_.messages.clear();
  w->SelectRow(1);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(w->CurrentPage()->objectName(), "evttab");
}

TEST_F(WindowTest, AnEntryThatCannotBeReadIsNotShownAsZeros) {
  auto w = MakeWindow();
  Bytes lod = BuildLod("ICONS", {{"a.evt", BuildPackedLodEntry("a.evt", Pattern(400), false)},
                                 {"b.evt", BuildPackedLodEntry("b.evt", Pattern(40), false)}});
  w->LoadDataFile(dir_.Write("icons.lod", lod));
  w->WaitForBackgroundReads();  // the faults below are the page's alone
  // Reads of the entry's header succeed; every read after it fails, as a bad sector would.
  int reads = 0;
  SetIoFaultHook([&](IoCall call) { return call == IoCall::kRead && ++reads > 1 ? EIO : 0; });
  w->SelectRow(0);
  SetIoFaultHook({});
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("Cannot read file"), std::string::npos);
  EXPECT_NE(prompts_.messages[0].find("Input/output error\nError!  Unable to show a.evt"),
            std::string::npos)
      << prompts_.messages[0];
  EXPECT_EQ(w->CurrentPage()->objectName(), "titlepage");
  prompts_.messages.clear();
  w->SelectRow(1);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(w->CurrentPage()->objectName(), "evttab");
}

TEST_F(WindowTest, DispatchByType) {
  auto w = MakeWindow();
  w->LoadDataFile(IconsLod());
  const char* expected[] = {"evttab", "strtab", "bintab", "titlepage"};
  for (int row = 0; row < 4; ++row) {
    w->SelectRow(row);
    EXPECT_EQ(w->CurrentPage()->objectName(), expected[row]) << row;
  }
  w->LoadDataFile(MapsLod());
  const char* maps[] = {"dlvtab", "ddmtab", "blvtab", "odmtab"};
  for (int row = 0; row < 4; ++row) {
    w->SelectRow(row);
    EXPECT_EQ(w->CurrentPage()->objectName(), maps[row]) << row;
  }
}

// A large entry's dump is made as it is shown: the first and last lines are the dump's, and
// copying everything gives the whole dump.
TEST_F(WindowTest, LargeHexDumpShowsAndCopiesWhole) {
  const Bytes payload = Pattern(300007, 9);
  auto w = MakeWindow();
  w->LoadDataFile(dir_.Write(
      "big.lod", BuildLod("ICONS", {{"big.bin", BuildPackedLodEntry("big.bin", payload, true)}})));
  w->SelectRow(0);
  auto* bin = static_cast<RawPage*>(w->Page("bintab"));
  ASSERT_EQ(w->CurrentPage(), bin);
  const std::vector<std::string> dump = HexDump(payload);
  LinesView* box = bin->box();
  ASSERT_EQ(box->LineCount(), static_cast<int>(dump.size()));
  EXPECT_EQ(box->Line(0), dump.front());
  EXPECT_EQ(box->Line(2), dump[2]);
  EXPECT_EQ(box->Line(box->LineCount() - 1), dump.back());
  QStringList expected;
  for (const std::string& line : dump)
    expected << QString::fromStdString(Cp437ToUtf8(line));
  box->SelectAll();
  EXPECT_EQ(box->SelectedText(), expected.join('\n'));
}

TEST_F(WindowTest, HexAndStringPagesShowAndSave) {
  auto w = MakeWindow();
  w->LoadDataFile(IconsLod());
  w->SelectRow(0);
  auto* evt = static_cast<RawPage*>(w->Page("evttab"));
  ASSERT_EQ(evt->box()->Lines().size(), 2u + 3u);  // 40 bytes after the header
  EXPECT_EQ(evt->box()->Lines()[2].substr(0, 8), "      0 ");
  w->SelectRow(1);
  auto* str = static_cast<RawPage*>(w->Page("strtab"));
  EXPECT_EQ(str->box()->Lines(), (std::vector<std::string>{"x", "y"}));

  // Save: the dialog as the page sets it up, then the same payload into the file.
  prompts_.answers = {dir_.File("saved.evt")};
  w->SelectRow(0);
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("evttabsavetoevt"), "click");
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_EQ(prompts_.asked[0].title, "Save to EVT...");
  EXPECT_EQ(prompts_.asked[0].proposedName, "a.evt");
  EXPECT_EQ(dir_.Read("saved.evt"), Pattern(40));
  // An uncompressed .bin saves whole, header included.
  prompts_.answers = {dir_.File("saved.bin")};
  w->SelectRow(2);
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("bintabsavetobin"), "click");
  EXPECT_EQ(dir_.Read("saved.bin").size(), 48u + 20u);
  // Dialogs start in the open container's folder.
  EXPECT_EQ(prompts_.asked.back().initialDir, dir_.path().string());
  // A cancelled dialog writes nothing.
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("bintabsavetobin"), "click");
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(WindowTest, ARowTheListMakesCurrentByItselfIsSelectedToo) {
  // The list makes its first row current when it takes the focus, without selecting it; the
  // page it shows must then act on that entry, not on none.
  std::string vid = dir_.Write("movies.vid", BuildVid({{"INTRO", Pattern(8001)}}));
  auto w = MakeWindow();
  w->LoadDataFile(vid);
  auto* list = w->findChild<QTreeView*>("reslistbox");
  list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                          QItemSelectionModel::NoUpdate);
  EXPECT_EQ(w->SelectedIndex(), 0);
  auto* page = static_cast<VideoPage*>(w->Page("ztptab"));
  std::vector<std::string> started;
  page->start = [&](const std::string& program, const std::vector<std::string>&) {
    started.push_back(program);
    return true;
  };
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("ztptabplayztp"), "click");
  EXPECT_EQ(started, std::vector<std::string>{paths_.programDir + "/reelrun"});
}

TEST_F(WindowTest, OpeningShowsNoEntryUntilTheUserPicksOne) {
  // A sound container opened (as from the command line), then the list given the focus:
  // nothing is picked, so nothing is shown or played.
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->LoadDataFile(dir_.Write("audio.snd", BuildSnd({{"Chime", Pattern(200), 0}})));
  auto* list = w->findChild<QTreeView*>("reslistbox");
  list->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(w->SelectedIndex(), -1);
  EXPECT_EQ(w->CurrentPage()->objectName(), "titlepage");
  // The user's Down picks the first entry.
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(w->SelectedIndex(), 0);
  EXPECT_EQ(w->CurrentPage()->objectName(), "sndtab");
  // So does narrowing the list and going back to it.
  w->LoadDataFile(IconsLod());
  auto* filter = w->findChild<QLineEdit*>("resfilter");
  filter->setFocus();
  QTest::keyClicks(filter, "b");
  list->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  EXPECT_EQ(w->SelectedIndex(), -1);
}

TEST_F(WindowTest, KeysMnemonicsAndTheCountWhileFiltering) {
  auto w = MakeWindow();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->activateWindow();
  const std::string lod = IconsLod();
  w->LoadDataFile(lod);
  EXPECT_EQ(w->windowTitle(), "brindle 1.01 - icons.lod");
  QMenu* file = w->menuBar()->findChild<QMenu*>("filemenu");
  EXPECT_EQ(file->title(), "&File");
  for (QAction* a : file->actions()) {
    if (!a->isSeparator() && a->isVisible() && a->text() != QString::fromStdString(lod)) {
      EXPECT_TRUE(a->text().contains('&')) << a->text().toStdString();
    }
  }

  // Ctrl+O asks for a container; F1 tells the keys.
  QTest::keyClick(w.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_EQ(prompts_.asked[0].title, "Select VLM Data or Save Game File");
  QTest::keyClick(w.get(), Qt::Key_F1);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("Ctrl+O"), std::string::npos);

  // The filter narrows the list and the status bar counts; Esc brings everything back.
  auto* filter = w->findChild<QLineEdit*>("resfilter");
  auto count = [&] { return w->statusBar()->findChildren<QLabel*>()[1]->text(); };
  EXPECT_EQ(count(), "4 resources");
  filter->setFocus();
  QTest::keyClicks(filter, ".evt");
  EXPECT_EQ(count(), "1 of 4 resources");
  QTest::keyClick(filter, Qt::Key_Escape);
  EXPECT_TRUE(filter->text().isEmpty());
  EXPECT_EQ(count(), "4 resources");

  // Shift+F10 on the list opens its menu.
  auto* list = w->findChild<QTreeView*>("reslistbox");
  list->setFocus();
  QString opened;
  QTimer::singleShot(0, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      opened = popup->metaObject()->className();
      popup->close();
    }
  });
  QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_EQ(opened, "QMenu");

  // A picture takes the focus by Tab.
  EXPECT_EQ(w->findChild<ZoomImage*>()->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
}

TEST_F(WindowTest, TheSplitterBetweenListAndPageKeepsItsPlace) {
  {
    auto w = MakeWindow();
    w->resize(800, 500);
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    auto* splitter = w->findChild<QSplitter*>("clientsplitter");
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(splitter->widget(1)->objectName(), "tabholder");
    splitter->setSizes({260, 536});
    EXPECT_EQ(w->findChild<QTreeView*>("reslistbox")->width(), 260);
  }
  EXPECT_EQ(ReadIniString("Window", "list", paths_.iniPath), "260");
  auto again = MakeWindow();
  again->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
  EXPECT_EQ(again->findChild<QTreeView*>("reslistbox")->width(), 260);
}

TEST_F(WindowTest, MoviePagePlaysAndSaves) {
  std::string vid =
      dir_.Write("movies.vid", BuildVid({{"INTRO", Pattern(8001)}, {"x.kno", Pattern(30, 4)}}));
  auto w = MakeWindow();
  w->LoadDataFile(vid);
  w->SelectRow(0);
  EXPECT_EQ(w->findChild<QLabel*>("ztptabztpsize")->text(), "Movie Size: 8001 bytes");
  auto* page = static_cast<VideoPage*>(w->Page("ztptab"));
  std::vector<std::string> started;
  page->start = [&](const std::string& program, const std::vector<std::string>& args) {
    started.push_back(program);
    started.insert(started.end(), args.begin(), args.end());
    return true;
  };
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("ztptabplayztp"), "click");
  EXPECT_EQ(started, (std::vector<std::string>{paths_.programDir + "/reelrun",
                                               paths_.tempDir + "/temp.ztp", "/L", "/V3"}));
  EXPECT_TRUE(Panel(*w, 3).isEmpty());
  // A player that cannot be started says so in the status bar.
  page->start = [](const std::string&, const std::vector<std::string>&) { return false; };
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("ztptabplayztp"), "click");
  EXPECT_EQ(Panel(*w, 3).toStdString(),
            "Cannot start the movie player: " + paths_.programDir + "/reelrun");
  // A note longer than its panel can be read whole by resting on it.
  EXPECT_EQ(w->statusBar()->findChildren<QLabel*>()[3]->toolTip(), Panel(*w, 3));
  EXPECT_EQ(dir_.Read("temp.ztp"), Pattern(8001));
  EXPECT_EQ(w->findChild<QProgressBar*>("loadingpercent")->value(), 100);

  w->SelectRow(1);
  prompts_.answers = {dir_.File("kept.ztp")};
  QMetaObject::invokeMethod(w->findChild<QPushButton*>("ztptabsavetoztp"), "click");
  EXPECT_EQ(prompts_.asked.back().proposedName, "x.ztp");
  EXPECT_EQ(dir_.Read("kept.ztp"), Pattern(30, 4));
  // The temporary movies go at shutdown.
  w->SaveSettingsAndCleanUp();
  EXPECT_FALSE(std::filesystem::exists(dir_.File("temp.ztp")));
}

TEST_F(WindowTest, HistoryMenuKeepsNineAndMovesReopenedToTheTop) {
  std::vector<std::string> paths;
  for (int i = 0; i < 10; ++i)
    paths.push_back(IconsLod(std::to_string(i) + "c.lod"));
  {
    auto w = MakeWindow();
    for (int i = 0; i < 9; ++i)
      w->LoadDataFile(paths[static_cast<std::size_t>(i)]);
    EXPECT_EQ(w->history().items().size(), 9u);
    w->LoadDataFile(paths[9]);
    ASSERT_EQ(w->history().items().size(), 9u);
    EXPECT_EQ(w->history().items().front(), paths[9]);
    EXPECT_EQ(w->history().items().back(), paths[1]);
    w->LoadDataFile(paths[4]);
    EXPECT_EQ(w->history().items().front(), paths[4]);
    // The menu: the placeholder hidden, the items under it, newest first.
    QMenu* file = w->menuBar()->findChild<QMenu*>("filemenu");
    QStringList captions;
    for (QAction* a : file->actions()) {
      if (a->isVisible() && !a->isSeparator()) captions << a->text();
    }
    // The commands above them, the nine, then Exit.
    const int first = static_cast<int>(captions.indexOf(QString::fromStdString(paths[4])));
    ASSERT_GE(first, 2);
    EXPECT_EQ(captions.size(), first + 9 + 1);
    EXPECT_EQ(captions.last(), "E&xit");
  }
  // Shutdown wrote them; the next start reads them back in the same order.
  auto again = MakeWindow();
  EXPECT_EQ(again->history().items().front(), paths[4]);
  EXPECT_EQ(ReadIniString("History", "file0", paths_.iniPath), paths[1]);
}

TEST_F(WindowTest, GeometryFromSettingsKeepsWhatIsNotANumber) {
  WriteIniString("Window", "x", paths_.iniPath, "40");
  WriteIniString("Window", "y", paths_.iniPath, "50");
  WriteIniString("Window", "w", paths_.iniPath, "wide");
  WriteIniString("Window", "h", paths_.iniPath, "500");
  auto w = MakeWindow();
  const int designWidth = MakeWindow()->frameGeometry().width();
  EXPECT_EQ(w->frameGeometry().left(), 40);
  EXPECT_EQ(w->frameGeometry().top(), 50);
  EXPECT_EQ(w->frameGeometry().width(), designWidth);
  EXPECT_EQ(w->frameGeometry().height(), 500);
}

TEST_F(WindowTest, KeysAndClicksAreSwallowedWhileLoading) {
  auto w = MakeWindow();
  w->LoadDataFile(IconsLod());
  auto* list = w->findChild<QTreeView*>("reslistbox");
  w->SelectRow(0);
  w->ShowLoading(true);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(list, &down);
  EXPECT_EQ(list->currentIndex().row(), 0);
  EXPECT_TRUE(w->InputBlocked());
  const QPoint third = list->visualRect(list->model()->index(2, 0)).center();
  QMouseEvent click(QEvent::MouseButtonPress, third, list->viewport()->mapToGlobal(third),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &click);
  EXPECT_EQ(list->currentIndex().row(), 0);
  // A box shown meanwhile still takes its keys.
  QWidget box;
  box.setFocusPolicy(Qt::StrongFocus);
  struct Counter : QObject {
    int keys = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::KeyPress) ++keys;
      return false;
    }
  } counter;
  box.installEventFilter(&counter);
  QApplication::sendEvent(&box, &down);
  EXPECT_EQ(counter.keys, 1);
  w->ShowLoading(false);
  QApplication::sendEvent(list, &down);
  EXPECT_EQ(list->currentIndex().row(), 1);
}

TEST_F(WindowTest, WatchReportsOutsideChangesAndStaysQuietOtherwise) {
  auto w = MakeWindow();
  std::string icons = IconsLod();
  w->LoadDataFile(icons);
  w->FileChangeWatch();
  EXPECT_TRUE(prompts_.messages.empty());
  // Another program grows the file by one entry.
  dir_.Write("icons.lod", BuildLod("ICONS", {{"a.evt", Pattern(60)},
                                             {"b.evt", Pattern(60)},
                                             {"c.evt", Pattern(60)},
                                             {"d.evt", Pattern(60)},
                                             {"e.evt", Pattern(60)}}));
  w->FileChangeWatch();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0],
            "File " + icons + " has been modified.  Press OK to reload data file.");
  EXPECT_EQ(w->DataFile().Entries.size(), 5u);
  EXPECT_EQ(w->DataFile().FileName, icons);  // reloaded by its own name, which it keeps
  w->FileChangeWatch();
  EXPECT_EQ(prompts_.messages.size(), 1u);
  // Nothing open: the watch does nothing.
  auto fresh = MakeWindow();
  fresh->FileChangeWatch();
  EXPECT_EQ(prompts_.messages.size(), 1u);
}

TEST_F(WindowTest, BatchImportThroughTheMenu) {
  auto w = MakeWindow();
  w->BatchImportClick();
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Data file must be loaded first!"});
  std::string lod = dir_.Write(
      "icons.lod",
      BuildLod("ICONS", {{"t.txt", BuildPackedLodEntry("t.txt", TextBytes("old"), false)}}));
  w->LoadDataFile(lod);
  w->SelectRow(0);
  std::string file = dir_.Write("T.TXT", TextBytes("new text"));
  std::string stray = dir_.Write("notes", TextBytes("no entry is called so"));
  prompts_.answers = {file, stray};
  w->BatchImportClick();
  EXPECT_EQ(prompts_.asked.back().title, "Select Files to Import...");
  EXPECT_EQ(prompts_.asked.back().filter, "All Files (*.*)|*.*");
  EXPECT_EQ(prompts_.messages.size(), 1u);
  // The status bar counts the batch and names what matched nothing.
  EXPECT_EQ(Panel(*w, 3).toStdString(), "1 file imported, 0 failed, 1 matched no entry: notes");
  EXPECT_EQ(Panel(*w, 2).toStdString(), std::to_string(w->DataFile().FileSize) + " bytes");
  // The program's own write does not wake the watch.
  w->FileChangeWatch();
  EXPECT_EQ(prompts_.messages.size(), 1u);
  EXPECT_FALSE(w->InputBlocked());
}

}  // namespace
}  // namespace brindle
