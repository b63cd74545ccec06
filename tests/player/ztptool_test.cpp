// ztptool end to end: BMP and WAV files in, a movie out, and back to the same files; the info
// report; movies from files made by outside tools when they are present.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <tuple>

#include "common/bmp.h"
#include "common/file.h"
#include "common/wav.h"
#include "peers.h"
#include "player/movie/zoe.h"
#include "player/movie/zoe_encode.h"
#include "tools/ztptool/commands.h"

namespace {

namespace fs = std::filesystem;
using brindle::Bytes;
using brindle::WavSound;

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  Bytes pixels;
  brindle::ColourTable palette{};
};

Bytes ToBmp(const Picture& p) {
  return brindle::WriteBmp8(static_cast<int32_t>(p.width), static_cast<int32_t>(p.height), p.pixels,
                            p.palette);
}

Bytes ToWav(const WavSound& s) {
  return brindle::MakeWav(s.format, s.pcm);
}

bool Save(const std::string& path, const Bytes& bytes) {
  return brindle::WriteWholeFile(path, bytes).ok();
}

Bytes Slurp(const std::string& path) {
  brindle::Result<Bytes> bytes = brindle::ReadWholeFile(path);
  EXPECT_TRUE(bytes.ok()) << path;
  return bytes ? std::move(*bytes) : Bytes();
}

struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() /
           ("ztptool_test_" + std::to_string(std::random_device{}()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
};

struct ToolRun {
  int status = 0;
  std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  ToolRun r;
  r.status = ztptool::RunZtpTool(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

Picture MakePicture(uint32_t w, uint32_t h, int frame) {
  Picture p;
  p.width = w;
  p.height = h;
  p.pixels.resize(size_t{w} * h);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      p.pixels[y * w + x] =
          static_cast<uint8_t>(x > 8 + uint32_t(frame) ? (x * y) % 7 : 40 + frame);
    }
  }
  for (int i = 0; i < 768; ++i)
    p.palette[i] = zoe::kComponent[(i * 5 + frame) % 64];
  return p;
}

Picture Load(const std::string& path) {
  brindle::BmpReadOptions options;
  options.widenPalette = true;
  brindle::BmpReadResult r = brindle::ReadBmp(Slurp(path), options);
  EXPECT_EQ(r.status, brindle::BmpStatus::kOk) << path << ": " << r.error;
  Picture p;
  p.width = static_cast<uint32_t>(r.image.width);
  p.height = static_cast<uint32_t>(r.image.height);
  p.pixels = std::move(r.image.pixels);
  p.palette = r.image.colours;
  return p;
}

TEST(ZtpTool, EncodeThenDecodeGivesBackFramesAndSound) {
  TempDir dir;
  std::vector<std::string> args{"encode", "-o", dir / "m.ztp", "--fps", "10", "--ring"};
  std::vector<Picture> pictures;
  for (int f = 0; f < 4; ++f) {
    pictures.push_back(MakePicture(20, 12, f));
    const std::string name = dir / ("in" + std::to_string(f) + ".bmp");
    ASSERT_TRUE(Save(name, ToBmp(pictures.back())));
    args.push_back(name);
  }
  WavSound s;
  s.format = {11025, 2, 16};
  for (int i = 0; i < 11025 * 4 / 10 * 4; ++i)
    s.pcm.push_back(static_cast<uint8_t>(i * 7 / 3));
  ASSERT_TRUE(Save(dir / "a.wav", ToWav(s)));
  WavSound raw = s;
  raw.format = {5000, 1, 8};
  raw.pcm.resize(2000);
  ASSERT_TRUE(Save(dir / "b.wav", ToWav(raw)));
  args.insert(args.begin() + 3,
              {"--audio", dir / "a.wav", "--audio", dir / "b.wav", "--raw-audio"});
  ToolRun enc = Tool(args);
  ASSERT_EQ(enc.status, 0) << enc.err;

  ToolRun dec = Tool({"decode", dir / "m.ztp", "-o", dir / "out/sub"});
  ASSERT_EQ(dec.status, 0) << dec.err;
  for (int f = 0; f < 5; ++f) {
    const Picture got = Load(dir / ("out/sub/frame_0000" + std::to_string(f) + ".bmp"));
    const Picture& want = pictures[f % 4];  // the ring frame shows frame 0 again
    EXPECT_EQ(got.width, 20u);
    EXPECT_EQ(got.height, 12u);
    EXPECT_EQ(got.pixels, want.pixels) << f;
    EXPECT_EQ(got.palette, want.palette) << f;
  }
  EXPECT_FALSE(fs::exists(dir / "out/sub/frame_00005.bmp"));
  for (auto [name, want] : {std::pair{"track_0.wav", &s}, std::pair{"track_1.wav", &raw}}) {
    brindle::Result<WavSound> got = brindle::ReadWav(Slurp(dir / ("out/sub/" + std::string(name))));
    ASSERT_TRUE(got.ok()) << got.message();
    EXPECT_EQ(got->format.rate, want->format.rate);
    EXPECT_EQ(got->format.channels, want->format.channels);
    EXPECT_EQ(got->format.bits, want->format.bits);
    EXPECT_EQ(got->pcm, want->pcm) << name;
  }

  ToolRun info = Tool({"info", dir / "m.ztp"});
  ASSERT_EQ(info.status, 0);
  for (const char* line :
       {"width: 20\n", "height: 12\n", "frames: 4\n", "ring frame: yes\n", "rate: -10000\n",
        "period: 10000\n", "track 0: 11025 Hz, 16-bit, stereo, compressed\n",
        "track 1: 5000 Hz, 8-bit, mono, raw\n", "buffering: preload\n",
        "highest rate start frame: 1\n"}) {
    EXPECT_NE(info.out.find(line), std::string::npos) << line << info.out;
  }
  EXPECT_NE(info.out.find("trees size: "), std::string::npos);
  EXPECT_NE(info.out.find("average frame size: "), std::string::npos);
  EXPECT_NE(info.out.find("highest one-second data rate: "), std::string::npos);
}

// decode, then encode --from the folder it wrote with no other option, gives back the very
// movie for movies encode made: ring frame, rate, lines, each track's storage and lead.
TEST(ZtpTool, DecodeThenEncodeFromTheFolderGivesTheSameMovie) {
  TempDir dir;
  std::vector<std::string> frames;
  for (int f = 0; f < 6; ++f) {
    frames.push_back(dir / ("in" + std::to_string(f) + ".bmp"));
    ASSERT_TRUE(Save(frames.back(), ToBmp(MakePicture(24, 16, f))));
  }
  WavSound stereo;
  stereo.format = {11025, 2, 16};
  for (int i = 0; i < 11025 * 4 * 6 / 12; ++i)
    stereo.pcm.push_back(static_cast<uint8_t>(i * 13 / 5));
  ASSERT_TRUE(Save(dir / "a.wav", ToWav(stereo)));
  WavSound mono;
  mono.format = {8000, 1, 8};
  mono.pcm.assign(8000 * 6 / 12, 0x80);
  ASSERT_TRUE(Save(dir / "b.wav", ToWav(mono)));
  struct Case {
    const char* name;
    std::vector<std::string> options;
  };
  const std::vector<Case> cases = {
      {"plain", {"--fps", "12"}},
      {"ring",
       {"--fps", "12", "--ring", "--lead", "300", "--audio", dir / "a.wav", "--audio",
        dir / "b.wav", "--raw-audio"}},
      {"interlaced", {"--ms", "80", "--interlace", "--lead", "0", "--audio", dir / "b.wav"}},
      {"doubled", {"--fps", "12", "--double", "--audio", dir / "a.wav", "--raw-audio"}},
  };
  for (const Case& c : cases) {
    const std::string movie = dir / (std::string(c.name) + ".ztp");
    std::vector<std::string> args = {"encode", "-o", movie};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), frames.begin(), frames.end());
    ToolRun enc = Tool(args);
    ASSERT_EQ(enc.status, 0) << c.name << enc.err;
    const std::string folder = dir / (std::string(c.name) + "_frames");
    ToolRun dec = Tool({"decode", movie, "-o", folder});
    ASSERT_EQ(dec.status, 0) << c.name << dec.err;
    const std::string again = dir / (std::string(c.name) + "_again.ztp");
    ToolRun rebuilt = Tool({"encode", "-o", again, "--from", folder});
    ASSERT_EQ(rebuilt.status, 0) << c.name << rebuilt.err;
    EXPECT_EQ(Slurp(again), Slurp(movie)) << c.name;
  }
  // Options on the command line win over the folder's.
  ToolRun faster =
      Tool({"encode", "-o", dir / "fast.ztp", "--from", dir / "ring_frames", "--fps", "24"});
  ASSERT_EQ(faster.status, 0) << faster.err;
  EXPECT_NE(Tool({"info", dir / "fast.ztp"}).out.find("rate: -4166\n"), std::string::npos);
  // A folder without its movie.txt says so.
  ToolRun bare = Tool({"encode", "-o", dir / "x.ztp", "--from", dir.path.string()});
  EXPECT_EQ(bare.status, 1);
  EXPECT_NE(bare.err.find("movie.txt"), std::string::npos) << bare.err;
}

// The sample movies make-samples writes come back the same way.
TEST(ZtpTool, SampleMoviesComeBackFromTheirDecodeFolders) {
  TempDir dir;
  for (auto [w, h, frames, ring] :
       {std::tuple{160u, 120u, 48u, false}, std::tuple{96u, 64u, 24u, true}}) {
    const zoe::EncodeResult sample = zoe::MakeSampleMovie(w, h, frames, ring);
    ASSERT_TRUE(sample.ok) << sample.error;
    const std::string movie = dir / "sample.ztp";
    ASSERT_TRUE(Save(movie, sample.movie));
    ASSERT_EQ(Tool({"decode", movie, "-o", dir / "d"}).status, 0);
    ASSERT_EQ(Tool({"encode", "-o", dir / "again.ztp", "--from", dir / "d"}).status, 0);
    EXPECT_EQ(Slurp(dir / "again.ztp"), sample.movie) << w << "x" << h;
    fs::remove_all(dir / "d");
  }
}

TEST(ZtpTool, DoubledMoviesDecodeAtTheirShownHeight) {
  TempDir dir;
  const Picture p = MakePicture(8, 8, 1);
  ASSERT_TRUE(Save(dir / "f.bmp", ToBmp(p)));
  ASSERT_EQ(Tool({"encode", "-o", dir / "d.ztp", "--double", dir / "f.bmp"}).status, 0);
  ASSERT_EQ(Tool({"decode", dir / "d.ztp", "-o", dir / "o"}).status, 0);
  const Picture got = Load(dir / "o/frame_00000.bmp");
  ASSERT_EQ(got.height, 16u);
  for (uint32_t y = 0; y < 16; ++y) {
    EXPECT_TRUE(std::equal(&got.pixels[y * 8], &got.pixels[y * 8 + 8], &p.pixels[(y / 2) * 8]));
  }
  EXPECT_NE(Tool({"info", dir / "d.ztp"}).out.find("height: 16\n"), std::string::npos);
}

TEST(ZtpTool, RefusesBadCommandsAndInputs) {
  TempDir dir;
  EXPECT_EQ(Tool({}).status, 2);
  EXPECT_EQ(Tool({"play"}).status, 2);
  EXPECT_EQ(Tool({"encode", "-o", dir / "x.ztp"}).status, 2);
  EXPECT_EQ(Tool({"encode", "--bogus", "-o", dir / "x.ztp", "a.bmp"}).status, 2);
  EXPECT_EQ(Tool({"decode", dir / "x.ztp"}).status, 2);
  ASSERT_TRUE(Save(dir / "junk.bmp", {'B', 'M', 1, 2, 3}));
  ToolRun r = Tool({"encode", "-o", dir / "x.ztp", dir / "junk.bmp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("junk.bmp"), std::string::npos);
  ASSERT_TRUE(Save(dir / "a.bmp", ToBmp(MakePicture(8, 8, 0))));
  ASSERT_TRUE(Save(dir / "b.bmp", ToBmp(MakePicture(12, 8, 0))));
  EXPECT_EQ(Tool({"encode", "-o", dir / "x.ztp", dir / "a.bmp", dir / "b.bmp"}).status, 1);
  ASSERT_TRUE(Save(dir / "c.bmp", ToBmp(MakePicture(6, 8, 0))));
  r = Tool({"encode", "-o", dir / "x.ztp", dir / "c.bmp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("multiples of 4"), std::string::npos);
  ASSERT_TRUE(Save(dir / "rgb.bmp", brindle::WriteBmp24(8, 8, Bytes(8 * 8 * 3, 7))));
  r = Tool({"encode", "-o", dir / "x.ztp", dir / "rgb.bmp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a palette BMP"), std::string::npos) << r.err;
  EXPECT_EQ(Tool({"info", dir / "a.bmp"}).status, 1);
  EXPECT_EQ(Tool({"decode", dir / "a.bmp", "-o", dir / "o"}).status, 1);
  // A pipe is refused as what it is, at once, not read until someone writes to it.
  const std::string fifo = dir / "pipe.ztp";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  r = Tool({"info", fifo});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "ztptool: " + fifo + " is not a regular file\n");
  EXPECT_EQ(Tool({"decode", fifo, "-o", dir / "o"}).status, 2);
  r = Tool({"encode", "-o", dir / "x.ztp", fifo});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("is not a regular file"), std::string::npos) << r.err;
}

TEST(ZtpTool, DecodeOfACutMovieWritesWhatItHasAndFails) {
  TempDir dir;
  std::vector<std::string> args{"encode", "-o", dir / "m.ztp"};
  for (int f = 0; f < 6; ++f) {
    ASSERT_TRUE(Save(dir / (std::to_string(f) + ".bmp"), ToBmp(MakePicture(64, 64, f * 9))));
    args.push_back(dir / (std::to_string(f) + ".bmp"));
  }
  ASSERT_EQ(Tool(args).status, 0);
  Bytes movie = Slurp(dir / "m.ztp");
  movie.pop_back();  // the last frame is one byte short
  ASSERT_TRUE(Save(dir / "cut.ztp", movie));
  ToolRun r = Tool({"decode", dir / "cut.ztp", "-o", dir / "o"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_TRUE(fs::exists(dir / "o/frame_00004.bmp"));
  EXPECT_FALSE(fs::exists(dir / "o/frame_00005.bmp"));
}

TEST(ZtpTool, MoviesFromOutsideToolsFilesDecodeToTheSameFiles) {
  if (!brindle::test::HavePeer("convert") || !brindle::test::HavePeer("sox"))
    GTEST_SKIP() << "ImageMagick or sox missing";
  TempDir dir;
  // ImageMagick writes palette BMPs run-length coded; frames of a movie with sound from sox.
  for (int f = 0; f < 3; ++f) {
    const std::string cmd =
        "convert -size 32x16 -seed 5 plasma:fractal -roll +" + std::to_string(4 * f) +
        "+0 -colors 64 -type Palette BMP3:" + (dir / ("f" + std::to_string(f) + ".bmp")) +
        " 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  ASSERT_EQ(std::system(
                ("sox -n -r 8000 -c 1 -b 8 " + (dir / "s.wav") + " synth 0.2 sine 300 2>/dev/null")
                    .c_str()),
            0);
  ToolRun enc = Tool({"encode", "-o", dir / "m.ztp", "--fps", "15", "--audio", dir / "s.wav",
                      dir / "f0.bmp", dir / "f1.bmp", dir / "f2.bmp"});
  ASSERT_EQ(enc.status, 0) << enc.err;
  ASSERT_EQ(Tool({"decode", dir / "m.ztp", "-o", dir / "o"}).status, 0);
  for (int f = 0; f < 3; ++f) {
    const Picture in = Load(dir / ("f" + std::to_string(f) + ".bmp"));
    const Picture out = Load(dir / ("o/frame_0000" + std::to_string(f) + ".bmp"));
    EXPECT_EQ(in.pixels, out.pixels);
  }
  // ImageMagick reads our BMP as an 8-bit palette picture of the right size.
  const std::string probe = dir / "probe.txt";
  ASSERT_EQ(
      std::system(
          ("identify -format '%w %h %z' " + (dir / "o/frame_00001.bmp") + " > " + probe).c_str()),
      0);
  const Bytes text = Slurp(probe);
  EXPECT_EQ(std::string(text.begin(), text.end()), "32 16 8");
  // sox reads our WAV and finds the same samples.
  ASSERT_EQ(std::system(("sox " + (dir / "o/track_0.wav") + " -t raw " + (dir / "a.raw") +
                         " && sox " + (dir / "s.wav") + " -t raw " + (dir / "b.raw"))
                            .c_str()),
            0);
  EXPECT_EQ(Slurp(dir / "a.raw"), Slurp(dir / "b.raw"));
}

}  // namespace
