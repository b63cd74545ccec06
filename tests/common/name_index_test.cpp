#include "common/name_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codepage.h"

namespace brindle {
namespace {

// The lowest holder of a name, found the slow way.
std::int64_t Scan(const std::vector<std::string>& names, std::string_view name, bool anyCase,
                  std::int64_t besides) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (static_cast<std::int64_t>(i) == besides) continue;
    bool same = names[i].size() == name.size();
    for (std::size_t k = 0; same && k < name.size(); ++k) {
      const auto a = static_cast<unsigned char>(names[i][k]);
      const auto b = static_cast<unsigned char>(name[k]);
      same = anyCase ? Lower1252(a) == Lower1252(b) : a == b;
    }
    if (same) return static_cast<std::int64_t>(i);
  }
  return -1;
}

// Thousands of names with repeats in both cases and accented letters (and an empty one):
// every lookup, of a name there or not, gives what a scan of the list gives.
TEST(NameIndex, FindsTheLowestHolderAsAScanWould) {
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) {
    std::string n = (i % 3 == 0 ? "ICON" : "icon") + std::to_string(i % 1100);
    if (i % 7 == 0) n += "\xC9";   // É
    if (i % 11 == 0) n += "\xE9";  // é
    names.push_back(n);
  }
  names.push_back("");
  std::vector<std::string> asked = names;
  for (const char* absent : {"nothing", "icon99999", "ICON1\xE9\xE9"})
    asked.push_back(absent);
  for (auto match : {NameIndex::Match::kExact, NameIndex::Match::kAnyCase}) {
    const bool anyCase = match == NameIndex::Match::kAnyCase;
    const NameIndex index(
        names.size(), [&](std::size_t i) { return std::string_view(names[i]); }, match);
    for (std::size_t k = 0; k < asked.size(); ++k) {
      EXPECT_EQ(index.First(asked[k]), Scan(names, asked[k], anyCase, -1)) << asked[k];
      const std::size_t besides = k % names.size();
      EXPECT_EQ(index.Other(asked[k], besides),
                Scan(names, asked[k], anyCase, static_cast<std::int64_t>(besides)))
          << asked[k];
    }
  }
  const NameIndex none(
      0, [](std::size_t) { return std::string_view(); }, NameIndex::Match::kExact);
  EXPECT_EQ(none.First(""), -1);
}

}  // namespace
}  // namespace brindle
