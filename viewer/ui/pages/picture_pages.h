#pragma once
// The picture pages: bitmaps, icons and sprites on pictab, palettes as swatches on paltab,
// PCX pictures on pcxtab.

#include <QLabel>
#include <QScrollArea>

#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/palettes.h"
#include "viewer/core/formats/pcx.h"
#include "viewer/core/formats/sprites.h"
#include "viewer/ui/base/entry_page.h"
#include "viewer/ui/pages/zoom_image.h"

namespace brindle {

// A decoded picture as Qt draws it: indexed with its colour table, or 24-bit.
QImage ToQImage(const Picture& picture);

// A scroll box with a zoomable picture and its two size labels, shared by pictab and pcxtab.
class PictureView {
 public:
  PictureView(QWidget* page, const QString& prefix, PageContext& context);
  void Show(const Picture& picture);
  QScrollArea* scrollbox;
  ZoomImage* image;
  QLabel* width;
  QLabel* height;
};

class PicturePage : public EntryPage {
  Q_OBJECT
 public:
  explicit PicturePage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  const PictureView& view() const { return view_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SaveClick();
  void ImportClick();

  PictureView view_;
};

class PaletteArea : public QWidget {
  Q_OBJECT
 public:
  explicit PaletteArea(QWidget* parent = nullptr);
  void SetColours(const ColourTable& colours);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ColourTable colours_{};
  bool shown_ = false;
};

class PalettePage : public EntryPage {
  Q_OBJECT
 public:
  explicit PalettePage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  PaletteArea* area() const { return area_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SaveClick();

  QScrollArea* scrollbox_;
  PaletteArea* area_;
};

class PcxPage : public EntryPage {
  Q_OBJECT
 public:
  explicit PcxPage(PageContext& context, QWidget* parent = nullptr);
  void ShowEntry(ByteFile& container, const TResourceInfo& entry) override;
  const PictureView& view() const { return view_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SaveClick();

  PictureView view_;
};

EntryPage* MakePicturePage(PageContext& c);
EntryPage* MakePalettePage(PageContext& c);
EntryPage* MakePcxPage(PageContext& c);

}  // namespace brindle
