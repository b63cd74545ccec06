#include "viewer/ui/shell/title_page.h"

namespace brindle {

// One line per paragraph (the pieces below join up): the box wraps them to its width.
const char* ReadMeText() {
  return "brindle 1.01\n"
         "\n"
         "brindle opens the container files of the game on your disk and shows what is inside "
         "them: LOD archives (bitmaps, icons, sprites, maps and saved games), .SND sound "
         "containers and .VID movie containers. Choose \"Load Data File...\" in the File menu, or "
         "drop a container on the window, then pick an entry in the list on the left. Every "
         "entry opens on a page of its own, and every page can save its entry to an ordinary "
         "file. The box above the list (Ctrl+L) narrows it by name or by type (type:bitmap); "
         "resting the pointer on a row tells the entry's type and size.\n"
         "\n"
         "What can be replaced\n"
         "- Bitmaps and icons, from 8-bit BMP files with a palette (bitmaps keep their size).\n"
         "- Text tables of icon archives, from text files (stored exactly as they are).\n"
         "- Sounds of .SND containers, from WAV files.\n"
         "A replacement is written into the container in place. The old bytes stay where they "
         "were until the new ones are safely in the file, so an interrupted import never loses "
         "an entry.\n"
         "\n"
         "Batch import\n"
         "\"Batch Import...\" takes many files at once. A file replaces the entry whose name is "
         "the file's name, extension included, in any letter case: the file ITEMS.TXT replaces "
         "the entry items.txt, the file PC01-01 the entry PC01-01 (a file named PC01-01.BMP "
         "does not). Files that match no entry are passed over.\n"
         "\n"
         "Adding, removing and renaming\n"
         "\"Add Files...\", \"Remove\" (Delete) and \"Rename\" (F2) on the list's menu, and "
         "\"Rebuild\" "
         "and \"New Container...\" in the File menu, write the whole container anew beside the "
         "old one and put it in its place only once it is complete and read back. \"Export "
         "All...\" and \"Export Selected...\" save many entries into a folder at once.\n"
         "\n"
         "Saved games\n"
         "The party record of a saved game (PARTY.BIN) opens in the saved-game editor: the "
         "party's gold, food and the game clock, each character's values, statistics, skills, "
         "spells, conditions and inventory. Nothing is written until you press Save, and the "
         "window asks before it leaves changes behind.\n"
         "\n"
         "Hex dumps\n"
         "Event, data and map entries are shown as hex dumps: the offset, sixteen bytes in four "
         "groups, and the bytes as characters (bytes 0 to 13 as dots). String lists are shown "
         "as lines of text. Their Save buttons write the bytes shown.\n"
         "\n"
         "Movies\n"
         "Movie entries show their first frame, size, length and sound; Play Movie hands them "
         "to the movie player, Save to ZTP copies them to a file.\n"
         "\n"
         "Version history\n"
         "1.01  Hex-dump pages with fast display of large entries; batch import of texts and "
         "sounds; safe in-place rewriting of containers; text, font and sound pages; the "
         "saved-game editor; the filter box, exports of many entries, adding, removing, "
         "renaming and rebuilding.\n"
         "1.00  First release: container listing, entry pages and exports.\n";
}

TitlePage::TitlePage(QWidget* parent) : QWidget(parent) {
  setObjectName("titlepage");
  picture_ = new QLabel(this);
  picture_->setObjectName("titlepicture");
  picture_->move(3, 3);
  version_ = new QLabel("Version 1.01", this);
  version_->setObjectName("titleversion");
  readme_ = new QPlainTextEdit(this);
  readme_->setObjectName("titlereadme");
  readme_->setReadOnly(true);
  // Prose, read in a box narrower than its paragraphs: it wraps at the box's edge.
  readme_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  readme_->setPlainText(ReadMeText());
}

void TitlePage::SetPicture(const QImage& picture) {
  picture_->setPixmap(QPixmap::fromImage(picture));
  picture_->resize(picture.size());
  resizeEvent(nullptr);
}

void TitlePage::resizeEvent(QResizeEvent*) {
  const int pictureBottom = picture_->pixmap().isNull() ? 3 : 3 + picture_->height();
  version_->setGeometry(3, pictureBottom + 3, width() - 6, 18);
  const int top = pictureBottom + 24;
  readme_->setGeometry(3, top, width() - 6, std::max(0, height() - top - 3));
}

}  // namespace brindle
