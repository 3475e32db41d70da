// Orthogonalisation of a linked grid as one lattice.
//
// After step 2 every cell of every patch has its place (I, J) in one index
// frame, and the nodes of neighbouring patches coincide along their seams. The
// lattice is the set of nodes of that frame: a node on a seam is one node,
// however many patches hold a copy of it. Nodes inside the lattice move
// freely, nodes on the outline slide along the outline (the polygons' own
// points, not the chords between nodes), and the outline's corners stay.
//
// Each sweep moves every node towards the solution of the orthogonal-grid
// equations with the lagged distortion weights (the elliptic system of
// Ryskin and Leal): node P goes to the weighted mean of its four neighbours,
// each edge weighted by the width of the cells across it over its own length.
// An orthogonal grid satisfies these equations whatever its spacing, so the
// sweeps straighten the angles and leave the spacing, and with it the
// grading, much as it was. On the outline only the component of the same
// balance along the outline is used, which makes the grid lines meet the
// outline at right angles. A move that would fold a cell is shortened or
// skipped. The sweeps stop when the orthogonality has stopped improving, and
// the best lattice seen is the one kept.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

struct LatticeResult {
  bool done = false;                         // false when the lattice could not be built (message in `problem`)
  std::string problem;                       // why not, for the status line
  int32_t patches = 0;                       // patches orthogonalised
  int32_t sweeps = 0;                        // sweeps run
  int32_t moved = 0;                         // nodes free to move or slide
  double meanBefore = 0, largestBefore = 0;  // orthogonality deviation in degrees, over their cells
  double meanAfter = 0, largestAfter = 0;
};

// Limits of the sweeps (tests lower them).
struct LatticeLimits {
  int32_t maxSweeps = 20000;
  int32_t sweepsPerCheck = 10;
  // Stop once this many checks in a row have improved the lattice by less
  // than a hundredth together.
  int32_t checksWithoutGain = 15;
};

// Orthogonalises the patches made in orthogonal mode of the linked grid
// (gridsValid and the cell indices of the last link must be current). Nodes
// that any other patch holds do not move, so those patches keep their nodes
// exactly. Writes the new nodes into every copy of them in the grid store.
// Shows its progress on the status line.
LatticeResult OrthogonaliseLinkedGrid(const LatticeLimits& limits = LatticeLimits{});

// Whether the linked grid holds a patch made in orthogonal mode.
bool LinkedGridAsksOrthogonal();

// The part of step 2 that follows a successful link when the linked grid
// holds orthogonal patches: orthogonalises it, writes the grid outline file
// again and, with a clip or land polygon, rebuilds the owner map and checks
// the linked grid again (cells may have crossed the mask's outline).
// `summary` receives the text for the status line ("" when there was
// nothing to do). Returns false when the linked grid no longer passes.
bool OrthogonaliseAfterLink(std::string& summary);

}  // namespace kestrel
