// The interior nodes of a patch: every node (i, j) is the point where the
// harmonic coordinates take the graded values xi = (i/ni)^a, eta = (j/nj)^b,
// found by a damped Newton search on the boundary integral representation.
#pragma once

#include <cstdint>
#include <functional>

#include "grid/boundary.h"
#include "grid/fieldtable.h"

namespace kestrel {

// The twelve values of FieldIntegrals, in this order.
enum FieldIndex { kG1, kG1x, kG1y, kG2, kG2x, kG2y, kH1, kH1x, kH1y, kH2, kH2x, kH2y, kFieldValues };

// The element integrals of ElementIntegrals with their gradients with respect
// to the field point P, all in closed form. P may lie on the element's line
// off the element.
void FieldIntegrals(double px, double py, double ax, double ay, double bx, double by, double out[kFieldValues]);

// xi and eta with their gradients at an interior point. (This builds the
// field table for the one evaluation; the placement of the nodes uses the
// table directly.)
FieldValue EvaluateField(const BoundarySolution& solution, double px, double py);

// Even-odd test of (px, py) against the f boundary nodes as a closed polygon.
int PointInBoundary(const double* boundaryX, const double* boundaryY, int32_t f, double px, double py);

// Moves (px, py) to the point where xi and eta take the targets: where 32
// damped Newton steps lead, each at most half the Newton step and shortened
// until it stays inside the boundary, starting a little towards the centre
// (PullTowardsCentre).
void LocateNode(const BoundarySolution& solution, double xiTarget, double etaTarget, double& px, double& py);

// The same with the patch's field table and this thread's scratch: allocates
// nothing and reports nothing; returns 0, or 4909 for a singular Newton step.
// The steps are followed only until each is half the one before; where they
// lead from there is worked out from the root, found by whole Newton steps
// (see interior.cpp). The node lands within rounding of where all 32 steps
// would put it.
int LocateNode(const FieldTable& table, FieldScratch& scratch, double xiTarget, double etaTarget, double& px,
               double& py);

// All 32 damped steps, one after the other (what LocateNode reproduces).
int LocateNodeStepByStep(const FieldTable& table, FieldScratch& scratch, double xiTarget, double etaTarget, double& px,
                         double& py);

// Where a search starts from a point on or inside the boundary: a hundredth
// of the way from it towards the centroid of the boundary nodes, off the
// boundary; a shorter move (halved again and again) where that one would
// leave the polygon, and no move when none stays inside.
void PullTowardsCentre(const FieldTable& table, double& px, double& py);

// Allocates and fills the node arrays of patch `slot` of the grid store: the
// boundary nodes on its perimeter, every interior node by LocateNode, seeded
// column by column from side 1 (corners k1 to k2 of the working boundary).
// The columns are placed on all threads.
void PlacePatchNodes(int32_t slot, const BoundarySolution& solution, const WorkingBoundary& boundary, int32_t k1,
                     int32_t k2, int32_t ni, int32_t nj, double a, double b);

// Copies the boundary nodes onto the perimeter of a patch's node arrays.
void PlacePerimeter(const BoundarySolution& solution, int32_t ni, int32_t nj, double* x, double* y);

// The interior of one patch, for PlaceInteriors.
struct InteriorJob {
  const FieldTable* table = nullptr;
  const WorkingBoundary* boundary = nullptr;
  int32_t k1 = 0, k2 = 0;  // side 1 of the working boundary, for the seeds
  int32_t ni = 0, nj = 0;
  double a = 1, b = 1;
  double* x = nullptr;  // the patch's node arrays, perimeter already placed
  double* y = nullptr;
};

// Places the interior columns of every job on up to `threads` threads, each
// column by itself (its nodes seed one another from side 1 upwards), so the
// results do not depend on the number of threads. `scratch` holds one
// FieldScratch per thread, large enough for every job. Before the first
// column and while the columns are placed the calling thread calls
// progress(job, placed, share) with the job of the latest column begun, the
// columns of that job placed so far and the share of all the jobs' work done
// (0 to 1); at the end it is called once with (count, 0, 1). Between nodes
// every column looks at the stop flag (grid/stop.h) and ends with
// kStoppedByUser once it is raised. Returns the failure of the first column in
// job and column order that failed, if any, with `polygon` holding the index
// of its job.
StepFailure PlaceInteriors(const InteriorJob* jobs, int32_t count, FieldScratch* scratch, int32_t threads,
                           const std::function<void(int32_t job, int32_t placed, double share)>& progress);

}  // namespace kestrel
