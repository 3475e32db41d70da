#include "grid/boundary.h"

#include <cmath>
#include <cstddef>

#include "app/report.h"
#include "grid/solver.h"
#include "store/store.h"

namespace kestrel {

void ArcPoint(const double* x, const double* y, int32_t count, int32_t start, int32_t m, double t, int code, double& px,
              double& py) {
  if (m < 2) {
    px = x[start % count];
    py = y[start % count];
    return;
  }
  double* s = AllocArray<double>(code, static_cast<std::size_t>(m));
  auto index = [&](int32_t k) { return (start + k) % count; };
  s[0] = 0;
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
  FreeBlock(s);
}

ElementValues ElementIntegrals(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  const double ux = px - ax, uy = py - ay;
  const double vx = px - bx, vy = py - by;
  const double L2 = dx * dx + dy * dy;
  const double L = std::sqrt(L2);
  const double t = ux * dx + uy * dy;  // L times the projection of P on the element
  const double c = uy * dx - ux * dy;  // L times the distance of P from its line, signed
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = vx * vx + vy * vy;
  const double lnA2 = std::log(rA2);
  const double lnB2 = std::log(rB2);

  // Double layer. On the element's line (c = 0) the arc tangents are those of
  // infinite arguments, pi/2 of equal sign, and both values come out as 0.
  const double alpha = std::atan(-t / c);
  const double beta = std::atan((L2 - t) / c);
  ElementValues v;
  v.h1 = ((L2 - t) / L2) * (alpha - beta) + (c / (2 * L2)) * (lnB2 - lnA2);
  v.h2 = (t / L2) * (alpha - beta) + (c / (2 * L2)) * (lnA2 - lnB2);

  // Single layer: with v the arc parameter measured from the foot of P,
  // I0 = integral of ln r dv and I1 = integral of s ln r ds.
  const double a = t / L;
  const double b = std::fabs(c) / L;
  const double u0 = -a, u1 = L - a;
  const double lnA = lnA2 / 2, lnB = lnB2 / 2;
  auto F0 = [b](double w, double lnr) { return w * lnr - w + (b == 0 ? 0.0 : b * std::atan(w / b)); };
  auto F1 = [](double w, double r2, double lnr) { return r2 * lnr / 2 - w * w / 4; };
  const double I0 = F0(u1, lnB) - F0(u0, lnA);
  const double I1 = F1(u1, rB2, lnB) - F1(u0, rA2, lnA) + a * I0;
  v.g1 = I1 / L - I0;
  v.g2 = -I1 / L;
  return v;
}

void ReleaseBoundarySolution(BoundarySolution& solution) {
  FreeBlock(solution.boundaryX);
  FreeBlock(solution.boundaryY);
  FreeBlock(solution.xi);
  FreeBlock(solution.eta);
  FreeBlock(solution.xiFlux);
  FreeBlock(solution.etaFlux);
  solution = BoundarySolution{};
}

void ReleaseWorkingBoundary(WorkingBoundary& boundary) {
  FreeBlock(boundary.x);
  FreeBlock(boundary.y);
  boundary = WorkingBoundary{};
}

namespace {

// The graded fraction (k / n)^e; 0 to any positive power is 0.
double Graded(int32_t k, int32_t n, double e) { return std::pow(static_cast<double>(k) / static_cast<double>(n), e); }

void PlaceBoundaryNodes(const WorkingBoundary& w, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                        BoundarySolution& s) {
  const int32_t K = w.count;
  int32_t node = 0;
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = Graded(i, ni, a);
    ArcPoint(w.x, w.y, K, k[0], k[1] - k[0] + 1, t, 5232, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = t;
    s.eta[node] = 0;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = Graded(j, nj, b);
    ArcPoint(w.x, w.y, K, k[1], k[2] - k[1] + 1, t, 5239, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1;
    s.eta[node] = t;
  }
  for (int32_t i = 0; i < ni; ++i, ++node) {
    const double t = 1 - Graded(ni - i, ni, a);
    ArcPoint(w.x, w.y, K, k[2], k[3] - k[2] + 1, t, 5246, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 1 - t;
    s.eta[node] = 1;
  }
  for (int32_t j = 0; j < nj; ++j, ++node) {
    const double t = 1 - Graded(nj - j, nj, b);
    ArcPoint(w.x, w.y, K, k[3], k[0] + K - k[3] + 1, t, 5253, s.boundaryX[node], s.boundaryY[node]);
    s.xi[node] = 0;
    s.eta[node] = 1 - t;
  }
}

}  // namespace

void AssembleBoundarySystem(const BoundarySolution& s, double* G, double* H) {
  const int32_t f = s.f;
  const double* x = s.boundaryX;
  const double* y = s.boundaryY;
  for (int32_t p = 0; p < f; ++p) {
    double* g = G + static_cast<std::size_t>(p) * static_cast<std::size_t>(f);
    double* h = H + static_cast<std::size_t>(p) * static_cast<std::size_t>(f);
    for (int32_t e = 0; e < f; ++e) {
      const int32_t e1 = e + 1 == f ? 0 : e + 1;
      if (p == e || p == e1) {
        // The element touches the collocation node: the integrals of -ln r
        // against the two shape functions; the double layer vanishes.
        const double L = std::hypot(x[e1] - x[e], y[e1] - y[e]);
        if (L < kCoincident) Abort(4649, "adjacent boundary encountered coincident points");
        const double l = std::log(L);
        const double near = L * (1.5 - l) / 2;
        const double far = L * (0.5 - l) / 2;
        if (p == e) {
          g[e] += near;
          g[e1] += far;
        } else {
          g[e1] += near;
          g[e] += far;
        }
        continue;
      }
      const ElementValues v = ElementIntegrals(x[p], y[p], x[e], y[e], x[e1], y[e1]);
      g[e] += v.g1;
      g[e1] += v.g2;
      h[e] += v.h1;
      h[e1] += v.h2;
      // Every row of H sums to zero, so that a constant u has no flux.
      h[p] -= v.h1 + v.h2;
    }
  }
}

void SolveBoundaryFlux(const double* G, const double* H, const double* u, int32_t f, double* A, double* r, double* flux,
                       int failCode) {
  const std::size_t n = static_cast<std::size_t>(f);
  for (std::size_t k = 0; k < n * n; ++k) A[k] = -G[k];
  for (std::size_t p = 0; p < n; ++p) {
    const double* h = H + p * n;
    double sum = 0;
    for (std::size_t l = 0; l < n; ++l) sum += h[l] * u[l];
    r[p] = -sum;
  }
  if (SolveLinearSystem(A, r, f) != kSolved) Abort(failCode, "can't solve equations");
  for (std::size_t k = 0; k < n; ++k) flux[k] = r[k];
}

void SolvePatchBoundary(const WorkingBoundary& boundary, const int32_t k[4], int32_t ni, int32_t nj, double a, double b,
                        BoundarySolution& s) {
  const int32_t f = 2 * (ni + nj);
  const std::size_t n = static_cast<std::size_t>(f);
  double* A = AllocArray<double>(5219, n * n);
  double* G = AllocArray<double>(5221, n * n);
  double* H = AllocArray<double>(5222, n * n);
  s.f = f;
  s.xi = AllocArray<double>(5223, n);
  s.xiFlux = AllocArray<double>(5224, n);
  s.eta = AllocArray<double>(5225, n);
  s.etaFlux = AllocArray<double>(5226, n);
  s.boundaryX = AllocArray<double>(5227, n);
  s.boundaryY = AllocArray<double>(5228, n);

  PlaceBoundaryNodes(boundary, k, ni, nj, a, b, s);
  AssembleBoundarySystem(s, G, H);
  // xi and eta share the matrix -G and so its pivots: one elimination serves
  // both right-hand sides -H xi and -H eta.
  for (std::size_t l = 0; l < n * n; ++l) A[l] = -G[l];
  for (std::size_t p = 0; p < n; ++p) {
    const double* h = H + p * n;
    double sumXi = 0, sumEta = 0;
    for (std::size_t l = 0; l < n; ++l) {
      sumXi += h[l] * s.xi[l];
      sumEta += h[l] * s.eta[l];
    }
    s.xiFlux[p] = -sumXi;
    s.etaFlux[p] = -sumEta;
  }
  double* const fluxes[2] = {s.xiFlux, s.etaFlux};
  // A singular matrix fails the first coordinate's solve.
  if (SolveLinearSystems(A, fluxes, 2, f) != kSolved) Abort(5299, "can't solve equations");

  FreeBlock(A);
  FreeBlock(G);
  FreeBlock(H);
}

}  // namespace kestrel
