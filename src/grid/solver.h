// Dense linear systems: Gaussian elimination with complete pivoting.
#pragma once

#include <atomic>
#include <cstdint>

namespace kestrel {

// Results of SolveLinearSystem.
enum SolveStatus : int { kSolved = 0, kSingular = 1, kNoPermutation = 2, kStopped = 3 };

// Pivots smaller than this in absolute value (2^-126, the smallest normal
// single-precision number) make the matrix count as singular.
constexpr double kPivotThreshold = 1.1754943508222875e-38;

// Solves A x = b. `a` holds n * n doubles row by row and is destroyed; `b`
// holds n doubles and receives x. Returns kSolved, kSingular (a and b are then
// left in no particular state) or kNoPermutation (no memory for the column
// permutation). A pivot or a solution that is infinite or not a number counts
// as singular too: such a solution is of no use to anyone.
int SolveLinearSystem(double* a, double* b, int32_t n);

// Solves A x = b for `count` right-hand sides b[0] .. b[count-1] with one
// elimination. The pivots depend on A alone, so each solution is exactly the
// one SolveLinearSystem gives for that right-hand side. When `stop` is given
// and becomes true, the elimination ends at its next step with kStopped.
int SolveLinearSystems(double* a, double* const* b, int32_t count, int32_t n, const std::atomic<bool>* stop = nullptr);

// The same on up to `threads` threads (the caller's among them), for large
// systems: every step's rows are shared out, and the result is the same to
// the last bit as on one thread. `stop` as above.
int SolveLinearSystemsOn(double* a, double* const* b, int32_t count, int32_t n, int32_t threads,
                         const std::atomic<bool>* stop = nullptr);

}  // namespace kestrel
