#include "viewer/core/edit/entry_filter.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TResourceInfo Entry(const std::string& name, TResourceType type) {
  TResourceInfo e;
  e.Name = name;
  e.ResType = type;
  return e;
}

TEST(EntryFilter, WordsAndTypesTogether) {
  const TResourceInfo bitmap = Entry("Wall\xe9_01", rtBitmap);
  const TResourceInfo text = Entry("walls.txt", rtText);
  auto passes = [](const char* typed, const TResourceInfo& e) {
    return EntryPasses(ParseEntryFilter(typed), e);
  };
  EXPECT_TRUE(ParseEntryFilter("  \t ").KeepsAll());
  EXPECT_TRUE(passes("", bitmap));
  EXPECT_TRUE(passes("wall", bitmap));
  EXPECT_TRUE(passes("WALL _01", bitmap));  // every word, any ASCII case
  EXPECT_FALSE(passes("wall txt", bitmap));
  EXPECT_TRUE(passes("\xc3\xa9", bitmap));  // the name as UTF-8
  EXPECT_TRUE(passes("type:Bitmap", bitmap));
  EXPECT_FALSE(passes("type:bitmap", text));
  EXPECT_TRUE(passes("type:bitmap TYPE:text walls", text));  // any of the types
  // A half-typed "type:" narrows nothing yet; a word that is no type keeps nothing.
  EXPECT_TRUE(ParseEntryFilter("type:").KeepsAll());
  EXPECT_FALSE(passes("type:bitmaps", bitmap));
  EXPECT_FALSE(ParseEntryFilter("wall").NeedsTypes());
  EXPECT_TRUE(ParseEntryFilter("type:sound").NeedsTypes());
}

}  // namespace
}  // namespace brindle
