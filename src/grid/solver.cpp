#include "grid/solver.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "grid/vectorise.h"

namespace kestrel {

namespace {

// Small systems (the 2 by 2 Newton steps) keep their permutation on the stack.
constexpr int32_t kStackPermutation = 16;

// Lanes of the running maxima: wide enough for any vector unit.
constexpr int32_t kLanes = 8;

// The largest |row[c]| for c in [from, to), NaN never counting.
KESTREL_VECTOR_CLONES
double RowLargest(const double* row, int32_t from, int32_t to) {
  double lane[kLanes] = {0, 0, 0, 0, 0, 0, 0, 0};
  int32_t c = from;
  for (; c + kLanes <= to; c += kLanes) {
    for (int32_t j = 0; j < kLanes; ++j) {
      const double v = std::fabs(row[c + j]);
      lane[j] = v > lane[j] ? v : lane[j];
    }
  }
  double best = 0;
  for (; c < to; ++c) {
    const double v = std::fabs(row[c]);
    best = v > best ? v : best;
  }
  for (int32_t j = 0; j < kLanes; ++j) best = lane[j] > best ? lane[j] : best;
  return best;
}

// row[l] -= factor * pivot[l] for l in [from, to); returns the largest |row[l]|
// that results, the search for the next pivot done in the same pass.
KESTREL_VECTOR_CLONES
double SubtractRow(double* row, const double* pivot, double factor, int32_t from, int32_t to) {
  double lane[kLanes] = {0, 0, 0, 0, 0, 0, 0, 0};
  int32_t l = from;
  for (; l + kLanes <= to; l += kLanes) {
    for (int32_t j = 0; j < kLanes; ++j) {
      const double v = row[l + j] - factor * pivot[l + j];
      row[l + j] = v;
      const double a = std::fabs(v);
      lane[j] = a > lane[j] ? a : lane[j];
    }
  }
  double best = 0;
  for (; l < to; ++l) {
    const double v = row[l] - factor * pivot[l];
    row[l] = v;
    const double a = std::fabs(v);
    best = a > best ? a : best;
  }
  for (int32_t j = 0; j < kLanes; ++j) best = lane[j] > best ? lane[j] : best;
  return best;
}

// A pivot that is too small, infinite or not a number: an infinite or NaN
// coefficient would only spread through the solution.
bool UnusablePivot(double magnitude) { return !(magnitude >= kPivotThreshold) || std::isinf(magnitude); }

// Whether every solution is finite: one NaN or infinity in the right-hand
// sides or the matrix makes the system as useless as a singular one.
bool FiniteSolutions(double* const* b, int32_t count, int32_t n) {
  for (int32_t s = 0; s < count; ++s) {
    for (int32_t k = 0; k < n; ++k) {
      if (!std::isfinite(b[s][k])) return false;
    }
  }
  return true;
}

}  // namespace

int SolveLinearSystem(double* a, double* b, int32_t n) { return SolveLinearSystems(a, &b, 1, n); }

int SolveLinearSystems(double* a, double* const* b, int32_t count, int32_t n, const std::atomic<bool>* stop) {
  if (n == 1) {
    if (UnusablePivot(std::fabs(a[0]))) return kSingular;
    for (int32_t s = 0; s < count; ++s) b[s][0] = b[s][0] / a[0];
    return FiniteSolutions(b, count, n) ? kSolved : kSingular;
  }
  if (n < 1) return kSolved;

  int32_t stackPerm[kStackPermutation];
  int32_t* perm = stackPerm;
  if (n > kStackPermutation) {
    perm = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * static_cast<std::size_t>(n)));
    if (!perm) return kNoPermutation;
  }
  auto release = [&] {
    if (perm != stackPerm) std::free(perm);
  };
  for (int32_t k = 0; k < n; ++k) perm[k] = k;

  const std::size_t stride = static_cast<std::size_t>(n);
  auto at = [a, stride](int32_t row, int32_t col) -> double& {
    return a[static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(col)];
  };

  // From the second step on, the largest |A[r][c]| over the block's columns
  // c >= m of every row r >= m was found while step m-1 updated the row, and
  // kept in A[r][m-1], left of the block, where elimination no longer reads.
  for (int32_t m = 0; m < n - 1; ++m) {
    if (stop && stop->load(std::memory_order_relaxed)) {
      release();
      return kStopped;
    }
    // The first largest element in row-major order of the remaining block:
    // the first row holding the largest value, and its first such column.
    int32_t pivotRow = m, pivotCol = m;
    double largest = std::fabs(at(m, m));
    if (!std::isnan(largest)) {  // a NaN there stays the pivot
      largest = -1;
      for (int32_t r = m; r < n; ++r) {
        const double v = m == 0 ? RowLargest(&at(r, 0), 0, n) : at(r, m - 1);
        if (v > largest) {
          largest = v;
          pivotRow = r;
        }
      }
      const double* row = &at(pivotRow, 0);
      for (int32_t c = m; c < n; ++c) {
        if (std::fabs(row[c]) == largest) {
          pivotCol = c;
          break;
        }
      }
    }
    if (UnusablePivot(largest)) {
      release();
      return kSingular;
    }
    if (pivotRow != m) {
      for (int32_t c = m; c < n; ++c) std::swap(at(m, c), at(pivotRow, c));
      for (int32_t s = 0; s < count; ++s) std::swap(b[s][m], b[s][pivotRow]);
    }
    if (pivotCol != m) {
      for (int32_t r = 0; r < n; ++r) std::swap(at(r, m), at(r, pivotCol));
      std::swap(perm[m], perm[pivotCol]);
    }
    const double pivot = at(m, m);
    const double* pivotRowData = &at(m, 0);
    for (int32_t k = m + 1; k < n; ++k) {
      double* row = &at(k, 0);
      const double factor = row[m] / pivot;
      for (int32_t s = 0; s < count; ++s) b[s][k] -= factor * b[s][m];
      // Column m below the pivot is never read again: it keeps the row's
      // largest remaining element for the next step's search.
      row[m] = SubtractRow(row, pivotRowData, factor, m + 1, n);
    }
  }
  const double last = at(n - 1, n - 1);
  if (UnusablePivot(std::fabs(last))) {
    release();
    return kSingular;
  }

  // Back substitution, in b itself; then the last row of A, no longer
  // needed, holds the solution while the column exchanges are undone.
  double* y = &at(n - 1, 0);
  for (int32_t s = 0; s < count; ++s) {
    double* x = b[s];
    x[n - 1] = x[n - 1] / last;
    for (int32_t k = n - 2; k >= 0; --k) {
      const double* row = &at(k, 0);
      double sum = 0;
      for (int32_t l = k + 1; l < n; ++l) sum += row[l] * x[l];
      x[k] = (x[k] - sum) / row[k];
    }
    for (int32_t l = 0; l < n; ++l) y[l] = x[l];
    for (int32_t l = 0; l < n; ++l) x[perm[l]] = y[l];
  }
  release();
  return FiniteSolutions(b, count, n) ? kSolved : kSingular;
}

}  // namespace kestrel
