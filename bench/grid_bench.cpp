// Step 1 on one patch: a quarter ring traced with points along its arcs,
// gridded with the cell counts of its name. One iteration grids one patch.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/frontend.h"
#include "app/report.h"
#include "app/reset.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "store/store.h"
#include "view/view.h"

namespace {

using namespace kestrel;

// Answers nothing and shows nothing; a fatal box ends the benchmark loudly.
class SilentFrontEnd : public FrontEnd {
 public:
  void StatusChanged(bool) override {}
  bool NotifyBox(int, const char*, const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    return true;
  }
  void AbortBox(int, const char*, const char* text) override { std::fprintf(stderr, "fatal: %s\n", text); }
  [[noreturn]] void FatalExit(const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    std::exit(2);
  }
  [[noreturn]] void EndProcess(int code) override { std::exit(code); }
  Answer AskYesNoCancel(const char*, const char*) override { return Answer::Cancel; }
  bool AskOkCancel(const char*, const char* text) override {
    std::fprintf(stderr, "%s\n", text);
    return false;
  }
  bool AskValue(const char*, std::string&) override { return false; }
  bool AskOpenFile(const char*, const char*, std::string&) override { return false; }
  bool AskSaveFile(const char*, const char*, std::string&) override { return false; }
  void PutClipboardText(const std::string&) override {}
  bool GetClipboardText(std::string&) override { return false; }
};

// A quarter of the ring between radii 50 and 100, counter-clockwise: out
// along the x axis, round the outer arc, in along the y axis, back round the
// inner arc. Its four sharp vertices become the corners.
void AddQuarterRing(const char* name) {
  constexpr int kArc = 60, kRadial = 10;
  constexpr double kInner = 50, kOuter = 100, kQuarter = 1.5707963267948966;
  const int count = 2 * (kArc + kRadial) + 1;
  Polygon& p = PrepareNewPolygon(1);
  p.points = AllocArray<PolygonPoint>(1, count);
  int k = 0;
  for (int i = 0; i < kRadial; ++i) p.points[k++] = {kInner + (kOuter - kInner) * i / kRadial, 0, 0};
  for (int i = 0; i < kArc; ++i) {
    const double t = kQuarter * i / kArc;
    p.points[k++] = {kOuter * std::cos(t), kOuter * std::sin(t), 0};
  }
  for (int i = 0; i < kRadial; ++i) p.points[k++] = {0, kOuter - (kOuter - kInner) * i / kRadial, 0};
  for (int i = 0; i < kArc; ++i) {
    const double t = kQuarter * (kArc - i) / kArc;
    p.points[k++] = {kInner * std::cos(t), kInner * std::sin(t), 0};
  }
  p.points[k++] = p.points[0];
  p.count = count;
  p.closed = 1;
  SetPolygonName(p, name);
  ++store.polygonCount;
}

void GridOnePatch(benchmark::State& state, const char* name) {
  static SilentFrontEnd ui;
  SetFrontEnd(&ui);
  ResetProgramState();
  // CELL.P2D goes to the working folder: keep it out of the way.
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kestrel-grid-bench";
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  AddQuarterRing(name);
  BoundAll();
  ComputeExtents();
  for (auto _ : state) {
    gridsValid = 0;  // otherwise step 1 would remove the grids
    GenerateGrids();
    if (gridsValid != 1) state.SkipWithError("the patch was not gridded");
  }
  state.SetLabel(std::to_string(grids.ni[0]) + " x " + std::to_string(grids.nj[0]) + " cells, time per patch");

  ResetProgramState();
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

void BM_Step1Patch40x25(benchmark::State& state) { GridOnePatch(state, "40 by 25"); }
void BM_Step1Patch120x60(benchmark::State& state) { GridOnePatch(state, "120 by 60"); }

BENCHMARK(BM_Step1Patch40x25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step1Patch120x60)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
