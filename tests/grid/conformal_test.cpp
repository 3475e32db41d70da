// Orthogonal patches of step 1 against the closed forms of their conformal
// maps.
#include "grid/conformal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fixture.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "grid/orthogonal.h"
#include "grid/quality.h"
#include "patches.h"
#include "shapes.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

const double kPi = std::acos(-1.0);

class ConformalTest : public FolderTest {
 protected:
  std::vector<double> Nodes(int32_t k, bool x) {
    const double* v = x ? grids.x[k] : grids.y[k];
    return std::vector<double>(v, v + (grids.ni[k] + 1) * (grids.nj[k] + 1));
  }

  // Distance from a node to the polygon's outline.
  static double OffOutline(int32_t k, double px, double py) {
    const Polygon& p = PolygonAt(k);
    double best = HUGE_VAL;
    for (int32_t n = 0; n + 1 < p.count; ++n) {
      const double ax = p.points[n].x, ay = p.points[n].y;
      const double dx = p.points[n + 1].x - ax, dy = p.points[n + 1].y - ay;
      const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      best = std::min(best, std::hypot(ax + t * dx - px, ay + t * dy - py));
    }
    return best;
  }
};

TEST_F(ConformalTest, OnARectangleTheGradedSpacingIsExactAndTheBoundaryIsTheOrdinaryOne) {
  // A 2 by 1 rectangle with extra points on its sides; its conformal map is
  // the identity up to scale, so the nodes sit at the graded fractions of the
  // sides in both directions.
  AddPolygon("8by4[1.5,0.8]", {{0, 0}, {1, 0}, {2, 0}, {2, 0.5}, {2, 1}, {1, 1}, {0, 1}, {0, 0.5}}, true);
  Grid(false);
  const std::vector<double> ordinaryX = Nodes(0, true), ordinaryY = Nodes(0, false);
  GenerateGrids();  // off
  Grid(true);
  EXPECT_NE(std::string(statusText).find("1 polygon gridded orthogonally (conformal modulus 0.5000)"),
            std::string::npos)
      << statusText;
  EXPECT_NEAR(grids.origin[0].modulus, 0.5, 1e-9);
  for (int32_t j = 0; j <= 4; ++j) {
    for (int32_t i = 0; i <= 8; ++i) {
      const int32_t n = NodeIndex(8, i, j);
      EXPECT_NEAR(grids.x[0][n], 2 * std::pow(i / 8.0, 1.5), 1e-9) << i << " " << j;
      EXPECT_NEAR(grids.y[0][n], std::pow(j / 4.0, 0.8), 1e-9) << i << " " << j;
      if (i == 0 || j == 0 || i == 8 || j == 4) {
        EXPECT_NEAR(grids.x[0][n], ordinaryX[n], 1e-12);
        EXPECT_NEAR(grids.y[0][n], ordinaryY[n], 1e-12);
      }
    }
  }
}

TEST_F(ConformalTest, AnAnnulusSectorIsMappedByTheLogarithm) {
  // Radii 1 and 2 over 60 degrees, arcs traced every half degree. Side 1 is
  // radial: the nodes along it lie at radii growing geometrically, 2^(i/ni),
  // and every node (i, j) lies on the circle of that radius and the ray at
  // 60 j / nj degrees.
  const int32_t ni = 48, nj = 24;
  const int k = AddPolygon("48by24", SectorOutline(1, 2, 60, 8, 120), true);
  Grid(true);
  ASSERT_EQ(grids.ni[k], ni);
  for (int32_t j = 0; j <= nj; ++j) {
    for (int32_t i = 0; i <= ni; ++i) {
      const int32_t n = NodeIndex(ni, i, j);
      const double x = grids.x[k][n], y = grids.y[k][n];
      // A hundredth of a cell: the error of the elements falls with the
      // square of their size (5e-5 here, 1.4e-5 at twice the counts).
      EXPECT_NEAR(std::hypot(x, y), std::pow(2.0, double(i) / ni), 1e-4) << i << " " << j;
      EXPECT_NEAR(std::atan2(y, x), kPi / 3 * j / nj, 1e-5) << i << " " << j;
      if (i == 0 || j == 0 || i == ni || j == nj) {
        EXPECT_LT(OffOutline(k, x, y), 1e-12) << i << " " << j;
      }
    }
  }
  EXPECT_NEAR(grids.origin[k].modulus, kPi / 3 / std::log(2.0), 2e-4);
  const QualitySummary q = Summarise(MeasureGrid());
  EXPECT_LT(q.orthogonality.largest, 0.2);
  EXPECT_EQ(q.folded, 0);
}

TEST_F(ConformalTest, CurvedSidesGetTheirNodesOnThePolygonInOrder) {
  // A quadrilateral with a bulging, unevenly traced side 3 and a slanted side
  // 2: the nodes of every side stay on the polygon and in order, no cell
  // folds, and the grid is far more orthogonal than the ordinary one.
  Outline outline = {{0, 0}, {4, 0}, {5, 1.5}};
  for (int n = 0; n <= 12; ++n) {
    const double t = std::pow(n / 12.0, 1.7);
    outline.emplace_back(5 - 5 * t, 3 + 1.2 * std::sin(kPi * t));
  }
  outline.emplace_back(0, 1.5);
  const int k = AddPolygon("16by6", outline, true);
  PolygonAt(k).corners[0] = 1;
  PolygonAt(k).corners[1] = 2;
  PolygonAt(k).corners[2] = 4;
  PolygonAt(k).corners[3] = 16;
  Grid(false);
  const double ordinary = Summarise(MeasureGrid()).orthogonality.mean;
  GenerateGrids();
  Grid(true);
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  double previous = -1;
  for (int32_t i = 0; i <= ni; ++i) {
    const int32_t n = NodeIndex(ni, i, nj);
    EXPECT_LT(OffOutline(k, grids.x[k][n], grids.y[k][n]), 1e-12) << i;
    EXPECT_GT(grids.x[k][n], previous) << "side 3 runs back in x, node " << i;
    previous = grids.x[k][n];
  }
  for (int32_t j = 1; j <= nj; ++j) {
    const int32_t n = NodeIndex(ni, ni, j), m = NodeIndex(ni, ni, j - 1);
    EXPECT_LT(OffOutline(k, grids.x[k][n], grids.y[k][n]), 1e-12) << j;
    EXPECT_GT(grids.y[k][n], grids.y[k][m]) << j;
  }
  const QualitySummary q = Summarise(MeasureGrid());
  EXPECT_EQ(q.folded, 0);
  EXPECT_LT(q.orthogonality.mean, ordinary / 4) << "ordinary mean " << ordinary;
}

TEST_F(ConformalTest, ASideSharedWithANeighbourKeepsItsArcLengthSpacing) {
  // Two sectors side by side: the radius they share keeps the ordinary
  // spacing in both, so that they still meet node for node.
  Outline a = SectorOutline(1, 2, 30, 8, 60), b = SectorOutline(1, 2, 30, 8, 60);
  const double turn = kPi / 6;
  for (auto& [x, y] : b) {
    const double u = x * std::cos(turn) - y * std::sin(turn), v = x * std::sin(turn) + y * std::cos(turn);
    x = u;
    y = v;
  }
  AddPolygon("8by6_a", a, true);
  AddPolygon("8by6_b", b, true);
  Grid(true);
  EXPECT_NE(std::string(statusText).find("2 polygons gridded, all orthogonally"), std::string::npos) << statusText;
  for (int k = 0; k < 2; ++k) EXPECT_EQ(grids.origin[k].heldSides, 1) << k;
  for (int32_t i = 0; i <= 8; ++i) {
    // Side 3 of the first is side 1 of the second.
    const int32_t na = NodeIndex(8, i, 6), nb = NodeIndex(8, i, 0);
    EXPECT_NEAR(grids.x[0][na], grids.x[1][nb], 1e-12) << i;
    EXPECT_NEAR(grids.y[0][na], grids.y[1][nb], 1e-12) << i;
    EXPECT_NEAR(std::hypot(grids.x[1][nb], grids.y[1][nb]), 1 + i / 8.0, 1e-12) << i;
  }
  // The first one's side 1 is free: its nodes leave the arc-length spacing.
  double moved = 0;
  for (int32_t i = 1; i < 8; ++i) {
    const int32_t n = NodeIndex(8, i, 0);
    moved = std::max(moved, std::fabs(std::hypot(grids.x[0][n], grids.y[0][n]) - (1 + i / 8.0)));
  }
  EXPECT_GT(moved, 0.01);
}

}  // namespace
}  // namespace kestrel::testing
