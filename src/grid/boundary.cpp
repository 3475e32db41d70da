#include "grid/boundary.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "app/report.h"
#include "grid/fieldtable.h"
#include "grid/solver.h"
#include "grid/stop.h"
#include "grid/workers.h"
#include "store/store.h"

namespace kestrel {

void ArcPoint(const double* x, const double* y, int32_t count, int32_t start, int32_t m, double t,
              [[maybe_unused]] int code, double& px, double& py) {
  if (m < 2) {
    px = x[start % count];
    py = y[start % count];
    return;
  }
  auto index = [&](int32_t k) { return (start + k) % count; };
  auto step = [&](int32_t k) {
    const int32_t p = index(k - 1), c = index(k);
    return std::hypot(x[c] - x[p], y[c] - y[p]);
  };
  // The whole length first, then the walk to the first piece that holds the
  // fraction (the last piece if none does), summing the same way both times.
  double total = 0;
  for (int32_t k = 1; k < m; ++k) total += step(k);
  const double tau = t * total;
  double before = 0;
  for (int32_t k = 1; k < m; ++k) {
    const double after = before + step(k);
    if (k == m - 1 || (before <= tau && tau <= after)) {
      const int32_t p = index(k - 1), c = index(k);
      const double f = (tau - before) / (after - before);
      px = x[p] + (x[c] - x[p]) * f;
      py = y[p] + (y[c] - y[p]) * f;
      return;
    }
    before = after;
  }
}

ElementValues ElementIntegrals(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double ux = px - ax, uy = py - ay;
  const double vx = px - bx, vy = py - by;
  const double L2 = dx * dx + dy * dy;
  const double L = std::sqrt(L2);
  const double t = ux * dx + uy * dy;  // L times the projection of P on the element
  const double c = uy * dx - ux * dy;  // L times the distance of P from its line, signed
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = vx * vx + vy * vy;
  const double lnA2 = std::log(rA2);
  const double lnB2 = std::log(rB2);

  // Double layer. On the element's line (c = 0) the arc tangents are those of
  // infinite arguments, pi/2 of equal sign, and both values come out as 0.
  const double alpha = std::atan(-t / c);
  const double beta = std::atan((L2 - t) / c);
  ElementValues v;
  v.h1 = ((L2 - t) / L2) * (alpha - beta) + (c / (2 * L2)) * (lnB2 - lnA2);
  v.h2 = (t / L2) * (alpha - beta) + (c / (2 * L2)) * (lnA2 - lnB2);

  // Single layer: with v the arc parameter measured from the foot of P,
  // I0 = integral of ln r dv and I1 = integral of s ln r ds.
  const double a = t / L;
  const double b = std::fabs(c) / L;
  const double u0 = -a, u1 = L - a;
  const double lnA = lnA2 / 2, lnB = lnB2 / 2;
  auto F0 = [b](double w, double lnr) { return w * lnr - w + (b == 0 ? 0.0 : b * std::atan(w / b)); };
  auto F1 = [](double w, double r2, double lnr) { return r2 * lnr / 2 - w * w / 4; };
  const double I0 = F0(u1, lnB) - F0(u0, lnA);
  const double I1 = F1(u1, rB2, lnB) - F1(u0, rA2, lnA) + a * I0;
  v.g1 = I1 / L - I0;
  v.g2 = -I1 / L;
  return v;
}

void ReleaseBoundarySolution(BoundarySolution& solution) {
  FreeBlock(solution.boundaryX);
  FreeBlock(solution.boundaryY);
  FreeBlock(solution.xi);
  FreeBlock(solution.eta);
  FreeBlock(solution.xiFlux);
  FreeBlock(solution.etaFlux);
  solution = BoundarySolution{};
}

void ReleaseWorkingBoundary(WorkingBoundary& boundary) {
  FreeBlock(boundary.x);
  FreeBlock(boundary.y);
  boundary = WorkingBoundary{};
}

namespace {

// The graded fraction (k / n)^e; 0 to any positive power is 0.
double Graded(int32_t k, int32_t n, double e) { return std::pow(static_cast<double>(k) / static_cast<double>(n), e); }

void PlaceBoundaryNodes(const WorkingBoundary& w, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                        BoundarySolution& s) {
  const int32_t K = w.count;
  int32_t node = 0;
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = Graded(i, ni, a);
    ArcPoint(w.x, w.y, K, k[0], k[1] - k[0] + 1, t, 5232, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = t;
    s.eta[node] = 0;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = Graded(j, nj, b);
    ArcPoint(w.x, w.y, K, k[1], k[2] - k[1] + 1, t, 5239, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1;
    s.eta[node] = t;
  }
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = 1 - Graded(ni - i, ni, a);
    ArcPoint(w.x, w.y, K, k[2], k[3] - k[2] + 1, t, 5246, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1 - t;
    s.eta[node] = 1;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = 1 - Graded(nj - j, nj, b);
    ArcPoint(w.x, w.y, K, k[3], k[0] + K - k[3] + 1, t, 5253, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 0;
    s.eta[node] = 1 - t;
  }
}

// Rows of G and H assembled per task when they are shared between threads.
constexpr int32_t kRowsPerTask = 16;

// Row p of G and H from the field table of the boundary nodes.
void AssembleRow(const FieldTable& t, FieldScratch& scratch, int32_t p, double* G, double* H) {
  const int32_t f = t.f;
  const std::size_t n = static_cast<std::size_t>(f);
  double* g1 = scratch.term[0];
  double* g2 = scratch.term[1];
  double* h1 = scratch.term[2];
  double* h2 = scratch.term[3];
  CollocationTerms(t, scratch, p);
  // The elements that meet at p (element p starts there, the one before
  // ends there): the integrals of -ln r against the two shape functions;
  // the double layer vanishes.
  const int32_t before = p == 0 ? f - 1 : p - 1;
  for (const int32_t e : {before, p}) {
    const double L = std::hypot(t.x[e + 1] - t.x[e], t.y[e + 1] - t.y[e]);
    const double l = std::log(L);
    const double near = L * (1.5 - l) / 2;
    const double far = L * (0.5 - l) / 2;
    g1[e] = e == p ? near : far;
    g2[e] = e == p ? far : near;
    h1[e] = 0;
    h2[e] = 0;
  }
  // Node l collects the end of element l - 1 and the start of element l.
  double* g = G + static_cast<std::size_t>(p) * n;
  double* h = H + static_cast<std::size_t>(p) * n;
  g[0] = g1[0] + g2[f - 1];
  h[0] = h1[0] + h2[f - 1];
  for (int32_t l = 1; l < f; ++l) {
    g[l] = g1[l] + g2[l - 1];
    h[l] = h1[l] + h2[l - 1];
  }
  // Every row of H sums to zero, so that a constant u has no flux.
  double diagonal = 0;
  for (int32_t e = 0; e < f; ++e) {
    if (e != p && e != before) diagonal -= h1[e] + h2[e];
  }
  h[p] = diagonal;
}

// G and H row by row from the field table of the boundary nodes, on up to
// `threads` threads; 4649 when two neighbouring nodes coincide.
int AssembleRows(const FieldTable& t, FieldScratch* scratch, int32_t threads, double* G, double* H) {
  const int32_t f = t.f;
  for (int32_t e = 0; e < f; ++e) {
    if (std::hypot(t.x[e + 1] - t.x[e], t.y[e + 1] - t.y[e]) < kCoincident) return 4649;
  }
  if (threads <= 1) {
    for (int32_t p = 0; p < f; ++p) AssembleRow(t, scratch[0], p, G, H);
    return 0;
  }
  RunTasks((f + kRowsPerTask - 1) / kRowsPerTask, threads,
           [&](int32_t worker, int64_t task) {
             const int32_t from = static_cast<int32_t>(task) * kRowsPerTask;
             for (int32_t p = from; p < f && p < from + kRowsPerTask; ++p) AssembleRow(t, scratch[worker], p, G, H);
             return true;
           },
           [](int64_t) {});
  return 0;
}

}  // namespace

void AssembleBoundarySystem(const BoundarySolution& s, double* G, double* H) {
  FieldTable table;
  FieldScratch scratch;
  if (!AllocateFieldTable(s.f, table)) ReportStepFailure(FieldTableFailure(s.f));
  if (!AllocateFieldScratch(s.f, scratch)) {
    ReleaseFieldTable(table);
    ReportStepFailure(FieldScratchFailure(s.f));
  }
  SetFieldGeometry(s, table);
  const int code = AssembleRows(table, &scratch, 1, G, H);
  ReleaseFieldScratch(scratch);
  ReleaseFieldTable(table);
  if (code) ReportStepFailure({code});
}

void SolveBoundaryFlux(const double* G, const double* H, const double* u, int32_t f, double* A, double* r, double* flux,
                       int failCode) {
  const std::size_t n = static_cast<std::size_t>(f);
  for (std::size_t k = 0; k < n * n; ++k) A[k] = -G[k];
  for (std::size_t p = 0; p < n; ++p) {
    const double* h = H + p * n;
    double sum = 0;
    for (std::size_t l = 0; l < n; ++l) sum += h[l] * u[l];
    r[p] = -sum;
  }
  if (SolveLinearSystem(A, r, f) != kSolved) Abort(failCode, "can't solve equations");
  for (std::size_t k = 0; k < n; ++k) flux[k] = r[k];
}

bool IsShapeFailure(int code) {
  return code == 4649 || code == 4909 || code == 5299 || code == 5312 || code == kNonFiniteNode;
}

const char* ShapeFailureText(int code) {
  if (code == 4649) return "adjacent boundary encountered coincident points";
  if (code == kNonFiniteNode) return "a grid node is not a number";
  return "can't solve equations";
}

[[noreturn]] void ReportStepFailure(const StepFailure& failure) {
  if (IsShapeFailure(failure.code)) Abort(failure.code, "%s", ShapeFailureText(failure.code));
  Abort(failure.code, "can't allocate memory %lux%u=%lu bytes\nWin error code %li",
        static_cast<unsigned long>(failure.count), static_cast<unsigned>(failure.size),
        static_cast<unsigned long>(failure.count * failure.size), failure.error);
}

void AllocateBoundarySolution(int32_t f, BoundarySolution& s) {
  const std::size_t n = static_cast<std::size_t>(f);
  s.f = f;
  s.xi = AllocArray<double>(5223, n);
  s.xiFlux = AllocArray<double>(5224, n);
  s.eta = AllocArray<double>(5225, n);
  s.etaFlux = AllocArray<double>(5226, n);
  s.boundaryX = AllocArray<double>(5227, n);
  s.boundaryY = AllocArray<double>(5228, n);
}

StepFailure SolveBoundaryOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                            double b, BoundarySolution& s, FieldTable& table, FieldScratch& scratch) {
  return SolveBoundaryOn(boundary, k, ni, nj, a, b, s, table, &scratch, 1);
}

StepFailure SolveBoundaryOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                            double b, BoundarySolution& s, FieldTable& table, FieldScratch* scratch, int32_t threads) {
  const int32_t f = s.f;
  const std::size_t n = static_cast<std::size_t>(f);
  PlaceBoundaryNodes(boundary, k, ni, nj, a, b, s);
  SetFieldGeometry(s, table);

  // G becomes the system matrix -G in place once H is done with.
  double* G = static_cast<double*>(std::calloc(n * n, sizeof(double)));
  if (!G) return {5221, n * n, sizeof(double), errno};
  double* H = static_cast<double*>(std::calloc(n * n, sizeof(double)));
  if (!H) {
    const StepFailure failure{5222, n * n, sizeof(double), errno};
    std::free(G);
    return failure;
  }
  StepFailure failure;
  failure.code = AssembleRows(table, scratch, threads, G, H);
  if (failure.code == 0) {
    // xi and eta share the matrix -G and so its pivots: one elimination
    // serves both right-hand sides -H xi and -H eta.
    for (std::size_t p = 0; p < n; ++p) {
      const double* h = H + p * n;
      double sumXi = 0, sumEta = 0;
      for (std::size_t l = 0; l < n; ++l) {
        sumXi += h[l] * s.xi[l];
        sumEta += h[l] * s.eta[l];
      }
      s.xiFlux[p] = -sumXi;
      s.etaFlux[p] = -sumEta;
    }
    for (std::size_t l = 0; l < n * n; ++l) G[l] = -G[l];
    double* const fluxes[2] = {s.xiFlux, s.etaFlux};
    // A singular matrix fails the first coordinate's solve.
    const int status = SolveLinearSystemsOn(G, fluxes, 2, f, threads, &StopFlag());
    if (status != kSolved) failure.code = status == kStopped ? kStoppedByUser : 5299;
  }
  std::free(G);
  std::free(H);
  if (failure.code == 0) SetFieldValues(s, table);
  return failure;
}

void SolvePatchBoundary(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                        BoundarySolution& s) {
  const int32_t f = 2 * (ni + nj);
  AllocateBoundarySolution(f, s);
  FieldTable table;
  FieldScratch scratch;
  if (!AllocateFieldTable(f, table)) ReportStepFailure(FieldTableFailure(f));
  if (!AllocateFieldScratch(f, scratch)) {
    ReleaseFieldTable(table);
    ReportStepFailure(FieldScratchFailure(f));
  }
  const StepFailure failure = SolveBoundaryOn(boundary, k, ni, nj, a, b, s, table, scratch);
  ReleaseFieldScratch(scratch);
  ReleaseFieldTable(table);
  if (failure.code) ReportStepFailure(failure);
}

}  // namespace kestrel
