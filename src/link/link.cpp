#include "link/link.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/buttons.h"
#include "app/report.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/notice.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

EdgeMatch matchTable[kMaxMatches + 1];
int32_t matchCount = 0;
LinkState links;

namespace {

// Set when a Notify has ended the current link command early; every stage
// checks it and unwinds to the finish of the command.
bool linkStopped = false;

// Codes of the "too many overlapping cells" report, by the side codes of p and q.
constexpr int kOverflowCode[4][4] = {
    {5435, 5454, 5473, 5492}, {5518, 5537, 5556, 5575}, {5601, 5620, 5639, 5658}, {5684, 5703, 5722, 5741}};

struct BoundaryEdge {
  int32_t side, i, j;
  double ax, ay, bx, by;
};

// The link tolerance: 1/500 of the diagonal of all polygons' extents.
double LinkTolerance() { return std::hypot(extentXmax - extentXmin, extentYmax - extentYmin) / 500; }

bool HasPatch(int32_t k) { return !IsMaskPolygon(k) && grids.ni[k] > 0 && grids.nj[k] > 0 && grids.x[k] && grids.y[k]; }

double NodeX(int32_t k, int32_t i, int32_t j) { return grids.x[k][NodeIndex(grids.ni[k], i, j)]; }
double NodeY(int32_t k, int32_t i, int32_t j) { return grids.y[k][NodeIndex(grids.ni[k], i, j)]; }

// The boundary edges of patch k in walk order (side 0, 1, 2, 3).
void CollectEdges(int32_t k, std::vector<BoundaryEdge>& edges) {
  edges.clear();
  if (!HasPatch(k)) return;
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  auto add = [&](int32_t side, int32_t pi, int32_t pj, int32_t ai, int32_t aj, int32_t bi, int32_t bj) {
    edges.push_back({side, pi, pj, NodeX(k, ai, aj), NodeY(k, ai, aj), NodeX(k, bi, bj), NodeY(k, bi, bj)});
  };
  for (int32_t i = 0; i < ni; ++i) add(0, i, 0, i, 0, i + 1, 0);
  for (int32_t j = 0; j < nj; ++j) add(1, ni, j, ni, j, ni, j + 1);
  for (int32_t i = ni - 1; i >= 0; --i) add(2, i, nj, i + 1, nj, i, nj);
  for (int32_t j = nj - 1; j >= 0; --j) add(3, 0, j, 0, j + 1, 0, j);
}

// The box around a patch's boundary nodes (empty for a slot without a patch).
struct Box {
  double xmin = HUGE_VAL, xmax = -HUGE_VAL, ymin = HUGE_VAL, ymax = -HUGE_VAL;
};

Box BoundaryBox(int32_t k) {
  Box b;
  if (!HasPatch(k)) return b;
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  auto take = [&](int32_t i, int32_t j) {
    const double x = NodeX(k, i, j), y = NodeY(k, i, j);
    b.xmin = std::min(b.xmin, x);
    b.xmax = std::max(b.xmax, x);
    b.ymin = std::min(b.ymin, y);
    b.ymax = std::max(b.ymax, y);
  };
  for (int32_t i = 0; i <= ni; ++i) {
    take(i, 0);
    take(i, nj);
  }
  for (int32_t j = 0; j <= nj; ++j) {
    take(0, j);
    take(ni, j);
  }
  return b;
}

// Whether two boxes widened by `margin` overlap. A box with a coordinate that
// is not a number meets everything, so such patches are still searched.
bool BoxesMeet(const Box& a, const Box& b, double margin) {
  return !(a.xmax + margin < b.xmin || b.xmax + margin < a.xmin || a.ymax + margin < b.ymin ||
           b.ymax + margin < a.ymin);
}

// Replaces patch k's node arrays by new ones of `ni` x `nj` cells whose node
// (i, j) is the old node source(i, j).
template <typename Source>
void RebuildPatch(int32_t k, int32_t ni, int32_t nj, int codeX, int codeY, Source source) {
  const int32_t oldNi = grids.ni[k];
  const std::size_t n = static_cast<std::size_t>(ni + 1) * static_cast<std::size_t>(nj + 1);
  double* x = AllocArray<double>(codeX, n);
  double* y = AllocArray<double>(codeY, n);
  for (int32_t j = 0; j <= nj; ++j) {
    for (int32_t i = 0; i <= ni; ++i) {
      int32_t oi, oj;
      source(i, j, oi, oj);
      x[NodeIndex(ni, i, j)] = grids.x[k][NodeIndex(oldNi, oi, oj)];
      y[NodeIndex(ni, i, j)] = grids.y[k][NodeIndex(oldNi, oi, oj)];
    }
  }
  FreeBlock(grids.x[k]);
  FreeBlock(grids.y[k]);
  grids.x[k] = x;
  grids.y[k] = y;
  grids.ni[k] = ni;
  grids.nj[k] = nj;
}

// Turns q so that its side kq faces side kp of p (kq = kp + 2 modulo 4).
// Returns false when (kp, kq) is not a pair of side codes.
bool TurnToFace(int32_t q, int kp, int kq) {
  if (kp < 0 || kp > 3 || kq < 0 || kq > 3) return false;
  enum Step { kNone, kRotate, kMirrorI, kMirrorJ, kRotateMirrorI, kRotateMirrorJ };
  static constexpr Step kTurn[4][4] = {
      {kMirrorJ, kRotateMirrorJ, kNone, kRotate},
      {kRotate, kMirrorI, kRotateMirrorI, kNone},
      {kNone, kRotate, kMirrorJ, kRotateMirrorJ},
      {kRotateMirrorI, kNone, kRotate, kMirrorI},
  };
  switch (kTurn[kp][kq]) {
    case kNone:
      break;
    case kRotate:
      RotatePatch(q);
      break;
    case kMirrorI:
      MirrorI(q);
      break;
    case kMirrorJ:
      MirrorJ(q);
      break;
    case kRotateMirrorI:
      RotatePatch(q);
      MirrorI(q);
      break;
    case kRotateMirrorJ:
      RotatePatch(q);
      MirrorJ(q);
      break;
  }
  return true;
}

int BestKp() { return matchCount > 0 ? matchTable[0].kp : -1; }
int BestKq() { return matchCount > 0 ? matchTable[0].kq : -1; }

void StopLink(int code, const std::string& text) {
  ReportProblem(code, text);
  linkStopped = true;
}

// The end of every link command: the buttons and the plot follow the flags.
void FinishLink() {
  UpdateButtons();
  UI().RepaintPlot();
}

void ReleaseIndexArrays() {
  for (int32_t k = 0; k < links.slotCount; ++k) {
    if (links.adjacency) FreeBlock(links.adjacency[k]);
    if (cellMap.cellI) FreeBlock(cellMap.cellI[k]);
    if (cellMap.cellJ) FreeBlock(cellMap.cellJ[k]);
  }
  FreeBlock(links.adjacency);
  FreeBlock(links.hasNeighbour);
  FreeBlock(cellMap.cellI);
  FreeBlock(cellMap.cellJ);
  links = LinkState{};
  cellMap.cellI = nullptr;
  cellMap.cellJ = nullptr;
}

}  // namespace

double EdgeScore(double ax, double ay, double bx, double by, double cx, double cy, double dx, double dy) {
  const double same = std::hypot(ax - cx, ay - cy) + std::hypot(bx - dx, by - dy);
  const double opposite = std::hypot(bx - cx, by - cy) + std::hypot(ax - dx, ay - dy);
  const double tolerance = LinkTolerance();
  const double nearest = same < opposite ? same : opposite;
  if (nearest < tolerance) return same < opposite ? same : -opposite;
  return kNoMatch;
}

namespace {

// Where an end point falls in a square lattice of the link tolerance.
struct LatticeCell {
  int64_t x, y;
  bool operator==(const LatticeCell&) const = default;
};
struct LatticeHash {
  size_t operator()(const LatticeCell& c) const { return std::hash<int64_t>()(c.x * 0x9E3779B97F4A7C15LL ^ c.y); }
};

// Candidate edges of q for the edges of p. Two edges can only match when the
// start point of p's edge lies within the tolerance of one end of q's edge
// (the end-point distance sum is below the tolerance either way round), so
// q's edges are filed under the lattice cells of both their end points and
// each edge of p looks only at the cells around its start point. Two cells
// either way cover every point within the tolerance, whatever the rounding.
class EdgeLattice {
 public:
  // Returns false when the coordinates are too large for the lattice.
  bool Build(const std::vector<BoundaryEdge>& edges, double tolerance) {
    tolerance_ = tolerance;
    cells_.clear();
    for (int32_t k = 0; k < static_cast<int32_t>(edges.size()); ++k) {
      LatticeCell a, b;
      if (!CellOf(edges[k].ax, edges[k].ay, a) || !CellOf(edges[k].bx, edges[k].by, b)) return false;
      cells_[a].push_back(k);
      if (!(b == a)) cells_[b].push_back(k);
    }
    return true;
  }
  // The edges of q that may match an edge of p starting at (x, y), in walk
  // order.
  void Candidates(double x, double y, std::vector<int32_t>& out) const {
    out.clear();
    LatticeCell c;
    if (!CellOf(x, y, c)) return;
    for (int64_t dy = -2; dy <= 2; ++dy) {
      for (int64_t dx = -2; dx <= 2; ++dx) {
        const auto found = cells_.find(LatticeCell{c.x + dx, c.y + dy});
        if (found != cells_.end()) out.insert(out.end(), found->second.begin(), found->second.end());
      }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
  }

 private:
  bool CellOf(double x, double y, LatticeCell& c) const {
    const double u = std::floor(x / tolerance_), v = std::floor(y / tolerance_);
    if (!(std::fabs(u) < 1e15) || !(std::fabs(v) < 1e15)) return false;
    c = LatticeCell{static_cast<int64_t>(u), static_cast<int64_t>(v)};
    return true;
  }
  double tolerance_ = 1;
  std::unordered_map<LatticeCell, std::vector<int32_t>, LatticeHash> cells_;
};

// Appends the match of edges a and b, if they match. Returns false when the
// table overflowed and the link was stopped.
bool Consider(const BoundaryEdge& a, const BoundaryEdge& b) {
  const double score = EdgeScore(a.ax, a.ay, a.bx, a.by, b.ax, b.ay, b.bx, b.by);
  if (!(std::fabs(score) < kMatchLimit)) return true;
  matchTable[matchCount++] = EdgeMatch{a.i, a.j, a.side, b.side, b.i, b.j, score};
  if (matchCount > kMaxMatches) {
    // Patches that coincide along more than a thousand edges are not
    // neighbours but copies of each other: the link cannot go on.
    StopLink(kOverflowCode[a.side][b.side], "too many overlapping cells");
    return false;
  }
  return true;
}

}  // namespace

bool plainEdgeSearch = false;

int MatchPatches(int32_t p, int32_t q) {
  matchCount = 0;
  std::vector<BoundaryEdge> edgesP, edgesQ;
  CollectEdges(p, edgesP);
  CollectEdges(q, edgesQ);
  const double tolerance = LinkTolerance();
  EdgeLattice lattice;
  const bool indexed =
      !plainEdgeSearch && tolerance > 0 && std::isfinite(tolerance) && lattice.Build(edgesQ, tolerance);
  if (indexed) {
    // Only the edges that can match are scored, in the same order as the
    // full search of every pair, so the table comes out the same.
    std::vector<int32_t> candidates;
    for (const BoundaryEdge& a : edgesP) {
      lattice.Candidates(a.ax, a.ay, candidates);
      for (int32_t k : candidates) {
        if (!Consider(a, edgesQ[k])) return -1;
      }
    }
  } else {
    for (const BoundaryEdge& a : edgesP) {
      for (const BoundaryEdge& b : edgesQ) {
        if (!Consider(a, b)) return -1;
      }
    }
  }
  if (matchCount == 0) return -1;
  // Equal scores keep their walk order, so the first matching edge along p
  // drives the placement and a link is the same every time.
  std::stable_sort(matchTable, matchTable + matchCount,
                   [](const EdgeMatch& a, const EdgeMatch& b) { return std::fabs(a.score) < std::fabs(b.score); });
  return matchTable[0].kp;
}

void MirrorI(int32_t k) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  RebuildPatch(k, ni, nj, 5775, 5776, [ni](int32_t i, int32_t j, int32_t& oi, int32_t& oj) {
    oi = ni - i;
    oj = j;
  });
}

void MirrorJ(int32_t k) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  RebuildPatch(k, ni, nj, 5797, 5798, [nj](int32_t i, int32_t j, int32_t& oi, int32_t& oj) {
    oi = i;
    oj = nj - j;
  });
}

void RotatePatch(int32_t k) {
  // Old node (i, j) becomes new node (j, ni - i): new (a, b) is old (ni - b, a).
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  RebuildPatch(k, nj, ni, 5821, 5822, [ni](int32_t a, int32_t b, int32_t& oi, int32_t& oj) {
    oi = ni - b;
    oj = a;
  });
}

void PlacePatch(int32_t k, int32_t I0, int32_t J0) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  for (int32_t j = 0; j < nj; ++j) {
    for (int32_t i = 0; i < ni; ++i) {
      cellMap.cellI[k][j * ni + i] = I0 + i;
      cellMap.cellJ[k][j * ni + i] = J0 + j;
    }
  }
}

bool IsPlaced(int32_t k) { return cellMap.cellI && cellMap.cellI[k] && cellMap.cellI[k][0] != kUnplaced; }

namespace {

// The centre of the cell of patch k that borders the boundary edge at
// position (i, j) of side `side`.
void BorderCellCentre(int32_t k, int side, int32_t i, int32_t j, double& x, double& y) {
  const int32_t ci = side == 1 ? i - 1 : i;
  const int32_t cj = side == 2 ? j - 1 : j;
  x = (NodeX(k, ci, cj) + NodeX(k, ci + 1, cj) + NodeX(k, ci + 1, cj + 1) + NodeX(k, ci, cj + 1)) / 4;
  y = (NodeY(k, ci, cj) + NodeY(k, ci + 1, cj) + NodeY(k, ci + 1, cj + 1) + NodeY(k, ci, cj + 1)) / 4;
}

// The side of the line through boundary edge (side, i, j) of patch k on
// which point (x, y) lies: +1 left, -1 right, 0 on it.
int SideOfEdge(int32_t k, int side, int32_t i, int32_t j, double x, double y) {
  int32_t ai = i, aj = j, bi = i, bj = j;
  if (side == 0 || side == 2) {
    bi = i + 1;
  } else {
    bj = j + 1;
  }
  const double ax = NodeX(k, ai, aj), ay = NodeY(k, ai, aj);
  const double cross = (NodeX(k, bi, bj) - ax) * (y - ay) - (NodeY(k, bi, bj) - ay) * (x - ax);
  return (cross > 0) - (cross < 0);
}

// True when the matched edges of p and q (the match table of the last
// MatchPatches(p, q)) have the cells of both patches on the same side more
// often than on opposite sides: the patches lie on top of each other (a
// copied polygon, say) instead of side by side. Counting every matched edge
// keeps a folded cell or two along a true common side from deciding it.
bool PatchesOverlap(int32_t p, int32_t q) {
  int32_t same = 0, opposite = 0;
  for (int32_t m = 0; m < matchCount; ++m) {
    const EdgeMatch& e = matchTable[m];
    double px, py, qx, qy;
    BorderCellCentre(p, e.kp, e.ip, e.jp, px, py);
    BorderCellCentre(q, e.kq, e.iq, e.jq, qx, qy);
    const int sp = SideOfEdge(p, e.kp, e.ip, e.jp, px, py);
    const int sq = SideOfEdge(p, e.kp, e.ip, e.jp, qx, qy);
    if (sp == 0 || sq == 0) continue;
    (sp == sq ? same : opposite) += 1;
  }
  return same > opposite;
}

}  // namespace

void LinkPatch(int32_t p, int32_t q) {
  for (int pass = 0; pass < 2; ++pass) {
    MatchPatches(p, q);
    if (linkStopped) return;
    if (pass == 0 && PatchesOverlap(p, q)) {
      // Placing q beside p would put the same water into the model twice.
      StopLink(5944, "polygon " + std::to_string(q + 1) + " (" + PolygonAt(q).name + ") lies on top of polygon " +
                         std::to_string(p + 1) + " (" + PolygonAt(p).name +
                         ")\ndelete one of them or correct its outline");
      return;
    }
    if (TurnToFace(q, BestKp(), BestKq())) {
      MatchPatches(p, q);
      if (linkStopped) return;
    }
    if (pass == 0) {
      // Let q's i and j directions run the same way as p's.
      const double iq = NodeX(q, 1, 0) - NodeX(q, 0, 0), iqy = NodeY(q, 1, 0) - NodeY(q, 0, 0);
      const double ip = NodeX(p, 1, 0) - NodeX(p, 0, 0), ipy = NodeY(p, 1, 0) - NodeY(p, 0, 0);
      if (iq * ip + iqy * ipy < 0) {
        MirrorI(q);
        MatchPatches(p, q);
        if (linkStopped) return;
      }
      const double jq = NodeX(q, 0, 1) - NodeX(q, 0, 0), jqy = NodeY(q, 0, 1) - NodeY(q, 0, 0);
      const double jp = NodeX(p, 0, 1) - NodeX(p, 0, 0), jpy = NodeY(p, 0, 1) - NodeY(p, 0, 0);
      if (jq * jp + jqy * jpy < 0) {
        MirrorJ(q);
        MatchPatches(p, q);
        if (linkStopped) return;
      }
    }
    const int kp = BestKp(), kq = BestKq();
    if (kp >= 0 && kq == (kp + 2) % 4) {
      const EdgeMatch& m = matchTable[0];
      const int32_t I0 = cellMap.cellI[p][0], J0 = cellMap.cellJ[p][0];
      switch (kp) {
        case 0:  // q lies below p
          PlacePatch(q, I0 + m.ip - m.iq, J0 - grids.nj[q]);
          break;
        case 1:  // right of p
          PlacePatch(q, I0 + grids.ni[p], J0 + m.jp - m.jq);
          break;
        case 2:  // above p
          PlacePatch(q, I0 + m.ip - m.iq, J0 + grids.nj[p]);
          break;
        default:  // left of p
          PlacePatch(q, I0 - grids.ni[q], J0 + m.jp - m.jq);
          break;
      }
      return;
    }
  }
  // The link cannot place q; the user's work must survive, so this stops the
  // link command instead of the program.
  StopLink(5943, "logic error kp=" + std::to_string(BestKp()) + " kq=" + std::to_string(BestKq()));
}

bool LinkGrids() {
  ReleaseLinkState();
  linkStopped = false;
  ResetProblemCount();

  if (linksValid == 1) {
    linksValid = 0;
    FinishLink();
    return false;
  }
  if (gridsValid == 0 || grids.patchCount != store.polygonCount) {
    ShowStatus("polygons must first be gridded");
    linksValid = 0;
    FinishLink();
    return false;
  }

  const int32_t n = store.polygonCount;
  links.slotCount = n;
  links.adjacency = AllocArray<int32_t*>(5986, n);
  links.hasNeighbour = AllocArray<int32_t>(5987, n);
  for (int32_t k = 0; k < n; ++k) links.adjacency[k] = AllocArray<int32_t>(5989, n);

  // Patches whose outlines stay further apart than the tolerance cannot
  // share an edge: their pair is not searched. The boxes are widened by twice
  // the tolerance so that rounding never hides a pair that would match.
  std::vector<Box> boxes(static_cast<size_t>(n));
  for (int32_t k = 0; k < n; ++k) boxes[k] = BoundaryBox(k);
  const double margin = 2 * LinkTolerance();
  for (int32_t k = 0; k < n && !linkStopped; ++k) {
    for (int32_t l = k + 1; l < n && !linkStopped; ++l) {
      if (!plainEdgeSearch && !BoxesMeet(boxes[k], boxes[l], margin)) continue;
      if (MatchPatches(k, l) >= 0) {
        links.adjacency[k][l] = 1;
        links.hasNeighbour[k] = links.hasNeighbour[l] = 1;
      }
    }
  }
  if (linkStopped) {
    FinishLink();
    return false;
  }

  cellMap.cellI = AllocArray<int32_t*>(6003, n);
  cellMap.cellJ = AllocArray<int32_t*>(6004, n);
  for (int32_t k = 0; k < n; ++k) {
    const std::size_t cells =
        std::max<std::size_t>(1, static_cast<std::size_t>(grids.ni[k]) * static_cast<std::size_t>(grids.nj[k]));
    cellMap.cellI[k] = AllocArray<int32_t>(6007, cells);
    cellMap.cellJ[k] = AllocArray<int32_t>(6008, cells);
    std::fill(cellMap.cellI[k], cellMap.cellI[k] + cells, kUnplaced);
    std::fill(cellMap.cellJ[k], cellMap.cellJ[k] + cells, kUnplaced);
  }

  // The seed: the first patch, turned so that its i direction points towards
  // increasing x and its j direction towards increasing y.
  int32_t seed = -1;
  for (int32_t k = 0; k < n && seed < 0; ++k) {
    if (HasPatch(k)) seed = k;
  }
  if (seed < 0) {
    ShowStatus("polygons must first be gridded");
    FinishLink();
    return false;
  }
  PlacePatch(seed, 0, 0);
  if (NodeX(seed, 1, 0) - NodeX(seed, 0, 0) < 0) MirrorI(seed);
  if (NodeY(seed, 0, 1) - NodeY(seed, 0, 0) < 0) MirrorJ(seed);

  if (n > 1) {
    bool linked = true;
    while (linked && !linkStopped) {
      linked = false;
      for (int32_t k = 0; k < n - 1 && !linkStopped; ++k) {
        if (k == clipPolygon) continue;
        for (int32_t l = k + 1; l < n && !linkStopped; ++l) {
          if (!links.adjacency[k][l]) continue;
          const bool placedK = IsPlaced(k), placedL = IsPlaced(l);
          if (placedK && !placedL) {
            LinkPatch(k, l);
            linked = true;
          } else if (placedL && !placedK) {
            LinkPatch(l, k);
            linked = true;
          }
        }
      }
    }
    if (linkStopped) {
      FinishLink();
      return false;
    }

    std::vector<int32_t> unplaced;
    for (int32_t k = 0; k < n; ++k) {
      if (!IsMaskPolygon(k) && !IsPlaced(k)) unplaced.push_back(k + 1);
    }
    if (!unplaced.empty()) {
      std::string text = "the following polygon";
      text += unplaced.size() == 1 ? " is" : "s are";
      text += " not connected to the rest\n";
      std::vector<std::string> items;
      for (int32_t number : unplaced) items.push_back(" " + std::to_string(number));
      ReportProblem(6077, BoundedList(text, items));
      FinishLink();
      return false;
    }
  }

  // Normalise: the smallest I and the smallest J become 2.
  int32_t minI = INT32_MAX, minJ = INT32_MAX;
  for (int32_t k = 0; k < n; ++k) {
    if (!HasPatch(k)) continue;
    const int32_t cells = grids.ni[k] * grids.nj[k];
    for (int32_t c = 0; c < cells; ++c) {
      minI = std::min(minI, cellMap.cellI[k][c]);
      minJ = std::min(minJ, cellMap.cellJ[k][c]);
    }
  }
  for (int32_t k = 0; k < n; ++k) {
    if (!HasPatch(k)) continue;
    const int32_t cells = grids.ni[k] * grids.nj[k];
    for (int32_t c = 0; c < cells; ++c) {
      cellMap.cellI[k][c] += 2 - minI;
      cellMap.cellJ[k][c] += 2 - minJ;
    }
  }

  const bool mapWritten = BuildOwnerMap();
  FinishLink();
  return mapWritten && linksValid == 1 && ProblemCount() == 0;
}

void ReleaseLinkState() {
  ReleaseIndexArrays();
  ReleaseOwnerMap();
}

void ResetLinkState() {
  ReleaseLinkState();
  matchCount = 0;
  cellMap = CellMap{};
  linkStopped = false;
  ResetProblemCount();
}

}  // namespace kestrel
