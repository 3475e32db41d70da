#include <gtest/gtest.h>

#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using OptimizeTest = KestrelTest;
using Points = std::vector<std::pair<double, double>>;

Points ThinnedOpen(std::initializer_list<std::pair<double, double>> points, double t = 0.1) {
  const int i = AddPolygon("open", points);
  ThinOpen(PolygonAt(i), t);
  return XY(i);
}

Points ThinnedClosed(std::initializer_list<std::pair<double, double>> points, double t = 0.1) {
  const int i = AddPolygon("closed", points, true);
  ThinClosed(PolygonAt(i), t);
  return XY(i);
}

TEST_F(OptimizeTest, ThinOpenKeepsEndsAndTheLastOfNearDuplicates) {
  EXPECT_EQ(ThinnedOpen({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}), (Points{{0, 0}, {4, 4}}));
  EXPECT_EQ(ThinnedOpen({{0, 0}, {0.05, 0}, {5, 5}, {10, 0}}), (Points{{0.05, 0}, {5, 5}, {10, 0}}));
  // A spike (its neighbours coincide) goes, and what it leaves behind.
  EXPECT_EQ(ThinnedOpen({{0, 0}, {10, 0}, {10, 10}, {10, 0}, {20, 0}}), (Points{{0, 0}, {20, 0}}));
  // A polygon smaller than the tolerance collapses to its first point.
  EXPECT_EQ(ThinnedOpen({{1, 1}, {1.05, 1.05}, {1, 1.05}}), (Points{{1, 1}}));
}

TEST_F(OptimizeTest, ThinClosedWorksOnTheRing) {
  EXPECT_EQ(ThinnedClosed({{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}}),
            (Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
  // Point 0 on the line between the last distinct point and point 1.
  EXPECT_EQ(ThinnedClosed({{5, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
            (Points{{10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}}));
  EXPECT_EQ(ThinnedClosed({{0, 0}, {10, 0}, {5, 0}}), (Points{{10, 0}, {5, 0}}));
  EXPECT_EQ(PolygonAt(store.polygonCount - 1).closed, 0);
  EXPECT_EQ(ThinnedClosed({{1, 1}, {1.05, 1}, {1, 1.05}}), (Points{{1, 1}}));
  EXPECT_EQ(PolygonAt(store.polygonCount - 1).closed, 0);
}

TEST_F(OptimizeTest, OptimizeUsesTheDrawingsToleranceAndUndoesInOneStep) {
  OptimizePolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to optimize");
  AddPolygon("dot", {{50, 50}});
  AddPolygon("line", {{0, 0}, {0.1, 0}, {50, 0.02}, {100, 0}});    // t is 0.1414
  AddPolygon("tiny", {{60, 60}, {60.1, 60}, {60.1, 60.1}}, true);  // becomes open
  AddPolygon("frame", {{0, 100}, {100, 100}});
  Bound();
  PolygonAt(0).selection = 1;
  OptimizePolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select at least one polygon having at least two points");

  const auto before = Snapshot();
  PolygonAt(1).selection = -2;
  PolygonAt(0).selection = 0;
  OptimizePolygons();
  EXPECT_EQ(XY(1), (Points{{0.1, 0}, {100, 0}}));
  EXPECT_EQ(PolygonAt(1).selection, 1);

  for (int i = 0; i < 3; ++i) PolygonAt(i).selection = 1;
  OptimizePolygons();
  EXPECT_EQ(PolygonAt(0).selection, 0);  // one point: deselected, unchanged
  EXPECT_EQ(PolygonAt(0).count, 1);
  EXPECT_EQ(PolygonAt(2).count, 1);
  EXPECT_EQ(PolygonAt(2).closed, 0);
  EXPECT_EQ(journal.entries[journal.top - 2], 2);

  UndoLast();
  auto expected = before;
  expected[1] = Snapshot()[1];  // the first optimize is still standing
  expected[2].closed = 0;       // every point back, but it stays open
  EXPECT_EQ(Snapshot(), expected);
  UndoLast();
  expected[1] = before[1];
  EXPECT_EQ(Snapshot(), expected);
}

}  // namespace
}  // namespace kestrel::testing
