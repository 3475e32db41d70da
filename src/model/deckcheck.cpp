#include "model/deckcheck.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "app/report.h"
#include "grid/gridstore.h"
#include "grid/quality.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "link/seams.h"
#include "store/store.h"

namespace kestrel {

bool allowFoldedCells = false;

namespace {

struct CellAt {
  int32_t k, i, j;
};

// The longest list of polygons with folded cells in a message: the box holds
// 1023 characters, with the lead and the first cell's text before it.
constexpr size_t kFoldedListLimit = 600;

void Corners(const CellAt& c, double x[4], double y[4]) { CellCornerNodes(c.k, c.i, c.j, x, y); }

int32_t MapI(const CellAt& c) { return cellMap.cellI[c.k][c.j * grids.ni[c.k] + c.i]; }
int32_t MapJ(const CellAt& c) { return cellMap.cellJ[c.k][c.j * grids.ni[c.k] + c.i]; }

std::string Label(const CellAt& c) {
  return "I " + std::to_string(MapI(c) + 1) + ", J " + std::to_string(MapJ(c) + 1) + " of polygon " +
         std::to_string(c.k + 1) + " (" + PolygonAt(c.k).name + ")";
}

std::string PairLabel(const CellAt& a, const CellAt& b) { return "cells " + Label(a) + " and " + Label(b); }

bool Checked(int32_t k) { return k != clipPolygon && grids.ni[k] > 0 && grids.nj[k] > 0; }

// Every water cell in the order of the model files: polygons ascending, rows
// j, within a row i.
template <typename Visit>
bool EveryWaterCell(Visit visit) {
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (!Checked(k)) continue;
    for (int32_t j = 0; j < grids.nj[k]; ++j) {
      for (int32_t i = 0; i < grids.ni[k]; ++i) {
        if (IsActiveCell(k, i, j) && !visit(CellAt{k, i, j})) return false;
      }
    }
  }
  return true;
}

// The water cell at map position (I, J), if any. Patches are placed whole,
// so the owner's cell is found from the position of its cell (0, 0).
bool CellAtPosition(int32_t I, int32_t J, CellAt& c) {
  if (I < 0 || J < 0 || I >= cellMap.iSize || J >= cellMap.jSize) return false;
  const int32_t k = cellMap.owner[J][I];
  if (k < 0) return false;
  c = CellAt{k, I - cellMap.cellI[k][0], J - cellMap.cellJ[k][0]};
  return c.i >= 0 && c.j >= 0 && c.i < grids.ni[k] && c.j < grids.nj[k] && MapI(c) == I && MapJ(c) == J;
}

// Twice the area enclosed by the boundary of patch k, walked with i and j
// counter-clockwise: positive when the patch is right-handed.
double PatchArea(int32_t k) {
  const int32_t ni = grids.ni[k], nj = grids.nj[k];
  std::vector<int32_t> walk;
  for (int32_t i = 0; i < ni; ++i) walk.push_back(NodeIndex(ni, i, 0));
  for (int32_t j = 0; j < nj; ++j) walk.push_back(NodeIndex(ni, ni, j));
  for (int32_t i = ni; i > 0; --i) walk.push_back(NodeIndex(ni, i, nj));
  for (int32_t j = nj; j > 0; --j) walk.push_back(NodeIndex(ni, 0, j));
  double area = 0;
  for (size_t n = 0; n < walk.size(); ++n) {
    const int32_t a = walk[n], b = walk[(n + 1) % walk.size()];
    area += grids.x[k][a] * grids.y[k][b] - grids.x[k][b] * grids.y[k][a];
  }
  return area;
}

std::string CheckFinite() {
  std::string problem;
  EveryWaterCell([&](const CellAt& c) {
    double x[4], y[4];
    Corners(c, x, y);
    for (int n = 0; n < 4; ++n) {
      if (!std::isfinite(x[n]) || !std::isfinite(y[n])) {
        problem = "cell " + Label(c) + " has a corner that is not a finite number";
        return false;
      }
    }
    return true;
  });
  return problem;
}

std::string CheckHandedness() {
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    if (!Checked(k)) continue;
    bool water = false;
    for (int32_t j = 0; j < grids.nj[k] && !water; ++j) {
      for (int32_t i = 0; i < grids.ni[k] && !water; ++i) water = IsActiveCell(k, i, j);
    }
    if (water && !(PatchArea(k) > 0)) {
      return "polygon " + std::to_string(k + 1) + " (" + PolygonAt(k).name +
             ") lies mirrored in the map: its J axis runs clockwise from its I axis";
    }
  }
  return "";
}

// Where the folded cells are when they lie in more than one polygon: each
// polygon with its count and first folded cell, as far as the text stays
// short enough for a message box.
std::string FoldedPolygons(const std::vector<CellAt>& firsts, const std::vector<long>& counts) {
  if (firsts.size() < 2) return "";
  std::string text = "\nfolded cells by polygon:";
  for (size_t n = 0; n < firsts.size(); ++n) {
    const CellAt& c = firsts[n];
    const std::string item = " " + std::to_string(c.k + 1) + " (" + PolygonAt(c.k).name + ") " +
                             std::to_string(counts[n]) + " from I " + std::to_string(MapI(c) + 1) + ", J " +
                             std::to_string(MapJ(c) + 1) + (n + 1 < firsts.size() ? ";" : "");
    if (text.size() + item.size() > kFoldedListLimit) return text + " ...";
    text += item;
  }
  return text;
}

// Folded cells, and the rotation of LXLY.INP on the cells that are not.
std::string CheckCells(bool allowFolded) {
  long folded = 0;
  CellAt first{};
  std::vector<CellAt> firsts;  // the first folded cell of each polygon
  std::vector<long> counts;    // and how many it has
  std::string turned;
  EveryWaterCell([&](const CellAt& c) {
    double x[4], y[4];
    Corners(c, x, y);
    if (MeasureCell(x, y).folded) {
      if (folded++ == 0) first = c;
      if (firsts.empty() || firsts.back().k != c.k) {
        firsts.push_back(c);
        counts.push_back(0);
      }
      ++counts.back();
      return true;
    }
    const CellRotation r = RotationOf(x, y);
    const double iAxisX = (x[1] + x[2]) - (x[0] + x[3]), iAxisY = (y[1] + y[2]) - (y[0] + y[3]);
    const double jAxisX = (x[3] + x[2]) - (x[0] + x[1]), jAxisY = (y[3] + y[2]) - (y[0] + y[1]);
    if (!(r.cue * iAxisX + r.cun * iAxisY > 0) || !(r.cve * jAxisX + r.cvn * jAxisY > 0)) {
      turned = "LXLY.INP would not turn cell " + Label(c) + " along its own I and J axes";
      return false;
    }
    return true;
  });
  if (!turned.empty()) return turned;
  if (folded > 0 && !allowFolded) {
    std::string text = "cell " + Label(first) + " is folded";
    if (folded == 2) text += " (and 1 more cell)";
    if (folded > 2) text += " (and " + std::to_string(folded - 1) + " more cells)";
    return text +
           ": its corners do not run counter-clockwise round a convex cell\n"
           "correct the polygon's outline or its cell counts (see Grid quality)" +
           FoldedPolygons(firsts, counts);
  }
  return "";
}

// Map neighbours (I+1, J) and (I, J+1) of other patches share their face.
std::string CheckMapNeighbours() {
  std::string problem;
  EveryWaterCell([&](const CellAt& a) {
    double ax[4], ay[4];
    Corners(a, ax, ay);
    for (int across = 0; across < 2; ++across) {
      CellAt b;
      if (!CellAtPosition(MapI(a) + (across == 0), MapJ(a) + (across == 1), b) || b.k == a.k) continue;
      double bx[4], by[4];
      Corners(b, bx, by);
      // Across I: a's face P10-P11 is b's P00-P01; across J: P01-P11 is P00-P10.
      const bool meet = across == 0 ? EdgesMeet(ax[1], ay[1], ax[2], ay[2], bx[0], by[0], bx[3], by[3]) == 1
                                    : EdgesMeet(ax[3], ay[3], ax[2], ay[2], bx[0], by[0], bx[1], by[1]) == 1;
      if (!meet) {
        problem = PairLabel(a, b) + " are neighbours in the map but do not share their face on the ground";
        return false;
      }
    }
    return true;
  });
  return problem;
}

// A face of a water cell on the boundary of its patch.
struct Face {
  CellAt cell;
  int side;  // 0 low J, 1 high I, 2 high J, 3 low I
  double ax, ay, bx, by;
};

// Faces of water cells that meet on the ground belong to map neighbours, and
// no two such faces overlap without meeting node for node.
std::string CheckGroundFaces() {
  std::vector<Face> faces;
  double longest = 0;
  EveryWaterCell([&](const CellAt& c) {
    double x[4], y[4];
    Corners(c, x, y);
    const bool onSide[4] = {c.j == 0, c.i == grids.ni[c.k] - 1, c.j == grids.nj[c.k] - 1, c.i == 0};
    // Side s joins corner s to corner s + 1 (P00, P10, P11, P01 in turn).
    for (int s = 0; s < 4; ++s) {
      if (!onSide[s]) continue;
      const int n = (s + 1) % 4;
      faces.push_back(Face{c, s, x[s], y[s], x[n], y[n]});
      longest = std::max(longest, std::hypot(x[n] - x[s], y[n] - y[s]));
    }
    return true;
  });
  SegmentIndex index;
  bool indexed = index.Reset(longest);
  for (int32_t f = 0; f < static_cast<int32_t>(faces.size()) && indexed; ++f) {
    indexed = index.Add(f, faces[f].ax, faces[f].ay, faces[f].bx, faces[f].by);
  }
  static constexpr int kStepI[4] = {0, 1, 0, -1}, kStepJ[4] = {-1, 0, 1, 0};
  std::vector<int32_t> near;
  for (int32_t f = 0; f < static_cast<int32_t>(faces.size()); ++f) {
    const Face& a = faces[f];
    if (indexed) {
      index.Near(a.ax, a.ay, a.bx, a.by, longest * kNodeShare, near);
    } else {
      near.resize(faces.size());
      for (int32_t g = 0; g < static_cast<int32_t>(faces.size()); ++g) near[g] = g;
    }
    for (int32_t g : near) {
      if (g <= f) continue;
      const Face& b = faces[g];
      if (b.cell.k == a.cell.k && b.cell.i == a.cell.i && b.cell.j == a.cell.j) continue;
      if (EdgesMeet(a.ax, a.ay, a.bx, a.by, b.ax, b.ay, b.bx, b.by) != 0) {
        CellAt across;
        const bool neighbours = b.side == (a.side + 2) % 4 &&
                                CellAtPosition(MapI(a.cell) + kStepI[a.side], MapJ(a.cell) + kStepJ[a.side], across) &&
                                across.k == b.cell.k && across.i == b.cell.i && across.j == b.cell.j;
        if (!neighbours) {
          return PairLabel(a.cell, b.cell) +
                 " share a face on the ground but are not neighbours in the map: the model would see a wall "
                 "between them";
        }
      } else if (SegmentsOverlap(a.ax, a.ay, a.bx, a.by, b.ax, b.ay, b.bx, b.by)) {
        return PairLabel(a.cell, b.cell) +
               " touch on the ground along faces whose nodes do not meet: the model would see a wall between them";
      }
    }
  }
  return "";
}

}  // namespace

CellRotation RotationOf(const double x[4], const double y[4]) {
  const double theta = std::atan2((y[1] + y[2]) - (y[0] + y[3]), (x[1] + x[2]) - (x[0] + x[3]));
  return CellRotation{std::cos(theta), -std::sin(theta), std::sin(theta), std::cos(theta)};
}

std::string CheckDeck(bool allowFolded) {
  std::string problem = CheckFinite();
  if (problem.empty()) problem = CheckHandedness();
  if (problem.empty()) problem = CheckCells(allowFolded);
  if (problem.empty()) problem = CheckMapNeighbours();
  if (problem.empty()) problem = CheckGroundFaces();
  return problem;
}

long FoldedWaterCells() {
  long folded = 0;
  EveryWaterCell([&](const CellAt& c) {
    double x[4], y[4];
    Corners(c, x, y);
    folded += MeasureCell(x, y).folded;
    return true;
  });
  return folded;
}

bool DeckPasses(int code, const char* lead) {
  const std::string problem = CheckDeck(allowFoldedCells);
  if (problem.empty()) return true;
  Notify(code, "%s%s", lead, problem.c_str());
  return false;
}

void ResetDeckCheck() { allowFoldedCells = false; }

}  // namespace kestrel
