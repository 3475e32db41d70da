// What step 1 leaves behind: one grid patch per polygon, and the rule that
// decides which cells count (the clip polygon and the land polygons).
//
// Node (i, j) of polygon k, 0 <= i <= ni[k], 0 <= j <= nj[k], lies at index
// j * (ni[k] + 1) + i of x[k] and y[k]. Cell (i, j) has the corner nodes
// (i, j), (i, j+1), (i+1, j+1), (i+1, j); its centre is their mean.
#pragma once

#include <cstdint>

#include "store/store.h"

namespace kestrel {

struct GridStore {
  int32_t patchCount = 0;  // polygons in the store when step 1 built it
  int32_t* ni = nullptr;   // cells in the I direction, per polygon
  int32_t* nj = nullptr;   // cells in the J direction, per polygon
  double** x = nullptr;    // node x, per polygon ((ni + 1) * (nj + 1) values)
  double** y = nullptr;    // node y, same indexing

  // 1 when the grid outline file holds these patches.
  int32_t outlineWritten = 0;
};

extern GridStore grids;

// Index of node (i, j) of a patch with `ni` cells in the I direction.
inline int32_t NodeIndex(int32_t ni, int32_t i, int32_t j) { return j * (ni + 1) + i; }

// Even-odd test of (px, py) against the polygon's stored points, including
// the edge from its last point back to its first. 1 inside, 0 outside.
int PointInPolygon(const Polygon& polygon, double px, double py);

// The centre of cell (i, j) of polygon k's patch.
void CellCentre(int32_t k, int32_t i, int32_t j, double& cx, double& cy);

// A cell counts when there is no clip polygon or its centre lies inside it,
// and its centre lies inside no land polygon. Valid only while gridsValid is 1.
bool IsActiveCell(int32_t k, int32_t i, int32_t j);

// Land: polygons named "land" (any case), such as the islands of a lake. A
// cell whose centre lies inside one is not water, whichever patch it belongs
// to; several may exist. Like the clip polygon they have no patch of their own.
bool IsLandName(const char* name);

// Finds the land polygons of the store (step 1 does so beside the clip
// polygon, and again after it removed polygons); ReleaseGridStore forgets them.
void FindLandPolygons();
bool IsLandPolygon(int32_t k);

// The clip polygon or a land polygon: it decides which cells are water but is
// not gridded itself.
bool IsMaskPolygon(int32_t k);

// Frees every patch and the four arrays; patchCount becomes 0.
void ReleaseGridStore();

}  // namespace kestrel
