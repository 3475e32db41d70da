// Step 1, "grid the polygons": decides which polygons can be gridded, settles
// the corners, cell counts and grading of each, builds every patch of the grid
// store and writes the grid outline file. Pressed while the grids are valid,
// it removes them instead.
//
// Polygon names carry the settings: "clip" (any case) names the polygon that
// clips the others' cells, "40 by 25" sets the cell counts and "[1.5,0.8]" the
// grading exponents of the I and J directions.
#pragma once

#include <cstdint>

#include "grid/boundary.h"
#include "store/store.h"

namespace kestrel {

// The command.
void GenerateGrids();

// Cosine of the angle at P between the edges to A and to B; -4 (never a
// corner) when two of the three points coincide.
double VertexCosine(double ax, double ay, double px, double py, double bx, double by);

// The grading exponents are kept within these bounds.
constexpr double kMinGrading = 0.333;
constexpr double kMaxGrading = 3;

// The largest working memory one patch may ask for. Four dense matrices of
// f x f doubles (f = 2 (ni + nj)) grow fast: "5000 by 5000" would need 12 GB.
constexpr double kMaxPatchBytes = 1073741824.0;

// Bytes the solution of an ni by nj patch needs at its peak.
double PatchBytes(double ni, double nj);

// What is settled for one polygon before it is solved.
struct PatchPlan {
  int32_t corners[4];  // indices into the working boundary, ascending
  int32_t ni, nj;
  double a, b;  // grading exponents of the I and J directions
  // An orthogonal patch (grid/conformal.h), and the sides (1 to 4 as 0 to 3)
  // it shares with a neighbour, which keep their arc-length spacing.
  bool orthogonal = false;
  bool held[4] = {false, false, false, false};
};

// The polygon's distinct points counter-clockwise (reversed when stored
// clockwise). Returns true when they were reversed.
bool BuildWorkingBoundary(const Polygon& polygon, WorkingBoundary& boundary);

// Validates the polygon's stored corners (resetting them with a message when
// they are unusable) or chooses the four sharpest vertices, then reads the
// cell counts and grading from the name or works them out from the corners.
// Returns false when fewer than four vertices can serve as corners.
bool PlanPatch(int32_t polygon, const WorkingBoundary& boundary, bool reversed, PatchPlan& plan);

}  // namespace kestrel
