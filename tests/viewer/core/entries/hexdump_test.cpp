#include "viewer/core/entries/hexdump.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace brindle {
namespace {

const char* kHead1 = "Offset  Hexidecimal Data                       Data";
const char* kHead2 = "------- -----------------------------------    ----------------";

TEST(HexDump, LinesAndColumns) {
  auto lines = HexDump(Bytes{0x48, 0x65, 0x0A, 0x6C});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], kHead1);
  EXPECT_EQ(lines[1], kHead2);
  EXPECT_EQ(lines[2], "      0 48650A6C" + std::string(31, ' ') + "He.l");

  Bytes seventeen = test::Pattern(17, 0x30);
  lines = HexDump(seventeen);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2].size(), 63u);
  EXPECT_EQ(lines[2].substr(47), std::string(seventeen.begin(), seventeen.begin() + 16));
  char last[3];
  std::snprintf(last, sizeof last, "%02X", seventeen[16]);
  EXPECT_EQ(lines[3], "     16 " + std::string(last) + std::string(37, ' ') +
                          static_cast<char>(seventeen[16]));
}

TEST(HexDump, EmptyStreamStillGivesOneLine) {
  auto lines = HexDump(Bytes{});
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "      0" + std::string(40, ' '));
  // Exactly 16 bytes: one data line.
  EXPECT_EQ(HexDump(Bytes(16, 0x41)).size(), 3u);
}

TEST(HexDump, CharacterColumnRule) {
  auto lines = HexDump(Bytes{0x00, 0x0D, 0x0E, 0xFF});
  EXPECT_EQ(lines[2].substr(47), std::string("..") + '\x0E' + '\xFF');
}

TEST(HexDump, LongOffsetsPushTheLineRight) {
  Bytes big(10000016, 0x20);
  auto lines = HexDump(big);
  EXPECT_EQ(lines.back().substr(0, 9), "10000000 ");
  EXPECT_EQ(lines.back().size(), 64u);
}

TEST(HexDump, ProgressOnlyOnChanges) {
  test::RecordingHost host;
  HexDump(Bytes(16 * 1000, 1), &host);
  ASSERT_FALSE(host.progress.empty());
  EXPECT_EQ(host.progress.back(), 100);
  EXPECT_LE(host.progress.size(), 101u);
}

}  // namespace
}  // namespace brindle
