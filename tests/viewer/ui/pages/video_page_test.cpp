// The movie page's first frame and facts, for a movie made by our own encoder.
#include <QLabel>
#include <QPixmap>

#include "page_test.h"
#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

class VideoPageTest : public test::PageWindowTest {
 protected:
  // Two frames of 16 x 8: the first red on the left half and blue on the right, the second
  // all red; one compressed 8-bit sound track.
  static Bytes Movie() {
    zoe::EncodeOptions options;
    options.width = 16;
    options.height = 8;
    options.rate = 66;  // ms a frame
    zoe::EncodeAudio sound;
    sound.sampleRate = 22050;
    sound.pcm.assign(2 * 1470, 0x80);
    options.tracks.push_back(sound);
    zoe::EncodeFrame first;
    first.palette[3] = zoe::kComponent[63];  // 1: red
    first.palette[8] = zoe::kComponent[40];  // 2: a blue
    first.pixels.resize(16 * 8);
    for (std::size_t i = 0; i < first.pixels.size(); ++i)
      first.pixels[i] = i % 16 < 8 ? 1 : 2;
    zoe::EncodeFrame second = first;
    std::fill(second.pixels.begin(), second.pixels.end(), 1);
    zoe::EncodeResult made = zoe::EncodeMovie(options, {first, second});
    EXPECT_TRUE(made.ok) << made.error;
    return Bytes(made.movie.begin(), made.movie.end());
  }

  std::string Vid() {
    Bytes junk(300, 0x5A);
    return out_.Write("movies.vid",
                      BuildVid({{"intro", Movie()}, {"broken", junk}, {"x.kno", Movie()}}));
  }
};

TEST_F(VideoPageTest, AMovieShowsItsFirstFrameAndFacts) {
  Select(Vid(), "intro");
  auto* facts = Find<QLabel>("ztptabfacts");
  auto* frame = Find<QLabel>("ztptabframe");
  ASSERT_NE(facts, nullptr);
  EXPECT_EQ(facts->text().toStdString(),
            "width: 16\nheight: 8\nframes: 2\nrate: 66\nframes per second: 15\n"
            "length: 0.13 s\ntrack 0: 22050 Hz, 8-bit, mono, compressed");
  ASSERT_TRUE(frame->isVisibleTo(window_.get()));
  const QImage shown = frame->pixmap().toImage();
  ASSERT_EQ(shown.size(), QSize(16, 8));
  EXPECT_EQ(shown.pixelColor(2, 3), QColor(zoe::kComponent[63], 0, 0));
  EXPECT_EQ(shown.pixelColor(12, 5), QColor(0, 0, zoe::kComponent[40]));
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(VideoPageTest, KinoraAndDamagedMoviesShowTheirSizeAlone) {
  const std::string vid = Vid();
  Select(vid, "intro");
  for (const char* name : {"broken", "x.kno"}) {
    Select(vid, name);
    EXPECT_EQ(Find<QLabel>("ztptabztpsize")->text().left(12), "Movie Size: ") << name;
    EXPECT_TRUE(Find<QLabel>("ztptabfacts")->text().isEmpty()) << name;
    EXPECT_FALSE(Find<QLabel>("ztptabframe")->isVisibleTo(window_.get())) << name;
  }
  EXPECT_TRUE(prompts_.messages.empty());
}

}  // namespace
}  // namespace brindle
