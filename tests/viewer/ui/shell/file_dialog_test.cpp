// The window's file dialogs as the toolkit's own dialog shows them: which files of a real
// folder each one lists, and where it starts.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <memory>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"
#include "viewer/ui/shell/qt_prompts.h"

namespace brindle {
namespace {

// The names the dialog lists once it has read its folder (files it would let the user pick).
QStringList Listed(QFileDialog& d, int atLeast) {
  auto* view = d.findChild<QListView*>("listView");
  EXPECT_NE(view, nullptr);
  if (!view) return {};
  QStringList names;
  for (int wait = 0; wait < 100; ++wait) {
    names.clear();
    const QModelIndex root = view->rootIndex();
    QAbstractItemModel* model = view->model();
    for (int r = 0; r < model->rowCount(root); ++r) {
      const QModelIndex i = model->index(r, 0, root);
      if (model->flags(i) & Qt::ItemIsEnabled) names << i.data().toString();
    }
    if (names.size() >= atLeast) break;
    QTest::qWait(20);
  }
  names.sort();
  return names;
}

class FileDialogTest : public ::testing::Test {
 protected:
  FileDialogTest() {
    for (const char* name :
         {"icons.lod", "UPPER.LOD", "save000.vlm", "audio.snd", "movies.vid", "readme.txt"})
      folder_.Write(name, Bytes{1});
    folder_.Write("README", Bytes{1});
    paths_.programDir = program_.path().string();
    paths_.iniPath = program_.File("brindle.ini");
    paths_.tempDir = program_.path().string();
    window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
  }
  // The set-up of the dialog behind a File menu action, as the window asks for it.
  FileDialogSpec AskedBy(const char* action) {
    prompts_.asked.clear();
    window_->findChild<QAction*>(action)->trigger();
    EXPECT_EQ(prompts_.asked.size(), 1u);
    return prompts_.asked.empty() ? FileDialogSpec{} : prompts_.asked.back();
  }

  test::TempDir folder_, program_;
  AppPaths paths_;
  test::FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
};

TEST_F(FileDialogTest, LoadListsTheContainersInAnyCaseAndOffersAllFiles) {
  FileDialogSpec load = AskedBy("loaddatafile");
  // Nothing open yet: the user's home, never the program's folder.
  EXPECT_EQ(load.initialDir, QDir::homePath().toStdString());
  load.initialDir = folder_.path().string();
  std::unique_ptr<QFileDialog> d(
      MakeFileDialog(nullptr, load, QFileDialog::AcceptOpen, QFileDialog::ExistingFile, true));
  EXPECT_EQ(Listed(*d, 5),
            (QStringList{"UPPER.LOD", "audio.snd", "icons.lod", "movies.vid", "save000.vlm"}));
  // The shown text stands as written; every file is one choice away.
  ASSERT_EQ(d->nameFilters().size(), 2);
  EXPECT_TRUE(d->nameFilters()[0].startsWith("VLM Files (*.LOD,*.VLM,*.SND,*.VID) ("));
  d->selectNameFilter(d->nameFilters()[1]);
  EXPECT_EQ(Listed(*d, 7).size(), 7);
}

TEST_F(FileDialogTest, BatchImportsAllFilesMeansEveryFileDotOrNone) {
  window_->LoadDataFile(folder_.Write("real.lod", BuildLod("ICONS", {{"a.evt", Bytes(40, 1)}})));
  const FileDialogSpec batch = AskedBy("batchimport");
  EXPECT_EQ(batch.initialDir, folder_.path().string()) << "the open container's folder";
  std::unique_ptr<QFileDialog> d(
      MakeFileDialog(nullptr, batch, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles, true));
  EXPECT_TRUE(Listed(*d, 8).contains("README"));
  EXPECT_EQ(d->nameFilters().size(), 1) << "no second choice for every file";
}

TEST(FileDialogFilters, PatternsMatchAnyCaseAndImportDialogsKeepTheirOwn) {
  EXPECT_EQ(QtNameFilters("Text files (*.txt)|*.txt", false),
            QStringList{"Text files (*.txt) (*.[tT][xX][tT])"});
  EXPECT_EQ(QtNameFilters("All Files (*.*)|*.*", true), QStringList{"All Files (*.*) (*)"});
  EXPECT_EQ(QtNameFilters("Sounds|*.wav", true),
            (QStringList{"Sounds (*.[wW][aA][vV])", "All files (*)"}));
}

}  // namespace
}  // namespace brindle
