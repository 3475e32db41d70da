// Step 2: linking the grid patches of step 1 into one I, J index frame.
//
// Patches are matched along boundary edges whose nodes coincide node for node
// (within 1/1000 of the shorter of the two edges), turned and mirrored in
// place so that each continues the directions of the neighbour it is attached
// to and every patch is right-handed in the map (J is I turned
// counter-clockwise), and every cell gets a global index pair (cellMap.cellI,
// cellMap.cellJ). Sides that come close without meeting node for node, and
// rings of patches that one plane map cannot hold, are reported. The owner
// map and the checks of the linked grid are in link/cellmap.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

// Side codes of a patch, in the counter-clockwise walk around it:
//   0: j = 0, edges (i, 0)-(i+1, 0) for i = 0 .. ni-1, position (i, 0)
//   1: i = ni, edges (ni, j)-(ni, j+1) for j = 0 .. nj-1, position (ni, j)
//   2: j = nj, edges (i+1, nj)-(i, nj) for i = ni-1 .. 0, position (i, nj)
//   3: i = 0, edges (0, j+1)-(0, j) for j = nj-1 .. 0, position (0, j)
// The index running along a side is that of the cell bordering the edge.

// One pairing of a boundary edge of patch p with one of patch q.
struct EdgeMatch {
  int32_t ip, jp;  // position of the edge on p
  int32_t kp;      // side code of the edge on p
  int32_t kq;      // side code of the edge on q
  int32_t iq, jq;  // position of the edge on q
  double score;    // > 0 the edges run the same way, < 0 opposite ways
};

// The matches of the last MatchPatches call, best first; the table grows with
// the length of the common sides.
extern std::vector<EdgeMatch> matchTable;
extern int32_t matchCount;

// Two patches whose sides come close without meeting node for node: they are
// not linked there.
struct NearMiss {
  int32_t p, q;            // polygon numbers, p < q
  int32_t edgesP, edgesQ;  // edges of each that lie along the other
  double offset;           // largest distance of one of their nodes to the nearest node of the other
  double x, y;             // the middle of the first such edge
  bool touching;           // some of them lie on each other: water would meet water through a wall
};

// The link state of the last link command (released by the next one).
struct LinkState {
  int32_t slotCount = 0;            // polygons when the state was allocated
  int32_t** adjacency = nullptr;    // [k][l], k < l: 1 when k and l share an edge
  int32_t* hasNeighbour = nullptr;  // 1 when the patch shares an edge with any other
  // Sides that come close without meeting; after a link, those left are
  // harmless (the two patches are not neighbours in the map there).
  std::vector<NearMiss> nearMisses;
};
extern LinkState links;

// Score of edge A (a to b) against edge B (c to d): the end-point distance
// sum, positive when A and B run the same way, negative when they run
// opposite ways, kNoMatch when their end nodes do not coincide node for node
// (link/seams.h).
double EdgeScore(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy);
constexpr double kNoMatch = 6.805646932770577e+38;
// A score is a match when its magnitude is below this.
constexpr double kMatchLimit = 3.4028234663852886e+38;

// Fills matchTable with every matching pair of boundary edges of p and q and
// returns the side code on p of the best one, or -1 when none match. An edge
// that matches two edges of the other patch (a grid that runs over itself
// along its side) stops the link command with "too many overlapping cells";
// -1 then.
int MatchPatches(int32_t p, int32_t q);

// When set, the edge search scores every pair of patches and every pair of
// their edges instead of only those close enough to match (for tests that
// check the two searches agree). Off by default.
extern bool plainEdgeSearch;

// In-place transforms of patch k's node arrays.
void MirrorI(int32_t k);      // new (i, j) = old (ni - i, j); sides 1 and 3 trade
void MirrorJ(int32_t k);      // new (i, j) = old (i, nj - j); sides 0 and 2 trade
void RotatePatch(int32_t k);  // old (i, j) -> new (j, ni - i); ni and nj swap

// Gives cell (i, j) of patch k the indices I0 + i, J0 + j.
void PlacePatch(int32_t k, int32_t I0, int32_t J0);

// Orients the unplaced patch q against the placed patch p and places it. The
// best matching edge decides: q is mirrored when its edge runs the same way
// as p's (q would be left-handed beside the right-handed p), then turned so
// that its matched side faces p's.
void LinkPatch(int32_t p, int32_t q);

// Twice the area enclosed by the boundary of patch k walked in the order of
// the side codes: positive when the patch is right-handed.
double PatchWalkArea(int32_t k);

// After a link: "" when no sides came close without meeting, else a note
// for the status line naming the first such pair of polygons (they lie apart
// in the map there, which does the water no harm, but the user should know).
std::string NearSidesNote();

// The link command (step 2). Pressed while links are valid it removes them.
// Otherwise it refuses without valid grids ("polygons must first be
// gridded"), links every patch, reports polygons that are not connected and
// rings the map cannot hold, builds the owner map and writes cell.txt and
// cell.html (link/cellmap.h), and reports sides that come close without
// meeting where that would join or part water wrongly.
// Returns true only when this call built a link without any complaint: the
// owner map exists, linksValid is 1, and no Notify was shown (unconnected
// polygons, near sides, a ring, overlapping cells, a grid that runs over
// itself, a patch that cannot be brought to face its neighbour, a cell map
// file that could not be written).
// The command that the user sees is LinkGrids followed by CheckCellGrid.
bool LinkGrids();

// Whether cell (0, 0) of patch k has been given indices.
bool IsPlaced(int32_t k);

// Frees the link state and the cell map (indices and owner map); the counts
// iSize, jSize and activeCount keep their values.
void ReleaseLinkState();

// Back to start-up: everything freed, the counts 0.
void ResetLinkState();

}  // namespace kestrel
