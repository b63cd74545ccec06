// ImageMagick as the outside peer: BMP and PCX files it writes are imported and decoded, and
// the BMP files we write are read back by it with the same colours.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"
#include "viewer/core/formats/pcx.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;

// The standard output of a shell command, or nothing when it fails.
std::optional<Bytes> RunTool(const std::string& command) {
  FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return std::nullopt;
  Bytes out;
  std::uint8_t buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
    out.insert(out.end(), buffer, buffer + n);
  if (::pclose(p) != 0) return std::nullopt;
  return out;
}

bool HaveImageMagick() {
  static const bool have = [] {
    std::optional<Bytes> v = RunTool("convert -version");
    const std::string text = v ? std::string(v->begin(), v->end()) : std::string();
    return text.find("ImageMagick") != std::string::npos;
  }();
  return have;
}

#define REQUIRE_IMAGEMAGICK()                                                              \
  if (!HaveImageMagick())                                                                  \
  GTEST_SKIP() << "ImageMagick's convert is not installed (scripts/install-deps installs " \
                  "it); the peer checks did not run"

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

// What ImageMagick sees in a picture file: (red, green, blue) per pixel, top row first.
Bytes PeerRgb(const std::string& path) {
  std::optional<Bytes> rgb = RunTool("convert " + Quote(path) + " -depth 8 rgb:-");
  return rgb.value_or(Bytes());
}

// What our picture shows: indices looked up in its colours.
Bytes ShownRgb(const Picture& p) {
  if (p.format == PictureFormat::kRgb24) return p.pixels;
  Bytes rgb;
  for (std::uint8_t i : p.pixels)
    rgb.insert(rgb.end(), p.colours.begin() + 3 * i, p.colours.begin() + 3 * i + 3);
  return rgb;
}

// A picture of many colours: a swirled gradient, the same on every run.
constexpr const char* kSource = "-size 37x23 gradient:gold-navy -swirl 120";

TEST(ImageMagickPeers, ImportsTheEightBitBmpsItWrites) {
  REQUIRE_IMAGEMAGICK();
  TempDir dir;
  struct Case {
    std::string name;
    std::string options;
  };
  for (const Case& c : std::vector<Case>{
           {"plain.bmp", "-colors 200 -type Palette -compress None BMP3:"},
           {"rle.bmp", "-colors 200 -type Palette -compress RLE BMP3:"},
           // Sixteen colours used, stored as RLE8 (its uncompressed form is 4-bit, below).
           {"sixteen.bmp", "-colors 16 -type Palette -compress RLE BMP3:"},
           // The OS/2 form: a 12-byte header and 3-byte colours.
           {"os2.bmp", "-colors 200 -type Palette BMP2:"},
       }) {
    SCOPED_TRACE(c.name);
    const std::string file = dir.File(c.name);
    ASSERT_TRUE(RunTool("convert " + std::string(kSource) + " " + c.options + Quote(file)));
    std::string lod = dir.Write("icons.lod", BuildLod("ICONS", {{"orb", Pattern(900)}}));
    TDataFile df;
    RecordingHost host;
    ASSERT_TRUE(OpenContainer(df, lod, host).ok());
    df.Entries[0].ResType = rtIcon;
    df.Entries[0].Identified = true;
    ASSERT_TRUE(ImportBitmapFile(df, 0, file, false, host).ok());
    EXPECT_TRUE(host.messages.empty());

    auto container = test::OpenFile(lod);
    EXPECT_TRUE(IdentifyEntry(df, 0, *container));
    PictureResult r = DecodeBitmapEntry(*container, df.Entries[0], host);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.picture.width, 37);
    EXPECT_EQ(r.picture.height, 23);
    EXPECT_EQ(ShownRgb(r.picture), PeerRgb(file));
  }
}

TEST(ImageMagickPeers, RefusesItsSixteenColourAndTrueColourBmps) {
  REQUIRE_IMAGEMAGICK();
  TempDir dir;
  const std::string four = dir.File("four.bmp");
  const std::string rgb = dir.File("rgb.bmp");
  ASSERT_TRUE(
      RunTool("convert " + std::string(kSource) + " -colors 16 -type Palette BMP3:" + four));
  ASSERT_TRUE(RunTool("convert " + std::string(kSource) + " -type TrueColor BMP3:" + rgb));
  std::string lod = dir.Write("icons.lod", BuildLod("ICONS", {{"orb", Pattern(900)}}));
  const Bytes before = dir.Read("icons.lod");
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  EXPECT_EQ(ImportBitmapFile(df, 0, four, false, host).message(),
            "Image file four.bmp must be in 8bit color format! (Must include palette)");
  EXPECT_EQ(ImportBitmapFile(df, 0, rgb, false, host).message(),
            "Image file rgb.bmp must be in 8bit color format! (Must include palette)");
  EXPECT_EQ(dir.Read("icons.lod"), before);
}

TEST(ImageMagickPeers, DecodesItsPcxFiles) {
  REQUIRE_IMAGEMAGICK();
  TempDir dir;
  for (const std::string size : {"37x23", "40x9", "1x1"}) {
    SCOPED_TRACE(size);
    const std::string file = dir.File("p.pcx");
    ASSERT_TRUE(RunTool("convert -size " + size +
                        " gradient:gold-navy -swirl 120 -type TrueColor PCX:" + Quote(file)));
    PictureResult r = DecodePcxFile(dir.Read("p.pcx"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(std::to_string(r.picture.width) + "x" + std::to_string(r.picture.height), size);
    EXPECT_EQ(r.picture.pixels, PeerRgb(file));
  }
}

TEST(ImageMagickPeers, ReadsOurBmpsWithTheSameColours) {
  REQUIRE_IMAGEMAGICK();
  TempDir dir;
  Picture indexed;
  indexed.width = 13;  // rows padded to 16 bytes
  indexed.height = 7;
  indexed.pixels = Pattern(13 * 7, 3);
  for (std::size_t i = 0; i < indexed.colours.size(); ++i)
    indexed.colours[i] = static_cast<std::uint8_t>(i * 37 + 11);
  const std::string eight = dir.Write("eight.bmp", PictureToBmp(indexed));
  EXPECT_EQ(PeerRgb(eight), ShownRgb(indexed));

  Picture rgb;
  rgb.format = PictureFormat::kRgb24;
  rgb.width = 5;  // rows of 15 bytes padded to 16
  rgb.height = 3;
  rgb.pixels = Pattern(5 * 3 * 3, 40);
  const std::string twentyFour = dir.Write("rgb.bmp", PictureToBmp(rgb));
  EXPECT_EQ(PeerRgb(twentyFour), rgb.pixels);
}

}  // namespace
}  // namespace brindle
