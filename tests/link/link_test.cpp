#include "link/link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "app/reset.h"
#include "fixture.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "patches.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

// Every link test runs in a fresh folder: a built owner map writes cell.txt
// and cell.html into the working folder.
class LinkTest : public KestrelTest {
 protected:
  TempDir dir;
  std::optional<InFolder> folder;
  PatchBuilder patches;

  void SetUp() override {
    KestrelTest::SetUp();
    folder.emplace(dir.path());
  }
  void TearDown() override {
    folder.reset();
    KestrelTest::TearDown();
  }

  int32_t CellI(int k, int i, int j) { return cellMap.cellI[k][j * grids.ni[k] + i]; }
  int32_t CellJ(int k, int i, int j) { return cellMap.cellJ[k][j * grids.ni[k] + i]; }
  std::string Notified(size_t n = 0) { return n < ui.notifications.size() ? ui.notifications[n].text : ""; }
};

TEST_F(LinkTest, EdgeScoreMatchesNodeForNodeWithinTheLocalCellSize) {
  // Edges of 10: nodes 0.009 apart meet, 0.011 apart do not, whatever the
  // size of the drawing.
  extentXmin = 0, extentXmax = 1e6, extentYmin = 0, extentYmax = 1e6;
  EXPECT_DOUBLE_EQ(EdgeScore(0, 0, 10, 0, 0.009, 0, 10, 0), 0.009) << "same direction";
  EXPECT_DOUBLE_EQ(EdgeScore(0, 0, 10, 0, 10, 0.004, 0, 0.005), -0.009) << "opposite directions";
  EXPECT_EQ(EdgeScore(0, 0, 10, 0, 0.011, 0, 10, 0), kNoMatch);
  // The shorter edge sets the tolerance: an edge of 1 against one of 10.
  EXPECT_EQ(EdgeScore(0, 0, 10, 0, 0, 0.0015, 1, 0), kNoMatch);
  EXPECT_TRUE(std::signbit(EdgeScore(0, 0, 1, 0, 1, 0, 0, 0))) << "coinciding the other way round is negative";
  EXPECT_FALSE(std::fabs(kNoMatch) < kMatchLimit);
}

TEST_F(LinkTest, SinglePatchIsSeedOfTheFrame) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  EXPECT_TRUE(LinkGrids());
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(CellI(0, i, j), i + 2);
      EXPECT_EQ(CellJ(0, i, j), j + 2);
    }
  }
  EXPECT_EQ(cellMap.iSize, 7);
  EXPECT_EQ(cellMap.jSize, 6);
  EXPECT_EQ(cellMap.activeCount, 6);
  EXPECT_EQ(linksValid, 1);
  EXPECT_EQ(links.hasNeighbour[0], 0);
  EXPECT_TRUE(CheckCellGrid());
  EXPECT_EQ(linksValid, 1);
  EXPECT_TRUE(ui.notifications.empty());
  EXPECT_GT(ui.plotRepaints, 0);
  EXPECT_TRUE(ui.buttons[kSlotFile]);
}

TEST_F(LinkTest, SeedIsTurnedTowardsIncreasingXAndY) {
  // Corner 1 at the top right: i runs towards -x, j towards -y.
  patches.Quad("seed", {Corner{4, 2}, {0, 2}, {0, 0}, {4, 0}}, 4, 2);
  patches.Rect("east", 4, 0, 6, 2, 2, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_EQ(NodeXOf(0, 0, 0), 0);
  EXPECT_EQ(NodeYOf(0, 0, 0), 0);
  EXPECT_EQ(NodeXOf(0, 4, 2), 4);
  EXPECT_EQ(NodeYOf(0, 4, 2), 2);
  // The neighbour continues the seed's mirrored frame to the right.
  EXPECT_EQ(CellI(1, 0, 0), CellI(0, 3, 0) + 1);
  EXPECT_EQ(CellJ(1, 0, 1), CellJ(0, 3, 1));
}

TEST_F(LinkTest, PatchesSharingASideMatchEdgeForEdge) {
  patches.Rect("a", 0, 0, 2, 3, 2, 3);
  patches.Rect("b", 2, 0, 5, 3, 3, 3);
  patches.Build();
  // Both walks run counter-clockwise, so shared edges run opposite ways.
  EXPECT_EQ(MatchPatches(0, 1), 1);
  ASSERT_EQ(matchCount, 3);
  for (int m = 0; m < matchCount; ++m) {
    EXPECT_TRUE(std::signbit(matchTable[m].score));
    EXPECT_EQ(matchTable[m].kp, 1);
    EXPECT_EQ(matchTable[m].kq, 3);
    EXPECT_EQ(matchTable[m].jp, matchTable[m].jq);
  }
  EXPECT_EQ(matchTable[0].jp, 0) << "equal scores keep the walk order";

  ASSERT_TRUE(LinkGrids());
  EXPECT_EQ(links.adjacency[0][1], 1);
  EXPECT_EQ(links.hasNeighbour[0], 1);
  EXPECT_EQ(links.hasNeighbour[1], 1);
  EXPECT_EQ(CellI(1, 0, 0), 4);
  EXPECT_EQ(CellJ(1, 0, 0), 2);
  EXPECT_EQ(cellMap.iSize, 2 + 5 + 2);
  EXPECT_EQ(cellMap.activeCount, 15);
  EXPECT_TRUE(CheckCellGrid());
}

TEST_F(LinkTest, UnequalCountsAlongTheSideAreNotConnected) {
  patches.Rect("a", 0, 0, 8, 12, 8, 10);
  patches.Rect("b", 8, 0, 20, 12, 4, 12);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(links.adjacency[0][1], 0);
  ASSERT_EQ(ui.notifications.size(), 2u);
  EXPECT_EQ(ui.notifications[0].code, 6078);
  EXPECT_EQ(Notified(),
            "polygons 1 (a) and 2 (b) come close near x 8.0, y 0.6 but their nodes do not meet: 10 against 12 cells "
            "along the side\nsides are linked only where their nodes meet: give the common side the same corners and "
            "the same number of cells in both polygons, or move the polygons apart");
  EXPECT_EQ(ui.notifications[1].code, 6077);
  EXPECT_EQ(Notified(1), "the following polygon is not connected to the rest\n 2");
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(cellMap.owner, nullptr);
  EXPECT_TRUE(CheckCellGrid()) << "no owner map, nothing to check";
  EXPECT_TRUE(TempDir::Read(dir.File("cell.txt")).empty());
}

TEST_F(LinkTest, TouchingCornersAreNotAdjacentAndUnconnectedAreListed) {
  patches.Rect("a", 0, 0, 2, 2, 2, 2);
  patches.Rect("b", 2, 2, 4, 4, 2, 2);  // meets a at (2, 2) only
  patches.Rect("c", 10, 0, 12, 2, 2, 2);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(links.adjacency[0][1], 0);
  EXPECT_EQ(Notified(), "the following polygons are not connected to the rest\n 2 3");
}

TEST_F(LinkTest, PatchBelowTheSeedGetsSmallerJ) {
  patches.Rect("top", 0, 2, 4, 4, 4, 2);
  patches.Rect("bottom", 1, 0, 3, 2, 2, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_EQ(CellJ(1, 0, 0), 2);
  EXPECT_EQ(CellJ(1, 0, 1), 3);
  EXPECT_EQ(CellJ(0, 0, 0), 4);
  EXPECT_EQ(CellI(1, 0, 0), CellI(0, 1, 0)) << "offset along the shared side";
  EXPECT_EQ(CellI(0, 0, 0), 2);
  EXPECT_TRUE(CheckCellGrid());
}

TEST_F(LinkTest, TurnedNeighbourTakesTheSeedsFrame) {
  patches.Rect("seed", 0, 0, 2, 2, 2, 2);
  // Corner 1 at the top left of the neighbour: its i runs down (-y), its j
  // runs right (+x), and it has 3 cells along x and 2 along y.
  patches.Quad("east", {Corner{2, 2}, {2, 0}, {5, 0}, {5, 2}}, 2, 3);
  // Corner 1 at the top right of the one above the seed: i runs towards -x.
  patches.Quad("north", {Corner{2, 5}, {0, 5}, {0, 2}, {2, 2}}, 2, 3);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_EQ(grids.ni[1], 3);
  EXPECT_EQ(grids.nj[1], 2);
  EXPECT_EQ(NodeXOf(1, 0, 0), 2);
  EXPECT_EQ(NodeYOf(1, 0, 0), 0);
  EXPECT_EQ(NodeXOf(1, 3, 2), 5);
  EXPECT_EQ(NodeYOf(1, 3, 2), 2);
  EXPECT_EQ(CellI(1, 0, 0), 4);
  EXPECT_EQ(CellJ(1, 0, 0), 2);
  EXPECT_EQ(NodeXOf(2, 0, 0), 0);
  EXPECT_EQ(NodeYOf(2, 0, 0), 2);
  EXPECT_EQ(CellI(2, 0, 0), 2);
  EXPECT_EQ(CellJ(2, 0, 0), 4);
  EXPECT_TRUE(CheckCellGrid());
}

TEST_F(LinkTest, TransformsRebuildTheNodes) {
  patches.Quad("q", {Corner{0, 0}, {3, 0}, {3, 2}, {0, 2}}, 3, 2);
  patches.Build();
  MirrorI(0);
  EXPECT_EQ(NodeXOf(0, 0, 1), 3);
  EXPECT_EQ(NodeXOf(0, 3, 1), 0);
  MirrorJ(0);
  EXPECT_EQ(NodeYOf(0, 0, 0), 2);
  EXPECT_EQ(NodeXOf(0, 0, 0), 3);
  MirrorI(0);
  MirrorJ(0);
  RotatePatch(0);  // old (i, j) -> new (j, ni - i)
  EXPECT_EQ(grids.ni[0], 2);
  EXPECT_EQ(grids.nj[0], 3);
  for (int i = 0; i <= 3; ++i) {
    for (int j = 0; j <= 2; ++j) {
      EXPECT_EQ(NodeXOf(0, j, 3 - i), i);
      EXPECT_EQ(NodeYOf(0, j, 3 - i), j);
    }
  }
}

TEST_F(LinkTest, SecondPressRemovesTheLinks) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_TRUE(CheckCellGrid());
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(cellMap.owner, nullptr);
  EXPECT_EQ(cellMap.iSize, 7) << "the counts outlive the map";
  EXPECT_TRUE(CheckCellGrid());
  EXPECT_FALSE(ui.buttons[kSlotFile]);
}

TEST_F(LinkTest, RefusesWithoutCurrentGrids) {
  patches.Rect("a", 0, 0, 3, 2, 3, 2);
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be gridded");
  EXPECT_TRUE(CheckCellGrid());
  patches.Build();
  MarkModified();
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be gridded");
  patches.Build();
  AddPolygon("late", {{9, 9}, {10, 9}});  // the store grew after gridding
  gridsValid = 1;
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(ui.LastStatus(), "polygons must first be gridded");
  EXPECT_TRUE(ui.notifications.empty());
}

// Polygons 1 and 2 are one cell each, side by side; 3 sits on 1 but runs on
// over 2 with wider cells that match nothing there; 4 sits on 2 and shares
// `shared` map positions with 3, though no edge with it.
void BuildOverlap(PatchBuilder& patches, int shared) {
  patches.Rect("a", 0, 0, 1, 1, 1, 1);
  patches.Rect("b", 1, 0, 2, 1, 1, 1);
  patches.Nodes("c", 1 + shared, 1, [](int i, int j) { return Corner{i < 2 ? i : 1.2 * i - 0.2, 1.0 + j}; });
  patches.Rect("d", 1, 1, 1 + shared, 2, shared, 1);
}

TEST_F(LinkTest, OverlapOfOneCellIsSingular) {
  BuildOverlap(patches, 1);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6239);
  EXPECT_EQ(Notified(), "the following polygon has overlapping cells\n 4(3)");
  EXPECT_EQ(linksValid, 0);
  ASSERT_NE(cellMap.owner, nullptr) << "the map is complete all the same";
  EXPECT_EQ(cellMap.owner[3][3], 2) << "the first owner keeps the position";
  EXPECT_EQ(TempDir::Read(dir.File("cell.txt")).substr(0, 23), "symbolic CELL.INP file\n");
  EXPECT_TRUE(CheckCellGrid());
  EXPECT_EQ(linksValid, 0);
}

TEST_F(LinkTest, OverlapOfTwoCellsIsPluralForOnePolygon) {
  BuildOverlap(patches, 2);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(Notified(), "the following polygons have overlapping cells\n 4(3)");
}

TEST_F(LinkTest, ClipRemovesTheEarlierOwnerOfAPosition) {
  BuildOverlap(patches, 1);
  // A slit takes d's cell (centre 1.5, 1.5) and leaves c's second (1.6, 1.5).
  patches.Clip({{-1, -1}, {3, -1}, {3, 3}, {1.55, 3}, {1.55, 1.2}, {1.45, 1.2}, {1.45, 3}, {-1, 3}});
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  EXPECT_EQ(Notified(), "the following polygon has overlapping cells\n 4(3)");
  EXPECT_EQ(cellMap.owner[3][3], -1) << "d's clipped cell also removed c's entry";
  EXPECT_EQ(cellMap.owner[3][2], 2);
  EXPECT_EQ(cellMap.activeCount, 3);
  EXPECT_EQ(cellMap.cellI[4][0], kUnplaced) << "the clip polygon is never placed";
}

TEST_F(LinkTest, OrphanedCellIsReportedAndTheProgramGoesOn) {
  patches.Rect("strip", 0, 0, 5, 1, 5, 1);
  // A notch from below takes the third cell; the fifth lies outside.
  patches.Clip({{-1, -1}, {2.1, -1}, {2.1, 0.8}, {2.9, 0.8}, {2.9, -1}, {3.9, -1}, {3.9, 2}, {-1, 2}});
  patches.Build();
  ASSERT_TRUE(LinkGrids()) << "the owner map itself is sound";
  EXPECT_EQ(cellMap.owner[2][5], 0) << "the lone cell stays in the map";
  EXPECT_EQ(cellMap.owner[2][4], -1);
  EXPECT_EQ(linksValid, 1);
  EXPECT_FALSE(CheckCellGrid());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6406);
  EXPECT_EQ(Notified(), "cell is orphaned i=5, j=2");
  EXPECT_EQ(linksValid, 0) << "the bad grid cannot be filed";
  EXPECT_TRUE(ui.aborts.empty());
  // The program goes on: the grids are still there, and linking again
  // rebuilds the map and finds the same fault.
  EXPECT_TRUE(LinkGrids());
  EXPECT_FALSE(CheckCellGrid());
  EXPECT_EQ(ui.notifications.size(), 2u);
  EXPECT_EQ(linksValid, 0);
}

// A clip polygon that misses every cell leaves a map the model cannot run:
// the link is refused, so nothing can be filed.
TEST_F(LinkTest, ClipPolygonThatLeavesNoWaterIsRefused) {
  patches.Rect("3 by 2", 0, 0, 3, 2, 3, 2);
  patches.Clip({{10, 10}, {11, 10}, {11, 11}, {10, 11}});
  patches.Build();
  EXPECT_FALSE(RunLinkStep());
  EXPECT_EQ(cellMap.activeCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6240);
  EXPECT_EQ(Notified(),
            "no water cells: the clip polygon (polygon 2, clip) leaves none\nof the 6 cells of the grid. Move it over "
            "the grids or delete it.");
  EXPECT_EQ(linksValid, 0);
}

// Land that covers every cell empties the map just as well.
TEST_F(LinkTest, LandThatCoversEveryCellIsRefused) {
  patches.Rect("3 by 2", 0, 0, 3, 2, 3, 2);
  AddPolygon("land", {{-1, -1}, {4, -1}, {4, 3}, {-1, 3}}, true);
  patches.Build();
  EXPECT_FALSE(RunLinkStep());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(Notified(),
            "no water cells: the land polygons cover all 6 cells of the grid.\nShrink them or delete some.");
  EXPECT_EQ(linksValid, 0);
}

// A strip squashed flat runs over itself: its bottom and top both lie on
// the side of the strip below, so that side would be matched twice.
TEST_F(LinkTest, AGridThatRunsOverItsOwnSideStopsTheLinkOnly) {
  patches.Rect("below", 0, 0, 10, 1, 10, 1);
  patches.Quad("flat", {Corner{0, 1}, {10, 1}, {10, 1}, {0, 1}}, 10, 1);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 5639) << "the second match pairs the top of p with the top of q";
  EXPECT_EQ(Notified(), "too many overlapping cells");
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(cellMap.owner, nullptr);
}

TEST_F(LinkTest, PatchThatCannotFaceItsNeighbourIsReported) {
  patches.Rect("a", 0, 0, 2, 2, 2, 2);
  patches.Rect("b", 5, 0, 7, 2, 2, 2);
  patches.Build();
  LinkPatch(0, 1);  // no edge of b matches one of a
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 5943);
  EXPECT_EQ(Notified(), "logic error kp=-1 kq=-1");
  EXPECT_TRUE(ui.aborts.empty());
}

// A copied polygon, or one drawn over part of another along a common side,
// would be placed beside it and bring the same water into the model twice:
// the link stops and names both.
TEST_F(LinkTest, PatchesOnTopOfEachOtherAreNotPlacedSideBySide) {
  patches.Rect("river", 0, 0, 10, 4, 10, 4);
  patches.Rect("river copy", 0, 0, 10, 4, 10, 4);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 5944);
  EXPECT_EQ(Notified(),
            "polygon 2 (river copy) lies on top of polygon 1 (river)\ndelete one of them or correct its outline");
  EXPECT_EQ(linksValid, 0);
  EXPECT_FALSE(ui.buttons[kSlotFile]);

  // The lower half drawn again with its own counts, before the whole.
  ui.notifications.clear();
  ResetProgramState();
  patches = PatchBuilder();
  patches.Rect("lower half", 0, 0, 10, 2, 10, 2);
  patches.Rect("river", 0, 0, 10, 4, 10, 4);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(Notified(),
            "polygon 2 (river) lies on top of polygon 1 (lower half)\ndelete one of them or correct its outline");

  // Side by side along the same line they link as before.
  ui.notifications.clear();
  ResetProgramState();
  patches = PatchBuilder();
  patches.Rect("river", 0, 0, 10, 4, 10, 4);
  patches.Rect("below", 0, -2, 10, 0, 10, 2);
  patches.Build();
  EXPECT_TRUE(LinkGrids());
  EXPECT_TRUE(ui.notifications.empty());
  EXPECT_EQ(cellMap.activeCount, 60);
}

// Jittered lattices of blocks, each traced from any corner in either
// direction, always link whole; the same lattice with one block pasted twice
// never does. This guards the overlap test against false alarms on patches
// that were turned or mirrored before they are placed.
TEST_F(LinkTest, LatticesLinkWholeAndACopiedBlockNeverDoes) {
  std::mt19937 rng(5);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
  for (int round = 0; round < 40; ++round) {
    const int rows = pick(1, 3), columns = pick(1, 4);
    const double jitter = uniform(0, 4.5);
    std::vector<std::vector<Corner>> at(rows + 1, std::vector<Corner>(columns + 1));
    for (int r = 0; r <= rows; ++r) {
      for (int c = 0; c <= columns; ++c) {
        const bool inner = r > 0 && r < rows && c > 0 && c < columns;
        at[r][c] = {10.0 * c + (inner ? uniform(-jitter, jitter) : 0),
                    10.0 * r + (inner ? uniform(-jitter, jitter) : 0)};
      }
    }
    std::vector<int> across(columns), up(rows);
    for (int& n : across) n = pick(1, 6);
    for (int& n : up) n = pick(1, 6);
    struct Block {
      std::array<Corner, 4> corners;
      int ni, nj;
    };
    std::vector<Block> blocks;
    int cells = 0;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        Block b{{at[r][c], at[r][c + 1], at[r + 1][c + 1], at[r + 1][c]}, across[c], up[r]};
        if (pick(0, 1)) b = {{b.corners[0], b.corners[3], b.corners[2], b.corners[1]}, b.nj, b.ni};  // clockwise
        for (int turns = pick(0, 3); turns > 0; --turns) {
          b = {{b.corners[1], b.corners[2], b.corners[3], b.corners[0]}, b.nj, b.ni};
        }
        blocks.push_back(b);
        cells += b.ni * b.nj;
      }
    }
    std::shuffle(blocks.begin(), blocks.end(), rng);

    for (const bool copied : {false, true}) {
      ResetProgramState();
      ui.notifications.clear();
      patches = PatchBuilder();
      for (const Block& b : blocks) patches.Quad("block", b.corners, b.ni, b.nj);
      if (copied) {
        const Block& b = blocks[pick(0, static_cast<int>(blocks.size()) - 1)];
        patches.Quad("copy", b.corners, b.ni, b.nj);
      }
      patches.Build();
      if (!copied) {
        EXPECT_TRUE(LinkGrids()) << "round " << round << ": " << Notified();
        EXPECT_EQ(cellMap.activeCount, cells) << "round " << round;
      } else {
        EXPECT_FALSE(LinkGrids()) << "round " << round;
        ASSERT_EQ(ui.notifications.size(), 1u) << "round " << round;
        const int code = ui.notifications[0].code;
        EXPECT_TRUE(code == 5944 || code == 6239) << "round " << round << ": " << code << " " << Notified();
        EXPECT_EQ(linksValid, 0);
      }
    }
  }
}

TEST_F(LinkTest, LongListOfUnconnectedPolygonsFitsTheBox) {
  for (int k = 0; k < 400; ++k) patches.Rect("p", 3.0 * k, 0, 3.0 * k + 1, 1, 1, 1);
  patches.Build();
  EXPECT_FALSE(LinkGrids());
  ASSERT_EQ(ui.notifications.size(), 1u) << "no overflow of the message box";
  const std::string text = Notified();
  EXPECT_LE(text.size(), 1023u);
  EXPECT_EQ(text.rfind("the following polygons are not connected to the rest\n 2 3 4 ", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 4), " ...");
}

}  // namespace
}  // namespace kestrel::testing
