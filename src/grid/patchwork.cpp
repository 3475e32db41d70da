#include "grid/patchwork.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "app/report.h"
#include "grid/boundary.h"
#include "grid/fieldtable.h"
#include "grid/gridstore.h"
#include "grid/interior.h"
#include "grid/stop.h"
#include "grid/workers.h"
#include "store/store.h"

namespace kestrel {

namespace {

// Node placement that takes at least this many element evaluations (about a
// second) shows how far it has come and how long it still needs.
constexpr double kLongWork = 1e8;

// The time left is estimated once the work has run this long.
constexpr double kEstimateAfter = 1.0;  // seconds

// The user interface gets its pending input at most this often.
constexpr std::chrono::milliseconds kInputInterval{50};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// "45 s", "12 min", "2 h 5 min": a time left as a user reads it.
std::string Duration(double seconds) {
  char text[32];
  const long s = std::lround(std::max(seconds, 1.0));
  if (s < 90) {
    std::snprintf(text, sizeof text, "%li s", s);
  } else if (s < 90 * 60) {
    std::snprintf(text, sizeof text, "%li min", (s + 30) / 60);
  } else {
    const long minutes = (s + 30) / 60;
    std::snprintf(text, sizeof text, "%li h %li min", minutes / 60, minutes % 60);
  }
  return text;
}

// Hands the user interface its pending input, at most every kInputInterval.
struct InputPoll {
  Clock::time_point last{};
  bool polled = false;
  void operator()() {
    const Clock::time_point now = Clock::now();
    if (polled && now - last < kInputInterval) return;
    polled = true;
    last = now;
    UI().KeepResponsive();
  }
};

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

// Whether every node of a patch is a finite number.
bool FiniteNodes(const PatchPlan& plan, const double* x, const double* y) {
  const std::size_t nodes = static_cast<std::size_t>(plan.ni + 1) * static_cast<std::size_t>(plan.nj + 1);
  for (std::size_t n = 0; n < nodes; ++n) {
    if (!std::isfinite(x[n]) || !std::isfinite(y[n])) return false;
  }
  return true;
}

}  // namespace

StepFailure BuildPatches(const PatchPlan* plans, int32_t count, int32_t skip) {
  const StoppableWork stoppable;
  InputPoll poll;
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
  // Fewer patches than threads: each solve shares its own work out. Solve k
  // of the ones running at once uses the scratch from k * share on.
  const int32_t share = std::max<int32_t>(1, threads / std::max<int32_t>(1, std::min(total, solvers)));
  std::mutex failureLock;
  int32_t failedPatch = INT32_MAX;
  StepFailure failure;
  RunTasks(
      total, solvers,
      [&](int32_t worker, int64_t task) {
        const int32_t k = static_cast<int32_t>(task);
        PatchWork& w = held.work[k];
        const PatchPlan& p = *w.plan;
        const StepFailure result = SolveBoundaryOn(w.boundary, p.corners, p.ni, p.nj, p.a, p.b, w.solution, w.table,
                                                   &held.scratch[static_cast<std::size_t>(worker) * share], share);
        if (result.code == 0) return true;
        std::lock_guard<std::mutex> hold(failureLock);
        if (k < failedPatch) {
          failedPatch = k;
          failure = result;
          failure.polygon = w.polygon;
        }
        return false;
      },
      [&](int64_t) { poll(); });
  if (failure.code) {
    if (!IsShapeFailure(failure.code) && failure.code != kStoppedByUser) ReportStepFailure(failure);
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
  // Each patch is announced once its first column is begun (or passed).
  // Long work also shows the share done and the time left: whenever the
  // share passes a whole percent, and every second for the time left.
  double evaluations = 0;
  for (int32_t k = 0; k < total; ++k) evaluations += InteriorEvaluations(*held.work[k].plan);
  const bool longWork = evaluations >= kLongWork;
  const Clock::time_point start = Clock::now();
  Clock::time_point shownAt = start;
  int32_t announced = 0;
  int32_t percent = 0;
  auto show = [&](int32_t job, double share) {
    const Polygon& p = PolygonAt(held.work[job].polygon);
    char text[160];
    int used = std::snprintf(text, sizeof text, "gridding polygon %i of %i (%s)", job + 1, total, p.name);
    if (longWork) {
      used += std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), ": %i%% done", percent);
      const double elapsed = Seconds(Clock::now() - start);
      if (elapsed >= kEstimateAfter && share > 0) {
        std::snprintf(text + used, sizeof text - static_cast<std::size_t>(used), ", about %s left",
                      Duration(elapsed * (1 - share) / share).c_str());
      }
    }
    ShowStatus(text, true);
    shownAt = Clock::now();
  };
  auto progress = [&](int32_t job, int32_t, double share) {
    const int32_t reached = std::min(static_cast<int32_t>(std::floor(100 * share)), 99);
    const bool passed = reached > percent;
    percent = std::max(percent, reached);
    bool shown = false;
    while (announced < total && announced <= job) {
      show(announced++, share);
      shown = true;
    }
    if (longWork && job < total && !shown && (passed || Seconds(Clock::now() - shownAt) >= 1)) {
      show(announced - 1, share);
    }
    poll();
  };
  failure = PlaceInteriors(held.jobs, total, held.scratch, threads, progress);
  if (failure.code) {
    if (!IsShapeFailure(failure.code) && failure.code != kStoppedByUser) ReportStepFailure(failure);
    failure.polygon = held.work[failure.polygon].polygon;
    return failure;
  }
  // A node that is not a number (an outline that touches itself can give
  // one) would reach the model files as "nan": the patch cannot be gridded.
  for (int32_t k = 0; k < total; ++k) {
    const PatchWork& w = held.work[k];
    if (!FiniteNodes(*w.plan, grids.x[w.polygon], grids.y[w.polygon])) {
      failure.code = kNonFiniteNode;
      failure.polygon = w.polygon;
      return failure;
    }
  }
  return failure;
}

}  // namespace kestrel
