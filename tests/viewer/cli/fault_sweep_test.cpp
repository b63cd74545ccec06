// Every writing and reading command of brindle-cli, run once for each call it makes to the
// file layer with that one call failing: what is left on disk is the old state or the
// promised new one, and the exit code and message say which.

#include "fault_sweep.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "common/wav.h"
#include "viewer/cli/commands.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

using test::Pattern;
using test::SweepCase;
using test::SweepRun;
using test::TempDir;
using test::TextBytes;

SweepRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  SweepRun r;
  r.code = RunCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

void Icons(const TempDir& dir) {
  Bytes evt = BuildPackedLodEntry("global.evt", Pattern(3000), true);
  Bytes txt = BuildPackedLodEntry("items.txt", TextBytes("a\tb\r\nc\td\r\n"), true);
  Bytes bin = BuildPackedLodEntry("data.bin", Pattern(700, 3), false);
  dir.Write("icons.lod",
            BuildLod("ICONS", {{"global.evt", evt}, {"items.txt", txt}, {"data.bin", bin}}));
  dir.Write("items.txt", TextBytes("new\ttable\r\nof\titems\r\n"));
  dir.Write("extra.bin", Pattern(900, 5));
}

void Sounds(const TempDir& dir) {
  const WavFormat f{11025, 1, 8};
  dir.Write("audio.snd", BuildSnd({{"chime", MakeWav(f, Pattern(4000)), 0},
                                   {"bell", MakeWav(f, Pattern(3000, 9)), 0}}));
  dir.Write("chime", MakeWav(f, Pattern(5000, 4)));  // named as the entry is
  dir.Write("gong.wav", MakeWav(f, Pattern(2500, 6)));
}

// icons.lod and mod.zip, a patch that replaces its table, adds a file and removes an entry.
// The patch is made once: a zip holds the time it was made, and every run must start from
// the same bytes.
void IconsAndPatch(const TempDir& dir) {
  static const Bytes zip = [] {
    TempDir made;
    Icons(made);
    std::filesystem::copy_file(made.File("icons.lod"), made.File("modded.lod"));
    for (const std::vector<std::string>& step :
         {std::vector<std::string>{"import", made.File("modded.lod"), made.File("items.txt")},
          {"add", made.File("modded.lod"), made.File("extra.bin")},
          {"remove", made.File("modded.lod"), "data.bin"},
          {"patch", "make", made.File("icons.lod"), made.File("modded.lod"), "-o",
           made.File("mod.zip")}})
      EXPECT_EQ(Cli(step).code, 0) << step[0];
    return made.Read("mod.zip");
  }();
  Icons(dir);
  dir.Write("mod.zip", zip);
}

std::vector<SweepCase> Cases() {
  auto in = [](const TempDir& d, const char* name) { return d.File(name); };
  return {
      {"rebuild", Icons,
       [&](const TempDir& d) {
         return Cli({"rebuild", in(d, "icons.lod")});
       }},
      {"add", Icons,
       [&](const TempDir& d) {
         return Cli({"add", in(d, "icons.lod"), in(d, "extra.bin")});
       }},
      {"remove", Icons,
       [&](const TempDir& d) {
         return Cli({"remove", in(d, "icons.lod"), "items.txt"});
       }},
      {"rename", Icons,
       [&](const TempDir& d) {
         return Cli({"rename", in(d, "icons.lod"), "global.evt", "other.evt"});
       }},
      {"new", Icons,
       [&](const TempDir& d) {
         return Cli({"new", "icons", in(d, "made.lod"), in(d, "items.txt"), in(d, "extra.bin")});
       }},
      {"import text", Icons,
       [&](const TempDir& d) {
         return Cli({"import", in(d, "icons.lod"), in(d, "items.txt")});
       },
       true},
      {"add sound", Sounds,
       [&](const TempDir& d) {
         return Cli({"add", in(d, "audio.snd"), in(d, "gong.wav")});
       }},
      {"import sound", Sounds,
       [&](const TempDir& d) {
         return Cli({"import", in(d, "audio.snd"), in(d, "chime")});
       },
       true},
      {"extract", Icons,
       [&](const TempDir& d) {
         return Cli({"extract", in(d, "icons.lod"), "-o", in(d, "out")});
       }},
      {"extract raw", Sounds,
       [&](const TempDir& d) {
         return Cli({"extract", in(d, "audio.snd"), "--raw", "-o", in(d, "out")});
       }},
      {"patch apply", IconsAndPatch,
       [&](const TempDir& d) {
         return Cli({"patch", "apply", in(d, "icons.lod"), in(d, "mod.zip")});
       }},
      {"list", Icons,
       [&](const TempDir& d) {
         return Cli({"list", in(d, "icons.lod")});
       }},
  };
}

TEST(FaultSweep, EveryCommandLeavesTheOldStateOrTheNewOneAndSaysWhich) {
  for (const SweepCase& c : Cases()) {
    const int runs = test::SweepFaults(c);
    EXPECT_GT(runs, 3) << c.name;
    std::printf("%s: %d faulted runs\n", c.name.c_str(), runs);
  }
}

// The reasons the system gives reach the user.
TEST(FaultSweep, MessagesCarryTheSystemsReason) {
  TempDir dir;
  Icons(dir);
  const Bytes before = dir.Read("icons.lod");
  {
    int writes = 0;
    SetIoFaultHook(
        [&](IoCall call) { return call == IoCall::kWrite && ++writes == 2 ? ENOSPC : 0; });
    SweepRun r = Cli({"add", dir.File("icons.lod"), dir.File("extra.bin")});
    SetIoFaultHook({});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("The container was left as it was."), std::string::npos) << r.err;
  }
  EXPECT_EQ(dir.Read("icons.lod"), before);
  {
    SetIoFaultHook([](IoCall call) { return call == IoCall::kRead ? EIO : 0; });
    SweepRun r = Cli({"rebuild", dir.File("icons.lod")});
    SetIoFaultHook({});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Input/output error"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(dir.Read("icons.lod"), before);
  // A folder that cannot be pushed to the disk after the rename: the change is made and said
  // to be unchecked.
  {
    SetIoFaultHook([](IoCall call) { return call == IoCall::kFlushFolder ? EIO : 0; });
    SweepRun r = Cli({"rebuild", dir.File("icons.lod")});
    SetIoFaultHook({});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("may not survive a power loss"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Rebuilt "), std::string::npos) << r.out;
  }
  // A failed new container is never said to be left as it was: there was none.
  {
    SetIoFaultHook([](IoCall call) { return call == IoCall::kWrite ? ENOSPC : 0; });
    SweepRun r = Cli({"new", "icons", dir.File("n.lod"), dir.File("extra.bin")});
    SetIoFaultHook({});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Nothing was created."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("left as it was"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("n.lod")));
  }
}

// An import whose bytes landed but whose read-back failed says just that, not that another
// program changed the file.
TEST(FaultSweep, AnImportThatCannotBeReadBackSaysSo) {
  TempDir counting;
  Sounds(counting);
  int reads = 0;
  SetIoFaultHook([&](IoCall call) {
    if (call == IoCall::kRead) ++reads;
    return 0;
  });
  ASSERT_EQ(Cli({"import", counting.File("audio.snd"), counting.File("chime")}).code, 0);
  SetIoFaultHook({});
  // The last reads are the read-back of the record; fail them one at a time from the end.
  bool seen = false;
  for (int last = reads; last > reads - 3 && !seen; --last) {
    TempDir dir;
    Sounds(dir);
    int n = 0;
    SetIoFaultHook([&](IoCall call) { return call == IoCall::kRead && ++n == last ? EIO : 0; });
    SweepRun r = Cli({"import", dir.File("audio.snd"), dir.File("chime")});
    SetIoFaultHook({});
    if (r.err.find("could not be read back") == std::string::npos) continue;
    seen = true;
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Input/output error"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("changed by another program"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace brindle
