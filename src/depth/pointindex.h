// A bucket grid over a set of points, for the two searches of the depth
// calculation: the points inside a box, and the point nearest to a place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrel {

class PointIndex {
 public:
  // Indexes the n points (x[k], y[k]); the arrays must outlive the index.
  PointIndex(const double* x, const double* y, size_t n);

  // Calls visit(k) for every point k whose bucket overlaps the box; the
  // caller tests the point itself.
  template <typename Visit>
  void ForEachNear(double xmin, double ymin, double xmax, double ymax, Visit visit) const {
    if (n_ == 0) return;
    const int32_t c0 = Column(xmin), c1 = Column(xmax), r0 = Row(ymin), r1 = Row(ymax);
    for (int32_t r = r0; r <= r1; ++r) {
      for (int32_t c = c0; c <= c1; ++c) {
        const size_t b = static_cast<size_t>(r) * columns_ + c;
        for (uint32_t at = start_[b]; at < start_[b + 1]; ++at) visit(order_[at]);
      }
    }
  }

  // The point nearest to (px, py), or -1 when there are none.
  long Nearest(double px, double py) const;

 private:
  int32_t Column(double x) const;
  int32_t Row(double y) const;

  const double* x_;
  const double* y_;
  size_t n_;
  double x0_ = 0, y0_ = 0, size_ = 1;
  int32_t columns_ = 1, rows_ = 1;
  std::vector<uint32_t> start_;  // first entry of each bucket in order_, plus the end
  std::vector<uint32_t> order_;  // point numbers, bucket by bucket
};

}  // namespace kestrel
