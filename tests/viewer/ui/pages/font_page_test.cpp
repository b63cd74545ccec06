#include "viewer/ui/pages/font_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <cstring>
#include <set>

#include "common/bmp.h"
#include "samples.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/ui/pages/page_test.h"

namespace brindle {
namespace {

class FontPageTest : public test::PageWindowTest {
 protected:
  FontPageTest() {
    for (const samples::SampleContainer& c : samples::BuildSampleFolder()) {
      if (c.fileName == "icons.lod") icons_ = out_.Write(c.fileName, samples::BuildContainer(c));
    }
  }
  QImage Sheet() { return Find<ZoomImage>("fnttabimage")->image(); }
  QImage Text() { return Find<ZoomImage>("fnttabtxtimage")->image(); }

  // The BMP file as an image of RGB pixels.
  QImage ReadSaved(const std::string& name) {
    BmpReadOptions rgb;
    rgb.readTrueColour = true;
    BmpReadResult bmp = ReadBmp(out_.Read(name), rgb);
    EXPECT_EQ(bmp.status, BmpStatus::kOk);
    EXPECT_EQ(bmp.image.bitsPerPixel, 24);
    QImage image(bmp.image.width, bmp.image.height, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
      std::memcpy(image.scanLine(y),
                  &bmp.image.pixels[static_cast<std::size_t>(y) * image.width() * 3],
                  static_cast<std::size_t>(image.width()) * 3);
    return image;
  }

  std::string icons_;
};

// The colours a rendering uses, as a set of 0xRRGGBB.
std::set<QRgb> ColoursOf(const QImage& image) {
  std::set<QRgb> seen;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      seen.insert(image.pixel(x, y) & 0xFFFFFF);
  return seen;
}

TEST_F(FontPageTest, ShowsBothLayoutsAsSheetAndTypedLineInTheFirstColours) {
  for (const char* font : {"small.fnt", "large.fnt"}) {
    Select(icons_, font);
    EXPECT_EQ(window_->CurrentPage()->objectName(), "fnttab");
    // Rows close past 300 pixels: never wider than 300 plus one glyph.
    EXPECT_GT(Sheet().width(), 300) << font;
    EXPECT_LT(Sheet().width(), 330) << font;
    EXPECT_EQ(ColoursOf(Sheet()), (std::set<QRgb>{0xFF0000, 0x000000, 0xFFFFFF})) << font;
    EXPECT_EQ(ColoursOf(Text()), (std::set<QRgb>{0xFF0000, 0x000000, 0xFFFFFF})) << font;
  }
  EXPECT_TRUE(Find<QLineEdit>("fnttabedit")->text().contains("brindle"));
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FontPageTest, AChosenColourRendersBothPicturesAgainAndACancelChangesNothing) {
  Select(icons_, "small.fnt");
  const QImage sheet = Sheet(), text = Text();
  prompts_.colourAnswers = {0x00FF00, std::nullopt};
  Click("fnttabbg");
  Click("fnttabfg");
  EXPECT_EQ(prompts_.askedColours, (std::vector<std::uint32_t>{0x000000, 0xFF0000}));
  for (auto [before, after] : {std::pair{sheet, Sheet()}, {text, Text()}}) {
    ASSERT_EQ(before.size(), after.size());
    for (int y = 0; y < before.height(); ++y)
      for (int x = 0; x < before.width(); ++x) {
        const QRgb was = before.pixel(x, y) & 0xFFFFFF;
        ASSERT_EQ(after.pixel(x, y) & 0xFFFFFF, was == 0 ? 0x00FF00u : was) << x << "," << y;
      }
  }
}

TEST_F(FontPageTest, TypingRendersTheLineAsItChanges) {
  Select(icons_, "small.fnt");
  auto* edit = Find<QLineEdit>("fnttabedit");
  edit->setText("");
  EXPECT_EQ(Text().size(), QSize(1, 1));
  // The 5 x 7 letters come with a one-pixel rim: 7 x 9, and one pixel between them.
  edit->setText("HI!");
  EXPECT_EQ(Text().size(), QSize(7 + 1 + 5 + 1 + 3, 9));
  // A TAB shows character 31, and so does anything below it.
  edit->setText("\t");
  const QImage tab = Text();
  edit->setText(QString(QChar(0x1F)));
  EXPECT_EQ(Text(), tab);
}

TEST_F(FontPageTest, BothSaveButtonsRenderAfreshWithTheCurrentColours) {
  Select(icons_, "large.fnt");
  prompts_.colourAnswers = {0x2040FF};
  Click("fnttabos");
  Find<QLineEdit>("fnttabedit")->setText("brindle");
  prompts_.answers = {out_.File("sheet.bmp"), out_.File("text.bmp")};
  Click("fnttabsavetobmpwhole");
  Click("fnttabsavetobmptext");
  ASSERT_EQ(prompts_.asked.size(), 2u);
  for (const FileDialogSpec& asked : prompts_.asked) {
    EXPECT_EQ(asked.title, "Save to BMP...");
    EXPECT_EQ(asked.filter, "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*");
    EXPECT_EQ(asked.proposedName, "large.bmp");
  }
  EXPECT_EQ(ReadSaved("sheet.bmp"), Sheet().convertToFormat(QImage::Format_RGB888));
  EXPECT_EQ(ReadSaved("text.bmp"), Text().convertToFormat(QImage::Format_RGB888));
  EXPECT_TRUE(ColoursOf(Sheet()).count(0x2040FF));
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(FontPageTest, AFontTooShortForItsTablesCannotBeShownOrSaved) {
  const std::string path = out_.Write(
      "bad.lod",
      BuildLod("ICONS", {{"bad.fnt", BuildPackedLodEntry("bad.fnt", Bytes(100, 3), true)}}));
  Select(path, "bad.fnt");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0], "Error!  Unable to show bad.fnt");
  EXPECT_EQ(window_->CurrentPage()->objectName(), "fnttab");
  prompts_.answers = {out_.File("bad.bmp")};
  Click("fnttabsavetobmpwhole");
  EXPECT_EQ(prompts_.messages.back(), "Error!  Unable to save bad.fnt");
}

}  // namespace
}  // namespace brindle
