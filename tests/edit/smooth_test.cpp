#include <gtest/gtest.h>

#include <cmath>

#include "edit/dialogs.h"
#include "edit/edits.h"
#include "edit/journal.h"
#include "edit_support.h"
#include "fixture.h"

namespace kestrel::testing {
namespace {

using SmoothTest = KestrelTest;

TEST(InterpolateTest, EndsAndZeroLengthSegments) {
  const double d[] = {0, 1, 1, 3};
  const double v[] = {10, 20, 30, 50};
  EXPECT_EQ(Interpolate(d, v, 1, 2), 10);
  EXPECT_EQ(Interpolate(d, v, 4, -1), 10);
  EXPECT_EQ(Interpolate(d, v, 4, 0.5), 15);
  EXPECT_EQ(Interpolate(d, v, 4, 1), 20);  // the first segment holding h wins
  EXPECT_EQ(Interpolate(d, v, 4, 2), 40);
  EXPECT_EQ(Interpolate(d, v, 4, 9), 50);
}

TEST_F(SmoothTest, OnePassOfThreePointAveraging) {
  SmoothPolygons();
  EXPECT_EQ(ui.LastStatus(), "there are no polygons to smooth");
  AddPolygon("vee", {{0, 0}, {1, 1}, {2, 0}});
  AddPolygon("square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("pair", {{5, 5}, {6, 6}});
  PolygonAt(2).selection = -1;
  SmoothPolygons();
  EXPECT_EQ(ui.LastStatus(), "you must first select at least one polygon having at least three points");

  const auto before = Snapshot();
  for (int i = 0; i < 3; ++i) PolygonAt(i).selection = 1;
  PolygonAt(0).selection = -1;
  PolygonAt(1).selection = PolygonAt(2).selection = 0;
  SmoothPolygons();
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(XY(0)[0], std::make_pair(0.0, 0.0));
  EXPECT_DOUBLE_EQ(XY(0)[1].first, 1);
  EXPECT_DOUBLE_EQ(XY(0)[1].second, 1.0 / 3);
  EXPECT_EQ(XY(0)[2], std::make_pair(2.0, 0.0));

  // Point 0 of the closed square goes to the average of points 0, 1 and 3,
  // the closing point with it; a point-selected pair is only made whole.
  for (int i = 0; i < 3; ++i) PolygonAt(i).selection = 1;
  SmoothPolygons();
  const Polygon& sq = PolygonAt(1);
  EXPECT_EQ(sq.closed, 1);
  EXPECT_EQ(sq.count, 5);
  EXPECT_DOUBLE_EQ(sq.points[0].x, 1.0 / 3);
  EXPECT_DOUBLE_EQ(sq.points[0].y, 1.0 / 3);
  EXPECT_EQ(std::memcmp(&sq.points[0], &sq.points[4], sizeof(PolygonPoint)), 0);
  EXPECT_EQ(Snapshot()[2], before[2]);

  UndoLast();  // both passes, one step each
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

class RespaceTest : public KestrelTest {
 protected:
  // A straight open line from (0, 0) to (10, 0) in 4 segments, and a polygon
  // that keeps the drawing from being degenerate.
  void SetUp() override {
    KestrelTest::SetUp();
    AddPolygon("line", {{0, 0}, {1, 0}, {5, 0}, {9, 0}, {10, 0}});
    AddPolygon("height", {{0, 5}, {1, 6}});
  }
  std::vector<double> RespaceLine(const char* spacing) {
    PolygonAt(0).selection = 1;
    PolygonAt(1).selection = 0;
    ui.values.push_back(std::string(spacing));
    RespacePolygons();
    std::vector<double> xs;
    for (auto [x, y] : XY(0)) xs.push_back(x);
    return xs;
  }
};

TEST_F(RespaceTest, CountFromTheSpacingRoundedHalfAway) {
  const auto before = Snapshot();
  EXPECT_EQ(RespaceLine("2.5"), (std::vector<double>{0, 2.5, 5, 7.5, 10}));
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
  const auto xs = RespaceLine("4");  // 3.5 rounds to 4 points
  ASSERT_EQ(xs.size(), 4u);
  EXPECT_DOUBLE_EQ(xs[1], 10.0 / 3);
  EXPECT_EQ(xs[3], 10);
  EXPECT_EQ(RespaceLine("100").size(), 3u);  // the open minimum
}

TEST_F(RespaceTest, DefaultIsTheAverageSegmentAndCancelChangesNothing) {
  const auto before = Snapshot();
  for (const char* refused : {"0", "-5", "abc", "nan"}) {
    RespaceLine(refused);
    EXPECT_EQ(Snapshot(), before) << refused;
  }
  PolygonAt(0).selection = -2;
  RespacePolygons();  // the dialog is cancelled
  EXPECT_EQ(PolygonAt(0).selection, 1);
  EXPECT_EQ(dialogValue, -1);
  EXPECT_EQ(journal.top, 0);
  EXPECT_EQ(Snapshot(), before);

  // The default shown: 10 over 4 segments, and "%G" of a long value.
  std::string shown;
  struct Capture : ScriptedFrontEnd {
    std::string* into;
    bool AskValue(const char*, std::string& value) override {
      *into = value;
      return false;
    }
  } capture;
  capture.into = &shown;
  SetFrontEnd(&capture);
  RespacePolygons();
  EXPECT_EQ(shown, "2.5");
  dialogValue = 1234567.0;
  ValueDialog("REMOVE");
  EXPECT_EQ(shown, "1.23457E+06");
  SetFrontEnd(&ui);

  ui.values.push_back(std::string("1e-300"));
  PolygonAt(0).selection = 1;
  RespacePolygons();
  EXPECT_EQ(ui.LastStatus(), "the point spacing is too small for the selected polygons");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RespaceTest, MinimumCountsClosingPointAndOneUndoStep) {
  // Lengths about 9.88: at 3.3 four points, whose last is computed a rounding
  // away from the first unless it is pinned to the source.
  AddPolygon("triangle", {{0.1, 0.1}, {3.3, 0.1}, {0.7, 2.9}}, true);
  AddPolygon("dot", {{4, 4}, {4, 4}, {4, 4}}, true);
  AddPolygon("short", {{7, 7}, {7.5, 7}});
  const auto before = Snapshot();
  for (int i = 2; i < 5; ++i) PolygonAt(i).selection = 1;
  ui.values.push_back(std::string("3.3"));
  RespacePolygons();
  for (int i = 2; i < 4; ++i) {
    const Polygon& p = PolygonAt(i);
    EXPECT_EQ(p.count, 4);
    EXPECT_EQ(p.closed, 1);
    EXPECT_EQ(std::memcmp(&p.points[0], &p.points[3], sizeof(PolygonPoint)), 0) << i;
  }
  EXPECT_EQ(XY(3), (std::vector<std::pair<double, double>>(4, {4.0, 4.0})));
  EXPECT_EQ(PolygonAt(4).count, 3);
  EXPECT_EQ(XY(4)[1], std::make_pair(7.25, 7.0));
  UndoLast();
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace kestrel::testing
