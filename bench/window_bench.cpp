// Speed of the window against the core it stands on (offscreen).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <chrono>

#include "quiet_prompts.h"
#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/core/containers/directory.h"
#include "viewer/core/entries/hexdump.h"
#include "viewer/ui/shell/main_window.h"

namespace brindle {
namespace {

test::TempDir& Dir() {
  static test::TempDir dir;
  return dir;
}

AppPaths Paths() {
  AppPaths p;
  p.programDir = Dir().path().string();
  p.iniPath = Dir().File("brindle.ini");
  p.tempDir = p.programDir;
  return p;
}

const std::string& BigLod() {
  static std::string path = [] {
    std::vector<NewEntry> entries;
    for (int i = 0; i < 20000; ++i) {
      std::string name = "e";
      name += std::to_string(i);
      name += ".evt";
      entries.push_back({name, BuildPackedLodEntry(name, test::Pattern(40), false)});
    }
    return Dir().Write("big.lod", BuildLod("ICONS", entries));
  }();
  return path;
}

const Bytes& EightMegabytes() {
  static Bytes payload = test::Pattern(8 * 1024 * 1024, 5);
  return payload;
}

const std::string& BinLod() {
  static std::string path = Dir().Write(
      "bin.lod",
      BuildLod("ICONS", {{"big.bin", BuildPackedLodEntry("big.bin", EightMegabytes(), true)}}));
  return path;
}

void BM_CoreOpenContainer20000(benchmark::State& state) {
  SilentHost host;
  for (auto _ : state) {
    TDataFile df;
    if (!OpenContainer(df, BigLod(), host)) state.SkipWithError("cannot open");
    benchmark::DoNotOptimize(df.Entries.data());
  }
}
BENCHMARK(BM_CoreOpenContainer20000)->Unit(benchmark::kMicrosecond);

void BM_WindowLoadDataFile20000(benchmark::State& state) {
  QuietPrompts prompts;
  TForm1 form(Paths(), prompts, {});
  form.show();
  for (auto _ : state)
    form.LoadDataFile(BigLod());
}
BENCHMARK(BM_WindowLoadDataFile20000)->Unit(benchmark::kMicrosecond);

void BM_CoreHexDump8MB(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(HexDump(EightMegabytes()).size());
}
BENCHMARK(BM_CoreHexDump8MB)->Unit(benchmark::kMillisecond);

// Selecting the entry: extraction, inflating, the dump with its progress and the text box.
void BM_WindowShowBin8MB(benchmark::State& state) {
  QuietPrompts prompts;
  TForm1 form(Paths(), prompts, {});
  form.show();
  form.LoadDataFile(BinLod());
  for (auto _ : state)
    form.ShowEntry(0);
}
BENCHMARK(BM_WindowShowBin8MB)->Unit(benchmark::kMillisecond);

void BM_StartBareMainWindow(benchmark::State& state) {
  for (auto _ : state) {
    QMainWindow w;
    w.resize(625, 406);
    w.show();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_StartBareMainWindow)->Unit(benchmark::kMillisecond);

void BM_StartBrindleWindow(benchmark::State& state) {
  QuietPrompts prompts;
  for (auto _ : state) {
    TForm1 form(Paths(), prompts, {});
    form.show();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_StartBrindleWindow)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brindle
