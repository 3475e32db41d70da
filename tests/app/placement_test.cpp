#include "app/placement.h"

#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

bool operator==(const Rect& a, const Rect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

TEST(PlaceBeside, GoesRightThenLeftThenNarrowedThenOverThePlot) {
  const Rect screen{0, 0, 1920, 1080};
  // Room on the right.
  EXPECT_TRUE(PlaceBeside(Rect{100, 50, 800, 600}, screen, 720, 640, true) == (Rect{900, 50, 720, 640}));
  // Room only on the left; level with the main window's bottom.
  EXPECT_TRUE(PlaceBeside(Rect{1000, 300, 800, 600}, screen, 720, 300, false) == (Rect{280, 600, 720, 300}));
  // Neither side is wide enough: the wider gap, narrowed to fit.
  EXPECT_TRUE(PlaceBeside(Rect{560, 0, 800, 600}, Rect{0, 0, 1366, 768}, 720, 640, true) == (Rect{0, 0, 560, 640}));
  // No gap worth having: at the screen's right edge, over the plot.
  EXPECT_TRUE(PlaceBeside(Rect{10, 0, 1000, 700}, Rect{0, 0, 1280, 720}, 720, 640, true) == (Rect{560, 0, 720, 640}));
  // It never leaves the screen, also on a second screen to the right.
  EXPECT_TRUE(PlaceBeside(Rect{1920, 900, 800, 600}, Rect{1920, 0, 1920, 1080}, 720, 640, true) ==
              (Rect{2720, 440, 720, 640}));
  EXPECT_TRUE(PlaceBeside(Rect{0, 0, 400, 300}, Rect{0, 0, 640, 480}, 2000, 2000, true) == (Rect{0, 0, 640, 480}));
}

}  // namespace
}  // namespace kestrel::testing
