#include "viewer/core/containers/extract.h"

#include <gtest/gtest.h>

#include <zlib.h>
#include <algorithm>

#include "test_support.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;

// A container image of `lead` filler bytes, then the entry bytes, then `tail` filler.
struct Fixture {
  MemoryFile file;
  TResourceInfo entry;
};

Fixture Place(const Bytes& entryBytes, std::int32_t packed = 0, std::int32_t unpacked = 0) {
  Bytes all(100, 0xEE);
  all.insert(all.end(), entryBytes.begin(), entryBytes.end());
  all.insert(all.end(), 20, 0xDD);
  Fixture f{MemoryFile(all), {}};
  f.entry.Offset = 100;
  f.entry.Size = static_cast<std::int32_t>(entryBytes.size());
  f.entry.PackedSize = packed;
  f.entry.UnpackedSize = unpacked;
  return f;
}

Bytes WithHeader(const Bytes& payload, std::size_t h = 48) {
  Bytes b(h + payload.size(), 0x11);
  std::copy(payload.begin(), payload.end(), b.begin() + static_cast<std::ptrdiff_t>(h));
  return b;
}

TEST(ExtractEntry, StoredPayloadsAndShortEntries) {
  RecordingHost host;
  // One byte after the header is too little for a marker: taken as stored.
  auto one = Place(WithHeader({0x78}));
  EXPECT_EQ(ExtractEntry(one.file, one.entry, 48, host), Bytes{0x78});
  // An entry no longer than its header comes back whole.
  auto shortEntry = Place(Pattern(30));
  EXPECT_EQ(ExtractEntry(shortEntry.file, shortEntry.entry, 48, host), Pattern(30));
  // A zlib stream at another level is not ours: stored bytes.
  Bytes other = BuildCompressedPayload(Pattern(50));
  other[1] = 0xDA;
  auto level9 = Place(WithHeader(other), static_cast<std::int32_t>(other.size()), 50);
  EXPECT_EQ(ExtractEntry(level9.file, level9.entry, 48, host), other);
  EXPECT_TRUE(host.messages.empty());
}

TEST(ExtractEntry, InflatesMarkedPayloads) {
  RecordingHost host;
  Bytes text = Pattern(5000, 3);
  Bytes z = BuildCompressedPayload(text);
  ASSERT_EQ(z[0], 0x78);
  ASSERT_EQ(z[1], 0x9C);
  auto f = Place(WithHeader(z), static_cast<std::int32_t>(z.size()), 5000);
  EXPECT_EQ(ExtractEntry(f.file, f.entry, 48, host), text);
  EXPECT_EQ(ExtractBinEntry(f.file, f.entry, 48, host), text);
  // Map entries: 8-byte header.
  auto m = Place(WithHeader(z, 8), static_cast<std::int32_t>(z.size()), 5000);
  EXPECT_EQ(ExtractEntry(m.file, m.entry, 8, host), text);
  EXPECT_TRUE(host.messages.empty());
}

TEST(ExtractBinEntry, StoredComesWithItsHeader) {
  RecordingHost host;
  Bytes entry = WithHeader(Pattern(40));
  auto f = Place(entry);
  EXPECT_EQ(ExtractBinEntry(f.file, f.entry, 48, host), entry);
  EXPECT_EQ(ExtractEntry(f.file, f.entry, 48, host), Pattern(40));
}

TEST(InflatePayload, ResultCodesAndMessages) {
  Bytes data = Pattern(1000, 9);
  Bytes z = BuildCompressedPayload(data);
  {
    // The stream without its check value: every byte inflated, then BUF_ERROR.
    RecordingHost host;
    InflateResult r = InflateBytes(ByteView(z).first(z.size() - 4), 1000, host);
    EXPECT_EQ(r.status, InflateStatus::kBufError);
    EXPECT_EQ(r.bytes, data);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error Inflating: BUF_ERROR!"});
  }
  {
    // An unpacked size below the real one: the first bytes, BUF_ERROR.
    RecordingHost host;
    InflateResult r = InflateBytes(z, 600, host);
    EXPECT_EQ(r.status, InflateStatus::kBufError);
    EXPECT_EQ(r.bytes, Bytes(data.begin(), data.begin() + 600));
    EXPECT_EQ(host.messages.size(), 1u);
  }
  {
    // A larger one: success, the rest zero.
    RecordingHost host;
    InflateResult r = InflateBytes(z, 1200, host);
    EXPECT_EQ(r.status, InflateStatus::kOk);
    ASSERT_EQ(r.bytes.size(), 1200u);
    EXPECT_EQ(Bytes(r.bytes.begin(), r.bytes.begin() + 1000), data);
    EXPECT_EQ(r.bytes[1100], 0);
    EXPECT_TRUE(host.messages.empty());
  }
  {
    // A wrong check value: DATA_ERROR, the inflated bytes kept.
    RecordingHost host;
    Bytes bad = z;
    bad.back() ^= 0xFF;
    InflateResult r = InflateBytes(bad, 1000, host);
    EXPECT_EQ(r.status, InflateStatus::kDataError);
    EXPECT_EQ(r.bytes, data);
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error Inflating: DATA_ERROR!"});
  }
  {
    // Marked but stored with unpacked size 0: empty and BUF_ERROR.
    RecordingHost host;
    InflateResult r = InflateBytes(z, 0, host);
    EXPECT_TRUE(r.bytes.empty());
    EXPECT_EQ(host.messages, std::vector<std::string>{"Error Inflating: BUF_ERROR!"});
  }
  {
    // Nothing after the marker: empty, no message.
    RecordingHost host;
    auto f = Place(WithHeader({0x78, 0x9C, 1, 2}), 2, 100);
    EXPECT_TRUE(ExtractEntry(f.file, f.entry, 48, host).empty());
    EXPECT_TRUE(host.messages.empty());
  }
  {
    // Garbage after the marker.
    RecordingHost host;
    InflateResult r = InflateBytes(Bytes{0x78, 0x9C, 0xFF, 0xFF, 0xFF}, 10, host);
    EXPECT_EQ(r.status, InflateStatus::kDataError);
    EXPECT_EQ(r.bytes.size(), 10u);
  }
}

TEST(InflatePayload, LyingSizesCostNoMoreThanTheFileCouldHold) {
  RecordingHost host;
  Bytes z = BuildCompressedPayload(Pattern(100));
  // An unpacked size no stream of this length can reach.
  InflateResult r = InflateBytes(z, 0x7FFFFFF0, host);
  EXPECT_EQ(r.status, InflateStatus::kBufError);
  EXPECT_EQ(r.bytes, Pattern(100));
  // A packed size far beyond the file.
  auto f = Place(WithHeader(z), 0x7FFFFFF0, 100);
  EXPECT_EQ(ExtractEntry(f.file, f.entry, 48, host), Pattern(100));
  // A stored entry claiming 2 GB is cut to the file; within the file's size the part past
  // its end reads as zero.
  auto big = Place(WithHeader(Pattern(10)));
  big.entry.Size = 0x7FFFFFF0;
  EXPECT_LE(ExtractEntry(big.file, big.entry, 48, host).size(),
            static_cast<std::size_t>(big.file.Size()));
  auto tail = Place(WithHeader(Pattern(10)));
  tail.entry.Size += 30;  // 20 filler bytes follow, then 10 past the end
  Bytes got = ExtractEntry(tail.file, tail.entry, 48, host);
  ASSERT_EQ(got.size(), 40u);
  EXPECT_EQ(got[29], 0xDD);
  EXPECT_EQ(got[39], 0);
  // Negative sizes and offsets read nothing and do not crash.
  auto neg = Place(WithHeader(z), -5, -7);
  neg.entry.Offset = -1000;
  EXPECT_NO_FATAL_FAILURE(ExtractEntry(neg.file, neg.entry, 48, host));
}

TEST(BuildCompressedPayload, SizesAndRoundTrip) {
  EXPECT_EQ(CompressBufferSize(1000), 1013u);
  EXPECT_EQ(CompressBufferSize(0), 12u);
  EXPECT_EQ(CompressBufferSize(500), 512u);  // 512.5 rounds to the even neighbour
  RecordingHost host;
  for (std::size_t n : {0u, 1u, 10u, 4096u, 100000u}) {
    Bytes data = Pattern(n, 5);
    // Incompressible data too: every byte different from a simple pattern.
    for (std::size_t i = 0; i < n; ++i)
      data[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    Bytes z = BuildCompressedPayload(data);
    ASSERT_GE(z.size(), 2u);
    EXPECT_EQ(z[0], 0x78);
    EXPECT_EQ(z[1], 0x9C);
    EXPECT_EQ(InflateBytes(z, static_cast<std::int32_t>(n), host).bytes, data);
  }
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace brindle
