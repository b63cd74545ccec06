// Speed of the container core on large containers.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "common/file.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/placement.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/core/entries/identify.h"

namespace brindle {
namespace {

constexpr int kEntries = 20000;

// An ICONS LOD of 20,000 small entries of mixed types, written once per run.
const std::string& BigLod() {
  static test::TempDir dir;
  static std::string path = [] {
    std::vector<NewEntry> entries;
    entries.reserve(kEntries);
    const char* exts[] = {"", ".txt", ".evt", ".str", ".bin", ".pcx"};
    for (int i = 0; i < kEntries; ++i) {
      std::string name = "e";
      name += std::to_string(i);
      name += exts[i % 6];
      Bytes payload =
          test::Pattern(32 + static_cast<std::size_t>(i % 64), static_cast<std::uint8_t>(i));
      entries.push_back({name, BuildPackedLodEntry(name, payload, false)});
    }
    return dir.Write("big.lod", BuildLod("ICONS", entries));
  }();
  return path;
}

void BM_ReadDirectoryBytesOnce(benchmark::State& state) {
  const std::string& path = BigLod();
  for (auto _ : state) {
    auto f = PosixFile::Open(path, FileMode::kReadShared).value();
    Bytes dir(static_cast<std::size_t>(kEntries) * 32);
    (void)f->ReadAt(288, dir.data(), dir.size());
    benchmark::DoNotOptimize(dir.data());
  }
}
BENCHMARK(BM_ReadDirectoryBytesOnce)->Unit(benchmark::kMicrosecond);

void BM_OpenAndIdentifyAll(benchmark::State& state) {
  const std::string& path = BigLod();
  SilentHost host;
  for (auto _ : state) {
    TDataFile df;
    if (!OpenContainer(df, path, host)) state.SkipWithError("cannot open");
    auto f = PosixFile::Open(path, FileMode::kReadShared).value();
    if (!IdentifyAll(df, *f)) state.SkipWithError("cannot read");
    benchmark::DoNotOptimize(df.Entries.data());
  }
}
BENCHMARK(BM_OpenAndIdentifyAll)->Unit(benchmark::kMicrosecond);

void BM_OpenOnly(benchmark::State& state) {
  const std::string& path = BigLod();
  SilentHost host;
  for (auto _ : state) {
    TDataFile df;
    if (!OpenContainer(df, path, host)) state.SkipWithError("cannot open");
    benchmark::DoNotOptimize(df.Entries.data());
  }
}
BENCHMARK(BM_OpenOnly)->Unit(benchmark::kMicrosecond);

// A tightly packed container with a few gaps, the replaced entry too big for all of them.
std::vector<TResourceInfo> PackedLayout(int count) {
  std::vector<TResourceInfo> entries(static_cast<std::size_t>(count));
  std::mt19937 rng(7);
  std::int32_t at = 288 + 32 * count;
  for (auto& e : entries) {
    e.Offset = at;
    e.Size = 100 + static_cast<std::int32_t>(rng() % 100);
    at += e.Size + (rng() % 50 == 0 ? 40 : 0);
  }
  std::shuffle(entries.begin(), entries.end(), rng);
  return entries;
}

template <auto Search>
void BM_Placement(benchmark::State& state) {
  auto entries = PackedLayout(static_cast<int>(state.range(0)));
  std::int64_t end = 0;
  for (const auto& e : entries)
    end = std::max<std::int64_t>(end, e.Offset + e.Size);
  PlacementQuery q{&entries, 288 + 32 * state.range(0), end, 1000};
  for (auto _ : state)
    benchmark::DoNotOptimize(Search(q, {}));
}
BENCHMARK_TEMPLATE(BM_Placement, FindPlacement)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Placement, FindPlacementQuadratic)->Arg(20000)->Unit(benchmark::kMillisecond);

class CountingHost : public CoreHost {
 public:
  void Message(const std::string&) override {}
  void SetProgress(int) override { ++calls; }
  int calls = 0;
};

void BM_HexDump8MB(benchmark::State& state) {
  Bytes payload = test::Pattern(8 * 1024 * 1024, 3);
  CountingHost host;
  for (auto _ : state)
    benchmark::DoNotOptimize(HexDump(payload, &host).size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(payload.size()));
  state.counters["progress_calls_per_dump"] =
      static_cast<double>(host.calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_HexDump8MB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brindle

BENCHMARK_MAIN();
