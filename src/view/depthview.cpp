#include "view/depthview.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/frontend.h"
#include "app/report.h"
#include "depth/bathymetry.h"
#include "depth/celldepth.h"
#include "formats/decimal.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

int32_t depthView = 0;

namespace {

// The ramp's colours at equal steps from shallow to deep.
constexpr Rgb kRamp[] = {{255, 255, 204}, {161, 218, 180}, {65, 182, 196}, {34, 94, 168}, {8, 29, 88}};
constexpr int kRampStops = sizeof kRamp / sizeof kRamp[0];

uint8_t Blend(uint8_t a, uint8_t b, double t) {
  return static_cast<uint8_t>(std::lround(a + (static_cast<double>(b) - a) * t));
}

}  // namespace

Rgb DepthColour(double depth, double shallowest, double deepest) {
  double t = deepest > shallowest ? (depth - shallowest) / (deepest - shallowest) : 0;
  if (!(t > 0)) t = 0;
  if (t > 1) t = 1;
  const double at = t * (kRampStops - 1);
  const int low = std::min(static_cast<int>(at), kRampStops - 2);
  const double f = at - low;
  return Rgb{Blend(kRamp[low].r, kRamp[low + 1].r, f), Blend(kRamp[low].g, kRamp[low + 1].g, f),
             Blend(kRamp[low].b, kRamp[low + 1].b, f)};
}

void ToggleDepthView() {
  depthView = !depthView;
  if (!depthView) {
    ShowStatus("depth view off (Ctrl+D shows it again)");
  } else {
    qualityView = 0;
    if (bathymetrySources.empty()) {
      ShowStatus("depth view on: load survey data with Ctrl+B to colour the cells by depth (Ctrl+D switches it off)");
    } else if (!gridsValid) {
      ShowStatus("depth view on: it colours the cells once the polygons are gridded (Ctrl+D switches it off)");
    } else if (const DepthField* depths = CurrentDepths()) {
      const std::string text = "depth view on: " + FixedDecimal(depths->shallowest, 2) + " m pale yellow to " +
                               FixedDecimal(depths->deepest, 2) + " m dark blue (Ctrl+D switches it off)";
      ShowStatus(text.c_str());
    } else {
      ShowStatus("depth view on, but the grid has no depths (Ctrl+D switches it off)");
    }
  }
  UI().RepaintPlot();
}

}  // namespace kestrel
