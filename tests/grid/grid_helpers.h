// Helpers shared by the grid tests.
#pragma once

#include <initializer_list>
#include <new>
#include <utility>

#include "app/report.h"
#include "grid/boundary.h"
#include "grid/fieldtable.h"

namespace kestrel::testing {

// A working boundary (counter-clockwise points) that frees itself.
struct TestBoundary {
  WorkingBoundary w;
  explicit TestBoundary(std::initializer_list<std::pair<double, double>> points) {
    w.count = static_cast<int32_t>(points.size());
    w.x = AllocArray<double>(1, points.size());
    w.y = AllocArray<double>(1, points.size());
    int32_t k = 0;
    for (const auto& [x, y] : points) {
      w.x[k] = x;
      w.y[k] = y;
      ++k;
    }
  }
  ~TestBoundary() { ReleaseWorkingBoundary(w); }
  TestBoundary(const TestBoundary&) = delete;
  TestBoundary& operator=(const TestBoundary&) = delete;
};

// A boundary solution that frees itself.
struct TestSolution {
  BoundarySolution s;
  ~TestSolution() { ReleaseBoundarySolution(s); }
};

// The field table of a solved boundary, with one scratch, freed at the end.
struct TestField {
  FieldTable table;
  FieldScratch scratch;
  explicit TestField(const BoundarySolution& s) {
    if (!AllocateFieldTable(s.f, table) || !AllocateFieldScratch(s.f, scratch)) throw std::bad_alloc();
    SetFieldGeometry(s, table);
    SetFieldValues(s, table);
  }
  ~TestField() {
    ReleaseFieldScratch(scratch);
    ReleaseFieldTable(table);
  }
  TestField(const TestField&) = delete;
  TestField& operator=(const TestField&) = delete;
};

// Adaptive Simpson quadrature of f over [a, b].
template <typename F>
double Integrate(F f, double a, double b, double tolerance = 1e-13) {
  struct Step {
    static double Run(F& f, double a, double b, double fa, double fm, double fb, double whole, double tol, int depth) {
      const double m = (a + b) / 2, lm = (a + m) / 2, rm = (m + b) / 2;
      const double flm = f(lm), frm = f(rm);
      const double left = (m - a) / 6 * (fa + 4 * flm + fm);
      const double right = (b - m) / 6 * (fm + 4 * frm + fb);
      const double diff = left + right - whole;
      if (depth <= 0 || std::fabs(diff) <= 15 * tol) return left + right + diff / 15;
      return Run(f, a, m, fa, flm, fm, left, tol / 2, depth - 1) + Run(f, m, b, fm, frm, fb, right, tol / 2, depth - 1);
    }
  };
  const double fa = f(a), fb = f(b), fm = f((a + b) / 2);
  const double whole = (b - a) / 6 * (fa + 4 * fm + fb);
  return Step::Run(f, a, b, fa, fm, fb, whole, tolerance, 40);
}

}  // namespace kestrel::testing
