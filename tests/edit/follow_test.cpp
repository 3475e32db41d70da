// Point selections that Undo cannot break, and corners that follow their
// points through every edit and Undo.
#include <gtest/gtest.h>

#include <array>

#include "app/dispatch.h"
#include "edit/dialogs.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"
#include "store/selection.h"
#include "view/mouse.h"

namespace kestrel::testing {
namespace {

using FollowTest = KestrelTest;
using Corners = std::array<int32_t, 4>;

Corners CornersOf(int32_t i) {
  const Polygon& p = PolygonAt(i);
  return {p.corners[0], p.corners[1], p.corners[2], p.corners[3]};
}

void SetCorners(int32_t i, Corners c) {
  for (int k = 0; k < 4; ++k) PolygonAt(i).corners[k] = c[k];
}

// The point corner k (1-based) of polygon i names.
std::pair<double, double> CornerPoint(int32_t i, int k) { return XY(i)[PolygonAt(i).corners[k - 1] - 1]; }

// A closed 10 by 5 rectangle with its corners on its four points.
int32_t Rectangle() {
  const int32_t i = AddPolygon("r", {{0, 0}, {10, 0}, {10, 5}, {0, 5}}, true);
  SetCorners(i, {1, 2, 3, 4});
  Bound();
  return i;
}

TEST_F(FollowTest, ReSpaceSelectUndoDeleteStaysInsideThePolygon) {
  AddPolygon("line", {{0, 0}, {5, 0}, {10, 0}});
  AddPolygon("other", {{0, 3}, {10, 4}});
  Bound();
  PolygonAt(0).selection = 1;
  ui.values.push_back(std::string("1"));
  RespacePolygons();
  ASSERT_EQ(PolygonAt(0).count, 11);
  SelectFirstPoint();
  UndoLast();
  EXPECT_EQ(PolygonAt(0).count, 3);
  EXPECT_EQ(PolygonAt(0).selection, -3) << "point 0 still exists and stays selected";
  SelectLastPoint();  // point 10 of 11 ...
  ASSERT_EQ(selectedPoint, 2);
  ui.values.push_back(std::string("1"));
  PolygonAt(0).selection = 1;
  RespacePolygons();
  SelectLastPoint();
  ASSERT_EQ(selectedPoint, 10);
  UndoLast();  // ... does not exist among 3: the whole polygon is selected
  EXPECT_EQ(PolygonAt(0).selection, 1);
  DeletePoint();
  EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon");
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{0, 0}, {5, 0}, {10, 0}}));
}

TEST_F(FollowTest, UndoOfJoinAndOfOtherCountChangesKeepsTheSelectionInRange) {
  AddPolygon("a", {{0, 0}, {1, 0}});
  AddPolygon("b", {{3, 0}, {4, 0}, {5, 1}});
  Bound();
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  JoinPolygons();
  ASSERT_EQ(PolygonAt(0).count, 5);
  SelectPoint(0, 4);
  UndoLast();
  EXPECT_EQ(PolygonAt(0).selection, 1);
  const auto before = Snapshot();
  for (auto command : {SplitPolygon, RectifyPoint, SquarePoint, SetBeginning, DeletePoint}) command();
  EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon");
  EXPECT_EQ(Snapshot(), before) << "each refuses: no point is selected any more";
  // A selection that names no point at all is read as the whole polygon.
  PolygonAt(0).selection = -50;
  EXPECT_EQ(QuerySelection(), 1);
  EXPECT_EQ(selectedPoint, -1);
}

TEST_F(FollowTest, CornersFollowReverseAndSetBeginning) {
  const int32_t r = Rectangle();
  PolygonAt(r).selection = 1;
  ReversePolygons();
  EXPECT_EQ(CornerPoint(r, 2), std::make_pair(10.0, 0.0));
  EXPECT_EQ(CornerPoint(r, 4), std::make_pair(0.0, 5.0));
  EXPECT_EQ(CornerPoint(r, 1), std::make_pair(0.0, 0.0));
  UndoLast();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));

  SelectPoint(r, 2);
  SetBeginning();
  EXPECT_EQ(CornerPoint(r, 3), std::make_pair(10.0, 5.0));
  EXPECT_EQ(CornerPoint(r, 1), std::make_pair(0.0, 0.0));
  EXPECT_EQ(CornersOf(r), (Corners{3, 4, 1, 2}));
  UndoLast();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
}

TEST_F(FollowTest, CornersFollowInsertAndDeleteOfPoints) {
  const int32_t r = Rectangle();
  SelectPoint(r, 2);
  InsertPoint();  // between (10, 0) and (10, 5)
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 4, 5}));
  UndoLast();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));

  // Deleting a corner's point moves it to the nearer neighbour of its side.
  AddPolygon("long", {{0, 0}, {4, 0}, {10, 0}, {10, 1}, {10, 5}, {0, 5}}, true);
  SetCorners(1, {1, 3, 5, 6});
  SelectPoint(1, 2);  // corner 2 at (10, 0): (10, 1) is nearer than (4, 0)
  DeletePoint();
  EXPECT_EQ(CornerPoint(1, 2), std::make_pair(10.0, 1.0));
  EXPECT_EQ(CornerPoint(1, 3), std::make_pair(10.0, 5.0));
  UndoLast();
  EXPECT_EQ(CornersOf(1), (Corners{1, 3, 5, 6}));
  EXPECT_EQ(XY(1)[2], std::make_pair(10.0, 0.0));

  // With no point left on its side the corner is cleared, and the status
  // line says which.
  SelectPoint(r, 1);
  DeletePoint();
  EXPECT_EQ(CornersOf(r), (Corners{1, 0, 2, 3}));
  EXPECT_EQ(ui.LastStatus(), "corner point 2 for polygon 1 r has been cleared");
}

TEST_F(FollowTest, CornersFollowReSpacingSmoothingAndOptimizing) {
  const int32_t r = Rectangle();
  PolygonAt(r).selection = 1;
  ui.values.push_back(std::string("2.5"));
  RespacePolygons();  // 30 around: 13 stored points, 2.5 apart
  ASSERT_EQ(PolygonAt(r).count, 13);
  EXPECT_EQ(CornerPoint(r, 1), std::make_pair(0.0, 0.0));
  EXPECT_EQ(CornerPoint(r, 2), std::make_pair(10.0, 0.0));
  EXPECT_EQ(CornerPoint(r, 3), std::make_pair(10.0, 5.0));
  EXPECT_EQ(CornerPoint(r, 4), std::make_pair(0.0, 5.0));
  OptimizePolygons();  // back to the four corners
  ASSERT_EQ(PolygonAt(r).count, 5);
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
  SmoothPolygons();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
  UndoLast();
  UndoLast();
  UndoLast();
  EXPECT_EQ(PolygonAt(r).count, 5);
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
}

TEST_F(FollowTest, UndoBringsDeletedPolygonsBackWithTheirCorners) {
  const int32_t r = Rectangle();
  AddPolygon("b", {{20, 0}, {30, 0}, {30, 5}, {20, 5}}, true);
  SetCorners(1, {2, 3, 4, 1});
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  DeletePolygons();
  ASSERT_EQ(store.polygonCount, 0);
  UndoLast();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
  EXPECT_EQ(CornersOf(1), (Corners{2, 3, 4, 1}));
  // A split hands the corners to the pieces and Undo gives them back.
  SelectPoint(r, 2);
  SplitPolygon();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 0}));
  EXPECT_EQ(CornersOf(2), (Corners{0, 0, 1, 2}));
  UndoLast();
  EXPECT_EQ(CornersOf(r), (Corners{1, 2, 3, 4}));
}

TEST_F(FollowTest, DeletingAPointThatMakesTheExtentsDegenerateCanBeUndone) {
  AddPolygon("tri", {{0, 0}, {10, 0}, {5, 8}}, true);
  Bound();
  SelectPoint(0, 2);
  DeletePoint();  // two points left, both at y = 0
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "polygons are degenerate in Y");
  UndoLast();
  UndoLast();
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {5, 8}}));
  EXPECT_TRUE(ui.aborts.empty());
}

TEST_F(FollowTest, UndoWaitsForTheMouseGestureToEnd) {
  AddPolygon("a", {{0, 0}, {10, 0}, {10, 10}});
  Bound();
  view.plotWidth = 100;
  view.plotHeight = 100;
  ZoomAll();
  PolygonAt(0).selection = 1;
  LeftDown(kMouseLeft | kMouseCtrl, 50, 50);
  LeftDrag(60, 50);
  const int32_t top = journal.top;
  UndoLast();
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(journal.top, top);
  LeftDrag(70, 50);
  LeftUp(70, 50);
  UndoLast();  // the whole drag goes back in one step
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{0, 0}, {10, 0}, {10, 10}}));
}

TEST_F(FollowTest, NewPolygonOnAnEmptyStartGetsASquareInTheMiddle) {
  view.plotWidth = 640;
  view.plotHeight = 480;
  NewPolygon();
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{-20, 15}, {0, 15}, {0, 0}, {-20, 0}, {-20, 15}}));
  const Pixel centre = WorldToPixel(0, 0);
  EXPECT_EQ(centre.column, 320);
  EXPECT_EQ(centre.row, 240);
  ComputeExtents();
  EXPECT_TRUE(ui.notifications.empty()) << "not degenerate";
}

}  // namespace
}  // namespace kestrel::testing
