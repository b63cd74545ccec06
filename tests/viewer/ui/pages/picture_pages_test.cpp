#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QWheelEvent>

#include "common/bmp.h"
#include "sample_folder.h"
#include "viewer/ui/pages/page_test.h"
#include "viewer/ui/pages/picture_pages.h"

namespace brindle {
namespace {

using test::TempDir;

using test::SampleFolder;

class PicturePagesTest : public test::PageWindowTest {
 protected:
  // Opens the sample container (a copy, when the test writes to it) and selects the entry.
  void Show(const std::string& container, const std::string& entry, bool copy = false) {
    std::string path = SampleFolder().File(container);
    if (copy) {
      std::filesystem::copy_file(path, out_.File(container),
                                 std::filesystem::copy_options::overwrite_existing);
      std::filesystem::copy_file(SampleFolder().File("bitmaps.lod"), out_.File("bitmaps.lod"),
                                 std::filesystem::copy_options::overwrite_existing);
      path = out_.File(container);
    }
    Select(path, entry);
  }
};

TEST_F(PicturePagesTest, BitmapsIconsAndSpritesShowWithTheirSizes) {
  for (auto [container, entry] : {std::pair{"icons.lod", "iorb01"},
                                  {"bitmaps.lod", "cobble01"},
                                  {"sprites.lod", "goblin01"}}) {
    Show(container, entry);
    EXPECT_EQ(window_->CurrentPage()->objectName(), "pictab") << entry;
    const TResourceInfo& e =
        window_->DataFile().Entries[static_cast<std::size_t>(window_->SelectedIndex())];
    EXPECT_EQ(Find<QLabel>("pictabwidth")->text(), QString("Width: %1").arg(e.Width));
    EXPECT_EQ(Find<QLabel>("pictabheight")->text(), QString("Height: %1").arg(e.Height));
    auto* image = Find<ZoomImage>("pictabimage");
    EXPECT_EQ(image->image().size(), QSize(e.Width, e.Height)) << entry;
    EXPECT_EQ(image->image().format(), QImage::Format_Indexed8);
  }
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(PicturePagesTest, SaveToBmpDecodesAfreshAndWritesEightBits) {
  Show("sprites.lod", "bat01");
  const QImage shown = Find<ZoomImage>("pictabimage")->image();
  prompts_.answers = {out_.File("bat.bmp")};
  Click("pictabsavetobmp");
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_EQ(prompts_.asked[0].title, "Save to BMP...");
  EXPECT_EQ(prompts_.asked[0].filter, "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*");
  EXPECT_EQ(prompts_.asked[0].proposedName, "bat01.bmp");
  BmpReadResult bmp = ReadBmp(out_.Read("bat.bmp"));
  ASSERT_EQ(bmp.status, BmpStatus::kOk);
  EXPECT_EQ(bmp.image.width, shown.width());
  EXPECT_EQ(bmp.image.height, shown.height());
  for (int y = 0; y < shown.height(); y += 7) {
    for (int x = 0; x < shown.width(); x += 5) {
      const std::uint8_t index =
          bmp.image.pixels[static_cast<std::size_t>(y * bmp.image.width + x)];
      EXPECT_EQ(index, shown.pixelIndex(x, y));
    }
  }
}

TEST_F(PicturePagesTest, ImportFollowsTheTypeAndTheSizeRule) {
  // A 10 x 6 picture of our own.
  ColourTable colours{};
  for (int i = 0; i < 768; ++i)
    colours[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 3);
  Bytes indices(60);
  for (std::size_t i = 0; i < indices.size(); ++i)
    indices[i] = static_cast<std::uint8_t>(i);
  const std::string small = out_.Write("small.bmp", WriteBmp8(10, 6, indices, colours));

  // A bitmap keeps its size: refused.
  Show("bitmaps.lod", "stone01", true);
  prompts_.answers = {small};
  Click("pictabimport");
  EXPECT_EQ(prompts_.asked.back().title, "Import BMP...");
  EXPECT_EQ(prompts_.asked.back().filter, "Bitmap files (*.bmp)|*.bmp");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0],
            "Image file small.bmp must have the same dimensions as original image!");

  // An icon takes any size, and the page shows the new picture at once.
  Show("icons.lod", "isword01", true);
  prompts_.answers = {small};
  Click("pictabimport");
  EXPECT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(Find<QLabel>("pictabwidth")->text(), "Width: 10");
  EXPECT_EQ(Find<ZoomImage>("pictabimage")->image().pixelIndex(3, 2), 23);

  // A sprite cannot be imported: the dialog first, then the refusal.
  Show("sprites.lod", "slime01", true);
  prompts_.answers = {small};
  Click("pictabimport");
  EXPECT_EQ(prompts_.messages.back(), "Importing for current file format not implemented!");
}

TEST_F(PicturePagesTest, SpriteWithoutItsPaletteFileCannotBeShown) {
  const std::string lonely = out_.Write("sprites.lod", SampleFolder().Read("sprites.lod"));
  window_->LoadDataFile(lonely);
  window_->SelectRow(0);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0], "Error!  Unable to show goblin01");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "pictab");
}

TEST_F(PicturePagesTest, PaletteSwatchesFollowTheAreaAndSaveToAct) {
  Show("bitmaps.lod", "pal002");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "paltab");
  auto* area = Find<PaletteArea>("paltabpb");
  const Bytes stored = [&] {
    Bytes all = SampleFolder().Read("bitmaps.lod");
    const TResourceInfo& e =
        window_->DataFile().Entries[static_cast<std::size_t>(window_->SelectedIndex())];
    return Bytes(all.begin() + e.Offset + 48, all.begin() + e.Offset + 816);
  }();
  // The scroll box sizes the area; the swatches follow whatever size it gets.
  auto* box = Find<QScrollArea>("paltabscrollbox");
  window_->show();
  for (QSize boxSize : {QSize(400, 380), QSize(210, 200)}) {
    box->resize(boxSize);
    QImage shot = area->grab().toImage();
    const QSize size = area->size();
    EXPECT_LT(size.width(), boxSize.width());
    for (int index : {0, 15, 17, 255}) {
      SwatchRect s = PaletteSwatch(size.width(), size.height(), index);
      QColor c = shot.pixelColor((s.left + s.right) / 2, (s.top + s.bottom) / 2);
      EXPECT_EQ(c, QColor(stored[index * 3], stored[index * 3 + 1], stored[index * 3 + 2]))
          << index << " at " << size.width();
    }
  }
  prompts_.answers = {out_.File("p.act")};
  Click("savetoact");
  EXPECT_EQ(prompts_.asked.back().title, "Save to ACT...");
  EXPECT_EQ(prompts_.asked.back().filter,
            "Photoshop palette files (*.act)|*.act|All files (*.*)|*.*");
  EXPECT_EQ(out_.Read("p.act"), stored);
}

TEST_F(PicturePagesTest, PcxDecodesBehindTheLoadingPanelAndSavesTwentyFourBits) {
  Show("icons.lod", "vista.pcx");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "pcxtab");
  EXPECT_EQ(Find<QLabel>("pcxtabwidth")->text(), "Width: 63");
  EXPECT_EQ(Find<QLabel>("pcxtabheight")->text(), "Height: 40");
  EXPECT_EQ(Find<QProgressBar>("loadingpercent")->value(), 100);
  EXPECT_FALSE(window_->InputBlocked());
  const QImage shown = Find<ZoomImage>("pcxtabimage")->image();
  prompts_.answers = {out_.File("vista.bmp")};
  Click("pcxtabsavetobmp");
  QImage saved(QString::fromStdString(out_.File("vista.bmp")));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(ReadU16(out_.Read("vista.bmp"), 28), 24);  // bits per pixel in the header
  EXPECT_EQ(saved.pixel(62, 39), shown.pixel(62, 39));
  EXPECT_EQ(saved.pixel(10, 5), shown.pixel(10, 5));
  // The plain PCX of the saved game decodes on the same page.
  Show("save000.vlm", "image.pcx");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "pcxtab");
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(PicturePagesTest, ZoomAndThePixelUnderThePointer) {
  Show("icons.lod", "iorb01");
  auto* image = Find<ZoomImage>("pictabimage");
  const QSize one = image->size();
  QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, "+");
  QApplication::sendEvent(image, &plus);
  EXPECT_EQ(image->zoom(), 2);
  EXPECT_EQ(image->size(), one * 2);
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120 * 20), Qt::NoButton,
                    Qt::ControlModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(image, &wheel);
  EXPECT_EQ(image->zoom(), ZoomImage::kMaxZoom);
  QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::NoModifier, "-");
  for (int i = 0; i < 20; ++i)
    QApplication::sendEvent(image, &minus);
  EXPECT_EQ(image->zoom(), 1);

  image->SetZoom(4);
  QMouseEvent move(QEvent::MouseMove, QPointF(4 * 7 + 1, 4 * 3 + 2), QPointF(), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(image, &move);
  const QString text = window_->statusBar()->findChildren<QLabel*>()[3]->text();
  EXPECT_EQ(text, PixelText(image->image(), 7, 3));
  EXPECT_TRUE(text.startsWith("7, 3: index ")) << text.toStdString();
}

}  // namespace
}  // namespace brindle
