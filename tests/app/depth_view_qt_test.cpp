#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/dispatch.h"
#include "depth/bathymetry.h"
#include "patches.h"
#include "view/depthview.h"
#include "view/view.h"
#include "window_fixture_qt.h"

namespace kestrel::testing {
namespace {

class DepthViewTest : public WindowTest {
 protected:
  TempDir dir;
  PatchBuilder patches;

  // Three cells in a row, 1, 2 and 3 m deep; ten pixels a world unit, world
  // (0, 0) at pixel (100, 200).
  void SetUpDepths() {
    patches.Rect("row", 0, 0, 30, 10, 3, 1);
    patches.Build();
    TempDir::Write(dir.File("bed.xyz"), "5 5 -1\n15 5 -2\n25 5 -3\n");
    ASSERT_TRUE(AddBathymetrySource(dir.File("bed.xyz").c_str()));
    view.scale = 0.1;
    view.originX = -10;
    view.originY = 20;
  }
  QRgb At(int x, int y) { return Plot().pixel(x, y); }
  static QRgb Ramp(double depth) {
    const Rgb c = DepthColour(depth, 1, 3);
    return qRgb(c.r, c.g, c.b);
  }
  // Whether the colour is somewhere in the top right corner of the plot.
  bool InLegend(QRgb colour) {
    const QImage image = Plot();
    for (int y = 0; y < 220; ++y) {
      for (int x = image.width() - 220; x < image.width(); ++x) {
        if (image.pixel(x, y) == colour) return true;
      }
    }
    return false;
  }
};

TEST_F(DepthViewTest, TheKeysPostTheirCommands) {
  for (const Qt::Key key : {Qt::Key_B, Qt::Key_D}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::ControlModifier);
    QApplication::sendEvent(window.get(), &press);
    QApplication::sendEvent(window.get(), &release);
  }
  QApplication::processEvents();
  EXPECT_EQ(spy.commands, (std::vector<int>{kCmdLoadBathymetry, kCmdDepthView}));
}

TEST_F(DepthViewTest, CellsAreFilledOnTheRampWithALegend) {
  SetUpDepths();
  DispatchCommand(kCmdDepthView);
  EXPECT_EQ(depthView, 1);
  EXPECT_EQ(std::string(statusText), "depth view on: 1.00 m pale yellow to 3.00 m dark blue (Ctrl+D switches it off)");
  EXPECT_EQ(At(150, 150), Ramp(1));
  EXPECT_EQ(At(250, 150), Ramp(2));
  EXPECT_EQ(At(350, 150), qRgb(8, 29, 88));
  EXPECT_TRUE(InLegend(qRgb(255, 255, 204)));
  EXPECT_TRUE(InLegend(qRgb(8, 29, 88)));

  // The quality view takes over, and back.
  DispatchCommand(kCmdQualityView);
  EXPECT_EQ(depthView, 0);
  EXPECT_NE(At(150, 150), Ramp(1));
  EXPECT_FALSE(InLegend(qRgb(255, 255, 204)));
  DispatchCommand(kCmdDepthView);
  EXPECT_EQ(qualityView, 0);
  EXPECT_EQ(At(150, 150), Ramp(1));
}

TEST_F(DepthViewTest, NewGridsAreColouredOnceTheirDepthsAreWorkedOut) {
  SetUpDepths();
  DispatchCommand(kCmdDepthView);
  // The grid moves: the plot never works the depths out while it paints,
  // it asks for them.
  for (int n = 0; n < 8; ++n) grids.x[0][n] += 10;
  window->plot()->Invalidate();
  EXPECT_EQ(At(250, 150), qRgb(0, 0, 0));
  QApplication::processEvents();
  ASSERT_FALSE(spy.commands.empty());
  EXPECT_EQ(spy.commands.back(), kCmdRefreshDepths);
  DispatchCommand(kCmdRefreshDepths);
  // The first cell now covers x 10 to 20 and holds the point 2 m deep, the
  // shallowest now.
  EXPECT_EQ(At(250, 150), qRgb(255, 255, 204));
}

}  // namespace
}  // namespace kestrel::testing
