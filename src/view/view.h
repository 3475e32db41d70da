// The world-to-pixel transform of the plot, the bounding boxes of the
// polygons and of the whole store, and the zoom commands.
#pragma once

#include <cstdint>

namespace kestrel {

struct ViewTransform {
  double scale = 0;       // world units per pixel, the same in x and y
  double originX = 0;     // world x of pixel column 0
  double originY = 0;     // world y of pixel row 0 (world y grows upwards)
  int32_t plotWidth = 0;  // always a multiple of 4
  int32_t plotHeight = 0;
};

extern ViewTransform view;

// Extents of all polygons, written only by ComputeExtents.
extern double extentXmin, extentXmax, extentYmin, extentYmax;

// The starting value of minima (and, negated, of maxima).
constexpr double kHugeCoordinate = 1.7976931348623157e308;

// Extents narrower than this (2^-23) are degenerate.
constexpr double kDegenerateExtent = 1.1920928955078125e-07;

// Rounds half away from zero: 2.5 gives 3, -2.5 gives -3. Values beyond the
// range of long saturate; not a number gives 0.
long RoundHalfAway(double v);

struct Pixel {
  long column;
  long row;
};
Pixel WorldToPixel(double x, double y);
double PixelToWorldX(double column);
double PixelToWorldY(double row);

void BoundPolygon(int32_t index);
void BoundAll();
// Extents of all polygons. Extents narrower than kDegenerateExtent leave
// nothing to show: they are reported in a box and the polygons are dropped,
// through the journal so that Undo brings them back. Undo itself passes
// false: going back through a degenerate state only says so in the status
// line, so that the next Undo can go further back.
void ComputeExtents(bool clearDegenerate = true);

// The zoom commands. Each records the view for undo before changing it.
void ZoomAll();
void ZoomIn();
void ZoomOut();

// While set, gridded cells are filled by how far they are from orthogonal.
// A way of looking only: it changes no data and records nothing for Undo.
extern int32_t qualityView;
void ToggleQualityView();

// Puts the transform and the extents back to their start-up state.
void ResetView();

}  // namespace kestrel
