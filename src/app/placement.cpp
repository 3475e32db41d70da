#include "app/placement.h"

#include <algorithm>

namespace kestrel {

Rect PlaceBeside(const Rect& main, const Rect& screen, int width, int height, bool top) {
  width = std::min(width, screen.width);
  height = std::min(height, screen.height);
  const int screenRight = screen.x + screen.width;
  const int rightGap = screenRight - (main.x + main.width);
  const int leftGap = main.x - screen.x;
  int x;
  if (rightGap >= width) {
    x = main.x + main.width;
  } else if (leftGap >= width) {
    x = main.x - width;
  } else if (std::max(rightGap, leftGap) >= kMinimumSideWidth) {
    width = std::max(rightGap, leftGap);
    x = rightGap >= leftGap ? main.x + main.width : screen.x;
  } else {
    x = screenRight - width;
  }
  int y = top ? main.y : main.y + main.height - height;
  y = std::clamp(y, screen.y, screen.y + screen.height - height);
  return Rect{x, y, width, height};
}

}  // namespace kestrel
