#include "grid/solver.h"

#include <cmath>
#include <cstdlib>
#include <utility>

namespace kestrel {

namespace {

// Small systems (the 2 by 2 Newton steps) keep their permutation on the stack.
constexpr int32_t kStackPermutation = 16;

}  // namespace

int SolveLinearSystem(double* a, double* b, int32_t n) {
  if (n == 1) {
    if (std::fabs(a[0]) < kPivotThreshold) return kSingular;
    b[0] = b[0] / a[0];
    return kSolved;
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

  auto at = [a, n](int32_t row, int32_t col) -> double& {
    return a[static_cast<std::size_t>(row) * static_cast<std::size_t>(n) + static_cast<std::size_t>(col)];
  };

  for (int32_t m = 0; m < n - 1; ++m) {
    // The first largest element in row-major order of the remaining block.
    int32_t pivotRow = m, pivotCol = m;
    double largest = std::fabs(at(m, m));
    for (int32_t r = m; r < n; ++r) {
      const double* row = &at(r, 0);
      for (int32_t c = m; c < n; ++c) {
        const double v = std::fabs(row[c]);
        if (v > largest) {
          largest = v;
          pivotRow = r;
          pivotCol = c;
        }
      }
    }
    if (largest < kPivotThreshold) {
      release();
      return kSingular;
    }
    if (pivotRow != m) {
      for (int32_t c = m; c < n; ++c) std::swap(at(m, c), at(pivotRow, c));
      std::swap(b[m], b[pivotRow]);
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
      b[k] -= factor * b[m];
      for (int32_t l = m + 1; l < n; ++l) row[l] -= factor * pivotRowData[l];
    }
  }
  if (std::fabs(at(n - 1, n - 1)) < kPivotThreshold) {
    release();
    return kSingular;
  }

  // Back substitution; the last row of A, no longer needed, holds y.
  double* y = &at(n - 1, 0);
  y[n - 1] = b[n - 1] / at(n - 1, n - 1);
  for (int32_t k = n - 2; k >= 0; --k) {
    const double* row = &at(k, 0);
    double sum = 0;
    for (int32_t l = k + 1; l < n; ++l) sum += row[l] * y[l];
    y[k] = (b[k] - sum) / row[k];
  }
  // y is in the order of the exchanged columns.
  for (int32_t l = 0; l < n; ++l) b[perm[l]] = y[l];
  release();
  return kSolved;
}

}  // namespace kestrel
