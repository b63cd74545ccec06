// Adding, removing, renaming and rebuilding from the window: the container changes whole,
// and the list, the selection and the status bar follow.

#include <QAction>
#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "common/wav.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/writeback.h"
#include "viewer/ui/pages/page_test.h"

namespace brindle {
namespace {

class AuthoringTest : public test::PageWindowTest {
 protected:
  void OpenMaps() {
    path_ = out_.Write("maps.lod", BuildLod("MAPS", {{"one.bin", test::Pattern(30, 1)},
                                                     {"two.bin", test::Pattern(40, 2)},
                                                     {"three.bin", test::Pattern(50, 3)}}));
    window_->LoadDataFile(path_);
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TResourceInfo& e : window_->DataFile().Entries)
      names.push_back(e.Name);
    return names;
  }
  void Trigger(const char* action) {
    auto* a = window_->findChild<QAction*>(action);
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
  }
  std::string path_;
};

TEST_F(AuthoringTest, AddSelectsTheFirstNewEntry) {
  OpenMaps();
  window_->SelectRow(1);
  prompts_.answers = {out_.Write("four.bin", test::Pattern(7, 4)),
                      out_.Write("five.bin", test::Pattern(8, 5)), std::nullopt};
  Trigger("addfiles");
  // The dialog starts beside the container, not in the program's folder.
  EXPECT_EQ(prompts_.asked.back().initialDir, std::filesystem::path(path_).parent_path().string());
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"one.bin", "two.bin", "three.bin", "four.bin", "five.bin"}));
  EXPECT_EQ(window_->SelectedIndex(), 3);
  EXPECT_EQ(Find<QTreeView>("reslistbox")->model()->rowCount(), 5);
  // A name that is taken refuses the whole addition and leaves the list as it was.
  const Bytes before = test::FileBytes(path_);
  prompts_.answers = {out_.Write("ONE.BIN", test::Pattern(3)), std::nullopt};
  Trigger("addfiles");
  ASSERT_FALSE(prompts_.messages.empty());
  EXPECT_NE(prompts_.messages.back().find("already an entry named one.bin"), std::string::npos);
  EXPECT_EQ(test::FileBytes(path_), before);
  EXPECT_EQ(Names().size(), 5u);
}

TEST_F(AuthoringTest, RemoveAsksAndKeepsThePlaceInTheList) {
  OpenMaps();
  window_->SelectRow(1);
  prompts_.yesNoAnswers = {false};
  Trigger("removeentries");
  EXPECT_EQ(Names().size(), 3u);
  prompts_.yesNoAnswers = {true};
  Trigger("removeentries");
  EXPECT_EQ(Names(), (std::vector<std::string>{"one.bin", "three.bin"}));
  EXPECT_EQ(window_->SelectedIndex(), 1) << "the entry after the removed one";
  Trigger("removeentries");
  EXPECT_EQ(window_->SelectedIndex(), 0) << "the last row went: the one before it";
  TDataFile df;
  SilentHost quiet;
  ASSERT_TRUE(OpenContainer(df, path_, quiet));
  EXPECT_EQ(df.Entries.size(), 1u);
}

TEST_F(AuthoringTest, RemoveTakesEverySelectedEntry) {
  OpenMaps();
  window_->SelectRow(0);
  auto* list = Find<QTreeView>("reslistbox");
  list->selectionModel()->select(list->model()->index(2, 0), QItemSelectionModel::Select);
  Trigger("removeentries");
  ASSERT_FALSE(prompts_.questions.empty());
  EXPECT_NE(prompts_.questions.back().find("Remove 2 entries"), std::string::npos);
  EXPECT_EQ(Names(), std::vector<std::string>{"two.bin"});
  EXPECT_EQ(window_->SelectedIndex(), 0);
}

TEST_F(AuthoringTest, RenameWithF2KeepsTheSelection) {
  OpenMaps();
  window_->SelectRow(2);
  auto* list = Find<QTreeView>("reslistbox");
  list->setFocus();
  prompts_.textAnswers = {std::string("renamed.bin")};
  QTest::keyClick(list, Qt::Key_F2);
  ASSERT_EQ(prompts_.textInitials.size(), 1u);
  EXPECT_EQ(prompts_.textInitials[0], "three.bin");
  EXPECT_EQ(Names()[2], "renamed.bin");
  EXPECT_EQ(window_->SelectedIndex(), 2);
  // Too long for the 16-byte field: refused, nothing changes.
  prompts_.textAnswers = {std::string(20, 'x')};
  Trigger("renameentry");
  EXPECT_EQ(Names()[2], "renamed.bin");
  EXPECT_NE(prompts_.messages.back().find("too long"), std::string::npos);
}

// Check Container reads the file as it stands and says what it found in one message; the
// file is left as it was.
TEST_F(AuthoringTest, CheckContainerSaysTheSummaryThenTheProblems) {
  OpenMaps();
  Trigger("checkcontainer");
  ASSERT_FALSE(prompts_.messages.empty());
  EXPECT_EQ(prompts_.messages.back(), "3 entries checked, 0 problems, 0 bytes used by no entry");

  Bytes lod = test::FileBytes(path_);
  const std::size_t lastSize =
      static_cast<std::size_t>(kLodDirectoryStart + 2 * kLodRecordSize + 20);
  PutU32(lod.data() + lastSize, 51);  // one byte past the end of the file
  path_ = out_.Write("damaged.lod", lod);
  window_->LoadDataFile(path_);
  Trigger("checkcontainer");
  EXPECT_EQ(prompts_.messages.back().rfind("3 entries checked, 1 problems, 0 bytes used by no "
                                           "entry\nthree.bin: lies outside the file",
                                           0),
            0u)
      << prompts_.messages.back();
  EXPECT_EQ(test::FileBytes(path_), lod);
}

TEST_F(AuthoringTest, RebuildDropsUnusedBytesAndNewContainerOpensTheNewFile) {
  OpenMaps();
  SilentHost quiet;
  ASSERT_TRUE(WriteBackLodEntry(window_->DataFile(), 0, test::Pattern(300, 9), quiet));
  const std::int64_t grown = window_->DataFile().FileSize;
  Trigger("rebuildcontainer");
  EXPECT_LT(window_->DataFile().FileSize, grown);
  EXPECT_EQ(window_->DataFile().FileSize, DirectoryEnd(ckMaps, 3) + 300 + 40 + 50);

  prompts_.choiceAnswers = {5};  // a sound container
  prompts_.answers = {out_.File("fresh.snd")};
  Trigger("newcontainer");
  EXPECT_EQ(prompts_.asked.back().initialDir, std::filesystem::path(path_).parent_path().string());
  EXPECT_EQ(window_->DataFile().FileName, out_.File("fresh.snd"));
  EXPECT_EQ(window_->DataFile().Kind, ckSnd);
  EXPECT_TRUE(Names().empty());
}

}  // namespace
}  // namespace brindle
