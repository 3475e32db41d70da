#include "edit/journal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/report.h"
#include "fixture.h"
#include "store/store.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

// Everything of a record that undo must restore.
struct Snapshot {
  std::string name;
  int32_t closed, color, count;
  std::vector<double> coords;
  bool operator==(const Snapshot&) const = default;
};

std::vector<Snapshot> TakeSnapshot() {
  std::vector<Snapshot> all;
  for (int32_t i = 0; i < store.polygonCount; ++i) {
    const Polygon& p = PolygonAt(i);
    Snapshot s{p.name, p.closed, p.color, p.count, {}};
    for (int32_t k = 0; k < p.count; ++k) {
      s.coords.insert(s.coords.end(), {p.points[k].x, p.points[k].y, p.points[k].z});
    }
    all.push_back(s);
  }
  return all;
}

class JournalTest : public KestrelTest {
 protected:
  void SetUp() override {
    KestrelTest::SetUp();
    view.plotWidth = 400;
    view.plotHeight = 300;
  }
  // Several polygons of different shapes; returns the snapshot.
  std::vector<Snapshot> MakeSix() {
    for (int i = 0; i < 6; ++i) {
      const double o = i * 10;
      if (i % 2) {
        AddPolygon(("closed" + std::to_string(i)).c_str(), {{o, 0}, {o + 4, 0}, {o + 4, 3}, {o, 3}}, true);
      } else {
        AddPolygon(("open" + std::to_string(i)).c_str(), {{o, 0}, {o + 1, 2}, {o + 2, 1}});
      }
      PolygonAt(i).points[1].z = i + 0.5;
    }
    return TakeSnapshot();
  }
  int AbortCode(void (*f)()) {
    try {
      f();
    } catch (const AbortCalled& a) {
      lastAbort = a.what();
      return a.code;
    }
    return 0;
  }
  std::string lastAbort;
};

TEST_F(JournalTest, DeletePolygonPushesTheExactRecord) {
  AddPolygon("x0", {{9, 9}, {8, 8}});
  AddPolygon("x1", {{9, 9}, {8, 8}});
  AddPolygon("x2", {{9, 9}, {8, 8}});
  AddPolygon("ab", {{1, 2}, {3, 4}});
  AddPolygon("x4", {{9, 9}, {8, 8}});
  ASSERT_EQ(PolygonAt(3).color, 3);
  DeletePolygon(3);
  const std::vector<int32_t> expected = {0, 0, 0, 1074790400, 0, 1074266112, 0, 0, 0, 1073741824, 0, 1072693248, 2,
                                         0, 3, 0, 0,          0, 0,          0, 0, 0, 25185,      3, 2147483609};
  ASSERT_EQ(journal.top, 25);
  EXPECT_EQ(std::vector<int32_t>(journal.entries, journal.entries + 25), expected);
  EXPECT_EQ(store.polygonCount, 4);
  EXPECT_STREQ(PolygonAt(3).name, "x4");
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(6 * 2 + 13, 25) << "an UndoInsertPolygon record of n points takes 6n + 13 entries";
}

TEST_F(JournalTest, DoublesRoundTripBitForBit) {
  const double values[] = {
      -0.0, 0.0, 1.0, 2.0, -3.5, 1e-310, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::max(),
      0.1};
  for (double v : values) PushDouble(v);
  PushDouble(std::nan("0x5"));
  const double back = PopDouble();
  uint64_t a, b;
  const double payload = std::nan("0x5");
  std::memcpy(&a, &back, 8);
  std::memcpy(&b, &payload, 8);
  EXPECT_EQ(a, b);
  for (int k = std::size(values) - 1; k >= 0; --k) {
    const double got = PopDouble();
    std::memcpy(&a, &got, 8);
    std::memcpy(&b, &values[k], 8);
    EXPECT_EQ(a, b) << values[k];
  }
  EXPECT_EQ(journal.top, 0);
}

TEST_F(JournalTest, NamesAndPointsRoundTrip) {
  char name[32] = "a name of 31 characters exactly";
  PushName(name);
  EXPECT_EQ(journal.entries[7], 0x616e2061) << "the first four bytes are pushed last";
  PushPoint(PolygonPoint{1.25, -2.5, 3.75});
  const PolygonPoint p = PopPoint();
  EXPECT_EQ(p.x, 1.25);
  EXPECT_EQ(p.y, -2.5);
  EXPECT_EQ(p.z, 3.75);
  char back[32];
  PopName(back);
  EXPECT_EQ(std::memcmp(back, name, 32), 0);
}

TEST_F(JournalTest, UndoButtonFollowsTheJournal) {
  EXPECT_FALSE(ui.buttons[kSlotUndo]);
  AddPolygon("a", {{0, 0}, {1, 1}});
  AddPolygon("b", {{2, 0}, {3, 1}});
  RecordRename(0);
  EXPECT_TRUE(ui.buttons[kSlotUndo]);
  RecordRename(1);
  UndoLast();
  EXPECT_TRUE(ui.buttons[kSlotUndo]);
  UndoLast();
  EXPECT_FALSE(ui.buttons[kSlotUndo]);
  RecordRename(0);
  ClearJournal();
  EXPECT_FALSE(ui.buttons[kSlotUndo]);
  EXPECT_EQ(journal.top, 0);
  EXPECT_GT(journal.capacity, 0) << "clearing keeps the allocation";
}

TEST_F(JournalTest, UndoOfAnEmptyJournalChangesNothing) {
  AddPolygon("a", {{0, 0}, {1, 1}});
  const auto before = TakeSnapshot();
  gridsValid = 1;
  UndoLast();
  EXPECT_EQ(ui.LastStatus(), "there is nothing in the undo stack");
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(gridsValid, 1);
}

TEST_F(JournalTest, UndoDeleteOfTwoPolygonsRestoresThemInPlace) {
  const auto before = MakeSix();
  // The delete command deletes from the highest index down, then pushes the list.
  DeletePolygon(5);
  DeletePolygon(2);
  PushInt(2);
  PushInt(UndoPolygonList);
  ASSERT_EQ(store.polygonCount, 4);
  gridsValid = linksValid = 1;
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(linksValid, 0);
  EXPECT_EQ(journal.top, 0);
}

TEST_F(JournalTest, UndoDeleteOfTheOnlyPolygon) {
  AddPolygon("only", {{0, 0}, {4, 0}, {4, 4}}, true);
  const auto before = TakeSnapshot();
  DeletePolygon(0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 1882);
  EXPECT_EQ(ui.notifications[0].text, "all polygons have been deleted");
  EXPECT_EQ(store.polygonCount, 0);
  PushInt(1);
  PushInt(UndoPolygonList);
  UndoLast();
  EXPECT_EQ(store.polygonCount, 1);
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(JournalTest, UndoOpenCloseAndReverse) {
  const auto before = MakeSix();
  // Open polygon 1 (closed, 5 stored points) and close polygon 0 (open, 3).
  Polygon& c = PolygonAt(1);
  c.closed = 0;
  --c.count;
  PushInt(1);
  PushInt(1);
  PushInt(UndoRecloseList);
  Polygon& o = PolygonAt(0);
  o.points = GrowArray<PolygonPoint>(1, o.points, o.count, o.count + 1);
  o.points[o.count++] = o.points[0];
  o.closed = 1;
  PushInt(0);
  PushInt(1);
  PushInt(UndoReopenList);
  // Reverse polygons 3 and 4.
  for (int idx : {3, 4}) {
    Polygon& p = PolygonAt(idx);
    for (int i = 0, j = p.count - 1; i < j; ++i, --j) std::swap(p.points[i], p.points[j]);
  }
  PushInt(3);
  PushInt(4);
  PushInt(2);
  PushInt(UndoReverseList);

  UndoLast();
  UndoLast();
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(JournalTest, OpeningAClosedTriangleOfThreeStoredPoints) {
  AddPolygon("t", {{0, 0}, {1, 1}}, true);  // 3 stored points, closed
  ASSERT_EQ(PolygonAt(0).count, 3);
  PolygonAt(0).closed = 0;
  PolygonAt(0).count = 2;
  PushInt(0);
  PushInt(1);
  PushInt(UndoRecloseList);
  UndoLast();
  EXPECT_EQ(PolygonAt(0).closed, 1);
  EXPECT_EQ(PolygonAt(0).count, 3);
  EXPECT_EQ(PolygonAt(0).points[2].x, 0);
}

TEST_F(JournalTest, UndoSetBeginningRestoresTheFirstPointAndSelectsIt) {
  AddPolygon("other", {{50, 50}, {60, 60}});
  AddPolygon("ring", {{0, 0}, {1, 0}, {2, 1}, {1, 2}, {0, 1}}, true);  // c = 6
  const auto before = TakeSnapshot();
  Polygon& p = PolygonAt(1);
  const int c = p.count, s = 3;
  std::vector<PolygonPoint> old(p.points, p.points + c);
  for (int k = 0; k < c - 1; ++k) p.points[k] = old[(s + k) % (c - 1)];
  p.points[c - 1] = p.points[0];
  PolygonAt(0).selection = 1;
  PushInt(c - 1 - s);
  PushInt(1);
  PushInt(UndoRotateBack);
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(PolygonAt(0).selection, 0);
  EXPECT_EQ(PolygonAt(1).selection, -c);
}

TEST_F(JournalTest, UndoPointEdits) {
  const auto before = MakeSix();
  // Move point 0 of closed polygon 1: its closing point follows.
  Polygon& p = PolygonAt(1);
  RecordPointMove(1, 0, p.points[0], UndoRestorePoint);
  p.points[0] = p.points[p.count - 1] = PolygonPoint{-7, -7, 0};
  // Delete point 1 of polygon 2.
  Polygon& q = PolygonAt(2);
  RecordPointMove(2, 1, q.points[1], UndoInsertPoint);
  std::memmove(&q.points[1], &q.points[2], sizeof(PolygonPoint) * (q.count - 2));
  --q.count;
  // Insert a point at the end of polygon 4.
  Polygon& r = PolygonAt(4);
  r.points = GrowArray<PolygonPoint>(1, r.points, r.count, r.count + 1);
  r.points[r.count] = PolygonPoint{99, 99, 0};
  PushInt(r.count);
  PushInt(4);
  PushInt(UndoRemovePoint);
  ++r.count;

  UndoLast();
  UndoLast();
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
  EXPECT_EQ(PolygonAt(1).xmin, 10) << "undo re-bounds what it touched";
}

TEST_F(JournalTest, UndoRestorePointsRenameAndInsertedPolygons) {
  const auto before = MakeSix();
  // Replace polygon 0's points by a longer list, rename polygon 3.
  RecordPoints(0);
  Polygon& p = PolygonAt(0);
  FreeBlock(p.points);
  p.points = AllocArray<PolygonPoint>(1, 10);
  p.count = 10;
  RecordRename(3);
  SetPolygonName(PolygonAt(3), "renamed");
  // A paste of two new polygons at the end.
  AddPolygon("new1", {{0, 0}, {1, 1}});
  AddPolygon("new2", {{0, 0}, {2, 2}});
  PushInt(6);
  PushInt(7);
  PushInt(2);
  PushInt(UndoRemovePolygonList);

  UndoLast();
  EXPECT_EQ(store.polygonCount, 6);
  UndoLast();
  EXPECT_STREQ(PolygonAt(3).name, "closed3");
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);

  // Restoring fewer points than the polygon now holds reuses its array.
  RecordPoints(1);
  PolygonAt(1).points = GrowArray<PolygonPoint>(1, PolygonAt(1).points, 5, 8);
  PolygonAt(1).count = 8;
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(JournalTest, UndoMixedListOfAJoin) {
  const auto before = MakeSix();
  // A join of polygon 4 onto polygon 2: 2's points change, 4 is absorbed.
  RecordPoints(2);
  PolygonAt(2).count = 2;
  RecordInsertPolygon(4);
  FreeBlock(PolygonAt(4).points);
  std::memmove(&PolygonAt(4), &PolygonAt(5), sizeof(Polygon));
  --store.polygonCount;
  PushInt(2);
  PushInt(UndoMixedList);
  UndoLast();
  EXPECT_EQ(TakeSnapshot(), before);
}

TEST_F(JournalTest, ConsistencyAborts) {
  MakeSix();
  PushInt(5);
  EXPECT_EQ(AbortCode(UndoLast), 4438);
  EXPECT_EQ(lastAbort, "illegal code in undo stack");
  PushInt(-2147483600);
  EXPECT_EQ(AbortCode(UndoLast), 4438);
  PushInt(2147483600);
  EXPECT_EQ(AbortCode(UndoLast), 4424);
  EXPECT_EQ(lastAbort, "unexpected undo code (2147483600)");
  PushInt(2147483620);
  EXPECT_EQ(AbortCode(UndoLast), 4424);

  ClearJournal();
  PushInt(UndoRename);
  EXPECT_EQ(AbortCode(UndoLast), 676);
  EXPECT_EQ(lastAbort, "Undo stack underflow");

  PushInt(6);
  PushInt(UndoRename);
  EXPECT_EQ(AbortCode(UndoLast), 4370);
  EXPECT_EQ(lastAbort, "no such polygon");
  PushInt(-1);
  PushInt(UndoReverse);
  EXPECT_EQ(AbortCode(UndoLast), 4411);

  const std::pair<int32_t, int> nullLists[] = {{UndoRecloseList, 4443}, {UndoRemovePolygonList, 4451},
                                               {UndoReopenList, 4473},  {UndoReverseList, 4497},
                                               {UndoPolygonList, 4459}, {UndoMixedList, 4481}};
  for (const auto& [code, abortCode] : nullLists) {
    PushInt(0);
    PushInt(code);
    EXPECT_EQ(AbortCode(UndoLast), abortCode);
    EXPECT_EQ(lastAbort, "null list");
  }

  PushInt(UndoRemovePolygon);
  PushInt(1);
  PushInt(UndoPolygonList);
  EXPECT_EQ(AbortCode(UndoLast), 4466);
  EXPECT_EQ(lastAbort, "unexpected code (2147483607) in undo list");
  PushInt(UndoRename);
  PushInt(1);
  PushInt(UndoMixedList);
  EXPECT_EQ(AbortCode(UndoLast), 4490);

  // A point index out of range, a reopen of an open polygon, a reclose of a closed one.
  PushInt(3);
  PushInt(0);
  PushInt(UndoRemovePoint);
  EXPECT_EQ(AbortCode(UndoLast), 4296);
  PushInt(0);
  PushInt(1);
  PushInt(UndoReopenList);
  EXPECT_EQ(AbortCode(UndoLast), 4359);
  EXPECT_EQ(lastAbort, "polygon is already opened");
  PushInt(1);
  PushInt(1);
  PushInt(UndoRecloseList);
  EXPECT_EQ(AbortCode(UndoLast), 4277);
  PushInt(0);
  PushInt(1);
  PushInt(UndoRotateBack);
  EXPECT_EQ(AbortCode(UndoLast), 4258);
  EXPECT_EQ(lastAbort, "trivial re-ordereding");
  PushInt(1);
  PushInt(0);
  PushInt(UndoRotateBack);
  EXPECT_EQ(AbortCode(UndoLast), 4253);
}

TEST_F(JournalTest, TheClearOfDegenerateExtentsIsUndoneAndOlderRecordsStillFit) {
  AddPolygon("a", {{0, 0}, {0, 5}});
  AddPolygon("b", {{0, 1}, {0, 2}});
  PolygonAt(1).corners[0] = 2;
  RecordRename(1);
  SetPolygonName(PolygonAt(1), "renamed");
  DeletePolygon(0);
  PushInt(1);
  PushInt(UndoPolygonList);
  BoundAll();
  ComputeExtents();  // everything lies on x = 0: the store is emptied
  EXPECT_EQ(store.polygonCount, 0);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].text, "polygons are degenerate in X");

  UndoLast();  // the cleared polygon comes back, degenerate as it was
  ASSERT_EQ(store.polygonCount, 1);
  EXPECT_STREQ(PolygonAt(0).name, "renamed");
  EXPECT_EQ(PolygonAt(0).corners[0], 2);
  EXPECT_EQ(ui.LastStatus(), "polygons are degenerate in X (Undo goes further back)");
  EXPECT_EQ(ui.notifications.size(), 1u) << "going back clears nothing";
  UndoLast();
  UndoLast();
  ASSERT_EQ(store.polygonCount, 2);
  EXPECT_STREQ(PolygonAt(0).name, "a");
  EXPECT_STREQ(PolygonAt(1).name, "b");
  EXPECT_EQ(journal.top, 0);
  EXPECT_TRUE(ui.aborts.empty());
}

TEST_F(JournalTest, JournalGrowsInStepsOf65536) {
  for (int k = 0; k < 65537; ++k) PushInt(k);
  EXPECT_EQ(journal.capacity, 131072);
  EXPECT_EQ(journal.entries[0], 0);
  EXPECT_EQ(journal.entries[65536], 65536);
}

TEST_F(JournalTest, AJournalThatCannotGrowSwitchesUndoOffInsteadOfEndingTheProgram) {
  // A polygon whose delete record (6n + 13 entries) needs a second step of
  // the journal, which the memory limit does not allow.
  std::initializer_list<std::pair<double, double>> none = {};
  AddPolygon("small", {{0, 0}, {1, 1}});
  AddPolygon("large", none);
  Polygon& large = PolygonAt(1);
  large.count = 11000;
  FreeBlock(large.points);
  large.points = AllocArray<PolygonPoint>(1, 11000);
  for (int k = 0; k < large.count; ++k) large.points[k] = PolygonPoint{double(k), double(k % 5), 0};
  AddPolygon("other", {{5, 5}, {6, 6}});
  RecordView();
  SetBlockLimit(kJournalGrowth * sizeof(int32_t));

  DeletePolygon(1);
  ASSERT_EQ(ui.notifications.size(), 1u);
  EXPECT_EQ(ui.notifications[0].code, 641);
  EXPECT_EQ(ui.notifications[0].text,
            "there is not enough memory to record this edit for Undo:\n"
            "Undo is switched off until the next file is opened,\n"
            "and the edits made so far can no longer be undone");
  ASSERT_EQ(store.polygonCount, 2) << "the edit itself is done";
  EXPECT_STREQ(PolygonAt(1).name, "other");
  EXPECT_EQ(journal.top, 0) << "no half record is left behind";
  EXPECT_FALSE(ui.buttons[kSlotUndo]);

  // Later edits record nothing and say nothing more; Undo has nothing to do.
  DeletePolygon(1);
  RecordView();
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(ui.notifications.size(), 1u);
  UndoLast();
  EXPECT_EQ(ui.LastStatus(), "there is nothing in the undo stack");
  EXPECT_EQ(store.polygonCount, 1);

  // Emptying the journal (opening a file) switches Undo on again.
  ClearJournal();
  RecordView();
  EXPECT_EQ(journal.top, 7);
  EXPECT_TRUE(ui.buttons[kSlotUndo]);
}

}  // namespace
}  // namespace kestrel::testing
