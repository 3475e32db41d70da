// The orthogonalisation of linked grids, judged as the model sees the deck:
// cells right-handed and unfolded, map neighbours meeting on the ground,
// the outline kept.
#include "orthogonal/lattice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fixture.h"
#include "formats/input.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "grid/orthogonal.h"
#include "grid/quality.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/deckcheck.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

class LatticeTest : public FolderTest {
 protected:
  void Open(const std::string& file) {
    std::snprintf(fileName, sizeof fileName, "%s", file.c_str());
    ASSERT_GT(ReadInputFile(), 0);
  }

  // A slanted branch on the middle of three reaches: its concave corners are
  // not right angles, and the seams must move for the lines to straighten.
  void AddTee(const char* branchName) {
    auto side = [](Outline& out, std::pair<double, double> a, std::pair<double, double> b) {
      for (int t = 0; t < 4; ++t)
        out.emplace_back(a.first + (b.first - a.first) * t / 4, a.second + (b.second - a.second) * t / 4);
    };
    auto quad = [&](const char* name, std::pair<double, double> a, std::pair<double, double> b,
                    std::pair<double, double> c, std::pair<double, double> d) {
      Outline out;
      side(out, a, b);
      side(out, b, c);
      side(out, c, d);
      side(out, d, a);
      const int k = AddPolygon(name, out, true);
      for (int n = 0; n < 4; ++n) PolygonAt(k).corners[n] = 1 + 4 * n;
    };
    quad("12by6_left", {0, 0}, {12, 0}, {12, 6}, {0, 6});
    quad("6by6_middle", {12, 0}, {18, 0}, {18, 6}, {12, 6});
    quad("12by6_right", {18, 0}, {30, 0}, {30, 6}, {18, 6});
    quad(branchName, {12, 6}, {18, 6}, {22, 20}, {16, 20});
  }

  using Outline = std::vector<std::pair<double, double>>;

  // What the model needs of the linked deck: the deck's own check, and
  // besides it, exactly, finite nodes, every cell right-handed and unfolded,
  // and every pair of map neighbours sharing their face on the ground bit for
  // bit.
  void ExpectSoundDeck() {
    ASSERT_EQ(linksValid, 1);
    EXPECT_EQ(CheckDeck(false), "");
    std::map<std::pair<int32_t, int32_t>, std::pair<int32_t, int32_t>> at;  // (I, J) -> (patch, cell)
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      if (k == clipPolygon) continue;
      const int32_t ni = grids.ni[k], nj = grids.nj[k];
      for (int32_t n = 0; n < (ni + 1) * (nj + 1); ++n) {
        ASSERT_TRUE(std::isfinite(grids.x[k][n]) && std::isfinite(grids.y[k][n])) << k << " " << n;
      }
      for (int32_t j = 0; j < nj; ++j) {
        for (int32_t i = 0; i < ni; ++i) {
          double x[4], y[4];
          const int32_t c[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i + 1, j), NodeIndex(ni, i + 1, j + 1),
                                NodeIndex(ni, i, j + 1)};
          for (int q = 0; q < 4; ++q) {
            x[q] = grids.x[k][c[q]];
            y[q] = grids.y[k][c[q]];
          }
          EXPECT_FALSE(MeasureCell(x, y).folded) << "polygon " << k + 1 << " cell " << i << " " << j;
          at[{cellMap.cellI[k][j * ni + i], cellMap.cellJ[k][j * ni + i]}] = {k, j * ni + i};
        }
      }
    }
    // Corner c (0 = low I low J, 1 = high I low J, 2 = high I high J, 3 = low
    // I high J) of the cell at (I, J).
    auto corner = [&](std::pair<int32_t, int32_t> cell, int c) {
      const auto [k, index] = cell;
      const int32_t ni = grids.ni[k];
      const int32_t i = index % ni + (c == 1 || c == 2), j = index / ni + (c >= 2);
      return std::make_pair(grids.x[k][NodeIndex(ni, i, j)], grids.y[k][NodeIndex(ni, i, j)]);
    };
    int faces = 0;
    for (const auto& [place, cell] : at) {
      const auto east = at.find({place.first + 1, place.second});
      if (east != at.end()) {
        EXPECT_EQ(corner(cell, 1), corner(east->second, 0));
        EXPECT_EQ(corner(cell, 2), corner(east->second, 3));
        ++faces;
      }
      const auto north = at.find({place.first, place.second + 1});
      if (north != at.end()) {
        EXPECT_EQ(corner(cell, 3), corner(north->second, 0));
        EXPECT_EQ(corner(cell, 2), corner(north->second, 1));
        ++faces;
      }
    }
    EXPECT_GT(faces, 0);
  }

  std::vector<std::vector<double>> Snapshot() {
    std::vector<std::vector<double>> s;
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      const int32_t n = (grids.ni[k] + 1) * (grids.nj[k] + 1);
      s.emplace_back(grids.x[k], grids.x[k] + n);
      s.emplace_back(grids.y[k], grids.y[k] + n);
    }
    return s;
  }
};

class ExampleLattice : public LatticeTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExampleLattice, LinksAndFilesASoundDeck) {
  Open(std::string(KESTREL_EXAMPLES_DIR) + "/" + GetParam());
  Grid(true);
  ASSERT_TRUE(RunLinkStep()) << statusText;
  EXPECT_NE(std::string(statusText).find("; orthogonalised: deviation up to"), std::string::npos) << statusText;
  ExpectSoundDeck();
  ASSERT_TRUE(WriteModelFiles());
  EXPECT_NE(TempDir::Read(dir.File("QUALITY.TXT"))
                .find("Method: orthogonal (conformal maps), linked grid "
                      "orthogonalised\n"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Bundled, ExampleLattice, ::testing::Values("channel.p2d", "harbour.p2d", "river_bend.p2d"));

TEST_F(LatticeTest, TheRiverBendBecomesOrthogonalWithItsOutlineKept) {
  Open(std::string(KESTREL_EXAMPLES_DIR) + "/river_bend.p2d");
  Grid(true);
  // The seams between the four reaches are held at arc-length spacing in
  // step 1, which leaves the cells beside them skewed.
  EXPECT_GT(Summarise(MeasureGrid()).orthogonality.largest, 5);
  ASSERT_TRUE(RunLinkStep()) << statusText;
  const QualitySummary q = Summarise(MeasureGrid());
  EXPECT_LT(q.orthogonality.mean, 0.5);
  EXPECT_LT(q.orthogonality.largest, 3);
  EXPECT_LT(q.sizeRatioI.largest, 1.35) << "the grading of the first reach stays smooth";
  // The outline is the quarter annulus between radii 100 and 140: its 81
  // nodes along each arc are still on it (within the sagitta of the traced
  // arcs), and its four corners have not moved.
  std::set<std::pair<double, double>> inner, outer;
  for (int32_t k = 0; k < 4; ++k) {
    for (int32_t n = 0; n < (grids.ni[k] + 1) * (grids.nj[k] + 1); ++n) {
      const double r = std::hypot(grids.x[k][n], grids.y[k][n]);
      if (std::fabs(r - 100) < 0.05) inner.insert({grids.x[k][n], grids.y[k][n]});
      if (std::fabs(r - 140) < 0.05) outer.insert({grids.x[k][n], grids.y[k][n]});
    }
  }
  EXPECT_EQ(inner.size(), 81u);
  EXPECT_EQ(outer.size(), 81u);
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{140, 0}, {100, 0}, {0, 140}, {0, 100}}) {
    bool found = false;
    for (int32_t k = 0; k < 4; ++k) {
      for (int32_t n = 0; n < (grids.ni[k] + 1) * (grids.nj[k] + 1); ++n) {
        found = found || (std::fabs(grids.x[k][n] - x) < 1e-6 && std::fabs(grids.y[k][n] - y) < 1e-6);
      }
    }
    EXPECT_TRUE(found) << x << " " << y;
  }
}

TEST_F(LatticeTest, SeamsMoveWhileTheJunctionCornersStay) {
  AddTee("6by14_branch");
  Grid(true);
  const auto before = Snapshot();
  const double meanBefore = Summarise(MeasureGrid()).orthogonality.mean;
  ASSERT_TRUE(RunLinkStep()) << statusText;
  ExpectSoundDeck();
  const std::vector<CellQuality> cells = MeasureGrid();
  const QualitySummary q = Summarise(cells);
  EXPECT_LT(q.orthogonality.mean, meanBefore / 2);
  EXPECT_LT(q.orthogonality.mean, 0.5);
  EXPECT_EQ(q.folded, 0);
  // The middle reach's top side is the seam with the branch: its nodes move,
  // its ends (the junction's concave corners) do not.
  const auto after = Snapshot();
  double moved = 0;
  for (int32_t i = 1; i < 6; ++i)
    moved = std::max(moved, std::fabs(after[2][NodeIndex(6, i, 6)] - before[2][NodeIndex(6, i, 6)]));
  EXPECT_GT(moved, 1e-3);
  for (int32_t i : {0, 6}) {
    EXPECT_EQ(after[2][NodeIndex(6, i, 6)], before[2][NodeIndex(6, i, 6)]);
    EXPECT_EQ(after[3][NodeIndex(6, i, 6)], before[3][NodeIndex(6, i, 6)]);
  }
  // The cells at the four skew corners of the branch carry the largest
  // deviations, and the report says so.
  double skew = 0, other = 0;
  for (const CellQuality& c : cells)
    (c.atSkewCorner ? skew : other) = std::max(c.atSkewCorner ? skew : other, c.orthogonality);
  EXPECT_GT(skew, other);
  const std::string report = QualityReport(cells, PatchCellLabel);
  EXPECT_NE(report.find("cells at outline corners that are not right angles: "), std::string::npos) << report;
}

TEST_F(LatticeTest, PatchesOutsideTheOrthogonalModeKeepEveryNode) {
  // Only the branch asks for an orthogonal grid: the reaches keep the grid
  // they get without it, bit for bit, and the seam with the branch with them.
  AddTee("6by14_branch");
  Grid(false);
  ASSERT_TRUE(RunLinkStep());
  const auto plain = Snapshot();
  const double plainBranch = Summarise(MeasureGrid(), 3).orthogonality.mean;
  ResetProgramState();
  AddTee("6by14_branch{ortho}");
  Grid(false);
  ASSERT_TRUE(RunLinkStep()) << statusText;
  ExpectSoundDeck();
  const auto mixed = Snapshot();
  for (int s = 0; s < 6; ++s) EXPECT_EQ(mixed[s], plain[s]) << "array " << s;
  EXPECT_LT(Summarise(MeasureGrid(), 3).orthogonality.mean, plainBranch);
  EXPECT_NE(GridMethodText().find("1 of 4 polygons orthogonal"), std::string::npos) << GridMethodText();
}

}  // namespace
}  // namespace kestrel::testing
