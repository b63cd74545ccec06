#include "viewer/core/edit/export_all.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/identify.h"
#include "viewer/core/formats/entry_types.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;
using test::TextBytes;

struct Opened {
  TDataFile df;
  std::unique_ptr<PosixFile> file;
};

Opened Open(const std::string& path) {
  Opened o;
  SilentHost host;
  EXPECT_TRUE(OpenContainer(o.df, path, host).ok());
  o.file = test::OpenFile(path);
  EXPECT_TRUE(IdentifyAll(o.df, *o.file));
  return o;
}

ExportAllOptions Into(const std::string& dir) {
  ExportAllOptions o;
  o.dir = dir;
  return o;
}

EntryExport Done(int index, ExportOutcome outcome, std::string message = {},
                 std::vector<std::string> notes = {}) {
  EntryExport e;
  e.index = index;
  e.outcome = outcome;
  e.message = std::move(message);
  e.notes = std::move(notes);
  return e;
}

TEST(ExportNames, EntryNamesBecomeFileNames) {
  EXPECT_EQ(ExtractFileName("pic.bmp", "bmp", 0), "pic.bmp");
  EXPECT_EQ(ExtractFileName("pal", "act", 1), "pal.act");
  EXPECT_EQ(ExtractFileName("a.b.c", "wav", 2), "a.b.wav");
  EXPECT_EQ(ExtractFileName("keep.xyz", "", 3), "keep.xyz");
  EXPECT_EQ(ExtractFileName("a/b\\c:d*e?f\"g<h>i|j\x01", "", 4), "a_b_c_d_e_f_g_h_i_j_");
  EXPECT_EQ(ExtractFileName("caf\xe9", "", 5), "café");
  EXPECT_EQ(ExtractFileName("..", "", 6), "_6");
  EXPECT_EQ(ExtractFileName("", "", 7), "_7");

  NameBook book;
  EXPECT_EQ(book.Claim("items.txt", 0), "items.txt");
  EXPECT_EQ(book.Claim("ITEMS.TXT", 4), "ITEMS-4.TXT");
  EXPECT_EQ(book.Claim("items-4.txt", 9), "items-4-9.txt");  // taken by the renamed one
  EXPECT_EQ(book.Claim("noext", 1), "noext");
  EXPECT_EQ(book.Claim("NoExt", 2), "NoExt-2");
  EXPECT_EQ(book.Claim(".hidden", 3), ".hidden");
  EXPECT_EQ(book.Claim(".HIDDEN", 5), ".HIDDEN-5");
}

class ExportAllTest : public ::testing::Test {
 protected:
  std::string Lod() {
    std::vector<NewEntry> entries;
    for (int i = 0; i < 8; ++i) {
      std::string name = "e";  // (built in steps: gcc 12 misreads the one-line sum)
      name += std::to_string(i);
      name += ".evt";
      entries.push_back({name, BuildPackedLodEntry(name, Pattern(30 + i, std::uint8_t(i)), i % 2)});
    }
    Bytes empty = WriteLodEntryHeader({.name = "broken.txt", .packedSize = 2, .unpackedSize = 10});
    empty.insert(empty.end(), {0x78, 0x9C, 0});
    entries.push_back({"broken.txt", empty});
    return dir_.Write("icons.lod", BuildLod("ICONS", entries));
  }
  TempDir dir_;
};

TEST_F(ExportAllTest, WritesEveryEntryWithProgressPerEntry) {
  Opened o = Open(Lod());
  RecordingHost host;
  std::vector<int> heard;
  const std::string out = dir_.File("made/here");
  Result<ExportAllSummary> r = ExportEntries(*o.file, o.df, {0, 1, 2, 3, 4, 5, 6, 7, 8}, Into(out),
                                             host, [&](const EntryExport& done) {
                                               heard.push_back(done.index);
                                               return true;
                                             });
  ASSERT_TRUE(r.ok()) << r.message();
  EXPECT_EQ(r->asked, 9);
  EXPECT_EQ(r->written, 8);
  EXPECT_EQ(r->failed, 1);
  EXPECT_FALSE(r->cancelled);
  EXPECT_EQ(heard, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(test::FileBytes(out + "/e" + std::to_string(i) + ".evt"),
              Pattern(30 + i, std::uint8_t(i)))
        << i;
  }
  ASSERT_EQ(r->trouble.size(), 1u);
  EXPECT_EQ(r->trouble[0].index, 8);
  EXPECT_EQ(r->trouble[0].message, "Error!  Unable to save broken.txt");
  // The bar follows the run, not each entry; messages do not reach the host.
  EXPECT_EQ(host.progress.front(), 0);
  EXPECT_EQ(host.progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(host.progress.begin(), host.progress.end()));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(
      ExportSummaryText(*r, o.df, out),
      "Exported 8 of 9 entries to " + out + ".\nbroken.txt: Error!  Unable to save broken.txt");
}

TEST_F(ExportAllTest, StopsWhenTheListenerSaysSo) {
  Opened o = Open(Lod());
  RecordingHost host;
  int calls = 0;
  Result<ExportAllSummary> r = ExportEntries(*o.file, o.df, {7, 6, 5, 4}, Into(dir_.File("o")),
                                             host, [&](const EntryExport&) { return ++calls < 2; });
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r->cancelled);
  EXPECT_EQ(r->written, 2);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("o/e6.evt")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("o/e5.evt")));
  EXPECT_EQ(ExportSummaryText(*r, o.df, "D"),
            "Exported 2 of 4 entries to D.\nCancelled before the end.");
  // Stopping after the last entry is no cancel.
  r = ExportEntries(*o.file, o.df, {1}, Into(dir_.File("p")), host,
                    [](const EntryExport&) { return false; });
  EXPECT_FALSE(r->cancelled);
  EXPECT_EQ(ExportSummaryText(*r, o.df, "D"), "Exported 1 of 1 entry to D.");
}

TEST_F(ExportAllTest, AFolderThatCannotBeMadeRefusesTheRun) {
  Opened o = Open(Lod());
  dir_.Write("file", TextBytes("in the way"));
  SilentHost host;
  Result<ExportAllSummary> r =
      ExportEntries(*o.file, o.df, {0}, Into(dir_.File("file/sub")), host, nullptr);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.message().rfind("Cannot create folder " + dir_.File("file/sub") + ": ", 0), 0u);
}

TEST_F(ExportAllTest, SummaryListsTroubleUpToItsLimit) {
  TDataFile df;
  for (int i = 0; i < 5; ++i) {
    TResourceInfo e;
    e.Name = "n";
    e.Name += std::to_string(i);
    e.ResType = rtBitmap;
    df.Entries.push_back(e);
  }
  ExportAllSummary s;
  s.asked = 5;
  s.written = 1;
  s.skipped = 1;
  s.failed = 3;
  s.trouble = {Done(0, ExportOutcome::kSkipped), Done(1, ExportOutcome::kFailed, "note\nlast line"),
               Done(2, ExportOutcome::kWithNotes, {}, {"Error Inflating: X"}),
               Done(3, ExportOutcome::kFailed, "m3"), Done(4, ExportOutcome::kFailed, "m4")};
  EXPECT_EQ(ExportSummaryText(s, df, "/d", 3),
            "Exported 1 of 5 entries to /d.\n"
            "n0: not saved: bitmap entries have no file of their own yet\n"
            "n1: last line (note)\n"
            "n2: saved, but Error Inflating: X\n"
            "... and 2 more.");
  // Entries the record no longer holds (emptied while the run went on) go by their index.
  df.Entries.clear();
  EXPECT_EQ(ExportSummaryText(s, df, "/d", 1),
            "Exported 1 of 5 entries to /d.\n"
            "#0: not saved: unidentified entries have no file of their own yet\n"
            "... and 4 more.");
}

}  // namespace
}  // namespace brindle
