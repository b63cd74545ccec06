// "Find in Container...": searching in the background, the results, and what picking one
// shows in the window, driven as a user would.
#include "viewer/ui/shell/find_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "common/codepage.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/ui/pages/page_test.h"
#include "viewer/ui/pages/raw_pages.h"
#include "viewer/ui/pages/text_page.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

using test::TempDir;
using test::TextBytes;

// The table's cells, row by row; the word looked for stands in one of them only.
const std::vector<std::vector<std::string>> kTable = {
    {"Item", "Price", "Note"},
    {"dagger", "4", "short"},
    {"longbow", "30", "of yew, quite rare"},
    {"shield", "12", ""},
};
constexpr std::size_t kRareRow = 2, kRareColumn = 2;

const std::vector<std::string> kStrings = {"north gate", "", "the rare bird sings", "end"};
constexpr std::size_t kBirdLine = 2;

const Bytes kMarker = {0xDE, 0xAD, 0x42, 0xEF};
constexpr std::size_t kMarkerAt = 100;

std::string TableText() {
  std::string text;
  for (const auto& row : kTable) {
    for (std::size_t c = 0; c < row.size(); ++c)
      text += (c ? "\t" : "") + row[c];
    text += "\r\n";
  }
  return text;
}

std::string StringsText() {
  std::string text;
  for (const std::string& s : kStrings)
    text += s + '\0';
  return text;
}

Bytes EvtPayload() {
  Bytes payload = test::Pattern(200, 3);
  std::copy(kMarker.begin(), kMarker.end(), payload.begin() + kMarkerAt);
  return payload;
}

// A file whose reads first ask `before`: a read can be held at a gate, or made to fail.
class HeldFile : public ByteFile {
 public:
  HeldFile(std::unique_ptr<ByteFile> inner, std::function<std::optional<Error>()> before)
      : inner_(std::move(inner)), before_(std::move(before)) {}
  std::int64_t Size() const override { return inner_->Size(); }
  Status WriteAt(std::int64_t, const void*, std::size_t) override { return Fail("read only"); }
  Status Flush() override { return Ok(); }
  Status Truncate(std::int64_t) override { return Fail("read only"); }
  std::string Name() const override { return inner_->Name(); }

 protected:
  Result<std::size_t> DoRead(std::int64_t offset, void* dst, std::size_t n) override {
    if (std::optional<Error> failed = before_()) return *failed;
    return inner_->ReadAt(offset, dst, n);
  }

 private:
  std::unique_ptr<ByteFile> inner_;
  std::function<std::optional<Error>()> before_;
};

// Holds every read of the search's thread until opened.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  std::atomic<bool> reached{false};
  std::optional<Error> Pass() {
    reached = true;
    std::unique_lock lock(m);
    cv.wait(lock, [this] { return open; });
    return std::nullopt;
  }
  void Open() {
    {
      const std::lock_guard lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

class FindDialogTest : public test::PageWindowTest {
 protected:
  FindDialogTest() { window_->resize(900, 560); }

  // quest.txt (a compressed table), birds.str, data.evt and, when asked, bad.evt whose
  // deflate data is damaged.
  std::string Lod(bool withBroken = false) {
    std::vector<NewEntry> entries = {
        {"quest.txt", BuildPackedLodEntry("quest.txt", TextBytes(TableText()), true)},
        {"birds.str", BuildPackedLodEntry("birds.str", TextBytes(StringsText()), false)},
        {"data.evt", BuildPackedLodEntry("data.evt", EvtPayload(), false)}};
    if (withBroken) {
      Bytes broken = BuildPackedLodEntry("bad.evt", test::Pattern(300), true);
      broken[48 + 10] ^= 0xFF;  // inside the deflate data
      entries.push_back({"bad.evt", broken});
    }
    return out_.Write("icons.lod", BuildLod("ICONS", entries));
  }

  // Loads the container and opens the search window on it.
  FindDialog* Open(const std::string& lod) {
    window_->LoadDataFile(lod);
    window_->findChild<QAction*>("findincontainer")->trigger();
    FindDialog* dialog = window_->findChild<FindDialog*>("finddialog");
    if (dialog) results_ = dialog->findChild<QTreeWidget*>("findresults");
    return dialog;
  }

  // Types the pattern, presses Find and waits for the search to end.
  bool Search(FindDialog* dialog, const QString& text, bool hex = false) {
    dialog->findChild<QLineEdit*>("findtext")->setText(text);
    dialog->findChild<QCheckBox*>("findhex")->setChecked(hex);
    dialog->findChild<QPushButton*>("findbutton")->click();
    return QTest::qWaitFor([dialog] { return !dialog->Searching(); }, 10000);
  }

  QString Status(FindDialog* dialog) { return dialog->findChild<QLabel*>("findstatus")->text(); }

  // The result row of the entry's first hit whose place begins with `where`; -1 when there
  // is none.
  int ResultOf(const QString& entry, const QString& where = {}) {
    for (int r = 0; r < results_->topLevelItemCount(); ++r) {
      const QTreeWidgetItem* item = results_->topLevelItem(r);
      if (item->text(0) == entry && item->text(1).startsWith(where)) return r;
    }
    return -1;
  }

  void Pick(int row) { results_->setCurrentItem(results_->topLevelItem(row)); }

  int IndexOf(const std::string& name) {
    const auto& entries = window_->DataFile().Entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
      if (entries[i].Name == name) return static_cast<int>(i);
    return -1;
  }

  QTreeWidget* results_ = nullptr;
};

TEST_F(FindDialogTest, TheMenuItemWantsAContainerAndOpensTheWindow) {
  QAction* item = window_->findChild<QAction*>("findincontainer");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  item->trigger();
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{"Data file must be loaded first!"});
  EXPECT_EQ(window_->findChild<FindDialog*>("finddialog"), nullptr);
  FindDialog* dialog = Open(Lod());
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(dialog->isModal());
  // Asked again, the same window comes forward.
  item->trigger();
  EXPECT_EQ(window_->findChildren<FindDialog*>().size(), 1);
}

// A cell's hit reads as the grid's row and column; picking it shows the table with that cell
// selected, the grid brought back from the text box, and the filter let go of the entry.
TEST_F(FindDialogTest, ATableHitSelectsItsGridCell) {
  FindDialog* dialog = Open(Lod());
  ASSERT_TRUE(Search(dialog, "RARE"));
  const int row = ResultOf("quest.txt");
  ASSERT_GE(row, 0) << Status(dialog).toStdString();
  QTreeWidgetItem* item = results_->topLevelItem(row);
  EXPECT_EQ(item->text(1).toStdString(),
            "row " + std::to_string(kRareRow + 1) + " col " + std::to_string(kRareColumn + 1));
  EXPECT_EQ(item->text(2).toStdString(), kTable[kRareRow][kRareColumn]);

  // The text page shows its box, the list is narrowed to other entries.
  window_->SelectRow(IndexOf("quest.txt"));
  window_->findChild<QPushButton*>("txttabview")->click();
  ASSERT_TRUE(window_->findChild<QWidget*>("txttabbox")->isVisibleTo(window_.get()));
  window_->SelectRow(IndexOf("data.evt"));
  auto* filter = window_->findChild<QLineEdit*>("resfilter");
  filter->setText("birds");
  Pick(row);
  EXPECT_TRUE(filter->text().isEmpty());
  EXPECT_EQ(window_->SelectedIndex(), IndexOf("quest.txt"));
  ASSERT_EQ(window_->CurrentPage()->objectName(), "txttab");
  auto* grid = window_->findChild<QTableView*>("txttabgrid");
  EXPECT_TRUE(grid->isVisibleTo(window_.get()));
  const QModelIndex cell = grid->currentIndex();
  // Model row r is the grid's row r + 1.
  EXPECT_EQ(cell.row(), static_cast<int>(kRareRow));
  EXPECT_EQ(cell.column(), static_cast<int>(kRareColumn));
  EXPECT_TRUE(grid->selectionModel()->isSelected(cell));
  EXPECT_EQ(cell.data().toString().toStdString(), kTable[kRareRow][kRareColumn]);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FindDialogTest, AStringListHitSelectsItsLine) {
  FindDialog* dialog = Open(Lod());
  ASSERT_TRUE(Search(dialog, "bird"));
  EXPECT_GE(ResultOf("birds.str", "name"), 0);
  const int row = ResultOf("birds.str", "line");
  ASSERT_GE(row, 0) << Status(dialog).toStdString();
  EXPECT_EQ(results_->topLevelItem(row)->text(1).toStdString(),
            "line " + std::to_string(kBirdLine + 1));
  Pick(row);
  EXPECT_EQ(window_->SelectedIndex(), IndexOf("birds.str"));
  ASSERT_EQ(window_->CurrentPage()->objectName(), "strtab");
  auto* box = window_->findChild<LinesView*>("strtabeditbox");
  EXPECT_EQ(box->SelectedText().toStdString(), kStrings[kBirdLine]);
}

// Bytes with a wildcard: the hit is an offset, and picking it selects the dump's line that
// shows it, whose offset column is where its run of 16 begins.
TEST_F(FindDialogTest, AHexHitSelectsTheDumpsLine) {
  FindDialog* dialog = Open(Lod());
  ASSERT_TRUE(Search(dialog, "de ad ?? ef", true));
  const int row = ResultOf("data.evt");
  ASSERT_GE(row, 0) << Status(dialog).toStdString();
  EXPECT_EQ(results_->topLevelItem(row)->text(1).toStdString(),
            "offset " + std::to_string(kMarkerAt));
  EXPECT_TRUE(results_->topLevelItem(row)->text(2).contains("[de ad 42 ef]"));
  Pick(row);
  EXPECT_EQ(window_->SelectedIndex(), IndexOf("data.evt"));
  ASSERT_EQ(window_->CurrentPage()->objectName(), "evttab");
  auto* box = window_->findChild<LinesView*>("evttabeditbox");
  const std::string selected = box->SelectedText().toStdString();
  EXPECT_EQ(selected, Cp437ToUtf8(box->Line(static_cast<int>(HexDumpLineOf(kMarkerAt)))));
  EXPECT_EQ(std::stoul(selected.substr(0, 8)), kMarkerAt - kMarkerAt % 16);
}

// What cannot be searched for is said, nothing runs; a search without hits says so; what
// decoding an entry says goes to the status line rather than into boxes.
TEST_F(FindDialogTest, BadPatternsNoHitsAndDecodingMessagesAreSaidInTheStatusLine) {
  FindDialog* dialog = Open(Lod(/*withBroken=*/true));
  QSignalSpy ended(dialog, &FindDialog::searchEnded);
  ASSERT_TRUE(Search(dialog, "78 9", true));
  EXPECT_EQ(Status(dialog).toStdString(), FindPattern::Hex("78 9").message());
  EXPECT_EQ(ended.count(), 0);
  EXPECT_EQ(results_->topLevelItemCount(), 0);

  ASSERT_TRUE(Search(dialog, "no such words anywhere"));
  EXPECT_EQ(ended.count(), 1);
  EXPECT_EQ(results_->topLevelItemCount(), 0);
  EXPECT_TRUE(Status(dialog).startsWith("No matches."));
  EXPECT_TRUE(Status(dialog).contains("bad.evt: Error Inflating")) << Status(dialog).toStdString();
  EXPECT_TRUE(prompts_.messages.empty());
  // The next search starts afresh: a hit, and the list holds only this search's rows.
  ASSERT_TRUE(Search(dialog, "dagger"));
  EXPECT_EQ(results_->topLevelItemCount(), 1);
  EXPECT_EQ(results_->topLevelItem(0)->text(0), "quest.txt");
}

// A read that fails ends the search, and the status line says why.
TEST_F(FindDialogTest, AFailedReadEndsTheSearchWithItsReason) {
  FindDialog* dialog = Open(Lod());
  const Error failure = ReadFailure(window_->DataFile().FileName, "Input/output error");
  dialog->openFile = [failure](const std::string& path) -> Result<std::unique_ptr<ByteFile>> {
    return std::unique_ptr<ByteFile>(std::make_unique<HeldFile>(
        test::OpenFile(path), [failure]() -> std::optional<Error> { return failure; }));
  };
  ASSERT_TRUE(Search(dialog, "rare"));
  EXPECT_TRUE(Status(dialog).contains(QString::fromStdString(failure.message)))
      << Status(dialog).toStdString();
  EXPECT_TRUE(dialog->findChild<QPushButton*>("findbutton")->isEnabled());
  EXPECT_TRUE(prompts_.messages.empty());
}

// Cancel, closing the window and loading a container each stop a search under way: it ends
// without another hit and its thread is gone. The search is held at its first read until the
// stop has been asked for, so it cannot finish first.
TEST_F(FindDialogTest, CancelClosingAndLoadingStopTheSearch) {
  const std::string lod = Lod();
  FindDialog* dialog = Open(lod);
  auto* cancel = dialog->findChild<QPushButton*>("findcancel");
  auto* find = dialog->findChild<QPushButton*>("findbutton");
  const std::vector<std::function<void()>> stops = {[cancel] { cancel->click(); },
                                                    [dialog] { dialog->close(); },
                                                    [this, lod] { window_->LoadDataFile(lod); }};
  for (std::size_t i = 0; i < stops.size(); ++i) {
    auto gate = std::make_shared<Gate>();
    dialog->openFile = [gate](const std::string& path) -> Result<std::unique_ptr<ByteFile>> {
      return std::unique_ptr<ByteFile>(
          std::make_unique<HeldFile>(test::OpenFile(path), [gate] { return gate->Pass(); }));
    };
    dialog->show();
    // In no name: the search gets as far as the first payload, where it is held.
    dialog->findChild<QLineEdit*>("findtext")->setText("qqqq");
    find->click();
    ASSERT_TRUE(dialog->Searching());
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reached.load(); }, 10000));
    EXPECT_FALSE(find->isEnabled());
    EXPECT_TRUE(cancel->isEnabled());
    stops[i]();
    gate->Open();
    ASSERT_TRUE(QTest::qWaitFor([dialog] { return !dialog->Searching(); }, 10000)) << i;
    EXPECT_TRUE(Status(dialog).startsWith("Stopped")) << i << Status(dialog).toStdString();
    EXPECT_EQ(results_->topLevelItemCount(), 0) << i;
    EXPECT_TRUE(find->isEnabled());
    EXPECT_FALSE(cancel->isEnabled());
  }
  EXPECT_TRUE(prompts_.messages.empty());
}

// The window closes while a search runs: its end stops the search and waits for the thread,
// which lets go of the container (a writer can then open it).
TEST_F(FindDialogTest, ClosingTheMainWindowEndsTheSearch) {
  const std::string lod = Lod();
  FindDialog* dialog = Open(lod);
  auto gate = std::make_shared<Gate>();
  dialog->openFile = [gate](const std::string& path) -> Result<std::unique_ptr<ByteFile>> {
    return std::unique_ptr<ByteFile>(
        std::make_unique<HeldFile>(test::OpenFile(path), [gate] { return gate->Pass(); }));
  };
  dialog->findChild<QLineEdit*>("findtext")->setText("e");
  dialog->findChild<QPushButton*>("findbutton")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return gate->reached.load(); }, 10000));
  EXPECT_FALSE(PosixFile::Open(lod, FileMode::kWriteExclusive));
  gate->Open();
  window_.reset();
  EXPECT_TRUE(PosixFile::Open(lod, FileMode::kWriteExclusive));
}

// Results of a container that has changed since are not shown as the wrong entry.
TEST_F(FindDialogTest, ResultsOfAnotherContainerAreNotShown) {
  FindDialog* dialog = Open(Lod());
  ASSERT_TRUE(Search(dialog, "bird"));
  const int row = ResultOf("birds.str");
  ASSERT_GE(row, 0);
  TempDir other;
  const std::string elsewhere = other.Write(
      "other.lod",
      BuildLod("ICONS", {{"zeta.txt", BuildPackedLodEntry("zeta.txt", TextBytes("z\r\n"), false)},
                         {"birds.str", BuildPackedLodEntry("birds.str", TextBytes("x"), false)}}));
  window_->LoadDataFile(elsewhere);
  Pick(row);
  EXPECT_EQ(window_->SelectedIndex(), -1);
  EXPECT_TRUE(Status(dialog).contains("changed")) << Status(dialog).toStdString();
}

}  // namespace
}  // namespace brindle

namespace brindle {
namespace {

// An import while a search reads the container: the search lets go of the file (it is
// stopped) so the import is not refused as if another program held the container.
TEST_F(FindDialogTest, AWriteStopsTheSearchInsteadOfBeingRefused) {
  FindDialog* dialog = Open(Lod());
  auto reading = std::make_shared<std::atomic<bool>>(false);
  dialog->openFile = [reading](const std::string& path) -> Result<std::unique_ptr<ByteFile>> {
    // A slow disk: the search is still at it when the import starts.
    return std::unique_ptr<ByteFile>(
        std::make_unique<HeldFile>(test::OpenFile(path), [reading]() -> std::optional<Error> {
          *reading = true;
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          return std::nullopt;
        }));
  };
  dialog->findChild<QLineEdit*>("findtext")->setText("qqqq");
  dialog->findChild<QPushButton*>("findbutton")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return reading->load(); }, 10000));
  ASSERT_TRUE(dialog->Searching());

  window_->SelectEntry(0);
  ASSERT_EQ(window_->DataFile().Entries[0].Name, "quest.txt");
  prompts_.answers = {out_.Write("new.txt", TextBytes("x\ty"))};
  Click("txttabimporttxt");
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  EXPECT_FALSE(dialog->Searching());
  // Its end still arrives as any stop's does.
  EXPECT_TRUE(QTest::qWaitFor([&] { return Status(dialog).startsWith("Stopped"); }, 10000))
      << Status(dialog).toStdString();
}

}  // namespace
}  // namespace brindle
