// bench_check: checking a container of compressed text tables next to inflating every payload
// once, which is the least a check has to do. The container (20,000 tables, over 100 MB) is
// written once per run; both read it through the page cache.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "common/file.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/containers/extract.h"
#include "viewer/core/containers/lod_entry.h"
#include "viewer/core/edit/check.h"
#include "viewer/core/entries/identify.h"

namespace brindle {
namespace {

constexpr int kEntries = 20000;
constexpr int kTables = 64;  // distinct tables, repeated across the entries

// A text table of about 24 KB: rows of a name, two numbers and a note, TAB-separated.
Bytes TextTable(int seed) {
  std::string text = "Name\tValue\tCount\tNote\r\n";
  std::uint32_t state = 0x9E3779B9u + static_cast<std::uint32_t>(seed);
  const char* words[] = {"sword", "shield", "potion", "scroll", "ring", "amulet", "boots", "helm"};
  while (text.size() < 24 * 1024) {
    state = state * 1664525u + 1013904223u;
    for (const std::string& cell :
         {std::string(words[state >> 29]) + std::to_string(state % 997),
          std::to_string((state >> 8) % 5000), std::to_string((state >> 4) % 64)}) {
      text += cell;
      text += '\t';
    }
    text += "kept in the ";
    text += words[(state >> 13) % 8];
    text += " chest\r\n";
  }
  return test::TextBytes(text);
}

struct Opened {
  std::unique_ptr<PosixFile> file;
  TDataFile dataFile;
};

const Opened& TextLod() {
  static test::TempDir dir;
  static Opened opened = [] {
    std::vector<Bytes> tables;
    for (int t = 0; t < kTables; ++t)
      tables.push_back(BuildPackedLodEntry("t.txt", TextTable(t), true, 256));
    const std::int64_t dirEnd = kLodDirectoryStart + kLodRecordSize * kEntries;
    ByteWriter head;
    head.Zeros(static_cast<std::size_t>(kLodIdentifierOffset)).FixedText("ICONS", 12).Zeros(8);
    std::int64_t at = dirEnd;
    for (int i = 0; i < kEntries; ++i)
      at += static_cast<std::int64_t>(tables[i % kTables].size());
    head.U32(static_cast<std::uint32_t>(at - kLodDirectoryStart)).Zeros(4).I32(kEntries);
    at = dirEnd;
    for (int i = 0; i < kEntries; ++i) {
      const auto size = static_cast<std::int32_t>(tables[i % kTables].size());
      head.FixedText(std::string("e").append(std::to_string(i)).append(".txt"), 16)
          .I32(static_cast<std::int32_t>(at - kLodDirectoryStart))
          .I32(size)
          .Zeros(8);
      at += size;
    }
    const std::string path = dir.File("tables.lod");
    if (!WriteWholeFile(path, head.Take())) std::abort();
    auto file = PosixFile::Open(path, FileMode::kWriteExclusive).value();
    at = dirEnd;
    for (int i = 0; i < kEntries; ++i) {
      const Bytes& t = tables[i % kTables];
      if (!file->WriteAt(at, t.data(), t.size())) std::abort();
      at += static_cast<std::int64_t>(t.size());
    }
    file.reset();
    Opened o;
    o.file = PosixFile::Open(path, FileMode::kReadShared).value();
    SilentHost quiet;
    if (!ReadContainer(o.dataFile, *o.file, path, quiet) || !IdentifyAll(o.dataFile, *o.file))
      std::abort();
    return o;
  }();
  return opened;
}

void BM_CheckTextTables(benchmark::State& state) {
  const Opened& o = TextLod();
  SilentHost quiet;
  for (auto _ : state) {
    Result<CheckReport> r = CheckContainer(o.dataFile, *o.file, quiet);
    if (!r || !r->problems.empty()) state.SkipWithError("the check failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(state.iterations() * o.file->Size());
}
BENCHMARK(BM_CheckTextTables)->Unit(benchmark::kMillisecond)->Iterations(3);

// What extract and the pages do: each payload inflated whole, once.
void BM_InflateEveryPayloadOnce(benchmark::State& state) {
  const Opened& o = TextLod();
  SilentHost quiet;
  for (auto _ : state) {
    std::int64_t total = 0;
    for (const TResourceInfo& e : o.dataFile.Entries)
      total += static_cast<std::int64_t>(
          InflatePayload(*o.file, e.Offset + kLodHeaderSize, e.PackedSize, e.UnpackedSize, quiet)
              .bytes.size());
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * o.file->Size());
}
BENCHMARK(BM_InflateEveryPayloadOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace brindle

BENCHMARK_MAIN();
