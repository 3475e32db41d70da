// What an Undo round trip must give back: every polygon's name, closed flag,
// colour, count and points (bit for bit), in store order.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "app/report.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {

struct PolygonCopy {
  std::string name;
  int closed, color;
  std::vector<PolygonPoint> points;
  bool operator==(const PolygonCopy& o) const {
    return name == o.name && closed == o.closed && color == o.color && points.size() == o.points.size() &&
           (points.empty() || std::memcmp(points.data(), o.points.data(), points.size() * sizeof(PolygonPoint)) == 0);
  }
};

inline std::vector<PolygonCopy> Snapshot() {
  std::vector<PolygonCopy> copy;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    copy.push_back(PolygonCopy{p.name, p.closed, p.color, {p.points, p.points + p.count}});
  }
  return copy;
}

// The points of polygon i as (x, y) pairs, for compact expectations.
inline std::vector<std::pair<double, double>> XY(int32_t i) {
  std::vector<std::pair<double, double>> xy;
  const Polygon& p = PolygonAt(i);
  for (int32_t k = 0; k < p.count; ++k) xy.emplace_back(p.points[k].x, p.points[k].y);
  return xy;
}

// Adds a polygon from full points (x, y, z) as stored: a closed one must
// repeat its first point. Returns its index.
inline int AddStored(const char* name, const std::vector<PolygonPoint>& points, bool closed = false) {
  const int32_t index = store.polygonCount;
  Polygon& p = PrepareNewPolygon(1);
  p.points = AllocArray<PolygonPoint>(1, points.size());
  std::memcpy(p.points, points.data(), points.size() * sizeof(PolygonPoint));
  p.count = static_cast<int32_t>(points.size());
  p.closed = closed ? 1 : 0;
  p.color = index % 12;
  SetPolygonName(p, name);
  ++store.polygonCount;
  BoundPolygon(index);
  return index;
}

// Selects point k of polygon i alone.
inline void SelectPoint(int32_t i, int32_t k) {
  for (int32_t j = 0; j < store.polygonCount; ++j) PolygonAt(j).selection = 0;
  PolygonAt(i).selection = k - PolygonAt(i).count;
}

// Boxes and extents as a loaded drawing has them.
inline void Bound() {
  BoundAll();
  ComputeExtents();
}

}  // namespace kestrel::testing
