#include <gtest/gtest.h>

#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using JoinTest = KestrelTest;
using Points = std::vector<std::pair<double, double>>;

Points JoinOf(Points a, Points b) {
  ResetProgramState();
  for (const Points& pts : {a, b}) {
    std::vector<PolygonPoint> points;
    for (auto [x, y] : pts) points.push_back(PolygonPoint{x, y, 0});
    PolygonAt(AddStored("piece", points)).selection = 1;
  }
  AddPolygon("height", {{0, 5}, {1, 6}});  // keeps the drawing's extents from being degenerate
  JoinPolygons();
  EXPECT_EQ(store.polygonCount, 2);
  return XY(0);
}

TEST_F(JoinTest, JoinsAtTheNearestEndsWithTiesInOrder) {
  EXPECT_EQ(JoinOf({{0, 0}, {1, 0}}, {{5, 0}, {2, 0}}), (Points{{0, 0}, {1, 0}, {2, 0}, {5, 0}}));  // d4
  EXPECT_EQ(JoinOf({{0, 0}, {1, 0}}, {{2, 0}, {3, 0}}), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));  // d3
  // d3 and d4 tie: d4 wins.
  EXPECT_EQ(JoinOf({{0, 0}, {1, 0}}, {{2, 1}, {2, -1}}), (Points{{0, 0}, {1, 0}, {2, -1}, {2, 1}}));
  // Coinciding first points (d1 = 0): A reversed, then B, both points kept.
  EXPECT_EQ(JoinOf({{0, 0}, {1, 0}}, {{0, 0}, {0, 1}}), (Points{{1, 0}, {0, 0}, {0, 0}, {0, 1}}));
}

TEST_F(JoinTest, JoinRefusalsAndUndo) {
  AddPolygon("ring", {{0, 0}, {1, 0}, {1, 1}}, true);
  AddPolygon("a", {{3, 3}, {4, 4}});
  AddPolygon("b", {{5, 5}, {6, 7}, {8, 8}});
  AddPolygon("c", {{9, 9}, {10, 10}});
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  JoinPolygons();
  EXPECT_EQ(ui.LastStatus(), "you can only join open polygons");
  PolygonAt(0).selection = 0;
  JoinPolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select two polygons");
  PolygonAt(2).selection = PolygonAt(3).selection = 1;
  JoinPolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select two polygons");
  EXPECT_EQ(journal.top, 0);

  PolygonAt(2).selection = 0;
  PolygonAt(3).color = 7;
  const auto before = Snapshot();
  JoinPolygons();
  ASSERT_EQ(store.polygonCount, 3);
  EXPECT_STREQ(PolygonAt(1).name, "a");
  EXPECT_EQ(PolygonAt(1).count, 4);
  EXPECT_STREQ(PolygonAt(2).name, "b");
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(JoinTest, CombineChainsPiecesMeetingInSinglePrecision) {
  AddPolygon("one", {{0, 0}, {1, 0}});
  AddPolygon("two", {{2, 0}, {1, 0}});
  AddPolygon("three", {{2, 0}, {3, 0}});
  AddPolygon("apart", {{0, 1}, {0, 2}});
  for (int i = 0; i < 4; ++i) PolygonAt(i).selection = 1;
  CombinePolygons();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_EQ(XY(0), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
  EXPECT_EQ(PolygonAt(0).xmax, 3);  // the box is the union of the pieces'
  EXPECT_EQ(ui.LastStatus(), "2 polygon pairs joined");
  EXPECT_TRUE(ui.SawStatus("1 polygon pairs joined"));

  ResetProgramState();
  AddPolygon("a", {{0, 0}, {1.00000001, 0}});
  AddPolygon("b", {{1.0, 0}, {2, 1}});
  AddPolygon("c", {{5, 5}, {1.0001, 0}});
  PolygonAt(0).selection = PolygonAt(2).selection = 1;
  CombinePolygons();
  EXPECT_EQ(ui.LastStatus(), "0 polygon pairs joined");  // b is not selected; c does not meet
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(store.polygonCount, 3);
  PolygonAt(1).selection = 1;
  CombinePolygons();
  EXPECT_EQ(ui.LastStatus(), "1 polygon pairs joined");
  EXPECT_EQ(XY(0), (Points{{0, 0}, {1.00000001, 0}, {2, 1}}));
}

TEST_F(JoinTest, CombineLeavesClosedPolygonsAndFrontEnds) {
  AddPolygon("ring", {{1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("a", {{0, 0}, {1, 0}});
  AddPolygon("b", {{5, 5}, {0, 0}});  // its last meets a's first
  for (int i = 0; i < 3; ++i) PolygonAt(i).selection = 1;
  CombinePolygons();
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_EQ(PolygonAt(0).count, 4);
  EXPECT_EQ(XY(1), (Points{{5, 5}, {0, 0}, {1, 0}}));
}

TEST_F(JoinTest, NoRecordOlderThanACombineIsReplayed) {
  AddPolygon("a", {{0, 0}, {1, 0}});
  AddPolygon("b", {{1, 0}, {2, 0}});
  AddPolygon("c", {{7, 7}, {8, 9}, {9, 7}});
  // A recorded edit of polygon 2, which combine will move to index 1.
  PolygonAt(2).selection = 1;
  ReversePolygons();
  PolygonAt(2).selection = 0;
  PolygonAt(0).selection = PolygonAt(1).selection = 1;
  CombinePolygons();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_EQ(journal.top, 0);
  EXPECT_FALSE(ui.buttons[kSlotUndo]);
  const auto after = Snapshot();
  UndoLast();
  EXPECT_EQ(ui.LastStatus(), "there is nothing in the undo stack");
  EXPECT_EQ(Snapshot(), after);

  // A combine that merges nothing changes nothing and keeps the journal.
  PolygonAt(1).selection = 1;
  ReversePolygons();
  const int32_t top = journal.top;
  CombinePolygons();
  EXPECT_EQ(journal.top, top);
}

}  // namespace
}  // namespace kestrel::testing
