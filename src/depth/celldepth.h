// The depth and bottom elevation of every active cell of the grid, from the
// survey sources loaded (see bathymetry.h).
//
// Each source in turn fills the cells the ones before it left empty:
//  - points: the mean of the points inside the cell; else linear
//    interpolation at the cell centre in the Delaunay triangulation of the
//    points (GDAL's), when the centre lies inside it;
//  - rasters: the mean of the raster cells whose centre lies inside the
//    cell; else bilinear interpolation at the cell centre, when it lies on
//    the raster.
// A cell no source reaches takes the value of the nearest cell that has one.
// Values become bottom elevations (soundings change sign), the depth is the
// water level minus the elevation, and a cell shallower than the minimum
// depth is given that depth, its bottom lowered to match.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

enum class DepthMethod : uint8_t { None, PointMean, Linear, RasterMean, Bilinear, Nearest };
constexpr int kDepthMethods = 6;

struct CellDepth {
  double elevation = 0;                    // bottom elevation, positive up
  double depth = 0;                        // water level minus elevation, at least the minimum depth
  double surveyed = 0;                     // the bottom elevation the survey gave, before any raising
  DepthMethod method = DepthMethod::None;  // None: the cell is not active
  int32_t source = -1;                     // the source that gave the value (-1: none, or the nearest cell's)
  bool raised = false;                     // shallower than the minimum depth, raised to it
};

struct DepthField {
  // Per patch k (the clip polygon's is empty), cell (i, j) at j * ni + i.
  std::vector<std::vector<CellDepth>> cells;
  long count[kDepthMethods] = {};  // active cells by method
  long raised = 0;
  std::vector<long> perSource;         // cells given a value by each source
  double shallowest = 0, deepest = 0;  // depths over the active cells
};

// The depths for the grid and the sources as they stand, computed again only
// when the grid, the sources or the options have changed since the last
// call. Null when no source is loaded or there is no grid; also null after
// reporting (Notify, once for each grid and set of sources) a source that can
// no longer be read or that reaches no cell of the grid: DepthProblem() then
// says why. A `quiet` call never computes (the plot asks while it paints) and
// returns only depths already computed for the present grid.
const DepthField* CurrentDepths(bool quiet = false);
const std::string& DepthProblem();

// Whether survey data and a grid are there but the depths for them have not
// been worked out yet (nor found impossible).
bool DepthsPending();

// The words of the methods for reports: "mean of survey points", ...
const char* DepthMethodName(DepthMethod method);

// Forgets the cached depths.
void ResetCellDepths();

}  // namespace kestrel
