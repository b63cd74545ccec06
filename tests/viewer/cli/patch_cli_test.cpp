#include <gtest/gtest.h>

#include <filesystem>

#include "cli_run.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

using test::TextBytes;

test::CliRun Patch(std::vector<std::string> args) {
  return test::Cli("patch", std::move(args));
}

NewEntry Text(const std::string& name, const std::string& text) {
  return {name, BuildPackedLodEntry(name, TextBytes(text), false)};
}

TEST(PatchCli, MakeInfoApplyAndTheExitCodesPeopleScriptAgainst) {
  test::TempDir dir;
  const Bytes original = BuildLod("ICONS", {Text("a.txt", "1"), Text("b.txt", "2")});
  const std::string before = dir.Write("old.lod", original);
  const std::string after = dir.Write(
      "new.lod",
      BuildLod("ICONS", {Text("a.txt", "changed"), Text("b.txt", "2"), Text("c.txt", "3")}));
  const std::string zip = dir.File("mod.zip");
  test::CliRun made = Patch({"make", before, after, "-o", zip, "--title", "Fix", "--author", "Me"});
  EXPECT_EQ(made.code, 0) << made.err;
  EXPECT_EQ(made.out, "Wrote " + zip + " (2 changes)\n");

  test::CliRun info = Patch({"info", zip});
  EXPECT_EQ(info.code, 0) << info.err;
  EXPECT_EQ(info.out,
            "title: Fix\nauthor: Me\ncontainer: icons (ICONS)\nchanges: 2\n"
            "replace a.txt (" +
                std::to_string(48 + 7) +
                " bytes)\n"
                "add c.txt (" +
                std::to_string(48 + 1) + " bytes)\n");

  const std::string user = dir.Write("user.lod", original);
  test::CliRun dry = Patch({"apply", user, zip, "--dry-run"});
  EXPECT_EQ(dry.code, 0) << dry.err;
  EXPECT_EQ(dry.out, "Would replace a.txt\nWould add c.txt\nNothing was written (--dry-run)\n");
  EXPECT_EQ(test::FileBytes(user), original);
  test::CliRun applied = Patch({"apply", user, zip});
  EXPECT_EQ(applied.code, 0) << applied.err;
  EXPECT_EQ(applied.out, "Replaced a.txt\nAdded c.txt\nApplied 2 changes to " + user + "\n");
  test::CliRun again = Patch({"apply", user, zip});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out, "The patch is already applied to " + user + "\n");

  // Someone else's copy, with a.txt changed: a conflict, and nothing written.
  const Bytes theirs = BuildLod("ICONS", {Text("a.txt", "mine"), Text("b.txt", "2")});
  const std::string other = dir.Write("other.lod", theirs);
  test::CliRun conflict = Patch({"apply", other, zip});
  EXPECT_EQ(conflict.code, 1);
  EXPECT_EQ(conflict.err,
            "Conflict: a.txt: changed since the patch was made\nNothing was written: 1 conflict\n");
  EXPECT_EQ(test::FileBytes(other), theirs);
  test::CliRun forced = Patch({"apply", other, zip, "--force"});
  EXPECT_EQ(forced.code, 1) << "something was skipped";
  EXPECT_EQ(forced.err, "Skipped a.txt: changed since the patch was made\n");
  EXPECT_EQ(forced.out, "Added c.txt\nApplied 1 change to " + other + "\n");

  test::CliRun same = Patch({"make", before, before, "-o", dir.File("same.zip")});
  EXPECT_EQ(same.code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("same.zip")));
  for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                              {"make", before, after},
                                              {"info"},
                                              {"apply", user},
                                              {"frobnicate"},
                                              {"info", dir.File("gone.zip")},
                                              {"apply", user, before}}) {
    test::CliRun r = Patch(bad);
    EXPECT_EQ(r.code, 2) << (bad.empty() ? "" : bad.back());
    EXPECT_FALSE(r.err.empty());
  }
}

}  // namespace
}  // namespace brindle
