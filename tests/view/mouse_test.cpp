// Mouse gestures in the plot, given as the window gives them (plot pixels and
// button-down flags), against the scripted front end.
#include "view/mouse.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "../edit/edit_support.h"
#include "edit/journal.h"
#include "fixture.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

// The scripted front end, also keeping the rubber shapes it was asked to
// invert: {kind (0 line, 1 rectangle), x1, y1, x2, y2}.
class InvertRecorder : public ScriptedFrontEnd {
 public:
  std::vector<std::array<int, 5>> inverted;
  void InvertLine(int x1, int y1, int x2, int y2) override { inverted.push_back({0, x1, y1, x2, y2}); }
  void InvertRectangle(int l, int t, int r, int b) override { inverted.push_back({1, l, t, r, b}); }
};

class MouseTest : public KestrelTest {
 protected:
  InvertRecorder rec;

  void SetUp() override {
    KestrelTest::SetUp();
    SetFrontEnd(&rec);
    // Half a world unit a pixel: world (x, y) is pixel (100 + 2x, 200 - 2y).
    view.scale = 0.5;
    view.originX = -50;
    view.originY = 100;
    view.plotWidth = 400;
    view.plotHeight = 300;
  }

  static std::array<int, 5> Rect(int l, int t, int r, int b) { return {1, l, t, r, b}; }
  static std::array<int, 5> Line(int x1, int y1, int x2, int y2) { return {0, x1, y1, x2, y2}; }
};

TEST_F(MouseTest, APressNearAnUnselectedPolygonDrawsARubberBandThatSelects) {
  AddPolygon("free", {{0, 0}, {20, 0}, {20, 20}});  // pixels (100, 200) (140, 200) (140, 160)
  AddPolygon("chosen", {{100, 100}, {120, 100}});   // pixels (300, 0) (340, 0)
  PolygonAt(1).selection = 1;

  LeftDown(kMouseLeft, 101, 199);  // beside a point of the unselected polygon
  EXPECT_EQ(gesture.dragMode, kDragRubberBand);
  EXPECT_EQ(PolygonAt(0).selection, 0);
  LeftDrag(120, 180);
  LeftDrag(90, 210);  // back across the anchor: corners come ordered
  LeftUp(90, 210);
  const std::vector<std::array<int, 5>> expected = {Rect(101, 180, 120, 199), Rect(101, 180, 120, 199),
                                                    Rect(90, 199, 101, 210), Rect(90, 199, 101, 210)};
  EXPECT_EQ(rec.inverted, expected) << "each shape is drawn once and inverted away once";
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(PolygonAt(1).selection, 0) << "without Shift the rectangle replaces the selection";
  EXPECT_EQ(gesture.buttonFlags, 0);
  EXPECT_TRUE(rec.buttons[kSlotSmooth]) << "the buttons follow the new selection";
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(modified, 0);
}

TEST_F(MouseTest, AClickOrAMoveOfNoLengthChangesNothing) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  PolygonAt(0).selection = 1;
  LeftDown(kMouseLeft, 120, 250);
  LeftDrag(120, 250);
  LeftUp(120, 250);
  EXPECT_TRUE(rec.inverted.empty());
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(rec.plotRepaints, 0);

  // With Ctrl and nothing selected there is no gesture at all.
  PolygonAt(0).selection = 0;
  LeftDown(kMouseLeft | kMouseCtrl, 120, 250);
  LeftDrag(150, 280);
  LeftUp(150, 280);
  EXPECT_TRUE(rec.inverted.empty());
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(gesture.buttonFlags, 0);
}

TEST_F(MouseTest, GrabbingAPointDeselectsTheOthersAndDragsItWithItsClosingPoint) {
  AddPolygon("ring", {{0, 0}, {20, 0}, {20, 20}, {0, 20}}, true);
  AddPolygon("other", {{50, 50}, {60, 50}});
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  const auto before = Snapshot();

  LeftDown(kMouseLeft, 102, 197);  // within 3 pixels of point 0 at (100, 200)
  EXPECT_EQ(gesture.dragMode, 2) << "two polygons were selected";
  EXPECT_EQ(PolygonAt(0).selection, -5);
  EXPECT_EQ(PolygonAt(1).selection, 0);
  EXPECT_EQ(selectedPolygon, 0);
  EXPECT_EQ(selectedPoint, 0);
  EXPECT_EQ(selectedCount, 1);
  EXPECT_EQ(rec.plotRepaints, 0);

  LeftDrag(112, 187);
  EXPECT_EQ(rec.plotRepaints, 1) << "the first move shows the deselection once";
  EXPECT_EQ(gesture.dragMode, 1);
  LeftDrag(-18, 257);  // outside the plot, negative included
  EXPECT_EQ(rec.plotRepaints, 1);
  EXPECT_EQ(rec.erased, (std::vector<int>{0, 0}));
  EXPECT_EQ(rec.drawn, (std::vector<int>{0, 0}));
  // Moved by (-120, +60) pixels from the press: -60 in x and -30 in y.
  EXPECT_EQ(XY(0).front(), (std::pair<double, double>(-60, -30)));
  EXPECT_EQ(XY(0).back(), (std::pair<double, double>(-60, -30))) << "the closing point follows";
  EXPECT_EQ(PolygonAt(0).xmin, -60);
  EXPECT_EQ(PolygonAt(0).ymin, -30);
  EXPECT_EQ(modified, 1);

  LeftUp(-18, 257);
  EXPECT_EQ(rec.plotRepaints, 2);
  EXPECT_EQ(PolygonAt(0).selection, -5) << "the point stays selected";
  EXPECT_TRUE(rec.buttons[kSlotSplit]);

  UndoLast();
  EXPECT_EQ(Snapshot(), before) << "one undo step for the whole drag";
  EXPECT_EQ(journal.top, 0);
}

TEST_F(MouseTest, PointsAreGrabbedOnlyWithinThreePixelsOfAVisibleSelectedPolygon) {
  AddPolygon("a", {{0, 0}, {20, 0}});  // pixels (100, 200) and (140, 200)
  PolygonAt(0).selection = 1;
  LeftDown(kMouseLeft, 96, 203);  // four pixels off in x
  EXPECT_EQ(gesture.dragMode, kDragRubberBand);
  LeftUp(96, 203);
  LeftDown(kMouseLeft, 143, 197);
  EXPECT_EQ(gesture.dragMode, 1);
  EXPECT_EQ(selectedPoint, 1);
  LeftUp(143, 197);

  // Out of view, its points are not looked at.
  view.originX = 1000;
  PolygonAt(0).selection = 1;
  LeftDown(kMouseLeft, 143, 197);
  EXPECT_EQ(gesture.dragMode, kDragRubberBand);
  LeftUp(143, 197);
}

TEST_F(MouseTest, ShortRightDragsDeselectAndLongerOnesChangeTheViewUndoably) {
  AddPolygon("a", {{0, 0}, {20, 0}, {20, 20}});
  PolygonAt(0).selection = 1;
  // A drag of 8 pixels still counts as a click.
  RightDown(kMouseRight, 200, 100);
  RightDrag(208, 100);
  RightUp(208, 100);
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(rec.inverted, (std::vector<std::array<int, 5>>{Rect(200, 100, 208, 100), Rect(200, 100, 208, 100)}));
  EXPECT_EQ(journal.top, 0);

  // Ctrl pans along a line, erased and redrawn at every move.
  rec.inverted.clear();
  RightDown(kMouseRight | kMouseCtrl, 100, 100);
  RightDrag(120, 90);
  RightDrag(150, 80);
  RightUp(150, 80);
  EXPECT_EQ(rec.inverted, (std::vector<std::array<int, 5>>{Line(100, 100, 120, 90), Line(100, 100, 120, 90),
                                                           Line(100, 100, 150, 80), Line(100, 100, 150, 80)}));
  EXPECT_EQ(view.originX, -50 - 50 * 0.5);
  EXPECT_EQ(view.originY, 100 - 20 * 0.5);

  RightDown(kMouseRight, 100, 120);
  RightDrag(200, 160);
  RightUp(200, 160);
  EXPECT_EQ(view.scale, 0.5 * 100 / 400);

  // Each view change is one undo step.
  UndoLast();
  EXPECT_EQ(view.scale, 0.5);
  EXPECT_EQ(view.originX, -75);
  UndoLast();
  EXPECT_EQ(view.originX, -50);
  EXPECT_EQ(view.originY, 100);
  EXPECT_EQ(journal.top, 0);
}

TEST_F(MouseTest, ZoomingOutByARectangleIsLimitedToFourTimes) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  view.plotWidth = 40;
  view.plotHeight = 30;
  RightDown(kMouseRight, 0, 0);
  RightDrag(200, 10);
  RightUp(200, 10);
  EXPECT_EQ(view.scale, 2.0);
}

TEST_F(MouseTest, AGestureIgnoresTheOtherButton) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  PolygonAt(0).selection = 1;
  RightDown(kMouseRight, 200, 100);
  LeftDrag(250, 150);
  LeftUp(250, 150);
  EXPECT_EQ(gesture.buttonFlags, kMouseRight);
  EXPECT_TRUE(rec.inverted.empty());
  EXPECT_EQ(PolygonAt(0).selection, 1);
  RightUp(200, 100);
  EXPECT_EQ(gesture.buttonFlags, 0);
  EXPECT_EQ(GestureButton(), 0);
}

TEST_F(MouseTest, ACommandDuringADragThatTakesTheGrabbedPointAwayStopsTheDrag) {
  AddPolygon("a", {{0, 0}, {20, 0}});
  AddPolygon("b", {{0, 10}, {20, 10}});
  PolygonAt(0).selection = 1;
  LeftDown(kMouseLeft, 100, 200);
  ASSERT_EQ(gesture.dragMode, 1);
  DeletePolygon(0);  // what the delete key would do
  const auto after = Snapshot();
  LeftDrag(130, 230);
  LeftUp(130, 230);
  EXPECT_EQ(Snapshot(), after) << "the polygon that took its place is left alone";

  // Moving polygons when nothing is selected any more records no empty list.
  PolygonAt(0).selection = 1;
  const int32_t top = journal.top;
  LeftDown(kMouseLeft | kMouseCtrl, 100, 200);
  PolygonAt(0).selection = 0;
  LeftDrag(130, 230);
  LeftUp(130, 230);
  EXPECT_EQ(journal.top, top);
  UndoLast();  // the deletion, not an empty list
  EXPECT_EQ(store.polygonCount, 2);
}

}  // namespace
}  // namespace kestrel::testing
