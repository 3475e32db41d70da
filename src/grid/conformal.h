// Orthogonal patches: the conformal map of a four-cornered polygon onto a
// rectangle, found on the same kind of boundary elements as the ordinary
// patches.
//
// xi is held at 0 on side 4 and at 1 on side 2, and its normal derivative is
// zero on sides 1 and 3; eta is held at 0 on side 1 and at 1 on side 3 with no
// normal flux through sides 2 and 4. The two solutions are the real part and
// the scaled imaginary part of one conformal map, so their level lines cross
// at right angles. Along sides 1 and 3 xi is not prescribed but solved for,
// and the boundary nodes go where it takes the graded values; likewise eta on
// sides 2 and 4.
//
// A side may instead be held: it keeps the graded arc-length placement of the
// ordinary patches, and the coordinate running along it is prescribed there.
// Step 1 holds the sides a polygon shares with another, so that neighbouring
// patches keep meeting node for node; with every side held the problem is the
// ordinary one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grid/boundary.h"
#include "grid/fieldtable.h"

namespace kestrel {

// Boundary elements per grid interval of a side: the solved coordinate is
// interpolated between element nodes to place the boundary nodes, so a finer
// element mesh than the grid keeps that interpolation below the grid's scale.
constexpr int32_t kConformalRefinement = 2;

// One side of a patch: the run of working points it follows, its cells and
// grading. On sides 1 and 2 the graded fraction counts from the side's first
// corner, on sides 3 and 4 from its last, as for every patch.
struct PatchSide {
  int32_t start = 0;   // working index of its first corner
  int32_t points = 0;  // working points along it, both corners included
  int32_t cells = 0;
  double exponent = 1;
  bool rising = true;
};

// The four sides of a patch with corners k[0] < k[1] < k[2] < k[3] on a
// working boundary of `count` points.
void PatchSides(int32_t count, const int32_t k[4], int32_t ni, int32_t nj, double a, double b, PatchSide sides[4]);

// Arc-length fraction of node n (0 .. cells) of a side in the ordinary
// placement.
double SideFraction(const PatchSide& side, int32_t n);

// Boundary element nodes of an ni by nj orthogonal patch.
int32_t ConformalNodes(int32_t ni, int32_t nj);

// Bytes the solution of an ni by nj orthogonal patch needs at its peak.
double ConformalPatchBytes(double ni, double nj);

// What an orthogonal patch's boundary solve leaves besides the field table.
struct ConformalResult {
  // The conformal modulus: the patch maps onto a rectangle whose sides 2 and
  // 4 are this many times as long as its sides 1 and 3. Square cells take
  // nj / ni = modulus. 0 when a side is held (the map is then not
  // conformal).
  double modulus = 0;
};

// Places the boundary element nodes of a patch with corners k[0] < k[1] <
// k[2] < k[3], ni by nj cells and grading exponents a and b, solves the two
// mixed problems and leaves:
//  - in `solution` (allocated by the caller for 2 (ni + nj) nodes): the
//    patch's boundary nodes in the usual order, with the target values of
//    xi and eta at them (the fluxes are not used and left at 0);
//  - in `table` (allocated for ConformalNodes(ni, nj) nodes): the geometry,
//    values and fluxes of the elements, ready for EvaluateField and the node
//    search.
// held[s] keeps side s + 1 at its arc-length placement. `scratch[0]` must
// hold at least ConformalNodes(ni, nj) nodes; the eliminations run on up to
// `threads` threads (the caller's among them). Allocates its working memory
// itself and reports nothing, so that any thread may run it; returns the
// failure.
StepFailure SolveConformalOn(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a,
                             double b, const bool held[4], BoundarySolution& solution, FieldTable& table,
                             FieldScratch* scratch, int32_t threads, ConformalResult& result);

}  // namespace kestrel
