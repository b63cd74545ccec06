#include "viewer/core/containers/writeback.h"

#include <gtest/gtest.h>

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
  bool WriteAt(std::int64_t offset, const void* src, std::size_t n) override {
    if (failed_ && crash_) return false;
    if (failed_ || static_cast<std::int64_t>(n) <= budget_) {
      budget_ -= static_cast<std::int64_t>(n);
      return MemoryFile::WriteAt(offset, src, n);
    }
    failed_ = true;
    if (n >= 512 && budget_ > 0)
      MemoryFile::WriteAt(offset, src, static_cast<std::size_t>(budget_));
    budget_ = 0;
    return false;
  }
  bool Truncate(std::int64_t size) override {
    return !(failed_ && crash_) && MemoryFile::Truncate(size);
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
  bool WriteAt(std::int64_t offset, const void* src, std::size_t n) override {
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
  ReadDirectory(file, kind, df.Entries, host);
  return df;
}

// Every entry's stored bytes as the directory in the file says.
std::vector<Bytes> ReadAll(const Bytes& container, TContainerKind kind) {
  MemoryFile f(container);
  TDataFile df = Model(f, kind);
  std::vector<Bytes> out;
  for (const TResourceInfo& e : df.Entries)
    out.push_back(ReadStoredEntry(f, e));
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
  EXPECT_EQ(ReadStoredEntry(reread, again.Entries[1]), Pattern(50, 2));
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
    if (!crash) {
      // The fault passed: everything was taken back, the length field and size too.
      EXPECT_EQ(now, before) << "k=" << k;
      EXPECT_EQ(file.Size(), static_cast<std::int64_t>(container.size())) << "k=" << k;
      EXPECT_EQ(ReadU32(file.bytes(), 276), ReadU32(container, 276)) << "k=" << k;
      EXPECT_EQ(r.message(), "Cannot write file memory.  The container was left as it was.");
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
  FileStamp stamp;
  ASSERT_TRUE(StatFile(path, &stamp));
  EXPECT_EQ(df.FileDate, stamp.modifiedNs);
  EXPECT_EQ(df.FileSize, stamp.size);
  EXPECT_EQ(host.rewritten, std::vector<int>{2});
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(WriteBackLodEntry(df, 9, Pattern(5), host).kind(), ErrorKind::kFailed);
}

}  // namespace
}  // namespace brindle
