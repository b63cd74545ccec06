#include "viewer/ui/shell/title_page.h"

namespace brindle {

const char* ReadMeText() {
  return R"(brindle 1.01

brindle opens the container files of the game on your disk and shows what is inside them:
LOD archives (bitmaps, icons, sprites, maps and saved games), .SND sound containers and
.VID movie containers. Choose "Load Data File..." in the File menu, or drop a container on
the window, then pick an entry in the list on the left. Every entry opens on a page of its
own, and every page can save its entry to an ordinary file.

What can be replaced
  - Bitmaps and icons, from 8-bit BMP files with a palette (bitmaps keep their size).
  - Text tables of icon archives, from text files (stored exactly as they are).
  - Sounds of .SND containers, from WAV files.
A replacement is written into the container in place. The old bytes stay where they were
until the new ones are safely in the file, so an interrupted import never loses an entry.

Batch import
  "Batch Import..." takes many files at once. A file replaces the entry whose name is the
  file's name, extension included, in any letter case: the file ITEMS.TXT replaces the
  entry items.txt, the file PC01-01 the entry PC01-01 (a file named PC01-01.BMP does not).
  Files that match no entry are passed over.

Saved games
  The party record of a saved game (PARTY.BIN) opens in the saved-game editor: the party's
  gold, food and the game clock, each character's values, statistics, skills, spells,
  conditions and inventory. Nothing is written until you press Save.

Hex dumps
  Event, data and map entries are shown as hex dumps: the offset, sixteen bytes in four
  groups, and the bytes as characters (bytes 0 to 13 as dots). String lists are shown as
  lines of text. Their Save buttons write the bytes shown.

Movies
  Movie entries show their size; Play Movie hands them to the movie player, Save to ZTP
  copies them to a file.

Version history
  1.01  Hex-dump pages with fast display of large entries; batch import of texts and sounds;
        safe in-place rewriting of containers.
  1.00  First release: container listing, entry pages and exports.
)";
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
  readme_->setLineWrapMode(QPlainTextEdit::NoWrap);
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
