#include "grid/patchwork.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "app/report.h"
#include "grid/boundary.h"
#include "grid/fieldtable.h"
#include "grid/gridstore.h"
#include "grid/interior.h"
#include "grid/workers.h"
#include "store/store.h"

namespace kestrel {

namespace {

// A patch whose interior takes at least this many element evaluations shows
// how far its node placement has come, in tenths.
constexpr double kLargePatch = 1e8;

// The work of one polygon.
struct PatchWork {
  int32_t polygon = 0;
  const PatchPlan* plan = nullptr;
  WorkingBoundary boundary;
  BoundarySolution solution;
  FieldTable table;
};

// Everything BuildPatches holds, released however it ends.
struct Holdings {
  PatchWork* work = nullptr;
  int32_t patches = 0;
  FieldScratch* scratch = nullptr;
  int32_t threads = 0;
  InteriorJob* jobs = nullptr;

  ~Holdings() {
    for (int32_t k = 0; k < patches; ++k) {
      ReleaseWorkingBoundary(work[k].boundary);
      ReleaseBoundarySolution(work[k].solution);
      ReleaseFieldTable(work[k].table);
    }
    for (int32_t w = 0; w < threads; ++w) ReleaseFieldScratch(scratch[w]);
    FreeBlock(work);
    FreeBlock(scratch);
    FreeBlock(jobs);
  }
};

int32_t BoundaryNodes(const PatchPlan& plan) { return 2 * (plan.ni + plan.nj); }

double InteriorEvaluations(const PatchPlan& plan) {
  return (plan.ni - 1.0) * (plan.nj - 1.0) * 32.0 * BoundaryNodes(plan);
}

}  // namespace

StepFailure BuildPatches(const PatchPlan* plans, int32_t count, int32_t skip) {
  Holdings held;
  // Land polygons, like the clip polygon, have no patch.
  const auto skipped = [skip](int32_t i) { return i == skip || IsLandPolygon(i); };
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) total += skipped(i) ? 0 : 1;
  held.work = AllocArray<PatchWork>(5086, static_cast<std::size_t>(total));
  int32_t largest = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (skipped(i)) continue;
    PatchWork& w = held.work[held.patches++];
    w.polygon = i;
    w.plan = &plans[i];
    BuildWorkingBoundary(PolygonAt(i), w.boundary);
    const int32_t f = BoundaryNodes(plans[i]);
    AllocateBoundarySolution(f, w.solution);
    if (!AllocateFieldTable(f, w.table)) ReportStepFailure(FieldTableFailure(f));
    largest = std::max(largest, f);
  }
  const int32_t threads = GridThreads();
  held.scratch = AllocArray<FieldScratch>(kFieldScratchCode, static_cast<std::size_t>(threads));
  for (; held.threads < threads; ++held.threads) {
    if (!AllocateFieldScratch(largest, held.scratch[held.threads])) ReportStepFailure(FieldScratchFailure(largest));
  }

  // The boundaries. A failure stops the handing out of further patches; the
  // one reported is that of the first patch that failed, as if they had been
  // solved one after the other.
  if (total == 1) {
    ShowStatus("solving the boundary equations", true);
  } else {
    ShowStatusF(true, "solving the boundary equations of %i polygons", total);
  }
  // Each boundary solve holds two f by f matrices while it runs: no more run
  // at once than the memory one patch may have allows.
  const double solveBytes = 16.0 * largest * largest;
  const int32_t solvers = static_cast<int32_t>(std::clamp(kMaxPatchBytes / solveBytes, 1.0, double(threads)));
  std::mutex failureLock;
  int32_t failedPatch = INT32_MAX;
  StepFailure failure;
  RunTasks(
      total, solvers,
      [&](int32_t worker, int64_t task) {
        const int32_t k = static_cast<int32_t>(task);
        PatchWork& w = held.work[k];
        const PatchPlan& p = *w.plan;
        const StepFailure result =
            SolveBoundaryOn(w.boundary, p.corners, p.ni, p.nj, p.a, p.b, w.solution, w.table, held.scratch[worker]);
        if (result.code == 0) return true;
        std::lock_guard<std::mutex> hold(failureLock);
        if (k < failedPatch) {
          failedPatch = k;
          failure = result;
          failure.polygon = w.polygon;
        }
        return false;
      },
      [](int64_t) {});
  if (failure.code) {
    if (!IsShapeFailure(failure.code)) ReportStepFailure(failure);
    return failure;
  }

  // The interiors, every column of every patch one task.
  held.jobs = AllocArray<InteriorJob>(5087, static_cast<std::size_t>(total));
  for (int32_t k = 0; k < total; ++k) {
    const PatchWork& w = held.work[k];
    const PatchPlan& p = *w.plan;
    const std::size_t nodes = static_cast<std::size_t>(p.ni + 1) * static_cast<std::size_t>(p.nj + 1);
    double* x = AllocArray<double>(5319, nodes);
    grids.x[w.polygon] = x;
    double* y = AllocArray<double>(5320, nodes);
    grids.y[w.polygon] = y;
    PlacePerimeter(w.solution, p.ni, p.nj, x, y);
    InteriorJob& job = held.jobs[k];
    job.table = &w.table;
    job.boundary = &w.boundary;
    job.k1 = p.corners[0];
    job.k2 = p.corners[1];
    job.ni = p.ni;
    job.nj = p.nj;
    job.a = p.a;
    job.b = p.b;
    job.x = x;
    job.y = y;
  }
  // Each patch is announced once its first column is begun (or passed),
  // and a large one shows every further tenth of its columns placed.
  int32_t announced = 0;
  int32_t tenths = 0;
  auto progress = [&](int32_t job, int32_t placed) {
    while (announced < total && announced <= job) {
      ShowStatusF(true, "gridding polygon %i of %i (%s)", announced + 1, total,
                  PolygonAt(held.work[announced].polygon).name);
      ++announced;
      tenths = 0;
    }
    if (job >= total) return;
    const PatchPlan& p = *held.work[job].plan;
    if (InteriorEvaluations(p) < kLargePatch || p.ni < 2) return;
    const int32_t share = static_cast<int32_t>(10LL * placed / (p.ni - 1));
    if (share > tenths && share < 10) {
      tenths = share;
      ShowStatusF(true, "gridding polygon %i of %i (%s): %i%% of its nodes placed", job + 1, total,
                  PolygonAt(held.work[job].polygon).name, 10 * share);
    }
  };
  failure = PlaceInteriors(held.jobs, total, held.scratch, threads, progress);
  if (failure.code) {
    if (!IsShapeFailure(failure.code)) ReportStepFailure(failure);
    failure.polygon = held.work[failure.polygon].polygon;
  }
  return failure;
}

}  // namespace kestrel
