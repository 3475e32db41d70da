#include "orthogonal/lattice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "app/report.h"
#include "formats/cnumbers.h"
#include "grid/gridstore.h"
#include "grid/outline.h"
#include "grid/quality.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "store/store.h"

namespace kestrel {

namespace {

// An outline node where the outline turns by more than this stays put: it
// marks a corner of the shape, which cells must not cut.
constexpr double kKinkDegrees = 15;
constexpr double kDegrees = 180.0 / 3.14159265358979323846;

// How strongly a node is held to its share of the way between its
// neighbours, against the pull of orthogonality. Weaker holds gain a little
// orthogonality and make the spacing uneven.
constexpr double kSpacingPull = 0.1;

enum NodeKind : int8_t { kAbsent, kFixed, kFree, kSlide };

// One copy of a lattice node in a patch of the grid store.
struct Copy {
  int32_t patch;
  int32_t index;
};

// A run of the outline between two nodes that stay, through the polygons'
// points: the polyline the nodes between them slide along.
struct Chain {
  std::vector<double> x, y, s;  // vertices and the arc length at each
};

struct Lattice {
  int32_t width = 0, height = 0;  // nodes per row, rows of nodes
  std::vector<int32_t> cell;      // (width - 1) by (height - 1): patch, or -1
  std::vector<double> x, y;       // per node
  std::vector<int8_t> kind;
  std::vector<int32_t> copyStart;  // copies of node g: copies[copyStart[g] .. copyStart[g + 1])
  std::vector<Copy> copies;
  std::vector<char> participates;  // per patch
  // Per node on a chain: the chain, its arc length there, and its
  // neighbours along it.
  std::vector<int32_t> chainOf;
  std::vector<double> param;
  std::vector<int32_t> before, after;
  std::vector<Chain> chains;
  // Where each node sat between its neighbours at the start: along I and
  // along J for a free node, along its chain for a sliding one.
  std::vector<double> ratioI, ratioJ;

  int32_t Node(int32_t I, int32_t J) const { return J * width + I; }
  int32_t Cell(int32_t I, int32_t J) const {
    if (I < 0 || J < 0 || I >= width - 1 || J >= height - 1) return -1;
    return cell[static_cast<std::size_t>(J) * (width - 1) + I];
  }
};

bool HasNodes(int32_t k) { return !IsMaskPolygon(k) && grids.ni[k] > 0 && grids.nj[k] > 0 && grids.x[k] && grids.y[k]; }

// The four edges from node (I, J): to the east, west, north and south
// neighbour, each with the two cells that border it.
struct Edge {
  int32_t dI, dJ;
  int32_t cellA[2], cellB[2];  // cell offsets from (I, J)
  bool alongI;                 // the edge runs along I (its cells' widths are DY)
};
constexpr Edge kEdges[4] = {
    {1, 0, {0, 0}, {0, -1}, true},
    {-1, 0, {-1, 0}, {-1, -1}, true},
    {0, 1, {-1, 0}, {0, 0}, false},
    {0, -1, {-1, -1}, {0, -1}, false},
};

// The cell's mean widths: DX along I, DY along J.
void CellWidths(const Lattice& L, int32_t I, int32_t J, double& dx, double& dy) {
  const int32_t a = L.Node(I, J), b = L.Node(I + 1, J), c = L.Node(I + 1, J + 1), d = L.Node(I, J + 1);
  auto length = [&](int32_t p, int32_t q) {
    const double ux = L.x[q] - L.x[p], uy = L.y[q] - L.y[p];
    return std::sqrt(ux * ux + uy * uy);
  };
  dx = (length(a, b) + length(d, c)) * 0.5;
  dy = (length(a, d) + length(b, c)) * 0.5;
}

CellQuality MeasureLatticeCell(const Lattice& L, int32_t I, int32_t J) {
  const int32_t n[4] = {L.Node(I, J), L.Node(I + 1, J), L.Node(I + 1, J + 1), L.Node(I, J + 1)};
  double x[4], y[4];
  for (int c = 0; c < 4; ++c) {
    x[c] = L.x[n[c]];
    y[c] = L.y[n[c]];
  }
  return MeasureCell(x, y);
}

// Where the polygon's outline passes closest to (px, py), as the arc length
// from its first point; `perimeter` receives the whole length.
double OutlineParameter(const Polygon& p, double px, double py, double& perimeter) {
  double best = HUGE_VAL, at = 0, run = 0;
  for (int32_t k = 0; k + 1 < p.count; ++k) {
    const PolygonPoint& a = p.points[k];
    const PolygonPoint& b = p.points[k + 1];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    double t = length > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / (length * length) : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double d = std::hypot(a.x + t * dx - px, a.y + t * dy - py);
    if (d < best) {
      best = d;
      at = run + t * length;
    }
    run += length;
  }
  perimeter = run;
  return at;
}

// The patch's boundary walk, counter-clockwise in (i, j): side 1 with i
// rising, side 2 with j rising, side 3 with i falling, side 4 with j falling.
std::vector<int32_t> BoundaryWalk(int32_t ni, int32_t nj) {
  std::vector<int32_t> walk;
  for (int32_t i = 0; i < ni; ++i) walk.push_back(NodeIndex(ni, i, 0));
  for (int32_t j = 0; j < nj; ++j) walk.push_back(NodeIndex(ni, ni, j));
  for (int32_t i = ni; i > 0; --i) walk.push_back(NodeIndex(ni, i, nj));
  for (int32_t j = nj; j > 0; --j) walk.push_back(NodeIndex(ni, 0, j));
  return walk;
}

// +1 when the patch's boundary walk follows the order of its polygon's
// points, -1 when it runs against it.
int WalkDirection(int32_t k) {
  const Polygon& p = PolygonAt(k);
  const std::vector<int32_t> walk = BoundaryWalk(grids.ni[k], grids.nj[k]);
  double perimeter = 0, forward = 0;
  std::vector<double> s(walk.size());
  for (std::size_t n = 0; n < walk.size(); ++n) {
    s[n] = OutlineParameter(p, grids.x[k][walk[n]], grids.y[k][walk[n]], perimeter);
  }
  for (std::size_t n = 0; n < walk.size(); ++n) {
    double d = s[(n + 1) % walk.size()] - s[n];
    if (d < 0) d += perimeter;
    forward += d;
  }
  return forward < perimeter * static_cast<double>(walk.size()) / 2 ? 1 : -1;
}

// Whether the boundary edge from local node (ia, ja) to (ib, jb) of an ni by
// nj patch runs with its boundary walk.
bool WithWalk(int32_t ni, int32_t nj, int32_t ia, int32_t ja, int32_t ib, int32_t jb) {
  return (ja == 0 && jb == 0 && ib == ia + 1) || (ia == ni && ib == ni && jb == ja + 1) ||
         (ja == nj && jb == nj && ib == ia - 1) || (ia == 0 && ib == 0 && jb == ja - 1);
}

// Appends to `out` the polygon's points strictly between the outline
// positions sa and sb, going up the point order (or down when `down`).
void PointsBetween(const Polygon& p, double sa, double sb, bool down, std::vector<double>& ox,
                   std::vector<double>& oy) {
  const int32_t K = p.count - 1;
  std::vector<double> at(static_cast<std::size_t>(K));
  double run = 0;
  for (int32_t k = 0; k < K; ++k) {
    at[k] = run;
    run += std::hypot(p.points[k + 1].x - p.points[k].x, p.points[k + 1].y - p.points[k].y);
  }
  const double perimeter = run;
  const double margin = 1e-12 * perimeter;
  // Distance from sa to position s in the direction of travel.
  auto ahead = [&](double s) {
    double d = down ? sa - s : s - sa;
    while (d < 0) d += perimeter;
    while (d >= perimeter) d -= perimeter;
    return d;
  };
  const double span = ahead(sb);
  std::vector<std::pair<double, int32_t>> found;
  for (int32_t k = 0; k < K; ++k) {
    const double d = ahead(at[k]);
    if (d > margin && d < span - margin) found.emplace_back(d, k);
  }
  std::sort(found.begin(), found.end());
  for (const auto& [d, k] : found) {
    ox.push_back(p.points[k].x);
    oy.push_back(p.points[k].y);
  }
}

// The point at arc length s of a chain, and the chain's direction there.
void ChainPoint(const Chain& c, double s, double& px, double& py, double& tx, double& ty) {
  const std::size_t n = c.s.size();
  std::size_t k = static_cast<std::size_t>(std::upper_bound(c.s.begin(), c.s.end(), s) - c.s.begin());
  k = std::clamp<std::size_t>(k, 1, n - 1);
  const double length = c.s[k] - c.s[k - 1];
  const double t = length > 0 ? std::clamp((s - c.s[k - 1]) / length, 0.0, 1.0) : 0;
  px = c.x[k - 1] + (c.x[k] - c.x[k - 1]) * t;
  py = c.y[k - 1] + (c.y[k] - c.y[k - 1]) * t;
  tx = c.x[k] - c.x[k - 1];
  ty = c.y[k] - c.y[k - 1];
  const double norm = std::hypot(tx, ty);
  if (norm > 0) {
    tx /= norm;
    ty /= norm;
  }
}

// Turning of a chain at vertex v, in degrees.
double Turning(const Chain& c, std::size_t v) {
  if (v == 0 || v + 1 >= c.x.size()) return 0;
  const double ux = c.x[v] - c.x[v - 1], uy = c.y[v] - c.y[v - 1];
  const double wx = c.x[v + 1] - c.x[v], wy = c.y[v + 1] - c.y[v];
  if (!(std::hypot(ux, uy) > 0) || !(std::hypot(wx, wy) > 0)) return 0;
  return std::fabs(std::atan2(ux * wy - uy * wx, ux * wx + uy * wy)) * kDegrees;
}

// Arc length of node h as seen from a chain: the ends of a chain belong to
// several chains, so their position comes from their place in this one.
double ParamOn(const Lattice& L, int32_t h, int32_t chain, bool atEnd) {
  if (L.chainOf[h] == chain) return L.param[h];
  return atEnd ? L.chains[chain].s.back() : 0;
}

// The share of the way from a to b at which p lies, measured along the
// chord.
double ShareAlong(const Lattice& L, int32_t a, int32_t p, int32_t b) {
  const double da = std::hypot(L.x[p] - L.x[a], L.y[p] - L.y[a]);
  const double db = std::hypot(L.x[b] - L.x[p], L.y[b] - L.y[p]);
  return da + db > 0 ? da / (da + db) : 0.5;
}

void RecordRatios(Lattice& L) {
  L.ratioI.assign(L.kind.size(), 0.5);
  L.ratioJ.assign(L.kind.size(), 0.5);
  for (int32_t J = 0; J < L.height; ++J) {
    for (int32_t I = 0; I < L.width; ++I) {
      const int32_t g = L.Node(I, J);
      if (L.kind[g] == kFree) {
        L.ratioI[g] = ShareAlong(L, L.Node(I - 1, J), g, L.Node(I + 1, J));
        L.ratioJ[g] = ShareAlong(L, L.Node(I, J - 1), g, L.Node(I, J + 1));
      } else if (L.kind[g] == kSlide) {
        const int32_t c = L.chainOf[g];
        const double lo = ParamOn(L, L.before[g], c, false), hi = ParamOn(L, L.after[g], c, true);
        L.ratioI[g] = hi > lo ? (L.param[g] - lo) / (hi - lo) : 0.5;
      }
    }
  }
}

// Builds the lattice; false with `problem` set when the link's frame does
// not allow it.
bool BuildLattice(Lattice& L, std::string& problem) {
  const int32_t n = std::min(grids.patchCount, links.slotCount);
  if (!cellMap.cellI || !cellMap.cellJ) {
    problem = "the grid is not linked";
    return false;
  }
  int32_t maxI = -1, maxJ = -1;
  for (int32_t k = 0; k < n; ++k) {
    if (!HasNodes(k)) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    const int32_t I0 = cellMap.cellI[k][0], J0 = cellMap.cellJ[k][0];
    if (I0 < 0 || J0 < 0) {
      problem = "a patch is not placed";
      return false;
    }
    for (int32_t j = 0; j < nj; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        if (cellMap.cellI[k][j * ni + i] != I0 + i || cellMap.cellJ[k][j * ni + i] != J0 + j) {
          problem = "polygon " + std::to_string(k + 1) + " is not laid out along the map's I and J";
          return false;
        }
      }
    }
    maxI = std::max(maxI, I0 + ni - 1);
    maxJ = std::max(maxJ, J0 + nj - 1);
  }
  if (maxI < 0) {
    problem = "there is no patch";
    return false;
  }
  L.width = maxI + 2;
  L.height = maxJ + 2;
  const std::size_t nodes = static_cast<std::size_t>(L.width) * L.height;
  L.cell.assign(static_cast<std::size_t>(L.width - 1) * (L.height - 1), -1);
  L.participates.assign(static_cast<std::size_t>(n), 0);
  std::vector<int32_t> count(nodes + 1, 0);
  for (int32_t k = 0; k < n; ++k) {
    if (!HasNodes(k)) continue;
    L.participates[k] = PatchOriginOf(k).method == kConformalMethod;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    const int32_t I0 = cellMap.cellI[k][0], J0 = cellMap.cellJ[k][0];
    for (int32_t j = 0; j < nj; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        int32_t& owner = L.cell[static_cast<std::size_t>(J0 + j) * (L.width - 1) + I0 + i];
        if (owner != -1) {
          problem = "polygons " + std::to_string(owner + 1) + " and " + std::to_string(k + 1) + " overlap";
          return false;
        }
        owner = k;
      }
    }
    for (int32_t j = 0; j <= nj; ++j) {
      for (int32_t i = 0; i <= ni; ++i) ++count[L.Node(I0 + i, J0 + j) + 1];
    }
  }
  L.copyStart.assign(nodes + 1, 0);
  for (std::size_t g = 0; g < nodes; ++g) L.copyStart[g + 1] = L.copyStart[g] + count[g + 1];
  L.copies.resize(static_cast<std::size_t>(L.copyStart[nodes]));
  std::vector<int32_t> next(L.copyStart.begin(), L.copyStart.end() - 1);
  L.x.assign(nodes, 0);
  L.y.assign(nodes, 0);
  for (int32_t k = 0; k < n; ++k) {
    if (!HasNodes(k)) continue;
    const int32_t ni = grids.ni[k], nj = grids.nj[k];
    const int32_t I0 = cellMap.cellI[k][0], J0 = cellMap.cellJ[k][0];
    for (int32_t j = 0; j <= nj; ++j) {
      for (int32_t i = 0; i <= ni; ++i) {
        const int32_t g = L.Node(I0 + i, J0 + j);
        const int32_t index = NodeIndex(ni, i, j);
        L.copies[next[g]++] = {k, index};
        L.x[g] += grids.x[k][index];
        L.y[g] += grids.y[k][index];
      }
    }
  }

  // What each node may do.
  L.kind.assign(nodes, kAbsent);
  for (int32_t J = 0; J < L.height; ++J) {
    for (int32_t I = 0; I < L.width; ++I) {
      const int32_t g = L.Node(I, J);
      const int32_t copies = L.copyStart[g + 1] - L.copyStart[g];
      if (copies == 0) continue;
      L.x[g] /= copies;
      L.y[g] /= copies;
      bool movable = true;
      for (int32_t c = L.copyStart[g]; c < L.copyStart[g + 1]; ++c)
        movable = movable && L.participates[L.copies[c].patch];
      const bool sw = L.Cell(I - 1, J - 1) >= 0, se = L.Cell(I, J - 1) >= 0;
      const bool nw = L.Cell(I - 1, J) >= 0, ne = L.Cell(I, J) >= 0;
      const int cells = sw + se + nw + ne;
      const bool straight = cells == 2 && ((sw && se) || (nw && ne) || (sw && nw) || (se && ne));
      if (movable && cells == 4) {
        L.kind[g] = kFree;
      } else if (movable && straight) {
        L.kind[g] = kSlide;
      } else {
        L.kind[g] = kFixed;
      }
    }
  }

  // The outline: chains of sliding nodes between nodes that stay.
  L.chainOf.assign(nodes, -1);
  L.param.assign(nodes, 0);
  L.before.assign(nodes, -1);
  L.after.assign(nodes, -1);
  std::vector<int> direction(static_cast<std::size_t>(n), 0);
  auto boundaryEdges = [&](int32_t g, int32_t out[4]) {
    const int32_t I = g % L.width, J = g / L.width;
    int found = 0;
    for (const Edge& e : kEdges) {
      const bool a = L.Cell(I + e.cellA[0], J + e.cellA[1]) >= 0;
      const bool b = L.Cell(I + e.cellB[0], J + e.cellB[1]) >= 0;
      if (a != b) out[found++] = L.Node(I + e.dI, J + e.dJ);
    }
    return found;
  };
  // The patch whose cell borders the boundary edge from g to h.
  auto edgeCell = [&](int32_t g, int32_t h) {
    const int32_t I = g % L.width, J = g / L.width;
    for (const Edge& e : kEdges) {
      if (L.Node(I + e.dI, J + e.dJ) != h) continue;
      const int32_t a = L.Cell(I + e.cellA[0], J + e.cellA[1]);
      return a >= 0 ? a : L.Cell(I + e.cellB[0], J + e.cellB[1]);
    }
    return -1;
  };
  for (std::size_t start = 0; start < nodes; ++start) {
    const int32_t g0 = static_cast<int32_t>(start);
    if (L.kind[g0] != kFixed) continue;
    int32_t out[4];
    const int found = boundaryEdges(g0, out);
    for (int e = 0; e < found; ++e) {
      if (L.kind[out[e]] != kSlide || L.chainOf[out[e]] >= 0) continue;
      std::vector<int32_t> run = {g0, out[e]};
      bool ok = true;
      while (L.kind[run.back()] == kSlide && ok) {
        int32_t step[4];
        const int steps = boundaryEdges(run.back(), step);
        ok = steps == 2;
        if (!ok) break;
        const int32_t previous = run[run.size() - 2];
        const int32_t to = step[0] == previous ? step[1] : step[0];
        if (L.kind[to] == kSlide && L.chainOf[to] >= 0) ok = false;
        if (std::find(run.begin(), run.end(), to) != run.end() && to != g0) ok = false;
        run.push_back(to);
        if (to == g0) break;
      }
      const int32_t id = static_cast<int32_t>(L.chains.size());
      if (!ok) {
        for (std::size_t r = 1; r < run.size(); ++r) {
          if (L.kind[run[r]] == kSlide && L.chainOf[run[r]] < 0) L.kind[run[r]] = kFixed;
        }
        continue;
      }
      // The polyline through the nodes and the polygons' points between them.
      Chain chain;
      std::vector<std::size_t> vertex(run.size());
      for (std::size_t r = 0; r < run.size(); ++r) {
        vertex[r] = chain.x.size();
        chain.x.push_back(L.x[run[r]]);
        chain.y.push_back(L.y[run[r]]);
        if (r + 1 == run.size()) break;
        const int32_t a = run[r], b = run[r + 1];
        const int32_t k = edgeCell(a, b);
        if (k < 0) continue;
        if (direction[k] == 0) direction[k] = WalkDirection(k);
        const int32_t ni = grids.ni[k], nj = grids.nj[k];
        const int32_t I0 = cellMap.cellI[k][0], J0 = cellMap.cellJ[k][0];
        const int32_t ia = a % L.width - I0, ja = a / L.width - J0, ib = b % L.width - I0, jb = b / L.width - J0;
        const Polygon& p = PolygonAt(k);
        double perimeter;
        const double sa =
            OutlineParameter(p, grids.x[k][NodeIndex(ni, ia, ja)], grids.y[k][NodeIndex(ni, ia, ja)], perimeter);
        const double sb =
            OutlineParameter(p, grids.x[k][NodeIndex(ni, ib, jb)], grids.y[k][NodeIndex(ni, ib, jb)], perimeter);
        const bool up = WithWalk(ni, nj, ia, ja, ib, jb) == (direction[k] > 0);
        PointsBetween(p, sa, sb, !up, chain.x, chain.y);
      }
      chain.s.assign(chain.x.size(), 0);
      for (std::size_t v = 1; v < chain.x.size(); ++v) {
        chain.s[v] = chain.s[v - 1] + std::hypot(chain.x[v] - chain.x[v - 1], chain.y[v] - chain.y[v - 1]);
      }
      for (std::size_t r = 1; r + 1 < run.size(); ++r) {
        const int32_t g = run[r];
        L.chainOf[g] = id;
        L.param[g] = chain.s[vertex[r]];
        L.before[g] = run[r - 1];
        L.after[g] = run[r + 1];
        if (Turning(chain, vertex[r]) > kKinkDegrees) L.kind[g] = kFixed;
      }
      // The ends' positions along this chain, for their neighbours' limits.
      L.param[run.front()] = 0;
      L.param[run.back()] = chain.s.back();
      L.chains.push_back(std::move(chain));
    }
  }
  for (std::size_t g = 0; g < nodes; ++g) {
    if (L.kind[g] == kSlide && L.chainOf[g] < 0) L.kind[g] = kFixed;
  }
  RecordRatios(L);
  return true;
}

// Whether a cell is folded as MeasureCell judges it (no positive area, or a
// corner of 180 degrees or more), without its angles.
bool Folded(const Lattice& L, int32_t I, int32_t J) {
  const int32_t n[4] = {L.Node(I, J), L.Node(I + 1, J), L.Node(I + 1, J + 1), L.Node(I, J + 1)};
  double area = 0;
  for (int c = 0; c < 4; ++c) {
    const int32_t p = n[(c + 3) % 4], here = n[c], q = n[(c + 1) % 4];
    const double ux = L.x[q] - L.x[here], uy = L.y[q] - L.y[here];
    const double vx = L.x[p] - L.x[here], vy = L.y[p] - L.y[here];
    const double cross = ux * vy - uy * vx, dot = ux * vx + uy * vy;
    if (cross < 0 || (cross == 0 && dot < 0)) return true;
    area += L.x[here] * L.y[q] - L.x[q] * L.y[here];
  }
  return !(area > 0);
}

// Folded cells among the (up to four) cells around node (I, J).
int FoldedAround(const Lattice& L, int32_t I, int32_t J) {
  int folded = 0;
  for (int32_t dJ = -1; dJ <= 0; ++dJ) {
    for (int32_t dI = -1; dI <= 0; ++dI) {
      if (L.Cell(I + dI, J + dJ) >= 0 && Folded(L, I + dI, J + dJ)) ++folded;
    }
  }
  return folded;
}

// One sweep over the nodes that may move.
void Sweep(Lattice& L, double relaxation, double pull) {
  for (int32_t J = 0; J < L.height; ++J) {
    for (int32_t I = 0; I < L.width; ++I) {
      const int32_t g = L.Node(I, J);
      const int8_t kind = L.kind[g];
      if (kind != kFree && kind != kSlide) continue;
      // The widths of the four cells around the node (none where a cell is
      // missing), at [dJ + 1][dI + 1] for the cell (I + dI, J + dJ).
      double widthI[2][2] = {}, widthJ[2][2] = {};
      bool present[2][2];
      for (int32_t dJ = -1; dJ <= 0; ++dJ) {
        for (int32_t dI = -1; dI <= 0; ++dI) {
          present[dJ + 1][dI + 1] = L.Cell(I + dI, J + dJ) >= 0;
          if (present[dJ + 1][dI + 1]) CellWidths(L, I + dI, J + dJ, widthI[dJ + 1][dI + 1], widthJ[dJ + 1][dI + 1]);
        }
      }
      double weights = 0, rx = 0, ry = 0;
      for (const Edge& e : kEdges) {
        double across = 0;
        bool exists = false;
        for (const int32_t* c : {e.cellA, e.cellB}) {
          if (!present[c[1] + 1][c[0] + 1]) continue;
          across += (e.alongI ? widthJ[c[1] + 1][c[0] + 1] : widthI[c[1] + 1][c[0] + 1]) / 2;
          exists = true;
        }
        if (!exists) continue;
        const int32_t h = L.Node(I + e.dI, J + e.dJ);
        const double ex = L.x[h] - L.x[g], ey = L.y[h] - L.y[g];
        const double length = std::sqrt(ex * ex + ey * ey);
        if (!(length > 0)) continue;
        const double w = across / length;
        weights += w;
        rx += w * ex;
        ry += w * ey;
      }
      if (!(weights > 0)) continue;
      // The orthogonal-grid balance leaves a node free to slide along its
      // grid lines (an orthogonal grid stays orthogonal when whole lines
      // shift), so a small pull back towards the node's place between its
      // neighbours keeps the spacing and its grading as they were.
      double mx = (1 - pull) * rx / weights, my = (1 - pull) * ry / weights;
      if (kind == kFree) {
        for (int line = 0; line < 2; ++line) {
          const int32_t a = line == 0 ? L.Node(I - 1, J) : L.Node(I, J - 1);
          const int32_t b = line == 0 ? L.Node(I + 1, J) : L.Node(I, J + 1);
          const double ratio = line == 0 ? L.ratioI[g] : L.ratioJ[g];
          const double ux = L.x[b] - L.x[a], uy = L.y[b] - L.y[a];
          const double length = std::hypot(ux, uy);
          if (!(length > 0)) continue;
          const double ex = ux / length, ey = uy / length;
          const double along = (L.x[a] + ratio * ux - L.x[g]) * ex + (L.y[a] + ratio * uy - L.y[g]) * ey;
          mx += pull * along * ex;
          my += pull * along * ey;
        }
      }
      const double oldX = L.x[g], oldY = L.y[g], oldS = L.param[g];
      const int foldedBefore = FoldedAround(L, I, J);
      double step = relaxation;
      for (int attempt = 0; attempt < 4; ++attempt, step /= 2) {
        if (kind == kFree) {
          L.x[g] = oldX + step * mx;
          L.y[g] = oldY + step * my;
        } else {
          const int32_t c = L.chainOf[g];
          const Chain& chain = L.chains[c];
          double px, py, tx, ty;
          ChainPoint(chain, oldS, px, py, tx, ty);
          const double lo = ParamOn(L, L.before[g], c, false), hi = ParamOn(L, L.after[g], c, true);
          const double margin = (hi - lo) * 0.05;
          const double home = lo + L.ratioI[g] * (hi - lo);
          const double move = (mx * tx + my * ty) + pull * (home - oldS);
          const double s = std::clamp(oldS + step * move, lo + margin, hi - margin);
          L.param[g] = s;
          ChainPoint(chain, s, L.x[g], L.y[g], tx, ty);
        }
        if (FoldedAround(L, I, J) <= foldedBefore) break;
        L.x[g] = oldX;
        L.y[g] = oldY;
        L.param[g] = oldS;
      }
    }
  }
}

struct Measure {
  double mean = 0, largest = 0;
  long cells = 0;
};

Measure MeasureLattice(const Lattice& L) {
  Measure m;
  for (int32_t J = 0; J + 1 < L.height; ++J) {
    for (int32_t I = 0; I + 1 < L.width; ++I) {
      const int32_t k = L.Cell(I, J);
      if (k < 0 || !L.participates[k]) continue;
      const double d = MeasureLatticeCell(L, I, J).orthogonality;
      m.mean += d;
      m.largest = std::max(m.largest, d);
      ++m.cells;
    }
  }
  if (m.cells > 0) m.mean /= static_cast<double>(m.cells);
  return m;
}

// What the sweeps try to lower: the mean deviation, with the largest
// counting too so that a better mean never buys a much worse cell.
double Score(const Measure& m) { return m.mean + m.largest / 20; }

// The share by which the score must fall over a window of checks for the
// sweeps to go on.
constexpr double kLeastGain = 0.01;

}  // namespace

bool LinkedGridAsksOrthogonal() {
  if (!grids.origin) return false;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (!IsMaskPolygon(k) && grids.origin[k].method == kConformalMethod) return true;
  }
  return false;
}

LatticeResult OrthogonaliseLinkedGrid(const LatticeLimits& limits) {
  LatticeResult result;
  Lattice L;
  if (!BuildLattice(L, result.problem)) return result;
  for (std::size_t k = 0; k < L.participates.size(); ++k) result.patches += L.participates[k];
  for (const int8_t kind : L.kind) result.moved += kind == kFree || kind == kSlide;

  const Measure start = MeasureLattice(L);
  result.meanBefore = start.mean;
  result.largestBefore = start.largest;
  std::vector<double> bestX = L.x, bestY = L.y;
  Measure best = start;
  // The best score after every check: the sweeps stop once the last
  // `checksWithoutGain` checks have gained less than kLeastGain together.
  std::vector<double> bestScores = {Score(best)};
  int32_t sweeps = 0;
  while (sweeps < limits.maxSweeps && result.moved > 0) {
    for (int32_t s = 0; s < limits.sweepsPerCheck && sweeps < limits.maxSweeps; ++s, ++sweeps) {
      Sweep(L, 1.0, kSpacingPull);
    }
    const Measure now = MeasureLattice(L);
    if (Score(now) < Score(best)) {
      best = now;
      bestX = L.x;
      bestY = L.y;
    }
    bestScores.push_back(Score(best));
    if (sweeps % (limits.sweepsPerCheck * 10) == 0) {
      ShowStatusF(true, "orthogonalising the linked grid: sweep %i, deviation up to %.2f deg (mean %.3f)", sweeps,
                  best.largest, best.mean);
    }
    const std::size_t window = static_cast<std::size_t>(limits.checksWithoutGain);
    if (bestScores.size() > window &&
        bestScores.back() > bestScores[bestScores.size() - 1 - window] * (1 - kLeastGain)) {
      break;
    }
  }
  result.sweeps = sweeps;
  result.meanAfter = best.mean;
  result.largestAfter = best.largest;

  // Every copy of a node that only orthogonal patches hold takes the new
  // position, so that the patches meet exactly.
  for (std::size_t g = 0; g + 1 < L.copyStart.size(); ++g) {
    if (L.kind[g] == kAbsent) continue;
    bool movable = true;
    for (int32_t c = L.copyStart[g]; c < L.copyStart[g + 1]; ++c)
      movable = movable && L.participates[L.copies[c].patch];
    if (!movable) continue;
    for (int32_t c = L.copyStart[g]; c < L.copyStart[g + 1]; ++c) {
      grids.x[L.copies[c].patch][L.copies[c].index] = bestX[g];
      grids.y[L.copies[c].patch][L.copies[c].index] = bestY[g];
    }
  }
  if (grids.origin) {
    for (std::size_t k = 0; k < L.participates.size(); ++k) {
      if (L.participates[k]) grids.origin[k].orthogonalised = 1;
    }
  }
  result.done = true;
  return result;
}

bool OrthogonaliseAfterLink(std::string& summary) {
  summary.clear();
  if (!LinkedGridAsksOrthogonal()) return true;
  const LatticeResult r = OrthogonaliseLinkedGrid();
  if (!r.done) {
    summary = "; not orthogonalised: " + r.problem;
    return true;
  }
  grids.outlineWritten = WriteGridOutlines() ? 1 : 0;
  bool masked = false;
  for (int32_t k = 0; k < grids.patchCount; ++k) masked = masked || IsMaskPolygon(k);
  if (masked) {
    ReleaseOwnerMap();
    if (!BuildOwnerMap() || !CheckCellGrid() || linksValid != 1) return false;
  }
  char text[160];
  FormatC(text, sizeof text, "; orthogonalised: deviation up to %.2f deg (mean %.3f), was %.2f (mean %.3f)",
          r.largestAfter, r.meanAfter, r.largestBefore, r.meanBefore);
  summary = text;
  return true;
}

}  // namespace kestrel
