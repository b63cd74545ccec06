// brindle-dat: packing a folder, unpacking a file, and the program's exit codes.
#include "tools/brindle-dat/dat_tool.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "test_support.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TextBytes;

Bytes SourceBmp() {
  Bytes bmp;
  bmp = test::FileBytes(std::string(BRINDLE_DATA_DIR) + "/title.bmp");
  EXPECT_FALSE(bmp.empty());
  return bmp;
}

// Every file of a folder by name.
std::map<std::string, Bytes> Files(const fs::path& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    Bytes b;
    b = test::FileBytes(e.path().string());
    files[e.path().filename().string()] = std::move(b);
  }
  return files;
}

int RunTool(const std::string& args) {
  const std::string command = std::string("'") + BRINDLE_DAT_EXE + "' " + args + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DatTool, ColumnFilesAreNamedByNumberAndMeaning) {
  EXPECT_EQ(ColumnFileName(0), "00-party-value-offsets.txt");
  EXPECT_EQ(ColumnFileName(6), "06-item-names.txt");
  EXPECT_EQ(ColumnFileName(18), "18-item-heights.txt");
  EXPECT_EQ(ColumnFileName(19), "19-column.txt");
  std::set<std::string> names;
  for (int k = 0; k < kPartyDataColumns; ++k)
    names.insert(ColumnFileName(k));
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kPartyDataColumns));
}

TEST(DatTool, UnpackThenPackGivesTheSameFile) {
  TempDir dir;
  ASSERT_TRUE(UnpackGameDataFile(BRINDLE_DAT_FILE, dir.File("src")).ok());
  const Result<DatToolReport> packed = PackGameDataFolder(dir.File("src"), dir.File("again.dat"));
  ASSERT_TRUE(packed.ok()) << packed.message();
  EXPECT_TRUE(packed->warnings.empty());
  Bytes original;
  original = test::FileBytes(BRINDLE_DAT_FILE);
  ASSERT_FALSE(original.empty());
  EXPECT_EQ(dir.Read("again.dat"), original);
}

TEST(DatTool, PackThenUnpackGivesTheSameFilesWhateverTheirShape) {
  // Line breaks of every kind, bytes above 127, a last line without a break, an empty
  // column, and columns beyond the nineteen the editor reads.
  TempDir dir;
  fs::create_directories(dir.path() / "src");
  std::map<std::string, Bytes> source;
  source[kTitleFileName] = SourceBmp();
  for (int k = 0; k < 21; ++k) {
    std::string text = "column " + std::to_string(k) + "\r\nline\rline\n";
    if (k == 3) text = "";
    if (k == 7) text = "caf\xE9\r\n\x80 no break at the end";
    source[ColumnFileName(k)] = TextBytes(text);
  }
  for (const auto& [name, bytes] : source)
    ASSERT_TRUE(WriteWholeFile((dir.path() / "src" / name).string(), bytes).ok());

  ASSERT_TRUE(PackGameDataFolder(dir.File("src"), dir.File("a.dat")).ok());
  const Result<GameData> load = LoadGameDataFile(dir.File("a.dat"));
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->blockCount, 21);
  EXPECT_EQ(load->table.Cell(7, 1), "\x80 no break at the end");
  EXPECT_EQ(load->table.Column(3), std::vector<std::string>(load->table.RowCount()));

  ASSERT_TRUE(UnpackGameDataFile(dir.File("a.dat"), dir.File("out")).ok());
  EXPECT_EQ(Files(dir.path() / "out"), source);
}

TEST(DatTool, EmptyTablesAndMissingPicturesRoundTrip) {
  TempDir dir;
  fs::create_directories(dir.path() / "pic-only");
  ASSERT_TRUE(
      WriteWholeFile((dir.path() / "pic-only" / kTitleFileName).string(), SourceBmp()).ok());
  const Result<DatToolReport> packed = PackGameDataFolder(dir.File("pic-only"), dir.File("p.dat"));
  ASSERT_TRUE(packed.ok()) << packed.message();
  EXPECT_FALSE(packed->warnings.empty());  // none of the editor's columns
  const Result<GameData> load = LoadGameDataFile(dir.File("p.dat"));
  EXPECT_EQ(load->blockCount, 0);
  EXPECT_EQ(load->table.RowCount(), 0);
  ASSERT_TRUE(UnpackGameDataFile(dir.File("p.dat"), dir.File("p")).ok());
  EXPECT_EQ(Files(dir.path() / "p"), Files(dir.path() / "pic-only"));

  fs::create_directories(dir.path() / "text-only");
  ASSERT_TRUE(
      WriteWholeFile((dir.path() / "text-only" / ColumnFileName(0)).string(), TextBytes("1\n"))
          .ok());
  ASSERT_TRUE(PackGameDataFolder(dir.File("text-only"), dir.File("t.dat")).ok());
  EXPECT_EQ(LoadGameDataFile(dir.File("t.dat"))->title.status, TitlePictureStatus::kMissing);
  const Result<DatToolReport> unpacked = UnpackGameDataFile(dir.File("t.dat"), dir.File("t"));
  ASSERT_TRUE(unpacked.ok());
  EXPECT_FALSE(unpacked->warnings.empty());
  EXPECT_EQ(Files(dir.path() / "t"), Files(dir.path() / "text-only"));
}

TEST(DatTool, PackRefusesSourcesThatWouldNotComeBackAsWritten) {
  TempDir dir;
  const fs::path src = dir.path() / "src";
  fs::create_directories(src);
  ASSERT_TRUE(WriteWholeFile((src / ColumnFileName(0)).string(), TextBytes("a")).ok());
  ASSERT_TRUE(WriteWholeFile((src / ColumnFileName(2)).string(), TextBytes("c")).ok());
  Result<DatToolReport> gap = PackGameDataFolder(src.string(), dir.File("x.dat"));
  EXPECT_FALSE(gap.ok());
  EXPECT_NE(gap.message().find(ColumnFileName(1)), std::string::npos) << gap.message();

  ASSERT_TRUE(WriteWholeFile((src / ColumnFileName(1)).string(), Bytes{'b', 0, 'b'}).ok());
  Result<DatToolReport> nul = PackGameDataFolder(src.string(), dir.File("x.dat"));
  EXPECT_FALSE(nul.ok());
  EXPECT_NE(nul.message().find("zero byte at offset 1"), std::string::npos) << nul.message();

  ASSERT_TRUE(WriteWholeFile((src / ColumnFileName(1)).string(), TextBytes("b")).ok());
  ASSERT_TRUE(
      WriteWholeFile((src / kTitleFileName).string(), TextBytes("GIF89a not a bitmap at all"))
          .ok());
  Result<DatToolReport> notBmp = PackGameDataFolder(src.string(), dir.File("x.dat"));
  EXPECT_FALSE(notBmp.ok());
  EXPECT_NE(notBmp.message().find("no BMP"), std::string::npos) << notBmp.message();

  EXPECT_FALSE(PackGameDataFolder(dir.File("nowhere"), dir.File("x.dat")).ok());
  // Nothing was written by any of the refusals, not even a partial file.
  EXPECT_FALSE(fs::exists(dir.path() / "x.dat"));
  EXPECT_FALSE(fs::exists(dir.path() / "x.dat.part"));
}

TEST(DatTool, UnpackRefusesDamagedFilesAndUsedFolders) {
  TempDir dir;
  Bytes dat;
  dat = test::FileBytes(BRINDLE_DAT_FILE);
  ASSERT_FALSE(dat.empty());
  dat.resize(dat.size() - 1);
  dir.Write("cut.dat", dat);
  Result<DatToolReport> cut = UnpackGameDataFile(dir.File("cut.dat"), dir.File("out"));
  EXPECT_FALSE(cut.ok());
  EXPECT_NE(cut.message().find("runs past the end"), std::string::npos) << cut.message();
  EXPECT_FALSE(fs::exists(dir.path() / "out"));

  fs::create_directories(dir.path() / "used");
  dir.Write("used/keep.txt", TextBytes("mine"));
  Result<DatToolReport> used = UnpackGameDataFile(BRINDLE_DAT_FILE, dir.File("used"));
  EXPECT_FALSE(used.ok());
  EXPECT_EQ(dir.Read("used/keep.txt"), TextBytes("mine"));
  EXPECT_EQ(Files(dir.path() / "used").size(), 1u);
}

TEST(DatTool, ProgramExitCodes) {
  TempDir dir;
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("pack onlyone"), 2);
  EXPECT_EQ(RunTool("squash a b"), 2);
  EXPECT_EQ(RunTool("pack '" + dir.File("missing") + "' '" + dir.File("x.dat") + "'"), 1);
  EXPECT_EQ(RunTool("unpack '" + dir.File("missing.dat") + "' '" + dir.File("o") + "'"), 1);
  EXPECT_EQ(RunTool("pack '" + std::string(BRINDLE_DATA_DIR) + "' '" + dir.File("x.dat") + "'"), 0);
  EXPECT_EQ(RunTool("unpack '" + dir.File("x.dat") + "' '" + dir.File("o") + "'"), 0);
  EXPECT_TRUE(fs::exists(dir.path() / "o" / ColumnFileName(18)));
}

}  // namespace
}  // namespace brindle
