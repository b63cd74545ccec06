#include <gtest/gtest.h>

#include <sstream>

#include "cli_run.h"
#include "test_support.h"
#include "viewer/cli/commands.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

using test::TempDir;
using test::TextBytes;

test::CliRun Grep(std::vector<std::string> args) {
  return test::Cli("grep", std::move(args));
}

// A compressed table, a string list and an entry whose name holds a control character.
std::string Container(const TempDir& dir) {
  const std::string odd = "odd\x01.txt";
  return dir.Write(
      "icons.lod",
      BuildLod(
          "icons",
          {{"quest.txt", BuildPackedLodEntry("quest.txt", TextBytes("a\tb\r\nc\tGold\r\n"), true)},
           {"names.str",
            BuildPackedLodEntry("names.str", TextBytes(std::string("x\0gold\0", 7)), false)},
           {odd, BuildPackedLodEntry(odd, TextBytes("nothing"), false)}}));
}

TEST(GrepCli, PrintsNameWhereAndSnippetPerMatch) {
  TempDir dir;
  const std::string lod = Container(dir);
  test::CliRun r = Grep({lod, "GOLD"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "quest.txt\trow 2 col 2\tGold\nnames.str\tline 2\tgold\n");
  EXPECT_EQ(r.err, "");

  r = Grep({lod, "odd", "--names-only"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "odd\\x01.txt\tname\todd\\x01.txt\n");

  r = Grep({lod, "--type", "str", "GOLD"});
  EXPECT_EQ(r.out, "names.str\tline 2\tgold\n");

  r = Grep({"--hex", lod, "47 ?? 6c"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("quest.txt\toffset 7\t", 0), 0u) << r.out;
}

TEST(GrepCli, ExitCodesFollowGrep) {
  TempDir dir;
  const std::string lod = Container(dir);
  test::CliRun r = Grep({lod, "silver"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Grep({lod, "--hex", "78 9c"}).code, 1);

  for (const std::vector<std::string>& args : {std::vector<std::string>{lod, "--hex", "7g"},
                                               {lod, "gold", "--type", "nosuch"},
                                               {dir.File("missing.lod"), "gold"},
                                               {lod},
                                               {lod, "gold", "--bogus"}}) {
    r = Grep(args);
    EXPECT_EQ(r.code, 2) << args.back();
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  EXPECT_NE(Grep({lod, "gold", "--type", "nosuch"}).err.find("text"), std::string::npos);
}

}  // namespace
}  // namespace brindle
