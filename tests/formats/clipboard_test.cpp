#include "formats/clipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "edit/journal.h"
#include "fixture.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

class ClipboardTest : public KestrelTest {
 protected:
  // Pastes `text` and returns the number of polygons added.
  int Paste(const std::string& text) {
    ui.clipboard = text;
    const int before = store.polygonCount;
    PastePolygons();
    return store.polygonCount - before;
  }

  void ExpectPoints(int polygon, std::initializer_list<PolygonPoint> points) {
    const Polygon& p = PolygonAt(polygon);
    ASSERT_EQ(p.count, static_cast<int>(points.size())) << "polygon " << polygon;
    int k = 0;
    for (const PolygonPoint& q : points) {
      EXPECT_DOUBLE_EQ(p.points[k].x, q.x) << "polygon " << polygon << " point " << k;
      EXPECT_DOUBLE_EQ(p.points[k].y, q.y) << "polygon " << polygon << " point " << k;
      EXPECT_DOUBLE_EQ(p.points[k].z, q.z) << "polygon " << polygon << " point " << k;
      ++k;
    }
  }
};

TEST_F(ClipboardTest, CopyWritesTheClosedTriangleExactly) {
  AddPolygon("lake", {{0, 0}, {1, 0}, {0, 1}}, true);
  AddPolygon("other", {{5, 5}, {6, 6}});
  PolygonAt(0).selection = 1;
  CopyPolygons();
  EXPECT_EQ(ui.clipboard,
            "POLY\tlake\r\n"
            "0\t0\t0\r\n"
            "1\t0\t0\r\n"
            "0\t1\t0\r\n"
            "0\t0\t0\r\n"
            "END\r\n");
  EXPECT_EQ(ui.LastStatus(), "1 polygons copied to clipboard");
  EXPECT_EQ(store.polygonCount, 2);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(modified, 0);
}

TEST_F(ClipboardTest, CopyChoosesKeywordsByPointCountAndSkipsEmptyPolygons) {
  AddPolygon("two", {{123456.789, -0.000012345}, {1, 2}});
  AddPolygon("empty", {});
  AddPolygon("one", {{3, 4}});
  AddPolygon("unselected", {{7, 7}, {8, 8}, {9, 9}});
  PolygonAt(0).points[1].z = 1e20;
  for (int i = 0; i < 3; ++i) PolygonAt(i).selection = 1;
  CopyPolygons();
  EXPECT_EQ(ui.clipboard,
            "LINE\ttwo\r\n"
            "123456.789\t-1.2345E-05\t0\r\n"
            "1\t2\t1E+20\r\n"
            "END\r\n"
            "POINT\tone\r\n"
            "3\t4\t0\r\n"
            "END\r\n");
  EXPECT_EQ(ui.LastStatus(), "2 polygons copied to clipboard");

  // Nothing but empty polygons selected: the clipboard keeps what it had.
  PolygonAt(0).selection = 0;
  PolygonAt(2).selection = 0;
  const std::string before = ui.clipboard;
  CopyPolygons();
  EXPECT_EQ(ui.LastStatus(), "no polygons copied");
  EXPECT_EQ(ui.clipboard, before);
  CutPolygons();
  EXPECT_EQ(ui.LastStatus(), "no polygons copied");
  EXPECT_EQ(store.polygonCount, 4);
  EXPECT_EQ(journal.top, 0);
}

TEST_F(ClipboardTest, RefusalsChangeNothing) {
  CopyPolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to copy");
  CutPolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to cut");

  AddPolygon("a", {{0, 0}, {1, 1}});
  CopyPolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select at least one polygon");
  CutPolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select at least one polygon");

  ui.clipboard.clear();
  PastePolygons();
  EXPECT_EQ(ui.LastStatus(), "no text found on clipboard");
  EXPECT_EQ(Paste("POLY\tname\r\nEND\r\n5\r\nnan 2\r\n"), 0);
  EXPECT_EQ(ui.LastStatus(), "no polygons pasted from clipboard");
  // The walk stops at a line end at the very start of the text.
  EXPECT_EQ(Paste("\r\n1 2\r\n3 4\r\n"), 0);
  EXPECT_EQ(ui.LastStatus(), "no polygons pasted from clipboard");

  EXPECT_EQ(store.polygonCount, 1);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(modified, 0);
  EXPECT_TRUE(ui.notifications.empty());
}

TEST_F(ClipboardTest, PasteRecreatesWhatCopyWrote) {
  AddPolygon("square", {{0, 0}, {1234.56789012, 0}, {1234.56789012, 10}, {0, 10}}, true);
  AddPolygon("line", {{-1, -1}, {-2, -3}, {-4, -2}});
  PolygonAt(0).points[2].z = 7.5;
  PolygonAt(0).selection = 1;
  PolygonAt(1).selection = 1;
  CopyPolygons();
  PolygonAt(0).selection = -2;  // a point selection elsewhere is given up
  PolygonAt(1).selection = 0;

  ASSERT_EQ(Paste(ui.clipboard), 2);
  EXPECT_EQ(ui.LastStatus(), "2 polygons pasted from clipboard");
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(QuerySelection(), 2);
  for (int i = 2; i < 4; ++i) {
    const Polygon& pasted = PolygonAt(i);
    const Polygon& source = PolygonAt(i - 2);
    EXPECT_EQ(pasted.selection, 1);
    EXPECT_STREQ(pasted.name, "");
    EXPECT_EQ(pasted.color, i);
    EXPECT_EQ(pasted.closed, source.closed);
    EXPECT_EQ(pasted.corners[0], 0);
    ASSERT_EQ(pasted.count, source.count);
    for (int k = 0; k < pasted.count; ++k) {
      char digits[64];
      std::snprintf(digits, sizeof digits, "%0.9G", source.points[k].x);
      EXPECT_EQ(pasted.points[k].x, std::strtod(digits, nullptr));
      EXPECT_EQ(pasted.points[k].y, source.points[k].y);
      EXPECT_EQ(pasted.points[k].z, source.points[k].z);
    }
    EXPECT_DOUBLE_EQ(pasted.xmin, source.xmin);
    EXPECT_DOUBLE_EQ(pasted.ymax, source.ymax);
  }
  EXPECT_EQ(PolygonAt(2).points[1].x, 1234.56789);
  EXPECT_EQ(PolygonAt(2).closed, 1);
  EXPECT_EQ(modified, 1);
}

TEST_F(ClipboardTest, PasteSplitsLinesIntoBlocks) {
  ASSERT_EQ(Paste("1,2\r\n3,4\r\n5,6\r\n"), 1);
  EXPECT_EQ(PolygonAt(0).closed, 0);
  ExpectPoints(0, {{1, 2, 0}, {3, 4, 0}, {5, 6, 0}});

  // z is carried over from the nearest earlier line that had one, even
  // into the next block.
  ASSERT_EQ(Paste("1 2 9\r\n3 4\r\nx\r\n5 6\r\n7 8\r\n"), 2);
  ExpectPoints(1, {{1, 2, 9}, {3, 4, 9}});
  ExpectPoints(2, {{5, 6, 9}, {7, 8, 9}});
  EXPECT_EQ(ui.LastStatus(), "2 polygons pasted from clipboard");

  // Blank lines and leading blanks do not split a block; a single number, a
  // value that is no finite number and any text do.
  ASSERT_EQ(Paste("0 0\r\n\r\n\r\n   1\t0\n\n1 1\n5\n2 2\n3 3\nnan 4\n4 4\nend\n\n6 6"), 4);
  ExpectPoints(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
  ExpectPoints(4, {{2, 2, 0}, {3, 3, 0}});
  ExpectPoints(5, {{4, 4, 0}});
  ExpectPoints(6, {{6, 6, 0}});

  // Text ends at its first zero byte.
  const char withZero[] =
      "7 7\r\n8 8\r\n\0"
      "9 9\r\n";
  ASSERT_EQ(Paste(std::string(withZero, sizeof withZero - 1)), 1);
  ExpectPoints(7, {{7, 7, 0}, {8, 8, 0}});
}

TEST_F(ClipboardTest, LongLinesAreReadWhole) {
  const std::string comment(400, 'c');
  const std::string big = "1" + std::string(300, '0');  // 1E+300, too long for any line buffer
  ASSERT_EQ(Paste("0 0 1\r\n" + big + " 5\t" + comment + "\r\n2 2\r\n"), 1);
  ExpectPoints(0, {{0, 0, 1}, {1e300, 5, 1}, {2, 2, 1}});
}

TEST_F(ClipboardTest, PastedBlockClosesWithinATenthOfAPercentOfItsDiagonal) {
  // Diagonal of the box: 10 * sqrt(2), so the limit is about 0.01414.
  ASSERT_EQ(Paste("0 0\n10 0\n10 10\n0 10\n0.01 0\nx\n0 0\n10 0\n10 10\n0 10\n0.02 0\nx\n3 3\nx\n3 3\n3 3\n"), 4);
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_DOUBLE_EQ(PolygonAt(0).points[4].x, 0.01);  // not moved onto the first point
  EXPECT_EQ(PolygonAt(1).closed, 0);
  EXPECT_EQ(PolygonAt(2).closed, 0);  // one point has no diagonal
  EXPECT_EQ(PolygonAt(3).closed, 0);
}

TEST_F(ClipboardTest, UndoRemovesAllPastedPolygonsInOneStep) {
  AddPolygon("kept", {{0, 0}, {5, 5}});
  ASSERT_EQ(Paste("1 1\n2 3\nEND\n4 4\n5 6\nEND\n7 7\n8 9\n"), 3);
  EXPECT_TRUE(ui.buttons[kSlotUndo]);
  UndoLast();
  EXPECT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "kept");
  EXPECT_EQ(journal.top, 0);
  EXPECT_FALSE(ui.buttons[kSlotUndo]);
}

TEST_F(ClipboardTest, PasteGrowsTheStoreOnceForAllBlocks) {
  for (int i = 0; i < 999; ++i) AddPolygon("p", {{0, 0}, {1, static_cast<double>(i)}});
  ASSERT_EQ(store.polygonCapacity, 1000);
  ASSERT_EQ(Paste("1 1\n2 2\nx\n3 3\n4 4\nx\n5 5\n6 6\n"), 3);
  EXPECT_EQ(store.polygonCapacity, 2003);
  EXPECT_EQ(store.polygonCount, 1002);
  ExpectPoints(998, {{0, 0, 0}, {1, 998, 0}});
  ExpectPoints(1001, {{5, 5, 0}, {6, 6, 0}});
}

TEST_F(ClipboardTest, DegeneratePasteLeavesNoBrokenUndo) {
  // One point alone has no extent: the store is emptied again, through the
  // journal, so that Undo goes back over the clear and then the paste.
  ASSERT_EQ(Paste("1 2\r\n"), 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "polygons are degenerate in X");
  UndoLast();
  EXPECT_EQ(store.polygonCount, 1);
  UndoLast();
  EXPECT_EQ(store.polygonCount, 0);
  EXPECT_EQ(journal.top, 0);
  UndoLast();
  EXPECT_EQ(ui.LastStatus(), "there is nothing in the undo stack");
  EXPECT_TRUE(ui.aborts.empty());
}

TEST_F(ClipboardTest, CutCopiesDeletesAndUndoRestores) {
  AddPolygon("a", {{0, 0}, {1, 0}, {1, 1}}, true);
  AddPolygon("b", {{2, 2}, {3, 3}});
  AddPolygon("c", {{4, 4}, {5, 5}, {6, 4}});
  AddPolygon("empty", {});
  PolygonAt(0).selection = 1;
  PolygonAt(2).selection = 1;
  PolygonAt(3).selection = 1;
  CutPolygons();
  EXPECT_EQ(ui.clipboard,
            "POLY\ta\r\n0\t0\t0\r\n1\t0\t0\r\n1\t1\t0\r\n0\t0\t0\r\nEND\r\n"
            "POLY\tc\r\n4\t4\t0\r\n5\t5\t0\r\n6\t4\t0\r\nEND\r\n");
  EXPECT_EQ(ui.LastStatus(), "2 polygons copied to clipboard");
  // The empty polygon was not copied, so it is not deleted either.
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(PolygonAt(0).name, "b");
  EXPECT_STREQ(PolygonAt(1).name, "empty");
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(extentXmax, 3);
  EXPECT_GT(ui.plotRepaints, 0);

  const std::string copied = ui.clipboard;
  UndoLast();
  ASSERT_EQ(store.polygonCount, 4);
  EXPECT_STREQ(PolygonAt(0).name, "a");
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).count, 4);
  EXPECT_STREQ(PolygonAt(2).name, "c");
  ExpectPoints(2, {{4, 4, 0}, {5, 5, 0}, {6, 4, 0}});
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(ui.clipboard, copied);
}

TEST_F(ClipboardTest, CuttingEveryPolygonCanBeUndone) {
  AddPolygon("a", {{0, 0}, {1, 1}});
  AddPolygon("b", {{2, 2}, {3, 3}});
  PolygonAt(0).selection = 1;
  PolygonAt(1).selection = 1;
  CutPolygons();
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "all polygons have been deleted");
  UndoLast();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(PolygonAt(0).name, "a");
  EXPECT_STREQ(PolygonAt(1).name, "b");

  // What was cut pastes back.
  ASSERT_EQ(Paste(ui.clipboard), 2);
  ExpectPoints(3, {{2, 2, 0}, {3, 3, 0}});
}

}  // namespace
}  // namespace kestrel::testing
