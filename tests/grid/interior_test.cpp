#include "grid/interior.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fixture.h"
#include "grid/boundary.h"
#include "grid/gridstore.h"
#include "grid_helpers.h"

namespace kestrel::testing {
namespace {

class InteriorTest : public KestrelTest {
 protected:
  // One patch slot in the grid store, as the driver prepares it.
  void PrepareSlot(int32_t ni, int32_t nj) {
    grids.patchCount = 1;
    grids.ni = AllocArray<int32_t>(1, 1);
    grids.nj = AllocArray<int32_t>(1, 1);
    grids.x = AllocArray<double*>(1, 1);
    grids.y = AllocArray<double*>(1, 1);
    grids.ni[0] = ni;
    grids.nj[0] = nj;
  }
  double X(int32_t i, int32_t j) { return grids.x[0][NodeIndex(grids.ni[0], i, j)]; }
  double Y(int32_t i, int32_t j) { return grids.y[0][NodeIndex(grids.ni[0], i, j)]; }
};

const int32_t kSquareCorners[4] = {0, 1, 2, 3};

TEST_F(InteriorTest, FieldOnTheUnitSquareIsTheCoordinates) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 4, 4, 1, 1, sol.s);
  const FieldValue v = EvaluateField(sol.s, 0.3, 0.6);
  EXPECT_NEAR(v.xi, 0.3, 1e-3);
  EXPECT_NEAR(v.eta, 0.6, 1e-3);
  EXPECT_NEAR(v.xiX, 1, 1e-3);
  EXPECT_NEAR(v.xiY, 0, 1e-3);
  EXPECT_NEAR(v.etaX, 0, 1e-3);
  EXPECT_NEAR(v.etaY, 1, 1e-3);
}

TEST_F(InteriorTest, UnitSquareNodesLieOnTheRegularLattice) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 4, 4, 1, 1, sol.s);
  PrepareSlot(4, 4);
  PlacePatchNodes(0, sol.s, square.w, 0, 1, 4, 4, 1, 1);
  for (int j = 0; j <= 4; ++j) {
    for (int i = 0; i <= 4; ++i) {
      EXPECT_NEAR(X(i, j), i / 4.0, 2e-3) << i << "," << j;
      EXPECT_NEAR(Y(i, j), j / 4.0, 2e-3) << i << "," << j;
    }
  }
  // The corners are exactly the polygon's corners.
  EXPECT_EQ(X(0, 0), 0);
  EXPECT_EQ(Y(4, 0), 0);
  EXPECT_EQ(X(4, 4), 1);
  EXPECT_EQ(Y(0, 4), 1);
}

TEST_F(InteriorTest, GradedColumnsFollowTheBoundaryNodes) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  SolvePatchBoundary(square.w, kSquareCorners, 4, 3, 2, 1, sol.s);
  PrepareSlot(4, 3);
  PlacePatchNodes(0, sol.s, square.w, 0, 1, 4, 3, 2, 1);
  for (int i = 1; i < 4; ++i) {
    for (int j = 1; j < 3; ++j) {
      EXPECT_NEAR(X(i, j), std::pow(i / 4.0, 2), 5e-3) << i << "," << j;
      EXPECT_NEAR(Y(i, j), j / 3.0, 5e-3) << i << "," << j;
    }
  }
}

TEST_F(InteriorTest, SingleCellPatchHasOnlyItsPerimeter) {
  // A skewed quadrilateral with one cell in J: no interior node exists, so
  // every node is a boundary node.
  TestBoundary quad({{0, 0}, {4, 0}, {5, 2}, {1, 3}});
  TestSolution sol;
  SolvePatchBoundary(quad.w, kSquareCorners, 3, 1, 1, 1, sol.s);
  PrepareSlot(3, 1);
  PlacePatchNodes(0, sol.s, quad.w, 0, 1, 3, 1, 1, 1);
  EXPECT_EQ(X(0, 0), 0);
  EXPECT_DOUBLE_EQ(X(1, 0), 4.0 / 3);
  EXPECT_EQ(X(3, 0), 4);
  EXPECT_EQ(X(3, 1), 5);
  EXPECT_EQ(Y(3, 1), 2);
  EXPECT_DOUBLE_EQ(X(2, 1), 5 - 4.0 / 3);
  EXPECT_EQ(X(0, 1), 1);
  EXPECT_EQ(Y(0, 1), 3);
}

TEST_F(InteriorTest, NodesOfAConcaveShapeStayInside) {
  // An L-shaped outline whose corners are the four convex vertices of the
  // outer sides; the re-entrant vertex sits inside side 3.
  TestBoundary shape({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
  TestSolution sol;
  const int32_t corners[4] = {0, 1, 2, 5};
  SolvePatchBoundary(shape.w, corners, 6, 4, 1, 1, sol.s);
  PrepareSlot(6, 4);
  PlacePatchNodes(0, sol.s, shape.w, 0, 1, 6, 4, 1, 1);
  for (int i = 1; i < 6; ++i) {
    for (int j = 1; j < 4; ++j) {
      EXPECT_EQ(PointInBoundary(sol.s.boundaryX, sol.s.boundaryY, sol.s.f, X(i, j), Y(i, j)), 1) << i << "," << j;
      // Where the node landed the field takes its targets.
      const FieldValue v = EvaluateField(sol.s, X(i, j), Y(i, j));
      EXPECT_NEAR(v.xi, i / 6.0, 1e-6);
      EXPECT_NEAR(v.eta, j / 4.0, 1e-6);
    }
  }
}

// The quick search lands where all 32 damped steps do, from every start the
// placement uses (the node below, and side 1 for the first row), on a
// graded concave outline with nodes next to its re-entrant corner.
TEST_F(InteriorTest, QuickSearchLandsWhereTheDampedStepsLead) {
  TestBoundary shape({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
  TestSolution sol;
  const int32_t corners[4] = {0, 1, 2, 5};
  SolvePatchBoundary(shape.w, corners, 12, 9, 1.4, 0.7, sol.s);
  TestField field(sol.s);
  FieldTable& table = field.table;
  FieldScratch& scratch = field.scratch;
  double worst = 0;
  for (int i = 1; i < 12; ++i) {
    const double xi = std::pow(i / 12.0, 1.4);
    double quickX = sol.s.boundaryX[i], quickY = sol.s.boundaryY[i];
    for (int j = 1; j < 9; ++j) {
      const double eta = std::pow(j / 9.0, 0.7);
      double slowX = quickX, slowY = quickY;
      ASSERT_EQ(LocateNode(table, scratch, xi, eta, quickX, quickY), 0);
      ASSERT_EQ(LocateNodeStepByStep(table, scratch, xi, eta, slowX, slowY), 0);
      worst = std::max(worst, std::hypot(quickX - slowX, quickY - slowY));
      quickX = slowX;  // the next row starts where the damped steps put this one
      quickY = slowY;
    }
  }
  EXPECT_LE(worst, 1e-12 * table.diagonal);
}

TEST_F(InteriorTest, PointInBoundaryClosesTheLoop) {
  const double x[4] = {0, 1, 1, 0};
  const double y[4] = {0, 0, 1, 1};
  EXPECT_EQ(PointInBoundary(x, y, 4, 0.5, 0.5), 1);
  EXPECT_EQ(PointInBoundary(x, y, 4, 1.5, 0.5), 0);
  // Only the closing edge (node 3 back to node 0) separates this point.
  EXPECT_EQ(PointInBoundary(x, y, 4, -0.5, 0.5), 0);
  EXPECT_EQ(PointInBoundary(x, y, 4, 0.01, 0.99), 1);
}

}  // namespace
}  // namespace kestrel::testing
