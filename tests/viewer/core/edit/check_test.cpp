#include "viewer/core/edit/check.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/bitmaps.h"

namespace brindle {
namespace {

using test::RecordingHost;

// An icons archive of two compressed text tables and a 4 x 4 icon, all well formed.
constexpr int kTexts = 2;
Bytes GoodLod() {
  Picture icon;
  icon.width = 4;
  icon.height = 4;
  icon.pixels = test::Pattern(16);
  return BuildLod("ICONS",
                  {{"one.txt", BuildPackedLodEntry("one.txt", test::Pattern(5000), true, 256)},
                   {"two.txt", BuildPackedLodEntry("two.txt", test::Pattern(700, 3), true, 256)},
                   {"face", BuildBitmapEntry("face", icon)}});
}

// Where entry i's directory record and its bytes lie.
std::size_t Record(int i) {
  return static_cast<std::size_t>(kLodDirectoryStart + kLodRecordSize * i);
}
std::size_t EntryStart(const Bytes& lod, int i) {
  return static_cast<std::size_t>(ReadI32(lod, Record(i) + 16) + kLodDirectoryStart);
}
std::size_t EntrySize(const Bytes& lod, int i) {
  return static_cast<std::size_t>(ReadI32(lod, Record(i) + 20));
}

Result<CheckReport> CheckBytes(Bytes bytes, CoreHost& host) {
  MemoryFile file(std::move(bytes));
  TDataFile df;
  if (Status s = ReadContainer(df, file, "icons.lod", host); !s) return s.error();
  if (Status s = IdentifyAll(df, file); !s) return s.error();
  return CheckContainer(df, file, host);
}

CheckReport Check(Bytes bytes) {
  SilentHost quiet;
  Result<CheckReport> r = CheckBytes(std::move(bytes), quiet);
  EXPECT_TRUE(r) << r.message();
  return r ? *r : CheckReport{};
}

// The one problem a damaged archive should have: its entry and the words it must contain.
void ExpectOneProblem(const CheckReport& report, int index, const std::string& words) {
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].index, index);
  EXPECT_NE(report.problems[0].text.find(words), std::string::npos) << report.problems[0].text;
}

bool HasProblem(const CheckReport& report, int index, const std::string& words) {
  for (const CheckProblem& p : report.problems)
    if (p.index == index && p.text.find(words) != std::string::npos) return true;
  return false;
}

TEST(CheckContainer, AWellFormedArchiveHasNoProblemsAndNoUnusedBytes) {
  RecordingHost host;
  const Bytes lod = GoodLod();
  Result<CheckReport> r = CheckBytes(lod, host);
  ASSERT_TRUE(r) << r.message();
  EXPECT_EQ(r->entries, 3);
  EXPECT_TRUE(r->problems.empty()) << r->problems[0].text;
  EXPECT_EQ(r->unreferencedBytes, 0);
  EXPECT_EQ(host.panel, (std::vector<std::string>{"on:Checking icons.lod...", "off"}));
  ASSERT_FALSE(host.progress.empty());
  EXPECT_EQ(host.progress.back(), 100);
  // Bytes appended behind the last entry and a gap between two entries are counted, and are
  // no problem: a rebuild drops them.
  Bytes padded = lod;
  padded.insert(padded.end(), 37, 0xEE);
  PutU32(&padded[kLodLengthOffset], static_cast<std::uint32_t>(padded.size() - kLodDirectoryStart));
  const CheckReport appended = Check(padded);
  EXPECT_TRUE(appended.problems.empty());
  EXPECT_EQ(appended.unreferencedBytes, 37);
  Bytes gap = lod;
  PutU32(&gap[Record(0) + 20], static_cast<std::uint32_t>(EntrySize(lod, 0) - 10));
  EXPECT_EQ(Check(gap).unreferencedBytes, 10);
}

TEST(CheckContainer, EntriesOutsideTheFileOrOverEachOther) {
  const Bytes lod = GoodLod();
  Bytes past = lod;
  PutU32(&past[Record(2) + 20], static_cast<std::uint32_t>(EntrySize(lod, 2) + 1));
  const CheckReport pastReport = Check(past);
  ExpectOneProblem(pastReport, 2, "outside the file");
  EXPECT_EQ(pastReport.unreferencedBytes, 0);  // what of it lies inside the file is its own
  EXPECT_EQ(pastReport.problems[0].name, "face");

  Bytes over = lod;  // the first table said to reach 20 bytes into the second
  PutU32(&over[Record(0) + 20], static_cast<std::uint32_t>(EntrySize(lod, 0) + 20));
  const CheckReport overlap = Check(over);
  ExpectOneProblem(overlap, 1, "overlaps one.txt");
  EXPECT_EQ(overlap.unreferencedBytes, 0);

  Bytes intoDirectory = lod;
  std::fill_n(intoDirectory.begin() + static_cast<std::ptrdiff_t>(Record(0) + 16), 4, 0);
  EXPECT_TRUE(HasProblem(Check(intoDirectory), 0, "overlaps the directory"));
}

TEST(CheckContainer, CompressedPayloadsThatDoNotInflateAsStated) {
  const Bytes lod = GoodLod();
  const std::size_t stream = EntryStart(lod, 0) + kLodHeaderSize;
  const std::size_t streamEnd = EntryStart(lod, 0) + EntrySize(lod, 0);
  Bytes broken = lod;
  broken[stream + 2] = 0xFF;  // a block type deflate does not have
  ExpectOneProblem(Check(broken), 0, "does not inflate");

  Bytes checksum = lod;
  checksum[streamEnd - 1] ^= 0x01;
  ExpectOneProblem(Check(checksum), 0, "fails its checksum");

  Bytes larger = lod;  // the header states more than the stream gives
  PutU32(&larger[EntryStart(lod, 1) + 40], 701);
  ExpectOneProblem(Check(larger), 1, "inflates to 700 bytes, not the 701 stated");

  Bytes smaller = lod;
  PutU32(&smaller[EntryStart(lod, 1) + 40], 699);
  ExpectOneProblem(Check(smaller), 1, "more than the 699 bytes stated");

  Bytes cut = lod;  // the stream's length leaves out its end
  PutU32(&cut[EntryStart(lod, 0) + 20], ReadU32(lod, EntryStart(lod, 0) + 20) - 8);
  ExpectOneProblem(Check(cut), 0, "ends before its stream does");

  Bytes overlong = lod;  // a stream said to run past its entry
  PutU32(&overlong[EntryStart(lod, 0) + 20], ReadU32(lod, EntryStart(lod, 0) + 20) + 1);
  ExpectOneProblem(Check(overlong), 0, "does not fit the entry");
}

TEST(CheckContainer, PicturesThatDoNotDecodeAndAShortLengthField) {
  const Bytes lod = GoodLod();
  Bytes wide = lod;  // more pixels than the payload holds
  PutU16(&wide[EntryStart(lod, 2) + 24], 100);
  ExpectOneProblem(Check(wide), 2, "picture does not decode");

  Bytes shortField = lod;
  PutU32(&shortField[kLodLengthOffset], ReadU32(lod, kLodLengthOffset) - 1);
  const CheckReport r = Check(shortField);
  ExpectOneProblem(r, -1, "ends at " + std::to_string(lod.size()));
  EXPECT_TRUE(r.problems[0].name.empty());
  EXPECT_NE(r.problems[0].text.find("face"), std::string::npos);
}

// The window's text: the summary, then the first problems one a line, each under its entry's
// name (escaped) or the container's file name, and how many more there are.
TEST(CheckContainer, TheReportTextIsCutAfterTheProblemsAsked) {
  CheckReport report;
  report.entries = 9;
  for (int i = 0; i < 4; ++i)
    report.problems.push_back({i, "e\x02" + std::to_string(i), "broken " + std::to_string(i)});
  report.problems.push_back({-1, {}, "the length field"});
  EXPECT_EQ(CheckReportText(report, "/games/icons.lod", 2),
            CheckSummary(report) + "\ne\\x020: broken 0\ne\\x021: broken 1\n... and 3 more");
  EXPECT_EQ(CheckReportText(report, "/games/icons.lod", 5).substr(CheckSummary(report).size()),
            "\ne\\x020: broken 0\ne\\x021: broken 1\ne\\x022: broken 2\ne\\x023: broken "
            "3\nicons.lod: the length field");
  EXPECT_EQ(CheckSummary(report), "9 entries checked, 5 problems, 0 bytes used by no entry");
}

// A read that fails is the check's error, never a problem of the entry it was reading.
TEST(CheckContainer, AFailedReadIsAnError) {
  class FailsPast : public MemoryFile {
   public:
    FailsPast(Bytes b, std::int64_t limit) : MemoryFile(std::move(b)), limit_(limit) {}

   protected:
    Result<std::size_t> DoRead(std::int64_t at, void* d, std::size_t n) override {
      if (at + static_cast<std::int64_t>(n) > limit_)
        return Fail("Input/output error", ErrorKind::kReadFailed);
      return MemoryFile::DoRead(at, d, n);
    }
    std::int64_t limit_;
  };
  const Bytes lod = GoodLod();
  for (int i = 0; i < kTexts + 1; ++i) {
    SCOPED_TRACE(i);
    MemoryFile whole(lod);
    TDataFile df;
    SilentHost quiet;
    ASSERT_TRUE(ReadContainer(df, whole, "icons.lod", quiet));
    ASSERT_TRUE(IdentifyAll(df, whole));
    FailsPast failing(lod, static_cast<std::int64_t>(EntryStart(lod, i) + kLodHeaderSize + 4));
    Result<CheckReport> r = CheckContainer(df, failing, quiet);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.kind(), ErrorKind::kReadFailed);
  }
}

}  // namespace
}  // namespace brindle
