#include <gtest/gtest.h>

#include <QPainter>

#include "app/report.h"
#include "grid/gridstore.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

const QRgb kBlackPixel = qRgb(0, 0, 0);
const QRgb kWhitePixel = qRgb(255, 255, 255);

class PlotTest : public WindowTest {
 protected:
  // One world unit is ten pixels; world (0, 0) is pixel (100, 200).
  void SetView() {
    view.scale = 0.1;
    view.originX = -10;
    view.originY = 20;
  }
  QRgb At(int x, int y) { return Plot().pixel(x, y); }

  // A patch of ni x nj unit cells with its lower left corner at (x0, y0).
  void GridPatchAt(int32_t k, int32_t ni, int32_t nj, double x0, double y0) {
    grids.ni[k] = ni;
    grids.nj[k] = nj;
    grids.x[k] = AllocArray<double>(1, static_cast<size_t>((ni + 1) * (nj + 1)));
    grids.y[k] = AllocArray<double>(1, static_cast<size_t>((ni + 1) * (nj + 1)));
    for (int32_t j = 0; j <= nj; ++j) {
      for (int32_t i = 0; i <= ni; ++i) {
        grids.x[k][NodeIndex(ni, i, j)] = x0 + i;
        grids.y[k][NodeIndex(ni, i, j)] = y0 + j;
      }
    }
  }
  void MakeGridStore(int32_t count) {
    grids.patchCount = count;
    grids.ni = AllocArray<int32_t>(1, static_cast<size_t>(count));
    grids.nj = AllocArray<int32_t>(1, static_cast<size_t>(count));
    grids.x = AllocArray<double*>(1, static_cast<size_t>(count));
    grids.y = AllocArray<double*>(1, static_cast<size_t>(count));
  }
};

TEST_F(PlotTest, EachPolygonIsDrawnWithItsPen) {
  for (int k = 0; k < 7; ++k) AddPolygon("line", {{0, k * 1.0}, {5, k * 1.0}});
  SetView();
  window->plot()->Invalidate();
  // Polygon 6 lies at world y = 6, pixel row 140.
  EXPECT_EQ(At(120, 140), qRgb(255, 0, 0));
  EXPECT_EQ(At(120, 200), PenColor(0).rgb());
  EXPECT_EQ(PenColor(0).rgb(), qRgb(255, 0, 255));
  EXPECT_EQ(PenColor(11).rgb(), qRgb(127, 0, 255));
  EXPECT_EQ(At(150, 140), qRgb(255, 0, 0)) << "the last pixel of a line is set";
  EXPECT_EQ(At(151, 140), kBlackPixel);
  EXPECT_EQ(At(120, 130), kBlackPixel);
}

TEST_F(PlotTest, ASelectedClosedSquareShowsWhiteOutlineAndMarks) {
  AddPolygon("square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
  SetView();
  PolygonAt(0).selection = 2 - PolygonAt(0).count;  // its third point, pixel (200, 100)
  window->plot()->Invalidate();
  const QPoint corners[4] = {{100, 200}, {200, 200}, {200, 100}, {100, 100}};
  for (int k = 0; k < 4; ++k) {
    const QPoint c = corners[k];
    for (int d = -3; d <= 3; ++d) {
      EXPECT_EQ(At(c.x() + d, c.y() - 3), kWhitePixel) << k;
      EXPECT_EQ(At(c.x() + d, c.y() + 3), kWhitePixel) << k;
      EXPECT_EQ(At(c.x() - 3, c.y() + d), kWhitePixel) << k;
      EXPECT_EQ(At(c.x() + 3, c.y() + d), kWhitePixel) << k;
    }
    // Just outside the 7 x 7 mark, away from the outline.
    const int outX = c.x() == 100 ? 96 : 204;
    const int outY = c.y() == 200 ? 204 : 96;
    EXPECT_EQ(At(outX, c.y() + (c.y() == 200 ? 2 : -2)), kBlackPixel) << k;
    EXPECT_EQ(At(c.x() + (c.x() == 100 ? -2 : 2), outY), kBlackPixel) << k;
    // Inside: white for the selected point, black for the others.
    const QRgb fill = k == 2 ? kWhitePixel : kBlackPixel;
    EXPECT_EQ(At(c.x() + (c.x() == 100 ? -1 : 1), c.y() + (c.y() == 200 ? 1 : -1)), fill) << k;
  }
  EXPECT_EQ(At(150, 200), kWhitePixel) << "the outline is white";

  // Erasing draws the same in black.
  window->plot()->ErasePolygon(0);
  const QImage image = Plot();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), kBlackPixel) << x << "," << y;
  }
}

TEST_F(PlotTest, AfterGriddingTheClipPolygonHidesCellsOutsideIt) {
  AddPolygon("reach", {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, true);
  AddPolygon("Clip", {{-0.5, -0.5}, {1.5, -0.5}, {1.5, 2.5}, {-0.5, 2.5}}, true);
  view.scale = 0.02;
  view.originX = -1;
  view.originY = 3;  // world (x, y) is pixel (50 + 50x, 150 - 50y)
  MakeGridStore(2);
  GridPatchAt(0, 2, 2, 0, 0);
  gridsValid = 1;
  clipPolygon = 1;
  window->plot()->Invalidate();
  const QRgb pen = PenColor(0).rgb();
  EXPECT_EQ(At(50, 125), pen) << "left edge of the cells with centre x 0.5";
  EXPECT_EQ(At(100, 125), pen) << "their right edge";
  EXPECT_EQ(At(75, 100), pen) << "the line between their rows";
  EXPECT_EQ(At(150, 125), kBlackPixel) << "cells with centre x 1.5 lie outside the clip";
  EXPECT_EQ(At(125, 150), kBlackPixel);
  EXPECT_EQ(At(125, 175), kBlackPixel) << "the clip polygon itself is not drawn";
  EXPECT_EQ(At(25, 125), kBlackPixel);

  clipPolygon = -1;  // without a clip every cell is drawn
  window->plot()->Invalidate();
  EXPECT_EQ(At(150, 125), pen);
}

TEST_F(PlotTest, PolygonsOutsideTheViewAreSkippedByTheirBoxes) {
  AddPolygon("left", {{-0.3, 0}, {-0.3, 10}});
  view.scale = 1;
  view.originX = 0;
  view.originY = 20;
  window->plot()->Invalidate();
  // Its points round onto column 0, but its box lies left of the view.
  for (int y = 10; y <= 20; ++y) EXPECT_EQ(At(0, y), kBlackPixel) << y;
}

TEST_F(PlotTest, LinesReachingFarBeyondThePlotAreClippedNotWrapped) {
  AddPolygon("long", {{-1e9, 0}, {1e9, 0}});
  SetView();  // the ends lie 1e10 pixels away
  window->plot()->Invalidate();
  EXPECT_EQ(At(150, 200), PenColor(0).rgb());
  EXPECT_EQ(At(150, 199), kBlackPixel);
}

TEST_F(PlotTest, InvertedShapesRestoreThePlotWhenDrawnTwice) {
  AddPolygon("line", {{0, 0}, {10, 0}});
  SetView();
  const QImage before = Plot();
  window->plot()->InvertLine(90, 150, 210, 250);
  EXPECT_EQ(At(90, 150), kWhitePixel);
  window->plot()->InvertLine(90, 150, 210, 250);
  EXPECT_EQ(Plot(), before);

  window->plot()->InvertRectangle(120, 180, 160, 220);
  EXPECT_EQ(At(120, 180), kWhitePixel);
  EXPECT_EQ(At(160, 180), kWhitePixel);
  EXPECT_EQ(At(160, 220), kWhitePixel);
  EXPECT_EQ(At(120, 220), kWhitePixel);
  EXPECT_EQ(At(140, 180), kWhitePixel);
  EXPECT_EQ(At(140, 200), kBlackPixel) << "the polygon's pixel under the edge is inverted";
  EXPECT_EQ(At(130, 190), kBlackPixel) << "the inside is left alone";
  window->plot()->InvertRectangle(120, 180, 160, 220);
  EXPECT_EQ(Plot(), before);
}

}  // namespace
}  // namespace kestrel::testing
