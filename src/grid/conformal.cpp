#include "grid/conformal.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "grid/farfield.h"
#include "grid/solver.h"
#include "grid/stop.h"
#include "store/store.h"

namespace kestrel {

namespace {

// Fatal codes of the working memory (both report "can't allocate memory").
constexpr int kMatrixCode = 5260;
constexpr int kNodeArraysCode = 5261;

// The coordinate running along side s (0 = xi on sides 1 and 3, 1 = eta on
// sides 2 and 4); the other one is constant on it.
int Along(int s) { return s % 2; }
int Across(int s) { return 1 - s % 2; }
// The constant value of the across coordinate: eta = 0 on side 1, xi = 1 on
// side 2, eta = 1 on side 3, xi = 0 on side 4.
double AcrossValue(int s) { return s == 1 || s == 2 ? 1 : 0; }
// The along coordinate at arc fraction t, where the side is held.
double AlongValue(const PatchSide& side, double t) { return side.rising ? t : 1 - t; }

// The working memory of one solve, released however it ends.
struct Work {
  int32_t fe = 0;
  double* matrix[2] = {nullptr, nullptr};  // the systems of xi and eta
  void* block = nullptr;                   // the per-node arrays below
  double* x = nullptr;
  double* y = nullptr;
  double* fraction = nullptr;  // arc fraction along the node's side
  double* value[2] = {nullptr, nullptr};
  double* solved[2] = {nullptr, nullptr};  // right-hand sides, then solutions
  double* h = nullptr;                     // one row of the double layer
  int32_t* side = nullptr;
  ~Work() {
    std::free(matrix[0]);
    std::free(matrix[1]);
    std::free(block);
  }
};

StepFailure Allocate(Work& w, int32_t fe) {
  const std::size_t n = static_cast<std::size_t>(fe);
  w.fe = fe;
  for (double*& m : w.matrix) {
    m = static_cast<double*>(std::calloc(n * n, sizeof(double)));
    if (!m) return {kMatrixCode, n * n, sizeof(double), errno};
  }
  constexpr std::size_t kArrays = 8;
  w.block = std::calloc(n * kArrays + n, sizeof(double));
  if (!w.block) return {kNodeArraysCode, n * (kArrays + 1), sizeof(double), errno};
  double* next = static_cast<double*>(w.block);
  for (double** array : {&w.x, &w.y, &w.fraction, &w.value[0], &w.value[1], &w.solved[0], &w.solved[1], &w.h}) {
    *array = next;
    next += n;
  }
  w.side = reinterpret_cast<int32_t*>(next);
  return {};
}

}  // namespace

void PatchSides(int32_t count, const int32_t k[4], int32_t ni, int32_t nj, double a, double b, PatchSide sides[4]) {
  sides[0] = {k[0], k[1] - k[0] + 1, ni, a, true};
  sides[1] = {k[1], k[2] - k[1] + 1, nj, b, true};
  sides[2] = {k[2], k[3] - k[2] + 1, ni, a, false};
  sides[3] = {k[3], k[0] + count - k[3] + 1, nj, b, false};
}

double SideFraction(const PatchSide& side, int32_t n) {
  return side.rising ? GradedFraction(n, side.cells, side.exponent)
                     : 1 - GradedFraction(side.cells - n, side.cells, side.exponent);
}

int32_t ConformalNodes(int32_t ni, int32_t nj) { return kConformalRefinement * 2 * (ni + nj); }

double ConformalPatchBytes(double ni, double nj) {
  const double f = 2 * (ni + nj);
  const double fe = kConformalRefinement * f;
  // The two systems, the element nodes' arrays, the field table and the
  // patch's boundary and node arrays.
  return 8 * (2 * fe * fe + 9 * fe + 14 * fe + 6 * f) + 16 * (ni + 1) * (nj + 1);
}

StepFailure SolveConformalOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                             double b, const bool held[4], BoundarySolution& s, FieldTable& table,
                             FieldScratch* scratches, int32_t threads, ConformalResult& result) {
  FieldScratch& scratch = scratches[0];
  constexpr int32_t m = kConformalRefinement;
  const int32_t K = boundary.count;
  PatchSide sides[4];
  PatchSides(K, k, ni, nj, a, b, sides);

  const int32_t fe = ConformalNodes(ni, nj);
  Work w;
  if (const StepFailure failure = Allocate(w, fe); failure.code) return failure;

  // The element nodes: every graded interval of a side cut into m equal
  // pieces of arc length, so that node m n of a side is grid node n of the
  // ordinary placement.
  int32_t first[5];
  int32_t node = 0;
  for (int sd = 0; sd < 4; ++sd) {
    const PatchSide& side = sides[sd];
    first[sd] = node;
    for (int32_t n = 0; n < side.cells; ++n) {
      const double t0 = SideFraction(side, n), t1 = SideFraction(side, n + 1);
      for (int32_t r = 0; r < m; ++r, ++node) {
        const double t = t0 + (t1 - t0) * r / m;
        ArcPoint(boundary.x, boundary.y, K, side.start, side.points, t, 0, w.x[node], w.y[node]);
        w.fraction[node] = t;
        w.side[node] = sd;
        w.value[Across(sd)][node] = AcrossValue(sd);
        w.value[Along(sd)][node] = AlongValue(side, t);
      }
    }
  }
  first[4] = fe;
  for (int32_t e = 0; e < fe; ++e) {
    const int32_t next = e + 1 == fe ? 0 : e + 1;
    if (std::hypot(w.x[next] - w.x[e], w.y[next] - w.y[e]) < kCoincident) return {4649};
  }

  // Element e (node e to node e + 1) lies on the side of node e. Where a
  // coordinate is prescribed along an element its flux is unknown there;
  // elsewhere the flux is zero and the coordinate itself is unknown.
  auto prescribed = [&](int c, int32_t e) { return c == Across(w.side[e]) || held[w.side[e]]; };
  auto before = [fe](int32_t l) { return l == 0 ? fe - 1 : l - 1; };
  auto known = [&](int c, int32_t l) { return prescribed(c, l) || prescribed(c, before(l)); };

  BoundarySolution nodes;  // the element nodes, for the table's geometry
  nodes.f = fe;
  nodes.boundaryX = w.x;
  nodes.boundaryY = w.y;
  SetFieldGeometry(nodes, table);

  // Collocation at every node: sum over l of H[p][l] u[l] equals the sum
  // over the elements of g1 q(start) + g2 q(end). The unknown of node l is
  // u[l] where it is not prescribed, else the flux of the prescribed
  // elements that meet there (one value shared by both where both are).
  const std::size_t n = static_cast<std::size_t>(fe);
  const double* g1 = scratch.term[0];
  const double* g2 = scratch.term[1];
  const double* h1 = scratch.term[2];
  const double* h2 = scratch.term[3];
  for (int32_t p = 0; p < fe; ++p) {
    CollocationRow(table, scratch, p);
    double diagonal = 0;
    for (int32_t l = 0; l < fe; ++l) {
      w.h[l] = h1[l] + h2[before(l)];
      if (l != p && l != before(p)) diagonal -= h1[l] + h2[l];
    }
    w.h[p] = diagonal;  // every row sums to zero: a constant has no flux
    for (int c = 0; c < 2; ++c) {
      double* row = w.matrix[c] + static_cast<std::size_t>(p) * n;
      double rhs = 0;
      for (int32_t l = 0; l < fe; ++l) {
        if (known(c, l)) {
          rhs -= w.h[l] * w.value[c][l];
          const int32_t e0 = before(l);
          row[l] = -((prescribed(c, l) ? g1[l] : 0) + (prescribed(c, e0) ? g2[e0] : 0));
        } else {
          row[l] = w.h[l];
        }
      }
      w.solved[c][p] = rhs;
    }
  }
  for (int c = 0; c < 2; ++c) {
    // The two systems differ in their matrices; each elimination ends early
    // when the user stops step 1.
    const int status = SolveLinearSystemsOn(w.matrix[c], &w.solved[c], 1, fe, threads, &StopFlag());
    if (status == kStopped) return {kStoppedByUser};
    if (status != kSolved) return {c == 0 ? 5299 : 5312};
    for (int32_t l = 0; l < fe; ++l) {
      if (!std::isfinite(w.solved[c][l])) return {c == 0 ? 5299 : 5312};
    }
  }

  // The table: values and fluxes at both ends of every element.
  double* value[2] = {table.xiValue, table.etaValue};
  double* valueChange[2] = {table.xiValueChange, table.etaValueChange};
  double* flux[2] = {table.xiFlux, table.etaFlux};
  double* fluxChange[2] = {table.xiFluxChange, table.etaFluxChange};
  double sideFlux[2] = {0, 0};  // xi through side 2, eta through side 3
  for (int c = 0; c < 2; ++c) {
    auto u = [&](int32_t l) { return known(c, l) ? w.value[c][l] : w.solved[c][l]; };
    for (int32_t e = 0; e < fe; ++e) {
      const int32_t next = e + 1 == fe ? 0 : e + 1;
      const double iL = table.inverse[e];
      const double q0 = prescribed(c, e) ? w.solved[c][e] : 0;
      const double q1 = prescribed(c, e) ? w.solved[c][next] : 0;
      value[c][e] = u(e);
      valueChange[c][e] = (u(next) - u(e)) * iL;
      flux[c][e] = q0;
      fluxChange[c][e] = (q1 - q0) * iL;
      if (w.side[e] == 1 + c) sideFlux[c] += table.length[e] * (q0 + q1) / 2;
    }
    // Keep the solved values for the placement of the boundary nodes.
    for (int32_t l = 0; l < fe; ++l) w.value[c][l] = u(l);
  }
  // The far runs' series from the values and fluxes just set (the flux
  // jumps at the nodes where a held coordinate meets a free one).
  SetFarFieldValues(table);
  const bool anyHeld = held[0] || held[1] || held[2] || held[3];
  result.modulus = !anyHeld && sideFlux[0] > 0 && sideFlux[1] > 0 ? std::sqrt(sideFlux[0] / sideFlux[1]) : 0;

  // The patch's boundary nodes. On a held side, and at every corner, they
  // are the element nodes of the ordinary placement. Elsewhere each goes
  // where the solved coordinate takes its graded value, between the two
  // element nodes that enclose it, at the interpolated arc fraction of the
  // side (so that it lies on the polygon).
  int32_t g = 0;
  for (int sd = 0; sd < 4; ++sd) {
    const PatchSide& side = sides[sd];
    const int c = Along(sd);
    const double direction = side.rising ? 1 : -1;
    const int32_t count = first[sd + 1] - first[sd];
    // The coordinate along the side as it rises, made non-decreasing so that
    // a wobble of the solution cannot order the nodes wrongly.
    auto rising = [&](int32_t r) {
      const int32_t l = first[sd] + r;
      return direction * (l == fe ? w.value[c][0] : w.value[c][l]);
    };
    auto fractionAt = [&](int32_t r) { return r == count ? 1.0 : w.fraction[first[sd] + r]; };
    int32_t r = 0;
    double low = rising(0);
    for (int32_t nd = 0; nd < side.cells; ++nd, ++g) {
      const double t = SideFraction(side, nd);
      s.xi[g] = Along(sd) == 0 ? AlongValue(side, t) : AcrossValue(sd);
      s.eta[g] = Along(sd) == 1 ? AlongValue(side, t) : AcrossValue(sd);
      if (nd == 0 || held[sd]) {
        s.boundaryX[g] = w.x[first[sd] + m * nd];
        s.boundaryY[g] = w.y[first[sd] + m * nd];
        continue;
      }
      const double target = direction * AlongValue(side, t);
      double high = std::max(low, rising(r + 1));
      while (r + 1 < count && high < target) {
        ++r;
        low = high;
        high = std::max(low, rising(r + 1));
      }
      double place = fractionAt(r);
      if (high > low)
        place += (fractionAt(r + 1) - fractionAt(r)) * std::clamp((target - low) / (high - low), 0.0, 1.0);
      ArcPoint(boundary.x, boundary.y, K, side.start, side.points, place, 0, s.boundaryX[g], s.boundaryY[g]);
    }
  }
  return {};
}

}  // namespace kestrel
