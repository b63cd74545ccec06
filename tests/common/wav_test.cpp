#include "common/wav.h"

#include <gtest/gtest.h>

#include "common/file.h"
#include "peers.h"
#include "test_support.h"

namespace brindle {
namespace {

// 1, 2, 3, ... n.
Bytes Ramp(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<std::uint8_t>(i + 1);
  return b;
}

// A WAV written chunk by chunk, so the reader is checked against the layout rather than
// against our own writer.
struct WavFixture {
  std::uint16_t tag = 1;
  std::uint16_t channels = 2;
  std::uint32_t rate = 11025;
  std::uint16_t bits = 16;
  std::uint32_t formatSize = 16;
  Bytes pcm = Ramp(8);
  std::uint32_t dataSizeShift = 0;  // claim more data than there is
  bool oddChunkFirst = false;       // an unknown chunk of odd size before "fmt "

  Bytes Build() const {
    ByteWriter w;
    w.Text("RIFF").U32(0).Text("WAVE");
    if (oddChunkFirst) w.Text("LIST").U32(3).U8(9).U8(9).U8(9).U8(0);
    ByteWriter fmt;
    fmt.U16(tag).U16(channels).U32(rate).U32(rate * channels * bits / 8);
    fmt.U16(static_cast<std::uint16_t>(channels * bits / 8)).U16(bits);
    Bytes f = fmt.Take();
    f.resize(formatSize, 0);
    if (tag == 0xFFFE && formatSize >= 26) f[24] = 1;  // the sub-format names PCM
    w.Text("fmt ").U32(formatSize).Append(f);
    w.Text("data").U32(static_cast<std::uint32_t>(pcm.size()) + dataSizeShift).Append(pcm);
    return w.Take();
  }
};

TEST(WavReader, ReadsThePcmVariants) {
  WavFixture stereo16;
  WavFixture mono8;
  mono8.channels = 1;
  mono8.bits = 8;
  WavFixture extensible;
  extensible.tag = 0xFFFE;
  extensible.formatSize = 40;
  WavFixture streamed;  // a recorder stopped before it could write the real size
  streamed.dataSizeShift = 1000;
  WavFixture listFirst;
  listFirst.oddChunkFirst = true;
  for (const auto& [name, fx] :
       std::vector<std::pair<std::string, WavFixture>>{{"stereo16", stereo16},
                                                       {"mono8", mono8},
                                                       {"extensible", extensible},
                                                       {"streamed", streamed},
                                                       {"list first", listFirst}}) {
    SCOPED_TRACE(name);
    Result<WavSound> r = ReadWav(fx.Build());
    ASSERT_TRUE(r.ok()) << r.message();
    EXPECT_EQ(r->format.rate, fx.rate);
    EXPECT_EQ(r->format.channels, fx.channels);
    EXPECT_EQ(r->format.bits, fx.bits);
    EXPECT_EQ(r->pcm, fx.pcm);
  }
  WavFixture ragged;  // a half sample frame at the end is dropped
  ragged.pcm = Ramp(6);
  Result<WavSound> r = ReadWav(ragged.Build());
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r->pcm, (Bytes{1, 2, 3, 4}));
}

TEST(WavReader, RefusesWhatIsNotPlainPcm) {
  WavFixture floats;
  floats.tag = 3;
  WavFixture surround;
  surround.channels = 6;
  WavFixture deep;
  deep.bits = 24;
  WavFixture silentRate;
  silentRate.rate = 0;
  WavFixture shortFormat;
  shortFormat.formatSize = 14;
  for (const auto& [name, fx] :
       std::vector<std::pair<std::string, WavFixture>>{{"float", floats},
                                                       {"six channels", surround},
                                                       {"24 bits", deep},
                                                       {"rate 0", silentRate},
                                                       {"short fmt", shortFormat}}) {
    Result<WavSound> r = ReadWav(fx.Build());
    EXPECT_FALSE(r.ok()) << name;
  }
  Bytes noData = WavFixture{}.Build();
  noData.resize(12 + 8 + 16);  // RIFF header and "fmt " only
  EXPECT_FALSE(ReadWav(noData).ok());
  EXPECT_FALSE(ReadWav(Bytes{'R', 'I', 'F', 'F'}).ok());
  EXPECT_EQ(ReadWav(Bytes{}).message(), "not a PCM WAV file");
}

TEST(WavWriter, FieldsAndRoundTrip) {
  const Bytes pcm = {1, 2, 3, 4, 5};  // odd: a pad byte follows
  const Bytes wav = MakeWav({8000, 1, 8}, pcm);
  ASSERT_EQ(wav.size(), 44u + 6);
  EXPECT_EQ(ReadU32(wav, 4), wav.size() - 8);
  EXPECT_EQ(ReadU32(wav, 28), 8000u);  // bytes per second
  EXPECT_EQ(ReadU32(wav, 40), 5u);
  Result<WavSound> back = ReadWav(wav);
  ASSERT_TRUE(back.ok()) << back.message();
  EXPECT_EQ(back->pcm, pcm);
  EXPECT_EQ(back->format.rate, 8000u);
}

TEST(WavReader, AgreesWithSox) {
  if (!test::HavePeer("sox")) GTEST_SKIP() << "sox missing";
  test::TempDir scratch;
  const std::filesystem::path& dir = scratch.path();
  const std::string wav = (dir / "s.wav").string();
  const std::string raw = (dir / "s.raw").string();
  for (const char* format : {"-c 1 -b 8", "-c 2 -b 16"}) {
    SCOPED_TRACE(format);
    ASSERT_EQ(std::system(("sox -n -r 8000 " + std::string(format) + " " + wav +
                           " synth 0.1 sine 300 2>/dev/null && sox " + wav + " -t raw " + raw)
                              .c_str()),
              0);
    Bytes file, want;
    file = test::FileBytes(wav);
    ASSERT_FALSE(file.empty());
    want = test::FileBytes(raw);
    ASSERT_FALSE(want.empty());
    Result<WavSound> r = ReadWav(file);
    ASSERT_TRUE(r.ok()) << r.message();
    EXPECT_EQ(r->format.rate, 8000u);
    EXPECT_EQ(r->pcm, want);
    // sox reads ours back to the same samples.
    ASSERT_TRUE(WriteWholeFile(wav, MakeWav(r->format, r->pcm)).ok());
    ASSERT_EQ(std::system(("sox " + wav + " -t raw " + raw).c_str()), 0);
    want = test::FileBytes(raw);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(r->pcm, want);
  }
}

}  // namespace
}  // namespace brindle
