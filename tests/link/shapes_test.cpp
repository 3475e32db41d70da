// Linked grids judged as the model reads them: the shapes of river models
// that used to reach the model mirrored, walled or torn, through steps 1, 2
// and 4, and random layouts of turned and mirrored patches.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "grid/driver.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/deckcheck.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

using Outline = std::vector<Corner>;
constexpr double kPi = 3.14159265358979323846;

// What is wrong with CORNERS.INP as the model reads it, or "": every cell's
// corners run counter-clockwise round a convex cell (so J is I turned
// counter-clockwise), map neighbours share their face node for node, and
// cells that share a face on the ground are map neighbours.
std::string JudgeCorners(const std::string& text) {
  struct Cell {
    double x[4], y[4];
  };
  std::map<std::pair<int, int>, Cell> cells;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '*') continue;
    std::istringstream fields(line);
    int I, J;
    Cell c;
    fields >> I >> J;
    for (int k = 0; k < 4; ++k) fields >> c.x[k] >> c.y[k];
    cells[{I, J}] = c;
  }
  if (cells.empty()) return "no cells";
  auto near = [](double ax, double ay, double bx, double by) { return std::hypot(ax - bx, ay - by) < 0.11; };
  // Faces on the ground, keyed by their end points rounded to half a metre.
  std::map<std::vector<long long>, std::vector<std::pair<int, int>>> faces;
  for (const auto& [at, c] : cells) {
    const std::string where = "cell " + std::to_string(at.first) + "," + std::to_string(at.second);
    for (int k = 0; k < 4; ++k) {
      const int a = (k + 3) % 4, b = (k + 1) % 4;
      const double cross = (c.x[k] - c.x[a]) * (c.y[b] - c.y[k]) - (c.y[k] - c.y[a]) * (c.x[b] - c.x[k]);
      if (!(cross > 0)) return where + " is not counter-clockwise and convex";
      std::vector<long long> key{std::llround(c.x[k] * 2), std::llround(c.y[k] * 2), std::llround(c.x[b] * 2),
                                 std::llround(c.y[b] * 2)};
      if (std::make_pair(key[0], key[1]) > std::make_pair(key[2], key[3])) {
        std::swap(key[0], key[2]);
        std::swap(key[1], key[3]);
      }
      faces[key].push_back(at);
    }
    const auto east = cells.find({at.first + 1, at.second});
    if (east != cells.end() && !(near(c.x[1], c.y[1], east->second.x[0], east->second.y[0]) &&
                                 near(c.x[2], c.y[2], east->second.x[3], east->second.y[3]))) {
      return where + " and its I neighbour do not meet";
    }
    const auto north = cells.find({at.first, at.second + 1});
    if (north != cells.end() && !(near(c.x[3], c.y[3], north->second.x[0], north->second.y[0]) &&
                                  near(c.x[2], c.y[2], north->second.x[1], north->second.y[1]))) {
      return where + " and its J neighbour do not meet";
    }
  }
  for (const auto& [key, owners] : faces) {
    if (owners.size() > 2) return "a face of three cells";
    if (owners.size() == 2 &&
        std::abs(owners[0].first - owners[1].first) + std::abs(owners[0].second - owners[1].second) != 1) {
      return "cells " + std::to_string(owners[0].first) + "," + std::to_string(owners[0].second) + " and " +
             std::to_string(owners[1].first) + "," + std::to_string(owners[1].second) +
             " meet on the ground but not in the map";
    }
  }
  return "";
}

// The lines of CORNERS.INP for the current link: model I, J and the corners
// P00, P10, P11, P01 of every water cell.
std::string CornerLines() {
  std::ostringstream out;
  out.precision(12);
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    for (int j = 0; j < grids.nj[k]; ++j) {
      for (int i = 0; i < grids.ni[k]; ++i) {
        const int c = j * grids.ni[k] + i;
        out << cellMap.cellI[k][c] + 1 << ' ' << cellMap.cellJ[k][c] + 1;
        for (const auto& [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
          out << ' ' << NodeXOf(k, i + di, j + dj) << ' ' << NodeYOf(k, i + di, j + dj);
        }
        out << '\n';
      }
    }
  }
  return out.str();
}

// An annular sector round (cx, cy) from angle a0 to a1 (degrees, counter-
// clockwise), outer arc first; `steps` chords per arc.
Outline Sector(double cx, double cy, double r0, double r1, double a0, double a1, int steps) {
  Outline outline;
  for (int k = 0; k <= steps; ++k) {
    const double a = (a0 + (a1 - a0) * k / steps) * kPi / 180;
    outline.push_back({cx + r1 * std::cos(a), cy + r1 * std::sin(a)});
  }
  for (int k = steps; k >= 0; --k) {
    const double a = (a0 + (a1 - a0) * k / steps) * kPi / 180;
    outline.push_back({cx + r0 * std::cos(a), cy + r0 * std::sin(a)});
  }
  return outline;
}

Outline Box(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

// The outline traced clockwise and from another point.
Outline Traced(Outline outline, bool clockwise, int start) {
  if (clockwise) std::reverse(outline.begin(), outline.end());
  std::rotate(outline.begin(), outline.begin() + start % outline.size(), outline.end());
  return outline;
}

class LinkedShapesTest : public FolderTest {
 protected:
  // Steps 1, 2 and 4 on the polygons in the store. A deck that is filed must
  // pass the self-check and the judgement of its corner file; one that is
  // not filed must leave no model file behind and have said why.
  bool GridLinkAndFile() {
    std::filesystem::remove(dir.File("EFDC.INP"));
    std::filesystem::remove(dir.File("CORNERS.INP"));
    GenerateGrids();
    if (gridsValid != 1) {
      ADD_FAILURE() << "step 1: " << ui.LastStatus();
      return false;
    }
    return LinkAndFile();
  }
  // With `write` false the corner lines are judged as step 4 would write
  // them, without writing the folder (quicker for many layouts).
  bool LinkAndFile(bool write = true) {
    const size_t boxes = ui.notifications.size();
    const bool filed = RunLinkStep() && (!write || WriteModelFiles());
    if (filed) {
      EXPECT_EQ(CheckDeck(false), "");
      EXPECT_EQ(JudgeCorners(write ? TempDir::Read(dir.File("CORNERS.INP")) : CornerLines()), "");
    } else {
      EXPECT_FALSE(std::filesystem::exists(dir.File("EFDC.INP")));
      EXPECT_GT(ui.notifications.size(), boxes) << "a refusal says why";
    }
    return filed;
  }
  bool HasCode(int code) {
    return std::any_of(ui.notifications.begin(), ui.notifications.end(), [&](const auto& n) { return n.code == code; });
  }
  std::string Texts() {
    std::string all;
    for (const auto& n : ui.notifications) all += n.text + "\n";
    return all;
  }
  void Fresh() {
    ResetProgramState();
    ui.notifications.clear();
  }
};

TEST_F(LinkedShapesTest, SingleSkewedQuadrilateralAndBendsFacingEveryWayAreRightHanded) {
  for (int variant = 0; variant < 8; ++variant) {
    SCOPED_TRACE("skewed quadrilateral, variant " + std::to_string(variant));
    Fresh();
    AddPolygon("6 by 4", Traced({{0, 0}, {30, 10}, {40, 40}, {10, 30}}, variant >= 4, variant), true);
    EXPECT_TRUE(GridLinkAndFile()) << Texts();
  }
  for (int facing = 0; facing < 4; ++facing) {
    for (bool clockwise : {false, true}) {
      SCOPED_TRACE("80-degree bend facing " + std::to_string(facing * 90) + (clockwise ? ", clockwise" : ""));
      Fresh();
      AddPolygon("16 by 4", Traced(Sector(500, 500, 100, 140, facing * 90 - 40, facing * 90 + 40, 16), clockwise, 5),
                 true);
      EXPECT_TRUE(GridLinkAndFile()) << Texts();
    }
  }
}

TEST_F(LinkedShapesTest, TwoLongBendsSharingEveryNodeMakeOneRow) {
  AddPolygon("24 by 3", Sector(0, 0, 100, 130, 0, 120, 24), true);
  AddPolygon("24 by 3", Traced(Sector(0, 0, 100, 130, 120, 240, 24), true, 0), true);
  ASSERT_TRUE(GridLinkAndFile()) << Texts();
  EXPECT_EQ(cellMap.activeCount, 144);
  const std::pair<int, int> size{cellMap.iSize - 4, cellMap.jSize - 4};
  EXPECT_TRUE(size == std::make_pair(48, 3) || size == std::make_pair(3, 48)) << size.first << " by " << size.second;
}

TEST_F(LinkedShapesTest, AClosedRingStopsNamingWhereToCutIt) {
  for (int k = 0; k < 4; ++k) AddPolygon("12 by 3", Sector(0, 0, 100, 130, k * 90, k * 90 + 90, 12), true);
  EXPECT_FALSE(GridLinkAndFile());
  ASSERT_TRUE(HasCode(6079)) << Texts();
  EXPECT_NE(Texts().find("close a ring of polygons"), std::string::npos);
}

TEST_F(LinkedShapesTest, SidesThatComeCloseWithoutMeetingAreNamedNotLinked) {
  // Two 10 km strips 5 m apart: a dike between them.
  AddPolygon("100 by 2", Box(0, 0, 10000, 100), true);
  AddPolygon("100 by 2", Box(0, 105, 10000, 205), true);
  EXPECT_FALSE(GridLinkAndFile());
  EXPECT_TRUE(HasCode(6078) && HasCode(6077)) << Texts();
  EXPECT_NE(Texts().find("nodes up to 5.0 m apart"), std::string::npos) << Texts();

  // 100 and 101 cells along one side.
  Fresh();
  AddPolygon("100 by 3", Box(0, 0, 100, 3), true);
  AddPolygon("101 by 3", Box(0, 3, 100, 6), true);
  EXPECT_FALSE(GridLinkAndFile());
  EXPECT_NE(Texts().find("100 against 101 cells along the side"), std::string::npos) << Texts();

  // 4 cells above a junction, 2 + 3 below it: the 3-cell patch would be
  // linked through its neighbour and lie beside the 4 cells in the map
  // where their faces do not meet.
  Fresh();
  AddPolygon("4 by 2", Box(0, 20, 40, 40), true);
  AddPolygon("2 by 2", Box(0, 0, 20, 20), true);
  AddPolygon("3 by 2", Box(20, 0, 40, 20), true);
  EXPECT_FALSE(GridLinkAndFile());
  EXPECT_TRUE(HasCode(6078)) << Texts();
  EXPECT_NE(Texts().find("polygons 1 (4 by 2) and 3 (3 by 2)"), std::string::npos) << Texts();
}

// Two reaches 2 m apart that each meet a cross channel: a dike lies between
// them, and they lie apart in the map, so the link is sound, and the status
// line says where sides came close without being linked.
TEST_F(LinkedShapesTest, NearSidesApartInTheMapAreNotedOnly) {
  patches.Rect("north", 0, 12, 100, 22, 10, 1);
  patches.Rect("south", 0, 0, 100, 10, 10, 1);
  const double y[4] = {0, 10, 12, 22};
  patches.Nodes("cross", 1, 3, [&](int i, int j) { return Corner{100.0 + 10 * i, y[j]}; });
  patches.Build();
  ASSERT_TRUE(LinkAndFile(false)) << Texts();
  EXPECT_EQ(ui.LastStatus(),
            "3 polygons linked: 23 active cells in a map of 15 by 7; not linked where sides come close: polygons "
            "1 (north) and 2 (south) near x 5.0, y 12.0");
}

TEST_F(LinkedShapesTest, LongStripsSharingTheirLongSideLink) {
  patches.Rect("a", 0, 0, 999, 1, 999, 1);
  patches.Rect("b", 0, 1, 999, 2, 999, 1);
  patches.Build();
  ASSERT_TRUE(LinkAndFile()) << Texts();
  EXPECT_EQ(cellMap.activeCount, 1998);
}

// Node (i, j) of a patch of a by b lattice cells in orientation o (turned o
// times a quarter, mirrored from o = 4 on): the lattice node it lies on.
void Oriented(int o, int a, int b, int i, int j, int& u, int& v, int& ni, int& nj) {
  const bool turned = o % 2 == 1;
  ni = turned ? b : a;
  nj = turned ? a : b;
  switch (o % 4) {
    case 0:
      u = i, v = j;
      break;
    case 1:
      u = a - j, v = i;
      break;
    case 2:
      u = a - i, v = b - j;
      break;
    default:
      u = j, v = b - i;
      break;
  }
  if (o >= 4) u = a - u;
}

// Adds block [u0, u0 + a] x [v0, v0 + b] of a lattice with cells of `size`
// laid on the ground by `ground`, in orientation o.
template <typename Ground>
void AddBlock(PatchBuilder& patches, const char* name, int u0, int v0, int a, int b, int o, Ground ground) {
  int u, v, ni, nj;
  Oriented(o, a, b, 0, 0, u, v, ni, nj);
  patches.Nodes(name, ni, nj, [&](int i, int j) {
    int pu, pv, unused1, unused2;
    Oriented(o, a, b, i, j, pu, pv, unused1, unused2);
    return ground(u0 + pu, v0 + pv);
  });
}

TEST_F(LinkedShapesTest, TwoPatchesInEveryOrientationAgainstEverySide) {
  const auto flat = [](int u, int v) { return Corner{10.0 * u, 7.0 * v}; };
  // Beside the first patch (lattice block 3 by 2 at 4, 4): below, right,
  // above, left.
  const int at[4][2] = {{4, 1}, {7, 4}, {4, 6}, {1, 4}};
  const int size[4][2] = {{3, 3}, {3, 2}, {3, 3}, {3, 2}};
  for (int first = 0; first < 8; ++first) {
    for (int side = 0; side < 4; ++side) {
      for (int o = 0; o < 8; ++o) {
        SCOPED_TRACE("first " + std::to_string(first) + ", side " + std::to_string(side) + ", second " +
                     std::to_string(o));
        Fresh();
        PatchBuilder builder;
        AddBlock(builder, "first", 4, 4, 3, 2, first, flat);
        AddBlock(builder, "second", at[side][0], at[side][1], size[side][0], size[side][1], o, flat);
        builder.Build();
        ASSERT_TRUE(LinkAndFile(o == first)) << Texts();
        EXPECT_EQ(cellMap.activeCount, 6 + size[side][0] * size[side][1]);
      }
    }
  }
}

// Each ground cell, by its centre, with the ground cells of its map
// neighbours: the same for any frame the map is laid in.
std::set<std::pair<std::pair<long long, long long>, std::pair<long long, long long>>> MapNeighbours() {
  std::map<std::pair<int, int>, std::pair<long long, long long>> centres;
  for (int32_t k = 0; k < grids.patchCount; ++k) {
    for (int j = 0; j < grids.nj[k]; ++j) {
      for (int i = 0; i < grids.ni[k]; ++i) {
        const double x = NodeXOf(k, i, j) + NodeXOf(k, i + 1, j) + NodeXOf(k, i + 1, j + 1) + NodeXOf(k, i, j + 1);
        const double y = NodeYOf(k, i, j) + NodeYOf(k, i + 1, j) + NodeYOf(k, i + 1, j + 1) + NodeYOf(k, i, j + 1);
        const int c = j * grids.ni[k] + i;
        centres[{cellMap.cellI[k][c], cellMap.cellJ[k][c]}] = {std::llround(x * 1e5), std::llround(y * 1e5)};
      }
    }
  }
  std::set<std::pair<std::pair<long long, long long>, std::pair<long long, long long>>> pairs;
  for (const auto& [at, centre] : centres) {
    for (const auto& step : {std::pair{1, 0}, std::pair{0, 1}}) {
      const auto next = centres.find({at.first + step.first, at.second + step.second});
      if (next != centres.end()) pairs.insert(std::minmax(centre, next->second));
    }
  }
  return pairs;
}

// Random layouts: blocks of a lattice whose columns and rows have their own
// cell counts (so neighbours share their nodes), a connected choice of them
// (straight reaches, T and L junctions), each block turned and mirrored at
// random, laid on the ground straight or bent round a centre and turned,
// added to the store in three orders. Every layout links into a deck the
// model can use, the same in every order.
TEST_F(LinkedShapesTest, RandomLayoutsGiveRightHandedDecksWhateverTheOrder) {
  std::mt19937 random(20261207);
  for (int layout = 0; layout < 60; ++layout) {
    SCOPED_TRACE("layout " + std::to_string(layout));
    const int columns = 4, rows = 3;
    std::vector<int> width(columns + 1, 0), height(rows + 1, 0);
    for (int c = 0; c < columns; ++c) width[c + 1] = width[c] + 1 + static_cast<int>(random() % 3);
    for (int r = 0; r < rows; ++r) height[r + 1] = height[r] + 1 + static_cast<int>(random() % 3);
    // A connected set of blocks grown from one (some close a frame round a
    // missing block).
    std::vector<std::pair<int, int>> chosen{{static_cast<int>(random() % columns), static_cast<int>(random() % rows)}};
    const size_t blocks = 2 + random() % 8;
    while (chosen.size() < blocks) {
      const auto [c, r] = chosen[random() % chosen.size()];
      const int d = static_cast<int>(random() % 4);
      const std::pair<int, int> next{c + (d == 0) - (d == 1), r + (d == 2) - (d == 3)};
      if (next.first < 0 || next.first >= columns || next.second < 0 || next.second >= rows) continue;
      if (std::find(chosen.begin(), chosen.end(), next) == chosen.end()) chosen.push_back(next);
    }
    std::vector<int> orientation;
    for (size_t b = 0; b < chosen.size(); ++b) orientation.push_back(static_cast<int>(random() % 8));
    // On the ground: a lattice unit of 10 m, bent through up to 300 degrees
    // over the lattice's width round a centre below it, or straight; turned.
    const bool bent = layout % 2 == 1;
    const double sweep = (60 + random() % 240) * kPi / 180 / width[columns];
    const double turn = (random() % 360) * kPi / 180, radius = 10.0 * height[rows] + 40;
    const auto ground = [&](int u, int v) {
      double x = 10.0 * u, y = 10.0 * v;
      if (bent) {
        const double a = -sweep * u, r = radius - 10.0 * v;
        x = r * std::sin(-a), y = r * std::cos(a);
      }
      return Corner{x * std::cos(turn) - y * std::sin(turn) + 5000, x * std::sin(turn) + y * std::cos(turn) + 3000};
    };
    std::vector<size_t> order(chosen.size());
    for (size_t b = 0; b < order.size(); ++b) order[b] = b;
    std::set<std::pair<std::pair<long long, long long>, std::pair<long long, long long>>> first;
    for (int shuffle = 0; shuffle < 3; ++shuffle) {
      if (shuffle > 0) std::shuffle(order.begin(), order.end(), random);
      Fresh();
      PatchBuilder builder;
      int cells = 0;
      for (size_t b : order) {
        const auto [c, r] = chosen[b];
        const int a = width[c + 1] - width[c], h = height[r + 1] - height[r];
        AddBlock(builder, "block", width[c], height[r], a, h, orientation[b], ground);
        cells += a * h;
      }
      builder.Build();
      ASSERT_TRUE(LinkAndFile(shuffle == 0 && layout % 10 == 0)) << Texts();
      EXPECT_EQ(cellMap.activeCount, cells);
      const auto neighbours = MapNeighbours();
      if (shuffle == 0) {
        first = neighbours;
      } else {
        EXPECT_EQ(neighbours, first) << "store order " << shuffle;
      }
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
