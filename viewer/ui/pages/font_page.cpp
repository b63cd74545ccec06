#include "viewer/ui/pages/font_page.h"

#include "common/codepage.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/ui/base/game_text.h"
#include "viewer/ui/pages/picture_pages.h"

namespace brindle {

namespace {

QScrollArea* WhiteScrollBox(QWidget* page, const QString& name, ZoomImage* image,
                            PageContext& context) {
  auto* box = new QScrollArea(page);
  box->setObjectName(name);
  box->setWidgetResizable(false);
  box->setBackgroundRole(QPalette::Base);
  QPalette white = box->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Window, Qt::white);
  box->setPalette(white);
  box->setAutoFillBackground(true);
  box->setWidget(image);
  // The pixel under the pointer goes to the status bar's last panel, as on the picture page.
  image->onPointer = [&context, image](int x, int y) {
    context.SetPointerText(PixelText(image->image(), x, y).toStdString());
  };
  return box;
}

}  // namespace

FontPage::FontPage(PageContext& context, QWidget* parent) : EntryPage(context, "fnttab", parent) {
  image_ = new ZoomImage;
  image_->setObjectName("fnttabimage");
  scrollbox_ = WhiteScrollBox(this, "fnttabscrollbox", image_, context);
  textImage_ = new ZoomImage;
  textImage_->setObjectName("fnttabtxtimage");
  textScrollbox_ = WhiteScrollBox(this, "fnttabtextscrollbox", textImage_, context);

  saveWhole_ = new QPushButton("Save to BMP", this);
  saveWhole_->setObjectName("fnttabsavetobmpwhole");
  saveWhole_->resize(100, 25);
  connect(saveWhole_, &QPushButton::clicked, this, &FontPage::fnttabsavetobmpwholeClick);
  QPushButton* saveText = AddButton("fnttabsavetobmptext", "Save to BMP");
  connect(saveText, &QPushButton::clicked, this, &FontPage::fnttabsavetobmptextClick);

  const struct {
    const char* name;
    const char* caption;
    std::uint32_t FontColours::*colour;
  } kPanels[] = {{"fnttabfg", "Foreground", &FontColours::foreground},
                 {"fnttabbg", "Background", &FontColours::background},
                 {"fnttabos", "Outside", &FontColours::outside}};
  for (const auto& p : kPanels) {
    Panel panel{new QLabel(p.caption, this), new QPushButton(this), p.colour};
    panel.swatch->setObjectName(p.name);
    panel.swatch->setToolTip(QString("%1 colour").arg(p.caption));
    const auto colour = p.colour;
    connect(panel.swatch, &QPushButton::clicked, this, [this, colour] { fnttabfgClick(colour); });
    panels_.push_back(panel);
  }
  PaintPanels();

  edit_ = new QLineEdit(this);
  edit_->setObjectName("fnttabedit");
  edit_->setText("brindle shows the game's fonts: The quick brown fox jumps over the lazy dog.");
  edit_->setCursorPosition(0);  // the line is read from its start
  connect(edit_, &QLineEdit::textChanged, this, &FontPage::fnttabeditChange);
}

void FontPage::PaintPanels() {
  for (const Panel& p : panels_) {
    const QColor c = QColor::fromRgb(colours_.*p.colour & 0xFFFFFF);
    p.swatch->setStyleSheet(QString("background-color: %1; border: 1px solid gray;").arg(c.name()));
  }
}

// Sheet on top with its save button under it on the right and the colour panels on the
// left; then the text box and the typed text; the second save button in the corner.
void FontPage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
  const int w = width() - 6;
  const int textHeight = std::max(40, (height() - 39) / 4);
  const int sheetHeight = std::max(40, height() - 39 - textHeight - 31 - 28 - 9);
  scrollbox_->setGeometry(3, 3, w, sheetHeight);
  const int row = 3 + sheetHeight + 3;
  saveWhole_->move(width() - 3 - saveWhole_->width(), row);
  // Each caption as wide as its text, so the three panels leave room for the button beside
  // them at the window's first size.
  int x = 3;
  for (const Panel& p : panels_) {
    const int captionWidth = p.caption->fontMetrics().horizontalAdvance(p.caption->text()) + 4;
    p.caption->setGeometry(x, row, captionWidth, 25);
    p.swatch->setGeometry(x + captionWidth + 2, row + 2, 40, 21);
    x += captionWidth + 2 + 40 + 12;
  }
  edit_->setGeometry(3, row + 31, w, 25);
  textScrollbox_->setGeometry(3, row + 31 + 28, w, height() - 39 - (row + 31 + 28) + 3);
}

std::string FontPage::TypedText() const {
  return GameText(edit_->text());
}

void FontPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  ShowFontEntry(container, entry);
  context_.ShowPage(this);
}

void FontPage::ShowFontEntry(ByteFile& container, const TResourceInfo& entry) {
  PictureResult sheet = RenderFontSheet(container, entry, colours_, context_.host());
  if (!sheet.ok()) {
    context_.host().Message("Error!  Unable to show " + EntryName(entry));
    return;
  }
  image_->SetImage(ToQImage(sheet.picture));
  ShowFontText(container, entry);
}

void FontPage::ShowFontText(ByteFile& container, const TResourceInfo& entry) {
  PictureResult text = RenderFontText(container, entry, TypedText(), colours_, context_.host());
  if (!text.ok()) {
    context_.host().Message("Error!  Unable to show " + EntryName(entry));
    return;
  }
  textImage_->SetImage(ToQImage(text.picture));
}

void FontPage::WithSelectedFont(const std::function<void(ByteFile&, const TResourceInfo&)>& show) {
  const TResourceInfo* entry = SelectedEntry();
  // The edit box and the panels live on while another page is in front.
  if (!entry || entry->ResType != rtFont) return;
  auto file = OpenContainerFile(context_.DataFile().FileName, FileMode::kReadShared);
  if (!file) {
    context_.host().Message(file.message());
    return;
  }
  if (!EntryInsideFile(*entry, (*file)->Size())) {
    context_.host().Message("Error!  Unable to show " + EntryName(*entry));
    return;
  }
  show(**file, *entry);
}

void FontPage::fnttabfgClick(std::uint32_t FontColours::*which) {
  const std::optional<std::uint32_t> chosen = context_.prompts().AskColour(colours_.*which);
  if (!chosen) return;
  colours_.*which = *chosen & 0xFFFFFF;
  PaintPanels();
  WithSelectedFont([this](ByteFile& f, const TResourceInfo& e) { ShowFontEntry(f, e); });
}

void FontPage::fnttabeditChange() {
  WithSelectedFont([this](ByteFile& f, const TResourceInfo& e) { ShowFontText(f, e); });
}

void FontPage::fnttabsavetobmpwholeClick() {
  SaveSelected("BMP", "bmp", "Bitmap files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 PictureResult r = RenderFontSheet(file, entry, colours_, context_.host());
                 if (!r.ok()) return UnableToSave(entry);
                 return PictureToBmp(r.picture);
               });
}

void FontPage::fnttabsavetobmptextClick() {
  SaveSelected("BMP", "bmp", "Bitmap files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 PictureResult r =
                     RenderFontText(file, entry, TypedText(), colours_, context_.host());
                 if (!r.ok()) return UnableToSave(entry);
                 return PictureToBmp(r.picture);
               });
}

EntryPage* MakeFontPage(PageContext& c) {
  return new FontPage(c);
}

}  // namespace brindle
