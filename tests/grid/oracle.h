// A plain implementation of the numerical core of step 1, written straight
// from the formulas and kept apart from the program: the reference that the
// fast code is checked against (tests) and measured against (benchmarks).
//
// Everything here is deliberately simple: every element evaluation computes
// its own logarithms and angles, the two boundary systems are eliminated one
// after the other, the running lengths of an arc are allocated per call and
// the nodes are placed one after the other on one thread.
#pragma once

#include <cstdint>
#include <vector>

#include "grid/boundary.h"

namespace kestrel::oracle {

// The boundary nodes with their prescribed values and the solved normal
// derivatives of xi and eta. The arrays of `solution` are allocated here
// (free them with ReleaseBoundarySolution). Returns 0, or the fatal code the
// program would end with.
int SolveBoundary(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                  BoundarySolution& solution);

// Every node of the patch, (ni + 1) (nj + 1) of each coordinate, node (i, j)
// at j (ni + 1) + i. Returns 0, or the fatal code the program would end with.
int PlaceNodes(const BoundarySolution& solution, const WorkingBoundary& boundary, int32_t k1, int32_t k2, int32_t ni,
               int32_t nj, double a, double b, double* x, double* y);

// The whole patch of polygon `index` of the store, settled (corners, counts,
// grading) as step 1 settles it. Returns 0 or a fatal code.
struct Patch {
  int32_t ni = 0, nj = 0;
  std::vector<double> x, y;
};
int GridPolygon(int32_t index, Patch& patch);

// Gaussian elimination with complete pivoting, one right-hand side at a time.
int SolveLinearSystem(double* a, double* b, int32_t n);

// xi, eta and their gradients at a point, summed element by element.
void EvaluateField(const BoundarySolution& solution, double px, double py, double out[6]);

}  // namespace kestrel::oracle
