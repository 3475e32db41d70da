#include <gtest/gtest.h>

#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using StructuralTest = KestrelTest;

// An open polygon of n points along the x axis, bent so no three are collinear.
int AddLine(const char* name, int n) {
  std::vector<PolygonPoint> points;
  for (int k = 0; k < n; ++k) points.push_back(PolygonPoint{double(k), double(k * k), double(k) / 10});
  return AddStored(name, points);
}

TEST_F(StructuralTest, SetBeginningRotatesAndUndoRotatesBack) {
  SetBeginning();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to set beginning");
  AddPolygon("ring", {{0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 1}}, true);  // c = 6
  AddLine("line", 4);
  PolygonAt(1).selection = -2;
  SetBeginning();
  EXPECT_EQ(ui.LastStatus(), "the polygon must be closed in order to perform this operation");
  PolygonAt(1).selection = 0;
  PolygonAt(0).selection = 1;
  SetBeginning();
  EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon");
  SelectPoint(0, 0);
  SetBeginning();
  EXPECT_EQ(ui.LastStatus(), "the point you have selected is already the beginning");
  EXPECT_EQ(journal.top, 0);

  const auto before = Snapshot();
  SelectPoint(0, 4);  // the last distinct point: rotation 1
  SetBeginning();
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{0, 1}, {0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 1}}));
  EXPECT_EQ(PolygonAt(0).selection, -6);
  EXPECT_EQ(journal.entries[journal.top - 3], 1);
  EXPECT_EQ(modified, 1);
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(PolygonAt(0).selection, -6);
}

TEST_F(StructuralTest, CloseAndOpenOnlyWhatQualifies) {
  AddPolygon("two", {{0, 0}, {1, 0}});
  AddPolygon("closed", {{0, 0}, {1, 0}, {1, 1}}, true);
  AddPolygon("three", {{0, 0}, {2, 0}, {2, 2}});
  AddPolygon("four", {{5, 5}, {6, 5}, {6, 6}, {5, 6}});
  for (int i = 0; i < 4; ++i) PolygonAt(i).selection = 1;
  PolygonAt(3).selection = 0;
  const auto before = Snapshot();
  ClosePolygons();
  EXPECT_EQ(PolygonAt(0).closed, 0);
  EXPECT_EQ(PolygonAt(1).count, 4);
  EXPECT_EQ(PolygonAt(2).closed, 1);
  EXPECT_EQ(XY(2).back(), XY(2).front());
  EXPECT_EQ(PolygonAt(2).count, 4);
  EXPECT_EQ(PolygonAt(3).closed, 0);               // not selected
  EXPECT_EQ(journal.entries[journal.top - 2], 1);  // one polygon closed
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  // A closed polygon of 3 stored points opens into a line of 2; one of 2
  // stored points is passed over.
  ResetProgramState();
  AddPolygon("pair", {{0, 0}, {1, 1}}, true);
  AddPolygon("single", {{3, 3}}, true);
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  const auto closed = Snapshot();
  OpenPolygons();
  EXPECT_EQ(PolygonAt(0).closed, 0);
  EXPECT_EQ(PolygonAt(0).count, 2);
  EXPECT_EQ(PolygonAt(1).closed, 1);
  UndoLast();
  EXPECT_EQ(Snapshot(), closed);

  // Nothing qualifies: no record, no modification, but a refresh.
  modified = 0;
  PolygonAt(0).selection = 0;
  const int repaints = ui.plotRepaints;
  ClosePolygons();
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(ui.plotRepaints, repaints + 1);
}

TEST_F(StructuralTest, DeleteAndUndoKeepOrderAndFields) {
  DeletePolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to delete");
  for (int i = 0; i < 6; ++i) AddLine(i % 2 ? "odd" : "even", 2 + i);
  PolygonAt(3).closed = 1;  // a field the round trip must keep
  const auto before = Snapshot();
  PolygonAt(1).selection = PolygonAt(4).selection = 1;
  DeletePolygons();
  EXPECT_EQ(store.polygonCount, 4);
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  for (int i = 0; i < 6; ++i) PolygonAt(i).selection = 1;
  DeletePolygons();
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "all polygons have been deleted");
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to bound");
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(StructuralTest, ReverseKeepsTheSelectedLocation) {
  AddPolygon("one", {{0, 0}});
  PolygonAt(0).selection = 1;
  ReversePolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select at least one polygon having at least two points");

  AddLine("ten", 10);
  const auto before = Snapshot();
  SelectPoint(1, 3);
  ReversePolygons();
  EXPECT_EQ(PolygonAt(1).count + PolygonAt(1).selection, 6);
  EXPECT_EQ(XY(1)[6], std::make_pair(3.0, 9.0));  // the former point 3
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  AddPolygon("ring", {{0, 0}, {1, 0}, {1, 1}}, true);
  SelectPoint(2, 0);
  ReversePolygons();
  EXPECT_EQ(PolygonAt(2).selection, -4);  // point 0 stays point 0
  EXPECT_EQ(XY(2), (std::vector<std::pair<double, double>>{{0, 0}, {1, 1}, {1, 0}, {0, 0}}));
}

TEST_F(StructuralTest, SplitGivesTwoOpenPiecesSharingThePoint) {
  AddLine("river", 10);
  PolygonAt(0).color = 11;
  const auto before = Snapshot();
  SelectPoint(0, 9);
  SplitPolygon();
  EXPECT_EQ(ui.LastStatus(), "a polygon can't be split at the end");
  SelectPoint(0, 4);
  SplitPolygon();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_EQ(PolygonAt(0).count, 5);
  EXPECT_EQ(PolygonAt(1).count, 6);
  EXPECT_EQ(XY(0).back(), XY(1).front());
  EXPECT_EQ(XY(1).back(), std::make_pair(9.0, 81.0));
  EXPECT_STREQ(PolygonAt(1).name, "river");
  EXPECT_EQ(PolygonAt(1).color, 0);  // the next pen, wrapping
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(PolygonAt(1).selection, 0);
  EXPECT_EQ(ui.drawn, (std::vector<int>{0, 1}));
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  // A closed polygon comes back with every point but stays open.
  ResetProgramState();
  AddPolygon("ring", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  auto ring = Snapshot();
  SelectPoint(0, 2);
  SplitPolygon();
  EXPECT_EQ(XY(0), (std::vector<std::pair<double, double>>{{0, 0}, {1, 0}, {1, 1}}));
  EXPECT_EQ(XY(1), (std::vector<std::pair<double, double>>{{1, 1}, {0, 1}, {0, 0}}));
  EXPECT_EQ(PolygonAt(1).closed, 0);
  UndoLast();
  ring[0].closed = 0;
  EXPECT_EQ(Snapshot(), ring);
}

TEST_F(StructuralTest, NewPolygonIsASquareAtThePlotCentre) {
  view.scale = 2;
  view.originX = 100;
  view.originY = 500;
  view.plotWidth = 64;
  view.plotHeight = 32;
  NewPolygon();
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "new");
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(XY(0),
            (std::vector<std::pair<double, double>>{{160, 470}, {164, 470}, {164, 468}, {160, 468}, {160, 470}}));
  EXPECT_EQ(modified, 1);
  UndoLast();
  EXPECT_EQ(store.polygonCount, 0);
}

}  // namespace
}  // namespace kestrel::testing
