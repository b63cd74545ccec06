// Rewriting containers whole: round trips of every kind, adding, removing and renaming,
// compaction after replacements, refused names, and faults at every step of the write.

#include "viewer/core/edit/rebuild.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "common/wav.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/writeback.h"
#include "viewer/core/edit/authoring.h"

namespace brindle {
namespace {

using test::Pattern;
using test::TempDir;

TDataFile Open(const std::string& path) {
  TDataFile df;
  SilentHost quiet;
  EXPECT_TRUE(OpenContainer(df, path, quiet)) << path;
  return df;
}

// Every entry's name and stored bytes, in directory order.
std::vector<std::pair<std::string, Bytes>> Contents(const std::string& path) {
  TDataFile df = Open(path);
  auto file = PosixFile::Open(path, FileMode::kReadShared);
  std::vector<std::pair<std::string, Bytes>> out;
  for (const TResourceInfo& e : df.Entries)
    out.emplace_back(e.Name, ReadStoredEntry(*file, e).value());
  return out;
}

std::vector<std::string> FilesIn(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Rebuild, EveryKindRebuildsToTheSameEntries) {
  TempDir dir;
  const std::vector<NewEntry> entries = {{"first", Pattern(100, 3), 0},
                                         {"second.txt", Pattern(1, 5), 0},
                                         {"third", Pattern(5000, 7), 0}};
  std::vector<NewEntry> sounds = entries;
  sounds[2].unpackedSize = 9000;
  const std::pair<const char*, Bytes> files[] = {{"a.lod", BuildLod("MAPS", entries)},
                                                 {"b.snd", BuildSnd(sounds)},
                                                 {"c.vid", BuildVid(entries)}};
  for (const auto& [name, bytes] : files) {
    const std::string path = dir.Write(name, bytes);
    const auto before = Contents(path);
    TDataFile df = Open(path);
    SilentHost quiet;
    Result<RebuildSizes> sizes = CompactContainer(df, quiet);
    ASSERT_TRUE(sizes) << name << ": " << sizes.message();
    EXPECT_EQ(Contents(path), before) << name;
    EXPECT_EQ(sizes->before, sizes->after) << name << ": nothing was unused";
    EXPECT_EQ(df.Entries.size(), entries.size());
  }
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"a.lod", "b.snd", "c.vid"}));
  // The SND keeps the unpacked size of its records.
  EXPECT_EQ(Open(dir.File("b.snd")).Entries[2].UnpackedSize, 9000);
}

TEST(Rebuild, AddThenRemoveGivesTheSameEntriesBack) {
  TempDir dir;
  const std::string path = dir.Write(
      "icons.lod", BuildLod("ICONS", {{"keep", Pattern(64, 1)}, {"also", Pattern(9, 2)}}));
  const auto before = Contents(path);
  const std::string raw = dir.Write("extra.dat", Pattern(333, 9));
  const std::string text = dir.Write("notes.txt", test::TextBytes("a\tb\r\nc\td\r\n"));
  TDataFile df = Open(path);
  SilentHost quiet;
  ASSERT_TRUE(AddFiles(df, {raw, text}, quiet));
  ASSERT_EQ(df.Entries.size(), 4u);
  EXPECT_EQ(df.Entries[2].Name, "extra.dat");
  EXPECT_EQ(Contents(path)[2].second, Pattern(333, 9)) << "a raw file is stored as it is";
  EXPECT_EQ(df.Entries[3].Name, "notes.txt");
  ASSERT_TRUE(RemoveEntries(df, {3, 2}, quiet));
  EXPECT_EQ(Contents(path), before);
  EXPECT_EQ(test::FileBytes(path).size(),
            BuildLod("ICONS", {{"keep", Pattern(64, 1)}, {"also", Pattern(9, 2)}}).size());
}

TEST(Rebuild, NamesMustFitAndDifferInAnyCase) {
  TempDir dir;
  const std::string path =
      dir.Write("maps.lod", BuildLod("MAPS", {{"one", Pattern(10)}, {"two", Pattern(20)}}));
  const Bytes before = test::FileBytes(path);
  TDataFile df = Open(path);
  SilentHost quiet;
  Status taken = RenameEntry(df, 1, "ONE", quiet);
  ASSERT_FALSE(taken);
  EXPECT_NE(taken.message().find("already an entry named one"), std::string::npos);
  EXPECT_FALSE(RenameEntry(df, 1, std::string(16, 'x'), quiet));
  EXPECT_FALSE(RenameEntry(df, 1, "", quiet));
  EXPECT_EQ(test::FileBytes(path), before);
  ASSERT_TRUE(RenameEntry(df, 1, std::string(15, 'x'), quiet));
  EXPECT_EQ(df.Entries[1].Name, std::string(15, 'x'));
  EXPECT_EQ(Contents(path)[1].second, Pattern(20));

  // A SND name holds 39 characters.
  const std::string snd = dir.Write("s.snd", BuildSnd({{"a", Pattern(4), 0}}));
  TDataFile sdf = Open(snd);
  EXPECT_TRUE(RenameEntry(sdf, 0, std::string(39, 's'), quiet));
  EXPECT_FALSE(RenameEntry(sdf, 0, std::string(40, 's'), quiet));
}

TEST(Rebuild, ARenamedEntryKeepsItsStoredBytes) {
  // A rename is a copy like any other: even the name inside a bitmap's own header stays.
  TempDir dir;
  const Bytes named = BuildPackedLodEntry("wtrtyl", Pattern(70), false);
  const std::string path = dir.Write("bitmaps.lod", BuildLod("BITMAPS", {{"wtrtyl", named}}));
  TDataFile df = Open(path);
  SilentHost quiet;
  ASSERT_TRUE(RenameEntry(df, 0, "lava01", quiet));
  EXPECT_EQ(Contents(path), (std::vector<std::pair<std::string, Bytes>>{{"lava01", named}}));
}

TEST(Rebuild, AfterManyReplacementsOnlyLiveBytesRemain) {
  TempDir dir;
  const std::string path = dir.Write(
      "icons.lod", BuildLod("ICONS", {{"a", BuildPackedLodEntry("a", Pattern(50), false)},
                                      {"b", BuildPackedLodEntry("b", Pattern(60), false)}}));
  TDataFile df = Open(path);
  SilentHost quiet;
  for (int round = 1; round <= 6; ++round) {
    const Bytes image = BuildPackedLodEntry("a", Pattern(100 * round, 4), false);
    ASSERT_TRUE(WriteBackLodEntry(df, 0, image, quiet));
  }
  const auto live = Contents(path);
  ASSERT_GT(df.FileSize,
            DirectoryEnd(ckIcons, 2) +
                static_cast<std::int64_t>(live[0].second.size() + live[1].second.size()));
  Result<RebuildSizes> sizes = CompactContainer(df, quiet);
  ASSERT_TRUE(sizes);
  EXPECT_EQ(sizes->after,
            DirectoryEnd(ckIcons, 2) +
                static_cast<std::int64_t>(live[0].second.size() + live[1].second.size()));
  EXPECT_LT(sizes->after, sizes->before);
  EXPECT_EQ(Contents(path), live);
}

TEST(Rebuild, NewContainersTakeConvertedFilesAndNeverOverwrite) {
  TempDir dir;
  WavFormat f{11025, 1, 8};
  const std::string wav = dir.Write("chime.wav", MakeWav(f, Pattern(500)));
  SilentHost quiet;
  const std::string snd = dir.File("new.snd");
  ASSERT_TRUE(CreateContainer(ckSnd, snd, {wav}, quiet));
  TDataFile df = Open(snd);
  ASSERT_EQ(df.Entries.size(), 1u);
  EXPECT_EQ(df.Entries[0].Name, "chime");
  auto file = PosixFile::Open(snd, FileMode::kReadShared);
  EXPECT_EQ(ExtractEntry(*file, df.Entries[0], 0, quiet), test::FileBytes(wav));
  file.reset();

  const Bytes before = test::FileBytes(snd);
  EXPECT_FALSE(CreateContainer(ckSnd, snd, {wav}, quiet));
  EXPECT_EQ(test::FileBytes(snd), before);
  // A sound container takes sounds only; nothing is made when a file is refused.
  EXPECT_FALSE(
      CreateContainer(ckSnd, dir.File("other.snd"), {dir.Write("x.txt", Pattern(3))}, quiet));
  EXPECT_FALSE(std::filesystem::exists(dir.File("other.snd")));
  ASSERT_TRUE(CreateContainer(ckBitmaps, dir.File("empty.lod"), {}, quiet));
  EXPECT_EQ(Open(dir.File("empty.lod")).Kind, ckBitmaps);
}

// The disk, with one step made to fail: the nth write to the new file, its flush, or the
// final rename.
class FaultyFiles : public RebuildFiles {
 public:
  Result<std::unique_ptr<ByteFile>> OpenSource(const std::string& path) override {
    return DiskRebuildFiles().OpenSource(path);
  }
  Result<std::unique_ptr<ByteFile>> CreateTemp(const std::string& container,
                                               std::string* tempPath) override {
    auto inner = DiskRebuildFiles().CreateTemp(container, tempPath);
    if (!inner) return inner;
    return std::unique_ptr<ByteFile>(std::make_unique<Faulty>(std::move(*inner), *this));
  }
  Status Replace(const std::string& tempPath, const std::string& container) override {
    if (failRename) return Fail("no room", ErrorKind::kWriteFailed);
    return DiskRebuildFiles().Replace(tempPath, container);
  }
  void Remove(const std::string& tempPath) override { DiskRebuildFiles().Remove(tempPath); }

  int failWrite = -1;  // 0-based
  bool failFlush = false;
  bool failRename = false;
  int writes = 0;

 private:
  class Faulty : public ByteFile {
   public:
    Faulty(std::unique_ptr<ByteFile> f, FaultyFiles& o) : f_(std::move(f)), o_(o) {}
    std::int64_t Size() const override { return f_->Size(); }
    Status WriteAt(std::int64_t at, const void* s, std::size_t n) override {
      if (o_.writes++ == o_.failWrite) {
        (void)f_->WriteAt(at, s, n / 2);
        return Fail("No space left on device", ErrorKind::kWriteFailed);
      }
      return f_->WriteAt(at, s, n);
    }
    Status Flush() override {
      if (o_.failFlush) return Fail("Input/output error", ErrorKind::kWriteFailed);
      return f_->Flush();
    }
    Status Truncate(std::int64_t size) override { return f_->Truncate(size); }
    std::int64_t ModifiedNs() const override { return f_->ModifiedNs(); }

   protected:
    Result<std::size_t> DoRead(std::int64_t at, void* d, std::size_t n) override {
      return f_->ReadAt(at, d, n);
    }

   private:
    std::unique_ptr<ByteFile> f_;
    FaultyFiles& o_;
  };
};

TEST(Rebuild, AFaultAtAnyStepLeavesTheOldContainerAndNoNewFile) {
  TempDir dir;
  const std::string path = dir.Write(
      "maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}, {"b", Pattern(80)}, {"c", Pattern(90)}}));
  const Bytes before = test::FileBytes(path);
  const std::string extra = dir.Write("d.bin", Pattern(40, 2));
  std::vector<std::function<void(FaultyFiles&)>> faults;
  for (int w = 0; w < 3; ++w)  // the directory, the copied entries (one run), the new one
    faults.push_back([w](FaultyFiles& f) { f.failWrite = w; });
  faults.push_back([](FaultyFiles& f) { f.failFlush = true; });
  faults.push_back([](FaultyFiles& f) { f.failRename = true; });
  for (std::size_t k = 0; k < faults.size(); ++k) {
    FaultyFiles files;
    faults[k](files);
    TDataFile df = Open(path);
    SilentHost quiet;
    Status s = AddFiles(df, {extra}, quiet, files);
    ASSERT_FALSE(s) << "fault " << k;
    EXPECT_NE(s.message().find("left as it was"), std::string::npos) << s.message();
    EXPECT_EQ(test::FileBytes(path), before) << "fault " << k;
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"d.bin", "maps.lod"})) << "fault " << k;
  }
}

TEST(Rebuild, AContainerChangedOnDiskIsNotRebuilt) {
  TempDir dir;
  const std::string path = dir.Write("maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}}));
  TDataFile df = Open(path);
  Bytes changed = test::FileBytes(path);
  changed.push_back(0);
  ASSERT_TRUE(WriteWholeFile(path, changed));
  SilentHost quiet;
  Status s = CompactContainer(df, quiet).error();
  EXPECT_EQ(s.kind(), ErrorKind::kChanged);
  EXPECT_EQ(test::FileBytes(path), changed);
}

TEST(Rebuild, AProcessKilledMidRebuildLeavesAReadableContainerAndNothingToTripOver) {
  TempDir dir;
  std::vector<NewEntry> entries;
  for (int i = 0; i < 400; ++i)
    entries.push_back({std::string("e").append(std::to_string(i)),
                       Pattern(20000, static_cast<std::uint8_t>(i)), 0});
  const std::string path = dir.Write("big.lod", BuildLod("MAPS", entries));
  const auto before = Contents(path);
  for (int delayUs : {0, 2000, 20000}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      TDataFile df = Open(path);
      std::vector<RebuildItem> items = KeepEntries(df);
      std::reverse(items.begin(), items.end());  // a new file that differs from the old
      SilentHost quiet;
      _exit(RebuildContainer(df, items, quiet) ? 0 : 1);
    }
    usleep(static_cast<useconds_t>(delayUs));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    auto now = Contents(path);
    if (now != before) {
      std::reverse(now.begin(), now.end());
      EXPECT_EQ(now, before) << "the container is the old one or the new one, whole";
    }
  }
  // The next rebuild clears what a killed one left behind.
  TDataFile df = Open(path);
  SilentHost quiet;
  ASSERT_TRUE(CompactContainer(df, quiet));
  EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"big.lod"});
}

}  // namespace
}  // namespace brindle
