// The party record's fields by key: the field table against a record whose every field holds
// a value the pages would write. What is listed sets back to the same bytes, keys outside a
// row's ranges name no field, captions come from the row's column, and the save's conflicts
// are named by the keys that set them.

#include "viewer/core/savegame/party_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "party_test_support.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_edits.h"
#include "viewer/core/savegame/party_store.h"

namespace brindle {
namespace {

using test::Lines;

// The small table, with captions for the rows it leaves without.
PartyDataTable CaptionedTable() {
  PartyDataTable t = test::SmallTable();
  auto numbered = [&](int col, const std::string& word, int count) {
    std::vector<std::string> cells{std::to_string(count)};
    for (int k = 1; k <= count; ++k)
      cells.push_back(word + " " + std::to_string(k));
    t.SetColumn(col, cells);
  };
  numbered(kColStatistics, "Might", kStatCount);
  numbered(kColSkills, "Lore", kSkillCount);
  numbered(kColSpells, "Spark", kSpellCount);
  numbered(kColConditions, "Curse", kConditionCount);
  numbered(kColEquippedSlots, "Hand", kSlotCount);
  return t;
}

// Entry n of ch given item number `item` and random other fields, placed at (col, row) in the
// backpack when col >= 0.
void AddItem(TPartyCharacter& ch, const PartyDataTable& table, std::mt19937& rng, int n, int item,
             int col = -1, int row = 0) {
  for (std::int32_t& f : ch.Item(n))
    f = static_cast<std::int32_t>(rng());
  ch.Item(n)[kItemNumber] = item;
  ch.Item(n)[kItemSlot] = 0;
  if (col >= 0) {
    EXPECT_EQ(PlaceInBackpack(ch, table, n, col, row).message, "") << "entry " << n;
  }
}

void FillCharacter(TPartyCharacter& ch, int n, const PartyDataTable& table, std::mt19937& rng) {
  static constexpr std::uint16_t kMastery[] = {0, kSkillExpert, kSkillMaster, kSkillGrandMaster};
  ch.Class = static_cast<std::uint8_t>(n * 7 % 36);
  ch.Portrait = static_cast<std::int16_t>(n * 6 % kPortraitCount);
  // Widths 16, 2, 4, 1, 4, 0, 3 and 24 in the small table.
  ch.Values = {"Bran\xE9" + std::to_string(n),
               "-12",
               "100000",
               "200",
               std::to_string(n),
               "",
               "AB",
               "the Bold"};
  for (auto& s : ch.Stats)
    s = {static_cast<std::uint16_t>(rng()), static_cast<std::uint16_t>(rng())};
  for (std::uint16_t& w : ch.Skills)
    w = static_cast<std::uint16_t>(rng() % 64 | kMastery[rng() % 4]);
  for (std::uint8_t& s : ch.Spells)
    s = static_cast<std::uint8_t>(rng() % 2);
  for (auto& c : ch.Conditions)
    for (std::uint8_t& b : c)
      b = static_cast<std::uint8_t>(rng());
  // Items one cell and larger in the backpack, one worn, one only in the list.
  AddItem(ch, table, rng, 1, 1, n, 0);
  AddItem(ch, table, rng, 2, 2, 3, 2);
  AddItem(ch, table, rng, 3, 3, 10, 5);
  AddItem(ch, table, rng, 4, 4, 13, 8);
  AddItem(ch, table, rng, 5, 220);
  ASSERT_EQ(EditSlot(ch, n + 1, "5").message, "");
  AddItem(ch, table, rng, 7, 4);
}

// Random bytes with every field of the model written over them.
Bytes SampleRecord(const PartyDataTable& table) {
  std::mt19937 rng(29);
  Bytes stored(static_cast<std::size_t>(kPartyRecordMinSize) + 64);
  for (std::uint8_t& b : stored)
    b = static_cast<std::uint8_t>(rng());
  stored[kPackedMarkOffset] = 0;  // never the compressed-data mark
  TPartyMain party;
  party.GameClock = static_cast<std::int32_t>(rng());
  party.PartyValues = {"123456", "-7", "Onward"};  // widths 4, 2 and 6
  for (int n = 1; n <= kCharacterCount; ++n)
    FillCharacter(party.Character(n), n, table, rng);
  const PartyLayout layout = *ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
  return PatchPartyRecord(stored, party, layout);
}

int IndexCount(const PartyFieldRow& row) {
  return static_cast<int>(std::count(row.pattern.begin(), row.pattern.end(), '#'));
}

// Every key a row can name, for the characters it belongs to.
std::set<std::string> KeysOf(const PartyFieldRow& row) {
  std::set<std::string> keys;
  const int characters = row.perCharacter ? kCharacterCount : 0;
  for (int n = row.perCharacter ? 1 : 0; n <= characters; ++n)
    for (int i = row.indices[0].lo; i <= row.indices[0].hi; ++i)
      for (int j = row.indices[1].lo; j <= row.indices[1].hi; ++j)
        keys.insert(PartyFieldKey(row.id, {n, {i, j}}));
  return keys;
}

class PartyFields : public ::testing::Test {
 protected:
  const PartyDataTable table = CaptionedTable();
  const Bytes stored = SampleRecord(table);
  const PartyLayout layout = *ReadPartyLayout(table, static_cast<std::int64_t>(stored.size()));
  const TPartyMain loaded = *LoadPartyBytes(stored, "PARTY.BIN", table);
  const std::vector<PartyField> listed = ListPartyFields(loaded, table);

  std::string Listed(const std::string& key) const {
    for (const PartyField& f : listed)
      if (f.key == key) return f.value;
    return {};
  }
};

TEST_F(PartyFields, EveryListedValueSetsBackToTheSameBytes) {
  // Each row is listed, under keys of its own.
  for (const PartyFieldRow& row : PartyFieldRows()) {
    const std::set<std::string> keys = KeysOf(row);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [&](const PartyField& f) {
      return keys.count(f.key) > 0;
    })) << row.pattern;
  }
  TPartyMain edited = loaded;
  int coveredCells = 0;
  for (const PartyField& f : listed) {
    const Status s = SetPartyField(edited, table, f.key, f.value);
    // A covered backpack cell lists the cell that holds its item, which is no item number:
    // the item is placed by its top-left cell alone.
    if (f.key.find(".grid.") != std::string::npos && f.value[0] == '-') {
      ++coveredCells;
      EXPECT_FALSE(s) << f.key;
      EXPECT_NE(s.message().find("from 0 to " + std::to_string(kItemCount)), std::string::npos);
      continue;
    }
    EXPECT_TRUE(s) << f.key << "=" << f.value << ": " << s.message();
  }
  EXPECT_GT(coveredCells, 0);
  EXPECT_TRUE(edited.SameRecord(loaded));
  EXPECT_EQ(PatchPartyRecord(stored, edited, layout), stored);
  EXPECT_EQ(ListPartyFields(edited, table).size(), listed.size());
}

// The key of a row with each "#" replaced by the given texts in turn.
std::string KeyWith(const PartyFieldRow& row, const std::string& owner,
                    const std::vector<std::string>& indices) {
  std::string key = owner;
  std::size_t next = 0;
  for (const char c : row.pattern)
    key += c == '#' ? indices[next++] : std::string(1, c);
  return key;
}

std::string IndexText(const PartyKeyIndex& index, int k) {
  return index.words[0].empty() ? std::to_string(k)
                                : std::string(index.words[static_cast<std::size_t>(k - index.lo)]);
}

TEST_F(PartyFields, EveryRowRefusesIndicesOutsideItsRange) {
  for (const PartyFieldRow& row : PartyFieldRows()) {
    const std::string owner = row.perCharacter ? "char2." : "";
    std::vector<std::string> first;
    for (int p = 0; p < IndexCount(row); ++p)
      first.push_back(IndexText(row.indices[static_cast<std::size_t>(p)],
                                row.indices[static_cast<std::size_t>(p)].lo));
    const std::string good = KeyWith(row, owner, first);
    const std::string value = Listed(good).empty() ? "0" : Listed(good);
    // The same value under the key in range is taken: what is refused below is the key.
    TPartyMain taken = loaded;
    ASSERT_TRUE(SetPartyField(taken, table, good, value)) << good << "=" << value;

    std::vector<std::string> bad;
    for (int p = 0; p < IndexCount(row); ++p) {
      const PartyKeyIndex& index = row.indices[static_cast<std::size_t>(p)];
      std::vector<std::string> texts = index.words[0].empty()
                                           ? std::vector<std::string>{std::to_string(index.hi + 1)}
                                           : std::vector<std::string>{"both", "0"};
      if (index.words[0].empty() && index.lo > 0) texts.push_back(std::to_string(index.lo - 1));
      for (const std::string& text : texts) {
        std::vector<std::string> parts = first;
        parts[static_cast<std::size_t>(p)] = text;
        bad.push_back(KeyWith(row, owner, parts));
      }
    }
    if (row.perCharacter)
      for (const char* other : {"char0.", "char5.", "char02."})
        bad.push_back(KeyWith(row, other, first));
    if (IndexCount(row) == 0) bad.push_back(good + ".1");
    ASSERT_FALSE(bad.empty()) << row.pattern;
    for (const std::string& key : bad) {
      TPartyMain edited = loaded;
      const Status s = SetPartyField(edited, table, key, value);
      EXPECT_FALSE(s) << key;
      EXPECT_EQ(s.message(), "There is no field " + key + ".");
      EXPECT_TRUE(edited.SameRecord(loaded)) << key;
    }
  }
}

TEST_F(PartyFields, CaptionsComeFromTheRowsSource) {
  std::map<std::string, std::string> caption;
  for (const PartyField& f : listed)
    caption[f.key] = f.caption;
  EXPECT_EQ(caption.at("clock"), "");
  EXPECT_EQ(caption.at("party.3"), "Motto");
  EXPECT_EQ(caption.at("char1.value.2"), "Level");
  EXPECT_EQ(caption.at("char4.stat.8.permanent"), "Might 8");
  EXPECT_EQ(caption.at("char2.skill.37"), "Lore 37");
  EXPECT_EQ(caption.at("char3.spell.99"), "Spark 99");
  EXPECT_EQ(caption.at("char1.condition.20"), "Curse 20");
  EXPECT_EQ(caption.at("char4.slot.5"), "Hand 5");
  EXPECT_EQ(caption.at("char3.class"), std::string(ClassName(loaded.Character(3).Class)));
  EXPECT_EQ(caption.at("char2.item.3"), "Greatsword");
  EXPECT_EQ(caption.at("char2.item.5"), "Wand of Sparks");
  EXPECT_EQ(caption.at("char1.grid.0.1"), "");
  // The pages read the same cells, as the table stores them.
  EXPECT_EQ(PartyFieldCaption(table, PartyFieldId::kSkill, 4), "Lore 4");
  EXPECT_EQ(PartyFieldCaption(table, PartyFieldId::kCharValue, 1), "Name");
  EXPECT_EQ(PartyFieldCaption(table, PartyFieldId::kItem, 1), "");
  EXPECT_EQ(PartyFieldCaption(table, PartyFieldId::kClass, 1), "");
}

TEST_F(PartyFields, TheSavesConflictsAreNamedByTheKeysThatSetThem) {
  struct Both {
    const char* key;
    const char* mine;
    const char* theirs;
    const char* theirKey = nullptr;  // where another key than the user's
  };
  const Both cases[] = {
      {"clock", "1", "2"},
      {"party.1", "5", "6"},
      {"char3.class", "Lich", "Spy"},
      {"char1.portrait", "20", "21"},
      {"char2.value.1", "Ann", "Bea"},
      {"char4.stat.6.added", "1", "2"},
      {"char4.stat.6.permanent", "1", "2"},
      {"char1.skill.9", "7E", "8"},
      {"char2.condition.17", "-1", "-2"},
      // The inventory is one part: only the user's own change in it is named.
      {"char3.grid.4.0", "7", "0", "char3.item.2"},
  };
  for (const Both& c : cases) {
    TPartyMain mine = loaded, theirs = loaded;
    ASSERT_TRUE(SetPartyField(mine, table, c.key, c.mine)) << c.key;
    ASSERT_TRUE(SetPartyField(theirs, table, c.theirKey ? c.theirKey : c.key, c.theirs)) << c.key;
    std::vector<std::string> conflicts;
    MergePartyEdits(loaded, mine, theirs, conflicts);
    EXPECT_EQ(conflicts, std::vector<std::string>{c.key});
  }
}

}  // namespace
}  // namespace brindle
