// Step 1 (grid the polygons) at the sizes modellers use: single patches of
// 40 x 25, 120 x 60 and 300 x 100 cells, and a model of 20 patches. The
// plain reference implementation kept with the tests runs beside the
// program's own code on the same patches, so that the two can be compared in
// one run.
//
// Every benchmark reports wall time (the work is spread over all cores) and
// the element evaluations per second of the plain method: one evaluation is
// one boundary element seen from one point, (ni - 1)(nj - 1) 32 f of them
// while the interior nodes are placed and f^2 while the boundary system is
// assembled (f = 2 (ni + nj)). The program itself evaluates far fewer (its
// Newton steps stop early and the far elements are summed as series), so for
// it the rate is the plain method's work over the program's time.
//
// BM_Step1Targets times the 120 by 60 patch, the plain reference on it and
// the 300 by 100 patch in turn, in five rounds, and reports how many times
// faster than the reference the program is and how the 300 by 100 time
// compares with the 120 by 60 time, from the best time of each in the run
// (the best is the least disturbed by other work on the machine).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "../tests/grid/oracle.h"
#include "app/frontend.h"
#include "app/report.h"
#include "app/reset.h"
#include "bench_support.h"
#include "grid/boundary.h"
#include "grid/driver.h"
#include "grid/fieldtable.h"
#include "grid/gridstore.h"
#include "grid/vectorise.h"
#include "grid/workers.h"
#include "store/store.h"
#include "view/view.h"

namespace {

using namespace kestrel;

using bench::SilentFrontEnd;

constexpr double kDegree = 0.017453292519943295;

// A sector of the ring between radii `inner` and `outer`, from angle `from`
// to `to` (degrees), counter-clockwise: along the outer arc, in along the
// radius, back along the inner arc and out again. Its four sharp vertices are
// the corners, so side 1 is the outer arc.
void AddSector(const char* name, double inner, double outer, double from, double to, int arcPoints, int radialPoints) {
  const int count = 2 * (arcPoints + radialPoints) + 1;
  Polygon& p = PrepareNewPolygon(1);
  p.points = AllocArray<PolygonPoint>(1, count);
  int k = 0;
  for (int i = 0; i < arcPoints; ++i) {
    const double t = (from + (to - from) * i / arcPoints) * kDegree;
    p.points[k++] = {outer * std::cos(t), outer * std::sin(t), 0};
  }
  for (int i = 0; i < radialPoints; ++i) {
    const double r = outer - (outer - inner) * i / radialPoints;
    p.points[k++] = {r * std::cos(to * kDegree), r * std::sin(to * kDegree), 0};
  }
  for (int i = 0; i < arcPoints; ++i) {
    const double t = (to - (to - from) * i / arcPoints) * kDegree;
    p.points[k++] = {inner * std::cos(t), inner * std::sin(t), 0};
  }
  for (int i = 0; i < radialPoints; ++i) {
    const double r = inner + (outer - inner) * i / radialPoints;
    p.points[k++] = {r * std::cos(from * kDegree), r * std::sin(from * kDegree), 0};
  }
  p.points[k++] = p.points[0];
  p.count = count;
  p.closed = 1;
  SetPolygonName(p, name);
  ++store.polygonCount;
}

// Element evaluations of step 1 on an ni by nj patch.
double Evaluations(double ni, double nj) {
  const double f = 2 * (ni + nj);
  return (ni - 1) * (nj - 1) * 32 * f + f * f;
}

// A fresh program state holding the polygons that `build` adds, gridded in
// a scratch folder (step 1 writes CELL.P2D into the working folder).
class Scene {
 public:
  template <typename Build>
  explicit Scene(Build build) {
    SetFrontEnd(&ui_);
    ResetProgramState();
    previous_ = std::filesystem::current_path();
    folder_ = std::filesystem::temp_directory_path() / ("kestrel-grid-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    std::filesystem::current_path(folder_);
    build();
    BoundAll();
    ComputeExtents();
  }
  ~Scene() {
    ResetProgramState();
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
  }

 private:
  SilentFrontEnd ui_;
  std::filesystem::path previous_, folder_;
};

// Step 1 as the user runs it: every polygon of the store, on as many threads
// as the benchmark's argument says (0: one per core).
void RunStep1(benchmark::State& state) {
  gridThreadLimit = static_cast<int32_t>(state.range(0));
  double evaluations = 0;
  for (auto _ : state) {
    gridsValid = 0;  // otherwise step 1 would remove the grids
    GenerateGrids();
    if (gridsValid != 1) {
      state.SkipWithError("the polygons were not gridded");
      return;
    }
  }
  int cells = 0;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    evaluations += Evaluations(grids.ni[k], grids.nj[k]);
    cells += grids.ni[k] * grids.nj[k];
  }
  state.counters["elements/s"] =
      benchmark::Counter(evaluations * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(std::to_string(grids.patchCount) + " patch(es), " + std::to_string(cells) + " cells, " +
                 std::to_string(GridThreads()) + " thread(s)");
}

// The reference implementation on polygon 0, settled the same way.
void RunOracle(benchmark::State& state) {
  oracle::Patch patch;
  for (auto _ : state) {
    if (oracle::GridPolygon(0, patch) != 0) {
      state.SkipWithError("the reference failed");
      return;
    }
  }
  state.counters["elements/s"] = benchmark::Counter(
      Evaluations(patch.ni, patch.nj) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(std::to_string(patch.ni) + " x " + std::to_string(patch.nj) + " cells, reference");
}

void QuarterRing(const char* name) { AddSector(name, 50, 100, 0, 90, 150, 25); }

void BM_Step1Patch40x25(benchmark::State& state) {
  Scene scene([] { QuarterRing("40 by 25"); });
  RunStep1(state);
}
void BM_Step1Patch120x60(benchmark::State& state) {
  Scene scene([] { QuarterRing("120 by 60"); });
  RunStep1(state);
}
void BM_Step1Patch300x100(benchmark::State& state) {
  Scene scene([] { QuarterRing("300 by 100"); });
  RunStep1(state);
}
// A whole ring in 20 sectors that share their radial sides, 16 to 28 cells
// along the arcs and 16 across.
void BM_Step1Model20Patches(benchmark::State& state) {
  Scene scene([] {
    for (int k = 0; k < 20; ++k) {
      const std::string name = std::to_string(16 + 4 * (k % 4)) + " by 16";
      AddSector(name.c_str(), 50, 100, 18.0 * k, 18.0 * (k + 1), 30, 25);
    }
  });
  RunStep1(state);
}
void BM_Step1Patch1000x300(benchmark::State& state) {
  Scene scene([] { AddSector("1000 by 300", 50, 100, 0, 90, 500, 60); });
  RunStep1(state);
}

// One evaluation of xi, eta and their gradients at the nodes of a sector of
// ni by nj cells (the first two arguments), with the far field summed as
// series (third argument 1) or every element in closed form (0), on one
// thread.
void BM_FieldEvaluation(benchmark::State& state) {
  const int ni = static_cast<int>(state.range(0)), nj = static_cast<int>(state.range(1));
  const std::string name = std::to_string(ni) + " by " + std::to_string(nj);
  Scene scene([&] { QuarterRing(name.c_str()); });
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
  PatchPlan plan;
  PlanPatch(0, w, reversed, plan);
  BoundarySolution s;
  SolvePatchBoundary(w, plan.corners, plan.ni, plan.nj, plan.a, plan.b, s);
  FieldTable table;
  FieldScratch scratch;
  if (!AllocateFieldTable(s.f, table) || !AllocateFieldScratch(s.f, scratch)) {
    state.SkipWithError("no memory");
    return;
  }
  SetFieldGeometry(s, table);
  SetFieldValues(s, table);
  const int32_t runs = table.far.runs;
  if (state.range(2) == 0) table.far.runs = 0;
  std::vector<std::pair<double, double>> points;
  for (int i = 1; i < ni; ++i) {
    for (int j = 1; j < nj; ++j) {
      const double t = 90.0 * i / ni * kDegree, r = 100 - 50.0 * j / nj;
      points.push_back({r * std::cos(t), r * std::sin(t)});
    }
  }
  double sum = 0;
  for (auto _ : state) {
    for (const auto& [x, y] : points) sum += EvaluateField(table, scratch, x, y).xi;
  }
  benchmark::DoNotOptimize(sum);
  state.counters["s/evaluation"] =
      benchmark::Counter(static_cast<double>(points.size()) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel("f = " + std::to_string(s.f) + (state.range(2) ? ", series" : ", closed forms only"));
  table.far.runs = runs;
  ReleaseFieldScratch(scratch);
  ReleaseFieldTable(table);
  ReleaseBoundarySolution(s);
  ReleaseWorkingBoundary(w);
}

// Wall time of step 1 on the store as it is.
double TimeStep1() {
  gridsValid = 0;
  const auto start = std::chrono::steady_clock::now();
  GenerateGrids();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return gridsValid == 1 ? seconds : -1;
}

// The targets side by side: the best of several interleaved timings of each.
void BM_Step1Targets(benchmark::State& state) {
  gridThreadLimit = 0;
  double program = 1e30, reference = 1e30, large = 1e30;
  for (auto _ : state) {
    for (int round = 0; round < 5; ++round) {
      {
        Scene scene([] { QuarterRing("120 by 60"); });
        for (int k = 0; k < 3; ++k) program = std::min(program, TimeStep1());
        if (round % 2 == 0) {
          oracle::Patch patch;
          const auto start = std::chrono::steady_clock::now();
          if (oracle::GridPolygon(0, patch) != 0) state.SkipWithError("the reference failed");
          const auto end = std::chrono::steady_clock::now();
          reference = std::min(reference, std::chrono::duration<double>(end - start).count());
        }
      }
      Scene scene([] { QuarterRing("300 by 100"); });
      for (int k = 0; k < 2; ++k) large = std::min(large, TimeStep1());
    }
  }
  if (program <= 0 || large <= 0) {
    state.SkipWithError("the polygons were not gridded");
    return;
  }
  state.counters["120x60 ms"] = program * 1e3;
  state.counters["reference ms"] = reference * 1e3;
  state.counters["300x100 ms"] = large * 1e3;
  state.counters["times faster"] = reference / program;
  state.counters["300x100 / 120x60"] = large / program;
  state.SetLabel(std::to_string(GridThreads()) + " thread(s), " + VectorWidthInUse());
}

void BM_ReferencePatch40x25(benchmark::State& state) {
  Scene scene([] { QuarterRing("40 by 25"); });
  RunOracle(state);
}
void BM_ReferencePatch120x60(benchmark::State& state) {
  Scene scene([] { QuarterRing("120 by 60"); });
  RunOracle(state);
}

// The boundary solution alone (nodes, collocation system, both solves) of
// the 300 by 100 patch, where the f^3 elimination weighs most.
void BM_BoundarySolution300x100(benchmark::State& state) {
  Scene scene([] { QuarterRing("300 by 100"); });
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
  PatchPlan plan;
  PlanPatch(0, w, reversed, plan);
  for (auto _ : state) {
    BoundarySolution s;
    SolvePatchBoundary(w, plan.corners, plan.ni, plan.nj, plan.a, plan.b, s);
    ReleaseBoundarySolution(s);
  }
  ReleaseWorkingBoundary(w);
  const double f = 2.0 * (plan.ni + plan.nj);
  state.counters["elements/s"] =
      benchmark::Counter(f * f * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel("f = " + std::to_string(static_cast<int>(f)) + " boundary nodes");
}
void BM_ReferenceBoundarySolution300x100(benchmark::State& state) {
  Scene scene([] { QuarterRing("300 by 100"); });
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
  PatchPlan plan;
  PlanPatch(0, w, reversed, plan);
  for (auto _ : state) {
    BoundarySolution s;
    oracle::SolveBoundary(w, plan.corners, plan.ni, plan.nj, plan.a, plan.b, s);
    ReleaseBoundarySolution(s);
  }
  ReleaseWorkingBoundary(w);
  const double f = 2.0 * (plan.ni + plan.nj);
  state.counters["elements/s"] =
      benchmark::Counter(f * f * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel("f = " + std::to_string(static_cast<int>(f)) + " boundary nodes, reference");
}

BENCHMARK(BM_Step1Patch40x25)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Step1Patch120x60)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Step1Patch300x100)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Step1Patch1000x300)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Step1Model20Patches)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReferencePatch40x25)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReferencePatch120x60)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_BoundarySolution300x100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReferenceBoundarySolution300x100)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FieldEvaluation)
    ->Args({40, 25, 0})
    ->Args({40, 25, 1})
    ->Args({120, 60, 0})
    ->Args({120, 60, 1})
    ->Args({300, 100, 0})
    ->Args({300, 100, 1})
    ->Args({1000, 300, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step1Targets)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

// The usual benchmark main, saying first which vector version the kernels
// run with on this machine.
int main(int argc, char** argv) {
  benchmark::AddCustomContext("step-1 vector width", kestrel::VectorWidthInUse());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
