// "Compare With...": the differences from another copy to the open container, as brindle-cli
// diff gives them, and picking one shows the open container's entry.

#include "viewer/ui/shell/compare_dialog.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/edit/patch.h"
#include "viewer/ui/pages/page_test.h"

namespace brindle {
namespace {

using test::TextBytes;

class CompareDialogTest : public test::PageWindowTest {
 protected:
  NewEntry Text(const std::string& name, const std::string& text) {
    return {name, BuildPackedLodEntry(name, TextBytes(text), false)};
  }
  void Compare(const std::string& other) {
    prompts_.answers = {other};
    window_->findChild<QAction*>("comparewith")->trigger();
    dialog_ = window_->findChild<CompareDialog*>("comparedialog");
    if (dialog_) lines_ = dialog_->findChild<QTreeWidget*>("comparelines");
  }
  QStringList Lines() const {
    QStringList out;
    for (int i = 0; i < lines_->topLevelItemCount(); ++i)
      out << lines_->topLevelItem(i)->text(0) + " " + lines_->topLevelItem(i)->text(1);
    return out;
  }
  CompareDialog* dialog_ = nullptr;
  QTreeWidget* lines_ = nullptr;
};

TEST_F(CompareDialogTest, ListsWhatChangedAndPickingALineShowsTheEntry) {
  window_->findChild<QAction*>("comparewith")->trigger();
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Data file must be loaded first!"});
  prompts_.messages.clear();

  const std::string before =
      out_.Write("old.lod", BuildLod("ICONS", {Text("a.txt", "1\t2"), Text("gone.txt", "x")}));
  const std::string after =
      out_.Write("new.lod", BuildLod("ICONS", {Text("new.txt", "n"), Text("a.txt", "1\t3")}));
  window_->LoadDataFile(after);
  Compare(before);
  ASSERT_NE(dialog_, nullptr);
  EXPECT_EQ(prompts_.asked.back().title, "Compare With...");
  EXPECT_EQ(Lines(), (QStringList{"M a.txt", "- gone.txt", "+ new.txt"}));
  EXPECT_TRUE(dialog_->findChild<QLabel*>("compareheading")
                  ->text()
                  .startsWith("3 changes from old.lod to new.lod"));

  lines_->setCurrentItem(lines_->topLevelItem(0));
  EXPECT_EQ(window_->SelectedIndex(), 1);
  EXPECT_EQ(window_->CurrentPage()->objectName(), "txttab");
  lines_->setCurrentItem(lines_->topLevelItem(2));
  EXPECT_EQ(window_->SelectedIndex(), 0);
  // A removed entry is not in the open container: the status bar says so.
  lines_->setCurrentItem(lines_->topLevelItem(1));
  EXPECT_EQ(window_->SelectedIndex(), 0);

  // The same container: nothing to list. Another container loaded: old lines are not shown.
  Compare(after);
  EXPECT_TRUE(Lines().isEmpty());
  Compare(before);
  window_->LoadDataFile(before);
  lines_->setCurrentItem(lines_->topLevelItem(0));
  EXPECT_EQ(window_->SelectedIndex(), -1);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(CompareDialogTest, AnotherFileThatIsNoContainerIsSaidAndNothingShown) {
  window_->LoadDataFile(out_.Write("new.lod", BuildLod("ICONS", {Text("a.txt", "1")})));
  Compare(out_.Write("notes.txt", TextBytes("hello")));
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("Not a recognised data file"), std::string::npos)
      << prompts_.messages[0];
  EXPECT_EQ(dialog_, nullptr);
}

}  // namespace
}  // namespace brindle

namespace brindle {
namespace {

// "Apply Patch...": the changes and the conflicts are asked about before anything is written.
TEST_F(CompareDialogTest, ApplyPatchShowsChangesAndConflictsFirst) {
  const std::string original =
      out_.Write("orig.lod", BuildLod("ICONS", {Text("a.txt", "1"), Text("b.txt", "2")}));
  const std::string modded = out_.Write(
      "mod.lod",
      BuildLod("ICONS", {Text("a.txt", "changed"), Text("b.txt", "3"), Text("c.txt", "new")}));
  const std::string zip = out_.File("mod.zip");
  SilentHost quiet;
  ASSERT_TRUE(MakePatch(original, modded, zip, "Fix", "Me", quiet));

  // The user's copy changed b.txt: that change is named as a conflict.
  const Bytes theirs = BuildLod("ICONS", {Text("a.txt", "1"), Text("b.txt", "mine")});
  const std::string user = out_.Write("user.lod", theirs);
  window_->LoadDataFile(user);
  prompts_.answers = {zip};
  prompts_.yesNoAnswers = {false};
  window_->findChild<QAction*>("applypatch")->trigger();
  ASSERT_EQ(prompts_.questions.size(), 1u);
  const std::string& q = prompts_.questions[0];
  EXPECT_NE(q.find("Apply the patch \"Fix\" by Me to user.lod?"), std::string::npos) << q;
  EXPECT_NE(q.find("Would replace a.txt\n  Would add c.txt"), std::string::npos) << q;
  EXPECT_NE(q.find("skipped:\n  b.txt: changed since the patch was made"), std::string::npos) << q;
  EXPECT_EQ(test::FileBytes(user), theirs) << "No: nothing written";

  prompts_.answers = {zip};
  prompts_.yesNoAnswers = {true};
  window_->findChild<QAction*>("applypatch")->trigger();
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  ASSERT_EQ(window_->DataFile().Entries.size(), 3u);
  EXPECT_EQ(window_->DataFile().Entries[2].Name, "c.txt");
  EXPECT_EQ(window_->findChild<QTreeView*>("reslistbox")->model()->rowCount(), 3);

  // Once more: everything that could be applied is, and the rest still conflicts.
  prompts_.answers = {zip};
  window_->findChild<QAction*>("applypatch")->trigger();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("Nothing is left to apply."), std::string::npos)
      << prompts_.messages[0];
}

// The write shows the loading panel with Cancel; pressing it leaves the container as it was.
TEST_F(CompareDialogTest, ApplyingCanBeCancelledAndChangesNothing) {
  const Bytes big = test::Pattern(4 << 20);
  const std::string original =
      out_.Write("orig.lod", BuildLod("ICONS", {{"a.bin", big}, {"b.bin", big}}));
  const std::string modded = out_.Write(
      "mod.lod", BuildLod("ICONS", {{"a.bin", big}, {"b.bin", test::Pattern(4 << 20, 3)}}));
  const std::string zip = out_.File("mod.zip");
  SilentHost quiet;
  ASSERT_TRUE(MakePatch(original, modded, zip, "", "", quiet));
  const std::string user = out_.Write("user.lod", test::FileBytes(original));
  window_->LoadDataFile(user);

  auto* cancel = window_->findChild<QPushButton*>("loadingcancel");
  bool pressed = false;
  std::function<void()> press = [&] {
    // Pressed once the write shows its panel and button.
    if (cancel->isHidden() || cancel->parentWidget()->isHidden())
      return QTimer::singleShot(0, press);
    pressed = true;
    cancel->click();
  };
  QTimer::singleShot(0, press);
  prompts_.answers = {zip};
  prompts_.yesNoAnswers = {true};
  window_->findChild<QAction*>("applypatch")->trigger();
  EXPECT_TRUE(pressed);
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_EQ(test::FileBytes(user), test::FileBytes(original));
  EXPECT_EQ(window_->statusBar()->findChildren<QLabel*>()[3]->text().toStdString(),
            "Cancelled.  " + user + " was left as it was.");
  EXPECT_TRUE(cancel->isHidden());

  // Not pressed: applied.
  prompts_.answers = {zip};
  prompts_.yesNoAnswers = {true};
  window_->findChild<QAction*>("applypatch")->trigger();
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_NE(test::FileBytes(user), test::FileBytes(original));
  EXPECT_EQ(window_->statusBar()->findChildren<QLabel*>()[3]->text(), "Applied 1 change");
}

}  // namespace
}  // namespace brindle
