#include "viewer/core/containers/directory.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;

Bytes TwoEntryLod(const std::string& identifier) {
  return BuildLod(identifier, {{"first", Pattern(10)}, {"second.txt", Pattern(20)}});
}

TEST(OpenContainer, RecognisesLodIdentifiersInAnyCase) {
  TempDir dir;
  RecordingHost host;
  const std::pair<const char*, TContainerKind> cases[] = {{"BITMAPS", ckBitmaps},
                                                          {"icons", ckIcons},
                                                          {"Chapter", ckChapter},
                                                          {"sprites08", ckSprites},
                                                          {"maps", ckMaps}};
  for (const auto& [id, kind] : cases) {
    TDataFile df;
    std::string path = dir.Write(std::string(id) + ".lod", TwoEntryLod(id));
    ASSERT_TRUE(OpenContainer(df, path, host).ok()) << id;
    EXPECT_EQ(df.Kind, kind) << id;
    EXPECT_EQ(df.FileName, path);
    EXPECT_EQ(df.FileSize, static_cast<std::int64_t>(TwoEntryLod(id).size()));
    EXPECT_GT(df.FileDate, 0);
    ASSERT_EQ(df.Entries.size(), 2u);
    EXPECT_EQ(df.Entries[1].Name, "second.txt");
    EXPECT_EQ(df.Entries[0].Offset, 288 + 64);  // directory start + two records
    EXPECT_EQ(df.Entries[1].Offset, 288 + 64 + 10);
    EXPECT_EQ(df.Entries[1].Size, 20);
    EXPECT_EQ(df.Entries[1].ResType, rtUnidentified);
    EXPECT_FALSE(df.Entries[1].Identified);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST(OpenContainer, UnknownIdentifierLeavesTheOpenContainerAlone) {
  TempDir dir;
  RecordingHost host;
  TDataFile df;
  std::string good = dir.Write("icons.lod", TwoEntryLod("ICONS"));
  ASSERT_TRUE(OpenContainer(df, good, host).ok());
  // An identifier only close to a known one, and a longer one, are both unknown.
  for (const char* id : {"GAMES", "MAPS2", "BITMAPSX"}) {
    std::string other = dir.Write(std::string(id) + ".lod", TwoEntryLod(id));
    EXPECT_EQ(OpenContainer(df, other, host).kind(), ErrorKind::kNotRecognised);
    EXPECT_EQ(df.FileName, good);
    EXPECT_EQ(df.Kind, ckIcons);
    EXPECT_EQ(df.Entries.size(), 2u);
  }
  EXPECT_TRUE(host.messages.empty());
}

TEST(OpenContainer, ExtensionDecidesBeforeTheIdentifier) {
  TempDir dir;
  RecordingHost host;
  TDataFile df;
  // A .SnD file is read as SND, whatever its identifier would say, as long as its
  // directory can describe a sound container at all.
  std::string snd = dir.Write("odd.SnD", Bytes(8, 0));
  ASSERT_TRUE(OpenContainer(df, snd, host).ok());
  EXPECT_EQ(df.Kind, ckSnd);
  EXPECT_TRUE(df.Entries.empty());
  // A dot in a folder name is not an extension.
  std::filesystem::create_directory(dir.path() / "x.snd");
  std::string lod = dir.Write("x.snd/plain", TwoEntryLod("MAPS"));
  ASSERT_TRUE(OpenContainer(df, lod, host).ok());
  EXPECT_EQ(df.Kind, ckMaps);
}

TEST(OpenContainer, ASoundOrMovieNameOnAnotherFormatIsNotAContainer) {
  TempDir dir;
  RecordingHost host;
  TDataFile df;
  auto recognised = [&](const std::string& name, const Bytes& bytes) {
    const std::string path = dir.Write(name, bytes);
    Status s = OpenContainer(df, path, host);
    if (!s) {
      EXPECT_EQ(s.message(), "Not a recognised data file: " + path);
    }
    return s.ok();
  };
  // Another format, random bytes, a count whose records would run past the end.
  Bytes lod = TwoEntryLod("ICONS");
  std::copy_n("LOD", 4, lod.begin());
  EXPECT_FALSE(recognised("lod.vid", lod));
  EXPECT_FALSE(recognised("random.snd", Pattern(5000)));
  Bytes snd = BuildSnd({{"Boom", Pattern(100), 0}, {"Bang", Pattern(30), 77}});
  Bytes tooMany = snd;
  PutU32(tooMany.data(), 1000);
  EXPECT_FALSE(recognised("many.snd", tooMany));
  EXPECT_FALSE(recognised("short.snd", Bytes(3, 0)));
  // Any offset or size below zero.
  for (std::size_t field : {40u, 44u, 48u}) {
    Bytes negative = snd;
    PutU32(negative.data() + 4 + 52 + field, 0xFFFFFFF0u);
    EXPECT_FALSE(recognised("negative.snd", negative)) << field;
  }
  Bytes vid = BuildVid({{"a", {}}, {"b", {}}});
  PutU32(vid.data() + 4 + 44 + 40, 0x80000000u);
  EXPECT_FALSE(recognised("negative.vid", vid));

  // Damage further on still opens: an entry reaching past the end of the file.
  Bytes pastEnd = snd;
  PutU32(pastEnd.data() + 4 + 52 + 44, 100000);
  EXPECT_TRUE(recognised("damaged.snd", pastEnd));
  EXPECT_EQ(df.Entries.size(), 2u);
}

TEST(OpenContainer, MissingFileSaysSoAndKeepsState) {
  TempDir dir;
  RecordingHost host;
  TDataFile df;
  std::string good = dir.Write("icons.lod", TwoEntryLod("ICONS"));
  ASSERT_TRUE(OpenContainer(df, good, host).ok());
  std::string missing = dir.File("gone.snd");
  Status r = OpenContainer(df, missing, host);
  EXPECT_EQ(r.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(r.message(), "Cannot open file " + missing);
  EXPECT_EQ(df.FileName, good);
  EXPECT_EQ(df.Entries.size(), 2u);
}

TEST(OpenContainer, WriterLockMakesTheOpenFail) {
  TempDir dir;
  RecordingHost host;
  TDataFile df;
  std::string path = dir.Write("icons.lod", TwoEntryLod("ICONS"));
  auto writer = test::OpenFile(path, FileMode::kWriteExclusive);
  ASSERT_TRUE(writer);
  Status held = OpenContainer(df, path, host);
  EXPECT_EQ(held.kind(), ErrorKind::kInUse);
  EXPECT_EQ(held.message(), "File " + path + " is in use by another program.");
  writer.reset();
  EXPECT_TRUE(OpenContainer(df, path, host).ok());
  // Readers share.
  auto reader = PosixFile::Open(path, FileMode::kReadShared);
  EXPECT_TRUE(OpenContainer(df, path, host).ok());
  EXPECT_FALSE(PosixFile::Open(path, FileMode::kWriteExclusive));
}

TEST(ReadDirectory, LodCountsAndOffsets) {
  RecordingHost host;
  std::vector<TResourceInfo> entries;
  for (std::int32_t count : {0, -5}) {
    Bytes lod = TwoEntryLod("ICONS");
    PutU32(lod.data() + 284, static_cast<std::uint32_t>(count));
    MemoryFile f(lod);
    ASSERT_TRUE(ReadDirectory(f, ckIcons, entries, host));
    EXPECT_TRUE(entries.empty()) << count;
  }
  // Record offset 0 is file offset 288; a 16-character name fills its field.
  Bytes lod = BuildLod("ICONS", {{"ABCDEFGHIJKLMNOP", Pattern(4)}});
  PutU32(lod.data() + 288 + 16, 0);
  MemoryFile f(lod);
  ASSERT_TRUE(ReadDirectory(f, ckIcons, entries, host));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Offset, 288);
  EXPECT_EQ(entries[0].Name, "ABCDEFGHIJKLMNOP");
}

// A name ends at the first NUL of its field, whatever follows it, at every length from 0 to
// the whole field, and bytes such as 0x01, 0x80 and 0xFF are name bytes like any other.
TEST(ReadDirectory, ANameEndsAtTheFirstNulOfItsField) {
  std::vector<NewEntry> made;
  for (int i = 0; i <= 16; ++i)
    made.push_back({std::to_string(i) + "n", Pattern(4)});
  Bytes lod = BuildLod("ICONS", made);
  std::vector<std::string> want;
  for (int len = 0; len <= 16; ++len) {
    std::uint8_t* field = lod.data() + 288 + 32 * len;
    std::string name;
    for (int k = 0; k < len; ++k)
      name.push_back(static_cast<char>("\x01\x80\xFFzA"[k % 5]));
    for (int k = 0; k < 16; ++k)
      field[k] = k < len    ? static_cast<std::uint8_t>(name[static_cast<std::size_t>(k)])
                 : k == len ? 0
                            : 0x01;  // what follows the NUL is not the name's
    want.push_back(name);
  }
  MemoryFile f(lod);
  RecordingHost host;
  std::vector<TResourceInfo> entries;
  ASSERT_TRUE(ReadDirectory(f, ckIcons, entries, host));
  ASSERT_EQ(entries.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_EQ(entries[i].Name, want[i]) << "length " << i;
}

TEST(ReadDirectory, CountIsTrustedOnlyAsFarAsTheFileReaches) {
  RecordingHost host;
  std::vector<TResourceInfo> entries;
  Bytes lod = TwoEntryLod("ICONS");
  PutU32(lod.data() + 284, 0x7FFFFFFF);
  MemoryFile f(lod);
  ASSERT_TRUE(ReadDirectory(f, ckIcons, entries, host));
  // The file holds the two real records plus the 30 payload bytes, less than one record.
  EXPECT_EQ(entries.size(), 2u);
  // Progress counts against the declared number and never repeats a value.
  for (std::size_t i = 1; i < host.progress.size(); ++i) {
    EXPECT_GT(host.progress[i], host.progress[i - 1]);
  }
  // A file too short for even the count has no entries.
  MemoryFile tiny(Bytes(270, 0));
  ASSERT_TRUE(ReadDirectory(tiny, ckIcons, entries, host));
  EXPECT_TRUE(entries.empty());
}

TEST(ReadDirectory, SndRecords) {
  RecordingHost host;
  std::vector<TResourceInfo> entries;
  Bytes snd = BuildSnd({{"Boom", Pattern(100), 0}, {std::string(40, 'x'), Pattern(30), 77}});
  MemoryFile f(snd);
  ASSERT_TRUE(ReadDirectory(f, ckSnd, entries, host));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Offset, 4 + 2 * 52);
  EXPECT_EQ(entries[0].Size, 100);
  EXPECT_EQ(entries[0].PackedSize, 100);
  EXPECT_EQ(entries[0].UnpackedSize, 0);
  EXPECT_EQ(entries[1].Name, std::string(40, 'x'));
  EXPECT_EQ(entries[1].UnpackedSize, 77);
}

TEST(ReadDirectory, VidSizesComeFromTheNextOffset) {
  RecordingHost host;
  std::vector<TResourceInfo> entries;
  Bytes vid = BuildVid({{"a", {}}, {"b", {}}, {"c", {}}});
  vid.resize(9000, 0);
  PutU32(vid.data() + 4 + 40, 136);
  PutU32(vid.data() + 4 + 44 + 40, 1000);
  PutU32(vid.data() + 4 + 88 + 40, 5000);
  MemoryFile f(vid);
  ASSERT_TRUE(ReadDirectory(f, ckVid, entries, host));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Size, 864);
  EXPECT_EQ(entries[1].Size, 4000);
  EXPECT_EQ(entries[2].Size, 4000);

  Bytes one = BuildVid({{"only", {}}});
  one.resize(1048, 0);
  PutU32(one.data() + 4 + 40, 48);
  MemoryFile g(one);
  ASSERT_TRUE(ReadDirectory(g, ckVid, entries, host));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Size, 1000);
}

TEST(ReadFixedString, StopsAtNulOrTakesAll) {
  MemoryFile f(Bytes{'a', 'b', 0, 'c', 'd', 'e'});
  EXPECT_EQ(ReadFixedString(f, 0, 6).value(), "ab");
  EXPECT_EQ(ReadFixedString(f, 3, 3).value(), "cde");
  EXPECT_EQ(ReadFixedString(f, 3, 10).value(), "cde");  // the end of the file ends the text
}

TEST(ProgressReporter, RoundsHalvesToEven) {
  EXPECT_EQ(ProgressReporter::Percent(1, 8), 12);  // 12.5
  EXPECT_EQ(ProgressReporter::Percent(3, 8), 38);  // 37.5
  EXPECT_EQ(ProgressReporter::Percent(1, 3), 33);
  EXPECT_EQ(ProgressReporter::Percent(-1, 10), 0);
  EXPECT_EQ(ProgressReporter::Percent(5, 0), 0);
  EXPECT_EQ(ProgressReporter::Percent(10, 10), 100);
}

}  // namespace
}  // namespace brindle
