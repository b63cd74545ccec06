// Finding a text in a container of compressed text tables, beside the least that work can
// cost: inflating every payload once and looking for the text in it (what zcat | grep -c
// does). The search should stay within twice that.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/edit/find.h"
#include "viewer/core/entries/identify.h"

namespace brindle {
namespace {

constexpr int kTables = 64;
constexpr int kRows = 10000;  // about 512 KB a table, 32 MB in all

// The container, written once: kTables compressed item tables.
struct Tables {
  test::TempDir dir;
  std::string path;
  std::int64_t unpacked = 0;
  Tables() {
    std::vector<NewEntry> entries;
    for (int t = 0; t < kTables; ++t) {
      std::string text;
      for (int row = 0; row < kRows; ++row) {
        std::string line = std::to_string(row) + "\tItem " + std::to_string(row * 7 + t) +
                           "\tWeapon\t120\t3\tisword" + std::to_string(row % 97) + "\tNote";
        line.resize(50, '.');
        text += line + "\r\n";
      }
      unpacked += static_cast<std::int64_t>(text.size());
      const std::string name = "table" + std::to_string(t) + ".txt";
      entries.push_back({name, BuildPackedLodEntry(name, test::TextBytes(text), true)});
    }
    path = dir.Write("icons.lod", BuildLod("icons", entries));
  }
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

struct Open {
  TDataFile df;
  std::unique_ptr<PosixFile> file;
};

Open OpenTables() {
  Open o;
  SilentHost host;
  if (!OpenContainer(o.df, TheTables().path, host)) std::abort();
  o.file = test::OpenFile(TheTables().path);
  if (!IdentifyAll(o.df, *o.file)) std::abort();
  return o;
}

constexpr std::string_view kNeedle = "isword42\t";

void BM_FindTextInCompressedTables(benchmark::State& state) {
  Open o = OpenTables();
  Result<FindPattern> pattern = FindPattern::Text(kNeedle.substr(0, 8));
  SilentHost host;
  std::int64_t hits = 0;
  for (auto _ : state) {
    Result<FindSummary> r =
        FindInContainer(o.df, *o.file, *pattern, {}, host, [](const FindHit&) { return true; });
    hits = r ? r->hits : -1;
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.SetBytesProcessed(state.iterations() * TheTables().unpacked);
}

// The reference: each payload inflated, then every occurrence counted with memmem.
void BM_InflateAndSearchReference(benchmark::State& state) {
  Open o = OpenTables();
  SilentHost host;
  std::int64_t hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const TResourceInfo& e : o.df.Entries) {
      Bytes text = ExtractEntry(*o.file, e, kLodHeaderSize, host);
      const auto* at = text.data();
      const auto* end = text.data() + text.size();
      while (const void* p = memmem(at, static_cast<std::size_t>(end - at), kNeedle.data(), 8)) {
        ++hits;
        at = static_cast<const std::uint8_t*>(p) + 8;
      }
    }
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.SetBytesProcessed(state.iterations() * TheTables().unpacked);
}

BENCHMARK(BM_InflateAndSearchReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindTextInCompressedTables)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brindle

BENCHMARK_MAIN();
