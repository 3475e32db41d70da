#include <gtest/gtest.h>

#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using PointEditTest = KestrelTest;
using Points = std::vector<std::pair<double, double>>;

TEST_F(PointEditTest, DeletePointOfAnOpenPolygon) {
  DeletePoint();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons from which to delete a point");
  AddPolygon("line", {{0, 0}, {1, 1}, {2, 0}, {3, 1}, {4, 0}});
  PolygonAt(0).selection = 1;
  DeletePoint();
  EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon");

  const auto before = Snapshot();
  SelectPoint(0, 2);
  DeletePoint();
  EXPECT_EQ(XY(0), (Points{{0, 0}, {1, 1}, {3, 1}, {4, 0}}));
  EXPECT_EQ(PolygonAt(0).count + PolygonAt(0).selection, 2);  // the former point 3
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  SelectPoint(0, 4);
  DeletePoint();
  EXPECT_EQ(PolygonAt(0).count, 4);
  EXPECT_EQ(PolygonAt(0).selection, -1);  // the new last point, index 3
}

TEST_F(PointEditTest, DeletePointOfClosedPolygons) {
  AddPolygon("ring", {{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 2}}, true);  // 6 stored
  const auto before = Snapshot();

  SelectPoint(0, 4);  // the last distinct point: still closed, point 0 selected
  DeletePoint();
  EXPECT_EQ(XY(0), (Points{{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 0}}));
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).selection, -5);
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  SelectPoint(0, 0);  // cut open at point 0
  DeletePoint();
  EXPECT_EQ(XY(0), (Points{{2, 0}, {3, 1}, {2, 2}, {0, 2}}));
  EXPECT_EQ(PolygonAt(0).closed, 0);
  EXPECT_EQ(PolygonAt(0).selection, -4);
  UndoLast();  // the point comes back at index 0; the polygon stays open
  EXPECT_EQ(XY(0), (Points{{0, 0}, {2, 0}, {3, 1}, {2, 2}, {0, 2}}));
  EXPECT_EQ(PolygonAt(0).closed, 0);

  // A closed triangle (4 stored points) loses a point and becomes a line.
  ResetProgramState();
  AddPolygon("triangle", {{0, 0}, {2, 0}, {1, 1}}, true);
  SelectPoint(0, 1);
  DeletePoint();
  EXPECT_EQ(XY(0), (Points{{0, 0}, {1, 1}}));
  EXPECT_EQ(PolygonAt(0).closed, 0);
}

TEST_F(PointEditTest, DeletingTheOnlyPointDeletesThePolygon) {
  AddPolygon("dot", {{5, 5}});
  SelectPoint(0, 0);
  DeletePoint();
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "all polygons have been deleted");

  AddPolygon("line", {{0, 0}, {1, 1}});
  AddPolygon("dot", {{5, 5}});
  const auto before = Snapshot();
  SelectPoint(1, 0);
  DeletePoint();
  EXPECT_EQ(store.polygonCount, 1);
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(PointEditTest, InsertPointHalvesTowardsThePreviousPoint) {
  AddPolygon("dot", {{5, 5}});
  SelectPoint(0, 0);
  InsertPoint();
  EXPECT_EQ(ui.LastStatus(), "there must be at least two points in a polygon in order to insert another point");

  ResetProgramState();
  AddPolygon("line", {{0, 0}, {1, 0}, {2, 0}, {4, 4}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}});
  const auto before = Snapshot();
  SelectPoint(0, 3);
  InsertPoint();
  EXPECT_EQ(PolygonAt(0).count, 11);
  EXPECT_EQ(XY(0)[3], std::make_pair(3.0, 2.0));
  EXPECT_EQ(XY(0)[4], std::make_pair(4.0, 4.0));
  EXPECT_EQ(PolygonAt(0).selection, -8);  // the new point 3
  InsertPoint();
  EXPECT_EQ(XY(0)[3], std::make_pair(2.5, 1.0));
  UndoLast();
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  // At point 0 of a closed polygon: before the closing point.
  ResetProgramState();
  AddPolygon("ring", {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true);
  const auto ring = Snapshot();
  SelectPoint(0, 0);
  InsertPoint();
  EXPECT_EQ(XY(0), (Points{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 2}, {0, 0}}));
  EXPECT_EQ(PolygonAt(0).selection, -6);  // point 0 stays selected
  UndoLast();
  EXPECT_EQ(Snapshot(), ring);
}

TEST_F(PointEditTest, CornersAreCheckedAndSetWithoutUndoOrModification) {
  SetCorner(1);
  EXPECT_EQ(ui.LastStatus(), "there are no polygons on which to define a corner");
  AddPolygon("tri", {{0, 0}, {1, 0}, {0, 1}});
  AddPolygon("ring", {{0, 0}, {1, 0}, {0, 1}}, true);  // 4 stored points
  SetCorner(1);
  EXPECT_EQ(ui.LastStatus(), "you must first select one polygon");
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  SetCorner(1);
  EXPECT_EQ(ui.LastStatus(), "you must first select a single polygon");
  SelectPoint(0, 1);
  SetCorner(1);
  EXPECT_EQ(ui.LastStatus(), "there must be at least four points in a polygon in order to select a corner");

  PolygonAt(1).name[0] = 'R';
  PolygonAt(0).selection = 0;
  PolygonAt(1).selection = 1;
  for (int option = 1; option <= 4; ++option) {
    SetCorner(option);
    EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon") << option;
  }
  EXPECT_EQ(PolygonAt(1).corners[0], 0);
  EXPECT_EQ(cornerMarks, 0);
  SetCorner(0);
  EXPECT_EQ(ui.LastStatus(), "the corner points for polygon 2 Ring have been cleared");
  EXPECT_EQ(cornerMarks, 1);

  AddPolygon("other", {{5, 5}, {6, 5}, {6, 6}}, true);
  PolygonAt(1).selection = 0;
  PolygonAt(2).selection = 1;
  OpenPolygons();  // a recorded edit before the corner
  SelectPoint(1, 0);
  SetCorner(2);
  EXPECT_EQ(PolygonAt(1).corners[1], 1);
  EXPECT_EQ(ui.LastStatus(), "corner point 2 for polygon 2 Ring has been set");
  EXPECT_THROW(SetCorner(5), AbortCalled);

  modified = 0;
  gridsValid = 1;
  SelectPoint(1, 2);
  SetCorner(2);
  EXPECT_EQ(PolygonAt(1).corners[1], 3);
  EXPECT_EQ(modified, 1) << "a corner is offered for saving";
  EXPECT_EQ(gridsValid, 1) << "but leaves the grids as they are";
  UndoLast();  // reverses the open, not the corner
  EXPECT_EQ(PolygonAt(2).closed, 1);
  EXPECT_EQ(PolygonAt(1).corners[1], 3);
}

}  // namespace
}  // namespace kestrel::testing
