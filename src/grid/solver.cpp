#include "grid/solver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

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

// The update of rows from .. to-1 in step m of the elimination: each row
// less its multiple of the pivot row, the right-hand sides alike.
void EliminateRows(double* a, double* const* b, int32_t count, int32_t n, int32_t m, int32_t from, int32_t to) {
  const std::size_t stride = static_cast<std::size_t>(n);
  const double* pivotRow = a + static_cast<std::size_t>(m) * stride;
  const double pivot = pivotRow[m];
  for (int32_t k = from; k < to; ++k) {
    double* row = a + static_cast<std::size_t>(k) * stride;
    const double factor = row[m] / pivot;
    for (int32_t s = 0; s < count; ++s) b[s][k] -= factor * b[s][m];
    // Column m below the pivot is never read again: it keeps the row's
    // largest remaining element for the next step's search.
    row[m] = SubtractRow(row, pivotRow, factor, m + 1, n);
  }
}

// Steps with fewer rows left than this are not shared between threads: the
// hand-over would cost more than the rows.
constexpr int32_t kSharedRows = 96;

// Rows handed out at a time within a step.
constexpr int32_t kRowsPerClaim = 24;

// Returns once `busy` no longer holds: after a short spin (the other threads
// are usually about to finish), asleep until `wake` is signalled. Whoever
// ends the wait changes what `busy` reads, then signals under `lock`.
template <typename Busy>
void AwaitChange(std::mutex& lock, std::condition_variable& wake, Busy busy) {
  for (int spin = 0; spin < 2000; ++spin) {
    if (!busy()) return;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
  std::unique_lock<std::mutex> hold(lock);
  wake.wait(hold, [&] { return !busy(); });
}

// Signals the waiters of AwaitChange.
void Signal(std::mutex& lock, std::condition_variable& wake) {
  { std::lock_guard<std::mutex> hold(lock); }
  wake.notify_all();
}

// The helpers of one elimination. In every step the rows below the pivot are
// handed out in claims of kRowsPerClaim to whichever thread asks first, the
// calling thread among them, so that a helper the system does not run at the
// moment holds up no more than the rows it has claimed. Every row is updated
// exactly as on one thread, so the result is the same to the last bit.
class EliminationTeam {
 public:
  EliminationTeam(double* a, double* const* b, int32_t count, int32_t n, int32_t threads)
      : a_(a), b_(b), count_(count), n_(n) {
    for (int32_t t = 1; t < threads; ++t) {
      try {
        helpers_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        break;  // no more threads to be had
      }
    }
  }
  ~EliminationTeam() {
    quit_.store(true, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    Signal(lock_, wake_);
    for (std::thread& t : helpers_) t.join();
  }
  EliminationTeam(const EliminationTeam&) = delete;
  EliminationTeam& operator=(const EliminationTeam&) = delete;

  bool HasHelpers() const { return !helpers_.empty(); }

  // Step m on every thread that comes; returns when all its rows are done.
  void Eliminate(int32_t m) {
    const int32_t claims = Claims(m);
    done_.store(0, std::memory_order_relaxed);
    // The claim word: the step (plus one) above, the next claim below.
    claim_.store(static_cast<uint64_t>(m + 1) << 32, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    Signal(lock_, wake_);
    while (ClaimAndUpdate()) {
    }
    AwaitChange(lock_, doneWake_, [&] { return done_.load(std::memory_order_acquire) < claims; });
  }

 private:
  int32_t Claims(int32_t m) const { return (n_ - m - 1 + kRowsPerClaim - 1) / kRowsPerClaim; }

  // Takes the next claim of the current step and updates its rows; false
  // when none is left.
  bool ClaimAndUpdate() {
    uint64_t word = claim_.load(std::memory_order_acquire);
    for (;;) {
      const uint64_t step = word >> 32;
      if (step == 0) return false;
      const int32_t m = static_cast<int32_t>(step) - 1;
      const int32_t index = static_cast<int32_t>(word & 0xffffffffu);
      const int32_t claims = Claims(m);
      if (index >= claims) return false;
      if (claim_.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel, std::memory_order_acquire)) {
        const int32_t from = m + 1 + index * kRowsPerClaim;
        EliminateRows(a_, b_, count_, n_, m, from, std::min(from + kRowsPerClaim, n_));
        if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == claims) Signal(lock_, doneWake_);
        return true;
      }
    }
  }

  void Work() {
    // (A helper may start late, even after the end: it must not wait then.)
    int32_t seen = 0;
    for (;;) {
      while (ClaimAndUpdate()) {
      }
      AwaitChange(lock_, wake_, [&] {
        return generation_.load(std::memory_order_acquire) == seen && !quit_.load(std::memory_order_acquire);
      });
      if (quit_.load(std::memory_order_acquire)) return;
      seen = generation_.load(std::memory_order_acquire);
    }
  }

  double* a_;
  double* const* b_;
  int32_t count_, n_;
  std::vector<std::thread> helpers_;
  std::atomic<uint64_t> claim_{0};
  std::atomic<int32_t> done_{0};
  std::atomic<int32_t> generation_{0};
  std::atomic<bool> quit_{false};
  std::mutex lock_;
  std::condition_variable wake_, doneWake_;  // a new step or the end; the last claim done
};

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
  return SolveLinearSystemsOn(a, b, count, n, 1, stop);
}

int SolveLinearSystemsOn(double* a, double* const* b, int32_t count, int32_t n, int32_t threads,
                         const std::atomic<bool>* stop) {
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
  // Helpers only where there are enough rows to share.
  std::unique_ptr<EliminationTeam> team;
  if (threads > 1 && n > 2 * kSharedRows) {
    try {
      team = std::make_unique<EliminationTeam>(a, b, count, n, threads);
    } catch (const std::bad_alloc&) {
      team.reset();  // one thread does it all
    }
    if (team && !team->HasHelpers()) team.reset();
  }

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
    if (team && n - m - 1 >= kSharedRows) {
      team->Eliminate(m);
    } else {
      EliminateRows(a, b, count, n, m, m + 1, n);
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
