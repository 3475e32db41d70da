#include "grid/driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/report.h"
#include "edit/journal.h"
#include "fixture.h"
#include "grid/gridstore.h"
#include "grid/outline.h"
#include "grid/quality.h"
#include "grid/stop.h"
#include "grid/workers.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

// Step 1 writes its outline file into the working folder: each test works in
// a folder of its own.
class DriverTest : public KestrelTest {
 protected:
  TempDir dir;
  std::filesystem::path previous;

  void SetUp() override {
    KestrelTest::SetUp();
    previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    KestrelTest::TearDown();
  }

  // Bounds everything as opening a file does, then runs step 1.
  void Grid() {
    BoundAll();
    ComputeExtents();
    GenerateGrids();
  }

  std::pair<double, double> Node(int32_t k, int32_t i, int32_t j) {
    const int32_t n = NodeIndex(grids.ni[k], i, j);
    return {grids.x[k][n], grids.y[k][n]};
  }
};

// A 4 by 4 square traced counter-clockwise with 16 distinct points (17
// stored); its vertices are the points 1, 5, 9 and 13.
int AddTracedSquare(const char* name) {
  return AddPolygon(name,
                    {{0, 0},
                     {1, 0},
                     {2, 0},
                     {3, 0},
                     {4, 0},
                     {4, 1},
                     {4, 2},
                     {4, 3},
                     {4, 4},
                     {3, 4},
                     {2, 4},
                     {1, 4},
                     {0, 4},
                     {0, 3},
                     {0, 2},
                     {0, 1}},
                    true);
}

void SetCorners(int index, int c1, int c2, int c3, int c4) {
  int32_t* c = PolygonAt(index).corners;
  c[0] = c1;
  c[1] = c2;
  c[2] = c3;
  c[3] = c4;
}

TEST_F(DriverTest, EmptyStoreHasNothingToGrid) {
  Grid();
  ASSERT_GE(ui.statuses.size(), 2u);
  EXPECT_TRUE(ui.SawStatus("there are no suitable polygons to grid"));
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to bound");
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(gridsValid, 0);
  EXPECT_FALSE(std::filesystem::exists(kGridOutlineFile));
}

TEST_F(DriverTest, TwoClipPolygonsStopTheRun) {
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("clip", {{0, 0}, {1, 0}, {1, 1}}, true);
  AddPolygon("CLIP", {{0, 0}, {1, 0}, {1, 1}}, true);
  gridsValid = 0;
  linksValid = 1;
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "multiple clipping polygons: there is more than one polygon named clip");
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
}

TEST_F(DriverTest, OnlyTheClipPolygonIsNotSuitable) {
  AddPolygon("Clip", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("line", {{0, 0}, {1, 0}});
  Grid();
  // The open line is extraneous but there is nothing suitable to keep.
  EXPECT_TRUE(ui.SawStatus("there are no suitable polygons to grid"));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(store.polygonCount, 2);
}

TEST_F(DriverTest, RefusingToRemoveOneExtraneousPolygonStops) {
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("triangle", {{0, 0}, {1, 0}, {1, 1}}, true);  // four stored points
  ui.okAnswers.push_back(false);
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "extraneous polygons: There is an extraneous (ungriddable)\npolygon. Do you want it removed?\n(You can "
            "undo this later.)");
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(journal.top, 0);
}

TEST_F(DriverTest, RemovedExtraneousPolygonsComeBackWithOneUndo) {
  AddPolygon("open", {{0, 0}, {5, 5}, {9, 0}, {3, 3}});          // 0: open
  AddPolygon("2 by 1", {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, true);  // 1: suitable
  AddPolygon("triangle", {{0, 0}, {1, 0}, {1, 1}}, true);        // 2: too few points
  AddPolygon("clip", {{-1, -1}, {1.5, -1}, {1.5, 2}});           // 3: open clip polygon
  AddPolygon("line", {{0, 0}, {1, 1}});                          // 4: open
  AddPolygon("1 by 2", {{2, 0}, {3, 0}, {3, 1}, {2, 1}}, true);  // 5: suitable
  ui.okAnswers.push_back(true);
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "extraneous polygons: There are 3 extraneous (ungriddable)\npolygons. Do you want them removed?\n(You can "
            "undo this later.)");
  ASSERT_EQ(store.polygonCount, 3);
  EXPECT_STREQ(PolygonAt(0).name, "2 by 1");
  EXPECT_STREQ(PolygonAt(1).name, "clip");
  EXPECT_STREQ(PolygonAt(2).name, "1 by 2");
  EXPECT_EQ(clipPolygon, 1);
  ASSERT_EQ(gridsValid, 1);
  EXPECT_EQ(grids.patchCount, 3);
  EXPECT_EQ(grids.ni[0], 2);
  EXPECT_EQ(grids.nj[2], 2);
  EXPECT_EQ(grids.ni[1], 0);
  EXPECT_EQ(grids.x[1], nullptr);
  // The clip polygon clips: the open triangle's closing edge counts.
  EXPECT_TRUE(IsActiveCell(0, 0, 0));
  EXPECT_FALSE(IsActiveCell(2, 0, 1));

  UndoLast();
  ASSERT_EQ(store.polygonCount, 6);
  const char* names[6] = {"open", "2 by 1", "triangle", "clip", "line", "1 by 2"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(PolygonAt(i).name, names[i]) << i;
  EXPECT_EQ(PolygonAt(0).count, 4);
  EXPECT_EQ(PolygonAt(2).closed, 1);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(gridsValid, 0);
}

TEST_F(DriverTest, CoincidentPointsStopTheRunEvenInTheClipPolygon) {
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("clip", {{0, 0}, {1, 0}, {1, 0}, {1, 1}}, true);
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "coincident points: Polygon 2 (clip) has two coincident points.\nThere may be more in this and/or other "
            "polygons.");
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
}

TEST_F(DriverTest, StoredCornersAreCheckedAndResetWithTheirOwnMessages) {
  struct Check {
    int c[4];
    int code;  // 0: the corners pass
    const char* text;
  };
  const Check checks[] = {
      {{1, 5, 9, 13}, 0, ""},
      {{1, 5, 9, 17},
       5138,
       "Polygon 1 2 by 2 has the overlap point defined as a corner;\ntherefore, they will all be reset."},
      {{1, 5, 5, 13}, 5118, "Polygon 1 2 by 2 has duplicate corner points;\ntherefore, they will all be reset."},
      {{5, 1, 9, 13}, 5129, "Polygon 1 2 by 2 has corner point(s) out of order;\ntherefore, they will all be reset."},
      {{1, 5, 0, 13},
       5107,
       "Polygon 1 2 by 2 has only 3 of 4 corner points\ndefined; therefore, they will all be reset."},
  };
  AddTracedSquare("2 by 2");
  for (const Check& check : checks) {
    SCOPED_TRACE(check.code);
    ui.notifications.clear();
    gridsValid = 0;
    SetCorners(0, check.c[0], check.c[1], check.c[2], check.c[3]);
    Grid();
    ASSERT_EQ(gridsValid, 1);
    if (check.code == 0) {
      EXPECT_TRUE(ui.notifications.empty());
      EXPECT_EQ(PolygonAt(0).corners[3], 13);
    } else {
      ASSERT_EQ(ui.notifications.size(), 1u);
      EXPECT_EQ(ui.notifications[0].code, check.code);
      EXPECT_EQ(ui.notifications[0].text, check.text);
      for (int c = 0; c < 4; ++c) EXPECT_EQ(PolygonAt(0).corners[c], 0);
    }
    // Either way the square's vertices are the grid's corners.
    EXPECT_EQ(Node(0, 0, 0), std::make_pair(0.0, 0.0));
    EXPECT_EQ(Node(0, 2, 0), std::make_pair(4.0, 0.0));
    EXPECT_EQ(Node(0, 2, 2), std::make_pair(4.0, 4.0));
    EXPECT_EQ(Node(0, 0, 2), std::make_pair(0.0, 4.0));
  }
}

TEST_F(DriverTest, CornersOfAClockwisePolygonLandOnTheMarkedPoints) {
  // Clockwise: up the left side, along the top, down the right side. The
  // marks are on the side midpoints, which automatic corners would never pick.
  AddPolygon("2 by 2", {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {1, 0}}, true);
  SetCorners(0, 2, 4, 6, 8);
  Grid();
  ASSERT_EQ(gridsValid, 1);
  EXPECT_TRUE(ui.notifications.empty());
  const std::set<std::pair<double, double>> marked = {{0, 1}, {1, 2}, {2, 1}, {1, 0}};
  const std::set<std::pair<double, double>> corners = {Node(0, 0, 0), Node(0, 2, 0), Node(0, 2, 2), Node(0, 0, 2)};
  EXPECT_EQ(corners, marked);
  // The stored marks are left as the user set them.
  EXPECT_EQ(PolygonAt(0).corners[0], 2);
}

TEST_F(DriverTest, CellCountsComeFromTheNameWhateverTheSize) {
  AddPolygon("10 by 6", {{0, 0}, {1000, 0}, {1000, 1}, {0, 1}}, true);
  Grid();
  ASSERT_EQ(gridsValid, 1);
  EXPECT_EQ(grids.ni[0], 10);
  EXPECT_EQ(grids.nj[0], 6);
}

TEST_F(DriverTest, PlanReadsNamesAndFallsBackWhenTheyDoNotParse) {
  AddPolygon("placeholder", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true);
  BoundAll();
  ComputeExtents();  // diagonal of the extents: 100 sqrt 2
  struct Case {
    const char* name;
    int32_t ni, nj;
    double a, b;
  };
  // Sides of 100 against a diagonal of 141.4: 20 sqrt(0.7071) = 16.8 cells.
  const Case cases[] = {
      {"40 by 25 [1.5,0.8]", 40, 25, 1.5, 0.8},
      {"[5,0.1]", 17, 17, 3, 0.333},
      {"0x10by010", 16, 8, 1, 1},
      {"river by 5", 17, 17, 1, 1},
      {"7 by x", 7, 17, 1, 1},
      {"0 by -3", 17, 17, 1, 1},
      {"[2", 17, 17, 2, 1},
      {"[x,2]", 17, 17, 1, 1},
      {"[nan,2]", 17, 17, 1, 2},  // the valid value is kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetPolygonName(PolygonAt(0), c.name);
    WorkingBoundary w;
    const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
    PatchPlan plan;
    EXPECT_TRUE(PlanPatch(0, w, reversed, plan));
    ReleaseWorkingBoundary(w);
    EXPECT_EQ(plan.ni, c.ni);
    EXPECT_EQ(plan.nj, c.nj);
    EXPECT_DOUBLE_EQ(plan.a, c.a);
    EXPECT_DOUBLE_EQ(plan.b, c.b);
  }
}

TEST_F(DriverTest, AutomaticCountsFollowTheChordShareOfTheDiagonal) {
  // A 1 by 100 rectangle: the extents' diagonal is hypot(1, 100).
  AddPolygon("strip", {{0, 0}, {1, 0}, {1, 100}, {0, 100}}, true);
  BoundAll();
  ComputeExtents();
  extentXmax = 100;  // make the diagonal exactly 100
  extentYmax = 0;
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
  PatchPlan plan;
  ASSERT_TRUE(PlanPatch(0, w, reversed, plan));
  ReleaseWorkingBoundary(w);
  EXPECT_EQ(plan.ni, 2);   // chord 1: 20 sqrt(0.01) = 2
  EXPECT_EQ(plan.nj, 20);  // chord 100: 20
}

TEST_F(DriverTest, AutomaticCornersOfATracedRectangleAreItsVertices) {
  // Starting mid-side, with uneven extra points along every side.
  AddPolygon("2 by 2", {{1, 0}, {3, 0}, {6, 0}, {6, 0.5}, {6, 2}, {2, 2}, {0, 2}, {0, 1.5}, {0, 0}}, true);
  BoundAll();
  ComputeExtents();
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(0), w);
  PatchPlan plan;
  ASSERT_TRUE(PlanPatch(0, w, reversed, plan));
  EXPECT_FALSE(reversed);
  const int32_t expected[4] = {2, 4, 6, 8};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(plan.corners[c], expected[c]) << c;
  ReleaseWorkingBoundary(w);
  EXPECT_NEAR(VertexCosine(0, 0, 1, 0, 1, 1), 0, 1e-15);
  EXPECT_EQ(VertexCosine(0, 0, 1, 0, 2, 0), -1);
  EXPECT_EQ(VertexCosine(0, 0, 1, 0, 0, 0), -4);
}

TEST_F(DriverTest, PolygonWithoutFourCornerCandidatesIsRefused) {
  // Every vertex is the tip of a spike that returns to the same point.
  AddPolygon("spikes", {{0, 0}, {1, 1}, {0, 0}, {1, 1}}, true);
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "ungriddable polygon: Polygon 1 (spikes) has fewer than four points\nthat can serve as corners; it cannot "
            "be gridded.\nNo grids have been made.");
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
}

TEST_F(DriverTest, HugeCellCountsAreRefusedBeforeAnyAllocation) {
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("5000 by 5000", {{2, 0}, {3, 0}, {3, 1}, {2, 1}}, true);
  Grid();
  ASSERT_TRUE(ui.aborts.empty());
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "grid too large: Polygon 2 (5000 by 5000) asks for 5000 by 5000 cells,\nwhich would need 12590 MB of "
            "memory (at most 1024 MB).\nNo grids have been made.");
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
  // Nothing was solved: no progress was shown.
  for (const std::string& s : ui.statuses) EXPECT_EQ(s.find("gridding polygon"), std::string::npos) << s;
  // Counts beyond the int range are refused the same way, named as typed.
  ui.questions.clear();
  SetPolygonName(PolygonAt(1), "99999999999 by 2");
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_NE(ui.questions[0].find("asks for 99999999999 by 2 cells,\nwhich would need 1220703125039672576 MB"),
            std::string::npos)
      << ui.questions[0];
}

// A polygon whose cells are too small for its coordinates puts two boundary
// nodes on the same point. Step 1 names the polygon and stops; the program,
// the polygons and the undo journal carry on, and a better name grids it.
TEST_F(DriverTest, APolygonTheSolverCannotTakeStopsStepOneOnly) {
  AddPolygon("2 by 2", {{-2, 0}, {-1, 0}, {-1, 1}, {-2, 1}}, true);
  // The side from (1, 1) to (1 - 1e-13, 1) gets 2000 nodes: closer than the
  // precision of doubles near 1.
  AddPolygon("2000 by 4", {{0, 0}, {1, 0}, {1, 1}, {0.9999999999999, 1}}, true);
  AddPolygon("3 by 2", {{2, 0}, {3, 0}, {3, 1}, {2, 1}}, true);
  modified = 0;
  Grid();
  ASSERT_TRUE(ui.aborts.empty());
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0],
            "can't grid polygon: Polygon 2 (2000 by 4) could not be gridded:\nadjacent boundary encountered "
            "coincident points (code 4649).\nIts outline may touch itself, or its cells may be too small\nfor its "
            "coordinates. No grids have been made.");
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
  EXPECT_EQ(store.polygonCount, 3);
  EXPECT_EQ(modified, 0);
  EXPECT_FALSE(std::filesystem::exists("CELL.P2D"));

  // The same with every patch solved on one thread.
  ui.questions.clear();
  gridThreadLimit = 1;
  Grid();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].rfind("can't grid polygon: Polygon 2 (2000 by 4)", 0), 0u) << ui.questions[0];
  EXPECT_EQ(gridsValid, 0);
  gridThreadLimit = 0;

  SetPolygonName(PolygonAt(1), "20 by 4");
  ui.questions.clear();
  Grid();
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(gridsValid, 1);
  EXPECT_EQ(grids.ni[1], 20);
}

TEST_F(DriverTest, ProgressResultAndTheOffSwitch) {
  AddPolygon("1 by 1 first", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("clip", {{0, 0}, {5, 0}, {5, 5}}, true);
  AddPolygon("3 by 2", {{2, 0}, {3, 0}, {3, 1}, {2, 1}}, true);
  Grid();
  ASSERT_EQ(gridsValid, 1);
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(clipPolygon, 1);
  auto progress = [&](const std::string& text) {
    for (size_t k = 0; k < ui.statuses.size(); ++k) {
      if (ui.statuses[k] == text) return static_cast<bool>(ui.statusesNow[k]);
    }
    return false;
  };
  EXPECT_TRUE(progress("gridding polygon 1 of 2 (1 by 1 first)"));
  EXPECT_TRUE(progress("gridding polygon 2 of 2 (3 by 2)"));
  EXPECT_EQ(ui.LastStatus().rfind("2 polygons gridded; orthogonality deviation up to ", 0), 0u) << ui.LastStatus();
  EXPECT_TRUE(ui.buttons[kSlotLink]);
  EXPECT_GT(ui.plotRepaints, 0);
  EXPECT_EQ(grids.outlineWritten, 1);
  // Two patches: 2 + 2 and 4 + 3 grid lines of 2, 2 and 3, 4 nodes.
  const std::string text = TempDir::Read(kGridOutlineFile);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 * (2 + 2) + 2 * (2 + 2) + 4 * (3 + 2) + 3 * (4 + 2));

  Grid();  // pressed again: the grids disappear
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
  EXPECT_FALSE(ui.buttons[kSlotLink]);
  Grid();
  EXPECT_EQ(gridsValid, 1);
}

// Adds a closed polygon through `points`.
int AddClosed(const char* name, const std::vector<std::pair<double, double>>& points) {
  const int index = AddPolygon(name, {{0, 0}}, false);
  Polygon& p = PolygonAt(index);
  FreeBlock(p.points);
  p.points = AllocArray<PolygonPoint>(1, points.size() + 1);
  for (size_t k = 0; k < points.size(); ++k) p.points[k] = PolygonPoint{points[k].first, points[k].second, 0};
  p.points[points.size()] = p.points[0];
  p.count = static_cast<int32_t>(points.size() + 1);
  p.closed = 1;
  return index;
}

// An outline that touches itself (a vertex on its own edge) or encloses no
// area makes the solver meet infinities and NaN: step 1 names the polygon
// and stops, and no NaN reaches a grid, a file or the status line.
TEST_F(DriverTest, SelfTouchingAndFlatOutlinesStopStepOne) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, double>> points;
  };
  const Case cases[] = {
      {"8 by 8 touching", {{10, 0}, {14, 0}, {14, 4}, {12, 0}, {10, 4}}},
      {"8 by 8 flat", {{10, 0}, {11, 0}, {12, 0}, {13, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetProgramState();
    ui = ScriptedFrontEnd();
    AddPolygon("4 by 4 good", {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true);
    AddClosed(c.name, c.points);
    modified = 0;
    Grid();
    ASSERT_TRUE(ui.aborts.empty());
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(
        ui.questions[0].rfind("can't grid polygon: Polygon 2 (" + std::string(c.name) + ") could not be gridded:", 0),
        0u)
        << ui.questions[0];
    EXPECT_EQ(gridsValid, 0);
    EXPECT_EQ(linksValid, 0);
    EXPECT_EQ(grids.patchCount, 0);
    EXPECT_EQ(store.polygonCount, 2);
    EXPECT_EQ(modified, 0);
    EXPECT_FALSE(std::filesystem::exists(kGridOutlineFile));
    for (const std::string& text : ui.statuses) EXPECT_EQ(text.find("nan"), std::string::npos) << text;
  }
}

// Where a bank curves away from the centroid of the whole river, a start
// point pulled towards that centroid would leave the polygon and its node
// with it. Every interior node stays inside, and no cell folds.
TEST_F(DriverTest, MeanderingBanksKeepEveryNodeInside) {
  for (const double amplitude : {30.0, 100.0}) {
    SCOPED_TRACE(amplitude);
    ResetProgramState();
    const int k = AddClosed("100 by 4", MeanderOutline(1000, 40, amplitude, 500, 200));
    Grid();
    ASSERT_EQ(gridsValid, 1);
    int outside = 0;
    for (int32_t i = 1; i < 100; ++i) {
      for (int32_t j = 1; j < 4; ++j) {
        const auto [x, y] = Node(k, i, j);
        outside += PointInPolygon(PolygonAt(k), x, y) == 0;
      }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(Summarise(MeasureGrid()).folded, 0);
  }
}

// The automatic cell counts are shares of the drawing's diagonal: that of
// the polygons step 1 keeps, so the first run and every later one agree.
TEST_F(DriverTest, AutomaticCountsUseTheExtentsLeftAfterTheRemoval) {
  AddPolygon("basin", {{0, 0}, {40, 0}, {40, 25}, {0, 25}}, true);
  AddPolygon("far away line", {{5000, 5000}, {6000, 6000}});
  ui.okAnswers.push_back(true);
  Grid();
  ASSERT_EQ(gridsValid, 1);
  ASSERT_EQ(store.polygonCount, 1);
  // Against the basin's own diagonal of 47.2: 20 sqrt(40 / 47.2) = 18.4 and
  // 20 sqrt(25 / 47.2) = 14.6.
  EXPECT_EQ(grids.ni[0], 18);
  EXPECT_EQ(grids.nj[0], 15);
  Grid();  // off
  Grid();  // and on again
  EXPECT_EQ(grids.ni[0], 18);
  EXPECT_EQ(grids.nj[0], 15);
}

// The user may stop step 1 at any time: in the boundary equations or while
// the nodes are placed. Nothing is gridded and nothing else changes.
TEST_F(DriverTest, StopLeavesThePolygonsTheJournalAndModifiedAsTheyWere) {
  for (const char* when : {"solving the boundary equations", "gridding polygon 1 of 2"}) {
    SCOPED_TRACE(when);
    ResetProgramState();
    ui = ScriptedFrontEnd();
    AddPolygon("2 by 2", {{-3, 0}, {-1, 0}, {-1, 2}, {-3, 2}}, true);
    AddPolygon("300 by 150", {{0, 0}, {300, 0}, {300, 150}, {0, 150}}, true);
    BoundAll();
    ComputeExtents();
    RecordView();
    const std::vector<int32_t> entries(journal.entries, journal.entries + journal.top);
    modified = 1;
    ui.stopOnStatus = when;
    GenerateGrids();
    EXPECT_EQ(ui.LastStatus(), "gridding stopped");
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.notifications.empty());
    EXPECT_EQ(gridsValid, 0);
    EXPECT_EQ(linksValid, 0);
    EXPECT_EQ(grids.patchCount, 0);
    EXPECT_FALSE(std::filesystem::exists(kGridOutlineFile));
    EXPECT_EQ(std::vector<int32_t>(journal.entries, journal.entries + journal.top), entries);
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(store.polygonCount, 2);
    EXPECT_STREQ(PolygonAt(1).name, "300 by 150");
    EXPECT_FALSE(StoppableWorkRunning());
  }
  // Without a request the polygons grid as ever.
  ui.stopOnStatus.clear();
  SetPolygonName(PolygonAt(1), "30 by 15");
  GenerateGrids();
  EXPECT_EQ(gridsValid, 1);
  EXPECT_GT(ui.responsiveCalls, 0);
}

TEST_F(DriverTest, OutlineFileThatCannotBeCreatedLeavesTheGridsValid) {
  std::filesystem::create_directory(kGridOutlineFile);  // in the way of the file
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  Grid();
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 5380);
  EXPECT_EQ(ui.notifications[0].text, "can't create output file CELL.P2D");
  EXPECT_EQ(gridsValid, 1);
  EXPECT_EQ(grids.outlineWritten, 0);
}

}  // namespace
}  // namespace kestrel::testing
