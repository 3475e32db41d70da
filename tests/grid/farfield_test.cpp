// The series of the far field: each run's series against the closed forms
// of its elements, within the proven bound; and the whole field against an
// exact sum, within the tolerance the approximation promises.
#include "grid/farfield.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "fixture.h"
#include "grid/fieldtable.h"
#include "grid/interior.h"
#include "grid_helpers.h"

namespace kestrel::testing {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// The value of xi (field 0) or eta (field 1) from elements first .. last-1
// by the closed forms in long double: exact to double precision even where
// the closed forms in double lose digits (far from the element, where
// r^2 ln r at its two ends nearly cancel).
long double ExactValue(const BoundarySolution& s, int32_t first, int32_t last, int field, long double px,
                       long double py) {
  const double* q = field == 0 ? s.xiFlux : s.etaFlux;
  const double* u = field == 0 ? s.xi : s.eta;
  long double sum = 0;
  for (int32_t e = first; e < last; ++e) {
    const int32_t e1 = (e + 1) % s.f;
    const long double ax = s.boundaryX[e], ay = s.boundaryY[e], bx = s.boundaryX[e1], by = s.boundaryY[e1];
    const long double dx = bx - ax, dy = by - ay, ux = px - ax, uy = py - ay, vx = px - bx, vy = py - by;
    const long double L2 = dx * dx + dy * dy, L = std::sqrt(L2);
    const long double t = ux * dx + uy * dy, c = uy * dx - ux * dy;
    const long double rA2 = ux * ux + uy * uy, rB2 = vx * vx + vy * vy;
    const long double lnA2 = std::log(rA2), lnB2 = std::log(rB2);
    const long double angle = std::atan(-t / c) - std::atan((L2 - t) / c);
    const long double h1 = ((L2 - t) / L2) * angle + (c / (2 * L2)) * (lnB2 - lnA2);
    const long double h2 = (t / L2) * angle + (c / (2 * L2)) * (lnA2 - lnB2);
    const long double a = t / L, b = std::fabs(c) / L, u0 = -a, u1 = L - a;
    auto F0 = [b](long double w, long double lnr) { return w * lnr - w + b * std::atan(w / b); };
    const long double I0 = F0(u1, lnB2 / 2) - F0(u0, lnA2 / 2);
    const long double I1 = (rB2 * lnB2 - rA2 * lnA2) / 4 - (u1 * u1 - u0 * u0) / 4 + a * I0;
    sum += (I1 / L - I0) * q[e] - I1 / L * q[e1] - h1 * u[e] - h2 * u[e1];
  }
  return sum / (2 * 3.14159265358979323846264338327950288L);
}

// The gradient of the same in long double, from the elementary integrals
// over v = s - a of the element's frame (P at arc position a and distance w
// from the element's line, r^2 = v^2 + w^2).
void ExactGradient(const BoundarySolution& s, int32_t first, int32_t last, int field, long double px, long double py,
                   long double out[2]) {
  const double* q = field == 0 ? s.xiFlux : s.etaFlux;
  const double* u = field == 0 ? s.xi : s.eta;
  out[0] = out[1] = 0;
  for (int32_t e = first; e < last; ++e) {
    const int32_t e1 = (e + 1) % s.f;
    const long double ax = s.boundaryX[e], ay = s.boundaryY[e];
    const long double L = std::hypot(static_cast<long double>(s.boundaryX[e1]) - ax, s.boundaryY[e1] - ay);
    const long double ex = (s.boundaryX[e1] - ax) / L, ey = (s.boundaryY[e1] - ay) / L, nx = ey, ny = -ex;
    const long double a = (px - ax) * ex + (py - ay) * ey, w = (px - ax) * nx + (py - ay) * ny;
    const long double v0 = -a, v1 = L - a, r0 = v0 * v0 + w * w, r1 = v1 * v1 + w * w;
    const long double A0 = (std::atan(v1 / w) - std::atan(v0 / w)) / w;
    const long double A1 = std::log(r1 / r0) / 2, A2 = (v1 - v0) - w * w * A0;
    const long double B0 = (v1 / r1 - v0 / r0) / (2 * w * w) + A0 / (2 * w * w);
    const long double B1 = -(1 / r1 - 1 / r0) / 2, B2 = -(v1 / r1 - v0 / r0) / 2 + A0 / 2;
    // With N2 = (v + a) / L and N1 = 1 - N2: the integrals of N_k / r^2,
    // N_k v / r^2, N_k v / r^4 and N_k / r^4.
    const long double P2 = (A1 + a * A0) / L, V2 = (A2 + a * A1) / L, W2 = (B2 + a * B1) / L, Q2 = (B1 + a * B0) / L;
    const long double P[2] = {A0 - P2, P2}, V[2] = {A1 - V2, V2}, W[2] = {B1 - W2, W2}, Q[2] = {B0 - Q2, Q2};
    const long double flux[2] = {q[e], q[e1]}, value[2] = {u[e], u[e1]};
    for (int k = 0; k < 2; ++k) {
      const long double gx = ex * V[k] - nx * w * P[k], gy = ey * V[k] - ny * w * P[k];
      const long double hx = nx * P[k] + 2 * w * (ex * W[k] - nx * w * Q[k]);
      const long double hy = ny * P[k] + 2 * w * (ey * W[k] - ny * w * Q[k]);
      out[0] += gx * flux[k] - hx * value[k];
      out[1] += gy * flux[k] - hy * value[k];
    }
  }
}

// A graded L-like outline of 2 (40 + 25) = 130 elements: enough for a tree.
struct SolvedOutline {
  TestBoundary shape{{{0, 0}, {30, 0}, {34, 12}, {20, 14}, {18, 30}, {2, 26}}};
  TestSolution sol;
  SolvedOutline() {
    const int32_t corners[4] = {0, 1, 3, 5};
    SolvePatchBoundary(shape.w, corners, 40, 25, 1.3, 0.8, sol.s);
  }
};

class FarFieldTest : public KestrelTest {
 protected:
  SolvedOutline outline;
  const TestSolution& sol = outline.sol;
  TestField field{outline.sol.s};
  FieldTable& table = field.table;
  FieldScratch& scratch = field.scratch;

  void SetUp() override {
    KestrelTest::SetUp();
    ASSERT_GT(table.far.runs, 1);
  }

  // Integrals of |q| and |u| over run r, as the bound takes them.
  void RunSizes(int32_t r, int field, double& fluxSize, double& valueSize) const {
    fluxSize = valueSize = 0;
    for (int32_t e = table.far.first[r]; e < table.far.last[r]; ++e) {
      const int32_t e1 = (e + 1) % sol.s.f;
      const double* q = field == 0 ? sol.s.xiFlux : sol.s.etaFlux;
      const double* u = field == 0 ? sol.s.xi : sol.s.eta;
      fluxSize += table.length[e] * std::max(std::fabs(q[e]), std::fabs(q[e1]));
      valueSize += table.length[e] * std::max(std::fabs(u[e]), std::fabs(u[e1]));
    }
  }
};

// Close to a run the series is cut off early and errs measurably: the error
// must still stay within the bound, for every run, in every direction.
TEST_F(FarFieldTest, EverySeriesStaysWithinItsBound) {
  int measurable = 0;
  for (int32_t r = 0; r < table.far.runs; ++r) {
    const double rho = table.far.radius[r];
    for (const double distance : {1.15, 1.5, 2.5, 6.0}) {
      for (int direction = 0; direction < 12; ++direction) {
        const double angle = direction * kTwoPi / 12 + 0.1;
        const double px = table.far.centreX[r] + distance * rho * std::cos(angle);
        const double py = table.far.centreY[r] + distance * rho * std::sin(angle);
        double sums[6] = {0, 0, 0, 0, 0, 0};
        AddFarRuns(table.far, &r, 1, px, py, sums);
        for (int field = 0; field < 2; ++field) {
          double fluxSize, valueSize;
          long double gradient[2];
          ExactGradient(sol.s, table.far.first[r], table.far.last[r], field, px, py, gradient);
          RunSizes(r, field, fluxSize, valueSize);
          const double R = distance * rho;
          const double valueBound = SeriesValueBound(R, rho, table.far.order, fluxSize, valueSize);
          const double gradientBound = SeriesGradientBound(R, rho, table.far.order, fluxSize, valueSize);
          // The series' own rounding, a few units in the last place of its terms.
          const double rounding = 1e-15 * (fluxSize * (1 + std::fabs(std::log(R))) + valueSize / rho);
          const long double exact = ExactValue(sol.s, table.far.first[r], table.far.last[r], field, px, py);
          const double valueError = std::fabs(-sums[3 * field] / kTwoPi - static_cast<double>(exact));
          EXPECT_LE(valueError, valueBound + rounding) << "run " << r << " at " << distance << " radii";
          for (int c = 0; c < 2; ++c) {
            const double error =
                std::fabs(sums[3 * field + 1 + c] / kTwoPi - static_cast<double>(gradient[c] / kTwoPi));
            EXPECT_LE(error, gradientBound + rounding / rho) << "run " << r << " at " << distance << " radii";
          }
          measurable += valueError > 1e-9;
        }
      }
    }
  }
  EXPECT_GT(measurable, 0);  // the truncation did show
}

// Everywhere inside, near the boundary too, the field with its far part
// summed as series is within the promised tolerance (1e-14 of the field's
// size) of the exact sum; it is checked against a long double sum because
// the closed forms in double precision already err by more than that. The
// gradient, whose series are bounded above, is checked to 1e-12.
TEST_F(FarFieldTest, FieldWithinItsToleranceOfTheExactSum) {
  const double tolerance = FarFieldValueTolerance(table);
  EXPECT_LE(tolerance, 1e-14);
  EXPECT_LE(FarFieldGradientTolerance(table) * table.diagonal, 1e-14);
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> px(0, 34), py(0, 30);
  int evaluated = 0, series = 0;
  while (evaluated < 300) {
    const double x = px(rng), y = py(rng);
    if (PointInBoundary(sol.s.boundaryX, sol.s.boundaryY, sol.s.f, x, y) != 1) continue;
    ++evaluated;
    series += SplitFarField(table.far, table.f, x, y, scratch.farRuns, scratch.ranges).farCount > 0;
    const FieldValue v = EvaluateField(table, scratch, x, y);
    EXPECT_NEAR(v.xi, static_cast<double>(ExactValue(sol.s, 0, sol.s.f, 0, x, y)), tolerance) << x << ", " << y;
    EXPECT_NEAR(v.eta, static_cast<double>(ExactValue(sol.s, 0, sol.s.f, 1, x, y)), tolerance) << x << ", " << y;
    long double xiGradient[2], etaGradient[2];
    ExactGradient(sol.s, 0, sol.s.f, 0, x, y, xiGradient);
    ExactGradient(sol.s, 0, sol.s.f, 1, x, y, etaGradient);
    const double got[4] = {v.xiX, v.xiY, v.etaX, v.etaY};
    const long double want[4] = {xiGradient[0], xiGradient[1], etaGradient[0], etaGradient[1]};
    for (int c = 0; c < 4; ++c) {
      const double exact = static_cast<double>(want[c] / (2 * 3.14159265358979323846264338327950288L));
      // (The closed forms of the elements near the point round the gradient
      // by more than the series err.)
      EXPECT_NEAR(got[c], exact, 1e-12 / table.diagonal) << x << ", " << y << " #" << c;
    }
  }
  EXPECT_GT(series, 250);
}

// The runs summed as series and the ranges summed in closed form cover
// every element exactly once, wherever the point lies.
TEST_F(FarFieldTest, SplitCoversEveryElementOnce) {
  for (const auto& [x, y] : {std::pair{17.0, 10.0}, {0.01, 0.01}, {-50.0, 80.0}, {1e6, 1e6}, {30.0, 0.0}}) {
    const FarFieldSplit split = SplitFarField(table.far, table.f, x, y, scratch.farRuns, scratch.ranges);
    std::vector<int> covered(table.f, 0);
    for (int32_t k = 0; k < split.farCount; ++k) {
      const int32_t r = scratch.farRuns[k];
      for (int32_t e = table.far.first[r]; e < table.far.last[r]; ++e) ++covered[e];
    }
    for (int32_t k = 0; k < split.rangeCount; ++k) {
      if (k > 0) {
        EXPECT_LT(scratch.ranges[2 * k - 1], scratch.ranges[2 * k]);  // in order, merged
      }
      for (int32_t e = scratch.ranges[2 * k]; e < scratch.ranges[2 * k + 1]; ++e) ++covered[e];
    }
    for (int32_t e = 0; e < table.f; ++e) ASSERT_EQ(covered[e], 1) << x << ", " << y << " element " << e;
  }
  // Far away the whole boundary is one series.
  EXPECT_EQ(SplitFarField(table.far, table.f, 1e6, 1e6, scratch.farRuns, scratch.ranges).farCount, 1);
}

}  // namespace
}  // namespace kestrel::testing
