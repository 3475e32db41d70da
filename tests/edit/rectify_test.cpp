#include <gtest/gtest.h>

#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

class RectifyTest : public KestrelTest {
 protected:
  // Runs `command` on the middle point of the open polygon A, P, B and
  // returns where P went.
  std::pair<double, double> At(void (*command)(), std::pair<double, double> a, std::pair<double, double> p,
                               std::pair<double, double> b) {
    ResetProgramState();
    AddPolygon("corner", {a, p, b});
    AddPolygon("frame", {{-10, -10}, {10, 10}});
    Bound();
    SelectPoint(0, 1);
    command();
    return XY(0)[1];
  }
};

TEST_F(RectifyTest, RectifyTakesTheCheaperAxisCornerTiesToBxAy) {
  EXPECT_EQ(At(RectifyPoint, {0, 0}, {1, 0.2}, {1.1, 1}), std::make_pair(1.1, 0.0));
  EXPECT_EQ(At(RectifyPoint, {0, 0}, {1, 0.8}, {0.2, 1}), std::make_pair(0.0, 1.0));
  EXPECT_EQ(At(RectifyPoint, {0, 0}, {1, 1}, {2, 2}), std::make_pair(2.0, 0.0));
}

TEST_F(RectifyTest, SquareMovesOntoTheCircleOverTheNeighbours) {
  const auto p = At(SquarePoint, {0, 0}, {1, 0.5}, {2, 0});
  EXPECT_DOUBLE_EQ(p.first, 1);
  EXPECT_DOUBLE_EQ(p.second, 1);
  EXPECT_EQ(At(SquarePoint, {0, 0}, {1, 0}, {2, 0}), std::make_pair(1.0, 0.0));
  EXPECT_EQ(ui.LastStatus(), "polygon inflection is ambiguous at selected point");
  EXPECT_EQ(At(SquarePoint, {0, 0}, {1, 1}, {0, 0}), std::make_pair(1.0, 1.0));
  EXPECT_EQ(ui.LastStatus(), "polygon is degenerate at selected point");
  EXPECT_EQ(journal.top, 0);
}

TEST_F(RectifyTest, ChecksInOrder) {
  RectifyPoint();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to rectify");
  AddPolygon("pair", {{0, 0}, {1, 1}});
  AddPolygon("ring", {{0, 0}, {1, 1}}, true);
  AddPolygon("line", {{0, 0}, {1, 1}, {2, 0}});
  for (int i = 0; i < 2; ++i) {
    SelectPoint(i, 0);
    SquarePoint();
    EXPECT_EQ(ui.LastStatus(), "a polygon must have at least three points in order to be squared");
  }
  PolygonAt(1).selection = 0;
  PolygonAt(2).selection = 1;
  RectifyPoint();
  EXPECT_EQ(ui.LastStatus(), "you must first select a point on a single polygon");
  SelectPoint(2, 2);
  RectifyPoint();
  EXPECT_EQ(ui.LastStatus(), "a polygon can't be rectified at the end");
  SelectPoint(2, 0);
  SquarePoint();
  EXPECT_EQ(ui.LastStatus(), "a polygon can't be squared at the end");
}

TEST_F(RectifyTest, PointZeroOfAClosedPolygonMovesItsClosingCopy) {
  AddStored("ring", {{0.2, 0.1, 7}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0.2, 0.1, 7}}, true);
  Bound();
  const auto before = Snapshot();
  SelectPoint(0, 0);  // neighbours: point 3 before, point 1 after
  RectifyPoint();
  EXPECT_EQ(XY(0).front(), std::make_pair(0.0, 0.0));
  EXPECT_EQ(XY(0).back(), std::make_pair(0.0, 0.0));
  EXPECT_EQ(PolygonAt(0).points[0].z, 7);
  EXPECT_EQ(ui.drawn, std::vector<int>{0});
  UndoLast();
  EXPECT_EQ(Snapshot(), before);

  SelectPoint(0, 0);
  SquarePoint();
  EXPECT_EQ(XY(0).back(), XY(0).front());
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace kestrel::testing
