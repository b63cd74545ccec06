#include "common/file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "test_support.h"

namespace brindle {
namespace {

using test::TempDir;

// Makes every open fail with this error while it lives.
class FailingOpens {
 public:
  explicit FailingOpens(int error) {
    SetIoFaultHook([error](IoCall call) { return call == IoCall::kOpen ? error : 0; });
  }
  ~FailingOpens() { SetIoFaultHook({}); }
};

// The three ways an open fails that callers tell apart: nothing there or refused by the
// system (kCannotOpen), something that is no file (kCannotOpen, its own words), and another
// program's lock (kInUse). Callers that word their own message take the cause.
TEST(PosixFileOpen, EachFailureKeepsItsKindMessageAndCause) {
  TempDir dir;
  const std::string missing = dir.File("missing.lod");
  const std::string noSuchFile = std::strerror(ENOENT);

  Result<std::unique_ptr<PosixFile>> read = PosixFile::Open(missing, FileMode::kReadShared);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(read.message(), "Cannot open file " + missing);
  EXPECT_EQ(read.error().cause, noSuchFile);

  Result<std::unique_ptr<PosixFile>> write = PosixFile::Open(missing, FileMode::kWriteExclusive);
  ASSERT_FALSE(write);
  EXPECT_EQ(write.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(write.message(), "Cannot open file " + missing + " for writing: " + noSuchFile);
  EXPECT_EQ(write.error().cause, noSuchFile);

  const std::string folder = dir.path().string();
  Result<std::unique_ptr<PosixFile>> notFile = PosixFile::Open(folder, FileMode::kReadShared);
  ASSERT_FALSE(notFile);
  EXPECT_EQ(notFile.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(notFile.message(), folder + " is not a regular file");
  EXPECT_EQ(notFile.error().cause, "not a regular file");
  // A folder is not even opened for writing: the system says why.
  Result<std::unique_ptr<PosixFile>> intoFolder =
      PosixFile::Open(folder, FileMode::kWriteExclusive);
  ASSERT_FALSE(intoFolder);
  EXPECT_EQ(intoFolder.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(intoFolder.message(),
            "Cannot open file " + folder + " for writing: " + std::strerror(EISDIR));

  const std::string path = dir.Write("held.lod", test::Pattern(10));
  {
    auto writer = test::OpenFile(path, FileMode::kWriteExclusive);
    for (FileMode mode : {FileMode::kReadShared, FileMode::kWriteExclusive}) {
      Result<std::unique_ptr<PosixFile>> held = PosixFile::Open(path, mode);
      ASSERT_FALSE(held);
      EXPECT_EQ(held.kind(), ErrorKind::kInUse);
      EXPECT_EQ(held.message(), "File " + path + " is in use by another program.");
      EXPECT_EQ(held.error().cause, "the file is in use by another program");
    }
    // Whoever reads the whole file hears the same.
    Result<Bytes> whole = ReadWholeFile(path);
    ASSERT_FALSE(whole);
    EXPECT_EQ(whole.kind(), ErrorKind::kInUse);
  }
  // Readers share, and keep a writer out.
  auto reader = test::OpenFile(path);
  EXPECT_TRUE(PosixFile::Open(path, FileMode::kReadShared));
  EXPECT_EQ(PosixFile::Open(path, FileMode::kWriteExclusive).kind(), ErrorKind::kInUse);
  EXPECT_EQ(ReadWholeFile(path).value(), test::Pattern(10));
}

TEST(PosixFileOpen, ARefusedOpenIsNoLock) {
  TempDir dir;
  const std::string path = dir.Write("locked.lod", test::Pattern(4));
  const std::string denied = std::strerror(EACCES);
  FailingOpens failing(EACCES);
  Result<std::unique_ptr<PosixFile>> write = PosixFile::Open(path, FileMode::kWriteExclusive);
  ASSERT_FALSE(write);
  EXPECT_EQ(write.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(write.message(), "Cannot open file " + path + " for writing: " + denied);
  EXPECT_EQ(write.error().cause, denied);
  Result<std::unique_ptr<PosixFile>> read = PosixFile::Open(path, FileMode::kReadShared);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(read.message(), "Cannot open file " + path);
  EXPECT_EQ(read.error().cause, denied);
}

TEST(PosixFileCreateTemp, NamesItselfAndHoldsItsLock) {
  TempDir dir;
  Result<std::unique_ptr<PosixFile>> made = PosixFile::CreateTemp(dir.path().string(), ".x.");
  ASSERT_TRUE(made);
  const std::string name = (*made)->Name();
  const std::string base = BaseName(name);
  EXPECT_EQ(base.size(), 3u + 6u + 4u);
  EXPECT_EQ(base.rfind(".x.", 0), 0u);
  EXPECT_EQ(base.substr(base.size() - 4), ".tmp");
  EXPECT_TRUE(std::filesystem::exists(name));
  EXPECT_EQ((*made)->Size(), 0);
  EXPECT_EQ(PosixFile::Open(name, FileMode::kReadShared).kind(), ErrorKind::kInUse);

  Result<std::unique_ptr<PosixFile>> nowhere =
      PosixFile::CreateTemp(dir.File("no/such/folder"), ".x.");
  ASSERT_FALSE(nowhere);
  EXPECT_EQ(nowhere.kind(), ErrorKind::kWriteFailed);
  EXPECT_EQ(nowhere.message(), std::strerror(ENOENT));
}

TEST(StatFile, AFileItsStampAnythingElseWhatTheUserIsTold) {
  TempDir dir;
  const std::string path = dir.Write("a.snd", test::Pattern(33));
  Result<FileStamp> stamp = StatFile(path);
  ASSERT_TRUE(stamp);
  EXPECT_EQ(stamp->size, 33);
  EXPECT_EQ(stamp->links, 1u);
  EXPECT_TRUE(SameFileUnchanged(*stamp, StampOf(*test::OpenFile(path))));
  EXPECT_TRUE(StatPath(path));

  const std::string missing = dir.File("gone.snd");
  Result<FileStamp> gone = StatFile(missing);
  ASSERT_FALSE(gone);
  EXPECT_EQ(gone.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(gone.message(), "Cannot open file " + missing);
  EXPECT_EQ(gone.error().cause, std::strerror(ENOENT));
  EXPECT_FALSE(StatPath(missing));

  Result<FileStamp> folder = StatFile(dir.path().string());
  ASSERT_FALSE(folder);
  EXPECT_EQ(folder.kind(), ErrorKind::kCannotOpen);
  EXPECT_EQ(folder.message(), dir.path().string() + " is not a regular file");
  EXPECT_FALSE(StatPath(dir.path().string()));
}

}  // namespace
}  // namespace brindle
