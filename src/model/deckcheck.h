// The check of the model grid as the model will see it: the linked patches,
// their cell indices and the cell map that the model files are written from.
// Step 2 runs it when the link is made and step 4 before it writes anything,
// so a grid the model cannot use never reaches it.
#pragma once

#include <string>

namespace kestrel {

// When set, folded cells pass the check and are filed as they are, for
// modellers who know what they are doing. Off at start-up.
extern bool allowFoldedCells;

// Checks the current link (LinkIsCurrent must hold):
//  - every corner of every water cell is a finite number;
//  - every polygon lies right-handed in the map: its J axis is its I axis
//    turned counter-clockwise;
//  - every water cell is unfolded: positive area, convex, corners P00, P10,
//    P11, P01 counter-clockwise (skipped when `allowFolded`);
//  - the rotation of LXLY.INP turns each cell's U along its own I axis and V
//    along its J axis;
//  - map neighbours (I+1, J) and (I, J+1) share their face on the ground,
//    node for node;
//  - water cells that share a face on the ground are neighbours in the map,
//    and no two water cells touch along faces whose nodes do not meet.
// Returns "" when all hold, else what fails, naming the first failing cells
// by model I, J, polygon number and name.
std::string CheckDeck(bool allowFolded);

// The water cells of the current link that are folded.
long FoldedWaterCells();

// CheckDeck(allowFoldedCells); when it fails, shows Notify(code) with `lead`
// before the problem and returns false.
bool DeckPasses(int code, const char* lead);

// The rotation LXLY.INP gives a cell with corners P00, P10, P11, P01: its I
// axis runs at the angle theta from the middle of its low-I edge to the
// middle of its high-I edge; CUE, CVE, CUN, CVN = cos, -sin, sin, cos theta.
struct CellRotation {
  double cue, cve, cun, cvn;
};
CellRotation RotationOf(const double x[4], const double y[4]);

// Back to start-up.
void ResetDeckCheck();

}  // namespace kestrel
