#pragma once
// Runs a command once for every call it makes to the file layer, failing that one call (an
// error, and for reads also a short count), and checks what each run leaves behind: the
// container byte for byte as before, or exactly as the clean run left it, with an exit code
// and a message that say which.

#include <gtest/gtest.h>

#include <map>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/file.h"
#include "common/io_faults.h"
#include "test_support.h"

namespace brindle::test {

struct SweepRun {
  int code = 0;
  std::string out;
  std::string err;
};

// The files of a folder and below (relative names) with their bytes.
inline std::map<std::string, Bytes> FolderFiles(const std::filesystem::path& dir) {
  std::map<std::string, Bytes> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file())
      files[std::filesystem::relative(it->path(), dir).string()] = FileBytes(it->path().string());
  }
  return files;
}

// Output with the run's folder named DIR, so runs in different folders compare.
inline std::string InFolder(std::string text, const TempDir& dir) {
  const std::string folder = dir.path().string();
  for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
    text.replace(at, folder.size(), "DIR");
  return text;
}

struct SweepCase {
  std::string name;
  // Writes the container and the command's inputs into the folder.
  std::function<void(const TempDir&)> prepare;
  // Runs the command on that folder.
  std::function<SweepRun(const TempDir&)> run;
  // Whether a failed run may leave the container changed in place as the import does
  // (records as before, unused bytes at the end) when its message says so.
  bool inPlace = false;
};

// One fault: the nth call (from 1) fails with `error` (or comes back short: kShortRead).
class OneFault {
 public:
  OneFault(int nth, int error) {
    SetIoFaultHook([this, nth, error](IoCall call) {
      ++calls_;
      if (calls_ != nth) return 0;
      if (error == kShortRead && call != IoCall::kRead) return EIO;
      fired_ = true;
      return error;
    });
  }
  ~OneFault() { SetIoFaultHook({}); }
  int calls() const { return calls_; }
  bool fired() const { return fired_; }

 private:
  int calls_ = 0;
  bool fired_ = false;
};

// Sweeps one case; returns how many faulted runs it made.
inline int SweepFaults(const SweepCase& c) {
  // The clean run: what success looks like, and how many calls there are to fail.
  TempDir clean;
  c.prepare(clean);
  const std::map<std::string, Bytes> before = FolderFiles(clean.path());
  SweepRun expected;
  int calls = 0;
  {
    OneFault none(0, 0);
    expected = c.run(clean);
    calls = none.calls();
  }
  EXPECT_EQ(expected.code, 0) << c.name << ": " << expected.err;
  const std::map<std::string, Bytes> after = FolderFiles(clean.path());
  EXPECT_GT(calls, 0) << c.name;

  int runs = 0;
  for (int nth = 1; nth <= calls; ++nth) {
    for (int error : {EIO, kShortRead}) {
      TempDir dir;
      c.prepare(dir);
      SweepRun r;
      bool fired = false;
      {
        OneFault fault(nth, error);
        r = c.run(dir);
        fired = fault.fired() || error == EIO;
      }
      if (!fired) continue;  // a short read of a call that is no read: the same as EIO
      ++runs;
      const std::string where = c.name + ", call " + std::to_string(nth) +
                                (error == EIO ? " failing" : " short") + ": exit " +
                                std::to_string(r.code) + ", " + r.err;
      const std::map<std::string, Bytes> left = FolderFiles(dir.path());
      if (r.code == 0) {
        // Success is only ever said of the whole result.
        EXPECT_EQ(left, after) << where;
        EXPECT_EQ(InFolder(r.out, dir), InFolder(expected.out, clean)) << where;
        continue;
      }
      EXPECT_FALSE(r.err.empty()) << where;
      // 2 says nothing was changed.
      if (r.code == 2) {
        EXPECT_EQ(left, before) << where;
      }
      // Every file left is as before or as the clean run made it: nothing half written,
      // nothing of zeros, no temporary file left behind.
      for (const auto& [name, bytes] : left) {
        const auto was = before.find(name);
        const auto made = after.find(name);
        const bool asBefore = was != before.end() && was->second == bytes;
        const bool asMade = made != after.end() && made->second == bytes;
        const bool inPlaceKept = c.inPlace && was != before.end() &&
                                 r.err.find("unused bytes may remain") != std::string::npos &&
                                 bytes.size() >= was->second.size();
        EXPECT_TRUE(asBefore || asMade || inPlaceKept) << where << "\n  file " << name;
        // The clean run's result only after a run that said the change was made.
        if (!asBefore && asMade && !c.inPlace && before.count(name) != 0) {
          EXPECT_EQ(r.code, 1) << where << "\n  file " << name;
        }
      }
      for (const auto& [name, bytes] : before)
        EXPECT_TRUE(left.count(name)) << where << "\n  lost " << name;
    }
  }
  return runs;
}

}  // namespace brindle::test
