#include "grid/solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace kestrel::testing {
namespace {

TEST(SolveLinearSystem, ZeroMatrixIsSingularAtTheFirstStep) {
  double a[4] = {0, 0, 0, 0};
  double b[2] = {1, 2};
  EXPECT_EQ(SolveLinearSystem(a, b, 2), kSingular);
}

TEST(SolveLinearSystem, ExchangesRowsAndColumnsToFindThePivot) {
  double a[4] = {0, 1, 1, 0};
  double b[2] = {3, 4};
  ASSERT_EQ(SolveLinearSystem(a, b, 2), kSolved);
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(b[1], 3);
}

TEST(SolveLinearSystem, TinyButNonzeroMatrixCountsAsSingular) {
  double a[4] = {1e-39, 0, 0, 1e-39};
  double b[2] = {1, 1};
  EXPECT_EQ(SolveLinearSystem(a, b, 2), kSingular);
  // Just above the threshold it is solved.
  double c[4] = {1e-37, 0, 0, 1e-37};
  double d[2] = {1e-37, 2e-37};
  ASSERT_EQ(SolveLinearSystem(c, d, 2), kSolved);
  EXPECT_DOUBLE_EQ(d[0], 1);
  EXPECT_DOUBLE_EQ(d[1], 2);
}

TEST(SolveLinearSystem, OneByOne) {
  double a = 0.5, b = 2;
  ASSERT_EQ(SolveLinearSystem(&a, &b, 1), kSolved);
  EXPECT_EQ(b, 4);
  double z = 1e-39, c = 1;
  EXPECT_EQ(SolveLinearSystem(&z, &c, 1), kSingular);
}

TEST(SolveLinearSystem, RankDeficiencyFoundAtTheLastPivot) {
  double a[4] = {1, 1, 1, 1};
  double b[2] = {1, 1};
  EXPECT_EQ(SolveLinearSystem(a, b, 2), kSingular);
}

TEST(SolveLinearSystem, RandomSystemsBeyondTheStackPermutation) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n : {3, 7, 16, 17, 60}) {
    std::vector<double> a(n * n), x(n), b(n, 0.0);
    for (double& v : a) v = u(rng);
    for (double& v : x) v = u(rng);
    for (int r = 0; r < n; ++r)
      for (int c = 0; c < n; ++c) b[r] += a[r * n + c] * x[c];
    ASSERT_EQ(SolveLinearSystem(a.data(), b.data(), n), kSolved) << n;
    for (int k = 0; k < n; ++k) EXPECT_NEAR(b[k], x[k], 1e-9) << "n " << n << " k " << k;
  }
}

}  // namespace
}  // namespace kestrel::testing
