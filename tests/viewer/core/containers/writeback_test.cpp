#include "viewer/core/containers/writeback.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"

namespace brindle {
namespace {

using test::Pattern;
using test::RecordingHost;
using test::TempDir;

// A file whose writes give out after `budget` bytes. The write that crosses the limit lands
// only its first bytes. With `crash`, nothing at all lands afterwards (the program died);
// otherwise later writes work again (a passing fault, like a full disk that is freed).
// Writes below one sector land whole or not at all, as disks write sectors.
class FaultyFile : public MemoryFile {
 public:
  FaultyFile(Bytes bytes, std::int64_t budget, bool crash)
      : MemoryFile(std::move(bytes)), budget_(budget), crash_(crash) {}
  Status WriteAt(std::int64_t offset, const void* src, std::size_t n) override {
    if (failed_ && crash_) return Fail("No space left on device", ErrorKind::kWriteFailed);
    if (failed_ || static_cast<std::int64_t>(n) <= budget_) {
      budget_ -= static_cast<std::int64_t>(n);
      return MemoryFile::WriteAt(offset, src, n);
    }
    failed_ = true;
    if (n >= 512 && budget_ > 0)
      (void)MemoryFile::WriteAt(offset, src, static_cast<std::size_t>(budget_));
    budget_ = 0;
    return Fail("No space left on device", ErrorKind::kWriteFailed);
  }
  Status Truncate(std::int64_t size) override {
    if (failed_ && crash_) return Fail("Input/output error", ErrorKind::kWriteFailed);
    return MemoryFile::Truncate(size);
  }
  bool failed() const { return failed_; }

 private:
  std::int64_t budget_;
  bool crash_;
  bool failed_ = false;
};

// Counts the bytes a write-back writes.
class CountingFile : public MemoryFile {
 public:
  using MemoryFile::MemoryFile;
  Status WriteAt(std::int64_t offset, const void* src, std::size_t n) override {
    written += static_cast<std::int64_t>(n);
    return MemoryFile::WriteAt(offset, src, n);
  }
  std::int64_t written = 0;
};

TDataFile Model(ByteFile& file, TContainerKind kind) {
  TDataFile df;
  df.FileName = "memory";
  df.Kind = kind;
  df.FileSize = file.Size();
  RecordingHost host;
  EXPECT_TRUE(ReadDirectory(file, kind, df.Entries, host));
  return df;
}

// Every entry's stored bytes as the directory in the file says.
std::vector<Bytes> ReadAll(const Bytes& container, TContainerKind kind) {
  MemoryFile f(container);
  TDataFile df = Model(f, kind);
  std::vector<Bytes> out;
  for (const TResourceInfo& e : df.Entries)
    out.push_back(ReadStoredEntry(f, e).value());
  return out;
}

Bytes SampleLod() {
  return BuildLod("ICONS",
                  {{"aa", Pattern(100, 1)}, {"bb", Pattern(100, 2)}, {"cc", Pattern(100, 3)}});
}

TEST(WriteBackLodEntry, RecordAndHeaderField) {
  Bytes rec = BuildLodRecord("ab", 300, 77);
  Bytes expect = {'a', 'b'};
  expect.resize(16, 0);
  ByteWriter w;
  w.Append(expect).I32(12).I32(77).Zeros(8);
  EXPECT_EQ(rec, w.bytes());
  // A 16-character name fills its field without a NUL.
  EXPECT_EQ(FixedText(ByteView(BuildLodRecord(std::string(20, 'n'), 288, 0)).first(16)),
            std::string(16, 'n'));
}

TEST(WriteBackLodEntry, LargerImageIsAppendedAndTheHeaderGrows) {
  MemoryFile file(SampleLod());
  TDataFile df = Model(file, ckIcons);
  const std::int64_t before = file.Size();
  RecordingHost host;
  Bytes image = Pattern(150, 9);
  ASSERT_TRUE(WriteBackLodEntryTo(file, df, 1, image, host).ok());
  EXPECT_EQ(file.Size(), before + 150);
  EXPECT_EQ(ReadU32(file.bytes(), 276), static_cast<std::uint32_t>(before + 150 - 288));
  EXPECT_EQ(df.Entries[1].Offset, before);
  EXPECT_EQ(df.Entries[1].Size, 150);
  EXPECT_FALSE(df.Entries[1].Identified);
  EXPECT_EQ(df.FileSize, before + 150);
  EXPECT_EQ(ReadAll(file.bytes(), ckIcons),
            (std::vector<Bytes>{Pattern(100, 1), image, Pattern(100, 3)}));
  EXPECT_EQ(host.panel, (std::vector<std::string>{"on:Importing bb...", "off"}));
  EXPECT_EQ(host.sizes, std::vector<std::int64_t>{before + 150});
}

TEST(WriteBackLodEntry, ReplacementsAlternateBetweenTwoPlaces) {
  MemoryFile file(SampleLod());
  TDataFile df = Model(file, ckIcons);
  const std::int64_t before = file.Size();
  const std::int32_t home = df.Entries[1].Offset;
  RecordingHost host;
  ASSERT_TRUE(WriteBackLodEntryTo(file, df, 1, Pattern(100, 7), host).ok());
  EXPECT_EQ(df.Entries[1].Offset, before);
  ASSERT_TRUE(WriteBackLodEntryTo(file, df, 1, Pattern(90, 8), host).ok());
  EXPECT_EQ(df.Entries[1].Offset, home);
  ASSERT_TRUE(WriteBackLodEntryTo(file, df, 1, Pattern(100, 6), host).ok());
  EXPECT_EQ(df.Entries[1].Offset, before);
  EXPECT_EQ(file.Size(), before + 100);  // grew once, never again
  EXPECT_EQ(ReadAll(file.bytes(), ckIcons),
            (std::vector<Bytes>{Pattern(100, 1), Pattern(100, 6), Pattern(100, 3)}));
}

TEST(WriteBackSndEntry, StoresCompressedWithTheRightRecord) {
  Bytes wav = test::TextBytes("RIFF....WAVEfmt ");
  wav.resize(3000, 0x42);
  MemoryFile file(BuildSnd({{"One", Pattern(50, 1)}, {"Two", Pattern(50, 2)}}));
  TDataFile df = Model(file, ckSnd);
  RecordingHost host;
  ASSERT_TRUE(WriteBackSndEntryTo(file, df, 0, wav, host).ok());
  const TResourceInfo& e = df.Entries[0];
  EXPECT_EQ(e.UnpackedSize, 3000);
  EXPECT_EQ(e.PackedSize, e.Size);
  EXPECT_LT(e.Size, 3000);
  // The record on disk says the same.
  MemoryFile reread(file.bytes());
  TDataFile again = Model(reread, ckSnd);
  EXPECT_EQ(again.Entries[0].Offset, e.Offset);
  EXPECT_EQ(again.Entries[0].Size, e.Size);
  EXPECT_EQ(again.Entries[0].UnpackedSize, 3000);
  EXPECT_EQ(ExtractEntry(reread, again.Entries[0], 0, host), wav);
  EXPECT_EQ(ReadStoredEntry(reread, again.Entries[1]).value(), Pattern(50, 2));
}

// The LOD length field at 276 counts the bytes from 288 on; the game and other tools may
// read no further, so it must reach the end of every entry the directory points at.
bool LengthFieldCoversEveryRecord(const Bytes& lod) {
  MemoryFile f(lod);
  TDataFile df = Model(f, ckIcons);
  const std::int64_t covered = kLodDirectoryStart + ReadU32(lod, 276);
  for (const TResourceInfo& e : df.Entries) {
    if (static_cast<std::int64_t>(e.Offset) + e.Size > covered) return false;
  }
  return true;
}

// For every point at which a write can fail, the container must still read as before
// (the entry old) or as after (the entry new), never something else.
void CheckEveryFailurePoint(TContainerKind kind, const Bytes& container, int index,
                            const Bytes& image, bool crash) {
  const std::vector<Bytes> before = ReadAll(container, kind);
  CountingFile counter(container);
  TDataFile model = Model(counter, kind);
  const TDataFile original = model;
  RecordingHost quiet;
  auto run = [&](ByteFile& f, TDataFile& df, RecordingHost& host) {
    return kind == ckSnd ? WriteBackSndEntryTo(f, df, index, image, host)
                         : WriteBackLodEntryTo(f, df, index, image, host);
  };
  ASSERT_TRUE(run(counter, model, quiet).ok());
  const std::vector<Bytes> after = ReadAll(counter.bytes(), kind);

  for (std::int64_t k = 0; k < counter.written; ++k) {
    FaultyFile file(container, k, crash);
    TDataFile df = Model(file, kind);
    RecordingHost host;
    Status r = run(file, df, host);
    std::vector<Bytes> now = ReadAll(file.bytes(), kind);
    if (r) {
      ADD_FAILURE() << "a failed write was reported as success at k=" << k;
      continue;
    }
    EXPECT_EQ(r.kind(), ErrorKind::kWriteFailed);
    EXPECT_TRUE(now == before || now == after) << "k=" << k << (crash ? " (crash)" : "");
    if (kind != ckSnd) {
      EXPECT_TRUE(LengthFieldCoversEveryRecord(file.bytes())) << "k=" << k;
    }
    if (!crash) {
      // The fault passed: everything was taken back, the length field and size too.
      EXPECT_EQ(now, before) << "k=" << k;
      EXPECT_EQ(file.Size(), static_cast<std::int64_t>(container.size())) << "k=" << k;
      EXPECT_EQ(ReadU32(file.bytes(), 276), ReadU32(container, 276)) << "k=" << k;
      EXPECT_EQ(r.message(),
                "Cannot write file memory (No space left on device).  The container was left "
                "as it was.");
      EXPECT_TRUE(host.messages.empty());
    }
    // The model keeps the old entry after a failed write.
    EXPECT_EQ(df.Entries[static_cast<std::size_t>(index)].Offset,
              original.Entries[static_cast<std::size_t>(index)].Offset);
    EXPECT_EQ(df.Entries[static_cast<std::size_t>(index)].Size,
              original.Entries[static_cast<std::size_t>(index)].Size);
  }
}

TEST(WriteBackFaults, LodAppendedImage) {
  CheckEveryFailurePoint(ckIcons, SampleLod(), 1, Pattern(1500, 4), false);
  CheckEveryFailurePoint(ckIcons, SampleLod(), 1, Pattern(1500, 4), true);
}

TEST(WriteBackFaults, LodImageIntoAGap) {
  // A gap after the first entry takes the new bytes.
  Bytes lod = SampleLod();
  MemoryFile f(lod);
  TDataFile df = Model(f, ckIcons);
  RecordingHost host;
  ASSERT_TRUE(WriteBackLodEntryTo(f, df, 0, Pattern(700, 5), host).ok());
  CheckEveryFailurePoint(ckIcons, f.bytes(), 2, Pattern(90, 6), false);
  CheckEveryFailurePoint(ckIcons, f.bytes(), 2, Pattern(90, 6), true);
}

TEST(WriteBackFaults, SndEntry) {
  Bytes wav = test::TextBytes("RIFF");
  wav.resize(4000, 0x33);
  for (std::size_t i = 0; i < wav.size(); i += 3)
    wav[i] = static_cast<std::uint8_t>(i * 31);
  Bytes snd = BuildSnd({{"One", Pattern(50, 1)}, {"Two", Pattern(50, 2)}});
  CheckEveryFailurePoint(ckSnd, snd, 1, wav, false);
  CheckEveryFailurePoint(ckSnd, snd, 1, wav, true);
}

TEST(WriteBackLodEntry, OnDiskLockedChangedAndStamped) {
  TempDir dir;
  std::string path = dir.Write("icons.lod", SampleLod());
  TDataFile df;
  RecordingHost host;
  ASSERT_TRUE(OpenContainer(df, path, host).ok());

  // Another writer holds the file: nothing is written, the panel is taken down.
  {
    auto other = PosixFile::Open(path, FileMode::kWriteExclusive);
    ASSERT_TRUE(other);
    Status refused = WriteBackLodEntry(df, 0, Pattern(10), host);
    EXPECT_EQ(refused.kind(), ErrorKind::kInUse);
    EXPECT_EQ(refused.message(), "File " + path + " is in use by another program.");
    EXPECT_EQ(host.panel.back(), "off");
  }
  EXPECT_EQ(dir.Read("icons.lod"), SampleLod());
  // Another program changed the file since it was read: refused.
  {
    Bytes changed = SampleLod();
    changed.push_back(0);
    dir.Write("icons.lod", changed);
    EXPECT_EQ(WriteBackLodEntry(df, 0, Pattern(10), host).kind(), ErrorKind::kChanged);
    EXPECT_EQ(dir.Read("icons.lod"), changed);
    ASSERT_TRUE(OpenContainer(df, path, host).ok());
  }
  // A write-back stores the new stamp, so the watch sees no outside change.
  host.messages.clear();
  ASSERT_TRUE(WriteBackLodEntry(df, 2, Pattern(500, 3), host).ok());
  Result<FileStamp> stamp = StatFile(path);
  ASSERT_TRUE(stamp);
  EXPECT_EQ(df.FileDate, stamp->modifiedNs);
  EXPECT_EQ(df.FileSize, stamp->size);
  EXPECT_EQ(host.rewritten, std::vector<int>{2});
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(WriteBackLodEntry(df, 9, Pattern(5), host).kind(), ErrorKind::kFailed);
}

// ---- a container on "disk" that fails or is changed between the steps ----------------

// Writes are numbered from 1. Those in `failing` fail (all from `failFrom` on, when set),
// landing their first half when `tear` is set, as a cut sector would. After write
// `changeAfter`, another program that ignores our lock runs `change` on the bytes.
class ScriptedFile : public MemoryFile {
 public:
  using MemoryFile::MemoryFile;
  Status WriteAt(std::int64_t offset, const void* src, std::size_t n) override {
    ++writes;
    if (Failing()) {
      if (tear && n > 1) (void)MemoryFile::WriteAt(offset, src, n / 2);
      return Fail("Input/output error", ErrorKind::kWriteFailed);
    }
    Status ok = MemoryFile::WriteAt(offset, src, n);
    if (writes == changeAfter && change) Outside(change);
    return ok;
  }
  Status Truncate(std::int64_t size) override {
    if (failFrom > 0 && writes >= failFrom) return Fail("Input/output error");
    return MemoryFile::Truncate(size);
  }
  void Outside(const std::function<void(Bytes&)>& edit) {
    edit(bytes_);
    ++modified_;
  }

  std::set<int> failing;
  int failFrom = 0;
  bool tear = false;
  int changeAfter = 0;
  std::function<void(Bytes&)> change;
  int writes = 0;

 private:
  bool Failing() const { return failing.count(writes) > 0 || (failFrom > 0 && writes >= failFrom); }
};

// Hands out the one scripted file for every open, as the disk would the same path.
class ScriptedStore : public ContainerStore {
 public:
  explicit ScriptedStore(Bytes bytes) : file(std::move(bytes)) {}
  Result<std::unique_ptr<ByteFile>> OpenForWrite(const std::string&) override {
    return std::unique_ptr<ByteFile>(std::make_unique<Handle>(file));
  }
  std::optional<FileStamp> Stat(const std::string&) override {
    if (afterClose) file.Outside(afterClose);
    return FileStamp{file.Size(), file.ModifiedNs()};
  }
  TDataFile Open() {
    TDataFile df = Model(file, ckIcons);
    df.FileDate = file.ModifiedNs();
    return df;
  }

  ScriptedFile file;
  std::function<void(Bytes&)> afterClose;

 private:
  class Handle : public ByteFile {
   public:
    explicit Handle(ByteFile& f) : f_(f) {}
    std::int64_t Size() const override { return f_.Size(); }
    Status WriteAt(std::int64_t o, const void* s, std::size_t n) override {
      return f_.WriteAt(o, s, n);
    }
    Status Flush() override { return f_.Flush(); }
    Status Truncate(std::int64_t size) override { return f_.Truncate(size); }
    std::int64_t ModifiedNs() const override { return f_.ModifiedNs(); }

   protected:
    Result<std::size_t> DoRead(std::int64_t o, void* d, std::size_t n) override {
      return f_.ReadAt(o, d, n);
    }

   private:
    ByteFile& f_;
  };
};

// Entry 1 ("bb") grows from 100 to 150 bytes, so it is appended: write 1 is the new bytes,
// write 2 the length field, write 3 the record.
constexpr int kPayloadWrite = 1;
constexpr int kFieldWrite = 2;
constexpr int kRecordWrite = 3;

TEST(WriteBackUndo, ARecordThatCannotBePutBackKeepsEveryByteItMayPointTo) {
  ScriptedStore store(SampleLod());
  TDataFile df = store.Open();
  store.file.failFrom = kRecordWrite;  // the record and everything after it
  store.file.tear = true;
  RecordingHost host;
  Status r = WriteBackLodEntry(df, 1, Pattern(150, 9), host, store);
  EXPECT_EQ(r.kind(), ErrorKind::kWriteFailed);
  EXPECT_EQ(r.message(),
            "Cannot write file memory (Input/output error).  The container may now hold a "
            "damaged entry bb.");
  // The appended bytes stay: the torn record may point at them.
  EXPECT_EQ(store.file.Size(), static_cast<std::int64_t>(SampleLod().size()) + 150);
  EXPECT_TRUE(LengthFieldCoversEveryRecord(store.file.bytes()));
  // The model follows the file, so the next placement keeps clear of what it claims.
  const TDataFile onDisk = Model(store.file, ckIcons);
  ASSERT_EQ(df.Entries.size(), onDisk.Entries.size());
  for (std::size_t i = 0; i < df.Entries.size(); ++i) {
    EXPECT_EQ(df.Entries[i].Offset, onDisk.Entries[i].Offset) << i;
    EXPECT_EQ(df.Entries[i].Size, onDisk.Entries[i].Size) << i;
  }
  EXPECT_TRUE(host.rewritten.empty());
}

TEST(WriteBackUndo, ALengthFieldThatCannotBePutBackKeepsTheEntries) {
  ScriptedStore store(SampleLod());
  const std::vector<Bytes> before = ReadAll(SampleLod(), ckIcons);
  TDataFile df = store.Open();
  store.file.failFrom = kFieldWrite;
  RecordingHost host;
  Status r = WriteBackLodEntry(df, 1, Pattern(150, 9), host, store);
  EXPECT_EQ(r.message(),
            "Cannot write file memory (Input/output error).  Its entries were left as they were; "
            "unused bytes may "
            "remain at its end.");
  EXPECT_EQ(ReadAll(store.file.bytes(), ckIcons), before);
  EXPECT_TRUE(LengthFieldCoversEveryRecord(store.file.bytes()));
}

TEST(WriteBackUndo, OurOwnUndoIsNotTakenForAnotherProgramsChange) {
  ScriptedStore store(SampleLod());
  TDataFile df = store.Open();
  store.file.failing = {kRecordWrite};  // a passing fault: the undo's writes work
  store.file.tear = true;
  RecordingHost host;
  Status failed = WriteBackLodEntry(df, 1, Pattern(150, 9), host, store);
  EXPECT_EQ(failed.message(),
            "Cannot write file memory (Input/output error).  The container was left as it was.");
  EXPECT_EQ(store.file.bytes(), SampleLod());
  // The next file of the batch goes in.
  Status next = WriteBackLodEntry(df, 2, Pattern(60, 8), host, store);
  EXPECT_TRUE(next.ok()) << next.message();
  EXPECT_EQ(ReadAll(store.file.bytes(), ckIcons)[2], Pattern(60, 8));
}

TEST(WriteBackChanges, AnotherProgramCuttingTheFileMeanwhileIsReported) {
  ScriptedStore store(SampleLod());
  TDataFile df = store.Open();
  store.file.changeAfter = kPayloadWrite;
  store.file.change = [](Bytes& b) { b.resize(400); };
  RecordingHost host;
  Status r = WriteBackLodEntry(df, 1, Pattern(150, 9), host, store);
  EXPECT_EQ(r.kind(), ErrorKind::kChanged);
  EXPECT_EQ(r.message(),
            "File memory was changed by another program while it was written.  Load it again "
            "and check it before importing.");
  EXPECT_TRUE(host.rewritten.empty());
  // Nothing more is written over a file we no longer know.
  store.file.change = nullptr;
  EXPECT_EQ(WriteBackLodEntry(df, 2, Pattern(60, 8), host, store).kind(), ErrorKind::kChanged);
}

TEST(WriteBackChanges, AChangeAfterOurLastWriteIsReportedToo) {
  ScriptedStore store(SampleLod());
  TDataFile df = store.Open();
  store.afterClose = [](Bytes& b) { b.push_back(0); };
  RecordingHost host;
  Status r = WriteBackLodEntry(df, 1, Pattern(150, 9), host, store);
  EXPECT_EQ(r.kind(), ErrorKind::kChanged);
  EXPECT_TRUE(host.rewritten.empty());
  // Without the outside change the same write counts as done.
  ScriptedStore quiet(SampleLod());
  TDataFile df2 = quiet.Open();
  EXPECT_TRUE(WriteBackLodEntry(df2, 1, Pattern(150, 9), host, quiet).ok());
  EXPECT_EQ(host.rewritten, std::vector<int>{1});
  EXPECT_EQ(df2.FileDate, quiet.file.ModifiedNs());
}

}  // namespace
}  // namespace brindle
