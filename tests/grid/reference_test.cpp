// The program's step 1 against the plain reference implementation kept in
// oracle.cpp: every node of every patch must agree to within 1e-9 of the
// patch's diagonal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "app/report.h"
#include "fixture.h"
#include "formats/polyfile.h"
#include "grid/driver.h"
#include "grid/gridstore.h"
#include "grid/outline.h"
#include "grid/solver.h"
#include "grid/workers.h"
#include "oracle.h"
#include "view/view.h"

namespace kestrel::testing {
namespace {

constexpr double kDegree = 0.017453292519943295;

class ReferenceTest : public KestrelTest {
 protected:
  TempDir dir;
  std::filesystem::path previous;

  void SetUp() override {
    KestrelTest::SetUp();
    previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    KestrelTest::TearDown();
  }

  static int AddPoints(const char* name, const std::vector<std::pair<double, double>>& points) {
    Polygon& p = PrepareNewPolygon(1);
    p.points = AllocArray<PolygonPoint>(1, points.size() + 1);
    for (size_t k = 0; k < points.size(); ++k) p.points[k] = {points[k].first, points[k].second, 0};
    p.points[points.size()] = p.points[0];
    p.count = static_cast<int32_t>(points.size() + 1);
    p.closed = 1;
    SetPolygonName(p, name);
    return store.polygonCount++;
  }

  // Runs step 1 on one, two and three threads: every node must be the same
  // to the last bit, since every column is placed by itself.
  void SameNodesOnOneTwoAndThreeThreads();

  // Grids every polygon with the reference, then runs step 1 on one, two
  // and three threads and compares node by node each time.
  void ExpectAgreement() {
    BoundAll();
    ComputeExtents();
    std::vector<oracle::Patch> references(static_cast<size_t>(store.polygonCount));
    for (int32_t k = 0; k < store.polygonCount; ++k) {
      if (k == clipPolygon || std::string(PolygonAt(k).name) == "clip") continue;
      ASSERT_EQ(oracle::GridPolygon(k, references[k]), 0) << k;
    }
    for (int32_t threads : {1, 2, 3}) {
      gridThreadLimit = threads;
      gridsValid = 0;
      GenerateGrids();
      ASSERT_EQ(gridsValid, 1);
      ASSERT_TRUE(ui.aborts.empty());
      for (int32_t k = 0; k < store.polygonCount; ++k) {
        const oracle::Patch& reference = references[k];
        if (reference.x.empty()) continue;
        ASSERT_EQ(reference.ni, grids.ni[k]);
        ASSERT_EQ(reference.nj, grids.nj[k]);
        const Polygon& p = PolygonAt(k);
        const double tolerance = 1e-9 * std::hypot(extentXmax - extentXmin, extentYmax - extentYmin);
        double worst = 0;
        for (size_t n = 0; n < reference.x.size(); ++n) {
          const double d = std::hypot(grids.x[k][n] - reference.x[n], grids.y[k][n] - reference.y[n]);
          ASSERT_FALSE(std::isnan(d)) << p.name << " node " << n;
          worst = std::max(worst, d);
          EXPECT_LE(d, tolerance) << p.name << " node (" << n % (reference.ni + 1) << ", " << n / (reference.ni + 1)
                                  << ") on " << threads << " threads";
        }
        // The largest deviation relative to the drawing's diagonal, for the
        // test report.
        char text[32];
        std::snprintf(text, sizeof text, "%.3g", worst / tolerance * 1e-9);
        RecordProperty(std::string(p.name) + " on " + std::to_string(threads), text);
      }
    }
  }
};

TEST_F(ReferenceTest, SquareSectorIrregularAndGradedPatchesAgree) {
  // A square traced with extra points along its sides.
  std::vector<std::pair<double, double>> square;
  for (int k = 0; k < 4; ++k) square.push_back({10.0 * k / 4, 0});
  for (int k = 0; k < 4; ++k) square.push_back({10, 10.0 * k / 4});
  for (int k = 0; k < 4; ++k) square.push_back({10 - 10.0 * k / 4, 10});
  for (int k = 0; k < 4; ++k) square.push_back({0, 10 - 10.0 * k / 4});
  AddPoints("12 by 9", square);

  // A sector of the ring between radii 30 and 50 over 120 degrees, placed
  // beside the square.
  std::vector<std::pair<double, double>> sector;
  for (int k = 0; k < 40; ++k) {
    const double t = 120.0 * k / 40 * kDegree;
    sector.push_back({80 + 50 * std::cos(t), 50 * std::sin(t)});
  }
  for (int k = 0; k < 5; ++k) {
    const double r = 50 - 20.0 * k / 5;
    sector.push_back({80 + r * std::cos(120 * kDegree), r * std::sin(120 * kDegree)});
  }
  for (int k = 0; k < 40; ++k) {
    const double t = (120 - 120.0 * k / 40) * kDegree;
    sector.push_back({80 + 30 * std::cos(t), 30 * std::sin(t)});
  }
  for (int k = 0; k < 5; ++k) sector.push_back({80 + 30 + 20.0 * k / 5, 0});
  AddPoints("24 by 8", sector);

  // An irregular outline: wavy sides, one of them dented inwards, stored
  // clockwise so that the working boundary is reversed.
  std::vector<std::pair<double, double>> irregular;
  for (int k = 0; k < 12; ++k) irregular.push_back({200 + 40.0 * k / 12, 3 * std::sin(k * 0.9)});
  for (int k = 0; k < 8; ++k) irregular.push_back({240 + 4 * std::sin(k * 1.3), 25.0 * k / 8});
  for (int k = 0; k < 12; ++k) {
    const double s = 40.0 * k / 12;
    irregular.push_back({240 - s, 25 - 6 * std::sin(s / 40 * 3.14159)});
  }
  for (int k = 0; k < 8; ++k) irregular.push_back({200 - 2 * std::cos(k * 0.7), 25 - 25.0 * k / 8});
  std::reverse(irregular.begin(), irregular.end());
  AddPoints("20 by 11 irregular", irregular);

  // Graded spacing on a trapezoid: nodes bunched towards side 1's start and
  // towards side 4's far end.
  AddPoints("16 by 10 [1.7,0.6]", {{300, 0}, {340, 0}, {335, 20}, {305, 25}});

  // A graded sector long enough for the far parts of its boundary to be
  // summed as series.
  std::vector<std::pair<double, double>> ring;
  for (int k = 0; k < 60; ++k)
    ring.push_back({400 + 60 * std::cos(k * 1.5 * kDegree), 60 * std::sin(k * 1.5 * kDegree)});
  for (int k = 0; k < 60; ++k) {
    const double t = (90 - 1.5 * k) * kDegree;
    ring.push_back({400 + 35 * std::cos(t), 35 * std::sin(t)});
  }
  AddPoints("50 by 24 [1.2,0.9]", ring);
  ExpectAgreement();
}

// The bundled examples, clip polygon and all; their grid outline file reads
// the same as the one the reference's nodes give.
TEST_F(ReferenceTest, ExamplesAgreeAndWriteTheSameOutlineFile) {
  for (const char* example : {"channel.p2d", "river_bend.p2d", "harbour.p2d"}) {
    ResetProgramState();
    std::snprintf(fileName, sizeof fileName, "%s/%s", KESTREL_EXAMPLES_DIR, example);
    ASSERT_GT(ReadPolygonFile(), 0) << example;
    ExpectAgreement();
    const std::string written = TempDir::Read(kGridOutlineFile);
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      if (!grids.x[k]) continue;
      oracle::Patch reference;
      ASSERT_EQ(oracle::GridPolygon(k, reference), 0);
      std::copy(reference.x.begin(), reference.x.end(), grids.x[k]);
      std::copy(reference.y.begin(), reference.y.end(), grids.y[k]);
    }
    ASSERT_TRUE(WriteGridOutlines());
    const std::string again = TempDir::Read(kGridOutlineFile);
    const size_t differ =
        std::mismatch(written.begin(), written.end(), again.begin(), again.end()).first - written.begin();
    EXPECT_EQ(written.size(), again.size()) << example;
    EXPECT_EQ(differ, written.size()) << example << ": " << written.substr(differ > 40 ? differ - 40 : 0, 80) << "\n"
                                      << again.substr(differ > 40 ? differ - 40 : 0, 80);
  }
}

// Several polygons on one, two and three threads.
TEST_F(ReferenceTest, NodesDoNotDependOnTheNumberOfThreads) {
  std::vector<std::pair<double, double>> sector;
  for (int k = 0; k < 30; ++k) sector.push_back({40 * std::cos(k * 3 * kDegree), 40 * std::sin(k * 3 * kDegree)});
  for (int k = 0; k < 30; ++k) {
    const double t = (90 - 3 * k) * kDegree;
    sector.push_back({20 * std::cos(t), 20 * std::sin(t)});
  }
  AddPoints("21 by 7 [1.3,1]", sector);
  AddPoints("9 by 4", {{50, 0}, {70, 0}, {72, 15}, {48, 12}});
  AddPoints("1 by 3", {{80, 0}, {81, 0}, {81, 5}, {80, 5}});
  SameNodesOnOneTwoAndThreeThreads();
}

// One large patch alone: its boundary system is assembled and eliminated on
// all threads, and its far field is summed as series.
TEST_F(ReferenceTest, OneLargePatchDoesNotDependOnTheNumberOfThreads) {
  AddPoints("150 by 30", {{0, 0}, {300, 0}, {310, 60}, {-5, 55}});
  SameNodesOnOneTwoAndThreeThreads();
}

void ReferenceTest::SameNodesOnOneTwoAndThreeThreads() {
  BoundAll();
  ComputeExtents();
  std::vector<std::vector<double>> first;
  for (int32_t threads : {1, 2, 3}) {
    gridThreadLimit = threads;
    gridsValid = 0;
    GenerateGrids();
    ASSERT_EQ(gridsValid, 1);
    std::vector<std::vector<double>> nodes;
    for (int32_t k = 0; k < grids.patchCount; ++k) {
      const size_t n = static_cast<size_t>(grids.ni[k] + 1) * (grids.nj[k] + 1);
      nodes.emplace_back(grids.x[k], grids.x[k] + n);
      nodes.emplace_back(grids.y[k], grids.y[k] + n);
    }
    if (first.empty()) {
      first = nodes;
    } else {
      ASSERT_EQ(nodes.size(), first.size());
      for (size_t a = 0; a < nodes.size(); ++a) {
        for (size_t n = 0; n < nodes[a].size(); ++n) {
          ASSERT_EQ(nodes[a][n], first[a][n]) << threads << " threads, array " << a << " node " << n;
        }
      }
    }
  }
}

// Work large enough to take a while shows the share done, and once it can
// tell the time left, forced onto the status line at once, polygon by
// polygon.
TEST_F(ReferenceTest, LongWorkShowsTheShareDoneAndTheTimeLeft) {
  AddPoints("125 by 70", {{0, 0}, {125, 0}, {125, 70}, {0, 70}});
  AddPoints("2 by 2", {{200, 0}, {201, 0}, {201, 1}, {200, 1}});
  BoundAll();
  ComputeExtents();
  GenerateGrids();
  ASSERT_EQ(gridsValid, 1);
  const std::regex line(
      R"(gridding polygon ([12]) of 2 \((125 by 70|2 by 2)\): (\d+)% done(, about \d+ (s|min) left)?)");
  int solving = -1, lastPercent = -1, shares = 0, polygon = 0;
  for (size_t k = 0; k < ui.statuses.size(); ++k) {
    const std::string& text = ui.statuses[k];
    if (text == "solving the boundary equations of 2 polygons") solving = static_cast<int>(k);
    if (text.rfind("gridding polygon", 0) != 0) continue;
    EXPECT_GE(solving, 0) << "after the boundary equations";
    EXPECT_TRUE(ui.statusesNow[k]) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, line)) << text;
    const int number = std::stoi(m[1]), percent = std::stoi(m[3]);
    EXPECT_GE(number, polygon) << text;
    EXPECT_GE(percent, lastPercent) << text;
    EXPECT_LT(percent, 100) << text;
    shares += percent > lastPercent;
    polygon = number;
    lastPercent = percent;
  }
  EXPECT_EQ(polygon, 2);
  EXPECT_GE(shares, 10);
}

// A failure met on a worker thread is reported from the calling thread, with
// the first polygon that failed, and stops step 1 only.
TEST_F(ReferenceTest, FailureOnAWorkerIsReportedByTheCaller) {
  gridThreadLimit = 2;
  AddPoints("3 by 2", {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
  // Side 1 is 3e-16 long: its two nodes, 1.5e-16 apart, coincide.
  AddPoints("2 by 1", {{2, 0}, {2 + 3e-16, 0}, {3, 1}, {2, 1}});
  AddPoints("2 by 2", {{5, 0}, {6, 0}, {6, 1}, {5, 1}});
  BoundAll();
  ComputeExtents();
  GenerateGrids();
  EXPECT_TRUE(ui.aborts.empty());
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0].rfind("can't grid polygon: Polygon 2 (2 by 1) could not be gridded:\nadjacent boundary "
                                  "encountered coincident points (code 4649).",
                                  0),
            0u)
      << ui.questions[0];
  EXPECT_EQ(gridsValid, 0);
  EXPECT_EQ(grids.patchCount, 0);
}

// One elimination for two right-hand sides gives, for each of them, exactly
// what the plain one-at-a-time elimination gives: the same pivots in the same
// order and the same arithmetic. Small integer entries make many ties for the
// largest element, where the first one in row-major order must win.
TEST(SolveLinearSystems, EveryRightHandSideAsIfSolvedAlone) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> real(-1, 1);
  std::uniform_int_distribution<int> small(-3, 3);
  for (int n : {2, 3, 9, 16, 17, 40, 101}) {
    for (bool ties : {false, true}) {
      const size_t nn = static_cast<size_t>(n) * n;
      std::vector<double> a(nn), b1(n), b2(n);
      for (double& v : a) v = ties ? small(rng) : real(rng);
      for (int k = 0; k < n; ++k) a[k * (n + 1)] += ties ? 9 : 0;  // keep it regular
      for (double& v : b1) v = real(rng);
      for (double& v : b2) v = real(rng);
      std::vector<double> a1 = a, a2 = a, r1 = b1, r2 = b2;
      ASSERT_EQ(oracle::SolveLinearSystem(a1.data(), r1.data(), n), 0);
      ASSERT_EQ(oracle::SolveLinearSystem(a2.data(), r2.data(), n), 0);
      double* both[2] = {b1.data(), b2.data()};
      ASSERT_EQ(SolveLinearSystems(a.data(), both, 2, n), kSolved);
      for (int k = 0; k < n; ++k) {
        EXPECT_EQ(b1[k], r1[k]) << "n " << n << " ties " << ties << " k " << k;
        EXPECT_EQ(b2[k], r2[k]) << "n " << n << " ties " << ties << " k " << k;
      }
    }
  }
}

// Shared between threads, the elimination gives the same bits as on one.
TEST(SolveLinearSystems, SharedBetweenThreadsAsOnOne) {
  std::mt19937 rng(23);
  std::uniform_real_distribution<double> real(-1, 1);
  std::uniform_int_distribution<int> small(-3, 3);
  for (int n : {250}) {
    for (bool ties : {false, true}) {
      const size_t nn = static_cast<size_t>(n) * n;
      std::vector<double> a(nn), b1(n), b2(n);
      for (double& v : a) v = ties ? small(rng) : real(rng);
      for (int k = 0; k < n; ++k) a[k * (n + 1)] += ties ? 30 : 0;
      for (double& v : b1) v = real(rng);
      for (double& v : b2) v = real(rng);
      std::vector<double> a1 = a, r1 = b1, r2 = b2;
      double* alone[2] = {r1.data(), r2.data()};
      ASSERT_EQ(SolveLinearSystems(a1.data(), alone, 2, n), kSolved);
      for (int32_t threads : {2, 3}) {
        std::vector<double> at = a, s1 = b1, s2 = b2;
        double* shared[2] = {s1.data(), s2.data()};
        ASSERT_EQ(SolveLinearSystemsOn(at.data(), shared, 2, n, threads), kSolved);
        for (int k = 0; k < n; ++k) {
          ASSERT_EQ(s1[k], r1[k]) << "n " << n << " threads " << threads << " k " << k;
          ASSERT_EQ(s2[k], r2[k]) << "n " << n << " threads " << threads << " k " << k;
        }
      }
    }
  }
  // A singular system stops at the same step, and every helper ends.
  const int n = 300;
  std::vector<double> a(static_cast<size_t>(n) * n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) a[static_cast<size_t>(r) * n + c] = r < 200 ? std::sin(r * 0.37 + c * c * 0.011) : 1.0;
  }
  std::vector<double> b(n, 1.0);
  double* one[1] = {b.data()};
  EXPECT_EQ(SolveLinearSystemsOn(a.data(), one, 1, n, 3), kSingular);
}

TEST(SolveLinearSystems, SingularAtTheSameStepAsAlone) {
  // Rank 2 in a 5 by 5 system: the third pivot is zero for both.
  const int n = 5;
  std::vector<double> a(n * n);
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) a[r * n + c] = (r % 2 ? 1.0 : 2.0) * (c + 1) + (r % 2 ? 0.0 : 0.5 * c * c);
  }
  std::vector<double> copy = a, b(n, 1.0), c(n, 2.0), d(n, 1.0);
  EXPECT_EQ(oracle::SolveLinearSystem(copy.data(), d.data(), n), 1);
  double* both[2] = {b.data(), c.data()};
  EXPECT_EQ(SolveLinearSystems(a.data(), both, 2, n), kSingular);
  // A NaN or an infinity makes the system as useless as a singular one,
  // wherever it stands: as the pivot, beside it, or in a right-hand side.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const double bad : {nan, inf}) {
    for (int at = 0; at < 6; ++at) {
      double m[4] = {1, 0.5, 2, 3}, x[2] = {1, 2}, y[2] = {3, 4};
      if (at < 4) m[at] = bad;
      if (at == 4) x[1] = bad;
      if (at == 5) y[0] = bad;
      double* two[2] = {x, y};
      EXPECT_EQ(SolveLinearSystems(m, two, 2, 2), kSingular) << bad << " at " << at;
    }
    double one = bad, b = 1;
    EXPECT_EQ(SolveLinearSystem(&one, &b, 1), kSingular);
  }
}

}  // namespace
}  // namespace kestrel::testing
