#include "oracle.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

#include "app/report.h"
#include "grid/driver.h"
#include "store/store.h"

namespace kestrel::oracle {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kThreshold = 1.1754943508222875e-38;  // 2^-126

}  // namespace

int SolveLinearSystem(double* a, double* b, int32_t n) {
  if (n == 1) {
    if (std::fabs(a[0]) < kThreshold) return 1;
    b[0] = b[0] / a[0];
    return 0;
  }
  std::vector<int32_t> perm(static_cast<std::size_t>(n));
  for (int32_t k = 0; k < n; ++k) perm[k] = k;
  auto at = [a, n](int32_t r, int32_t c) -> double& {
    return a[static_cast<std::size_t>(r) * static_cast<std::size_t>(n) + static_cast<std::size_t>(c)];
  };
  for (int32_t m = 0; m < n - 1; ++m) {
    int32_t pr = m, pc = m;
    double largest = std::fabs(at(m, m));
    for (int32_t r = m; r < n; ++r) {
      for (int32_t c = m; c < n; ++c) {
        if (std::fabs(at(r, c)) > largest) {
          largest = std::fabs(at(r, c));
          pr = r;
          pc = c;
        }
      }
    }
    if (largest < kThreshold) return 1;
    if (pr != m) {
      for (int32_t c = m; c < n; ++c) std::swap(at(m, c), at(pr, c));
      std::swap(b[m], b[pr]);
    }
    if (pc != m) {
      for (int32_t r = 0; r < n; ++r) std::swap(at(r, m), at(r, pc));
      std::swap(perm[m], perm[pc]);
    }
    for (int32_t k = m + 1; k < n; ++k) {
      const double factor = at(k, m) / at(m, m);
      b[k] -= factor * b[m];
      for (int32_t l = m + 1; l < n; ++l) at(k, l) -= factor * at(m, l);
    }
  }
  if (std::fabs(at(n - 1, n - 1)) < kThreshold) return 1;
  std::vector<double> y(static_cast<std::size_t>(n));
  y[n - 1] = b[n - 1] / at(n - 1, n - 1);
  for (int32_t k = n - 2; k >= 0; --k) {
    double sum = 0;
    for (int32_t l = k + 1; l < n; ++l) sum += at(k, l) * y[l];
    y[k] = (b[k] - sum) / at(k, k);
  }
  for (int32_t l = 0; l < n; ++l) b[perm[l]] = y[l];
  return 0;
}

namespace {

// The point at fraction t of the arc length of m points from `start`.
int ArcPoint(const double* x, const double* y, int32_t count, int32_t start, int32_t m, double t, int code, double& px,
             double& py) {
  if (m < 2) {
    px = x[start % count];
    py = y[start % count];
    return 0;
  }
  double* s = static_cast<double*>(std::calloc(static_cast<std::size_t>(m), sizeof(double)));
  if (!s) return code;
  auto index = [&](int32_t k) { return (start + k) % count; };
  for (int32_t k = 1; k < m; ++k) {
    const int32_t p = index(k - 1), c = index(k);
    s[k] = s[k - 1] + std::hypot(x[c] - x[p], y[c] - y[p]);
  }
  const double tau = t * s[m - 1];
  int32_t k = 1;
  while (k < m - 1 && !(s[k - 1] <= tau && tau <= s[k])) ++k;
  const int32_t p = index(k - 1), c = index(k);
  const double f = (tau - s[k - 1]) / (s[k] - s[k - 1]);
  px = x[p] + (x[c] - x[p]) * f;
  py = y[p] + (y[c] - y[p]) * f;
  std::free(s);
  return 0;
}

double Graded(int32_t k, int32_t n, double e) { return std::pow(static_cast<double>(k) / n, e); }

// g1, g2, h1, h2 of the element A-B seen from P, in closed form.
void ElementIntegrals(double px, double py, double ax, double ay, double bx, double by, double v[4]) {
  const double dx = bx - ax, dy = by - ay;
  const double ux = px - ax, uy = py - ay;
  const double L2 = dx * dx + dy * dy;
  const double L = std::sqrt(L2);
  const double t = ux * dx + uy * dy;
  const double c = uy * dx - ux * dy;
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = (px - bx) * (px - bx) + (py - by) * (py - by);
  const double alpha = std::atan(-t / c);
  const double beta = std::atan((L2 - t) / c);
  v[2] = ((L2 - t) / L2) * (alpha - beta) + (c / (2 * L2)) * (std::log(rB2) - std::log(rA2));
  v[3] = (t / L2) * (alpha - beta) + (c / (2 * L2)) * (std::log(rA2) - std::log(rB2));
  const double a = t / L;
  const double b = std::fabs(c) / L;
  const double u0 = -a, u1 = L - a;
  auto F0 = [b](double w, double r) { return w * std::log(r) - w + (b == 0 ? 0.0 : b * std::atan(w / b)); };
  auto F1 = [](double w, double r) { return r * r * std::log(r) / 2 - w * w / 4; };
  const double rA = std::sqrt(rA2), rB = std::sqrt(rB2);
  const double I0 = F0(u1, rB) - F0(u0, rA);
  const double I1 = F1(u1, rB) - F1(u0, rA) + a * I0;
  v[0] = I1 / L - I0;
  v[1] = -I1 / L;
}

// The twelve values g1, dg1/dx, dg1/dy, g2 .., h1 .., h2 .. of one element.
void FieldIntegrals(double px, double py, double ax, double ay, double bx, double by, double out[12]) {
  const double ux = px - ax, uy = py - ay;
  const double vx = px - bx, vy = py - by;
  const double dx = bx - ax, dy = by - ay;
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = vx * vx + vy * vy;
  const double lnA2 = std::log(rA2), lnB2 = std::log(rB2);
  const double L = std::sqrt(dx * dx + dy * dy);
  const double ex = dx / L, ey = dy / L;
  const double nx = ey, ny = -ex;
  // P at arc position a and signed distance w from the element's line.
  const double a = ux * ex + uy * ey;
  const double w = ux * nx + uy * ny;
  const double u0 = -a, u1 = L - a;
  const double D = ux * vx + uy * vy;
  const double theta = std::atan2(w * L, D);  // the angle the element subtends
  // Elementary integrals over s of 1/r^2, (s-a)/r^2, (s-a)^2/r^2, (s-a)/r^4
  // and w^2/r^4.
  const double J0 = w != 0 ? theta / w : L / D;
  const double J1 = 0.5 * (lnB2 - lnA2);
  const double J2 = L - w * theta;
  const double K1 = 0.5 * (1 / rA2 - 1 / rB2);
  const double M = 0.5 * (u1 / rB2 - u0 / rA2 + J0);
  const double P2 = (J1 + a * J0) / L, P1 = J0 - P2;
  const double wP2 = (w * J1 + a * theta) / L, wP1 = theta - wP2;
  const double Q2 = (J2 + a * J1) / L, Q1 = J1 - Q2;
  const double R2 = (theta - w * M + a * w * K1) / L, R1 = w * K1 - R2;
  const double S2 = (w * w * K1 + a * M) / L, S1 = M - S2;
  const double I0 = u1 * lnB2 / 2 - u0 * lnA2 / 2 - L + w * theta;
  const double I1 = 0.5 * (rB2 * lnB2 / 2 - rA2 * lnA2 / 2) - 0.25 * (u1 * u1 - u0 * u0) + a * I0;
  out[0] = I1 / L - I0;
  out[1] = ex * Q1 - nx * wP1;
  out[2] = ey * Q1 - ny * wP1;
  out[3] = -I1 / L;
  out[4] = ex * Q2 - nx * wP2;
  out[5] = ey * Q2 - ny * wP2;
  out[6] = wP1;
  out[7] = nx * P1 + 2 * ex * R1 - 2 * nx * S1;
  out[8] = ny * P1 + 2 * ey * R1 - 2 * ny * S1;
  out[9] = wP2;
  out[10] = nx * P2 + 2 * ex * R2 - 2 * nx * S2;
  out[11] = ny * P2 + 2 * ey * R2 - 2 * ny * S2;
}

int PointInBoundary(const double* bx, const double* by, int32_t f, double px, double py) {
  int crossings = 0;
  double xp = bx[f - 1], yp = by[f - 1];
  for (int32_t k = 0; k < f; ++k) {
    const double xc = bx[k], yc = by[k];
    if ((py < yp) != (py < yc)) {
      if (px < xp && px < xc) {
        ++crossings;
      } else {
        const double d1 = (xc - xp) * (py - yp);
        const double d2 = (yc - yp) * (px - xp);
        if (yp < yc ? d1 > d2 : d1 < d2) ++crossings;
      }
    }
    xp = xc;
    yp = yc;
  }
  return crossings % 2;
}

int LocateNode(const BoundarySolution& s, double xiTarget, double etaTarget, double& px, double& py) {
  double mx = 0, my = 0;
  for (int32_t k = 0; k < s.f; ++k) {
    mx += s.boundaryX[k];
    my += s.boundaryY[k];
  }
  mx /= s.f;
  my /= s.f;
  px = (mx + 99 * px) / 100;
  py = (my + 99 * py) / 100;
  for (int iteration = 0; iteration < 32; ++iteration) {
    double v[6];
    EvaluateField(s, px, py, v);
    double J[4] = {v[1], v[2], v[4], v[5]};
    double step[2] = {v[0] - xiTarget, v[3] - etaTarget};
    if (SolveLinearSystem(J, step, 2) != 0) return 4909;
    double d = 2;
    for (int trial = 0; trial < 32; ++trial) {
      if (PointInBoundary(s.boundaryX, s.boundaryY, s.f, px - step[0] / d, py - step[1] / d) == 1) break;
      d *= 2;
    }
    px -= step[0] / d;
    py -= step[1] / d;
  }
  return 0;
}

}  // namespace

void EvaluateField(const BoundarySolution& s, double px, double py, double out[6]) {
  for (int c = 0; c < 6; ++c) out[c] = 0;
  for (int32_t e = 0; e < s.f; ++e) {
    const int32_t e1 = e + 1 == s.f ? 0 : e + 1;
    double v[12];
    FieldIntegrals(px, py, s.boundaryX[e], s.boundaryY[e], s.boundaryX[e1], s.boundaryY[e1], v);
    for (int c = 0; c < 3; ++c) {
      out[c] += v[c] * s.xiFlux[e] + v[3 + c] * s.xiFlux[e1] - v[6 + c] * s.xi[e] - v[9 + c] * s.xi[e1];
      out[3 + c] += v[c] * s.etaFlux[e] + v[3 + c] * s.etaFlux[e1] - v[6 + c] * s.eta[e] - v[9 + c] * s.eta[e1];
    }
  }
  for (int c = 0; c < 6; ++c) out[c] /= kTwoPi;
}

int SolveBoundary(const WorkingBoundary& w, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                  BoundarySolution& s) {
  const int32_t f = 2 * (ni + nj);
  const std::size_t n = static_cast<std::size_t>(f);
  s.f = f;
  s.boundaryX = AllocArray<double>(5227, n);
  s.boundaryY = AllocArray<double>(5228, n);
  s.xi = AllocArray<double>(5223, n);
  s.eta = AllocArray<double>(5225, n);
  s.xiFlux = AllocArray<double>(5224, n);
  s.etaFlux = AllocArray<double>(5226, n);

  // Boundary nodes: side 1 (xi = t, eta = 0), side 2 (xi = 1, eta = t), side
  // 3 (xi runs back, eta = 1), side 4 (xi = 0, eta runs back).
  const int32_t K = w.count;
  int32_t node = 0;
  int code = 0;
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = Graded(i, ni, a);
    code |= ArcPoint(w.x, w.y, K, k[0], k[1] - k[0] + 1, t, 5232, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = t;
    s.eta[node] = 0;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = Graded(j, nj, b);
    code |= ArcPoint(w.x, w.y, K, k[1], k[2] - k[1] + 1, t, 5239, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1;
    s.eta[node] = t;
  }
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = 1 - Graded(ni - i, ni, a);
    code |= ArcPoint(w.x, w.y, K, k[2], k[3] - k[2] + 1, t, 5246, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1 - t;
    s.eta[node] = 1;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = 1 - Graded(nj - j, nj, b);
    code |= ArcPoint(w.x, w.y, K, k[3], k[0] + K - k[3] + 1, t, 5253, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 0;
    s.eta[node] = 1 - t;
  }
  if (code) return code;

  // Collocation at every node against every element.
  std::vector<double> G(n * n), H(n * n);
  const double* x = s.boundaryX;
  const double* y = s.boundaryY;
  for (int32_t p = 0; p < f; ++p) {
    double* g = &G[static_cast<std::size_t>(p) * n];
    double* h = &H[static_cast<std::size_t>(p) * n];
    for (int32_t e = 0; e < f; ++e) {
      const int32_t e1 = e + 1 == f ? 0 : e + 1;
      if (p == e || p == e1) {
        const double L = std::hypot(x[e1] - x[e], y[e1] - y[e]);
        if (L < kCoincident) return 4649;
        const double near = L * (1.5 - std::log(L)) / 2;
        const double far = L * (0.5 - std::log(L)) / 2;
        g[e] += p == e ? near : far;
        g[e1] += p == e ? far : near;
        continue;
      }
      double v[4];
      ElementIntegrals(x[p], y[p], x[e], y[e], x[e1], y[e1], v);
      g[e] += v[0];
      g[e1] += v[1];
      h[e] += v[2];
      h[e1] += v[3];
      h[p] -= v[2] + v[3];
    }
  }

  // H u = G q, solved for xi and then for eta.
  const double* prescribed[2] = {s.xi, s.eta};
  double* flux[2] = {s.xiFlux, s.etaFlux};
  const int failure[2] = {5299, 5312};
  std::vector<double> A(n * n);
  for (int field = 0; field < 2; ++field) {
    for (std::size_t l = 0; l < n * n; ++l) A[l] = -G[l];
    for (std::size_t p = 0; p < n; ++p) {
      double sum = 0;
      for (std::size_t l = 0; l < n; ++l) sum += H[p * n + l] * prescribed[field][l];
      flux[field][p] = -sum;
    }
    if (SolveLinearSystem(A.data(), flux[field], f) != 0) return failure[field];
  }
  return 0;
}

int PlaceNodes(const BoundarySolution& s, const WorkingBoundary& w, int32_t k1, int32_t k2, int32_t ni, int32_t nj,
               double a, double b, double* x, double* y) {
  auto at = [ni](int32_t i, int32_t j) { return static_cast<std::size_t>(j) * (ni + 1) + i; };
  for (int32_t i = 0; i < ni; ++i) {
    x[at(i, 0)] = s.boundaryX[i];
    y[at(i, 0)] = s.boundaryY[i];
  }
  for (int32_t j = 0; j < nj; ++j) {
    x[at(ni, j)] = s.boundaryX[ni + j];
    y[at(ni, j)] = s.boundaryY[ni + j];
  }
  for (int32_t k = 0; k < ni; ++k) {
    x[at(ni - k, nj)] = s.boundaryX[ni + nj + k];
    y[at(ni - k, nj)] = s.boundaryY[ni + nj + k];
  }
  for (int32_t k = 0; k < nj; ++k) {
    x[at(0, nj - k)] = s.boundaryX[2 * ni + nj + k];
    y[at(0, nj - k)] = s.boundaryY[2 * ni + nj + k];
  }
  for (int32_t i = 1; i < ni; ++i) {
    const double xiTarget = Graded(i, ni, a);
    double px, py;
    if (const int code = ArcPoint(w.x, w.y, w.count, k1, k2 - k1 + 1, xiTarget, 5348, px, py)) return code;
    for (int32_t j = 1; j < nj; ++j) {
      if (const int code = LocateNode(s, xiTarget, Graded(j, nj, b), px, py)) return code;
      x[at(i, j)] = px;
      y[at(i, j)] = py;
    }
  }
  return 0;
}

int GridPolygon(int32_t index, Patch& patch) {
  WorkingBoundary w;
  const bool reversed = BuildWorkingBoundary(PolygonAt(index), w);
  PatchPlan plan;
  if (!PlanPatch(index, w, reversed, plan)) {
    ReleaseWorkingBoundary(w);
    return -1;
  }
  patch.ni = plan.ni;
  patch.nj = plan.nj;
  const std::size_t nodes = static_cast<std::size_t>(plan.ni + 1) * static_cast<std::size_t>(plan.nj + 1);
  patch.x.assign(nodes, 0);
  patch.y.assign(nodes, 0);
  BoundarySolution s;
  int code = SolveBoundary(w, plan.corners, plan.ni, plan.nj, plan.a, plan.b, s);
  if (code == 0) {
    code = PlaceNodes(s, w, plan.corners[0], plan.corners[1], plan.ni, plan.nj, plan.a, plan.b, patch.x.data(),
                      patch.y.data());
  }
  ReleaseBoundarySolution(s);
  ReleaseWorkingBoundary(w);
  return code;
}

}  // namespace kestrel::oracle
