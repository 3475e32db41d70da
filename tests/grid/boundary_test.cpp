#include "grid/boundary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fixture.h"
#include "grid_helpers.h"

namespace kestrel::testing {
namespace {

using BoundaryTest = KestrelTest;

const int32_t kSquareCorners[4] = {0, 1, 2, 3};

TEST_F(BoundaryTest, UnitSquareNodesAndPrescribedValues) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 2, 2, 1, 1, sol.s);
  ASSERT_EQ(sol.s.f, 8);
  const double x[8] = {0, 0.5, 1, 1, 1, 0.5, 0, 0};
  const double y[8] = {0, 0, 0, 0.5, 1, 1, 1, 0.5};
  const double xi[8] = {0, 0.5, 1, 1, 1, 0.5, 0, 0};
  const double eta[8] = {0, 0, 0, 0.5, 1, 1, 1, 0.5};
  for (int k = 0; k < 8; ++k) {
    EXPECT_DOUBLE_EQ(sol.s.boundaryX[k], x[k]) << k;
    EXPECT_DOUBLE_EQ(sol.s.boundaryY[k], y[k]) << k;
    EXPECT_DOUBLE_EQ(sol.s.xi[k], xi[k]) << k;
    EXPECT_DOUBLE_EQ(sol.s.eta[k], eta[k]) << k;
  }
}

TEST_F(BoundaryTest, GradingBunchesNodesTowardsTheZeroEnd) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 4, 2, 2, 1, sol.s);
  const double fractions[4] = {0, 1.0 / 16, 1.0 / 4, 9.0 / 16};
  for (int i = 0; i < 4; ++i) {
    EXPECT_DOUBLE_EQ(sol.s.boundaryX[i], fractions[i]) << i;
    EXPECT_EQ(sol.s.boundaryY[i], 0);
    EXPECT_DOUBLE_EQ(sol.s.xi[i], fractions[i]);
  }
  // Side 3 runs back from corner 3 with the same xi as side 1: node 6 + k
  // lies at xi = ((4 - k) / 4)^2.
  for (int k = 0; k < 4; ++k) {
    const double xi = std::pow((4.0 - k) / 4.0, 2);
    EXPECT_NEAR(sol.s.boundaryX[6 + k], xi, 1e-15) << k;
    EXPECT_EQ(sol.s.boundaryY[6 + k], 1);
    EXPECT_NEAR(sol.s.xi[6 + k], xi, 1e-15);
  }
}

TEST_F(BoundaryTest, ArcPointInterpolatesInsideUnevenSpacing) {
  // A run along x with points at 0, 0.1, 0.25 and 1 (total length 1).
  const double x[5] = {7, 0, 0.1, 0.25, 1};
  const double y[5] = {7, 0, 0, 0, 0};
  double px, py;
  ArcPoint(x, y, 5, 1, 4, 0.5, 1, px, py);
  EXPECT_DOUBLE_EQ(px, 0.5);
  EXPECT_EQ(py, 0);
  ArcPoint(x, y, 5, 1, 4, 0.175, 1, px, py);
  EXPECT_DOUBLE_EQ(px, 0.175);
  ArcPoint(x, y, 5, 1, 4, 1, 1, px, py);
  EXPECT_EQ(px, 1);
  // A run that wraps past the end of the boundary: points 4, 0, 1.
  ArcPoint(x, y, 5, 4, 3, 0, 1, px, py);
  EXPECT_EQ(px, 1);
  ArcPoint(x, y, 5, 4, 3, 1, 1, px, py);
  EXPECT_EQ(px, 0);
}

TEST_F(BoundaryTest, ConstantBoundaryValueHasNoFlux) {
  TestBoundary shape({{0, 0}, {3, 0.5}, {2.5, 2}, {1, 2.5}, {-0.5, 1}});
  TestSolution sol;
  const int32_t corners[4] = {0, 1, 2, 3};
  SolvePatchBoundary(shape.w, corners, 3, 2, 1, 1, sol.s);
  const int32_t f = sol.s.f;
  std::vector<double> G(f * f), H(f * f), A(f * f), r(f), q(f), u(f, 0.7);
  AssembleBoundarySystem(sol.s, G.data(), H.data());
  for (int32_t p = 0; p < f; ++p) {
    double sum = 0;
    for (int32_t l = 0; l < f; ++l) sum += H[p * f + l];
    EXPECT_NEAR(sum, 0, 1e-13) << "row " << p;
  }
  SolveBoundaryFlux(G.data(), H.data(), u.data(), f, A.data(), r.data(), q.data(), 1);
  for (int32_t k = 0; k < f; ++k) EXPECT_NEAR(q[k], 0, 1e-12) << k;
}

TEST_F(BoundaryTest, FluxOfALinearFieldOnTheUnitSquare) {
  // xi = x: the outward derivative is 1 on side 2, -1 on side 4 and 0 on
  // sides 1 and 3. The mid-side nodes, away from the corners, show it well.
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 4, 4, 1, 1, sol.s);
  EXPECT_NEAR(sol.s.xiFlux[2], 0, 0.05);    // side 1, middle
  EXPECT_NEAR(sol.s.xiFlux[6], 1, 0.05);    // side 2, middle
  EXPECT_NEAR(sol.s.xiFlux[10], 0, 0.05);   // side 3, middle
  EXPECT_NEAR(sol.s.xiFlux[14], -1, 0.05);  // side 4, middle
  EXPECT_NEAR(sol.s.etaFlux[2], -1, 0.05);  // side 1: eta = y, normal -y
  EXPECT_NEAR(sol.s.etaFlux[10], 1, 0.05);
}

TEST_F(BoundaryTest, CoincidentNeighbourNodesAreFatal) {
  // Side 1 has length zero in effect: corners 1 and 2 are 1e-300 apart.
  TestBoundary shape({{0, 0}, {1e-300, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  try {
    SolvePatchBoundary(shape.w, kSquareCorners, 2, 1, 1, 1, sol.s);
    FAIL() << "coincident nodes must end the program";
  } catch (const AbortCalled& a) {
    EXPECT_EQ(a.code, 4649);
    EXPECT_STREQ(a.what(), "adjacent boundary encountered coincident points");
  }
}

}  // namespace
}  // namespace kestrel::testing
