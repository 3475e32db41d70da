// Where the program's side windows (the manual, the message log) go: beside
// the main window, so that neither the tool buttons nor the plot are hidden.
#pragma once

#include "app/window.h"

namespace kestrel {

// The narrowest a side window is made to fit beside the main window.
constexpr int kMinimumSideWidth = 360;

// A window of width x height next to the main window's frame `main` on the
// screen's free area `screen`: to its right when it fits there, else to its
// left, else narrowed into the wider of the two gaps when that leaves it at
// least kMinimumSideWidth wide; failing all that, at the screen's right edge,
// over the plot rather than the buttons. `top` puts it level with the main
// window's top, otherwise with its bottom. It never leaves the screen.
Rect PlaceBeside(const Rect& main, const Rect& screen, int width, int height, bool top);

}  // namespace kestrel
