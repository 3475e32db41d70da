#include "grid/outline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/report.h"
#include "fixture.h"
#include "grid/gridstore.h"

namespace kestrel::testing {
namespace {

class OutlineTest : public KestrelTest {
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

  void Prepare(int32_t count) {
    grids.patchCount = count;
    grids.ni = AllocArray<int32_t>(1, count);
    grids.nj = AllocArray<int32_t>(1, count);
    grids.x = AllocArray<double*>(1, count);
    grids.y = AllocArray<double*>(1, count);
  }
  void UnitPatch(int32_t k, double dx) {
    grids.ni[k] = grids.nj[k] = 1;
    grids.x[k] = AllocArray<double>(1, 4);
    grids.y[k] = AllocArray<double>(1, 4);
    const double x[4] = {0, 1, 0, 1}, y[4] = {0, 0, 1, 1};  // (0,0) (1,0) (0,1) (1,1)
    for (int n = 0; n < 4; ++n) {
      grids.x[k][n] = x[n] + dx;
      grids.y[k][n] = y[n];
    }
  }
};

const char kUnitOutline[] =
    "POLY\n0.000000 0.000000\n0.000000 1.000000\nEND\n"
    "POLY\n1.000000 0.000000\n1.000000 1.000000\nEND\n"
    "POLY\n0.000000 0.000000\n1.000000 0.000000\nEND\n"
    "POLY\n0.000000 1.000000\n1.000000 1.000000\nEND\n";

TEST_F(OutlineTest, OneCellGivesSixteenLines) {
  AddPolygon("1 by 1", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  Prepare(1);
  UnitPatch(0, 0);
  TempDir::Write(kGridOutlineFile, "an older file, longer than the new one ...............................\n");
  ASSERT_TRUE(WriteGridOutlines());
  EXPECT_EQ(TempDir::Read(kGridOutlineFile), kUnitOutline);
}

TEST_F(OutlineTest, ClipPolygonIsSkippedAndLinesRunAlongIThenJ) {
  AddPolygon("a", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, true);
  AddPolygon("clip", {{0, 0}, {1, 0}, {1, 1}}, true);
  AddPolygon("b", {{0, 0}, {2, 0}, {2, 1}, {0, 1}}, true);
  clipPolygon = 1;
  Prepare(3);
  UnitPatch(0, 0);
  // Patch 2: two cells in I, one in J, nodes at x = 10 + i, y = j / 2.
  grids.ni[2] = 2;
  grids.nj[2] = 1;
  grids.x[2] = AllocArray<double>(1, 6);
  grids.y[2] = AllocArray<double>(1, 6);
  for (int j = 0; j <= 1; ++j) {
    for (int i = 0; i <= 2; ++i) {
      grids.x[2][NodeIndex(2, i, j)] = 10 + i;
      grids.y[2][NodeIndex(2, i, j)] = j / 2.0;
    }
  }
  ASSERT_TRUE(WriteGridOutlines());
  const std::string second =
      "POLY\n10.000000 0.000000\n10.000000 0.500000\nEND\n"
      "POLY\n11.000000 0.000000\n11.000000 0.500000\nEND\n"
      "POLY\n12.000000 0.000000\n12.000000 0.500000\nEND\n"
      "POLY\n10.000000 0.000000\n11.000000 0.000000\n12.000000 0.000000\nEND\n"
      "POLY\n10.000000 0.500000\n11.000000 0.500000\n12.000000 0.500000\nEND\n";
  EXPECT_EQ(TempDir::Read(kGridOutlineFile), std::string(kUnitOutline) + second);
}

}  // namespace
}  // namespace kestrel::testing
