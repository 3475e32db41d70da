#include "store/selection.h"

#include <gtest/gtest.h>

#include "fixture.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

using SelectionTest = KestrelTest;

TEST_F(SelectionTest, SteppingWrapsOverTheDistinctPoints) {
  AddPolygon("open", {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}});
  AddPolygon("square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);  // 5 stored points
  Polygon& square = PolygonAt(1);

  square.selection = 1;  // wholly selected: next and previous start at point 0
  EXPECT_EQ(SelectNextPoint(), 1);
  EXPECT_EQ(square.selection, -5);
  EXPECT_EQ(selectedPoint, 0);

  EXPECT_EQ(SelectLastPoint(), 1);
  EXPECT_EQ(selectedPoint, 3);  // the closing copy is not a point of its own
  EXPECT_EQ(SelectNextPoint(), 1);
  EXPECT_EQ(selectedPoint, 0);
  EXPECT_EQ(SelectPreviousPoint(), 1);
  EXPECT_EQ(selectedPoint, 3);
  EXPECT_EQ(square.selection, -2);

  square.selection = 0;
  PolygonAt(0).selection = 1;
  EXPECT_EQ(SelectLastPoint(), 0);
  EXPECT_EQ(selectedPoint, 4);
  EXPECT_EQ(SelectFirstPoint(), 0);
  EXPECT_EQ(PolygonAt(0).selection, -5);
}

TEST_F(SelectionTest, SteppingNeedsExactlyOneSelectedPolygon) {
  EXPECT_EQ(SelectNextPoint(), -1);
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to select");

  AddPolygon("a", {{0, 0}, {1, 0}});
  AddPolygon("b", {{2, 0}, {3, 0}});
  EXPECT_EQ(SelectFirstPoint(), -1);
  EXPECT_EQ(ui.LastStatus(), "you must first select one polygon");
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  EXPECT_EQ(SelectPreviousPoint(), -1);
  EXPECT_EQ(ui.LastStatus(), "you must first select one polygon");
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 1);

  PolygonAt(1).selection = 0;
  RedrawPolygonInPlace(SelectNextPoint());
  EXPECT_EQ(ui.erased, std::vector<int>{0});
  EXPECT_EQ(ui.drawn, std::vector<int>{0});
  EXPECT_EQ(ui.plotRepaints, 0);
}

TEST_F(SelectionTest, SelectAllDeselectAllAndInvert) {
  SelectAll();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to select");
  DeselectAll();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to deselect");
  InvertSelection();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to select");
  EXPECT_EQ(ui.plotRepaints, 0);

  for (int i = 0; i < 3; ++i) AddPolygon("p", {{0, 0}, {1, double(i)}, {2, 0}});
  PolygonAt(1).selection = -2;  // a point of the middle polygon
  InvertSelection();
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 0);
  EXPECT_EQ(PolygonAt(2).selection, 1);
  EXPECT_EQ(selectedCount, 2);

  SelectAll();
  EXPECT_EQ(selectedCount, 3);
  DeselectAll();
  EXPECT_EQ(selectedCount, 0);
  EXPECT_EQ(ui.plotRepaints, 3);
}

TEST_F(SelectionTest, RectangleSelectsByPointOrCrossingSegmentOnly) {
  view.scale = 1;
  view.originX = 0;
  view.originY = 100;  // pixel (x, y) is world (x, 100 - y)
  AddPolygon("outline", {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, true);
  AddPolygon("crossing", {{0, 50}, {100, 50}});
  AddPolygon("vertical", {{50, 0}, {50, 100}});
  AddPolygon("inside", {{150, 150}, {45, 45}});
  AddPolygon("away", {{200, 200}, {300, 300}});

  // World x 40..60, y 40..60: inside the outline, touching none of its segments.
  SelectInRectangle(60, 40, 40, 60);
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(PolygonAt(1).selection, 1);  // crosses the left and right edges
  EXPECT_EQ(PolygonAt(2).selection, 1);  // crosses the bottom and top edges
  EXPECT_EQ(PolygonAt(3).selection, 1);  // has a point inside
  EXPECT_EQ(PolygonAt(4).selection, 0);

  // Polygons already selected keep their state, a point selection included.
  for (int i = 0; i < 5; ++i) PolygonAt(i).selection = 0;
  PolygonAt(1).selection = -1;
  SelectInRectangle(40, 40, 60, 60);
  EXPECT_EQ(PolygonAt(1).selection, -1);
  EXPECT_EQ(PolygonAt(2).selection, 1);
}

TEST_F(SelectionTest, SelectByNumberReadsLikeScanfInteger) {
  for (int i = 0; i < 9; ++i) AddPolygon("p", {{0, 0}, {1, 1}});
  PolygonAt(0).selection = 1;
  EXPECT_FALSE(SelectNumberedPolygon("0"));
  EXPECT_FALSE(SelectNumberedPolygon("10"));
  EXPECT_FALSE(SelectNumberedPolygon("abc"));
  EXPECT_FALSE(SelectNumberedPolygon("99999999999999999999"));
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(ui.plotRepaints, 0);
  EXPECT_TRUE(ui.statuses.empty());  // bad input closes silently

  EXPECT_TRUE(SelectNumberedPolygon("0x2"));
  EXPECT_EQ(selectedPolygon, 1);
  EXPECT_EQ(selectedCount, 1);
  EXPECT_TRUE(SelectNumberedPolygon(" 010"));  // octal 8
  EXPECT_EQ(selectedPolygon, 7);

  ui.values.push_back(std::string("3"));
  SelectByNumber();
  EXPECT_EQ(selectedPolygon, 2);
  ui.values.push_back(std::nullopt);  // Cancel
  SelectByNumber();
  EXPECT_EQ(selectedPolygon, 2);
}

TEST_F(SelectionTest, SelectByNumberNeedsTwoPolygons) {
  AddPolygon("only", {{0, 0}, {1, 1}});
  ui.values.push_back(std::string("1"));
  SelectByNumber();
  EXPECT_EQ(ui.values.size(), 1u);  // never asked
  EXPECT_EQ(PolygonAt(0).selection, 0);
}

}  // namespace
}  // namespace kestrel::testing
