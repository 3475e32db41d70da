// The interior nodes of a patch: every node (i, j) is the point where the
// harmonic coordinates take the graded values xi = (i/ni)^a, eta = (j/nj)^b,
// found by a damped Newton search on the boundary integral representation.
#pragma once

#include <cstdint>

#include "grid/boundary.h"

namespace kestrel {

// The twelve values of FieldIntegrals, in this order.
enum FieldIndex { kG1, kG1x, kG1y, kG2, kG2x, kG2y, kH1, kH1x, kH1y, kH2, kH2x, kH2y, kFieldValues };

// The element integrals of ElementIntegrals with their gradients with respect
// to the field point P, all in closed form. P may lie on the element's line
// off the element.
void FieldIntegrals(double px, double py, double ax, double ay, double bx, double by, double out[kFieldValues]);

// xi and eta with their gradients at an interior point.
struct FieldValue {
  double xi, xiX, xiY;
  double eta, etaX, etaY;
};
FieldValue EvaluateField(const BoundarySolution& solution, double px, double py);

// Even-odd test of (px, py) against the f boundary nodes as a closed polygon.
int PointInBoundary(const double* boundaryX, const double* boundaryY, int32_t f, double px, double py);

// Moves (px, py) to the point where xi and eta take the targets: 32 damped
// Newton steps, each shortened until it stays inside the boundary.
void LocateNode(const BoundarySolution& solution, double xiTarget, double etaTarget, double& px, double& py);

// Allocates and fills the node arrays of patch `slot` of the grid store: the
// boundary nodes on its perimeter, every interior node by LocateNode, seeded
// column by column from side 1 (corners k1 to k2 of the working boundary).
void PlacePatchNodes(int32_t slot, const BoundarySolution& solution, const WorkingBoundary& boundary, int32_t k1,
                     int32_t k2, int32_t ni, int32_t nj, double a, double b);

}  // namespace kestrel
