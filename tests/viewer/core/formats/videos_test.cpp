#include "viewer/core/formats/videos.h"

#include <gtest/gtest.h>

#include "common/file.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/formats/raw_types.h"

namespace brindle {
namespace {

TEST(Videos, SizeTextAndCopiesOfEveryLength) {
  test::TempDir dir;
  std::string vid = dir.Write("movies.vid", BuildVid({{"a", test::Pattern(10)},
                                                      {"b", test::Pattern(8000, 2)},
                                                      {"c", test::Pattern(8001, 3)},
                                                      {"d", {}}}));
  TDataFile df;
  test::RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, vid, host).ok());
  EXPECT_EQ(MovieSizeText(df.Entries[0]), "Movie Size: 10 bytes");

  struct Case {
    int index;
    std::vector<std::pair<int, int>> progress;
  };
  for (const Case& c :
       {Case{0, {}}, Case{1, {{1, 2}, {2, 2}}}, Case{2, {{1, 2}, {2, 2}}}, Case{3, {}}}) {
    std::vector<std::pair<int, int>> seen;
    std::string out = dir.File("out" + std::to_string(c.index));
    Status copied = CopyMovie(vid, df.Entries[static_cast<std::size_t>(c.index)], out,
                              [&](int i, int n) { seen.emplace_back(i, n); });
    ASSERT_TRUE(copied.ok()) << copied.message();
    EXPECT_EQ(seen, c.progress) << c.index;
    MemoryFile container(dir.Read("movies.vid"));
    EXPECT_EQ(dir.Read("out" + std::to_string(c.index)),
              ReadStoredEntry(container, df.Entries[static_cast<std::size_t>(c.index)]).value());
  }
  // A player still reading the last copy keeps its bytes when the next movie is copied
  // over the same name: the copy is a new file put in its place.
  const std::string temp = dir.File("temp.ztp");
  ASSERT_TRUE(CopyMovie(vid, df.Entries[1], temp, {}).ok());
  auto player = test::OpenFile(temp);
  ASSERT_TRUE(player);
  ASSERT_TRUE(CopyMovie(vid, df.Entries[0], temp, {}).ok());
  EXPECT_EQ(dir.Read("temp.ztp"), test::Pattern(10));
  Bytes stillThere(8000);
  ASSERT_TRUE(player->ReadExact(0, stillThere.data(), stillThere.size()));
  EXPECT_EQ(stillThere, test::Pattern(8000, 2));

  Status refused = CopyMovie(vid, df.Entries[0], dir.File("no/such/folder/x"), {});
  EXPECT_EQ(refused.message().rfind("Cannot write file " + dir.File("no/such/folder/x") + ": ", 0),
            0u);
}

TEST(Videos, PlayerLaunchByKind) {
  PlayerLaunch ztp = MakePlayerLaunch("INTRO", "/opt/my games/brindle", "/tmp/c");
  EXPECT_EQ(ztp.tempFile, "/tmp/c/temp.ztp");
  EXPECT_EQ(ztp.program, "/opt/my games/brindle/reelrun");
  EXPECT_EQ(ztp.arguments, (std::vector<std::string>{"/tmp/c/temp.ztp", "/L", "/V3"}));
  EXPECT_EQ(MakePlayerLaunch("end.ZTP", "/p", "/t").program, "/p/reelrun");
  PlayerLaunch kno = MakePlayerLaunch("INTRO.KNO", "/p", "/t");
  EXPECT_EQ(kno.tempFile, "/t/temp.kno");
  EXPECT_EQ(kno.program, "/p/spoolrun");
  EXPECT_EQ(kno.arguments, std::vector<std::string>{"/t/temp.kno"});
  EXPECT_TRUE(MakePlayerLaunch("clip.avi", "/p", "/t").program.empty());
}

TEST(StringLists, LinesEndAtEachNul) {
  EXPECT_EQ(SplitStrings(test::TextBytes(std::string("a\0\0b", 4))),
            (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitStrings(test::TextBytes(std::string("x\0", 2))), std::vector<std::string>{"x"});
  EXPECT_TRUE(SplitStrings({}).empty());
}

}  // namespace
}  // namespace brindle
