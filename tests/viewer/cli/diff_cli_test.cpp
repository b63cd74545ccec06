#include <gtest/gtest.h>

#include "cli_run.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

using test::TextBytes;

test::CliRun Diff(std::vector<std::string> args) {
  return test::Cli("diff", std::move(args));
}

TEST(DiffCli, ExitCodesAreDiffsAndEachDifferenceIsALine) {
  test::TempDir dir;
  const std::string odd = "odd\x01.txt";
  const std::string before = dir.Write(
      "old.lod", BuildLod("ICONS", {{"a.txt", BuildPackedLodEntry("a.txt", TextBytes("1"), true)},
                                    {odd, BuildPackedLodEntry(odd, TextBytes("2"), false)}}));
  const std::string after = dir.Write(
      "new.lod",
      BuildLod("ICONS", {{"a.txt", BuildPackedLodEntry("a.txt", TextBytes("1"), false)},
                         {"b.txt", BuildPackedLodEntry("b.txt", TextBytes("3"), false)}}));
  test::CliRun same = Diff({before, before});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_EQ(same.out, "");

  test::CliRun changed = Diff({before, after});
  EXPECT_EQ(changed.code, 1) << changed.err;
  // A control character in a name is escaped, as list prints it.
  EXPECT_EQ(changed.out, "M a.txt\n- odd\\x01.txt\n+ b.txt\n");
  // Stored raw instead of compressed: the same as extracted.
  test::CliRun content = Diff({before, after, "--content"});
  EXPECT_EQ(content.code, 1);
  EXPECT_EQ(content.out, "- odd\\x01.txt\n+ b.txt\n");

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{before, dir.File("gone.lod")}, {before}, {before, after, "-x"}}) {
    test::CliRun r = Diff(bad);
    EXPECT_EQ(r.code, 2) << bad.back();
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.err.empty());
  }
}

}  // namespace
}  // namespace brindle
