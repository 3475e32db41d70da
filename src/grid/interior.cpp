#include "grid/interior.h"

#include <cmath>
#include <cstddef>

#include "app/report.h"
#include "grid/gridstore.h"
#include "grid/solver.h"

namespace kestrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The twelve values for the element from A to B, given u = P - A, v = P - B,
// d = B - A and the squared distances with their logarithms.
//
// In the element's frame (unit direction e, unit normal n on the right, P at
// arc position `a` and signed distance w from the line) r^2 = (s-a)^2 + w^2,
// and every value is a combination of the elementary integrals over s:
//   theta = w J0,  J0 = int 1/r^2,  J1 = int (s-a)/r^2,  J2 = int (s-a)^2/r^2,
//   K1 = int (s-a)/r^4,  M = w^2 int 1/r^4.
// theta is the angle the element subtends at P, taken with atan2 so that a
// point on the element's line (w = 0) needs no special treatment except for
// J0, whose limit there is L / ((A-P).(B-P)).
inline void ElementField(double ux, double uy, double vx, double vy, double dx, double dy, double rA2, double rB2,
                         double lnA2, double lnB2, double* out) {
  const double L2 = dx * dx + dy * dy;
  const double L = std::sqrt(L2);
  const double iL = 1 / L;
  const double ex = dx * iL, ey = dy * iL;
  const double nx = ey, ny = -ex;
  const double a = (ux * dx + uy * dy) * iL;
  const double wL = ux * dy - uy * dx;
  const double w = wL * iL;
  const double u0 = -a, u1 = L - a;
  const double D = ux * vx + uy * vy;
  const double theta = std::atan2(wL, D);
  const double J0 = w != 0 ? theta / w : L / D;
  const double J1 = 0.5 * (lnB2 - lnA2);
  const double J2 = L - w * theta;
  const double K1 = 0.5 * (1 / rA2 - 1 / rB2);
  const double M = 0.5 * (u1 / rB2 - u0 / rA2 + J0);

  // With N2 = s/L = (s-a)/L + a/L and N1 = 1 - N2:
  const double P2 = (J1 + a * J0) * iL;  // int N2/r^2
  const double P1 = J0 - P2;
  const double wP2 = (w * J1 + a * theta) * iL;  // w int N2/r^2 = h2
  const double wP1 = theta - wP2;
  const double Q2 = (J2 + a * J1) * iL;  // int N2 (s-a)/r^2
  const double Q1 = J1 - Q2;
  const double R2 = (theta - w * M + a * w * K1) * iL;  // w int N2 (s-a)/r^4
  const double R1 = w * K1 - R2;
  const double S2 = (w * w * K1 + a * M) * iL;  // w^2 int N2/r^4
  const double S1 = M - S2;

  const double lnA = lnA2 / 2, lnB = lnB2 / 2;
  const double I0 = u1 * lnB - u0 * lnA - L + w * theta;                                  // int ln r
  const double I1 = 0.5 * (rB2 * lnB - rA2 * lnA) - 0.25 * (u1 * u1 - u0 * u0) + a * I0;  // int s ln r

  out[kG1] = I1 * iL - I0;
  out[kG1x] = ex * Q1 - nx * wP1;
  out[kG1y] = ey * Q1 - ny * wP1;
  out[kG2] = -I1 * iL;
  out[kG2x] = ex * Q2 - nx * wP2;
  out[kG2y] = ey * Q2 - ny * wP2;
  out[kH1] = wP1;
  out[kH1x] = nx * P1 + 2 * ex * R1 - 2 * nx * S1;
  out[kH1y] = ny * P1 + 2 * ey * R1 - 2 * ny * S1;
  out[kH2] = wP2;
  out[kH2x] = nx * P2 + 2 * ex * R2 - 2 * nx * S2;
  out[kH2y] = ny * P2 + 2 * ey * R2 - 2 * ny * S2;
}

}  // namespace

void FieldIntegrals(double px, double py, double ax, double ay, double bx, double by, double out[kFieldValues]) {
  const double ux = px - ax, uy = py - ay;
  const double vx = px - bx, vy = py - by;
  const double rA2 = ux * ux + uy * uy;
  const double rB2 = vx * vx + vy * vy;
  ElementField(ux, uy, vx, vy, bx - ax, by - ay, rA2, rB2, std::log(rA2), std::log(rB2), out);
}

FieldValue EvaluateField(const BoundarySolution& s, double px, double py) {
  const int32_t f = s.f;
  const double* x = s.boundaryX;
  const double* y = s.boundaryY;
  double sums[6] = {0, 0, 0, 0, 0, 0};  // xi, d/dx, d/dy, eta, d/dx, d/dy
  // Each node's distance and logarithm serve the two elements that meet there.
  const double u0x = px - x[0], u0y = py - y[0];
  const double r0 = u0x * u0x + u0y * u0y;
  const double ln0 = std::log(r0);
  double ux = u0x, uy = u0y, rA2 = r0, lnA2 = ln0;
  double v[kFieldValues];
  for (int32_t e = 0; e < f; ++e) {
    const int32_t e1 = e + 1 == f ? 0 : e + 1;
    double vx, vy, rB2, lnB2;
    if (e1 == 0) {
      vx = u0x;
      vy = u0y;
      rB2 = r0;
      lnB2 = ln0;
    } else {
      vx = px - x[e1];
      vy = py - y[e1];
      rB2 = vx * vx + vy * vy;
      lnB2 = std::log(rB2);
    }
    ElementField(ux, uy, vx, vy, x[e1] - x[e], y[e1] - y[e], rA2, rB2, lnA2, lnB2, v);
    const double qx0 = s.xiFlux[e], qx1 = s.xiFlux[e1], ux0 = s.xi[e], ux1 = s.xi[e1];
    const double qe0 = s.etaFlux[e], qe1 = s.etaFlux[e1], ue0 = s.eta[e], ue1 = s.eta[e1];
    for (int c = 0; c < 3; ++c) {
      const double g1 = v[kG1 + c], g2 = v[kG2 + c], h1 = v[kH1 + c], h2 = v[kH2 + c];
      sums[c] += g1 * qx0 + g2 * qx1 - h1 * ux0 - h2 * ux1;
      sums[3 + c] += g1 * qe0 + g2 * qe1 - h1 * ue0 - h2 * ue1;
    }
    ux = vx;
    uy = vy;
    rA2 = rB2;
    lnA2 = lnB2;
  }
  FieldValue r;
  r.xi = sums[0] / kTwoPi;
  r.xiX = sums[1] / kTwoPi;
  r.xiY = sums[2] / kTwoPi;
  r.eta = sums[3] / kTwoPi;
  r.etaX = sums[4] / kTwoPi;
  r.etaY = sums[5] / kTwoPi;
  return r;
}

int PointInBoundary(const double* bx, const double* by, int32_t f, double px, double py) {
  if (f < 1) return 0;
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

void LocateNode(const BoundarySolution& s, double xiTarget, double etaTarget, double& px, double& py) {
  // Start a little inside: one hundredth of the way to the nodes' centroid.
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
    const FieldValue v = EvaluateField(s, px, py);
    double J[4] = {v.xiX, v.xiY, v.etaX, v.etaY};
    double step[2] = {v.xi - xiTarget, v.eta - etaTarget};
    if (SolveLinearSystem(J, step, 2) != kSolved) Abort(4909, "can't solve equations");
    // At most half the Newton step, halved further until the point stays
    // inside; after 32 failed trials the step is 2^-33 of the Newton step.
    double d = 2;
    for (int trial = 0; trial < 32; ++trial) {
      if (PointInBoundary(s.boundaryX, s.boundaryY, s.f, px - step[0] / d, py - step[1] / d) == 1) break;
      d *= 2;
    }
    px -= step[0] / d;
    py -= step[1] / d;
  }
}

void PlacePatchNodes(int32_t slot, const BoundarySolution& s, const WorkingBoundary& boundary, int32_t k1, int32_t k2,
                     int32_t ni, int32_t nj, double a, double b) {
  const std::size_t nodes = static_cast<std::size_t>(ni + 1) * static_cast<std::size_t>(nj + 1);
  double* x = AllocArray<double>(5319, nodes);
  grids.x[slot] = x;
  double* y = AllocArray<double>(5320, nodes);
  grids.y[slot] = y;

  // The perimeter, counter-clockwise from corner 1.
  for (int32_t i = 0; i < ni; ++i) {
    x[NodeIndex(ni, i, 0)] = s.boundaryX[i];
    y[NodeIndex(ni, i, 0)] = s.boundaryY[i];
  }
  for (int32_t j = 0; j < nj; ++j) {
    x[NodeIndex(ni, ni, j)] = s.boundaryX[ni + j];
    y[NodeIndex(ni, ni, j)] = s.boundaryY[ni + j];
  }
  for (int32_t k = 0; k < ni; ++k) {
    x[NodeIndex(ni, ni - k, nj)] = s.boundaryX[ni + nj + k];
    y[NodeIndex(ni, ni - k, nj)] = s.boundaryY[ni + nj + k];
  }
  for (int32_t k = 0; k < nj; ++k) {
    x[NodeIndex(ni, 0, nj - k)] = s.boundaryX[2 * ni + nj + k];
    y[NodeIndex(ni, 0, nj - k)] = s.boundaryY[2 * ni + nj + k];
  }

  // The interior, column by column; each node seeds the next one up.
  for (int32_t i = 1; i < ni; ++i) {
    const double xiTarget = std::pow(static_cast<double>(i) / static_cast<double>(ni), a);
    double px, py;
    ArcPoint(boundary.x, boundary.y, boundary.count, k1, k2 - k1 + 1, xiTarget, 5348, px, py);
    for (int32_t j = 1; j < nj; ++j) {
      const double etaTarget = std::pow(static_cast<double>(j) / static_cast<double>(nj), b);
      LocateNode(s, xiTarget, etaTarget, px, py);
      x[NodeIndex(ni, i, j)] = px;
      y[NodeIndex(ni, i, j)] = py;
    }
  }
}

}  // namespace kestrel
