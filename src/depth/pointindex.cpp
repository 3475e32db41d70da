#include "depth/pointindex.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {

// About this many points share a bucket; no more buckets than this in all.
constexpr double kPointsPerBucket = 4;
constexpr double kMostBuckets = 1 << 22;

}  // namespace

PointIndex::PointIndex(const double* x, const double* y, size_t n) : x_(x), y_(y), n_(n) {
  if (n == 0) return;
  double x1 = x[0], y1 = y[0];
  x0_ = x[0];
  y0_ = y[0];
  for (size_t k = 1; k < n; ++k) {
    x0_ = std::min(x0_, x[k]);
    x1 = std::max(x1, x[k]);
    y0_ = std::min(y0_, y[k]);
    y1 = std::max(y1, y[k]);
  }
  const double w = x1 - x0_, h = y1 - y0_;
  const double buckets = std::min(kMostBuckets, std::max(1.0, static_cast<double>(n) / kPointsPerBucket));
  size_ = std::sqrt(std::max(w * h, std::max(w, h) * std::max(w, h) / buckets) / buckets);
  if (!(size_ > 0) || !std::isfinite(size_)) size_ = 1;
  columns_ = static_cast<int32_t>(std::min(kMostBuckets, std::floor(w / size_) + 1));
  rows_ = static_cast<int32_t>(std::min(kMostBuckets / columns_, std::floor(h / size_) + 1));
  std::vector<uint32_t> bucketOf(n);
  start_.assign(static_cast<size_t>(columns_) * rows_ + 1, 0);
  for (size_t k = 0; k < n; ++k) {
    bucketOf[k] = static_cast<uint32_t>(static_cast<size_t>(Row(y[k])) * columns_ + Column(x[k]));
    ++start_[bucketOf[k] + 1];
  }
  for (size_t b = 1; b < start_.size(); ++b) start_[b] += start_[b - 1];
  order_.resize(n);
  std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
  for (size_t k = 0; k < n; ++k) order_[fill[bucketOf[k]]++] = static_cast<uint32_t>(k);
}

int32_t PointIndex::Column(double x) const {
  const double c = std::floor((x - x0_) / size_);
  return static_cast<int32_t>(std::clamp(c, 0.0, static_cast<double>(columns_ - 1)));
}

int32_t PointIndex::Row(double y) const {
  const double r = std::floor((y - y0_) / size_);
  return static_cast<int32_t>(std::clamp(r, 0.0, static_cast<double>(rows_ - 1)));
}

long PointIndex::Nearest(double px, double py) const {
  if (n_ == 0) return -1;
  const int32_t c = Column(px), r = Row(py);
  long best = -1;
  double bestDistance = HUGE_VAL;
  // Rings of buckets around the place's bucket, until no point of the next
  // ring can be nearer than the best so far.
  const int32_t most = std::max(columns_, rows_);
  for (int32_t ring = 0; ring <= most; ++ring) {
    const int32_t r0 = r - ring, r1 = r + ring, c0 = c - ring, c1 = c + ring;
    for (int32_t row = std::max(r0, 0); row <= std::min(r1, rows_ - 1); ++row) {
      const bool edgeRow = row == r0 || row == r1;
      for (int32_t col = std::max(c0, 0); col <= std::min(c1, columns_ - 1); ++col) {
        if (!edgeRow && col != c0 && col != c1) continue;
        const size_t b = static_cast<size_t>(row) * columns_ + col;
        for (uint32_t at = start_[b]; at < start_[b + 1]; ++at) {
          const uint32_t k = order_[at];
          const double d = std::hypot(x_[k] - px, y_[k] - py);
          if (d < bestDistance || (d == bestDistance && static_cast<long>(k) < best)) {
            bestDistance = d;
            best = k;
          }
        }
      }
    }
    // Every point outside this ring lies at least `ring` buckets away from
    // the place's bucket, i.e. more than ring * size from the place.
    if (best >= 0 && bestDistance <= ring * size_) break;
  }
  return best;
}

}  // namespace kestrel
