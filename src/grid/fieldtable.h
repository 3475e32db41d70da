// The boundary integral representation of xi and eta evaluated fast: what
// does not depend on the field point is worked out once per patch (element
// lengths, directions, the values and fluxes at the element ends), what does
// is worked out once per boundary node (distance, its logarithm and
// reciprocal, shared by the two elements that meet there), and the elements
// are then summed in one loop that the compiler puts into vector registers.
//
// Nothing here allocates while a point is evaluated, reports to the user or
// ends the program, so that any number of threads may evaluate at once, each
// with a FieldScratch of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grid/boundary.h"
#include "grid/farfield.h"

namespace kestrel {

// xi and eta with their gradients at a point.
struct FieldValue {
  double xi, xiX, xiY;
  double eta, etaX, etaY;
};

// The point-independent part, element e joining node e to node e + 1.
struct FieldTable {
  int32_t f = 0;
  double centreX = 0, centreY = 0;  // mean of the boundary nodes
  double diagonal = 0;              // of the box around the boundary nodes
  // f + 1 node coordinates: node 0 again at the end.
  double* x = nullptr;
  double* y = nullptr;
  // Per element: length, its reciprocal, unit direction.
  double* length = nullptr;
  double* inverse = nullptr;
  double* ex = nullptr;
  double* ey = nullptr;
  // Per element: xi's flux and value at the start, and their change along
  // the element divided by its length; the same for eta.
  double* xiFlux = nullptr;
  double* xiFluxChange = nullptr;
  double* xiValue = nullptr;
  double* xiValueChange = nullptr;
  double* etaFlux = nullptr;
  double* etaFluxChange = nullptr;
  double* etaValue = nullptr;
  double* etaValueChange = nullptr;
  void* block = nullptr;  // holds all of the above
  // The edges by height, for the inside test: band b holds the edges whose
  // height range meets heights bandLow + b / bandScale and up, listed in
  // bandEdges[bandStart[b] .. bandStart[b+1]-1]. Horizontal edges never
  // count and are left out. No bands (when there is no memory for them)
  // means every edge is tested.
  int32_t bands = 0;
  double bandLow = 0, bandScale = 0;
  int32_t* bandStart = nullptr;
  int32_t* bandEdges = nullptr;
  // The runs of elements summed as series where they are far from the
  // field point (none for small patches or when there is no memory).
  FarField far;
};

// Working arrays of one thread, for patches of up to `capacity` nodes.
struct FieldScratch {
  int32_t capacity = 0;
  double* ux = nullptr;  // per node (f + 1): field point less node
  double* uy = nullptr;
  double* r2 = nullptr;  // squared distance, its logarithm and reciprocal
  double* logR2 = nullptr;
  double* invR2 = nullptr;
  double* r2LogR2 = nullptr;  // r^2 ln r^2
  // Per element: the field point's arc position and signed distance in the
  // element's frame, and the angle the element subtends.
  double* along = nullptr;
  double* across = nullptr;
  double* angle = nullptr;
  double* term[6] = {};  // per element: the six contributions
  // The runs summed as series and the element ranges summed in closed
  // form at the point evaluated last (2 capacity + 2 each).
  int32_t* farRuns = nullptr;
  int32_t* ranges = nullptr;
  void* block = nullptr;
};

// Fatal codes of the two allocations (both report "can't allocate memory").
constexpr int kFieldTableCode = 5229;
constexpr int kFieldScratchCode = 5230;

// The failures to report when the allocations below fail for f nodes.
StepFailure FieldTableFailure(int32_t f);
StepFailure FieldScratchFailure(int32_t f);

// Allocates the table of an f-node boundary (false when there is no memory).
bool AllocateFieldTable(int32_t f, FieldTable& table);
void ReleaseFieldTable(FieldTable& table);
bool AllocateFieldScratch(int32_t capacity, FieldScratch& scratch);
void ReleaseFieldScratch(FieldScratch& scratch);

// Fills the geometry of the table from the boundary nodes of `solution`.
void SetFieldGeometry(const BoundarySolution& solution, FieldTable& table);
// Fills the values and fluxes (after the boundary system is solved), and
// the series of the far field from them. Any boundary values and fluxes
// will do; a caller that fills the per-element arrays of the table itself
// (values or fluxes that jump at the nodes) calls SetFarFieldValues after.
void SetFieldValues(const BoundarySolution& solution, FieldTable& table);

// xi, eta and their gradients at (px, py).
FieldValue EvaluateField(const FieldTable& table, FieldScratch& scratch, double px, double py);

// The even-odd test of PointInBoundary on the table's nodes.
int InsideBoundary(const FieldTable& table, double px, double py);

// The element integrals g1, g2, h1, h2 of every element seen from boundary
// node p, into scratch.term[0..3]. The two elements that meet at p get
// meaningless values: their integrals are singular and taken separately.
void CollocationTerms(const FieldTable& table, FieldScratch& scratch, int32_t p);

}  // namespace kestrel
