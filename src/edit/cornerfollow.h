// Keeping a polygon's grid corners on their points. Corners are 1-based
// point numbers, so every edit that inserts, removes, reorders or re-samples
// points must move them along, or the grid would silently use other points.
//
// A corner on a point that no longer exists moves to the nearest remaining
// point of its side (between the neighbouring corners); when its side has no
// point left, or two corners would share a point, the corner is cleared and
// the status line says so. A corner on the closing point of a closed polygon
// counts as one on its first point.
#pragma once

#include <cstdint>

#include "store/store.h"

namespace kestrel {

// Whether any of the polygon's four corners is set.
bool HasCorners(const Polygon& polygon);

// After the points of polygon `index` were renumbered: `newIndex[k]` is where
// old stored point k went, or -1 when it is gone. `oldPoints` and `oldCount`
// (with `oldClosed`) describe the points before the edit; they give the
// distances that decide which neighbour a lost corner moves to.
void FollowCornersByIndex(int32_t index, const int32_t* newIndex, const PolygonPoint* oldPoints, int32_t oldCount,
                          bool oldClosed);

// The common renumberings. Each works out the mapping itself.
void FollowInsertedPoint(int32_t index, int32_t at);  // a point was inserted at `at`
void FollowRemovedPoint(int32_t index, int32_t at, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed);
void FollowReversal(int32_t index);             // the whole point order was reversed
void FollowRotation(int32_t index, int32_t s);  // old distinct point s became point 0
void FollowClosingPoint(int32_t index);         // closed or opened: a corner on the closing point goes to point 0

// After polygon `index` got new points along the same line (re-spacing,
// smoothing, restoring an older point list): each corner goes to the new
// point nearest to it along the line, by the fraction of the line's length
// at which it lay. `oldPoints` are the points before.
void FollowCornersAlongLine(int32_t index, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed);

// After polygon `index` lost some of its points while the others kept their
// order and values (optimize): finds where each remaining point went and
// follows the corners.
void FollowThinnedPoints(int32_t index, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed);

}  // namespace kestrel
