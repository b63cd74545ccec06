#include "viewer/ui/pages/picture_pages.h"

#include <QPainter>
#include <cstring>

#include "viewer/core/containers/directory.h"
#include "viewer/core/formats/exports.h"

namespace brindle {

QImage ToQImage(const Picture& picture) {
  const bool rgb = picture.format == PictureFormat::kRgb24;
  QImage image(picture.width, picture.height,
               rgb ? QImage::Format_RGB888 : QImage::Format_Indexed8);
  if (image.isNull()) return image;
  if (!rgb) {
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) {
      const auto* c = &picture.colours[static_cast<std::size_t>(i) * 3];
      table[i] = qRgb(c[0], c[1], c[2]);
    }
    image.setColorTable(table);
  }
  const std::size_t row = picture.BytesPerRow();
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(image.scanLine(y), picture.pixels.data() + row * static_cast<std::size_t>(y), row);
  }
  return image;
}

PictureView::PictureView(QWidget* page, const QString& prefix, PageContext& context) {
  scrollbox = new QScrollArea(page);
  scrollbox->setObjectName(prefix + "scrollbox");
  scrollbox->setWidgetResizable(false);
  image = new ZoomImage;
  image->setObjectName(prefix + "image");
  scrollbox->setWidget(image);
  width = new QLabel(page);
  width->setObjectName(prefix + "width");
  height = new QLabel(page);
  height->setObjectName(prefix + "height");
  // The pixel under the pointer goes to the status bar's last panel.
  ZoomImage* shown = image;
  image->onPointer = [&context, shown](int x, int y) {
    context.SetPointerText(PixelText(shown->image(), x, y).toStdString());
  };
}

void PictureView::Show(const Picture& picture) {
  width->setText(QString("Width: %1").arg(picture.width));
  height->setText(QString("Height: %1").arg(picture.height));
  image->SetImage(ToQImage(picture));
}

// Labels at the bottom left, beside the buttons; the scroll box above them.
static void LayOutPictureView(PictureView& v, QWidget* page) {
  v.scrollbox->setGeometry(3, 3, page->width() - 6, page->height() - 39);
  v.width->setGeometry(6, page->height() - 31, 110, 22);
  v.height->setGeometry(120, page->height() - 31, 110, 22);
}

PicturePage::PicturePage(PageContext& context, QWidget* parent)
    : EntryPage(context, "pictab", parent), view_(this, "pictab", context) {
  QPushButton* save = AddButton("pictabsavetobmp", "Save to BMP");
  QPushButton* import = AddButton("pictabimport", "Import BMP");
  connect(save, &QPushButton::clicked, this, &PicturePage::SaveClick);
  connect(import, &QPushButton::clicked, this, &PicturePage::ImportClick);
}

void PicturePage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
  LayOutPictureView(view_, this);
}

PictureResult PicturePage::Decode(ByteFile& container, const TResourceInfo& entry) {
  CoreHost& host = context_.host();
  if (entry.ResType == rtSprite) {
    return DecodeSprite(container, entry, context_.DataFile().FileName, host);
  }
  if (entry.ResType == rtBitmap || entry.ResType == rtIcon) {
    return DecodeBitmapEntry(container, entry, host);
  }
  PictureResult none;
  none.error = PictureError::kNoPixels;
  return none;
}

void PicturePage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  PictureResult r = Decode(container, entry);
  if (!r.ok()) {
    // The page keeps its previous picture and labels.
    context_.host().Message("Error!  Unable to show " + EntryName(entry));
  } else {
    view_.Show(r.picture);
  }
  context_.ShowPage(this);
}

void PicturePage::SaveClick() {
  // Decoded afresh from the container, not copied from the page.
  SaveSelected("BMP", "bmp", "Bitmap files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 PictureResult r = Decode(file, entry);
                 if (!r.ok()) return UnableToSave(entry);
                 return PictureToBmp(r.picture);
               });
}

void PicturePage::ImportClick() {
  ImportSelected("BMP", "bmp", "Bitmap files", {rtIcon, rtBitmap});
}

PaletteArea::PaletteArea(QWidget* parent) : QWidget(parent) {
  setObjectName("paltabpb");
  setAutoFillBackground(true);
}

void PaletteArea::SetColours(const ColourTable& colours) {
  colours_ = colours;
  shown_ = true;
  update();
}

void PaletteArea::paintEvent(QPaintEvent*) {
  if (!shown_) return;
  // Painted from the colours read when the entry was shown; the swatches follow the
  // area's size.
  QPainter p(this);
  for (int i = 0; i < 256; ++i) {
    SwatchRect s = PaletteSwatch(width(), height(), i);
    const auto* c = &colours_[static_cast<std::size_t>(i) * 3];
    p.fillRect(QRect(s.left, s.top, s.right - s.left, s.bottom - s.top), QColor(c[0], c[1], c[2]));
  }
}

PalettePage::PalettePage(PageContext& context, QWidget* parent)
    : EntryPage(context, "paltab", parent) {
  scrollbox_ = new QScrollArea(this);
  scrollbox_->setObjectName("paltabscrollbox");
  scrollbox_->setWidgetResizable(true);
  area_ = new PaletteArea;
  scrollbox_->setWidget(area_);
  SetContent(scrollbox_);
  QPushButton* save = AddButton("savetoact", "Save to ACT");
  connect(save, &QPushButton::clicked, this, &PalettePage::SaveClick);
}

void PalettePage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
}

void PalettePage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  area_->SetColours(ReadPaletteEntry(container, entry));
  context_.ShowPage(this);
}

void PalettePage::SaveClick() {
  SaveSelected("ACT", "act", "Photoshop palette files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 Result<ExportedFile> r = ExportEntry(file, entry, context_.host());
                 if (!r) return UnableToSave(entry);
                 return std::move(r->bytes);
               });
}

PcxPage::PcxPage(PageContext& context, QWidget* parent)
    : EntryPage(context, "pcxtab", parent), view_(this, "pcxtab", context) {
  QPushButton* save = AddButton("pcxtabsavetobmp", "Save to BMP");
  connect(save, &QPushButton::clicked, this, &PcxPage::SaveClick);
}

void PcxPage::resizeEvent(QResizeEvent* event) {
  EntryPage::resizeEvent(event);
  LayOutPictureView(view_, this);
}

void PcxPage::ShowEntry(ByteFile& container, const TResourceInfo& entry) {
  context_.ShowLoading(true);
  ProgressReporter progress(context_.host());
  PictureResult r = DecodePcx(container, entry, context_.host(), &progress);
  if (r.ok()) {
    view_.Show(r.picture);
  } else {
    context_.host().Message("Error!  Unable to show " + EntryName(entry));
  }
  context_.ShowPage(this);
  context_.ShowLoading(false);
}

void PcxPage::SaveClick() {
  SaveSelected("BMP", "bmp", "Bitmap files",
               [this](ByteFile& file, const TResourceInfo& entry) -> Result<Bytes> {
                 PictureResult r = DecodePcx(file, entry, context_.host());
                 if (!r.ok()) return UnableToSave(entry);
                 return PictureToBmp(r.picture);
               });
}

EntryPage* MakePicturePage(PageContext& c) {
  return new PicturePage(c);
}
EntryPage* MakePalettePage(PageContext& c) {
  return new PalettePage(c);
}
EntryPage* MakePcxPage(PageContext& c) {
  return new PcxPage(c);
}

}  // namespace brindle
