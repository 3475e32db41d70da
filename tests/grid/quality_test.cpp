#include "grid/quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "app/report.h"
#include "fixture.h"
#include "grid/gridstore.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

class QualityTest : public KestrelTest {
 protected:
  // Makes polygon k's patch of ni by nj cells with node (i, j) at node(i, j).
  void SetPatch(int32_t k, int32_t ni, int32_t nj, const std::function<std::pair<double, double>(int, int)>& node) {
    if (grids.patchCount <= k) {
      const int32_t count = k + 1;
      grids.ni = GrowArray<int32_t>(1, grids.ni, grids.patchCount, count);
      grids.nj = GrowArray<int32_t>(1, grids.nj, grids.patchCount, count);
      grids.x = GrowArray<double*>(1, grids.x, grids.patchCount, count);
      grids.y = GrowArray<double*>(1, grids.y, grids.patchCount, count);
      grids.patchCount = count;
    }
    grids.ni[k] = ni;
    grids.nj[k] = nj;
    grids.x[k] = AllocArray<double>(1, static_cast<size_t>((ni + 1) * (nj + 1)));
    grids.y[k] = AllocArray<double>(1, static_cast<size_t>((ni + 1) * (nj + 1)));
    for (int j = 0; j <= nj; ++j) {
      for (int i = 0; i <= ni; ++i) {
        const auto [x, y] = node(i, j);
        grids.x[k][NodeIndex(ni, i, j)] = x;
        grids.y[k][NodeIndex(ni, i, j)] = y;
      }
    }
    while (store.polygonCount <= k)
      AddPolygon(("patch" + std::to_string(store.polygonCount)).c_str(), {{0, 0}, {1, 1}});
    gridsValid = 1;
  }
};

TEST(CellQuality, RectangleParallelogramAndFold) {
  const double rx[4] = {0, 3, 3, 0}, ry[4] = {0, 0, 1, 1};
  CellQuality q = MeasureCell(rx, ry);
  EXPECT_NEAR(q.orthogonality, 0, 1e-12);
  EXPECT_NEAR(q.cornerAngle, 0, 1e-12);
  EXPECT_DOUBLE_EQ(q.aspect, 3);
  EXPECT_FALSE(q.folded);

  // A parallelogram with a 60 degree corner at P00.
  const double c = std::cos(M_PI / 3), s = std::sin(M_PI / 3);
  const double px[4] = {0, 1, 1 + c, c}, py[4] = {0, 0, s, s};
  q = MeasureCell(px, py);
  EXPECT_NEAR(q.orthogonality, 30, 1e-9);
  EXPECT_NEAR(q.cornerAngle, 30, 1e-9);
  EXPECT_NEAR(q.aspect, 1, 1e-12);

  // A dart: P11 pulled inside past the diagonal gives a reflex corner.
  const double dx[4] = {0, 2, 0.5, 0}, dy[4] = {0, 0, 0.5, 2};
  q = MeasureCell(dx, dy);
  EXPECT_TRUE(q.folded);
  // A cell traversed clockwise (mirrored) has negative area.
  const double mx[4] = {0, 0, 1, 1}, my[4] = {0, 1, 1, 0};
  EXPECT_TRUE(MeasureCell(mx, my).folded);
  // A bow tie.
  const double bx[4] = {0, 1, 0, 1}, by[4] = {0, 0, 1, 1};
  EXPECT_TRUE(MeasureCell(bx, by).folded);
}

TEST_F(QualityTest, RectangularPatchIsPerfect) {
  SetPatch(0, 4, 2, [](int i, int j) { return std::pair{2.0 * i, 1.0 * j}; });
  const auto cells = MeasureGrid();
  ASSERT_EQ(cells.size(), 8u);
  const QualitySummary s = Summarise(cells);
  EXPECT_EQ(s.cells, 8);
  EXPECT_EQ(s.folded, 0);
  EXPECT_NEAR(s.orthogonality.largest, 0, 1e-12);
  EXPECT_DOUBLE_EQ(s.aspect.mean, 2);
  EXPECT_DOUBLE_EQ(s.sizeRatioI.largest, 1);
  EXPECT_DOUBLE_EQ(s.sizeRatioJ.largest, 1);
  EXPECT_EQ(s.orthogonality.passing[0], 8);
  EXPECT_EQ(s.aspect.passing[0], 0) << "an aspect of exactly 2 does not pass the band below 2";
  EXPECT_EQ(s.aspect.passing[1], 8);
}

TEST_F(QualityTest, GradedRowHasTheRatiosOfItsGrading) {
  // Node columns at 16 (i/4)^2: cell widths 1, 3, 5, 7.
  SetPatch(0, 4, 1, [](int i, int j) { return std::pair{16.0 * (i / 4.0) * (i / 4.0), 1.0 * j}; });
  const auto cells = MeasureGrid();
  ASSERT_EQ(cells.size(), 4u);
  EXPECT_DOUBLE_EQ(cells[0].sizeRatioI, 3);
  EXPECT_DOUBLE_EQ(cells[1].sizeRatioI, 3);
  EXPECT_DOUBLE_EQ(cells[2].sizeRatioI, 5.0 / 3.0);
  EXPECT_DOUBLE_EQ(cells[3].sizeRatioI, 7.0 / 5.0);
  EXPECT_FALSE(cells[0].hasNeighbourJ);
  const QualitySummary s = Summarise(cells);
  EXPECT_EQ(s.sizeRatioI.cells, 4);
  EXPECT_EQ(s.sizeRatioI.passing[2], 1) << "only 1.4 is below 1.5";
  EXPECT_EQ(s.sizeRatioJ.cells, 0);
}

TEST_F(QualityTest, ClippedCellsAreLeftOut) {
  SetPatch(0, 2, 1, [](int i, int j) { return std::pair{1.0 * i, 1.0 * j}; });
  clipPolygon = AddPolygon("clip", {{-1, -1}, {1, -1}, {1, 2}, {-1, 2}}, true);
  const auto cells = MeasureGrid();
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].i, 0);
  EXPECT_FALSE(cells[0].hasNeighbourI) << "an inactive neighbour does not count";
}

TEST_F(QualityTest, ReportBandsAndWorstCellsOfAnIrregularPatch) {
  // Two rows of three cells; node (1, 1) pushed right by 0.5 skews four cells.
  SetPatch(0, 3, 2, [](int i, int j) { return std::pair{i + (i == 1 && j == 1 ? 0.5 : 0.0), 1.0 * j}; });
  SetPatch(1, 1, 1, [](int i, int j) { return std::pair{10.0 + i, 1.0 * j}; });
  SetPolygonName(PolygonAt(0), "skewed");
  const auto cells = MeasureGrid();
  ASSERT_EQ(cells.size(), 7u);
  // Cell (0, 0): corners (0,0) (1,0) (1.5,1) (0,1). i axis from (0,0.5) to
  // (1.25,0.5): along x. j axis from (0.5,0) to (0.75,1): atan(0.25) off y.
  const double skew = std::atan(0.25) * 180 / M_PI;
  EXPECT_NEAR(cells[0].orthogonality, skew, 1e-9);
  EXPECT_NEAR(cells[2].orthogonality, 0, 1e-12) << "cell (2, 0) does not touch the moved node";

  const std::string report = QualityReport(cells, PatchCellLabel);
  EXPECT_NE(report.find("Polygon 1 (skewed)"), std::string::npos) << report;
  EXPECT_NE(report.find("Polygon 2 (patch1)"), std::string::npos);
  EXPECT_NE(report.find("cells 7, folded cells 0"), std::string::npos);
  // Four cells are skewed by 14.04 degrees: three of seven pass every band.
  EXPECT_NE(report.find("below 1 deg: 3  below 3 deg: 3  below 10 deg: 3  (of 7)"), std::string::npos) << report;
  // The four skewed cells lead the list (their order among themselves
  // depends on the last bits of equal angles), the square patch comes last.
  for (const char* cell : {"cell i 1, j 1", "cell i 2, j 1", "cell i 1, j 2", "cell i 2, j 2"}) {
    const size_t at = report.find(std::string("polygon 1, ") + cell + ": 14.036 degrees");
    ASSERT_NE(at, std::string::npos) << cell;
    EXPECT_LT(at, report.find(" 5. polygon"));
  }
  EXPECT_NE(report.find(" 7. polygon 2, cell i 1, j 1: 0.000 degrees"), std::string::npos) << report;
  EXPECT_NE(report.find("The 7 worst cells by orthogonality deviation"), std::string::npos);

  const std::string status = QualityStatusLine(Summarise(cells));
  EXPECT_EQ(status.rfind("orthogonality deviation up to 14.0 deg (mean ", 0), 0u) << status;
}

}  // namespace
}  // namespace kestrel::testing
