#include "viewer/ui/pages/text_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTest>

#include "samples.h"
#include "test_support.h"
#include "viewer/cli/cli_run.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

using test::TempDir;

class TextPageTest : public ::testing::Test {
 protected:
  TextPageTest() {
    for (const samples::SampleContainer& c : samples::BuildSampleFolder()) {
      if (c.fileName == "icons.lod") icons_ = out_.Write("icons.lod", samples::BuildContainer(c));
    }
    paths_.programDir = out_.path().string();
    paths_.iniPath = out_.File("brindle.ini");
    paths_.tempDir = out_.path().string();
    window_ = std::make_unique<TForm1>(paths_, prompts_, GameDataView{});
    window_->resize(900, 560);
    window_->show();
    window_->LoadDataFile(icons_);
    page_ = window_->findChild<TextPage*>("txttab");
  }

  int Row(const std::string& entry) {
    for (std::size_t i = 0; i < window_->DataFile().Entries.size(); ++i) {
      if (window_->DataFile().Entries[i].Name == entry) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no entry " << entry;
    return -1;
  }
  void Show(const std::string& entry) { window_->SelectRow(Row(entry)); }
  const TResourceInfo& Selected() {
    return window_->DataFile().Entries[static_cast<std::size_t>(window_->SelectedIndex())];
  }
  // The entry's text as stored, read from the container file.
  Bytes StoredText(const std::string& entry) {
    auto file = OpenContainerFile(icons_, FileMode::kReadShared);
    const TResourceInfo& e = window_->DataFile().Entries[static_cast<std::size_t>(Row(entry))];
    test::RecordingHost host;
    return ExtractEntry(**file, e, 48, host);
  }
  QString Cell(int row, int column) { return page_->model()->index(row, column).data().toString(); }
  void Click(const char* button) {
    QMetaObject::invokeMethod(window_->findChild<QPushButton*>(button), "click");
  }
  void Trigger(const char* action) { page_->findChild<QAction*>(action)->trigger(); }
  QPushButton* Button(const char* name) { return window_->findChild<QPushButton*>(name); }
  bool TitleMarked() const { return window_->windowTitle().contains('*'); }
  QString Note() { return window_->statusBar()->findChildren<QLabel*>()[3]->text(); }
  // The entry's text as brindle-cli extract writes it.
  std::string Extracted(const std::string& entry) {
    const test::CliRun r = test::Cli({"extract", icons_, entry, "-o", "-"});
    EXPECT_EQ(r.code, 0) << r.err;
    return r.out;
  }
  // Types into a cell as a user does: the cell's editor opens (F2), takes the text, Enter
  // (or the editor is left open).
  void Type(int row, int column, const QString& text, bool enter = true) {
    QTableView* grid = page_->grid();
    const QModelIndex at = page_->model()->index(row, column);
    grid->setCurrentIndex(at);
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>()) {
      if (e->isVisible()) editor = e;
    }
    ASSERT_NE(editor, nullptr) << "no editor for " << row << "," << column;
    editor->setText(text);
    if (!enter) return;
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the editor hands its text over once the key is done
  }
  // The container file's bytes.
  Bytes Container() { return out_.Read("icons.lod"); }

  TempDir out_;
  std::string icons_;
  AppPaths paths_;
  test::FakePrompts prompts_;
  std::unique_ptr<TForm1> window_;
  TextPage* page_ = nullptr;
};

TEST_F(TextPageTest, GridShowsTheTableThroughWindows1252BelowAnEmptyHeading) {
  ASSERT_NE(page_, nullptr);
  Show("notes.txt");
  EXPECT_EQ(window_->CurrentPage(), page_);
  EXPECT_TRUE(prompts_.messages.empty());
  // Five lines before the NUL: six grid rows, the first being the header.
  TextGridModel* model = page_->model();
  EXPECT_EQ(model->rowCount() + 1, 6);
  EXPECT_EQ(model->columnCount(), 4);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "");
  EXPECT_EQ(Cell(0, 0), "Speaker");
  EXPECT_EQ(Cell(1, 0), QString::fromUtf8("Ma\u00EEtre Aub\u00E9"));
  EXPECT_EQ(Cell(1, 1),
            QString::fromUtf8("\u201CWelcome, traveller.\u201D<linefeed>The fire is warm."));
  EXPECT_EQ(Cell(4, 1), QString::fromUtf8("Twelve \u20AC and not a coin less."));
  EXPECT_EQ(Cell(4, 2), "");
  EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
  QTableView* grid = page_->grid();
  EXPECT_FALSE(grid->verticalHeader()->isVisible());
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), 100);
  EXPECT_EQ(grid->verticalHeader()->sectionSize(0), 17);
  EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
  // The text box has all of it, past the NUL too.
  Click("txttabview");
  const QString box = page_->box()->toPlainText();
  EXPECT_TRUE(box.startsWith("Speaker\tLine\tMood\tNote\nMa")) << box.toStdString();
  EXPECT_TRUE(box.endsWith(QString::fromUtf8("\u2400draft\tnot shown\n"))) << box.toStdString();
  Click("txttabview");

  // Another table replaces the grid wholly.
  Show("places.txt");
  EXPECT_EQ(model->rowCount(), 7);
  EXPECT_EQ(model->columnCount(), 6);
  EXPECT_EQ(Cell(6, 5), "");
  EXPECT_EQ(Cell(6, 1), "Old Belltower");
}

TEST_F(TextPageTest, ViewButtonSwitchesAndTheChoiceOutlivesTheEntry) {
  Show("items.txt");
  window_->show();
  QPushButton* view = window_->findChild<QPushButton*>("txttabview");
  EXPECT_EQ(view->text(), "View in Textbox");
  EXPECT_TRUE(page_->grid()->isVisible());
  EXPECT_FALSE(page_->box()->isVisible());
  Click("txttabview");
  EXPECT_EQ(view->text(), "View in Table");
  EXPECT_TRUE(page_->box()->isVisible());
  EXPECT_FALSE(page_->grid()->isVisible());
  EXPECT_EQ(page_->box()->geometry(), page_->grid()->geometry());
  Show("monsters.txt");
  EXPECT_EQ(view->text(), "View in Table");
  EXPECT_TRUE(page_->box()->isVisible());
  EXPECT_TRUE(page_->box()->toPlainText().contains("Mimic Chest"));
  Click("txttabview");
  EXPECT_EQ(view->text(), "View in Textbox");
  EXPECT_TRUE(page_->grid()->isVisible());
  EXPECT_FALSE(page_->box()->isVisible());
}

TEST_F(TextPageTest, SaveThenImportGivesTheSameTextInTheEntrysOwnForm) {
  // items.txt is stored compressed, notes.txt raw.
  for (const char* entry : {"items.txt", "notes.txt"}) {
    Show(entry);
    const bool packed = Selected().UnpackedSize != 0;
    EXPECT_EQ(packed, std::string(entry) == "items.txt");
    const Bytes before = StoredText(entry);
    const std::string file = out_.File(std::string("saved-") + entry);
    prompts_.answers = {file};
    Click("txttabsavetotxt");
    EXPECT_EQ(prompts_.asked.back().title, "Save to TXT...");
    EXPECT_EQ(prompts_.asked.back().filter, "Text files (*.txt)|*.txt|All files (*.*)|*.*");
    EXPECT_EQ(out_.Read(std::string("saved-") + entry), before) << "every byte, NUL and all";

    prompts_.answers = {file};
    Click("txttabimporttxt");
    EXPECT_EQ(prompts_.asked.back().title, "Import TXT...");
    EXPECT_EQ(prompts_.asked.back().filter, "Text files (*.txt)|*.txt");
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_EQ(Selected().UnpackedSize != 0, packed) << entry;
    EXPECT_EQ(StoredText(entry), before) << entry;
  }
  // A new text shows at once; a file that is gone is said so and changes nothing.
  prompts_.answers = {out_.Write("new.txt", Bytes{'x', '\t', 'y'})};
  Click("txttabimporttxt");
  EXPECT_EQ(page_->model()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 1), "y");
  prompts_.answers = {out_.File("gone.txt")};
  Click("txttabimporttxt");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_NE(prompts_.messages[0].find("gone.txt"), std::string::npos) << prompts_.messages[0];
  EXPECT_EQ(Cell(0, 0), "x");
}

TEST_F(TextPageTest, EmptyTextIsRefusedAndThePageStaysBehind) {
  // An entry whose text inflates to nothing: the compression marker alone.
  const std::string lod = out_.Write(
      "empty.lod",
      BuildLod("ICONS",
               {{"blank.txt", BuildPackedLodEntry("blank.txt", Bytes{0x78, 0x9C}, false, 256)},
                {"items.txt", BuildPackedLodEntry("items.txt", Bytes{'a'}, false, 256)}}));
  window_->LoadDataFile(lod);
  window_->SelectRow(0);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0], "Error!  Unable to show blank.txt");
  EXPECT_NE(window_->CurrentPage(), page_);
  // Once shown, the page keeps the last good text.
  window_->SelectRow(1);
  EXPECT_EQ(window_->CurrentPage(), page_);
  window_->SelectRow(0);
  EXPECT_EQ(prompts_.messages.size(), 2u);
  EXPECT_EQ(Cell(0, 0), "a");
}

// An inflate error is a box of its own, before the save's own word on it, as when showing.
TEST_F(TextPageTest, SavingSaysAnInflateErrorInItsOwnBoxFirst) {
  const Bytes stream{0x78, 0x9C, 0x03, 0x00};  // compressed, but stored as 0 bytes unpacked
  const std::string lod = out_.Write(
      "broken.lod",
      BuildLod("ICONS", {{"items.txt", BuildPackedLodEntry("items.txt", Bytes{'a'}, false, 256)},
                         {"bad.txt", BuildPackedLodEntry("bad.txt", stream, false, 256)}}));
  window_->LoadDataFile(lod);
  window_->SelectRow(0);
  window_->SelectRow(1);
  prompts_.messages.clear();
  prompts_.answers = {out_.File("bad-out.txt")};
  Click("txttabsavetotxt");
  EXPECT_EQ(prompts_.messages, (std::vector<std::string>{"Error Inflating: BUF_ERROR!",
                                                         "Error!  Unable to save bad.txt"}));
  EXPECT_FALSE(std::filesystem::exists(out_.File("bad-out.txt")));
}

TEST_F(TextPageTest, FindSelectsTheNextMatchInAnyCaseInEitherView) {
  Show("monsters.txt");
  window_->show();
  Trigger("txttabfindaction");
  EXPECT_TRUE(page_->findBox()->hasFocus() || !QApplication::focusWidget());
  page_->findBox()->setText("SLIME");
  Trigger("txttabfindnext");
  QTableView* grid = page_->grid();
  EXPECT_EQ(grid->currentIndex(), page_->model()->index(3, 1));  // "Cave Slime"
  EXPECT_TRUE(grid->selectionModel()->isSelected(page_->model()->index(3, 1)));
  Trigger("txttabfindnext");
  EXPECT_EQ(grid->currentIndex(), page_->model()->index(3, 7));  // "slime01"
  Trigger("txttabfindnext");
  Trigger("txttabfindnext");
  EXPECT_EQ(grid->currentIndex(), page_->model()->index(4, 7));
  Trigger("txttabfindnext");  // round the end to the first again
  EXPECT_EQ(grid->currentIndex(), page_->model()->index(3, 1));
  // No match: the selection stays and the find box says so until its text changes.
  const QColor plain = page_->findBox()->palette().color(QPalette::Base);
  page_->findBox()->setText("dragon");
  Trigger("txttabfindnext");
  EXPECT_EQ(grid->currentIndex(), page_->model()->index(3, 1));
  EXPECT_NE(page_->findBox()->palette().color(QPalette::Base), plain);
  page_->findBox()->setText("drag");
  EXPECT_EQ(page_->findBox()->palette().color(QPalette::Base), plain);
  // F3 and Ctrl+F are the keys.
  EXPECT_EQ(page_->findChild<QAction*>("txttabfindnext")->shortcut(), QKeySequence(Qt::Key_F3));
  EXPECT_EQ(page_->findChild<QAction*>("txttabfindaction")->shortcut(),
            QKeySequence(QKeySequence::Find));

  // In the text box the match itself is selected.
  Click("txttabview");
  page_->findBox()->setText("chest");
  Trigger("txttabfindnext");
  EXPECT_EQ(page_->box()->textCursor().selectedText(), "Chest");  // "Mimic Chest"
  Trigger("txttabfindnext");
  EXPECT_EQ(page_->box()->textCursor().selectedText(), "chest");  // "chest01"
  Trigger("txttabfindnext");
  EXPECT_EQ(page_->box()->textCursor().selectedText(), "Chest");
  Click("txttabview");
}

// Replaces the first stretch `was` of text by `now`.
std::string Swapped(std::string text, std::string_view was, std::string_view now) {
  const std::size_t at = text.find(was);
  EXPECT_NE(at, std::string::npos) << was;
  if (at != std::string::npos) text.replace(at, was.size(), now);
  return text;
}

TEST_F(TextPageTest, EditedCellsAreSavedAndEveryOtherByteOfTheTableStaysTheSame) {
  // notes.txt is stored raw and holds text after a NUL; items.txt is compressed.
  for (const char* entry : {"notes.txt", "items.txt"}) {
    Show(entry);
    const bool packed = Selected().UnpackedSize != 0;
    const std::string before = Extracted(entry);
    const TextGrid& grid = page_->model()->grid();
    const std::string first(grid.CellBytes(1, 0)), second(grid.CellBytes(2, 1));
    // Read-only until Edit is on.
    TextGridModel* model = page_->model();
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 0), "x", Qt::EditRole));
    EXPECT_TRUE(page_->box()->isReadOnly());
    EXPECT_FALSE(Button("txttabsave")->isEnabled());
    Click("txttabedit");
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(page_->box()->isReadOnly());

    // A Windows-1252 letter, and a cell whose LF is shown as a word and stays a LF.
    Type(0, 0, QString::fromUtf8("N\u00BA"));
    Type(1, 1, Cell(1, 1) + "!");
    EXPECT_EQ(Cell(0, 0), QString::fromUtf8("N\u00BA"));
    EXPECT_TRUE(TitleMarked());
    EXPECT_TRUE(Button("txttabsave")->isEnabled());
    if (std::string(entry) == "notes.txt") {
      Click("txttabsave");
    } else {
      Trigger("txttabsaveaction");  // Ctrl+S
    }
    EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
    EXPECT_FALSE(TitleMarked());
    EXPECT_FALSE(Button("txttabsave")->isEnabled());
    EXPECT_EQ(Note(), QString("Saved ") + entry);
    EXPECT_EQ(Extracted(entry), Swapped(Swapped(before, first, "N\xBA"), second, second + "!"))
        << entry;
    EXPECT_EQ(Selected().UnpackedSize != 0, packed) << entry;
    // The page shows what the container now holds.
    EXPECT_EQ(Cell(0, 0), QString::fromUtf8("N\u00BA"));
    Click("txttabedit");
  }
}

TEST_F(TextPageTest, WhatWindows1252CannotHoldIsRefusedWithTheCellNamedAndNothingWritten) {
  Show("places.txt");
  Click("txttabedit");
  const Bytes container = Container();
  const QString typed = QString::fromUtf8("Gloomwell \u2713");
  const std::string refused =
      "Row 4, column 2 holds a character that Windows-1252 cannot hold: \u2713";
  Type(3, 1, typed);
  EXPECT_TRUE(TitleMarked());
  Click("txttabsave");
  EXPECT_EQ(prompts_.messages, std::vector<std::string>{refused});
  EXPECT_EQ(Cell(3, 1), typed) << "the edit is kept";
  // Nor does it go into the text box.
  Click("txttabview");
  EXPECT_EQ(prompts_.messages.size(), 2u);
  EXPECT_EQ(prompts_.messages.back(), refused);
  EXPECT_TRUE(page_->grid()->isVisible());
  // Put back as it was, nothing is left to save.
  Type(3, 1, "Gloomwell Caves");
  EXPECT_FALSE(TitleMarked());

  // In the box the line is named.
  Click("txttabview");
  QTextCursor cursor = page_->box()->textCursor();
  cursor.movePosition(QTextCursor::Start);
  cursor.movePosition(QTextCursor::Down);
  cursor.movePosition(QTextCursor::EndOfLine);
  page_->box()->setTextCursor(cursor);
  page_->box()->insertPlainText(QString::fromUtf8(" \u2603"));
  EXPECT_TRUE(TitleMarked());
  Click("txttabsave");
  EXPECT_EQ(prompts_.messages.back(),
            "Line 2 holds a character that Windows-1252 cannot hold: \u2603");
  EXPECT_TRUE(page_->box()->toPlainText().contains(QString::fromUtf8("\u2603")));
  EXPECT_EQ(Container(), container) << "nothing was written";
  Click("txttabview");
  EXPECT_TRUE(page_->box()->isVisible()) << "the box keeps what it cannot store";
}

TEST_F(TextPageTest, UnsavedEditsAskBeforeTheyAreLeftAsThePartyEditorDoes) {
  Show("monsters.txt");
  const int row = window_->SelectedIndex();
  const Bytes container = Container();
  Click("txttabedit");
  Type(0, 1, "Label", false);  // the editor still open counts too
  const std::string question =
      "The text in monsters.txt has changes that are not saved.  Discard them?";
  prompts_.yesNoAnswers = {false};
  Show("places.txt");
  EXPECT_EQ(prompts_.questions, std::vector<std::string>{question});
  EXPECT_EQ(window_->SelectedIndex(), row);
  EXPECT_EQ(Cell(0, 1), "Label");
  EXPECT_TRUE(TitleMarked());
  // An import would replace the edits too: asked first, and nothing imported on No.
  prompts_.yesNoAnswers = {false};
  prompts_.answers = {out_.Write("new.txt", test::TextBytes("x\r\n"))};
  Click("txttabimporttxt");
  EXPECT_EQ(prompts_.questions.size(), 2u);
  EXPECT_EQ(Container(), container);
  prompts_.yesNoAnswers = {false};
  window_->LoadDataFile(icons_);
  EXPECT_EQ(prompts_.questions.size(), 3u);
  EXPECT_EQ(Cell(0, 1), "Label");

  prompts_.yesNoAnswers = {true};
  Show("places.txt");
  EXPECT_EQ(prompts_.questions.size(), 4u);
  EXPECT_FALSE(TitleMarked());
  EXPECT_EQ(Container(), container) << "discarding writes nothing";
  Show("monsters.txt");
  EXPECT_EQ(Cell(0, 1), "Name");
  EXPECT_EQ(prompts_.questions.size(), 4u);
}

TEST_F(TextPageTest, ReplaceAndReplaceAllInEitherViewTurnEditOnAndSayHowMany) {
  Show("monsters.txt");
  const std::string before = Extracted("monsters.txt");
  // Every "slime" in any case: the same as replacing it in the text, the table's shape
  // being untouched by it.
  auto replaced = [](std::string text, const QString& needle, const QString& with) {
    return QString::fromStdString(text).replace(needle, with, Qt::CaseInsensitive).toStdString();
  };
  page_->findBox()->setText("SLIME");
  page_->replaceBox()->setText("Ooze");
  Click("txttabreplaceall");
  EXPECT_TRUE(Button("txttabedit")->isChecked());
  EXPECT_EQ(Note(), "Replaced 4 matches");
  EXPECT_EQ(Cell(3, 1), "Cave Ooze");
  EXPECT_EQ(Cell(3, 7), "Ooze01");

  // In the box: Replace selects the first match, then replaces it and selects the next.
  Click("txttabview");
  page_->findBox()->setText("bat");
  page_->replaceBox()->setText("Moth");
  Click("txttabreplaceone");
  EXPECT_EQ(page_->box()->textCursor().selectedText(), "Bat");  // "Dusk Bat"
  Click("txttabreplaceone");
  EXPECT_EQ(page_->box()->textCursor().selectedText(), "bat");  // "bat01"
  Click("txttabreplaceall");
  EXPECT_EQ(Note(), "Replaced 3 matches");
  page_->findBox()->setText("nothing like it");
  Click("txttabreplaceall");
  EXPECT_EQ(Note(), "Nothing replaced: no match");

  // In the grid, Replace works on the current cell and moves on.
  Click("txttabview");
  page_->findBox()->setText("ooze");
  page_->replaceBox()->setText("Jelly");
  page_->SelectCell(1, 0);
  Click("txttabreplaceone");
  EXPECT_EQ(page_->grid()->currentIndex(), page_->model()->index(3, 1));
  Click("txttabreplaceone");
  EXPECT_EQ(Cell(3, 1), "Cave Jelly");
  EXPECT_EQ(page_->grid()->currentIndex(), page_->model()->index(3, 7));

  Click("txttabsave");
  EXPECT_TRUE(prompts_.messages.empty()) << prompts_.messages.front();
  const std::string expected = Swapped(replaced(replaced(before, "slime", "Ooze"), "bat", "Moth"),
                                       "Cave Ooze", "Cave Jelly");
  EXPECT_EQ(Extracted("monsters.txt"), expected);
}

}  // namespace
}  // namespace brindle
