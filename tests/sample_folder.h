#pragma once
// The sample game folder of tools/make-samples, written once per test program into a scratch
// folder of its own.

#include "samples.h"
#include "test_support.h"

namespace brindle::test {

inline const TempDir& SampleFolder() {
  static TempDir dir;
  static bool written = [] {
    for (const samples::SampleContainer& c : samples::BuildSampleFolder())
      dir.Write(c.fileName, samples::BuildContainer(c));
    return true;
  }();
  (void)written;
  return dir;
}

}  // namespace brindle::test
