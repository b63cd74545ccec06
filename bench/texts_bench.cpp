// Speed of the text table walk, and (with the window) of filling the text page's grid from
// it: the grid is a model over the walk's result, so the fill should cost little more than
// the walk itself.
#include <benchmark/benchmark.h>

#include <string>

#include "viewer/core/formats/texts.h"

#ifdef BRINDLE_BENCH_GUI
#include <QApplication>
#include <QTableView>

#include "test_support.h"
#include "viewer/core/containers/container_writer.h"
#include "viewer/ui/pages/text_page.h"
#include "viewer/ui/shell/fake_prompts.h"
#include "viewer/ui/shell/main_window.h"
#endif

namespace brindle {
namespace {

// A megabyte in 20,000 rows of seven cells (52 bytes a row with its CR LF), the shape of
// the game's item tables.
const Bytes& MegabyteTable() {
  static const Bytes table = [] {
    std::string text;
    for (int row = 0; row < 20000; ++row) {
      std::string line = std::to_string(row) + "\tItem " + std::to_string(row * 7) +
                         "\tWeapon\t120\t3\tisword01\tNote";
      line.resize(50, '.');
      text += line + "\r\n";
    }
    return Bytes(text.begin(), text.end());
  }();
  return table;
}

void BM_CoreWalkTextGrid1MB(benchmark::State& state) {
  for (auto _ : state) {
    TextGrid g = WalkTextGrid(MegabyteTable());
    benchmark::DoNotOptimize(g.RowCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * MegabyteTable().size()));
  state.counters["rows"] = static_cast<double>(WalkTextGrid(MegabyteTable()).RowCount());
}
BENCHMARK(BM_CoreWalkTextGrid1MB)->Unit(benchmark::kMillisecond);

#ifdef BRINDLE_BENCH_GUI

// The walk and the grid taking its result (the model and the view's headers). With
// state.range(0) the view also lays out and paints the cells in sight: a fixed cost of a
// screenful of cells, whatever the table's size.
void BM_WindowFillTextGrid1MB(benchmark::State& state) {
  TextGridModel model;
  QTableView* view = MakeTextGridView(&model, nullptr);
  view->resize(700, 500);
  view->show();
  QApplication::processEvents();
  for (auto _ : state) {
    model.SetGrid(WalkTextGrid(MegabyteTable()));
    if (state.range(0)) QApplication::processEvents();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * MegabyteTable().size()));
  delete view;
}
BENCHMARK(BM_WindowFillTextGrid1MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Selecting the entry as the user does: extraction, inflating, the text box and the grid.
void BM_WindowShowText1MB(benchmark::State& state) {
  test::TempDir dir;
  const std::string lod = dir.Write(
      "icons.lod",
      BuildLod("ICONS", {{"big.txt", BuildPackedLodEntry("big.txt", MegabyteTable(), true, 256)}}));
  AppPaths paths;
  paths.programDir = dir.path().string();
  paths.iniPath = dir.File("brindle.ini");
  paths.tempDir = paths.programDir;
  test::FakePrompts prompts;  // no dialogs are asked; a message would be kept
  TForm1 form(paths, prompts, {});
  form.show();
  form.LoadDataFile(lod);
  for (auto _ : state) {
    form.ShowEntry(0);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_WindowShowText1MB)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
}  // namespace brindle

int main(int argc, char** argv) {
#ifdef BRINDLE_BENCH_GUI
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
