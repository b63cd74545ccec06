// Rewriting containers whole: round trips of every kind, adding, removing and renaming,
// compaction after replacements, refused names, and faults at every step of the write.

#include "viewer/core/edit/rebuild.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

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
  auto file = test::OpenFile(path);
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
  EXPECT_FALSE(RenameEntry(df, 1, std::string(17, 'x'), quiet));
  EXPECT_FALSE(RenameEntry(df, 1, "", quiet));
  EXPECT_EQ(test::FileBytes(path), before);
  // A name may fill the whole field, stored without a zero after it.
  ASSERT_TRUE(RenameEntry(df, 1, std::string(16, 'x'), quiet));
  EXPECT_EQ(df.Entries[1].Name, std::string(16, 'x'));
  EXPECT_EQ(Contents(path)[1].second, Pattern(20));

  // A SND name holds 40 characters.
  const std::string snd = dir.Write("s.snd", BuildSnd({{"a", Pattern(4), 0}}));
  TDataFile sdf = Open(snd);
  EXPECT_TRUE(RenameEntry(sdf, 0, std::string(40, 's'), quiet));
  EXPECT_EQ(sdf.Entries[0].Name, std::string(40, 's'));
  EXPECT_FALSE(RenameEntry(sdf, 0, std::string(41, 's'), quiet));
}

TEST(Rebuild, EntriesAlreadyThereKeepTheirNamesAsStored) {
  // Names the rules would not give (a full field, an empty one, two equal in another case)
  // are copied as they are; the rules apply to the name being added or given.
  TempDir dir;
  const std::string full = "ABCDEFGHIJKL.EVT";
  const std::string path = dir.Write("maps.lod", BuildLod("MAPS", {{full, Pattern(10)},
                                                                   {"", Pattern(11)},
                                                                   {"Same", Pattern(12)},
                                                                   {"SAME", Pattern(13)}}));
  TDataFile df = Open(path);
  ASSERT_EQ(df.Entries[0].Name, full);
  SilentHost quiet;
  ASSERT_TRUE(CompactContainer(df, quiet));
  ASSERT_TRUE(AddFiles(df, {dir.Write("new.bin", Pattern(5))}, quiet));
  ASSERT_TRUE(RenameEntry(df, 4, "other.bin", quiet));
  const auto now = Contents(path);
  ASSERT_EQ(now.size(), 5u);
  EXPECT_EQ(now[0].first, full);
  EXPECT_EQ(now[1].first, "");
  EXPECT_EQ(now[2].first, "Same");
  EXPECT_EQ(now[3].first, "SAME");
  EXPECT_EQ(now[4].first, "other.bin");
  // A name given still may not match another in any case.
  EXPECT_FALSE(RenameEntry(df, 4, "same", quiet));
}

TEST(Rebuild, ANewContainersNameMustBeReadAsItsKind) {
  TempDir dir;
  SilentHost quiet;
  for (const auto& [kind, name] : std::vector<std::pair<TContainerKind, std::string>>{
           {ckIcons, "elsewhere.snd"}, {ckMaps, "m.VID"}, {ckSnd, "a.lod"}, {ckVid, "v.snd"}}) {
    Status s = CreateContainer(kind, dir.File(name), {dir.Write("h.txt", Pattern(3))}, quiet);
    EXPECT_EQ(s.kind(), ErrorKind::kNotSupported) << name;
    EXPECT_NE(s.message().find("container of kind " + std::string(KindName(kind))),
              std::string::npos)
        << s.message();
    EXPECT_FALSE(std::filesystem::exists(dir.File(name))) << name;
  }
  EXPECT_TRUE(CreateContainer(ckSnd, dir.File("Upper.SND"), {}, quiet));
  EXPECT_EQ(Open(dir.File("Upper.SND")).Kind, ckSnd);
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
  auto file = test::OpenFile(snd);
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
  for (int w = 0; w < 2; ++w)  // the directory, the entries (gathered in one write)
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

// A user who presses Cancel at the first sign of progress (or at the k-th).
class CancellingHost : public SilentHost {
 public:
  explicit CancellingHost(int after) : after_(after) {}
  void SetProgress(int percent) override { percents.push_back(percent); }
  bool CancelRequested() override { return ++asked_ > after_; }
  std::vector<int> percents;

 private:
  int after_;
  int asked_ = 0;
};

TEST(Rebuild, ProgressGoesByBytesAndCancelLeavesTheContainerAsItWas) {
  TempDir dir;
  // Two large entries copied as one run, then a small new one: the bar moves through the
  // copy, not only at its end.
  const std::string path = dir.Write(
      "maps.lod", BuildLod("MAPS", {{"a", Pattern(3 << 20)}, {"b", Pattern(3 << 20, 2)}}));
  const Bytes before = test::FileBytes(path);
  const std::string extra = dir.Write("c.bin", Pattern(40, 2));
  for (int after : {0, 3}) {
    TDataFile df = Open(path);
    CancellingHost host(after);
    Status s = AddFiles(df, {extra}, host);
    ASSERT_FALSE(s) << after;
    EXPECT_EQ(s.kind(), ErrorKind::kCancelled);
    EXPECT_EQ(s.message(), "Cancelled.  " + path + " was left as it was.");
    EXPECT_EQ(test::FileBytes(path), before);
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"c.bin", "maps.lod"}));
  }
  TDataFile df = Open(path);
  CancellingHost host(1 << 30);
  ASSERT_TRUE(AddFiles(df, {extra}, host));
  // The write's bar (reading the new container again has one of its own after it): six
  // chunks of the copy and the new entry, each a step.
  const auto end = std::find(host.percents.begin(), host.percents.end(), 100);
  ASSERT_NE(end, host.percents.end());
  EXPECT_EQ(std::vector<int>(host.percents.begin(), end), (std::vector<int>{17, 33, 50, 67, 83}));
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

// The disk, with another program acting at one moment of the run: before the container is
// locked, or once the new file is being written.
class Meddled : public RebuildFiles {
 public:
  Result<std::unique_ptr<ByteFile>> OpenSource(const std::string& path) override {
    return DiskRebuildFiles().OpenSource(heldPath.empty() ? path : heldPath);
  }
  Result<std::unique_ptr<ByteFile>> CreateTemp(const std::string& container,
                                               std::string* tempPath) override {
    auto made = DiskRebuildFiles().CreateTemp(container, tempPath);
    if (whileWriting) whileWriting();
    return made;
  }
  Status Replace(const std::string& tempPath, const std::string& container) override {
    return DiskRebuildFiles().Replace(tempPath, container);
  }
  void Remove(const std::string& tempPath) override { DiskRebuildFiles().Remove(tempPath); }

  std::string heldPath;  // the file our open really reaches (one replaced meanwhile)
  std::function<void()> whileWriting;
};

// Writes bytes over a file as a program that ignores locks would: same file, new contents.
void WriteIgnoringLocks(const std::string& path, const Bytes& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

TEST(Rebuild, TwoWritersNeverLoseTheFirstOnesChange) {
  TempDir dir;
  const std::string path = dir.Write("maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}}));
  const std::string first = dir.Write("first.bin", Pattern(30, 1));
  const std::string second = dir.Write("second.bin", Pattern(40, 2));
  // B has read the container and opened it; A's add then runs to completion, rename
  // included; only then does B take its lock, on the file A replaced.
  TDataFile b = Open(path);
  ASSERT_EQ(::link(path.c_str(), dir.File("held").c_str()), 0);
  TDataFile a = Open(path);
  SilentHost quiet;
  ASSERT_TRUE(AddFiles(a, {first}, quiet));
  const Bytes afterA = test::FileBytes(path);
  Meddled late;
  late.heldPath = dir.File("held");
  Status s = AddFiles(b, {second}, quiet, late);
  EXPECT_EQ(s.kind(), ErrorKind::kChanged) << s.message();
  EXPECT_EQ(test::FileBytes(path), afterA);
}

TEST(Rebuild, AnotherProgramsChangeDuringTheRunWinsAndIsSaidSo) {
  const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> changes = {
      {"written", [](const std::string& p) { WriteIgnoringLocks(p, Pattern(400, 3)); }},
      {"cut", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 100), 0); }},
      {"replaced",
       [](const std::string& p) {
         ASSERT_TRUE(WriteWholeFile(p + ".other", Pattern(300, 4)));
         ASSERT_EQ(::rename((p + ".other").c_str(), p.c_str()), 0);
       }},
  };
  for (const auto& [what, change] : changes) {
    TempDir dir;
    const std::string path = dir.Write("maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}}));
    TDataFile df = Open(path);
    Meddled files;
    Bytes theirs;
    files.whileWriting = [&, change = change]() {
      change(path);
      // Read as the other program would, past our lock.
      std::ifstream in(path, std::ios::binary);
      theirs.assign(std::istreambuf_iterator<char>(in), {});
    };
    SilentHost quiet;
    Status s = RemoveEntries(df, {0}, quiet, files);
    EXPECT_EQ(s.kind(), ErrorKind::kChanged) << what << ": " << s.message();
    EXPECT_NE(s.message().find("changed by another program"), std::string::npos) << s.message();
    EXPECT_EQ(test::FileBytes(path), theirs) << what;
    EXPECT_EQ(FilesIn(dir), std::vector<std::string>{"maps.lod"}) << what;
  }
}

TEST(Rebuild, ANewContainerNeverReplacesAFileMadeMeanwhile) {
  TempDir dir;
  const std::string path = dir.File("new.lod");
  Meddled files;
  files.whileWriting = [&] { ASSERT_TRUE(WriteWholeFile(path, Pattern(10, 8))); };
  SilentHost quiet;
  Status s = CreateContainer(ckMaps, path, {dir.Write("x.bin", Pattern(20))}, quiet, files);
  EXPECT_EQ(s.kind(), ErrorKind::kChanged) << s.message();
  EXPECT_EQ(test::FileBytes(path), Pattern(10, 8));
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"new.lod", "x.bin"}));
}

TEST(Rebuild, LinksOwnersAndPermissionsAreKept) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("real"));
  const std::string target = dir.Write("real/maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}}));
  const std::string link = dir.File("maps.lod");
  std::filesystem::create_symlink(target, link);
  ::chmod(target.c_str(), 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 4321, 5432), 0);
  }
  TDataFile df = Open(link);
  SilentHost quiet;
  ASSERT_TRUE(AddFiles(df, {dir.Write("b.bin", Pattern(20))}, quiet));
  // The link is still a link, and its target holds the new container.
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(Contents(target).size(), 2u);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 5432u);
  }
  EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"b.bin", "maps.lod", "real"}));

  // A new container takes the usual permissions under the umask.
  const mode_t old = ::umask(027);
  Status made = CreateContainer(ckMaps, dir.File("private.lod"), {}, quiet);
  ::umask(old);
  ASSERT_TRUE(made) << made.message();
  ASSERT_EQ(::stat(dir.File("private.lod").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(Rebuild, NamesTheDirectoryCannotHoldAreRefusedAndNamed) {
  TempDir dir;
  const std::string path = dir.Write("maps.lod", BuildLod("MAPS", {{"a", Pattern(70)}}));
  const Bytes before = test::FileBytes(path);
  TDataFile df = Open(path);
  SilentHost quiet;
  Status added = AddFiles(df, {dir.Write("\xe6\x97\xa5\xe6\x9c\xac.bin", Pattern(20))}, quiet);
  EXPECT_EQ(added.kind(), ErrorKind::kNotSupported);
  EXPECT_NE(added.message().find("\xe6\x97\xa5 \xe6\x9c\xac"), std::string::npos)
      << added.message();
  Status renamed = RenameEntry(df, 0, "caf\xc3\xa9\xe2\x98\x83", quiet);
  EXPECT_EQ(renamed.kind(), ErrorKind::kNotSupported);
  EXPECT_NE(renamed.message().find(": \xe2\x98\x83."), std::string::npos) << renamed.message();
  EXPECT_EQ(test::FileBytes(path), before);
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
