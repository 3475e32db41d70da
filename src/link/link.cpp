#include "link/link.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/buttons.h"
#include "app/report.h"
#include "formats/cnumbers.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/notice.h"
#include "link/seams.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel {

std::vector<EdgeMatch> matchTable;
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
  double Length() const { return std::hypot(bx - ax, by - ay); }
};

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
  const int meet = EdgesMeet(ax, ay, bx, by, cx, cy, dx, dy);
  if (meet > 0) return std::hypot(ax - cx, ay - cy) + std::hypot(bx - dx, by - dy);
  if (meet < 0) return -(std::hypot(bx - cx, by - cy) + std::hypot(ax - dx, ay - dy));
  return kNoMatch;
}

namespace {

double LongestEdge(const std::vector<BoundaryEdge>& edges) {
  double longest = 0;
  for (const BoundaryEdge& e : edges) longest = std::max(longest, e.Length());
  return longest;
}

// Files q's edges in `index`, sized to the longest edge of either patch, so
// that the edges of q near an edge of p can be found without looking at all
// of them. False when the index cannot hold them (coordinates that are not
// finite, a patch of zero size): the caller then looks at every edge.
bool IndexEdges(SegmentIndex& index, const std::vector<BoundaryEdge>& p, const std::vector<BoundaryEdge>& q) {
  if (plainEdgeSearch || !index.Reset(std::max(LongestEdge(p), LongestEdge(q)))) return false;
  for (int32_t k = 0; k < static_cast<int32_t>(q.size()); ++k) {
    if (!index.Add(k, q[k].ax, q[k].ay, q[k].bx, q[k].by)) return false;
  }
  return true;
}

// The edges of q that may lie within `margin` of the box of edge a.
void EdgesNear(const SegmentIndex& index, bool indexed, const BoundaryEdge& a, double margin, size_t count,
               std::vector<int32_t>& out) {
  if (indexed) {
    index.Near(a.ax, a.ay, a.bx, a.by, margin, out);
    return;
  }
  out.resize(count);
  for (size_t k = 0; k < count; ++k) out[k] = static_cast<int32_t>(k);
}

}  // namespace

bool plainEdgeSearch = false;

int MatchPatches(int32_t p, int32_t q) {
  matchTable.clear();
  matchCount = 0;
  std::vector<BoundaryEdge> edgesP, edgesQ;
  CollectEdges(p, edgesP);
  CollectEdges(q, edgesQ);
  SegmentIndex index;
  const bool indexed = IndexEdges(index, edgesP, edgesQ);
  const double reach = std::max(LongestEdge(edgesP), LongestEdge(edgesQ)) * kNodeShare;
  // Every edge of q meets at most one edge of p node for node, and the other
  // way round, unless a grid runs over itself along its side.
  std::vector<char> takenP(edgesP.size()), takenQ(edgesQ.size());
  std::vector<int32_t> candidates;
  for (size_t a = 0; a < edgesP.size(); ++a) {
    const BoundaryEdge& e = edgesP[a];
    EdgesNear(index, indexed, BoundaryEdge{e.side, e.i, e.j, e.ax, e.ay, e.ax, e.ay}, reach, edgesQ.size(), candidates);
    for (int32_t b : candidates) {
      const BoundaryEdge& f = edgesQ[b];
      const double score = EdgeScore(e.ax, e.ay, e.bx, e.by, f.ax, f.ay, f.bx, f.by);
      if (!(std::fabs(score) < kMatchLimit)) continue;
      if (takenP[a] || takenQ[b]) {
        StopLink(kOverflowCode[e.side][f.side], "too many overlapping cells");
        matchCount = static_cast<int32_t>(matchTable.size());
        return -1;
      }
      takenP[a] = takenQ[b] = 1;
      matchTable.push_back(EdgeMatch{e.i, e.j, e.side, f.side, f.i, f.j, score});
    }
  }
  matchCount = static_cast<int32_t>(matchTable.size());
  if (matchCount == 0) return -1;
  // Equal scores keep their walk order, so the first matching edge along p
  // drives the placement and a link is the same every time.
  std::stable_sort(matchTable.begin(), matchTable.end(),
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

namespace {

// The cell of patch k that borders boundary edge (side, i, j).
void BorderCell(int side, int32_t i, int32_t j, int32_t& ci, int32_t& cj) {
  ci = side == 1 ? i - 1 : i;
  cj = side == 2 ? j - 1 : j;
}

// The nodes a boundary edge (side, i, j) runs from and to, in walk order.
void EdgeEnds(int32_t k, int side, int32_t i, int32_t j, int32_t end[4]) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  switch (side) {
    case 0:
      end[0] = i, end[1] = 0, end[2] = i + 1, end[3] = 0;
      break;
    case 1:
      end[0] = ni, end[1] = j, end[2] = ni, end[3] = j + 1;
      break;
    case 2:
      end[0] = i + 1, end[1] = nj, end[2] = i, end[3] = nj;
      break;
    default:
      end[0] = 0, end[1] = j + 1, end[2] = 0, end[3] = j;
      break;
  }
}

std::string Named(int32_t k) { return std::to_string(k + 1) + " (" + PolygonAt(k).name + ")"; }

bool TopOfEachOther(int32_t p, int32_t q) {
  if (!PatchesOverlap(p, q)) return false;
  // Placing q beside p would put the same water into the model twice.
  StopLink(5944, "polygon " + Named(q) + " lies on top of polygon " + Named(p) +
                     "\ndelete one of them or correct its outline");
  return true;
}

}  // namespace

void LinkPatch(int32_t p, int32_t q) {
  MatchPatches(p, q);
  if (linkStopped) return;
  if (matchCount > 0) {
    if (TopOfEachOther(p, q)) return;
    // p lies right-handed in the map, so its boundary walk runs
    // counter-clockwise on the ground. A right-handed q beside it walks the
    // common edge the other way; one that walks it the same way is mirrored
    // along its matched side. Then q is turned until that side faces p's:
    // each turn takes side code s to s - 1.
    const EdgeMatch m = matchTable[0];
    if (!std::signbit(m.score)) {
      if (m.kq == 0 || m.kq == 2) {
        MirrorI(q);
      } else {
        MirrorJ(q);
      }
    }
    for (int turns = ((m.kq - m.kp - 2) % 4 + 4) % 4; turns > 0; --turns) RotatePatch(q);
    MatchPatches(p, q);
    if (linkStopped) return;
    for (const EdgeMatch& e : matchTable) {
      if (e.kq != (e.kp + 2) % 4 || !std::signbit(e.score)) continue;
      const int32_t I0 = cellMap.cellI[p][0], J0 = cellMap.cellJ[p][0];
      switch (e.kp) {
        case 0:  // q lies below p
          PlacePatch(q, I0 + e.ip - e.iq, J0 - grids.nj[q]);
          break;
        case 1:  // right of p
          PlacePatch(q, I0 + grids.ni[p], J0 + e.jp - e.jq);
          break;
        case 2:  // above p
          PlacePatch(q, I0 + e.ip - e.iq, J0 + grids.nj[p]);
          break;
        default:  // left of p
          PlacePatch(q, I0 - grids.ni[q], J0 + e.jp - e.jq);
          break;
      }
      return;
    }
  }
  // The link cannot place q; the user's work must survive, so this stops the
  // link command instead of the program.
  StopLink(5943, "logic error kp=" + std::to_string(BestKp()) + " kq=" + std::to_string(BestKq()));
}

double PatchWalkArea(int32_t k) {
  std::vector<BoundaryEdge> edges;
  CollectEdges(k, edges);
  double area = 0;
  for (const BoundaryEdge& e : edges) area += e.ax * e.by - e.bx * e.ay;
  return area;
}

namespace {

// A boundary edge of p that lies along the boundary of q without meeting one
// of q's edges node for node.
struct NearEdge {
  BoundaryEdge edge;
  double gap;     // largest distance of its ends and middle from q's boundary
  double offset;  // largest distance of its ends from the nearest node of q
};

// Edges lie along another patch's boundary when their ends and middle all
// come within this share of their length of it.
constexpr double kNearShare = 0.25;

// The edges of p that lie along q's boundary but do not meet it node for node.
void NearEdges(int32_t p, int32_t q, std::vector<NearEdge>& out) {
  out.clear();
  std::vector<BoundaryEdge> edgesP, edgesQ;
  CollectEdges(p, edgesP);
  CollectEdges(q, edgesQ);
  SegmentIndex index;
  const bool indexed = IndexEdges(index, edgesP, edgesQ);
  std::vector<int32_t> candidates;
  for (const BoundaryEdge& e : edgesP) {
    const double length = e.Length();
    if (!(length > 0)) continue;
    const double limit = kNearShare * length;
    EdgesNear(index, indexed, e, limit, edgesQ.size(), candidates);
    const double mx = (e.ax + e.bx) / 2, my = (e.ay + e.by) / 2;
    double da = HUGE_VAL, db = HUGE_VAL, dm = HUGE_VAL, na = HUGE_VAL, nb = HUGE_VAL;
    bool meets = false;
    for (int32_t c : candidates) {
      const BoundaryEdge& f = edgesQ[c];
      if (EdgesMeet(e.ax, e.ay, e.bx, e.by, f.ax, f.ay, f.bx, f.by) != 0) {
        meets = true;
        break;
      }
      da = std::min(da, SegmentDistance(e.ax, e.ay, f.ax, f.ay, f.bx, f.by));
      db = std::min(db, SegmentDistance(e.bx, e.by, f.ax, f.ay, f.bx, f.by));
      dm = std::min(dm, SegmentDistance(mx, my, f.ax, f.ay, f.bx, f.by));
      na = std::min({na, std::hypot(e.ax - f.ax, e.ay - f.ay), std::hypot(e.ax - f.bx, e.ay - f.by)});
      nb = std::min({nb, std::hypot(e.bx - f.ax, e.by - f.ay), std::hypot(e.bx - f.bx, e.by - f.by)});
    }
    const double gap = std::max({da, db, dm});
    if (!meets && gap < limit) out.push_back(NearEdge{e, gap, std::max(na, nb)});
  }
}

// What two patches whose sides come close have along each other, or false
// when nothing of either lies along the other.
bool FindNearMiss(int32_t p, int32_t q, NearMiss& miss) {
  std::vector<NearEdge> nearP, nearQ;
  NearEdges(p, q, nearP);
  NearEdges(q, p, nearQ);
  if (nearP.empty() && nearQ.empty()) return false;
  const NearEdge& first = nearP.empty() ? nearQ[0] : nearP[0];
  miss = NearMiss{p,
                  q,
                  static_cast<int32_t>(nearP.size()),
                  static_cast<int32_t>(nearQ.size()),
                  0,
                  (first.edge.ax + first.edge.bx) / 2,
                  (first.edge.ay + first.edge.by) / 2,
                  false};
  for (const std::vector<NearEdge>* side : {&nearP, &nearQ}) {
    for (const NearEdge& e : *side) {
      miss.offset = std::max(miss.offset, e.offset);
      miss.touching = miss.touching || e.gap < e.edge.Length() * kNodeShare;
    }
  }
  return true;
}

std::string DescribeNearMiss(const NearMiss& m) {
  std::string text = "polygons " + Named(m.p) + " and " + Named(m.q) + " come close near x " +
                     FormatCString("%.1f", m.x) + ", y " + FormatCString("%.1f", m.y) +
                     " but their nodes do not meet: ";
  if (m.edgesP != m.edgesQ) {
    text += std::to_string(m.edgesP) + " against " + std::to_string(m.edgesQ) + " cells along the side\n";
  } else {
    text += "nodes up to " + FormatCString("%.1f", m.offset) + " m apart\n";
  }
  return text;
}

}  // namespace

std::string NearSidesNote() {
  if (links.nearMisses.empty()) return "";
  const NearMiss& m = links.nearMisses[0];
  std::string text = "; not linked where sides come close: polygons " + Named(m.p) + " and " + Named(m.q) + " near x " +
                     FormatCString("%.1f", m.x) + ", y " + FormatCString("%.1f", m.y);
  if (links.nearMisses.size() > 1) text += " and " + std::to_string(links.nearMisses.size() - 1) + " more";
  return text;
}

namespace {

// One box for the sides that come close where that matters.
void ReportNearMisses(const std::vector<NearMiss>& misses) {
  if (misses.empty()) return;
  std::vector<std::string> items;
  for (const NearMiss& m : misses) items.push_back(DescribeNearMiss(m));
  items.push_back(
      "sides are linked only where their nodes meet: give the common side the same corners and the same number of "
      "cells in both polygons, or move the polygons apart");
  ReportProblem(6078, BoundedList("", items));
}

// Whether a near side of two placed patches would join or part water wrongly:
// where they touch, water would meet water through a wall; where one lies
// beside the other in the map, water would flow between faces that do not
// meet.
bool NearMissMatters(const NearMiss& m) {
  static constexpr int kStepI[4] = {0, 1, 0, -1}, kStepJ[4] = {-1, 0, 1, 0};
  std::vector<NearEdge> near;
  for (const auto& [p, q] : {std::pair{m.p, m.q}, std::pair{m.q, m.p}}) {
    NearEdges(p, q, near);
    for (const NearEdge& e : near) {
      int32_t ci, cj;
      BorderCell(e.edge.side, e.edge.i, e.edge.j, ci, cj);
      const int32_t I = cellMap.cellI[p][cj * grids.ni[p] + ci], J = cellMap.cellJ[p][cj * grids.ni[p] + ci];
      if (cellMap.owner[J][I] != p) continue;  // no water on p's side
      if (e.gap < e.edge.Length() * kNodeShare) return true;
      const int32_t I1 = I + kStepI[e.edge.side], J1 = J + kStepJ[e.edge.side];
      if (I1 >= 0 && J1 >= 0 && I1 < cellMap.iSize && J1 < cellMap.jSize && cellMap.owner[J1][I1] == q) return true;
    }
  }
  return false;
}

// After every patch is placed: every matched edge between water cells of two
// patches must join the same map nodes from both sides. Where it does not,
// the patches close a ring (or meet twice) in a way one plane I, J map cannot
// hold: their common side would be a wall in the model.
bool RingsClose(int32_t n) {
  for (int32_t k = 0; k < n; ++k) {
    if (IsMaskPolygon(k)) continue;
    for (int32_t l = k + 1; l < n; ++l) {
      if (!links.adjacency[k][l] || IsMaskPolygon(l)) continue;
      MatchPatches(k, l);
      if (linkStopped || TopOfEachOther(k, l)) return false;
      for (const EdgeMatch& m : matchTable) {
        int32_t ck, dk, cl, dl;
        BorderCell(m.kp, m.ip, m.jp, ck, dk);
        BorderCell(m.kq, m.iq, m.jq, cl, dl);
        if (!IsActiveCell(k, ck, dk) || !IsActiveCell(l, cl, dl)) continue;
        int32_t ek[4], el[4];
        EdgeEnds(k, m.kp, m.ip, m.jp, ek);
        EdgeEnds(l, m.kq, m.iq, m.jq, el);
        if (std::signbit(m.score)) {
          std::swap(el[0], el[2]);
          std::swap(el[1], el[3]);
        }
        const int32_t Ik = cellMap.cellI[k][0], Jk = cellMap.cellJ[k][0];
        const int32_t Il = cellMap.cellI[l][0], Jl = cellMap.cellJ[l][0];
        if (Ik + ek[0] == Il + el[0] && Jk + ek[1] == Jl + el[1] && Ik + ek[2] == Il + el[2] &&
            Jk + ek[3] == Jl + el[3]) {
          continue;
        }
        StopLink(6079, "polygons " + Named(k) + " and " + Named(l) +
                           " meet on the ground, but they close a ring of polygons that one I, J map cannot hold: "
                           "their common side would be a wall in the model\ncut the ring between two of its "
                           "polygons, or lay it out as a frame (see Rings in the manual)");
        return false;
      }
    }
  }
  return true;
}

}  // namespace

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

  // Patches whose outlines stay further apart than a quarter of their
  // longest boundary edge can neither share an edge nor come close: their
  // pair is not searched.
  std::vector<Box> boxes(static_cast<size_t>(n));
  std::vector<double> reach(static_cast<size_t>(n));
  std::vector<BoundaryEdge> edges;
  for (int32_t k = 0; k < n; ++k) {
    boxes[k] = BoundaryBox(k);
    CollectEdges(k, edges);
    reach[k] = kNearShare * LongestEdge(edges);
  }
  for (int32_t k = 0; k < n && !linkStopped; ++k) {
    for (int32_t l = k + 1; l < n && !linkStopped; ++l) {
      if (!plainEdgeSearch && !BoxesMeet(boxes[k], boxes[l], 2 * std::max(reach[k], reach[l]))) continue;
      if (MatchPatches(k, l) >= 0) {
        links.adjacency[k][l] = 1;
        links.hasNeighbour[k] = links.hasNeighbour[l] = 1;
      }
      NearMiss miss;
      if (!linkStopped && HasPatch(k) && HasPatch(l) && FindNearMiss(k, l, miss)) links.nearMisses.push_back(miss);
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

  // The seed: the first patch, made right-handed, with its i direction
  // towards increasing x where its first cell allows: turned half round when
  // that cell's i edge points towards -x, and when it is left-handed mirrored
  // in i (then the edge points towards +x) or else in j.
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
  const bool towardsMinusX = NodeX(seed, 1, 0) - NodeX(seed, 0, 0) < 0;
  if (PatchWalkArea(seed) > 0) {
    if (towardsMinusX) {
      MirrorI(seed);
      MirrorJ(seed);
    }
  } else if (towardsMinusX) {
    MirrorI(seed);
  } else {
    MirrorJ(seed);
  }

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
      // Sides that come close without meeting are the usual reason.
      std::vector<NearMiss> reasons;
      for (const NearMiss& m : links.nearMisses) {
        if (!IsPlaced(m.p) || !IsPlaced(m.q)) reasons.push_back(m);
      }
      ReportNearMisses(reasons);
      std::string text = "the following polygon";
      text += unplaced.size() == 1 ? " is" : "s are";
      text += " not connected to the rest\n";
      std::vector<std::string> items;
      for (int32_t number : unplaced) items.push_back(" " + std::to_string(number));
      ReportProblem(6077, BoundedList(text, items));
      FinishLink();
      return false;
    }
    if (!RingsClose(n)) {
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
  if (linksValid == 1) {
    // Near sides that would join or part water wrongly stop the link; the
    // others stay listed for the status line.
    std::vector<NearMiss> matter, harmless;
    for (const NearMiss& m : links.nearMisses) (NearMissMatters(m) ? matter : harmless).push_back(m);
    links.nearMisses = harmless;
    if (!matter.empty()) {
      ReportNearMisses(matter);
      linksValid = 0;
    }
  }
  FinishLink();
  return mapWritten && linksValid == 1 && ProblemCount() == 0;
}

void ReleaseLinkState() {
  ReleaseIndexArrays();
  ReleaseOwnerMap();
}

void ResetLinkState() {
  ReleaseLinkState();
  matchTable.clear();
  matchCount = 0;
  cellMap = CellMap{};
  linkStopped = false;
  ResetProblemCount();
}

}  // namespace kestrel
