#include "grid/interior.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "app/report.h"
#include "grid/gridstore.h"
#include "grid/solver.h"
#include "grid/stop.h"
#include "grid/workers.h"

namespace kestrel {

namespace {

// The twelve values for the element from A to B, given u = P - A, v = P - B,
// d = B - A and the squared distances with their logarithms.
//
// In the element's frame (unit direction e, unit normal n on the right, P at
// arc position `a` and signed distance w from the line) r^2 = (s-a)^2 + w^2,
// and every value is a combination of the elementary integrals over s:
//   theta = w J0,  J0 = int 1/r^2,  J1 = int (s-a)/r^2,  J2 = int (s-a)^2/r^2,
//   K1 = int (s-a)/r^4,  M = w^2 int 1/r^4.
// theta is the angle the element subtends at P, taken with atan2 so that a
// point on the element's line (w = 0) needs no special treatment except for
// J0, whose limit there is L / ((A-P).(B-P)).
inline void ElementField(double ux, double uy, double vx, double vy, double dx, double dy, double rA2, double rB2,
                         double lnA2, double lnB2, double* out) {
  const double L2 = dx * dx + dy * dy;
  const double L = std::sqrt(L2);
  const double iL = 1 / L;
  const double ex = dx * iL, ey = dy * iL;
  const double nx = ey, ny = -ex;
  const double a = (ux * dx + uy * dy) * iL;
  const double wL = ux * dy - uy * dx;
  const double w = wL * iL;
  const double u0 = -a, u1 = L - a;
  const double D = ux * vx + uy * vy;
  const double theta = std::atan2(wL, D);
  const double J0 = w != 0 ? theta / w : L / D;
  const double J1 = 0.5 * (lnB2 - lnA2);
  const double J2 = L - w * theta;
  const double K1 = 0.5 * (1 / rA2 - 1 / rB2);
  const double M = 0.5 * (u1 / rB2 - u0 / rA2 + J0);

  // With N2 = s/L = (s-a)/L + a/L and N1 = 1 - N2:
  const double P2 = (J1 + a * J0) * iL;  // int N2/r^2
  const double P1 = J0 - P2;
  const double wP2 = (w * J1 + a * theta) * iL;  // w int N2/r^2 = h2
  const double wP1 = theta - wP2;
  const double Q2 = (J2 + a * J1) * iL;  // int N2 (s-a)/r^2
  const double Q1 = J1 - Q2;
  const double R2 = (theta - w * M + a * w * K1) * iL;  // w int N2 (s-a)/r^4
  const double R1 = w * K1 - R2;
  const double S2 = (w * w * K1 + a * M) * iL;  // w^2 int N2/r^4
  const double S1 = M - S2;

  const double lnA = lnA2 / 2, lnB = lnB2 / 2;
  const double I0 = u1 * lnB - u0 * lnA - L + w * theta;                                  // int ln r
  const double I1 = 0.5 * (rB2 * lnB - rA2 * lnA) - 0.25 * (u1 * u1 - u0 * u0) + a * I0;  // int s ln r

  out[kG1] = I1 * iL - I0;
  out[kG1x] = ex * Q1 - nx * wP1;
  out[kG1y] = ey * Q1 - ny * wP1;
  out[kG2] = -I1 * iL;
  out[kG2x] = ex * Q2 - nx * wP2;
  out[kG2y] = ey * Q2 - ny * wP2;
  out[kH1] = wP1;
  out[kH1x] = nx * P1 + 2 * ex * R1 - 2 * nx * S1;
  out[kH1y] = ny * P1 + 2 * ey * R1 - 2 * ny * S1;
  out[kH2] = wP2;
  out[kH2x] = nx * P2 + 2 * ex * R2 - 2 * nx * S2;
  out[kH2y] = ny * P2 + 2 * ey * R2 - 2 * ny * S2;
}

}  // namespace

void FieldIntegrals(double px, double py, double ax, double ay, double bx, double by, double out[kFieldValues]) {
  const double ux = px - ax, uy = py - ay;
  const double vx = px - bx, vy = py - by;
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = vx * vx + vy * vy;
  ElementField(ux, uy, vx, vy, bx - ax, by - ay, rA2, rB2, std::log(rA2), std::log(rB2), out);
}

namespace {

// How often the pull of a start point is halved before it is left out.
constexpr int kPullHalvings = 24;

// A field table of a solution, for the entry points that take a solution:
// Abort when there is no memory.
struct SolutionTable {
  FieldTable table;
  FieldScratch scratch;
  explicit SolutionTable(const BoundarySolution& s) {
    if (!AllocateFieldTable(s.f, table)) {
      ReportStepFailure(FieldTableFailure(s.f));
    }
    if (!AllocateFieldScratch(s.f, scratch)) {
      ReleaseFieldTable(table);
      ReportStepFailure(FieldScratchFailure(s.f));
    }
    SetFieldGeometry(s, table);
    SetFieldValues(s, table);
  }
  ~SolutionTable() {
    ReleaseFieldScratch(scratch);
    ReleaseFieldTable(table);
  }
  SolutionTable(const SolutionTable&) = delete;
  SolutionTable& operator=(const SolutionTable&) = delete;
};

// Moves (px, py) one hundredth of the way to (tx, ty). Where that leaves the
// polygon (a bank curving away from the target) the move is halved until the
// point stays inside; when no move does, the point stays where it is and the
// result is false.
bool PullInside(const FieldTable& t, double tx, double ty, double& px, double& py) {
  double parts = 100;
  for (int halving = 0; halving < kPullHalvings; ++halving, parts *= 2) {
    const double x = (tx + (parts - 1) * px) / parts;
    const double y = (ty + (parts - 1) * py) / parts;
    if (InsideBoundary(t, x, y) == 1) {
      px = x;
      py = y;
      return true;
    }
  }
  return false;
}

double Graded(int32_t k, int32_t n, double e) { return std::pow(static_cast<double>(k) / static_cast<double>(n), e); }

// Column i of a job's interior: the seed on side 1 at xi_i, then every node
// upwards from the one below.
int PlaceColumn(const InteriorJob& job, FieldScratch& scratch, int32_t i) {
  const double xiTarget = Graded(i, job.ni, job.a);
  double px, py;
  ArcPoint(job.boundary->x, job.boundary->y, job.boundary->count, job.k1, job.k2 - job.k1 + 1, xiTarget, 5348, px, py);
  // The seed lies on side 1. Where that bank curves away from the centroid,
  // no pull towards the centroid keeps it inside (LocateNode would start it
  // on the boundary itself): it starts a little towards the column's far end
  // on side 3 instead.
  double cx = px, cy = py;
  if (!PullInside(*job.table, job.table->centreX, job.table->centreY, cx, cy)) {
    const int32_t far = 2 * job.ni + job.nj - i;
    PullInside(*job.table, job.table->x[far], job.table->y[far], px, py);
  }
  for (int32_t j = 1; j < job.nj; ++j) {
    if (StopRequested()) return kStoppedByUser;
    if (const int code = LocateNode(*job.table, scratch, xiTarget, Graded(j, job.nj, job.b), px, py)) return code;
    job.x[NodeIndex(job.ni, i, j)] = px;
    job.y[NodeIndex(job.ni, i, j)] = py;
  }
  return 0;
}

}  // namespace

FieldValue EvaluateField(const BoundarySolution& s, double px, double py) {
  SolutionTable t(s);
  return EvaluateField(t.table, t.scratch, px, py);
}

int PointInBoundary(const double* bx, const double* by, int32_t f, double px, double py) {
  if (f < 1) return 0;
  int crossings = 0;
  double xp = bx[f - 1], yp = by[f - 1];
  for (int32_t k = 0; k < f; ++k) {
    const double xc = bx[k], yc = by[k];
    if ((py < yp) != (py < yc)) {
      if (px < xp && px < xc) {
        ++crossings;
      } else {
        const double d1 = (xc - xp) * (py - yp);
        const double d2 = (yc - yp) * (px - xp);
        if (yp < yc ? d1 > d2 : d1 < d2) ++crossings;
      }
    }
    xp = xc;
    yp = yc;
  }
  return crossings % 2;
}

void LocateNode(const BoundarySolution& s, double xiTarget, double etaTarget, double& px, double& py) {
  int code;
  {
    SolutionTable t(s);
    code = LocateNode(t.table, t.scratch, xiTarget, etaTarget, px, py);
  }
  if (code) ReportStepFailure({code});
}

void PullTowardsCentre(const FieldTable& t, double& px, double& py) {
  // One hundredth of the way to the nodes' centroid, or less where that
  // would leave the polygon; outside, the field is nearly flat and the
  // Newton steps would never bring the point back.
  PullInside(t, t.centreX, t.centreY, px, py);
}

namespace {

// The damped search takes 32 steps of at most half the Newton step; the
// quick search below follows them only until they settle and then works out
// where the rest would lead.
constexpr int kDampedSteps = 32;

// Whole Newton steps the quick search takes to find the root itself.
constexpr int kRootSteps = 12;

// A whole Newton step at most this fraction of the patch's diagonal counts
// as having reached the root (within a small multiple of its square, far
// below what is kept of the root below).
constexpr double kRootSettled = 1e-10;

// The damped steps count as halving (see LocateNode) when a step differs
// from half the step before by at most this fraction of that step.
constexpr double kHalving = 0.01;

// The length of a step (the library's hypot guards against overflow, which
// steps within a patch cannot reach, at many times the cost).
double Length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

// The Newton step at (px, py) for the targets: the residual of xi and eta
// solved against their Jacobian. False when the Jacobian is singular.
bool NewtonStep(const FieldTable& t, FieldScratch& scratch, double xiTarget, double etaTarget, double px, double py,
                double step[2]) {
  const FieldValue v = EvaluateField(t, scratch, px, py);
  double J[4] = {v.xiX, v.xiY, v.etaX, v.etaY};
  step[0] = v.xi - xiTarget;
  step[1] = v.eta - etaTarget;
  return SolveLinearSystem(J, step, 2) == kSolved;
}

// The divisor of a damped step: 2 (half the Newton step) when that keeps the
// point inside the boundary, else the first of 4, 8, ... that does (32
// trials in all); 2^33 when none does.
double DampedDivisor(const FieldTable& t, double px, double py, const double step[2]) {
  double d = 2;
  for (int trial = 0; trial < 32; ++trial) {
    if (InsideBoundary(t, px - step[0] / d, py - step[1] / d) == 1) break;
    d *= 2;
  }
  return d;
}

// Moves (x, y) to the root by whole Newton steps, the first of them `first`
// (already worked out at (x, y)), each staying inside the boundary. False
// when a step would leave it or the steps do not settle.
bool FindRoot(const FieldTable& t, FieldScratch& scratch, double xiTarget, double etaTarget, const double first[2],
              double& x, double& y) {
  const double settled = kRootSettled * t.diagonal;
  double step[2] = {first[0], first[1]};
  for (int n = 0; n < kRootSteps; ++n) {
    if (n > 0 && !NewtonStep(t, scratch, xiTarget, etaTarget, x, y, step)) return false;
    if (InsideBoundary(t, x - step[0], y - step[1]) != 1) return false;
    x -= step[0];
    y -= step[1];
    if (Length(step[0], step[1]) <= settled) return true;
  }
  return false;
}

}  // namespace

int LocateNodeStepByStep(const FieldTable& t, FieldScratch& scratch, double xiTarget, double etaTarget, double& px,
                         double& py) {
  PullTowardsCentre(t, px, py);
  for (int iteration = 0; iteration < kDampedSteps; ++iteration) {
    double step[2];
    if (!NewtonStep(t, scratch, xiTarget, etaTarget, px, py, step)) return 4909;
    // At most half the Newton step, halved further until the point stays
    // inside; after 32 failed trials the step is 2^-33 of the Newton step.
    const double d = DampedDivisor(t, px, py, step);
    px -= step[0] / d;
    py -= step[1] / d;
  }
  return 0;
}

// Where the damped steps lead, without taking them all. Near the root R,
// with e = P - R the error of a point P, the Newton step there is
//   delta = e - 2 Q(e) + O(|e|^3),   Q(e) = J^-1 B(e, e) / 4
// (J the Jacobian and B the second derivatives of xi and eta at R), so a
// half step leaves the error
//   e' = e / 2 + Q(e) + O(|e|^3).
// Once the steps are in this regime (each step about half the one before:
// delta_k - delta_(k-1) / 2 = 1.5 Q(e_(k-1)) + ...), the errors shrink as
// e_n = 2^-n (u + ...), and summing the quadratic terms along the way,
//   e_32 = 2^-(32-k) (e_k + 4 Q(e_k)) + O(2^-(32-k) |e_k|^3 / L^2),
// L being the length over which the field bends. Q(e_k) = (e_k - delta_k) / 2
// needs nothing more than the step at P_k and the root, so
//   P_32 = R + 2^-(32-k) (3 e_k - 2 delta_k).
// The root is found by whole Newton steps from P_k (the first of them
// delta_k itself), which converge quadratically. With the steps halving to
// within kHalving, the neglected terms are about (kHalving / 3)^2 = 1e-5 of
// the distance 2^-(32-k) |e_k| that remains, itself a tiny fraction of the
// patch: the node lands within about 1e-13 of the patch's diagonal of the
// 32-step result (the tests compare both searches and the plain reference on
// many shapes; the difference is at the level of rounding). Where the steps
// do not settle into halving (a point near the boundary, whose steps are
// shortened to stay inside), or the root cannot be reached by whole steps,
// the damped steps simply go on to the 32nd.
int LocateNode(const FieldTable& t, FieldScratch& scratch, double xiTarget, double etaTarget, double& px, double& py) {
  PullTowardsCentre(t, px, py);
  double previous[2] = {0, 0};
  bool halfStep = false;  // the step before was half the Newton step, unshortened
  for (int k = 0; k < kDampedSteps; ++k) {
    double step[2];
    if (!NewtonStep(t, scratch, xiTarget, etaTarget, px, py, step)) return 4909;
    const double size = Length(step[0], step[1]);
    if (halfStep &&
        Length(step[0] - previous[0] / 2, step[1] - previous[1] / 2) <= kHalving * Length(previous[0], previous[1])) {
      double rx = px, ry = py;
      if (FindRoot(t, scratch, xiTarget, etaTarget, step, rx, ry)) {
        const double ex = px - rx, ey = py - ry;
        // e_k - delta_k = 2 Q(e_k) must be as small as the halving said.
        if (Length(ex - step[0], ey - step[1]) <= kHalving * size) {
          const double scale = std::ldexp(1.0, -(kDampedSteps - k));
          px = rx + scale * (3 * ex - 2 * step[0]);
          py = ry + scale * (3 * ey - 2 * step[1]);
          return 0;
        }
      }
    }
    const double d = DampedDivisor(t, px, py, step);
    halfStep = d == 2;
    px -= step[0] / d;
    py -= step[1] / d;
    previous[0] = step[0];
    previous[1] = step[1];
  }
  return 0;
}

void PlacePerimeter(const BoundarySolution& s, int32_t ni, int32_t nj, double* x, double* y) {
  // Counter-clockwise from corner 1.
  for (int32_t i = 0; i < ni; ++i) {
    x[NodeIndex(ni, i, 0)] = s.boundaryX[i];
    y[NodeIndex(ni, i, 0)] = s.boundaryY[i];
  }
  for (int32_t j = 0; j < nj; ++j) {
    x[NodeIndex(ni, ni, j)] = s.boundaryX[ni + j];
    y[NodeIndex(ni, ni, j)] = s.boundaryY[ni + j];
  }
  for (int32_t k = 0; k < ni; ++k) {
    x[NodeIndex(ni, ni - k, nj)] = s.boundaryX[ni + nj + k];
    y[NodeIndex(ni, ni - k, nj)] = s.boundaryY[ni + nj + k];
  }
  for (int32_t k = 0; k < nj; ++k) {
    x[NodeIndex(ni, 0, nj - k)] = s.boundaryX[2 * ni + nj + k];
    y[NodeIndex(ni, 0, nj - k)] = s.boundaryY[2 * ni + nj + k];
  }
}

StepFailure PlaceInteriors(const InteriorJob* jobs, int32_t count, FieldScratch* scratch, int32_t threads,
                           const std::function<void(int32_t, int32_t, double)>& progress) {
  // Column task t belongs to the job k with first[k] <= t < first[k + 1].
  int64_t* first = AllocArray<int64_t>(5088, static_cast<std::size_t>(count) + 1);
  for (int32_t k = 0; k < count; ++k) first[k + 1] = first[k] + std::max(jobs[k].ni - 1, 0);
  const int64_t columns = first[count];
  // The work of a column: its nodes times the elements each evaluation sums.
  auto columnWork = [&](int32_t k) {
    return static_cast<double>(std::max(jobs[k].nj - 1, 0)) * 2.0 * (jobs[k].ni + jobs[k].nj);
  };
  double allWork = 0;
  for (int32_t k = 0; k < count; ++k) allWork += columnWork(k) * static_cast<double>(first[k + 1] - first[k]);
  // Work of the columns placed so far, in whole units (each column adds its
  // own, an integer).
  std::atomic<int64_t> workDone{0};
  auto jobOf = [&](int64_t task) {
    return static_cast<int32_t>(std::upper_bound(first, first + count + 1, task) - first) - 1;
  };
  // The columns of each job placed so far.
  int32_t* placed = AllocArray<int32_t>(5089, static_cast<std::size_t>(count) + 1);

  std::mutex failureLock;
  int64_t failedTask = INT64_MAX;
  StepFailure failure;
  if (count > 0) progress(0, 0, 0);
  RunTasks(
      columns, threads,
      [&](int32_t worker, int64_t task) {
        const int32_t k = jobOf(task);
        const int32_t i = static_cast<int32_t>(task - first[k]) + 1;
        const int code = PlaceColumn(jobs[k], scratch[worker], i);
        if (code) {
          std::lock_guard<std::mutex> hold(failureLock);
          if (task < failedTask) {
            failedTask = task;
            failure = StepFailure{code};
            failure.polygon = k;
          }
          return false;
        }
        std::atomic_ref<int32_t>(placed[k]).fetch_add(1);
        workDone.fetch_add(static_cast<int64_t>(columnWork(k)));
        return true;
      },
      [&](int64_t begun) {
        if (begun < columns) {
          const int32_t k = jobOf(begun > 0 ? begun - 1 : 0);
          const double share = allWork > 0 ? static_cast<double>(workDone.load()) / allWork : 0;
          progress(k, std::atomic_ref<int32_t>(placed[k]).load(), share);
        }
      });
  FreeBlock(first);
  FreeBlock(placed);
  progress(count, 0, 1);
  return failure;
}

void PlacePatchNodes(int32_t slot, const BoundarySolution& s, const WorkingBoundary& boundary, int32_t k1, int32_t k2,
                     int32_t ni, int32_t nj, double a, double b) {
  const std::size_t nodes = static_cast<std::size_t>(ni + 1) * static_cast<std::size_t>(nj + 1);
  double* x = AllocArray<double>(5319, nodes);
  grids.x[slot] = x;
  double* y = AllocArray<double>(5320, nodes);
  grids.y[slot] = y;
  PlacePerimeter(s, ni, nj, x, y);

  const int32_t threads = GridThreads();
  FieldTable table;
  if (!AllocateFieldTable(s.f, table)) {
    ReportStepFailure(FieldTableFailure(s.f));
  }
  SetFieldGeometry(s, table);
  SetFieldValues(s, table);
  FieldScratch* scratch = AllocArray<FieldScratch>(kFieldScratchCode, static_cast<std::size_t>(threads));
  for (int32_t w = 0; w < threads; ++w) {
    if (!AllocateFieldScratch(s.f, scratch[w])) {
      ReportStepFailure(FieldScratchFailure(s.f));
    }
  }
  InteriorJob job;
  job.table = &table;
  job.boundary = &boundary;
  job.k1 = k1;
  job.k2 = k2;
  job.ni = ni;
  job.nj = nj;
  job.a = a;
  job.b = b;
  job.x = x;
  job.y = y;
  const StepFailure failure = PlaceInteriors(&job, 1, scratch, threads, [](int32_t, int32_t, double) {});
  for (int32_t w = 0; w < threads; ++w) ReleaseFieldScratch(scratch[w]);
  FreeBlock(scratch);
  ReleaseFieldTable(table);
  if (failure.code) ReportStepFailure(failure);
}

}  // namespace kestrel
