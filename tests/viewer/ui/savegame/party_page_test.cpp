// The saved-game editor in the window, driven through its widgets: the tool buttons and
// keys, the grids' editors, the inventory's placements and drags, Save and the question
// before unsaved changes are left.

#include "viewer/ui/savegame/party_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <map>

#include "samples.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/savegame/party_fields.h"
#include "viewer/core/settings/ini_file.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

constexpr std::size_t kBlock2 = 9480;

class PartyPageTest : public ::testing::Test {
 protected:
  PartyPageTest() {
    paths_.programDir = dir_.path().string();
    paths_.iniPath = dir_.File("brindle.ini");
    paths_.tempDir = dir_.path().string();
    Result<GameData> data = LoadGameDataFile(BRINDLE_DAT_FILE);
    EXPECT_TRUE(data) << data.message();
    window_ = std::make_unique<TForm1>(paths_, prompts_, MakeGameDataView(*data));
    window_->resize(900, 600);
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  // A saved game holding the sample party between two other entries.
  void Open(Bytes party = samples::PartyRecord(), bool packed = false) {
    record_ = party;
    Bytes entry = packed ? BuildPackedLodEntry("PARTY.BIN", party, true) : std::move(party);
    path_ = dir_.Write("save1.lod", BuildLod("CHAPTER", {{"notes.txt", Bytes(90, 'n')},
                                                         {"PARTY.BIN", entry},
                                                         {"other.bin", Bytes(40, 'o')}}));
    window_->LoadDataFile(path_);
    window_->SelectRow(1);
    page_ = qobject_cast<PartyEditPage*>(window_->Page("partyedittab"));
    ASSERT_NE(page_, nullptr);
  }
  // The record's bytes in the file now.
  Bytes Record() const {
    const Bytes all = test::FileBytes(path_);
    const auto& e = window_->DataFile().Entries[1];
    return Bytes(all.begin() + e.Offset, all.begin() + e.Offset + e.Size);
  }

  template <typename T>
  T* Find(const char* name) {
    return window_->findChild<T*>(name);
  }
  TImpStringgrid* Grid(const char* name) { return Find<TImpStringgrid>(name); }
  QTabWidget* Tabs() { return Find<QTabWidget>("partyedittabholder"); }
  // Character n's pages, on the inventory.
  void ShowInventoryOf(int n) {
    page_->PickEdit(n);
    Tabs()->setCurrentIndex(PartyEditPage::kTabInventory);
  }

  // Types into a cell through the grid's editor and ends the edit with Enter.
  void Type(TImpStringgrid* grid, int col, int row, const QString& text) {
    grid->setFocus();
    grid->SetCurrentCell(col, row);
    ASSERT_TRUE(grid->StartEdit()) << grid->objectName().toStdString();
    grid->Editor()->selectAll();
    QTest::keyClicks(grid->Editor(), text);
    QTest::keyClick(grid->Editor(), Qt::Key_Return);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window_.get(), key,
                    mods);
  }
  QPoint CellCentre(TImpStringgrid* grid, int col, int row) {
    return grid->visualRect(grid->model()->index(row, col)).center();
  }
  bool TitleMarked() const { return window_->windowTitle().contains('*'); }

  test::TempDir dir_;
  AppPaths paths_;
  test::FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
  std::string path_;
  Bytes record_;
  PartyEditPage* page_ = nullptr;
};

TEST_F(PartyPageTest, LoadShowsThePartyPagesWithTheToolButtonDown) {
  Open();
  EXPECT_EQ(window_->CurrentPage(), page_);
  EXPECT_TRUE(Find<QToolButton>("tbparty")->isChecked());
  EXPECT_EQ(Find<QToolButton>("tbp3")->toolTip(), "Edit third character (control-3)");
  EXPECT_EQ(Grid("partystatssg")->Cells(0, 1), "Gold");
  EXPECT_EQ(Grid("partystatssg")->Cells(1, 1), "1250");
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(Tabs()->isTabVisible(i), i < 2) << i;
  EXPECT_EQ(Find<QLineEdit>("gtYear")->text(), "1170");
  EXPECT_FALSE(Find<QPushButton>("charinvswitch")->isVisible());
  EXPECT_FALSE(TitleMarked());
}

TEST_F(PartyPageTest, ListPagesCaptionTheirRowsAsTheFieldListingDoes) {
  Open();
  ShowInventoryOf(2);
  const GameData data = *LoadGameDataFile(BRINDLE_DAT_FILE);
  std::map<std::string, std::string> caption;
  for (const PartyField& f : ListPartyFields(page_->party(), data.table))
    caption[f.key] = f.caption;
  struct List {
    const char* grid;
    std::string key;  // the field of row k is key + k (+ suffix)
    int rows;
    const char* suffix = "";
  };
  const List lists[] = {
      {"partystatssg", "party.", kPartyValueCount},
      {"generalcharsg", "char2.value.", kCharValueCount},
      {"charstatssg", "char2.stat.", kStatCount, ".added"},
      {"charskillsg", "char2.skill.", kSkillCount},
      {"charspellssg", "char2.spell.", kSpellCount},
      {"conditionssg", "char2.condition.", kConditionCount},
      {"charinvsg2", "char2.slot.", kSlotCount},
  };
  for (const List& l : lists)
    for (int k = 1; k <= l.rows; ++k) {
      const std::string key = l.key + std::to_string(k) + l.suffix;
      ASSERT_EQ(caption.count(key), 1u) << key;
      EXPECT_FALSE(caption[key].empty()) << key;
      EXPECT_EQ(Grid(l.grid)->Cells(0, k).toStdString(), caption[key]) << key;
    }
}

TEST_F(PartyPageTest, ControlTwoThenAnEditOnStatsChangesCharacterTwo) {
  Open();
  Tabs()->setFocus();
  Key(Qt::Key_2);
  EXPECT_TRUE(Find<QToolButton>("tbp2")->isChecked());
  EXPECT_EQ(page_->party().CurrentCharacter, 2);
  EXPECT_EQ(Tabs()->currentIndex(), PartyEditPage::kTabCharGeneral);
  EXPECT_EQ(Grid("generalcharsg")->Cells(1, 1), "Wren");
  Tabs()->setCurrentIndex(PartyEditPage::kTabStats);
  Type(Grid("charstatssg"), 2, 1, "77");
  EXPECT_EQ(page_->party().Character(2).Stats[0][1], 77);
  EXPECT_EQ(page_->party().Character(1).Stats[0][1], 30);
  EXPECT_TRUE(TitleMarked());

  // Switching characters keeps the page in front and refills it.
  Key(Qt::Key_3);
  EXPECT_EQ(Tabs()->currentIndex(), PartyEditPage::kTabStats);
  EXPECT_EQ(Grid("charstatssg")->Cells(2, 1), "12");
  Key(Qt::Key_P);
  EXPECT_TRUE(Find<QToolButton>("tbparty")->isChecked());
  EXPECT_EQ(Tabs()->currentIndex(), PartyEditPage::kTabPartyGeneral);

  QMetaObject::invokeMethod(Find<QPushButton>("partyeditsave"), "click");
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_FALSE(TitleMarked());
  const Bytes now = Record();
  ASSERT_EQ(now.size(), record_.size());
  for (std::size_t i = 0; i < now.size(); ++i) {
    if (i == kBlock2 + 188 || i == kBlock2 + 189) continue;
    ASSERT_EQ(now[i], record_[i]) << "byte " << i;
  }
  EXPECT_EQ(ReadU16(now, kBlock2 + 188), 77);
}

TEST_F(PartyPageTest, SaveKeepsAnotherProgramsChangesOrNamesTheFieldsBothChanged) {
  Open();
  auto note = [&] { return window_->statusBar()->findChildren<QLabel*>()[3]->text(); };
  auto save = [&] { QMetaObject::invokeMethod(Find<QPushButton>("partyeditsave"), "click"); };
  // Another program writes into the record: its bytes at `at`, a new time stamp.
  auto theyWrite = [&](std::size_t at, Bytes bytes) {
    Bytes all = test::FileBytes(path_);
    const std::size_t start = static_cast<std::size_t>(window_->DataFile().Entries[1].Offset);
    std::copy(bytes.begin(), bytes.end(), all.begin() + static_cast<std::ptrdiff_t>(start + at));
    ASSERT_TRUE(WriteWholeFile(path_, all));
  };

  save();
  EXPECT_EQ(note(), "Nothing to save: PARTY.BIN has no changes");

  page_->PickEdit(2);
  Tabs()->setCurrentIndex(PartyEditPage::kTabStats);
  Type(Grid("charstatssg"), 2, 1, "77");
  theyWrite(kGameClockOffset, {0x10, 0x27, 0, 0});  // clock 10000
  save();
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_EQ(note(), "Saved PARTY.BIN with another program's changes kept");
  EXPECT_FALSE(TitleMarked());
  EXPECT_EQ(ReadU16(Record(), kBlock2 + 188), 77);
  EXPECT_EQ(ReadI32(Record(), kGameClockOffset), 10000);
  EXPECT_EQ(page_->party().GameClock, 10000) << "the page shows the file as it is now";

  // Both change the same statistic: nothing written, the field named, the edit kept.
  page_->PickEdit(2);
  Tabs()->setCurrentIndex(PartyEditPage::kTabStats);
  Type(Grid("charstatssg"), 2, 1, "78");
  theyWrite(kBlock2 + 188, {90, 0});
  const Bytes theirs = test::FileBytes(path_);
  save();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("char2.stat.1.permanent"), std::string::npos)
      << prompts_.messages[0];
  EXPECT_EQ(note(), "PARTY.BIN was not saved");
  EXPECT_TRUE(TitleMarked());
  EXPECT_EQ(test::FileBytes(path_), theirs);
  EXPECT_EQ(page_->party().Character(2).Stats[0][1], 78);
}

TEST_F(PartyPageTest, TheItemListAndSpellsKeepTheirCaptionRowsInView) {
  Open();
  page_->PickEdit(1);
  for (auto [tab, name] : {std::pair{PartyEditPage::kTabSpells, "charspellssg"},
                           std::pair{PartyEditPage::kTabInventory, "invitemlist"}}) {
    Tabs()->setCurrentIndex(tab);
    TImpStringgrid* grid = Grid(name);
    // Room for three rows under the captions, as a user may leave it with the splitter.
    grid->setMaximumHeight(grid->rowHeight(0) * 4 + 2 * grid->frameWidth());
    QApplication::processEvents();
    ASSERT_GT(grid->RowCount(), 5) << name;
    const int captions = grid->rowHeight(0);
    const QImage before = grid->viewport()->grab().toImage().copy(0, 0, 300, captions);
    for (int i = 0; i < 3; ++i)
      QTest::keyClick(grid, Qt::Key_PageDown, Qt::NoModifier);
    ASSERT_GT(grid->verticalScrollBar()->value(), 0) << name;
    EXPECT_EQ(grid->viewport()->grab().toImage().copy(0, 0, 300, captions), before) << name;
    EXPECT_EQ(grid->CellAt(CellCentre(grid, 1, 1) - QPoint(0, captions)), QPoint(1, 0)) << name;
    EXPECT_GE(grid->visualRect(grid->currentIndex()).top(), captions) << name;
  }
}

TEST_F(PartyPageTest, SkillsConditionsClassAndPortraitFollowTheirRules) {
  Open();
  page_->PickEdit(1);
  Tabs()->setCurrentIndex(PartyEditPage::kTabSkills);
  TImpStringgrid* skills = Grid("charskillsg");
  EXPECT_EQ(skills->Cells(1, 1), "Expert");
  EXPECT_EQ(skills->Cells(2, 1), "7");
  Type(skills, 1, 2, "grand master");
  Type(skills, 2, 2, "70");
  EXPECT_EQ(skills->Cells(1, 2), "Grand Master");
  EXPECT_EQ(skills->Cells(2, 2), "63");
  EXPECT_EQ(page_->party().Character(1).Skills[1], kSkillGrandMaster | 63);

  Tabs()->setCurrentIndex(PartyEditPage::kTabConditions);
  TImpStringgrid* conditions = Grid("conditionssg");
  Type(conditions, 3, 4, "90");
  EXPECT_EQ(conditions->Cells(1, 4), "0");
  EXPECT_EQ(page_->party().Character(1).ConditionStamp(4), page_->party().GameClock - 90 * 256);

  Tabs()->setCurrentIndex(PartyEditPage::kTabCharGeneral);
  auto* cls = Find<QComboBox>("charclasscb");
  cls->setFocus();
  cls->lineEdit()->selectAll();
  QTest::keyClicks(cls->lineEdit(), "black knight");
  QTest::keyClick(cls->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(cls->currentText(), "Black Knight");
  EXPECT_EQ(page_->party().Character(1).Class, 3);

  QTest::mouseClick(Find<QLabel>("charpiclist"), Qt::LeftButton, {}, QPoint(1, 40));
  EXPECT_EQ(page_->party().Character(1).Portrait, 13);
  EXPECT_EQ(Find<QFrame>("charpicbevel")->pos(), QPoint(1, 34));
}

TEST_F(PartyPageTest, GameTimeFieldsComputeTheClockWhenLeft) {
  Open();
  Tabs()->setCurrentIndex(PartyEditPage::kTabGameTime);
  auto* hour = Find<QLineEdit>("gtHour");
  Find<QComboBox>("gtampm")->setCurrentText("am");
  hour->setFocus();
  hour->setText("12");
  auto* day = Find<QLineEdit>("gtDay");
  day->setFocus();  // leaving the hour
  day->setText("31");
  QTest::keyClick(day, Qt::Key_Return);
  EXPECT_EQ(hour->text(), "12");
  EXPECT_EQ(day->text(), "28");
  EXPECT_EQ(Find<QComboBox>("gtampm")->currentText(), "am");
  const std::int32_t clock = page_->party().GameClock;
  EXPECT_EQ(clock % (24 * 15360) / 15360, 0) << "12 am is hour 0";
  EXPECT_EQ(clock % (28 * 368640) / 368640, 27);
  EXPECT_FALSE(Find<QLineEdit>("gtDayofWeek")->text().isEmpty());
}

TEST_F(PartyPageTest, InventoryEditsFollowThePlacementRules) {
  Open();
  ShowInventoryOf(1);
  EXPECT_TRUE(Find<QPushButton>("charinvswitch")->isVisible());
  TImpStringgrid* backpack = Grid("charinvsg");
  TImpStringgrid* slotList = Grid("charinvsg2");
  TImpStringgrid* items = Grid("invitemlist");
  EXPECT_EQ(items->Cells(0, 3), "(*) 3");
  EXPECT_EQ(items->Cells(1, 3), "Iron Battle Axe");
  EXPECT_EQ(items->RowCount(), 7);
  EXPECT_EQ(backpack->KeyAt(1, 2), "3");

  // Entry 1 is worn in slot 1: it cannot go into the backpack too.
  Type(backpack, 10, 5, "1");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0],
            "A number in the item list can only appear in either inventory once!");
  EXPECT_EQ(backpack->Cells(10, 5), "");
  // Taking it off its slot, then placing it at column 13 (it is one cell wide, three high).
  QMetaObject::invokeMethod(Find<QPushButton>("charinvswitch"), "click");
  EXPECT_TRUE(slotList->isVisible());
  Type(slotList, 1, 1, "0");
  EXPECT_EQ(items->Cells(0, 1), "1");
  QMetaObject::invokeMethod(Find<QPushButton>("charinvswitch"), "click");
  Type(backpack, 13, 6, "1");
  EXPECT_EQ(backpack->Cells(13, 6), "1");
  EXPECT_EQ(page_->party().Character(1).Cell(13, 8), -(6 * 14 + 13 + 1));
  EXPECT_EQ(items->Cells(0, 1), "(*) 1");
  Type(backpack, 12, 7, "5");
  EXPECT_EQ(prompts_.messages.back(),
            "A number in the item list can only appear in either inventory once!");
  // Typed over item 3, a number placed elsewhere is refused and item 3 stays where it was.
  const TPartyCharacter before = page_->party().Character(1);
  Type(backpack, 1, 2, "1");
  EXPECT_EQ(prompts_.messages.back(),
            "A number in the item list can only appear in either inventory once!");
  EXPECT_EQ(page_->party().Character(1).Grid, before.Grid);
  EXPECT_EQ(backpack->KeyAt(1, 2), "3");
  EXPECT_EQ(items->Cells(0, 3), "(*) 3");
  // Typed with blanks around it, a number is the number.
  Type(backpack, 13, 6, " 0 ");
  EXPECT_EQ(items->Cells(0, 1), "1") << "item 1 taken out";
  Type(backpack, 13, 6, " 1");
  EXPECT_EQ(items->Cells(0, 1), "(*) 1");

  // A new item in the empty last row; then clearing its name deletes it again.
  Type(items, 1, 6, "iron dagger");
  EXPECT_EQ(items->Cells(1, 6), "Iron Dagger");
  EXPECT_EQ(items->Cells(6, 6), "Identified");
  EXPECT_EQ(items->RowCount(), 8);
  QTest::keyClick(items, Qt::Key_Delete);  // on the name cell, not editing
  EXPECT_EQ(items->RowCount(), 7);
  EXPECT_EQ(page_->party().Character(1).Item(6)[kItemNumber], 0);
}

TEST_F(PartyPageTest, DraggingPlacesAndMovesItemsAcrossTheBackpack) {
  Open();
  ShowInventoryOf(2);
  TImpStringgrid* backpack = Grid("charinvsg");
  TImpStringgrid* items = Grid("invitemlist");
  const TPartyCharacter& ch = page_->party().Character(2);
  // Entry 3 (a warhammer, 2 x 3) lies at column 1; drag it from its top-left cell.
  ASSERT_EQ(ch.Cell(1, 0), 3);
  QTest::mousePress(backpack->viewport(), Qt::LeftButton, {}, CellCentre(backpack, 2, 1));
  EXPECT_EQ(items->Row(), 3) << "pressing on a covered cell selects its item";
  EXPECT_EQ(page_->inventory()->drag().col, 1);
  bool accept = false;
  // Taken by the cell one right and one down of its corner, it keeps that cell under the
  // pointer: over (2, 1) nothing moves, over (3, 1) it moves one cell right.
  page_->inventory()->BackpackDragOver(backpack, 2, 1, &accept);
  EXPECT_TRUE(accept);
  EXPECT_EQ(ch.Cell(1, 0), 3) << "no jump to put its corner under the pointer";
  page_->inventory()->BackpackDragOver(backpack, 3, 1, &accept);
  EXPECT_EQ(ch.Cell(2, 0), 3) << "moved by one cell into space it partly occupied";
  EXPECT_EQ(ch.Cell(1, 0), 0);
  page_->inventory()->BackpackDragOver(backpack, 10, 5, &accept);
  EXPECT_EQ(ch.Cell(9, 4), 3);
  EXPECT_EQ(backpack->Col(), 9);
  QTest::mouseRelease(backpack->viewport(), Qt::LeftButton, {}, CellCentre(backpack, 10, 5));

  // A drag from another control is refused.
  page_->inventory()->BackpackDragOver(Grid("charskillsg"), 0, 0, &accept);
  EXPECT_FALSE(accept);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_TRUE(TitleMarked());
}

TEST_F(PartyPageTest, ArrowKeysStepOverAnItemsBox) {
  Open();
  ShowInventoryOf(2);
  TImpStringgrid* backpack = Grid("charinvsg");
  const TPartyCharacter& ch = page_->party().Character(2);
  ASSERT_EQ(ch.Cell(1, 0), 3);  // a warhammer, 2 x 3, from (1, 0)
  ASSERT_LT(ch.Cell(2, 0), 0);
  backpack->setFocus();
  backpack->SetCurrentCell(1, 0);
  QTest::keyClick(backpack, Qt::Key_Right);
  QApplication::processEvents();
  EXPECT_EQ(QPoint(backpack->Col(), backpack->Row()), QPoint(3, 0)) << "past its two columns";
  backpack->SetCurrentCell(1, 0);
  QTest::keyClick(backpack, Qt::Key_Down);
  QApplication::processEvents();
  EXPECT_EQ(QPoint(backpack->Col(), backpack->Row()), QPoint(1, 3)) << "past its three rows";
}

TEST_F(PartyPageTest, PressingTheCurrentCellTakesItsItemForTheDrag) {
  // After a fill the backpack's current cell is (0, 0) while the item list stays on another
  // row; a press there must still make the item under it the one dragged.
  Open();
  ShowInventoryOf(1);
  TImpStringgrid* backpack = Grid("charinvsg");
  TImpStringgrid* items = Grid("invitemlist");
  const TPartyCharacter& ch = page_->party().Character(1);
  const int n = ch.Cell(0, 0);
  ASSERT_GT(n, 0);
  ASSERT_EQ(QPoint(backpack->Col(), backpack->Row()), QPoint(0, 0));
  ASSERT_NE(items->Row(), n);
  QTest::mousePress(backpack->viewport(), Qt::LeftButton, {}, CellCentre(backpack, 0, 0));
  EXPECT_EQ(items->Row(), n);
  bool accept = false;
  page_->inventory()->BackpackDragOver(backpack, 6, 4, &accept);
  EXPECT_EQ(ch.Cell(6, 4), n);
  EXPECT_EQ(ch.Cell(0, 0), 0);
  QTest::mouseRelease(backpack->viewport(), Qt::LeftButton, {}, CellCentre(backpack, 6, 4));
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(PartyPageTest, SayingNoByAClickLeavesTheListOnThePartyRecord) {
  Open();
  Type(Grid("partystatssg"), 1, 1, "999");
  ASSERT_TRUE(TitleMarked());
  auto* list = window_->findChild<QTreeView*>("reslistbox");
  ASSERT_NE(list, nullptr);
  const int partyRow = list->currentIndex().row();
  const int otherRow = partyRow == 2 ? 1 : 2;
  const QRect target = list->visualRect(list->model()->index(otherRow, 0));
  prompts_.yesNoAnswers = {false};
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, target.center());
  QApplication::processEvents();
  EXPECT_EQ(prompts_.questions.size(), 1u);
  EXPECT_EQ(window_->CurrentPage(), page_);
  // What the list highlights is the record the editor still shows.
  EXPECT_EQ(list->currentIndex().row(), partyRow);
  const QModelIndexList selected = list->selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), partyRow);
}

TEST_F(PartyPageTest, LeavingUnsavedChangesAsksFirst) {
  Open();
  Type(Grid("partystatssg"), 1, 1, "999");
  ASSERT_TRUE(TitleMarked());

  prompts_.yesNoAnswers = {false};
  window_->SelectRow(2);
  ASSERT_EQ(prompts_.questions.size(), 1u);
  EXPECT_NE(prompts_.questions[0].find("PARTY.BIN"), std::string::npos);
  EXPECT_EQ(window_->CurrentPage(), page_);
  EXPECT_EQ(window_->SelectedIndex(), 1);
  EXPECT_EQ(page_->party().PartyValues[0], "999");

  prompts_.yesNoAnswers = {false};
  window_->LoadDataFile(path_);  // reload: asked again, kept again
  EXPECT_EQ(prompts_.questions.size(), 2u);
  EXPECT_EQ(page_->party().PartyValues[0], "999");

  prompts_.yesNoAnswers = {true};
  window_->SelectRow(2);
  EXPECT_NE(window_->CurrentPage(), page_);
  EXPECT_FALSE(TitleMarked());
  EXPECT_EQ(Record(), record_) << "discarding writes nothing";
  // The stored sizes of the inventory page are written when the window turns away.
  IniFile ini(paths_.iniPath);
  ini.Load();
  EXPECT_FALSE(ini.Read("Window", "ih").empty());
  EXPECT_FALSE(ini.Read("Window", "ilcol1").empty());
}

TEST_F(PartyPageTest, TheBackpackHeightStoredIsTheOneThePanelHas) {
  auto storedHeight = [&] {
    IniFile ini(paths_.iniPath);
    ini.Load();
    return ini.Read("Window", "ih");
  };
  // Left without the inventory ever shown: the panel's height is still the backpack's.
  Open();
  window_->SelectRow(2);
  const int backpack = 9 * 18;
  EXPECT_GE(std::stoi(storedHeight()), backpack);
  EXPECT_LT(std::stoi(storedHeight()), backpack + 20);

  // A stored height comes back as it was, shown or not.
  {
    IniFile ini(paths_.iniPath);
    ini.Load();
    ini.Write("Window", "ih", "120");
    ini.Save();
  }
  window_->SelectRow(1);
  window_->SelectRow(2);
  EXPECT_EQ(storedHeight(), "120");
  window_->SelectRow(1);
  ShowInventoryOf(1);
  EXPECT_EQ(Find<QWidget>("Panel1")->height(), 120);
  window_->SelectRow(2);
  EXPECT_EQ(storedHeight(), "120");
}

TEST_F(PartyPageTest, APackedRecordIsShownAsAMessageAndNeverSaved) {
  Open(samples::PartyRecord(), true);
  auto* message = Find<QLabel>("partyeditmessage");
  EXPECT_TRUE(message->isVisible());
  EXPECT_TRUE(message->text().contains("compressed"));
  EXPECT_FALSE(Find<QPushButton>("partyeditsave")->isEnabled());

  Open(Bytes(1000, 0));
  EXPECT_TRUE(Find<QLabel>("partyeditmessage")->text().contains("30396"));
}

}  // namespace
}  // namespace brindle
