// The boundary of one patch: its graded boundary nodes with the prescribed
// computational coordinates xi and eta, and the boundary-element solution for
// their outward normal derivatives.
//
// xi and eta are harmonic inside the polygon. Along side 1 eta = 0 and xi runs
// from 0 to 1, along side 2 xi = 1, along side 3 eta = 1 and xi runs back to 0,
// along side 4 xi = 0. The boundary is cut into straight elements between
// consecutive nodes with linear shape functions; collocation at the nodes gives
// H u = G q for the prescribed values u and the unknown normal derivatives q.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel {

// The polygon's distinct points, always counter-clockwise.
struct WorkingBoundary {
  int32_t count = 0;  // K
  double* x = nullptr;
  double* y = nullptr;
};

// What SolvePatchBoundary leaves for the placement of the interior nodes:
// f = 2 (ni + nj) nodes, counter-clockwise from corner 1. Nodes 0 .. ni-1 lie
// on side 1, the next nj on side 2, the next ni on side 3, the last nj on
// side 4; element k joins node k to node k + 1 (node f-1 to node 0).
struct BoundarySolution {
  int32_t f = 0;
  double* boundaryX = nullptr;
  double* boundaryY = nullptr;
  double* xi = nullptr;       // prescribed xi
  double* eta = nullptr;      // prescribed eta
  double* xiFlux = nullptr;   // solved outward normal derivative of xi
  double* etaFlux = nullptr;  // the same for eta
};

// The four integrals of one straight element A-B seen from a field point P,
// with the linear shape functions N1 = 1 - s/L (weight of A), N2 = s/L:
//   g_k = integral of N_k (-ln r) ds,  h_k = integral of N_k d(-ln r)/dn ds,
// n being the unit normal on the right of the direction A -> B (outward for a
// counter-clockwise boundary).
struct ElementValues {
  double g1, g2, h1, h2;
};

// The point at fraction t of the arc length of the run of m consecutive
// working points starting at `start` (indices wrap past the end). It needs
// no scratch memory (the running lengths are summed twice instead), so
// `code`, the fatal code of a scratch allocation, is never used.
void ArcPoint(const double* x, const double* y, int32_t count, int32_t start, int32_t m, double t, int code, double& px,
              double& py);

// The closed form of the element integrals. P must not be an end of the
// element; a field point on the element's line off the element gets h = 0.
ElementValues ElementIntegrals(double px, double py, double ax, double ay, double bx, double by);

// Places the boundary nodes of a patch with corners k[0] < k[1] < k[2] < k[3]
// (indices into the working boundary), ni by nj cells and grading exponents a
// (I direction) and b (J direction), and solves for xiFlux and etaFlux.
void SolvePatchBoundary(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                        BoundarySolution& solution);

// The collocation system of the nodes already placed in `solution`: G and H
// (f by f, row-major) receive the single- and double-layer coefficients; the
// diagonal of H makes every row sum to zero.
void AssembleBoundarySystem(const BoundarySolution& solution, double* G, double* H);

// Solves G q = H u for the normal derivatives q of the prescribed values u,
// using A (f by f) and r (f) as scratch; q goes to `flux`. A singular system
// ends the program with `failCode`.
void SolveBoundaryFlux(const double* G, const double* H, const double* u, int32_t f, double* A, double* r, double* flux,
                       int failCode);

// A fatal failure of the long work of step 1. That work may run on several
// threads, and only the calling thread may report, so a failure is recorded
// where it happens and reported by ReportStepFailure once the threads are
// done.
struct StepFailure {
  int code = 0;  // the fatal code; 0 for none
  // For a failed allocation: elements, element size and the system's error.
  std::size_t count = 0;
  std::size_t size = 0;
  long error = 0;
  // The polygon whose patch failed, where the caller knows it; else -1.
  int32_t polygon = -1;
};

// A node that came out infinite or not a number.
constexpr int kNonFiniteNode = 4912;

// True for the failures that come from a polygon's shape rather than from
// the machine: coincident boundary nodes (4649), singular systems (5299,
// 5312, 4909; a system whose solution is not finite counts as singular) and
// nodes that are not finite numbers (kNonFiniteNode). Step 1 reports these
// as a stop of its own and keeps running.
bool IsShapeFailure(int code);

// The message that belongs to a shape failure's code.
const char* ShapeFailureText(int code);

// Ends the program through Abort with the message that belongs to the code.
[[noreturn]] void ReportStepFailure(const StepFailure& failure);

// Allocates the six arrays of a solution for f nodes (Abort on failure).
void AllocateBoundarySolution(int32_t f, BoundarySolution& solution);

struct FieldTable;
struct FieldScratch;

// SolvePatchBoundary without reporting anything and without touching the
// program's state, so that any thread may run it: the six arrays of
// `solution` and the table (for f = 2 (ni + nj) nodes) are allocated by the
// caller; `scratch` must hold at least f nodes. The table is left filled for
// the evaluation of the field. Returns the failure, if any.
StepFailure SolveBoundaryOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                            double b, BoundarySolution& solution, FieldTable& table, FieldScratch& scratch);

// The same on up to `threads` threads (the caller's among them), each with
// scratch[t] of its own; the result does not depend on the number.
StepFailure SolveBoundaryOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                            double b, BoundarySolution& solution, FieldTable& table, FieldScratch* scratch,
                            int32_t threads);

// Frees the arrays of a solution (or of a working boundary) and clears it.
void ReleaseBoundarySolution(BoundarySolution& solution);
void ReleaseWorkingBoundary(WorkingBoundary& boundary);

}  // namespace kestrel
