// The pieces of the fast field evaluation: the vector logarithm and arc
// tangent against the library's, the banded inside test against
// PointInBoundary, and the table evaluation against the reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "fixture.h"
#include "grid/fieldtable.h"
#include "grid/interior.h"
#include "grid/vecmath.h"
#include "grid_helpers.h"
#include "oracle.h"

namespace kestrel::testing {
namespace {

// Distance in units of the last place between two doubles of equal sign.
int64_t Ulps(double a, double b) {
  if (a == b || (std::isnan(a) && std::isnan(b))) return 0;
  int64_t ia, ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  if (ia < 0) ia = std::numeric_limits<int64_t>::min() - ia;
  if (ib < 0) ib = std::numeric_limits<int64_t>::min() - ib;
  return ia > ib ? ia - ib : ib - ia;
}

TEST(VectorMath, LogWithinOneUnitInTheLastPlace) {
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> exponent(-740, 700), near(-1e-3, 1e-3);
  int64_t worst = 0;
  for (int k = 0; k < 400000; ++k) {
    const double x = k % 4 == 0 ? 1 + near(rng) : std::exp(exponent(rng));
    worst = std::max(worst, Ulps(VectorLog(x), std::log(x)));
  }
  EXPECT_LE(worst, 1);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(VectorLog(0.0), -inf);
  EXPECT_EQ(VectorLog(-0.0), -inf);
  EXPECT_EQ(VectorLog(inf), inf);
  EXPECT_EQ(VectorLog(1.0), 0.0);
  EXPECT_TRUE(std::isnan(VectorLog(-1.0)));
  EXPECT_TRUE(std::isnan(VectorLog(std::nan(""))));
  // Subnormal arguments.
  EXPECT_LE(Ulps(VectorLog(4.9406564584124654e-324), std::log(4.9406564584124654e-324)), 1);
  EXPECT_LE(Ulps(VectorLog(1e-310), std::log(1e-310)), 1);
}

TEST(VectorMath, ArcTangentWithinTwoUnitsAndEveryQuadrant) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> u(-1, 1), scale(-30, 30), near(-1e-3, 1e-3);
  int64_t worst = 0;
  for (int k = 0; k < 400000; ++k) {
    double y = u(rng) * std::exp(scale(rng)), x = u(rng) * std::exp(scale(rng));
    if (k % 3 == 0) x = y * (1 + near(rng));  // around a quarter pi
    worst = std::max(worst, Ulps(VectorAtan2(y, x), std::atan2(y, x)));
  }
  EXPECT_LE(worst, 2);
  // Signed zeros and infinities, as the closed-form integrals meet them on
  // an element's line.
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0, -0.0, 1.0, -1.0, 1e-300, -1e300, inf, -inf};
  for (double y : values) {
    for (double x : values) {
      const double a = VectorAtan2(y, x), b = std::atan2(y, x);
      EXPECT_LE(Ulps(a, b), 2) << "atan2(" << y << ", " << x << ")";
      EXPECT_EQ(std::signbit(a), std::signbit(b)) << "atan2(" << y << ", " << x << ")";
    }
  }
  EXPECT_TRUE(std::isnan(VectorAtan2(std::nan(""), 1.0)));
  EXPECT_TRUE(std::isnan(VectorAtan2(0.0, std::nan(""))));
}

// A boundary with wavy sides, a dent and horizontal runs, as a solution's
// nodes (only the nodes matter here).
struct Outline {
  std::vector<double> x, y;
  Outline() {
    for (int k = 0; k < 30; ++k) add(k, std::round(2 * std::sin(k * 0.7)));  // integer heights repeat
    for (int k = 0; k < 20; ++k) add(30 + std::sin(k * 1.1), k);
    for (int k = 0; k < 30; ++k) add(30 - k, 20 - 4 * std::sin(k * 0.2) * (k > 10 && k < 20 ? 3 : 1));
    for (int k = 0; k < 20; ++k) add(-std::cos(k * 0.5), 20 - k);
  }
  void add(double px, double py) {
    x.push_back(px);
    y.push_back(py);
  }
};

void FillTable(const Outline& o, FieldTable& table) {
  const int32_t f = static_cast<int32_t>(o.x.size());
  BoundarySolution s;
  s.f = f;
  s.boundaryX = const_cast<double*>(o.x.data());
  s.boundaryY = const_cast<double*>(o.y.data());
  ASSERT_TRUE(AllocateFieldTable(f, table));
  SetFieldGeometry(s, table);
}

TEST(FieldTable, BandedInsideTestCountsAsPointInBoundary) {
  Outline o;
  FieldTable table;
  FillTable(o, table);
  const int32_t f = static_cast<int32_t>(o.x.size());
  ASSERT_GT(table.bands, 1);
  std::mt19937_64 rng(9);
  std::uniform_real_distribution<double> px(-3, 33), py(-5, 25);
  int inside = 0;
  for (int k = 0; k < 20000; ++k) {
    double x = px(rng), y = py(rng);
    // Points level with nodes, on nodes and on band edges are the delicate ones.
    if (k % 5 == 0) y = o.y[k % f];
    if (k % 7 == 0) x = o.x[k % f];
    if (k % 11 == 0) y = table.bandLow + (k % 13) / table.bandScale;
    const int expected = PointInBoundary(o.x.data(), o.y.data(), f, x, y);
    ASSERT_EQ(InsideBoundary(table, x, y), expected) << x << ", " << y;
    inside += expected;
  }
  EXPECT_GT(inside, 1000);
  const double nan = std::nan("");
  EXPECT_EQ(InsideBoundary(table, nan, 5), PointInBoundary(o.x.data(), o.y.data(), f, nan, 5));
  EXPECT_EQ(InsideBoundary(table, 5, nan), 0);
  ReleaseFieldTable(table);
}

using FieldTableTest = KestrelTest;

TEST_F(FieldTableTest, FieldMatchesTheReferenceSumOverElements) {
  // The L-shaped outline of the interior tests, graded, with points close to
  // the boundary and on the extension of its straight sides.
  TestBoundary shape({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
  TestSolution sol;
  const int32_t corners[4] = {0, 1, 2, 5};
  SolvePatchBoundary(shape.w, corners, 9, 6, 1.4, 0.8, sol.s);
  TestField field(sol.s);
  const double points[][2] = {{0.5, 0.5}, {1.5, 0.5}, {0.5, 1.5},     {0.999, 0.999}, {1e-3, 1.0},
                              {1.0, 0.5}, {0.5, 1.0}, {1.999, 0.001}, {0.3, 1.9}};
  for (const auto& p : points) {
    double expected[6];
    oracle::EvaluateField(sol.s, p[0], p[1], expected);
    const FieldValue v = EvaluateField(field.table, field.scratch, p[0], p[1]);
    const double got[6] = {v.xi, v.xiX, v.xiY, v.eta, v.etaX, v.etaY};
    for (int c = 0; c < 6; ++c) {
      EXPECT_NEAR(got[c], expected[c], 1e-12 * (1 + std::fabs(expected[c]))) << p[0] << ", " << p[1] << " #" << c;
    }
  }
}

TEST_F(FieldTableTest, ColumnsAreReportedOnTheCallingThreadInOrder) {
  TestBoundary square({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  TestSolution sol;
  const int32_t corners[4] = {0, 1, 2, 3};
  SolvePatchBoundary(square.w, corners, 12, 5, 1, 1, sol.s);
  FieldTable table;
  ASSERT_TRUE(AllocateFieldTable(sol.s.f, table));
  SetFieldGeometry(sol.s, table);
  SetFieldValues(sol.s, table);
  FieldScratch scratch[3];
  for (FieldScratch& s : scratch) ASSERT_TRUE(AllocateFieldScratch(sol.s.f, s));
  // The same patch three times over, as three jobs; the middle one has no
  // interior at all.
  std::vector<double> x(3 * 13 * 6), y(3 * 13 * 6);
  InteriorJob jobs[3];
  for (int k = 0; k < 3; ++k) {
    jobs[k].table = &table;
    jobs[k].boundary = &square.w;
    jobs[k].k1 = 0;
    jobs[k].k2 = 1;
    jobs[k].ni = k == 1 ? 1 : 12;
    jobs[k].nj = 5;
    jobs[k].x = &x[k * 78];
    jobs[k].y = &y[k * 78];
  }
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<std::pair<int32_t, int32_t>> calls;
  std::vector<double> shares;
  bool otherThread = false;
  const StepFailure failure = PlaceInteriors(jobs, 3, scratch, 3, [&](int32_t job, int32_t placed, double share) {
    otherThread |= std::this_thread::get_id() != caller;
    calls.push_back({job, placed});
    shares.push_back(share);
  });
  EXPECT_EQ(failure.code, 0);
  EXPECT_FALSE(otherThread);
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls.front(), std::make_pair(0, 0));
  EXPECT_EQ(calls.back(), std::make_pair(3, 0));
  for (size_t k = 1; k + 1 < calls.size(); ++k) {
    EXPECT_LE(calls[k - 1].first, calls[k].first);
    EXPECT_LE(calls[k].second, 11);
    EXPECT_LE(shares[k - 1], shares[k]) << "the share done never falls";
  }
  EXPECT_EQ(shares.front(), 0);
  EXPECT_EQ(shares.back(), 1);
  // Jobs 0 and 2 are the same patch: the same nodes, whoever placed them.
  for (int32_t n = 0; n < 78; ++n) {
    const int32_t i = n % 13, j = n / 13;
    if (i == 0 || i == 12 || j == 0 || j == 5) continue;
    EXPECT_EQ(x[n], x[2 * 78 + n]) << n;
    EXPECT_EQ(y[n], y[2 * 78 + n]) << n;
    EXPECT_NEAR(x[n], i / 12.0, 2e-3);
  }
  for (FieldScratch& s : scratch) ReleaseFieldScratch(s);
  ReleaseFieldTable(table);
}

}  // namespace
}  // namespace kestrel::testing
