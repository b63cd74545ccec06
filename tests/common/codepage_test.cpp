#include "common/codepage.h"

#include <gtest/gtest.h>

namespace brindle {
namespace {

TEST(Codepage, EveryWindows1252ByteComesBackFromItsUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b)
    all.push_back(static_cast<char>(b));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC caf\xC3\xA9"), "\x80 caf\xE9");
}

TEST(Codepage, WhatWindows1252CannotHoldBecomesAQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("\xE2\x98\xBA"), "?");        // a smiley
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x90\x89x"), "?x");  // outside the basic plane
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");              // cut short
  EXPECT_EQ(Utf8ToCp1252("\xA9z"), "?z");              // a continuation byte alone
}

}  // namespace
}  // namespace brindle
