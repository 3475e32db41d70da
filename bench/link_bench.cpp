// Step 2 on a model of 200 patches of 20 x 20 cells, laid out as a 20 by 10
// block of squares that each share their sides with their neighbours. One
// iteration links the whole model (and writes its cell map files).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/report.h"
#include "app/reset.h"
#include "bench_support.h"
#include "grid/gridstore.h"
#include "link/link.h"
#include "store/store.h"
#include "view/view.h"

namespace {

using namespace kestrel;

constexpr int kColumns = 20, kRows = 10, kCells = 20;
constexpr double kSide = 100;

// The polygons and their patches as step 1 leaves them.
void BuildModel() {
  ResetProgramState();
  const int count = kColumns * kRows;
  grids.patchCount = count;
  grids.ni = AllocArray<int32_t>(1, count);
  grids.nj = AllocArray<int32_t>(1, count);
  grids.x = AllocArray<double*>(1, count);
  grids.y = AllocArray<double*>(1, count);
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      const int k = r * kColumns + c;
      const double x0 = c * kSide, y0 = r * kSide;
      Polygon& p = PrepareNewPolygon(1);
      p.points = AllocArray<PolygonPoint>(1, 5);
      p.points[0] = {x0, y0, 0};
      p.points[1] = {x0 + kSide, y0, 0};
      p.points[2] = {x0 + kSide, y0 + kSide, 0};
      p.points[3] = {x0, y0 + kSide, 0};
      p.points[4] = p.points[0];
      p.count = 5;
      p.closed = 1;
      p.color = k % 12;
      std::snprintf(p.name, sizeof p.name, "20by20_%i", k + 1);
      ++store.polygonCount;
      grids.ni[k] = grids.nj[k] = kCells;
      const int nodes = (kCells + 1) * (kCells + 1);
      grids.x[k] = AllocArray<double>(1, nodes);
      grids.y[k] = AllocArray<double>(1, nodes);
      for (int j = 0; j <= kCells; ++j) {
        for (int i = 0; i <= kCells; ++i) {
          grids.x[k][NodeIndex(kCells, i, j)] = x0 + kSide * i / kCells;
          grids.y[k][NodeIndex(kCells, i, j)] = y0 + kSide * j / kCells;
        }
      }
    }
  }
  clipPolygon = -1;
  gridsValid = 1;
  BoundAll();
  ComputeExtents();
}

void Link(benchmark::State& state, bool plain) {
  static bench::SilentFrontEnd ui;
  SetFrontEnd(&ui);
  bench::EnterScratchFolder("kestrel-link-bench");
  BuildModel();
  plainEdgeSearch = plain;
  for (auto _ : state) {
    linksValid = 0;
    if (!LinkGrids()) state.SkipWithError("the model did not link");
  }
  plainEdgeSearch = false;
  state.counters["patches"] = kColumns * kRows;
  ResetProgramState();
}

// The search that scores only edges close enough to match.
void BM_Link200Patches(benchmark::State& state) { Link(state, false); }
// Every pair of patches and every pair of their edges, for comparison.
void BM_Link200PatchesEveryPair(benchmark::State& state) { Link(state, true); }

BENCHMARK(BM_Link200Patches)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Link200PatchesEveryPair)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
