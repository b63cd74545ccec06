// What the editor's pages show and take: the calendar, skills, conditions, class and
// portrait, and the inventory rules.

#include <gtest/gtest.h>

#include "party_test_support.h"
#include "viewer/core/savegame/game_clock.h"
#include "viewer/core/savegame/inventory.h"
#include "viewer/core/savegame/party_edits.h"

namespace brindle {
namespace {

using test::SmallTable;

TEST(GameClock, ClockZeroIsMondayTheFirstOfJanuary1168AtMidnight) {
  const GameTimeFields f = ShowGameTime(0);
  EXPECT_EQ(f.weekday, "Monday");
  EXPECT_EQ(f.month, "January");
  EXPECT_EQ(f.day, "1");
  EXPECT_EQ(f.year, "1168");
  EXPECT_EQ(f.hour, "12");
  EXPECT_EQ(f.minute, "00");
  EXPECT_EQ(f.ampm, "am");
  EXPECT_EQ(f.tick, "0");
  EXPECT_EQ(ShowGameTime(static_cast<std::int32_t>(kTicksPerDay)).weekday, "Tuesday");
}

TEST(GameClock, SplitAndJoinAreInverse) {
  for (std::int64_t t : {std::int64_t{0}, std::int64_t{1}, std::int64_t{282969600},
                         std::int64_t{2147483647}, kTicksPerYear - 1}) {
    const GameTime g = SplitGameTime(t);
    EXPECT_EQ(JoinGameTime(g.month, g.day - 1, g.year, g.tick, g.minute, g.hour), t);
    const Duration d = SplitDuration(t);
    EXPECT_EQ(JoinDuration(d.days, d.hours, d.minutes, d.ticks), t);
  }
  EXPECT_EQ(JoinGameTime(11, 27, 1169, 255, 59, 23), 2 * kTicksPerYear - 1);
}

TEST(GameClock, TypedFieldsAreLimitedAndTheHourFollowsAmPm) {
  GameTimeFields typed = ShowGameTime(0);
  auto edited = [&] { return ShowGameTime(EditGameTime(typed)); };
  typed.hour = "12";
  typed.ampm = "am";
  EXPECT_EQ(SplitGameTime(EditGameTime(typed)).hour, 0);
  typed.ampm = "PM";
  EXPECT_EQ(SplitGameTime(EditGameTime(typed)).hour, 12);
  typed.hour = "3";
  EXPECT_EQ(SplitGameTime(EditGameTime(typed)).hour, 15);
  typed.hour = "0";  // raised to 1 first
  typed.ampm = "am";
  EXPECT_EQ(SplitGameTime(EditGameTime(typed)).hour, 1);
  typed.ampm = "evening";  // anything but PM is am
  EXPECT_EQ(SplitGameTime(EditGameTime(typed)).hour, 1);

  typed.day = "31";
  typed.year = "1000";
  typed.minute = "5";
  typed.month = "march";
  GameTimeFields shown = edited();
  EXPECT_EQ(shown.day, "28");
  EXPECT_EQ(shown.year, "1168");
  EXPECT_EQ(shown.minute, "05");
  EXPECT_EQ(shown.month, "March");
  typed.month = "Smarch";
  typed.tick = "900";
  typed.minute = "x";
  shown = edited();
  EXPECT_EQ(shown.month, "January");
  EXPECT_EQ(shown.tick, "255");
  EXPECT_EQ(shown.minute, "00");
  // A year the 32-bit clock cannot reach gives its last moment, not a time before 1168.
  typed.year = "99999";
  EXPECT_EQ(EditGameTime(typed), 2147483647);
}

TEST(Skills, MasteryAndLevelAreLimitedAndShownAsListed) {
  SkillEdit e = EditSkill("grand master", "70");
  EXPECT_EQ(e.word, kSkillGrandMaster | 63);
  EXPECT_EQ(e.mastery, "Grand Master");
  EXPECT_EQ(e.level, "63");
  e = EditSkill("Journeyman", "-4");
  EXPECT_EQ(e.word, 0);
  EXPECT_EQ(e.mastery, "");
  EXPECT_EQ(e.level, "0");
  EXPECT_EQ(EditSkill("EXPERT", "x").word, kSkillExpert);
  EXPECT_EQ(MasteryText(12), "");
  EXPECT_EQ(MasteryText(kSkillExpert | kSkillGrandMaster | 3), "Grand Master");
  EXPECT_EQ(MasteryText(kSkillExpert | kSkillMaster), "Master");
  EXPECT_EQ(EditSpell("7"), 1);
  EXPECT_EQ(EditSpell("-1"), 0);
  EXPECT_EQ(EditStatistic("65537"), 1);
  EXPECT_EQ(EditStatistic("-1"), 65535);
}

TEST(Conditions, StampsShowAsTheTimeSinceAndTypedTimesGoBack) {
  const std::int32_t clock = 1000000;
  EXPECT_EQ(ShowCondition(clock, clock), (std::array<std::string, 4>{"0", "0", "0", "0"}));
  EXPECT_EQ(ShowCondition(0, clock), (std::array<std::string, 4>{}));
  EXPECT_EQ(ShowCondition(-5, clock), (std::array<std::string, 4>{}));
  EXPECT_EQ(ShowCondition(clock - 368640 - 15360 * 2 - 256 * 3 - 4, clock),
            (std::array<std::string, 4>{"1", "2", "3", "4"}));

  ConditionEdit e = EditCondition({"0", "", "x", "0"}, clock);
  EXPECT_EQ(e.stamp, 0);
  EXPECT_EQ(e.cells, (std::array<std::string, 4>{}));
  e = EditCondition({"", "", "90", ""}, clock);  // no unit is limited
  EXPECT_EQ(e.stamp, clock - 90 * 256);
  EXPECT_EQ(e.cells, (std::array<std::string, 4>{"0", "0", "90", "0"}));
}

TEST(ClassAndPortrait, NamesInAnyCaseAndClicksOnTheSheet) {
  EXPECT_EQ(EditClass("black knight"), 3);
  EXPECT_EQ(ClassName(EditClass("black knight")), "Black Knight");
  EXPECT_EQ(EditClass("Bard"), 0);
  EXPECT_EQ(EditClass("LICH"), 35);
  EXPECT_EQ(PortraitAt(1, 40), 13);
  EXPECT_EQ(PortraitAt(320, 40), 24);
  EXPECT_EQ(PortraitAt(0, 0), 0);
  EXPECT_EQ(PortraitAt(30, 10), 1);
  EXPECT_EQ(PortraitFrame(13).left, 1);
  EXPECT_EQ(PortraitFrame(13).top, 34);
  EXPECT_EQ(PortraitFrame(12).left, 301);
  EXPECT_EQ(PortraitFrame(12).top, 1);
}

// A character with entries 1 "Dagger" (1x2), 2 "Shield" (2x2), 3 "Greatsword" (2x3), 4 "Pebble"
// and an empty entry 5.
TPartyCharacter Packed() {
  TPartyCharacter ch;
  for (int n = 1; n <= 4; ++n)
    ch.Item(n)[kItemNumber] = n;
  return ch;
}

int CountCells(const TPartyCharacter& ch, int value) {
  int count = 0;
  for (const auto& row : ch.Grid)
    for (std::int16_t v : row)
      count += v == value;
  return count;
}

TEST(Inventory, AnItemCoversItsRectangleAndMustFitInsideTheGrid) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ch.Item(3)[kItemSlot] = 9;
  PlaceOutcome out = PlaceInBackpack(ch, table, 3, 12, 6);
  EXPECT_EQ(out.placed, 3);
  EXPECT_EQ(out.message, "");
  EXPECT_EQ(ch.Cell(12, 6), 3);
  EXPECT_EQ(CountCells(ch, -97), 5);
  EXPECT_EQ(ch.Cell(13, 8), -97);
  EXPECT_EQ(ch.Item(3)[kItemSlot], 0) << "placing in the backpack unequips";
  EXPECT_EQ(BoxKey(ch, 13, 8), 3);
  EXPECT_EQ(BoxKey(ch, 11, 8), 0);

  RemoveFromBackpack(ch, 12, 6);
  out = PlaceInBackpack(ch, table, 3, 13, 6);
  EXPECT_EQ(out.placed, 0);
  EXPECT_EQ(out.message, "Item doesn't fit there!");
  EXPECT_EQ(CountCells(ch, 0), kGridRows * kGridColumns);

  EXPECT_EQ(PlaceInBackpack(ch, table, 5, 0, 0).message, "Item 5 does not exist!");
  EXPECT_EQ(PlaceInBackpack(ch, table, 0, 0, 0).placed, 0);
  // Overlap with another item.
  ASSERT_EQ(PlaceInBackpack(ch, table, 2, 1, 1).placed, 2);
  EXPECT_EQ(PlaceInBackpack(ch, table, 3, 0, 0).message, "Item doesn't fit there!");
  EXPECT_EQ(PlaceInBackpack(ch, table, 3, 3, 0).placed, 3);
}

TEST(Inventory, AnEntryIsPlacedOnceInTheBackpackOrOneSlot) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  EXPECT_EQ(EditSlot(ch, 3, "1").placed, 1);
  EXPECT_EQ(ch.Item(1)[kItemSlot], 3);
  EXPECT_EQ(FindItem(ch, 1).kind, PlaceKind::kEquipped);
  EXPECT_EQ(ListMarker(ch, 1), "(*) 1");
  EXPECT_EQ(ListMarker(ch, 2), "2");

  PlaceOutcome out = EditBackpackCell(ch, table, 0, 0, "1");
  EXPECT_EQ(out.message, kOnceOnlyMessage);
  EXPECT_EQ(ch.Cell(0, 0), 0);
  EXPECT_EQ(EditSlot(ch, 4, "1").message, kOnceOnlyMessage);
  EXPECT_EQ(ch.Slots[3], 0);
  EXPECT_EQ(EditSlot(ch, 3, "1").placed, 1) << "the same slot again is accepted";
  EXPECT_EQ(EditSlot(ch, 5, "5").message, "Item 5 does not exist!");
  EXPECT_EQ(EditSlot(ch, 5, "200").message, "Item 138 does not exist!") << "limited to 138";

  ASSERT_EQ(EditBackpackCell(ch, table, 4, 4, "2").placed, 2);
  EXPECT_EQ(EditSlot(ch, 6, "2").message, kOnceOnlyMessage);
  // Typing 0 or text that is no number into the cell takes the item out.
  EXPECT_EQ(EditBackpackCell(ch, table, 4, 4, "x").placed, 0);
  EXPECT_EQ(CountCells(ch, 0), kGridRows * kGridColumns);
  EXPECT_FALSE(IsPlaced(ch, 2));
}

TEST(Inventory, ARefusedEditLeavesTheBackpackAndSlotsAsTheyWere) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 0, 0).placed, 3);  // 2x3 at (0, 0)
  ASSERT_EQ(PlaceInBackpack(ch, table, 4, 6, 6).placed, 4);  // a pebble elsewhere
  ASSERT_EQ(EditSlot(ch, 2, "1").placed, 1);
  const TPartyCharacter before = ch;
  // Typing an item placed elsewhere over item 3: "once only", and item 3 stays.
  EXPECT_EQ(EditBackpackCell(ch, table, 0, 0, "4").message, kOnceOnlyMessage);
  EXPECT_EQ(ch.Grid, before.Grid);
  EXPECT_EQ(FindItem(ch, 3).kind, PlaceKind::kBackpack);
  // No room, or no such item: the same.
  EXPECT_FALSE(EditBackpackCell(ch, table, 13, 8, "3").message.empty());
  EXPECT_FALSE(EditBackpackCell(ch, table, 0, 0, "99").message.empty());
  EXPECT_EQ(ch.Grid, before.Grid);
  // A refused slot edit keeps the item that was in the slot.
  EXPECT_EQ(EditSlot(ch, 2, "4").message, kOnceOnlyMessage);
  EXPECT_EQ(ch.Slots, before.Slots);
  EXPECT_EQ(FindItem(ch, 1).slot, 2);
  // An accepted number still replaces the item that was there.
  EXPECT_EQ(EditBackpackCell(ch, table, 0, 0, "2").placed, 2);
  EXPECT_FALSE(IsPlaced(ch, 3));
}

TEST(Inventory, DeletingAnEntryFreesItsPlaceAndShortensTheList) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  EXPECT_EQ(ItemListRowCount(ch), 6);
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 0, 0).placed, 3);
  ASSERT_EQ(EditSlot(ch, 2, "4").placed, 4);
  ItemRowTexts typed = ShowItemRow(ch, table, 3);
  typed[kColItemName] = "";
  EXPECT_TRUE(EditItemRow(ch, table, 3, typed).deleted);
  EXPECT_EQ(CountCells(ch, 0), kGridRows * kGridColumns);
  EXPECT_EQ(ch.Item(3), ItemRecord{});
  DeleteItem(ch, 4);
  EXPECT_EQ(ch.Slots[1], 0);
  EXPECT_EQ(ItemListRowCount(ch), 4);
  DeleteItem(ch, 1);
  DeleteItem(ch, 2);
  EXPECT_EQ(ItemListRowCount(ch), 3) << "captions, one empty row and a row to spare";
}

TEST(Inventory, ItemRowsShowAndTakeNamesNumbersAndPowers) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ch.Item(1) = {1, 2, 5, 1, 30, 0, 0, 77, 88};
  ItemRowTexts row = ShowItemRow(ch, table, 1);
  EXPECT_EQ(row, (ItemRowTexts{"1", "Dagger", "30", "of Wit", "5", "of Embers", "Unidentified"}));
  ch.Item(2) = {220, 9, 4, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(ShowItemRow(ch, table, 2),
            (ItemRowTexts{"2", "Wand of Sparks", "", "9", "", "", "Identified"}));
  EXPECT_EQ(ShowItemRow(ch, table, 5), ItemRowTexts{});

  // A power item keeps its stored amount; names are found in any case.
  ItemRowEdit e =
      EditItemRow(ch, table, 2, {"", "wand of sparks", "0", "x", "12", "OF EMBERS", ""});
  EXPECT_EQ(e.cells, (ItemRowTexts{"2", "Wand of Sparks", "", "1", "", "of Embers", "Identified"}));
  EXPECT_EQ(ch.Item(2), (ItemRecord{220, 1, 4, 1, 0, 1, 0, 0, 0}));
  // An unknown item name gives item 1; an unknown enchantment clears both cells and keeps
  // the amount; an unknown status counts as row 1.
  e = EditItemRow(ch, table, 1, {"", "Sword of Legends", "x", "of Luck", "3", "", "Shiny"});
  EXPECT_EQ(e.cells, (ItemRowTexts{"1", "Dagger", "", "", "", "", "Unidentified"}));
  EXPECT_EQ(ch.Item(1), (ItemRecord{1, 0, 5, 0, 0, 0, 0, 77, 88}));
  e = EditItemRow(ch, table, 1, {"", "Dagger", "", "of might", "", "", ""});
  EXPECT_EQ(e.cells[kColModAmount], "1");
  EXPECT_EQ(ch.Item(1)[kItemModPower], 1);
}

TEST(Inventory, ABiggerItemThatNoLongerFitsIsTakenOutWithTheNewFieldsKept) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 1, 0, 0).placed, 1);
  ASSERT_EQ(PlaceInBackpack(ch, table, 4, 1, 2).placed, 4);
  ItemRowTexts typed = ShowItemRow(ch, table, 1);
  typed[kColItemName] = "Greatsword";  // 2x3 from (0, 0) meets the pebble at (1, 2)
  ItemRowEdit e = EditItemRow(ch, table, 1, typed);
  EXPECT_EQ(e.message, "Item doesn't fit there!");
  EXPECT_EQ(ch.Item(1)[kItemNumber], 3);
  EXPECT_FALSE(IsPlaced(ch, 1));
  EXPECT_EQ(e.cells[0], "1");
  EXPECT_EQ(ch.Cell(1, 2), 4);

  typed[kColItemName] = "Shield";  // 2x2 fits
  EXPECT_EQ(EditItemRow(ch, table, 1, typed).cells[0], "1") << "unplaced: only the fields change";
  ASSERT_EQ(PlaceInBackpack(ch, table, 1, 0, 0).placed, 1);
  e = EditItemRow(ch, table, 1, typed);
  EXPECT_EQ(e.message, "");
  EXPECT_EQ(e.cells[0], "(*) 1");
  EXPECT_EQ(CountCells(ch, -1), 3);
}

TEST(Inventory, ADraggedItemKeepsTheCellItWasTakenByUnderThePointer) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 2, 2).placed, 3);  // 2x3 at (2, 2)
  DragState drag{2, 2, 1, 2};                                // taken by its bottom-right cell
  EXPECT_FALSE(DragOverCell(ch, table, 3, 3, 4, drag)) << "over the same cell: no jump";
  EXPECT_EQ(ch.Cell(2, 2), 3);
  EXPECT_TRUE(DragOverCell(ch, table, 3, 6, 6, drag));
  EXPECT_EQ(ch.Cell(5, 4), 3);
  EXPECT_EQ(drag.col, 5);
  EXPECT_EQ(drag.row, 4);
  // A corner that would lie outside the backpack is refused; the item stays.
  EXPECT_FALSE(DragOverCell(ch, table, 3, 0, 1, drag));
  EXPECT_EQ(ch.Cell(5, 4), 3);
}

TEST(Inventory, AStepInsideABoxGoesOnPastIt) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 2, 2).placed, 3);  // 2x3 at (2, 2)
  EXPECT_EQ(StepOverBox(ch, {2, 2}, {3, 2}), (BackpackCell{4, 2}));
  EXPECT_EQ(StepOverBox(ch, {2, 2}, {2, 3}), (BackpackCell{2, 5}));
  EXPECT_EQ(StepOverBox(ch, {3, 4}, {2, 4}), (BackpackCell{1, 4}));
  EXPECT_EQ(StepOverBox(ch, {3, 3}, {3, 2}), (BackpackCell{3, 1}));
  // From outside the box, or more than one step: no stepping over.
  EXPECT_EQ(StepOverBox(ch, {1, 3}, {2, 3}), std::nullopt);
  EXPECT_EQ(StepOverBox(ch, {2, 2}, {3, 3}), std::nullopt);
  // Past the edge of the grid: nothing.
  ASSERT_EQ(PlaceInBackpack(ch, table, 2, 12, 0).placed, 2);  // 2x2 at the right edge
  EXPECT_EQ(StepOverBox(ch, {12, 0}, {13, 0}), std::nullopt);
}

TEST(Inventory, DraggingMovesAnItemThroughSpaceItPartlyOccupies) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 0, 0).placed, 3);  // 2x3
  DragState drag{0, 0};                                      // picked up at its top-left cell
  EXPECT_TRUE(DragOverCell(ch, table, 3, 1, 0, drag));       // one cell right
  EXPECT_EQ(ch.Cell(1, 0), 3);
  EXPECT_EQ(ch.Cell(0, 0), 0);
  EXPECT_EQ(CountCells(ch, CoverValue(1, 0)), 5);
  EXPECT_FALSE(DragOverCell(ch, table, 3, 1, 0, drag)) << "the same cell changes nothing";
  EXPECT_EQ(ch.Cell(1, 0), 3);
  // No room at column 13: the item is left out, and found room again further on.
  EXPECT_FALSE(DragOverCell(ch, table, 3, 13, 0, drag));
  EXPECT_FALSE(IsPlaced(ch, 3));
  EXPECT_FALSE(drag.Active());
  EXPECT_TRUE(DragOverCell(ch, table, 3, 5, 5, drag));
  EXPECT_EQ(ch.Cell(5, 5), 3);
}

TEST(Inventory, AnUnplacedEntryDraggedOverAnOccupiedAreaStaysUnplaced) {
  const PartyDataTable table = SmallTable();
  TPartyCharacter ch = Packed();
  ASSERT_EQ(PlaceInBackpack(ch, table, 3, 0, 0).placed, 3);
  DragState drag;
  EXPECT_FALSE(DragOverCell(ch, table, 1, 1, 1, drag));
  EXPECT_FALSE(IsPlaced(ch, 1));
  // A placed entry dragged from the list is accepted but not moved.
  EXPECT_FALSE(DragOverCell(ch, table, 3, 8, 1, drag));
  EXPECT_EQ(ch.Cell(0, 0), 3);
}

TEST(Inventory, ItemSizesThatAreNoNumberAreNamed) {
  PartyDataTable table = SmallTable();
  std::vector<std::string> widths(221, "1");
  widths[4] = "wide";
  table.SetColumn(kColItemWidth, widths);
  TPartyCharacter ch = Packed();
  PlaceOutcome out = PlaceInBackpack(ch, table, 4, 0, 0);
  EXPECT_EQ(out.placed, 0);
  EXPECT_NE(out.message.find("column 17, row 4"), std::string::npos) << out.message;
}

}  // namespace
}  // namespace brindle
