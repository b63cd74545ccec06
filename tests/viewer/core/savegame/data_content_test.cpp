// The brindle.dat we ship: built from data/ by the build, and holding what the saved-game
// editor needs, with every value position clear of the record's fixed fields.
#include <gtest/gtest.h>

#include <set>

#include "common/bmp.h"

#include "test_support.h"
#include "tools/brindle-dat/dat_tool.h"
#include "viewer/core/savegame/game_data.h"

namespace brindle {
namespace {

using test::TempDir;

constexpr int kFirstCharacterBlock = 2508;
constexpr int kCharacterBlockSize = 6972;

struct Span {
  int start;
  int end;  // one past the last byte
  std::string what;
};

// The fields of the party record whose place is fixed, so no configured value may touch them.
const std::vector<Span> kFixedPartyFields = {
    {44, 48, "game clock"},
    {48, 52, "the four bytes after the clock"},
    {kFirstCharacterBlock, kFirstCharacterBlock + 4 * kCharacterBlockSize, "character blocks"},
};
const std::vector<Span> kFixedCharacterFields = {
    {0, 160, "conditions"},   {185, 186, "class"},
    {186, 188, "portrait"},   {264, 338, "skills"},
    {402, 501, "spells"},     {532, 5500, "item list"},
    {5500, 6004, "backpack"}, {6472, 6536, "equipped slots"},
};

class ShippedData : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { load_ = new Result<GameData>(LoadGameDataFile(BRINDLE_DAT_FILE)); }
  static void TearDownTestSuite() { delete load_; }
  const PartyDataTable& table() const { return (*load_)->table; }

  // Rows 1..count of the column are non-empty and unique, the next one is empty.
  void ExpectNamedList(int col, int count) const {
    std::set<std::string> seen;
    for (int row = 1; row <= count; ++row) {
      const std::string& name = table().Cell(col, row);
      EXPECT_FALSE(name.empty()) << "column " << col << " row " << row;
      EXPECT_TRUE(seen.insert(name).second) << "column " << col << " repeats " << name;
    }
    EXPECT_EQ(table().Cell(col, count + 1), "") << "column " << col << " runs past " << count;
  }
  // Row 0 holds the count of the names below it.
  int ExpectCountedList(int col) const {
    const auto count = table().IntCell(col, 0);
    EXPECT_TRUE(count.has_value()) << "column " << col;
    if (!count) return 0;
    ExpectNamedList(col, *count);
    return *count;
  }

  // Places the fields (offset column, width or a fixed width) and checks them against the
  // fixed fields, the block's bounds and each other.
  void ExpectClearFields(int offsetCol, int widthCol, int fixedWidth, int rows, int limit,
                         const std::vector<Span>& fixed, std::vector<Span>* placed) const {
    for (int row = 1; row <= rows; ++row) {
      const auto offset = table().IntCell(offsetCol, row);
      const auto width = widthCol >= 0 ? table().IntCell(widthCol, row) : fixedWidth;
      ASSERT_TRUE(offset && width) << "column " << offsetCol << " row " << row;
      const Span field{*offset, *offset + *width,
                       "column " + std::to_string(offsetCol) + " row " + std::to_string(row)};
      EXPECT_GT(*width, 0) << field.what;
      EXPECT_GE(field.start, 0) << field.what;
      EXPECT_LE(field.end, limit) << field.what;
      for (const Span& other : fixed)
        EXPECT_TRUE(field.end <= other.start || other.end <= field.start)
            << field.what << " overlaps the " << other.what;
      for (const Span& other : *placed)
        EXPECT_TRUE(field.end <= other.start || other.end <= field.start)
            << field.what << " overlaps " << other.what;
      placed->push_back(field);
    }
  }

  static Result<GameData>* load_;
};

Result<GameData>* ShippedData::load_ = nullptr;

TEST_F(ShippedData, LoadsWithItsTitlePicture) {
  ASSERT_TRUE(load_->ok()) << load_->message();
  EXPECT_EQ((*load_)->blockCount, kPartyDataColumns);
  EXPECT_EQ((*load_)->title.status, TitlePictureStatus::kOk);
  const auto size = ReadBmpSize((*load_)->title.bmp);
  ASSERT_TRUE(size);
  Bytes source;
  source = test::FileBytes(std::string(BRINDLE_DATA_DIR) + "/title.bmp");
  ASSERT_FALSE(source.empty());
  EXPECT_EQ((*load_)->title.bmp, source);
}

TEST_F(ShippedData, IsUpToDateWithTheSources) {
  TempDir dir;
  const Result<DatToolReport> packed = PackGameDataFolder(BRINDLE_DATA_DIR, dir.File("fresh.dat"));
  ASSERT_TRUE(packed.ok()) << packed.message();
  Bytes built;
  built = test::FileBytes(BRINDLE_DAT_FILE);
  ASSERT_FALSE(built.empty());
  EXPECT_EQ(dir.Read("fresh.dat"), built);
}

TEST_F(ShippedData, NameListsHaveTheirLengths) {
  const int items = ExpectCountedList(kColItemNames);
  EXPECT_GE(items, 300);
  EXPECT_GT(ExpectCountedList(kColEnchantments), 0);
  EXPECT_GT(ExpectCountedList(kColSecondEnchantments), 0);
  EXPECT_GE(ExpectCountedList(kColItemStatuses), 2);
  ExpectNamedList(kColSkills, 37);
  ExpectNamedList(kColSpells, 99);
  ExpectNamedList(kColEquippedSlots, 16);
  ExpectNamedList(kColConditions, 20);
  ExpectNamedList(kColStatistics, 8);
  ExpectNamedList(kColPartyValueCaption, 3);
  ExpectNamedList(kColCharValueCaption, 8);
  // Names are looked up without regard to case, so two may not differ only in case.
  for (int col : {kColItemNames, kColEnchantments, kColSecondEnchantments, kColItemStatuses}) {
    for (int row = 1; row < table().RowCount() && !table().Cell(col, row).empty(); ++row)
      EXPECT_EQ(table().FindRow(col, table().Cell(col, row)), row) << col << " " << row;
  }
}

TEST_F(ShippedData, EveryItemFitsTheBackpack) {
  const int items = table().IntCell(kColItemNames, 0).value_or(0);
  ASSERT_GE(items, 271);  // the power items 220-271 exist
  for (int n = 1; n <= items; ++n) {
    const auto w = table().IntCell(kColItemWidth, n);
    const auto h = table().IntCell(kColItemHeight, n);
    ASSERT_TRUE(w && h) << "item " << n;
    EXPECT_TRUE(*w >= 1 && *w <= 14) << "item " << n << " is " << *w << " wide";
    EXPECT_TRUE(*h >= 1 && *h <= 9) << "item " << n << " is " << *h << " high";
  }
}

TEST_F(ShippedData, ValuePositionsAvoidTheFixedFieldsAndEachOther) {
  std::vector<Span> party;
  ExpectClearFields(kColPartyValueOffset, kColPartyValueWidth, 0, 3, kFirstCharacterBlock,
                    kFixedPartyFields, &party);

  std::vector<Span> character;
  ExpectClearFields(kColCharValueOffset, kColCharValueWidth, 0, 8, kCharacterBlockSize,
                    kFixedCharacterFields, &character);
  ExpectClearFields(kColStatFirstOffset, -1, 2, 8, kCharacterBlockSize, kFixedCharacterFields,
                    &character);
  ExpectClearFields(kColStatSecondOffset, -1, 2, 8, kCharacterBlockSize, kFixedCharacterFields,
                    &character);

  // A character's name is among the values, in a text field (width 3 or 5 and more).
  const int name = table().FindRow(kColCharValueCaption, "Name");
  ASSERT_GE(name, 1);
  const int width = table().IntCell(kColCharValueWidth, name).value_or(0);
  EXPECT_TRUE(width == 3 || width >= 5) << width;
}

}  // namespace
}  // namespace brindle
