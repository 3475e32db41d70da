// The closed forms of the element integrals against quadrature of their
// definitions, and their gradients against finite differences.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "grid/boundary.h"
#include "grid/interior.h"
#include "grid_helpers.h"

namespace kestrel::testing {
namespace {

struct Case {
  double px, py, ax, ay, bx, by;
};

// Integrals of N_k (-ln r) and N_k d(-ln r)/dn and of the gradients of both
// with respect to P, straight from their definitions. Index as FieldIndex.
void Quadrature(const Case& c, double out[kFieldValues]) {
  const double dx = c.bx - c.ax, dy = c.by - c.ay;
  const double L = std::hypot(dx, dy);
  const double nx = dy / L, ny = -dx / L;
  for (int k = 0; k < 2; ++k) {
    auto shape = [&](double s) { return k == 0 ? 1 - s / L : s / L; };
    // X - P and r^2 at arc position s.
    auto rel = [&](double s, double& rx, double& ry) {
      rx = c.ax + dx * s / L - c.px;
      ry = c.ay + dy * s / L - c.py;
      return rx * rx + ry * ry;
    };
    const int base = k == 0 ? kG1 : kG2;
    const int hbase = k == 0 ? kH1 : kH2;
    out[base] = Integrate(
        [&](double s) {
          double rx, ry;
          return shape(s) * -0.5 * std::log(rel(s, rx, ry));
        },
        0, L);
    // d(-ln r)/dP = (X - P) / r^2.
    out[base + 1] = Integrate(
        [&](double s) {
          double rx, ry;
          const double r2 = rel(s, rx, ry);
          return shape(s) * rx / r2;
        },
        0, L);
    out[base + 2] = Integrate(
        [&](double s) {
          double rx, ry;
          const double r2 = rel(s, rx, ry);
          return shape(s) * ry / r2;
        },
        0, L);
    // d(-ln r)/dn at X = -(X - P).n / r^2.
    out[hbase] = Integrate(
        [&](double s) {
          double rx, ry;
          const double r2 = rel(s, rx, ry);
          return -shape(s) * (rx * nx + ry * ny) / r2;
        },
        0, L);
    // Its gradient with respect to P: n / r^2 - 2 ((X-P).n)(X-P) / r^4.
    for (int axis = 0; axis < 2; ++axis) {
      out[hbase + 1 + axis] = Integrate(
          [&](double s) {
            double rx, ry;
            const double r2 = rel(s, rx, ry);
            const double dot = rx * nx + ry * ny;
            const double n = axis == 0 ? nx : ny;
            const double r = axis == 0 ? rx : ry;
            return shape(s) * (n / r2 - 2 * dot * r / (r2 * r2));
          },
          0, L);
    }
  }
}

// Random elements, with field points anywhere not too close to the element
// and points on the element's line beyond either end.
std::vector<Case> RandomCases() {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<double> coord(-1, 1);
  std::uniform_real_distribution<double> field(-2.5, 2.5);
  std::uniform_real_distribution<double> beyond(0.08, 2);
  std::vector<Case> cases;
  while (cases.size() < 300) {
    Case c{0, 0, coord(rng), coord(rng), coord(rng), coord(rng)};
    const double dx = c.bx - c.ax, dy = c.by - c.ay;
    const double L = std::hypot(dx, dy);
    if (L < 0.05) continue;
    if (cases.size() % 3 == 0) {
      // On the line: before A or after B.
      const double t = cases.size() % 2 ? -beyond(rng) : 1 + beyond(rng);
      c.px = c.ax + t * dx;
      c.py = c.ay + t * dy;
    } else {
      c.px = field(rng);
      c.py = field(rng);
      // Distance to the segment.
      double t = ((c.px - c.ax) * dx + (c.py - c.ay) * dy) / (L * L);
      t = t < 0 ? 0 : t > 1 ? 1 : t;
      if (std::hypot(c.ax + t * dx - c.px, c.ay + t * dy - c.py) < 0.05 * L) continue;
    }
    cases.push_back(c);
  }
  // Exactly on the line, in axis-aligned elements where the cross product is
  // an exact zero of either sign.
  cases.push_back({3, 0, 0, 0, 1, 0});
  cases.push_back({-2, 0, 0, 0, 1, 0});
  cases.push_back({0, 3, 0, 1, 0, 0});
  cases.push_back({0, -0.5, 0, 1, 0, 0});
  return cases;
}

double Tolerance(double reference) { return 1e-9 * (1 + std::fabs(reference)); }

TEST(ElementIntegrals, AgreeWithQuadratureOfTheirDefinitions) {
  for (const Case& c : RandomCases()) {
    double q[kFieldValues];
    Quadrature(c, q);
    const ElementValues v = ElementIntegrals(c.px, c.py, c.ax, c.ay, c.bx, c.by);
    SCOPED_TRACE(::testing::Message() << "P (" << c.px << ", " << c.py << ") A (" << c.ax << ", " << c.ay << ") B ("
                                      << c.bx << ", " << c.by << ")");
    EXPECT_NEAR(v.g1, q[kG1], Tolerance(q[kG1]));
    EXPECT_NEAR(v.g2, q[kG2], Tolerance(q[kG2]));
    EXPECT_NEAR(v.h1, q[kH1], Tolerance(q[kH1]));
    EXPECT_NEAR(v.h2, q[kH2], Tolerance(q[kH2]));
  }
}

TEST(ElementIntegrals, PointOnTheLineHasNoDoubleLayer) {
  for (double sign : {1.0, -1.0}) {
    // c is +0 or -0 depending on the direction of the element.
    const ElementValues v = ElementIntegrals(3, 0, 0, 0, sign, 0);
    EXPECT_EQ(v.h1, 0);
    EXPECT_EQ(v.h2, 0);
    EXPECT_TRUE(std::isfinite(v.g1));
    EXPECT_TRUE(std::isfinite(v.g2));
  }
}

TEST(FieldIntegrals, AgreeWithQuadratureAndWithElementIntegrals) {
  for (const Case& c : RandomCases()) {
    double q[kFieldValues], v[kFieldValues];
    Quadrature(c, q);
    FieldIntegrals(c.px, c.py, c.ax, c.ay, c.bx, c.by, v);
    SCOPED_TRACE(::testing::Message() << "P (" << c.px << ", " << c.py << ") A (" << c.ax << ", " << c.ay << ") B ("
                                      << c.bx << ", " << c.by << ")");
    for (int k = 0; k < kFieldValues; ++k) EXPECT_NEAR(v[k], q[k], Tolerance(q[k])) << "value " << k;
    const ElementValues e = ElementIntegrals(c.px, c.py, c.ax, c.ay, c.bx, c.by);
    EXPECT_NEAR(v[kG1], e.g1, 1e-12 * (1 + std::fabs(e.g1)));
    EXPECT_NEAR(v[kH2], e.h2, 1e-12 * (1 + std::fabs(e.h2)));
  }
}

TEST(FieldIntegrals, GradientsMatchFiniteDifferences) {
  const double step = 1e-6;
  for (const Case& c : RandomCases()) {
    double v[kFieldValues], xp[kFieldValues], xm[kFieldValues], yp[kFieldValues], ym[kFieldValues];
    FieldIntegrals(c.px, c.py, c.ax, c.ay, c.bx, c.by, v);
    FieldIntegrals(c.px + step, c.py, c.ax, c.ay, c.bx, c.by, xp);
    FieldIntegrals(c.px - step, c.py, c.ax, c.ay, c.bx, c.by, xm);
    FieldIntegrals(c.px, c.py + step, c.ax, c.ay, c.bx, c.by, yp);
    FieldIntegrals(c.px, c.py - step, c.ax, c.ay, c.bx, c.by, ym);
    SCOPED_TRACE(::testing::Message() << "P (" << c.px << ", " << c.py << ") A (" << c.ax << ", " << c.ay << ") B ("
                                      << c.bx << ", " << c.by << ")");
    for (int base : {kG1, kG2, kH1, kH2}) {
      const double dx = (xp[base] - xm[base]) / (2 * step);
      const double dy = (yp[base] - ym[base]) / (2 * step);
      EXPECT_NEAR(v[base + 1], dx, 1e-5 * (1 + std::fabs(dx))) << "value " << base;
      EXPECT_NEAR(v[base + 2], dy, 1e-5 * (1 + std::fabs(dy))) << "value " << base;
    }
  }
}

}  // namespace
}  // namespace kestrel::testing
