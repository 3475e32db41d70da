// The depth view: gridded cells filled by their depth from the survey data,
// on a ramp from pale yellow (shallowest) to dark blue (deepest), with a
// legend. Like the quality view it is a way of looking only: it changes no
// data and records nothing for Undo. The two are never on together.
#pragma once

#include <cstdint>

namespace kestrel {

extern int32_t depthView;

// The command (Ctrl+D): switches the depth view on or off and says on the
// status line what the colours mean.
void ToggleDepthView();

struct Rgb {
  uint8_t r, g, b;
};

// The colour of `depth` on the ramp from `shallowest` to `deepest`; depths
// outside the range take the colour of its nearer end.
Rgb DepthColour(double depth, double shallowest, double deepest);

}  // namespace kestrel
