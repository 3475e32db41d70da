#include "link/seams.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kestrel {

double NodeTolerance(double lengthA, double lengthB) { return std::min(lengthA, lengthB) * kNodeShare; }

int EdgesMeet(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
  const double tolerance = NodeTolerance(std::hypot(bx - ax, by - ay), std::hypot(dx - cx, dy - cy));
  if (std::hypot(ax - cx, ay - cy) < tolerance && std::hypot(bx - dx, by - dy) < tolerance) return 1;
  if (std::hypot(ax - dx, ay - dy) < tolerance && std::hypot(bx - cx, by - cy) < tolerance) return -1;
  return 0;
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
  const double ux = bx - ax, uy = by - ay;
  const double length2 = ux * ux + uy * uy;
  double t = length2 > 0 ? ((px - ax) * ux + (py - ay) * uy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(px - (ax + t * ux), py - (ay + t * uy));
}

bool SegmentsOverlap(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
  const double lengthA = std::hypot(bx - ax, by - ay), lengthB = std::hypot(dx - cx, dy - cy);
  const double tolerance = NodeTolerance(lengthA, lengthB);
  if (!(tolerance > 0)) return false;
  // In line: both ends of B lie within the tolerance of A's line.
  const double ux = (bx - ax) / lengthA, uy = (by - ay) / lengthA;
  auto across = [&](double px, double py) { return std::fabs((px - ax) * uy - (py - ay) * ux); };
  if (!(across(cx, cy) < tolerance) || !(across(dx, dy) < tolerance)) return false;
  // The stretch both cover, measured along A.
  const double c = (cx - ax) * ux + (cy - ay) * uy, d = (dx - ax) * ux + (dy - ay) * uy;
  const double overlap = std::min(lengthA, std::max(c, d)) - std::max(0.0, std::min(c, d));
  return overlap > tolerance;
}

std::size_t SegmentIndex::CellHash::operator()(const Cell& c) const {
  return std::hash<int64_t>()(c.x * 0x9E3779B97F4A7C15LL ^ c.y);
}

bool SegmentIndex::Reset(double cellSize) {
  cells_.clear();
  if (!(cellSize > 0) || !std::isfinite(cellSize)) return false;
  size_ = cellSize;
  return true;
}

bool SegmentIndex::CellOf(double x, double y, Cell& c) const {
  const double u = std::floor(x / size_), v = std::floor(y / size_);
  if (!(std::fabs(u) < 1e15) || !(std::fabs(v) < 1e15)) return false;
  c = Cell{static_cast<int64_t>(u), static_cast<int64_t>(v)};
  return true;
}

bool SegmentIndex::Add(int32_t id, double ax, double ay, double bx, double by) {
  Cell lo, hi;
  if (!CellOf(std::min(ax, bx), std::min(ay, by), lo) || !CellOf(std::max(ax, bx), std::max(ay, by), hi)) return false;
  // A segment longer than the cells would be filed in many; the callers size
  // the cells to their longest segment, so this never happens to them.
  if (hi.x - lo.x > 16 || hi.y - lo.y > 16) return false;
  for (int64_t y = lo.y; y <= hi.y; ++y) {
    for (int64_t x = lo.x; x <= hi.x; ++x) cells_[Cell{x, y}].push_back(id);
  }
  return true;
}

void SegmentIndex::Near(double x0, double y0, double x1, double y1, double margin, std::vector<int32_t>& out) const {
  out.clear();
  Cell lo, hi;
  if (!CellOf(std::min(x0, x1) - margin, std::min(y0, y1) - margin, lo) ||
      !CellOf(std::max(x0, x1) + margin, std::max(y0, y1) + margin, hi)) {
    return;
  }
  if (hi.x - lo.x > 16 || hi.y - lo.y > 16) {
    // A box larger than the cells it would visit one by one: take them all.
    for (const auto& [cell, ids] : cells_) out.insert(out.end(), ids.begin(), ids.end());
  } else {
    for (int64_t y = lo.y; y <= hi.y; ++y) {
      for (int64_t x = lo.x; x <= hi.x; ++x) {
        const auto found = cells_.find(Cell{x, y});
        if (found != cells_.end()) out.insert(out.end(), found->second.begin(), found->second.end());
      }
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

}  // namespace kestrel
