#include "view/view.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "edit/journal.h"
#include "fixture.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

using ViewTest = KestrelTest;

TEST(RoundHalfAway, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(RoundHalfAway(2.5), 3);
  EXPECT_EQ(RoundHalfAway(-2.5), -3);
  EXPECT_EQ(RoundHalfAway(-0.5), -1);
  EXPECT_EQ(RoundHalfAway(0.49), 0);
  EXPECT_EQ(RoundHalfAway(-0.49), 0);
  EXPECT_EQ(RoundHalfAway(0.0), 0);
  EXPECT_EQ(RoundHalfAway(-0.0), 0);
  EXPECT_EQ(RoundHalfAway(1e6 + 0.5), 1000001);
}

TEST(RoundHalfAway, ValuesBeyondLongSaturate) {
  EXPECT_EQ(RoundHalfAway(1e300), LONG_MAX);
  EXPECT_EQ(RoundHalfAway(HUGE_VAL), LONG_MAX);
  EXPECT_EQ(RoundHalfAway(-HUGE_VAL), LONG_MIN);
  EXPECT_EQ(RoundHalfAway(9223372036854775808.0), LONG_MAX);
  EXPECT_EQ(RoundHalfAway(-9223372036854775808.0), LONG_MIN);
  EXPECT_EQ(RoundHalfAway(9223372036854774784.0), 9223372036854774784L) << "the largest double below 2^63";
  EXPECT_EQ(RoundHalfAway(std::nan("")), 0);
}

TEST_F(ViewTest, BoundsOfPolygonsAndExtents) {
  AddPolygon("a", {{1, 5}, {-3, 2}, {4, -1}});
  AddPolygon("b", {{10, 0}, {11, 1}});
  BoundAll();
  EXPECT_EQ(PolygonAt(0).xmin, -3);
  EXPECT_EQ(PolygonAt(0).xmax, 4);
  EXPECT_EQ(PolygonAt(0).ymin, -1);
  EXPECT_EQ(PolygonAt(0).ymax, 5);
  ComputeExtents();
  EXPECT_EQ(extentXmin, -3);
  EXPECT_EQ(extentXmax, 11);
  EXPECT_EQ(extentYmin, -1);
  EXPECT_EQ(extentYmax, 5);
  EXPECT_TRUE(ui.notifications.empty());
}

TEST_F(ViewTest, PolygonWithoutPointsKeepsInvertedExtremes) {
  Polygon& p = PrepareNewPolygon(1);
  ++store.polygonCount;
  (void)p;
  BoundPolygon(0);
  EXPECT_EQ(PolygonAt(0).xmin, kHugeCoordinate);
  EXPECT_EQ(PolygonAt(0).xmax, -kHugeCoordinate);
}

TEST_F(ViewTest, EmptyStoreIsReportedNotBounded) {
  BoundAll();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to bound");
  ComputeExtents();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to bound");
  ZoomAll();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to zoom");
  ZoomIn();
  ZoomOut();
  EXPECT_EQ(journal.top, 0) << "a zoom of nothing records nothing";
}

TEST_F(ViewTest, DegenerateExtentsEmptyTheStore) {
  AddPolygon("v", {{5, 0}, {5, 10}});
  AddPolygon("w", {{5, 3}, {5, 4}});
  BoundAll();
  ComputeExtents();
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 836);
  EXPECT_EQ(ui.notifications[0].text, "polygons are degenerate in X");
  EXPECT_EQ(store.polygonCount, 0);

  AddPolygon("h", {{0, 1}, {10, 1 + 1e-8}});
  BoundAll();
  ComputeExtents();
  ASSERT_EQ(ui.notifications.size(), 2u);
  EXPECT_EQ(ui.notifications[1].code, 841);
  EXPECT_EQ(ui.notifications[1].text, "polygons are degenerate in Y");
  EXPECT_EQ(store.polygonCount, 0);
}

TEST_F(ViewTest, ZoomAllFitsAndCentresTheExtents) {
  AddPolygon("r", {{0, 0}, {100, 0}, {100, 50}, {0, 50}}, true);
  view.plotWidth = 400;
  view.plotHeight = 200;
  BoundAll();
  ComputeExtents();
  ZoomAll();
  EXPECT_DOUBLE_EQ(view.scale, 0.25 / 0.95);
  const Pixel centre = WorldToPixel(50, 25);
  EXPECT_EQ(centre.column, 200);
  EXPECT_EQ(centre.row, 100);
  EXPECT_EQ(ui.plotRepaints, 1);
  EXPECT_NEAR(PixelToWorldX(200), 50, 1e-12);
  EXPECT_NEAR(PixelToWorldY(100), 25, 1e-12);
}

TEST_F(ViewTest, ZoomInAndOutKeepTheCentreAndAreUndoable) {
  AddPolygon("r", {{0, 0}, {100, 0}, {100, 50}, {0, 50}}, true);
  view.plotWidth = 400;
  view.plotHeight = 200;
  BoundAll();
  ComputeExtents();
  ZoomAll();
  const ViewTransform fitted = view;
  const double cx = PixelToWorldX(200), cy = PixelToWorldY(100);

  ZoomIn();
  EXPECT_DOUBLE_EQ(view.scale, fitted.scale / 1.025);
  EXPECT_NEAR(PixelToWorldX(200), cx, 1e-9);
  EXPECT_NEAR(PixelToWorldY(100), cy, 1e-9);
  ZoomOut();
  EXPECT_NEAR(view.scale, fitted.scale, 1e-15);
  EXPECT_NEAR(PixelToWorldX(200), cx, 1e-9);

  // Each zoom left one view record; undo walks back exactly.
  gridsValid = 1;
  UndoLast();
  UndoLast();
  EXPECT_EQ(view.scale, fitted.scale);
  EXPECT_EQ(view.originX, fitted.originX);
  EXPECT_EQ(view.originY, fitted.originY);
  EXPECT_EQ(gridsValid, 1) << "undoing a view change leaves the grids alone";
}

}  // namespace
}  // namespace kestrel::testing
