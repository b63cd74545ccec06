// Entries dragged out of the list become the files Export Selected writes; files dropped on
// the list replace the entries named like them and are added otherwise, after one question.

#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/ui/pages/page_test.h"

namespace brindle {
namespace {

class DragDropTest : public test::PageWindowTest {
 protected:
  void Open() {
    path_ = out_.Write(
        "icons.lod",
        BuildLod("ICONS", {{"b.txt", BuildPackedLodEntry("b.txt", test::Pattern(50), true, 256)},
                           {"a.txt", BuildPackedLodEntry("a.txt", test::Pattern(30), false, 256)},
                           {"face", IconEntry("face", 6, 5)}}));
    window_->LoadDataFile(path_);
    window_->resize(700, 400);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    list_ = Find<QTreeView>("reslistbox");
  }
  // Drops the files at a point of the window: on the list, or on the page beside it.
  void Drop(const std::vector<std::string>& files, bool onList) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const std::string& f : files)
      urls.push_back(QUrl::fromLocalFile(QString::fromStdString(f)));
    mime.setUrls(urls);
    QWidget* target = onList ? list_->viewport() : Find<QWidget>("tabholder");
    const QPoint at = target->mapTo(window_.get(), target->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &drop);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const TResourceInfo& e : window_->DataFile().Entries)
      names.push_back(e.Name);
    return names;
  }
  Bytes Text(const std::string& name) {
    TDataFile df;
    SilentHost quiet;
    EXPECT_TRUE(OpenContainer(df, path_, quiet));
    auto file = test::OpenFile(path_);
    EXPECT_TRUE(IdentifyAll(df, *file));
    for (const TResourceInfo& e : df.Entries)
      if (e.Name == name) return ExtractEntry(*file, e, kLodHeaderSize, quiet);
    ADD_FAILURE() << "no entry " << name;
    return {};
  }
  // What the list's drag of these rows carries.
  std::unique_ptr<QMimeData> DragRows(const std::vector<int>& rows) {
    QModelIndexList indexes;
    for (int r : rows)
      indexes.push_back(list_->model()->index(r, 0));
    return std::unique_ptr<QMimeData>(list_->model()->mimeData(indexes));
  }

  std::string path_;
  QTreeView* list_ = nullptr;
};

TEST_F(DragDropTest, DroppedFilesReplaceTheirNamesakesAndTheRestAreAddedAfterOneQuestion) {
  Open();
  const std::string a = out_.Write("A.TXT", test::TextBytes("new\ta"));
  const std::string c = out_.Write("c.txt", test::TextBytes("c\t3"));
  const std::string d = out_.Write("d.txt", test::TextBytes("d\t4"));
  const Bytes before = test::FileBytes(path_);

  // No: nothing is written.
  prompts_.yesNoAnswers = {false};
  Drop({a, c, d}, true);
  ASSERT_EQ(prompts_.questions.size(), 1u);
  const std::string& q = prompts_.questions[0];
  EXPECT_NE(q.find("Drop 3 files on icons.lod?"), std::string::npos) << q;
  EXPECT_NE(q.find("Replacing the entries named like them (1):\n  A.TXT"), std::string::npos) << q;
  EXPECT_NE(q.find("Added as new entries (2):\n  c.txt\n  d.txt"), std::string::npos) << q;
  EXPECT_EQ(test::FileBytes(path_), before);

  prompts_.yesNoAnswers = {true};
  Drop({a, c, d}, true);
  EXPECT_EQ(prompts_.questions.size(), 2u) << "one question for the whole drop";
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.txt", "a.txt", "face", "c.txt", "d.txt"}));
  EXPECT_EQ(Text("a.txt"), test::TextBytes("new\ta"));
  EXPECT_EQ(Text("c.txt"), test::TextBytes("c\t3"));
  EXPECT_EQ(Text("d.txt"), test::TextBytes("d\t4"));
  EXPECT_EQ(list_->model()->rowCount(), 5);
}

TEST_F(DragDropTest, AContainerDroppedOpensWhereverItLands) {
  Open();
  const std::string other =
      out_.Write("maps.lod", BuildLod("MAPS", {{"one.bin", test::Pattern(30, 1)}}));
  // On the list, a container that names no entry opens instead of being added.
  Drop({other}, true);
  EXPECT_TRUE(prompts_.questions.empty());
  EXPECT_EQ(window_->DataFile().FileName, other);
  Drop({path_}, false);
  EXPECT_EQ(window_->DataFile().FileName, path_);
  // A file that is no container dropped beside the list changes nothing.
  Drop({out_.Write("notes.txt", test::TextBytes("x"))}, false);
  EXPECT_EQ(window_->DataFile().FileName, path_);
  EXPECT_EQ(Names().size(), 3u);
}

TEST_F(DragDropTest, DraggedEntriesAreTheFilesExportSelectedWrites) {
  Open();
  std::unique_ptr<QMimeData> mime = DragRows({0, 2});
  ASSERT_NE(mime, nullptr);
  ASSERT_EQ(mime->urls().size(), 2);
  std::vector<std::string> dragged;
  for (const QUrl& url : mime->urls())
    dragged.push_back(url.toLocalFile().toStdString());
  // Beside the temporary files, never in the container's folder.
  EXPECT_EQ(std::filesystem::path(dragged[0]).parent_path().parent_path(),
            std::filesystem::path(paths_.tempDir));

  const std::string chosen = out_.File("chosen");
  prompts_.answers = {chosen};
  window_->SelectRow(0);
  list_->selectionModel()->select(list_->model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  window_->ExportSelectedClick();
  for (const std::string& path : dragged) {
    const std::string name = std::filesystem::path(path).filename().string();
    EXPECT_EQ(test::FileBytes(path), test::FileBytes(chosen + "/" + name)) << name;
  }
  EXPECT_EQ(std::filesystem::path(dragged[0]).filename(), "b.txt");
  EXPECT_EQ(std::filesystem::path(dragged[1]).filename(), "face.bmp");

  // The next drag clears the folder of the last one; a cancelled drag carries nothing.
  const std::filesystem::path first = std::filesystem::path(dragged[0]).parent_path();
  QTimer::singleShot(0, Find<QPushButton>("loadingcancel"), &QPushButton::click);
  EXPECT_EQ(DragRows({0, 1, 2}), nullptr);
  EXPECT_FALSE(std::filesystem::exists(first));
  mime = DragRows({1});
  ASSERT_NE(mime, nullptr);
  window_.reset();
  EXPECT_FALSE(std::filesystem::exists(
      std::filesystem::path(mime->urls()[0].toLocalFile().toStdString()).parent_path()))
      << "closing the window removes the last drag's files";
}

}  // namespace
}  // namespace brindle
