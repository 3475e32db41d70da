#include "edit/cornerfollow.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/report.h"

namespace kestrel {

bool HasCorners(const Polygon& polygon) {
  return polygon.corners[0] || polygon.corners[1] || polygon.corners[2] || polygon.corners[3];
}

namespace {

double Distance(const PolygonPoint& a, const PolygonPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

// The 0-based old index of corner c: the closing point counts as point 0.
// -1 for an unset corner, -2 for one that names no point at all (left as it
// is: there is nothing to follow).
int32_t OldCornerIndex(const Polygon& p, int c, int32_t oldCount, bool oldClosed) {
  if (p.corners[c] <= 0) return -1;
  int32_t k = p.corners[c] - 1;
  if (oldClosed && k == oldCount - 1) k = 0;
  if (k >= oldCount) return -2;
  return k;
}

// The nearest point of the old list that survives the edit, searching from
// old point k both ways along the polygon without passing another corner.
// Returns its new index, or -1 when the side has none.
int32_t NearestSurvivor(int32_t k, const int32_t* newIndex, const PolygonPoint* oldPoints, int32_t oldCount,
                        bool oldClosed, const int32_t oldAt[4]) {
  const int32_t distinct = oldCount - (oldClosed ? 1 : 0);
  auto isCorner = [&](int32_t i) {
    for (int c = 0; c < 4; ++c) {
      if (oldAt[c] == i) return true;
    }
    return false;
  };
  int32_t found[2] = {-1, -1};
  for (int way = 0; way < 2; ++way) {
    const int32_t step = way == 0 ? -1 : 1;
    int32_t i = k;
    for (int32_t n = 1; n < distinct; ++n) {
      i += step;
      if (oldClosed) {
        i = (i + distinct) % distinct;
      } else if (i < 0 || i >= distinct) {
        break;
      }
      if (isCorner(i)) break;
      if (newIndex[i] >= 0) {
        found[way] = i;
        break;
      }
    }
  }
  if (found[0] < 0 && found[1] < 0) return -1;
  int32_t pick = found[0] >= 0 ? found[0] : found[1];
  if (found[0] >= 0 && found[1] >= 0 && oldPoints &&
      Distance(oldPoints[k], oldPoints[found[1]]) < Distance(oldPoints[k], oldPoints[found[0]])) {
    pick = found[1];
  }
  return newIndex[pick];
}

// Writes the followed corners (new 0-based indexes, -1 to clear) into the
// polygon, clearing the later of two corners that came to share a point, and
// names in the status line the corners that had to be cleared.
void StoreCorners(int32_t index, const int32_t oldAt[4], int32_t result[4]) {
  Polygon& p = PolygonAt(index);
  std::string cleared;
  int count = 0;
  for (int c = 0; c < 4; ++c) {
    if (oldAt[c] == -2 || oldAt[c] == -1) continue;  // nothing to follow
    int32_t j = result[c];
    if (j >= 0 && p.closed && j == p.count - 1) j = 0;
    if (j < 0 || j >= p.count) j = -1;
    for (int d = 0; d < c && j >= 0; ++d) {
      if (oldAt[d] >= 0 && result[d] == j) j = -1;
    }
    result[c] = j;
    p.corners[c] = j >= 0 ? j + 1 : 0;
    if (j < 0) {
      if (count++ > 0) cleared += ", ";
      cleared += std::to_string(c + 1);
    }
  }
  if (count > 0) {
    ShowStatusF(false, "corner point%s %s for polygon %i %s %s been cleared", count > 1 ? "s" : "", cleared.c_str(),
                static_cast<int>(index + 1), p.name, count > 1 ? "have" : "has");
  }
}

}  // namespace

void FollowCornersByIndex(int32_t index, const int32_t* newIndex, const PolygonPoint* oldPoints, int32_t oldCount,
                          bool oldClosed) {
  Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  int32_t oldAt[4], result[4];
  for (int c = 0; c < 4; ++c) oldAt[c] = OldCornerIndex(p, c, oldCount, oldClosed);
  for (int c = 0; c < 4; ++c) {
    result[c] = -1;
    if (oldAt[c] < 0) continue;
    const int32_t k = oldAt[c];
    result[c] = newIndex[k] >= 0 ? newIndex[k] : NearestSurvivor(k, newIndex, oldPoints, oldCount, oldClosed, oldAt);
  }
  StoreCorners(index, oldAt, result);
}

void FollowInsertedPoint(int32_t index, int32_t at) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  const int32_t oldCount = p.count - 1;
  std::vector<int32_t> map(static_cast<size_t>(oldCount));
  for (int32_t k = 0; k < oldCount; ++k) map[k] = k >= at ? k + 1 : k;
  FollowCornersByIndex(index, map.data(), nullptr, oldCount, p.closed == 1);
}

void FollowRemovedPoint(int32_t index, int32_t at, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  // A closed polygon that lost its first point was cut open there: the rest
  // moved down one place and the closing point went.
  const bool cutAtStart = oldClosed && at == 0;
  std::vector<int32_t> map(static_cast<size_t>(oldCount));
  for (int32_t k = 0; k < oldCount; ++k) {
    if (k == at) {
      map[k] = -1;
    } else if (cutAtStart || k > at) {
      map[k] = k - 1;
    } else {
      map[k] = k;
    }
    if (map[k] >= p.count) map[k] = -1;
  }
  FollowCornersByIndex(index, map.data(), oldPoints, oldCount, oldClosed);
}

void FollowReversal(int32_t index) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  const int32_t c = p.count;
  std::vector<int32_t> map(static_cast<size_t>(c));
  for (int32_t k = 0; k < c; ++k) map[k] = (p.closed && k == 0) ? 0 : c - 1 - k;
  FollowCornersByIndex(index, map.data(), nullptr, c, p.closed == 1);
}

void FollowRotation(int32_t index, int32_t s) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p) || p.count < 2) return;
  const int32_t c = p.count, distinct = c - 1;
  std::vector<int32_t> map(static_cast<size_t>(c));
  for (int32_t k = 0; k < distinct; ++k) map[k] = ((k - s) % distinct + distinct) % distinct;
  map[c - 1] = c - 1;
  FollowCornersByIndex(index, map.data(), nullptr, c, true);
}

void FollowClosingPoint(int32_t index) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  // Now closed: it was open with one point fewer. Now open: it was closed
  // with its closing point still stored.
  const bool wasClosed = p.closed == 0;
  const int32_t oldCount = wasClosed ? p.count + 1 : p.count - 1;
  std::vector<int32_t> map(static_cast<size_t>(oldCount));
  for (int32_t k = 0; k < oldCount; ++k) map[k] = k < p.count ? k : -1;
  FollowCornersByIndex(index, map.data(), nullptr, oldCount, wasClosed);
}

void FollowCornersAlongLine(int32_t index, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed) {
  Polygon& p = PolygonAt(index);
  if (!HasCorners(p) || oldCount < 1 || p.count < 1) return;
  std::vector<double> before(static_cast<size_t>(oldCount)), after(static_cast<size_t>(p.count));
  before[0] = after[0] = 0;
  for (int32_t k = 1; k < oldCount; ++k) before[k] = before[k - 1] + Distance(oldPoints[k - 1], oldPoints[k]);
  for (int32_t k = 1; k < p.count; ++k) after[k] = after[k - 1] + Distance(p.points[k - 1], p.points[k]);
  const double oldLength = before[oldCount - 1], newLength = after[p.count - 1];
  int32_t oldAt[4], result[4];
  for (int c = 0; c < 4; ++c) {
    oldAt[c] = OldCornerIndex(p, c, oldCount, oldClosed);
    result[c] = -1;
    if (oldAt[c] < 0) continue;
    const int32_t k = oldAt[c];
    // Where along the line the corner lay, as a fraction of the length (of
    // the point count when the line has no length).
    double fraction = 0;
    if (oldLength > 0) {
      fraction = before[k] / oldLength;
    } else if (oldCount > 1) {
      fraction = static_cast<double>(k) / (oldCount - 1);
    }
    int32_t best = 0;
    if (newLength > 0) {
      const double target = fraction * newLength;
      for (int32_t j = 1; j < p.count; ++j) {
        if (std::fabs(after[j] - target) < std::fabs(after[best] - target)) best = j;
      }
    } else {
      best = static_cast<int32_t>(std::lround(fraction * (p.count - 1)));
    }
    result[c] = best;
  }
  StoreCorners(index, oldAt, result);
}

void FollowThinnedPoints(int32_t index, const PolygonPoint* oldPoints, int32_t oldCount, bool oldClosed) {
  const Polygon& p = PolygonAt(index);
  if (!HasCorners(p)) return;
  std::vector<int32_t> map(static_cast<size_t>(oldCount), -1);
  int32_t j = 0;
  for (int32_t k = 0; k < oldCount && j < p.count; ++k) {
    const PolygonPoint& a = oldPoints[k];
    const PolygonPoint& b = p.points[j];
    if (a.x == b.x && a.y == b.y && a.z == b.z) map[k] = j++;
  }
  FollowCornersByIndex(index, map.data(), oldPoints, oldCount, oldClosed);
}

}  // namespace kestrel
