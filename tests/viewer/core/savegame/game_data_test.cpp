// Loading the game data file: the cipher, the lines, the table, the title picture, and
// files that are damaged or built to hurt.
#include "viewer/core/savegame/game_data.h"
#include "viewer/core/settings/app_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <random>

#include "test_support.h"

namespace brindle {
namespace {

using test::TempDir;
using test::TextBytes;

// A block as it is stored: the 32-bit size, then the bytes.
void AppendBlock(ByteWriter& w, const Bytes& stored) {
  w.U32(static_cast<std::uint32_t>(stored.size()));
  w.Append(stored);
}

Bytes Scrambled(const std::string& text) {
  Bytes b = TextBytes(text);
  ScrambleStream(b, kGameDataKey);
  return b;
}

// A small but complete BMP file: 24 bits, bottom-up rows padded to four bytes.
Bytes TinyBmp(int width, int height) {
  const int stride = (width * 3 + 3) / 4 * 4;
  ByteWriter w;
  w.Text("BM").U32(static_cast<std::uint32_t>(54 + stride * height)).U32(0).U32(54);
  w.U32(40).I32(width).I32(height).U16(1).U16(24).U32(0);
  w.U32(static_cast<std::uint32_t>(stride * height)).U32(2835).U32(2835).U32(0).U32(0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < stride; ++x)
      w.U8(static_cast<std::uint8_t>(x * 5 + y * 11));
  }
  return w.Take();
}

// Raw deflate straight from zlib, with or without the big-endian Adler-32 after it.
Bytes RawDeflate(const Bytes& data, bool withCheck) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out(deflateBound(&zs, static_cast<uLong>(data.size())) + 4);
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (withCheck) {
    const uLong a = adler32(adler32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
      out.push_back(static_cast<std::uint8_t>(a >> shift));
  }
  return out;
}

Bytes FileWithPicture(const Bytes& stored, std::uint32_t inflated) {
  ByteWriter w;
  w.U32(static_cast<std::uint32_t>(stored.size())).U32(inflated).Append(stored);
  return w.Take();
}

// ---- the cipher ----------------------------------------------------------------------

TEST(DescrambleStream, MatchesBytesWorkedOutFromTheFormula) {
  // Worked out by hand from the key rule: high byte of 40213 is 0x9D, and so on.
  Bytes stored = {0xAC, 0xF3, 0xA4, 0xD0};
  DescrambleStream(stored, kGameDataKey);
  EXPECT_EQ(stored, TextBytes("12\r\n"));

  Bytes plain = TextBytes("Sword\nAxe");
  ScrambleStream(plain, kGameDataKey);
  EXPECT_EQ(plain, (Bytes{0xCE, 0xFA, 0x8B, 0x7C, 0xB1, 0xA3, 0xDC, 0xE0, 0xD6}));
}

TEST(DescrambleStream, InvertsScramblingForAnyBytesAndKey) {
  std::mt19937 rng(7);
  for (std::uint16_t key :
       {std::uint16_t{0}, std::uint16_t{1}, kGameDataKey, std::uint16_t{65535}}) {
    Bytes original(4096);
    for (auto& b : original)
      b = static_cast<std::uint8_t>(rng());
    Bytes work = original;
    ScrambleStream(work, key);
    EXPECT_NE(work, original);
    DescrambleStream(work, key);
    EXPECT_EQ(work, original) << "key " << key;
  }
}

TEST(DescrambleStream, KeyFollowsTheStoredByteSoADamagedByteSpoilsOnlyWhatFollows) {
  Bytes stored = Scrambled("the quick brown fox jumps over the lazy dog");
  Bytes damaged = stored;
  damaged[10] ^= 0x40;
  DescrambleStream(stored, kGameDataKey);
  DescrambleStream(damaged, kGameDataKey);
  EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + 10, damaged.begin()));
  EXPECT_EQ(damaged[10], stored[10] ^ 0x40);  // the byte itself only by its own change
  EXPECT_FALSE(std::equal(stored.begin() + 11, stored.end(), damaged.begin() + 11));
}

// ---- lines ---------------------------------------------------------------------------

TEST(SplitTextLines, EveryLineBreakKindAndTheZeroByte) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"a", {"a"}},      // last line without a break
      {"a\r\n", {"a"}},  // a final break adds no empty line
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"a\n\n", {"a", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR is two breaks
      {"a\r\r\nb", {"a", "", "b"}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // a zero byte ends the text
      {std::string("\0abc", 4), {}},
      {"caf\xE9 \x80", {"caf\xE9 \x80"}},  // bytes are kept as stored
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitTextLines(TextBytes(c.text)), c.lines) << "text of " << c.text.size();
  }
}

// ---- the table -----------------------------------------------------------------------

TEST(PartyDataTable, GrowsButNeverShrinksAndReadsEmptyOutside) {
  PartyDataTable t;
  EXPECT_EQ(t.ColCount(), kPartyDataColumns);
  EXPECT_EQ(t.RowCount(), 0);
  t.SetColumn(2, {"a", "b", "c"});
  t.SetColumn(21, {"x"});
  EXPECT_EQ(t.ColCount(), 22);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cell(2, 1), "b");
  EXPECT_EQ(t.Cell(21, 1), "");  // below the column's last line
  EXPECT_EQ(t.Cell(22, 0), "");
  EXPECT_EQ(t.Cell(-1, 0), "");
  EXPECT_EQ(t.Cell(2, -1), "");
  EXPECT_EQ(t.Column(21), (std::vector<std::string>{"x", "", ""}));
  EXPECT_EQ(t.Column(99).size(), 3u);

  t.SetColumn(2, {});  // a block without lines clears its column; the rows stay
  EXPECT_EQ(t.Cell(2, 0), "");
  EXPECT_EQ(t.RowCount(), 3);
}

TEST(PartyDataTable, FindRowIgnoresCaseOfEveryWindows1252Letter) {
  PartyDataTable t;
  t.SetColumn(6, {"3", "Iron Dagger", "\xC9p\xE9\x65 \x8A", "iron dagger"});
  EXPECT_EQ(t.FindRow(6, "IRON DAGGER"), 1);  // the first match wins
  EXPECT_EQ(t.FindRow(6, "\xE9P\xC9\x45 \x9A"), 2);
  EXPECT_EQ(t.FindRow(6, "Iron Dagge"), -1);
  EXPECT_EQ(t.FindRow(7, "x"), -1);
  // The multiplication and division signs sit where a capital and its small letter would.
  EXPECT_FALSE(EqualsIgnoreCase1252("\xD7", "\xF7"));
  EXPECT_TRUE(EqualsIgnoreCase1252("\x9F", "\xFF"));

  t.SetColumn(0, {"a"});  // shorter than the table: its empty rows can be found
  EXPECT_EQ(t.FindRow(0, ""), 1);
}

TEST(PartyDataTable, IntCellIsStrict) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;
  };
  const std::vector<Case> cases = {
      {"12", 12},
      {"-3", -3},
      {"+4", 4},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", {}},
      {"-2147483649", {}},
      {"99999999999999999999", {}},
      {"", {}},
      {"-", {}},
      {" 5", {}},
      {"5 ", {}},
      {"0x10", {}},
      {"1.5", {}},
      {"1e3", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseTableInt(c.text), c.value) << '"' << c.text << '"';
  }
  // What a user types may have blanks around it, never inside it.
  EXPECT_EQ(ParseTypedInt(" 5"), 5);
  EXPECT_EQ(ParseTypedInt("6 \t"), 6);
  EXPECT_EQ(ParseTypedInt(" -7 "), -7);
  EXPECT_EQ(ParseTypedInt("  "), std::nullopt);
  EXPECT_EQ(ParseTypedInt("5 5"), std::nullopt);
  PartyDataTable t;
  t.SetColumn(17, {"", "2", "x"});
  EXPECT_EQ(t.IntCell(17, 1), 2);
  EXPECT_EQ(t.IntCell(17, 2), std::nullopt);
  EXPECT_EQ(t.IntCell(17, 9), std::nullopt);
}

// ---- loading: fixtures written from the file's layout ----------------------------------

TEST(LoadGameData, BlocksBecomeColumnsAndLinesBecomeRows) {
  ByteWriter w;
  w.U32(0).U32(0);                                                         // no picture
  AppendBlock(w, {0xAC, 0xF3, 0xA4, 0xD0});                                // "12\r\n"
  AppendBlock(w, {0xCE, 0xFA, 0x8B, 0x7C, 0xB1, 0xA3, 0xDC, 0xE0, 0xD6});  // "Sword\nAxe"
  const Result<GameData> load = LoadGameData(w.bytes());
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->blockCount, 2);
  EXPECT_EQ(load->table.ColCount(), kPartyDataColumns);
  EXPECT_EQ(load->table.RowCount(), 2);
  EXPECT_EQ(load->table.Column(0), (std::vector<std::string>{"12", ""}));
  EXPECT_EQ(load->table.Column(1), (std::vector<std::string>{"Sword", "Axe"}));
  EXPECT_EQ(load->table.IntCell(0, 0), 12);
  EXPECT_EQ(load->title.status, TitlePictureStatus::kMissing);
}

TEST(LoadGameData, APictureAndNoTextBlockGivesAnEmptyTable) {
  const Bytes bmp = TinyBmp(3, 2);
  const Result<GameData> load = LoadGameData(FileWithPicture(RawDeflate(bmp, true), bmp.size()));
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->blockCount, 0);
  EXPECT_EQ(load->table.RowCount(), 0);
  EXPECT_EQ(load->title.status, TitlePictureStatus::kOk);
  EXPECT_EQ(load->title.bmp, bmp);
  // What the party record's load then trips over: counts and offsets that are no numbers.
  for (int col : {0, 1, 6, 7, 9, 10, 17}) {
    EXPECT_EQ(load->table.IntCell(col, 0), std::nullopt);
    EXPECT_EQ(load->table.IntCell(col, 1), std::nullopt);
  }
}

TEST(LoadGameData, EmptyBlocksClearTheirColumnsAndMoreThanNineteenAreKept) {
  std::vector<Bytes> texts(23);
  texts[4] = TextBytes("four\r\nlines\r\nof\r\ntext");
  texts[22] = TextBytes("last");
  const Result<GameData> load = LoadGameData(BuildGameData({}, texts));
  ASSERT_TRUE(load.ok()) << load.message();
  EXPECT_EQ(load->blockCount, 23);
  EXPECT_EQ(load->table.ColCount(), 23);
  EXPECT_EQ(load->table.RowCount(), 4);
  EXPECT_EQ(load->table.Cell(4, 3), "text");
  EXPECT_EQ(load->table.Cell(22, 0), "last");
  for (int col : {0, 3, 5, 21}) {
    EXPECT_EQ(load->table.Column(col), std::vector<std::string>(4)) << col;
  }
}

TEST(LoadGameData, EachBlockStartsTheKeyAfresh) {
  std::vector<Bytes> texts;
  for (int k = 0; k < 6; ++k)
    texts.push_back(TextBytes("block " + std::to_string(k) + "\nsecond line"));
  const Bytes file = BuildGameData({}, texts);
  const Result<GameData> before = LoadGameData(file);
  ASSERT_TRUE(before.ok());

  // Block 3's first stored byte: 8 bytes of header, then four blocks of size + text.
  std::size_t pos = 8;
  for (int k = 0; k < 3; ++k)
    pos += 4 + texts[static_cast<std::size_t>(k)].size();
  Bytes changed = file;
  changed[pos + 4] ^= 0x01;
  const Result<GameData> after = LoadGameData(changed);
  ASSERT_TRUE(after.ok());
  EXPECT_NE(after->table.Cell(3, 0), before->table.Cell(3, 0));
  for (int k : {0, 1, 2, 4, 5})
    EXPECT_EQ(after->table.Column(k), before->table.Column(k)) << "block " << k;
  // The same text in two blocks is stored the same way.
  const Bytes twice = BuildGameData({}, {TextBytes("same"), TextBytes("same")});
  EXPECT_TRUE(std::equal(twice.begin() + 12, twice.begin() + 16, twice.begin() + 20));
}

// ---- the title picture -----------------------------------------------------------------

TEST(TitlePicture, CheckValueIsOptionalButMustAgreeWhenPresent) {
  const Bytes bmp = TinyBmp(5, 4);
  for (bool withCheck : {true, false}) {
    const TitlePicture pic = InflateTitlePicture(RawDeflate(bmp, withCheck), bmp.size());
    EXPECT_EQ(pic.status, TitlePictureStatus::kOk) << withCheck;
    EXPECT_EQ(pic.bmp, bmp);
  }
  Bytes wrong = RawDeflate(bmp, true);
  wrong.back() ^= 0xFF;
  const TitlePicture pic = InflateTitlePicture(wrong, bmp.size());
  EXPECT_EQ(pic.status, TitlePictureStatus::kDamaged);
  EXPECT_EQ(pic.bmp, bmp);  // still shown: only the check failed

  // Our writer's stored form is what the format describes: zlib's stream minus two bytes.
  EXPECT_EQ(InflateTitlePicture(DeflateTitlePicture(bmp), bmp.size()).status,
            TitlePictureStatus::kOk);
}

TEST(TitlePicture, DamageLeavesAPartialPictureOfTheStatedSize) {
  const Bytes bmp = TinyBmp(64, 64);
  const Bytes stored = RawDeflate(bmp, false);

  const TitlePicture cut =
      InflateTitlePicture(ByteView(stored).first(stored.size() / 2), bmp.size());
  EXPECT_EQ(cut.status, TitlePictureStatus::kDamaged);
  ASSERT_EQ(cut.bmp.size(), bmp.size());
  EXPECT_TRUE(std::equal(bmp.begin(), bmp.begin() + 54, cut.bmp.begin()));

  Bytes garbage = stored;
  for (std::size_t i = 0; i < garbage.size(); i += 3)
    garbage[i] = 0xFF;
  EXPECT_EQ(InflateTitlePicture(garbage, bmp.size()).status, TitlePictureStatus::kDamaged);

  // A stated size smaller than the picture: the buffer is full before the data ends.
  const TitlePicture small = InflateTitlePicture(stored, 100);
  EXPECT_EQ(small.status, TitlePictureStatus::kDamaged);
  EXPECT_EQ(small.bmp.size(), 100u);
  // A stated size larger than the picture.
  const TitlePicture large =
      InflateTitlePicture(stored, static_cast<std::uint32_t>(bmp.size() + 9));
  EXPECT_EQ(large.status, TitlePictureStatus::kDamaged);
  EXPECT_EQ(large.bmp.size(), bmp.size() + 9);
}

TEST(TitlePicture, StatedSizesCannotForceLargeAllocations) {
  const Bytes stored = RawDeflate(TinyBmp(2, 2), false);
  const TitlePicture tooLarge = InflateTitlePicture(stored, kMaxTitlePictureSize + 1);
  EXPECT_EQ(tooLarge.status, TitlePictureStatus::kTooLarge);
  EXPECT_TRUE(tooLarge.bmp.empty());

  // Within the limit, but more than these few bytes could ever inflate to.
  const TitlePicture unreachable = InflateTitlePicture(stored, kMaxTitlePictureSize);
  EXPECT_EQ(unreachable.status, TitlePictureStatus::kDamaged);
  EXPECT_LE(unreachable.bmp.size(), stored.size() * 1032 + 1024);

  EXPECT_EQ(InflateTitlePicture({}, 100).status, TitlePictureStatus::kMissing);
  EXPECT_EQ(InflateTitlePicture(stored, 0).status, TitlePictureStatus::kMissing);
}

// ---- damaged and hostile files -------------------------------------------------------

TEST(LoadGameData, TruncatedFilesGiveAnErrorNamingWhatIsCut) {
  for (std::size_t n = 0; n < 8; ++n) {
    const Bytes shortFile(n, 0);
    const Result<GameData> load = LoadGameData(shortFile);
    EXPECT_EQ(load.kind(), ErrorKind::kDamaged) << n;
    EXPECT_NE(load.message().find("header"), std::string::npos);
  }
  ByteWriter pictureTooLong;
  pictureTooLong.U32(100).U32(10).Zeros(99);
  EXPECT_EQ(LoadGameData(pictureTooLong.bytes()).kind(), ErrorKind::kDamaged);
  ByteWriter hugePicture;
  hugePicture.U32(0xFFFFFFFF).U32(0xFFFFFFFF);
  EXPECT_EQ(LoadGameData(hugePicture.bytes()).kind(), ErrorKind::kDamaged);

  ByteWriter blockTooLong;
  blockTooLong.U32(0).U32(0).U32(1).U8(0x41).U32(0xFFFFFFF0).Zeros(16);
  const Result<GameData> load = LoadGameData(blockTooLong.bytes());
  EXPECT_EQ(load.kind(), ErrorKind::kDamaged);
  EXPECT_NE(load.message().find("Text block 1"), std::string::npos) << load.message();
}

TEST(LoadGameData, OnlyCutsAtBlockBoundariesLoad) {
  const Bytes bmp = TinyBmp(6, 5);
  const std::vector<Bytes> texts = {TextBytes("1\n2"), TextBytes(""), TextBytes("abc\r\n")};
  const Bytes file = BuildGameData(bmp, texts);
  std::vector<std::size_t> boundaries = {8 + ReadU32(file, 0)};
  for (const Bytes& t : texts)
    boundaries.push_back(boundaries.back() + 4 + t.size());
  ASSERT_EQ(boundaries.back(), file.size());

  for (std::size_t n = 0; n <= file.size(); ++n) {
    const Result<GameData> load = LoadGameData(ByteView(file).first(n));
    const auto at = std::find(boundaries.begin(), boundaries.end(), n);
    if (at == boundaries.end()) {
      EXPECT_EQ(load.kind(), ErrorKind::kDamaged) << "cut at " << n;
    } else {
      ASSERT_TRUE(load.ok()) << "cut at " << n << ": " << load.message();
      EXPECT_EQ(load->blockCount, at - boundaries.begin());
    }
  }
}

TEST(LoadGameData, BlockAndLineCountsAreLimited) {
  ByteWriter manyBlocks;
  manyBlocks.U32(0).U32(0);
  for (int k = 0; k <= kMaxTextBlocks; ++k)
    manyBlocks.U32(0);
  const Result<GameData> blocks = LoadGameData(manyBlocks.bytes());
  EXPECT_EQ(blocks.kind(), ErrorKind::kNotSupported);

  ByteWriter atLimit;
  atLimit.U32(0).U32(0);
  for (int k = 0; k < kMaxTextBlocks; ++k)
    atLimit.U32(0);
  EXPECT_TRUE(LoadGameData(atLimit.bytes()).ok());

  // One line break per byte: more lines than the table takes, in a file of a few MB.
  const std::string breaks(static_cast<std::size_t>(kMaxTableLines) + 1, '\n');
  const Result<GameData> lines = LoadGameData(BuildGameData({}, {TextBytes(breaks)}));
  EXPECT_EQ(lines.kind(), ErrorKind::kNotSupported);
}

TEST(LoadGameDataFile, MissingAndOversizedFilesAreRefusedBeforeReading) {
  TempDir dir;
  const Result<GameData> missing = LoadGameDataFile(dir.File("brindle.dat"));
  EXPECT_EQ(missing.kind(), ErrorKind::kCannotOpen);
  EXPECT_NE(missing.message().find(dir.File("brindle.dat")), std::string::npos);

  // A sparse file: large on paper, nothing on disk, and never read.
  const std::string big = dir.Write("big.dat", Bytes{});
  ASSERT_EQ(::truncate(big.c_str(), kMaxGameDataFileSize + 1), 0);
  EXPECT_EQ(LoadGameDataFile(big).kind(), ErrorKind::kNotSupported);

  const std::string cut = dir.Write("cut.dat", Bytes{1, 0, 0, 0, 0});
  const Result<GameData> load = LoadGameDataFile(cut);
  EXPECT_EQ(load.kind(), ErrorKind::kDamaged);
  EXPECT_EQ(load.message().rfind(cut, 0), 0u) << load.message();

  const Bytes bmp = TinyBmp(2, 2);
  const std::string good = dir.Write("good.dat", BuildGameData(bmp, {TextBytes("x")}));
  const Result<GameData> ok = LoadGameDataFile(good);
  ASSERT_TRUE(ok.ok()) << ok.message();
  EXPECT_EQ(ok->title.bmp, bmp);
  EXPECT_EQ(ok->table.Cell(0, 0), "x");
}

// ---- finding the file ------------------------------------------------------------------

TEST(LocateGameDataFile, FirstFileWinsAndEveryPlaceLookedAtIsReported) {
  TempDir program, prefix;
  const auto candidates =
      MakeAppPaths(program.path().string(), (prefix.path() / "share" / "brindle").string())
          .gameDataCandidates;
  EXPECT_EQ(candidates,
            (std::vector<std::string>{(program.path() / "brindle.dat").string(),
                                      (prefix.path() / "share/brindle/brindle.dat").string()}));
  // Installed in a prefix's bin folder: that prefix's share folder comes before the one the
  // build was configured for, unless they are one.
  EXPECT_EQ(GameDataCandidates("/opt/b/bin", "/usr/local/share/brindle"),
            (std::vector<std::string>{"/opt/b/bin/brindle.dat", "/opt/b/share/brindle/brindle.dat",
                                      "/usr/local/share/brindle/brindle.dat"}));
  EXPECT_EQ(GameDataCandidates("/usr/bin", "/usr/share/brindle"),
            (std::vector<std::string>{"/usr/bin/brindle.dat", "/usr/share/brindle/brindle.dat"}));
  std::filesystem::create_directories(prefix.path() / "share" / "brindle");
  // A folder by that name is no data file.
  std::filesystem::create_directories(program.path() / "brindle.dat");

  GameDataLocation none = LocateGameDataFile(candidates);
  EXPECT_TRUE(none.path.empty());
  EXPECT_EQ(none.searched, candidates);

  ASSERT_TRUE(WriteWholeFile(candidates[1], Bytes{0}).ok());
  GameDataLocation second = LocateGameDataFile(candidates);
  EXPECT_EQ(second.path, candidates[1]);
  EXPECT_EQ(second.searched, candidates);

  std::filesystem::remove(program.path() / "brindle.dat");
  ASSERT_TRUE(WriteWholeFile(candidates[0], Bytes{0}).ok());
  GameDataLocation first = LocateGameDataFile(candidates);
  EXPECT_EQ(first.path, candidates[0]);
  EXPECT_EQ(first.searched, std::vector<std::string>{candidates[0]});
}

TEST(FindGameData, SaysWhereItLookedOrWhyTheFileCannotBeUsed) {
  TempDir dir;
  const std::vector<std::string> candidates{dir.File("a/brindle.dat"), dir.File("b/brindle.dat")};
  Result<GameData> none = FindGameData(candidates);
  EXPECT_EQ(none.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(none.message(), MissingGameDataMessage(candidates));
  EXPECT_EQ(MissingGameDataMessage({"/a/brindle.dat", "/b/brindle.dat"}),
            "The game data file brindle.dat was not found. Looked for it at:\n  /a/brindle.dat\n  "
            "/b/brindle.dat");

  std::filesystem::create_directories(dir.File("b"));
  ASSERT_TRUE(
      WriteWholeFile(candidates[1], Bytes{1, 2}).ok());  // too short for its first size field
  Result<GameData> damaged = FindGameData(candidates);
  EXPECT_EQ(damaged.kind(), ErrorKind::kDamaged);
  EXPECT_EQ(damaged.message().rfind("The game data file " + candidates[1] + " cannot be used: ", 0),
            0u);

  ASSERT_TRUE(WriteWholeFile(candidates[1], BuildGameData({}, {TextBytes("x")})).ok());
  Result<GameData> found = FindGameData(candidates);
  ASSERT_TRUE(found.ok()) << found.message();
  EXPECT_EQ(found->table.Cell(0, 0), "x");
}

}  // namespace
}  // namespace brindle
