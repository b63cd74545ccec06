// Drawing speed of the editor's grid (offscreen): the full backpack in boxes, and a long
// item list, each painted whole as a page switch or a move of the current cell does.
#include <benchmark/benchmark.h>

#include <QPixmap>

#include "viewer/ui/savegame/imp_stringgrid.h"

namespace brindle {
namespace {

// A grid of cols x rows cells, all of them on screen.
void Shape(TImpStringgrid& grid, int cols, int rows, int colWidth) {
  grid.SetColCount(cols);
  grid.SetRowCount(rows);
  grid.SetDefaultColWidth(colWidth);
  grid.SetDefaultRowHeight(18);
  grid.resize(cols * colWidth + 4, rows * 18 + 4);
}

// The backpack filled with 2 x 3 items, each one box.
void BM_PaintBackpackOfBoxes(benchmark::State& state) {
  TImpStringgrid grid;
  Shape(grid, 14, 9, 27);
  for (int c = 0; c < 14; ++c)
    for (int r = 0; r < 9; ++r) {
      const int item = (r / 3) * 7 + c / 2 + 1;
      grid.SetKey(c, r, QString::number(item));
      if (c % 2 == 0 && r % 3 == 0) grid.SetCell(c, r, QString::number(item));
    }
  grid.SetColorGrid(true);
  QPixmap target(grid.viewport()->size());
  int step = 0;
  for (auto _ : state) {
    grid.SetCurrentCell(step % 14, step % 9);  // moves the dark-blue box each time
    grid.viewport()->render(&target);
    ++step;
  }
}
BENCHMARK(BM_PaintBackpackOfBoxes)->Unit(benchmark::kMicrosecond);

// 140 rows of 7 columns with a caption row and column, all rows on screen.
void BM_PaintItemList140(benchmark::State& state) {
  TImpStringgrid grid;
  Shape(grid, 7, 141, 64);
  grid.SetFixedRows(1);
  grid.SetFixedCols(1);
  for (int r = 1; r < 141; ++r)
    for (int c = 0; c < 7; ++c)
      grid.SetCell(c, r, QString("cell %1.%2").arg(c).arg(r));
  QPixmap target(grid.viewport()->size());
  for (auto _ : state)
    grid.viewport()->render(&target);
}
BENCHMARK(BM_PaintItemList140)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brindle
