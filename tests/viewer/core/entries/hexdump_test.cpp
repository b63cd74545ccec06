#include "viewer/core/entries/hexdump.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/codepage.h"
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

// Each line made on its own is the same as that line of the whole dump, whatever the last
// line's length, and the width is the longest of them.
TEST(HexDump, LinesMadeOneByOneMatchTheWholeDump) {
  for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 4093u, 4096u}) {
    const Bytes payload = test::Pattern(size, 3);
    const std::vector<std::string> whole = HexDump(payload);
    ASSERT_EQ(HexDumpLineCount(size), whole.size()) << size;
    std::size_t widest = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
      EXPECT_EQ(HexDumpLine(payload, i), whole[i]) << size << " line " << i;
      widest = std::max(widest, whole[i].size());
    }
    EXPECT_EQ(HexDumpWidth(size), widest) << size;
  }
}

// The line given for an offset is the one whose offset column starts the byte's run of 16,
// and it shows that byte's two digits in its group.
TEST(HexDump, TheLineOfAnOffsetShowsThatByte) {
  const Bytes payload = test::Pattern(100, 7);
  for (std::size_t offset : {0u, 3u, 15u, 16u, 17u, 63u, 99u}) {
    const std::size_t index = HexDumpLineOf(offset);
    ASSERT_LT(index, HexDumpLineCount(payload.size())) << offset;
    const std::string line = HexDumpLine(payload, index);
    const std::size_t start = std::stoul(line.substr(0, 8));
    ASSERT_LE(start, offset);
    ASSERT_LT(offset, start + 16);
    const std::size_t place = offset - start;
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", payload[offset]);
    EXPECT_EQ(line.substr(8 + place * 2 + place / 4, 2), digits) << offset;
  }
}

// Offsets past seven digits widen their lines; the widest may be the full line before a
// short last one.
TEST(HexDump, WidthCountsTheOffsetsDigits) {
  const Bytes big(10000001, 0x20);
  const std::size_t count = HexDumpLineCount(big.size());
  ASSERT_EQ(count, 2u + 625001u);
  EXPECT_EQ(HexDumpLine(big, count - 1), "10000000 20" + std::string(37, ' ') + " ");
  EXPECT_EQ(HexDumpLine(big, count - 2).substr(0, 8), "9999984 ");
  EXPECT_EQ(HexDumpWidth(big.size()), 63u);  // the headings
  EXPECT_EQ(HexDumpWidth(10000016), 64u);    // the last line, full
  EXPECT_EQ(HexDumpWidth(10000017), 64u);    // the full line before a one-byte last line
}

// The text form goes out in pieces as it is made, each ending with a whole line, and the
// pieces together are the dump through code page 437.
TEST(HexDump, TextComesInWholeLinesAsItIsMade) {
  Bytes payload(300000);
  for (std::size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
  std::vector<std::size_t> pieces;
  std::string text;
  HexDumpText(payload, [&](std::string_view piece) {
    pieces.push_back(piece.size());
    EXPECT_EQ(piece.back(), '\n');
    text += piece;
  });
  EXPECT_GT(pieces.size(), 4u);
  for (std::size_t size : pieces)
    EXPECT_LT(size, 70u * 1024u);
  std::string expected;
  for (const std::string& line : HexDump(payload))
    expected += Cp437ToUtf8(line) + '\n';
  EXPECT_EQ(text, expected);
  // Nothing to dump: the headings and the one empty line, in one piece.
  pieces.clear();
  text.clear();
  HexDumpText(Bytes{}, [&](std::string_view piece) {
    pieces.push_back(piece.size());
    text += piece;
  });
  EXPECT_EQ(pieces.size(), 1u);
  EXPECT_EQ(text, std::string(kHead1) + "\n" + kHead2 + "\n      0" + std::string(40, ' ') + "\n");
}

}  // namespace
}  // namespace brindle
