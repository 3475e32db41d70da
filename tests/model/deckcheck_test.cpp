#include "model/deckcheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "fixture.h"
#include "grid/gridstore.h"
#include "link/cellmap.h"
#include "link/link.h"
#include "model/modelfiles.h"
#include "patches.h"
#include "store/store.h"

namespace kestrel::testing {
namespace {

// The check of the model grid, on decks that are broken after a sound link
// the way a faulty stage before step 4 would break them.
class DeckCheckTest : public FolderTest {
 protected:
  // Two strips side by side, "west" of 3 by 2 cells and "east" of 2 by 2.
  void LinkTwo() {
    patches.Rect("west", 0, 0, 3, 2, 3, 2);
    patches.Rect("east", 3, 0, 5, 2, 2, 2);
    patches.Build();
    ASSERT_TRUE(LinkGrids());
    ASSERT_TRUE(CheckCellGrid());
    ASSERT_EQ(CheckDeck(false), "");
  }
  void MoveNode(int k, int i, int j, double x, double y) {
    grids.x[k][NodeIndex(grids.ni[k], i, j)] = x;
    grids.y[k][NodeIndex(grids.ni[k], i, j)] = y;
  }
};

TEST_F(DeckCheckTest, ASkewedCellPassesAndItsRotationIsItsIAxis) {
  patches.Quad("skew", {Corner{0, 0}, {3, 1}, {4, 4}, {1, 3}}, 1, 1);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  EXPECT_EQ(CheckDeck(false), "");
  const double x[4] = {0, 3, 4, 1}, y[4] = {0, 1, 4, 3};
  const CellRotation r = RotationOf(x, y);
  EXPECT_NEAR(std::atan2(r.cun, r.cue), std::atan2(2, 6), 1e-12);
  EXPECT_DOUBLE_EQ(r.cve, -r.cun);
  EXPECT_DOUBLE_EQ(r.cvn, r.cue);
}

TEST_F(DeckCheckTest, ACornerThatIsNotANumberIsNamed) {
  LinkTwo();
  MoveNode(1, 1, 1, NAN, 1);
  EXPECT_EQ(CheckDeck(true), "cell I 6, J 3 of polygon 2 (east) has a corner that is not a finite number");
}

TEST_F(DeckCheckTest, AMirroredPolygonFailsEvenWhenFoldedCellsAreAllowed) {
  LinkTwo();
  MirrorJ(1);  // the indices stay, the nodes turn over
  EXPECT_EQ(CheckDeck(true), "polygon 2 (east) lies mirrored in the map: its J axis runs clockwise from its I axis");
}

TEST_F(DeckCheckTest, FoldedCellsAreCountedUnlessAllowed) {
  patches.Rect("strip", 0, 0, 4, 2, 4, 2);
  patches.Build();
  ASSERT_TRUE(LinkGrids());
  MoveNode(0, 2, 1, 2.2, 2.5);  // pulled over the top edge: two cells fold
  EXPECT_EQ(CheckDeck(false),
            "cell I 4, J 4 of polygon 1 (strip) is folded (and 1 more cell): its corners do not run "
            "counter-clockwise round a convex cell\ncorrect the polygon's outline or its cell counts (see Grid "
            "quality)");
  EXPECT_EQ(CheckDeck(true), "");
}

TEST_F(DeckCheckTest, MapNeighboursMustMeetOnTheGround) {
  LinkTwo();
  for (int n = 0; n < 9; ++n) grids.y[1][n] += 0.5;  // east slides up half a cell
  EXPECT_EQ(CheckDeck(false),
            "cells I 5, J 3 of polygon 1 (west) and I 6, J 3 of polygon 2 (east) are neighbours in the map but do "
            "not share their face on the ground");
}

TEST_F(DeckCheckTest, CellsThatMeetOnTheGroundMustBeMapNeighbours) {
  LinkTwo();
  // East is moved one position away in the map: a wall the ground does not
  // have.
  for (int c = 0; c < 4; ++c) ++cellMap.cellI[1][c];
  ReleaseOwnerMap();
  BuildOwnerMap();
  EXPECT_EQ(CheckDeck(false),
            "cells I 5, J 3 of polygon 1 (west) and I 7, J 3 of polygon 2 (east) share a face on the ground but "
            "are not neighbours in the map: the model would see a wall between them");
}

TEST_F(DeckCheckTest, StepTwoLeavesAFailingGridUnfiled) {
  patches.Rect("strip", 0, 0, 4, 2, 4, 2);
  patches.Build();
  MoveNode(0, 2, 1, 2.2, 2.5);
  EXPECT_FALSE(RunLinkStep());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6411);
  EXPECT_EQ(ui.notifications[0].text.rfind("the linked grid fails its check, so it cannot be filed\ncell I 4, J 4", 0),
            0u);
  EXPECT_EQ(linksValid, 0);
  EXPECT_FALSE(ui.buttons[kSlotFile]);
}

TEST_F(DeckCheckTest, StepFourWritesNothingForAFailingGrid) {
  LinkTwo();
  MoveNode(0, 1, 1, 1.5, 2.5);
  EXPECT_FALSE(WriteModelFiles());
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 6449);
  EXPECT_EQ(ui.notifications[0].text.rfind("no model files were written: the linked grid fails its check\ncell I 3, "
                                           "J 4 of polygon 1 (west) is folded",
                                           0),
            0u)
      << ui.notifications[0].text;
  EXPECT_FALSE(std::filesystem::exists(dir.File("EFDC.INP")));
  allowFoldedCells = true;
  EXPECT_TRUE(WriteModelFiles());
  EXPECT_TRUE(std::filesystem::exists(dir.File("EFDC.INP")));
}

}  // namespace
}  // namespace kestrel::testing
