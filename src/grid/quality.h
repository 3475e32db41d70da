// How good the grid is for a staggered-grid model: orthogonality, aspect
// ratio and smoothness of every active cell, measured from its four corner
// nodes, summarised per polygon and for the whole grid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// The measures of one cell (i, j) of polygon k.
struct CellQuality {
  int32_t polygon = 0, i = 0, j = 0;
  double orthogonality = 0;  // |angle between the cell's i and j axes - 90| in degrees
  double cornerAngle = 0;    // largest |corner angle - 90| in degrees
  double aspect = 1;         // larger of DX and DY over the smaller
  double sizeRatioI = 1;     // largest DX ratio to the neighbours along i (1 without any)
  double sizeRatioJ = 1;     // largest DY ratio to the neighbours along j (1 without any)
  bool hasNeighbourI = false, hasNeighbourJ = false;
  bool folded = false;  // a corner of 180 degrees or more, or no positive area
};

// The corner nodes P00, P10, P11, P01 of cell (i, j) of polygon k.
void CellCornerNodes(int32_t k, int32_t i, int32_t j, double x[4], double y[4]);

// The measures of one cell from its corner nodes P00 = (i, j), P10 = (i+1, j),
// P11 = (i+1, j+1) and P01 = (i, j+1): everything but the neighbour ratios.
CellQuality MeasureCell(const double x[4], const double y[4]);

// DX and DY of a cell as the model files define them: the mean lengths of its
// two edges along i and of its two edges along j (corners as above).
void CellEdgeSizes(const double x[4], const double y[4], double& dx, double& dy);

// Bands that count how many cells pass (strictly below the limit).
constexpr double kOrthogonalityBands[3] = {1, 3, 10};
constexpr double kAspectBands[3] = {2, 5, 10};
constexpr double kSizeRatioBands[3] = {1.1, 1.2, 1.5};

// The band of an orthogonality deviation: 0 below 1 degree, 1 below 3,
// 2 below 10, 3 from 10 on.
int OrthogonalityBand(double deviation);

// Statistics of one measure over a set of cells.
struct MeasureSummary {
  long cells = 0;  // cells the measure applies to
  double mean = 0;
  double largest = 0;
  long passing[3] = {0, 0, 0};  // cells strictly below each band limit
};

struct QualitySummary {
  long cells = 0;
  long folded = 0;
  MeasureSummary orthogonality, cornerAngle, aspect, sizeRatioI, sizeRatioJ;
};

// Measures every active cell of every patch of the grid store (gridsValid
// must be 1), in polygon, row, column order.
std::vector<CellQuality> MeasureGrid();

// Summary over the cells of one polygon (polygon < 0: all of them).
QualitySummary Summarise(const std::vector<CellQuality>& cells, int32_t polygon = -1);

// The status-line summary, short enough for the status line after the count
// of step 1, e.g. "orthogonality deviation up to 4.2 deg (mean 0.81), aspect
// ratio up to 3.1, 0 folded cells".
std::string QualityStatusLine(const QualitySummary& all);

// The polygon with the most folded cells (the first of equals), or -1 when
// no cell is folded.
int32_t MostFoldedPolygon(const std::vector<CellQuality>& cells);

// How a cell is named in the report: model I and J when the grid is linked,
// else its i and j within its patch (both counted from 1).
using CellLabel = std::string (*)(const CellQuality& cell);
std::string PatchCellLabel(const CellQuality& cell);

// The full report: whole grid and per polygon, each measure's mean, largest
// and band counts, and the ten worst cells by orthogonality.
std::string QualityReport(const std::vector<CellQuality>& cells, CellLabel label);

}  // namespace kestrel
