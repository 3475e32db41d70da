#include "grid/fieldtable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "grid/vecmath.h"
#include "grid/vectorise.h"

namespace kestrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Lanes of the running sums; the order of additions depends only on f, never
// on the processor or the number of threads.
constexpr int32_t kLanes = 8;

// The arrays of a table and of a scratch, each of f + 1 doubles.
constexpr int kTableArrays = 14;
constexpr int kScratchArrays = 15;

// Carves `count` arrays of n doubles out of one zero-filled block.
void* CarveArrays(std::size_t n, double** arrays[], int count) {
  void* block = std::calloc(n * static_cast<std::size_t>(count), sizeof(double));
  if (!block) return nullptr;
  double* next = static_cast<double*>(block);
  for (int k = 0; k < count; ++k, next += n) *arrays[k] = next;
  return block;
}

// Distance terms of every node k < count seen from (px, py).
KESTREL_VECTOR_CLONES
void NodeTerms(int32_t count, const double* x, const double* y, double px, double py, double* ux, double* uy,
               double* r2, double* logR2, double* invR2, double* r2LogR2) {
  KESTREL_INDEPENDENT_ITERATIONS
  for (int32_t k = 0; k < count; ++k) {
    const double dx = px - x[k], dy = py - y[k];
    const double r = dx * dx + dy * dy;
    const double l = VectorLog(r);
    ux[k] = dx;
    uy[k] = dy;
    r2[k] = r;
    logR2[k] = l;
    invR2[k] = 1 / r;
    r2LogR2[k] = r * l;
  }
}

// The elementary integrals of one element, in its own frame: unit direction
// e, unit normal n = (ey, -ex) on its right, the field point at arc position
// `a` and signed distance w from its line, so that r^2 = (s - a)^2 + w^2
// (integrals over the arc length s from 0 to L):
//   theta = the angle the element subtends = w J0, J0 = int 1/r^2,
//   J1 = int (s-a)/r^2, J2 = int (s-a)^2/r^2 = L - w theta,
//   K1 = int (s-a)/r^4, M = w^2 int 1/r^4 = (u1/rB^2 - u0/rA^2 + J0) / 2,
//   I0 = int ln r, I1 = int s ln r,
// with u0 = -a and u1 = L - a, and L times the parts weighted by N2 = s/L
// (N1 = 1 - N2 takes the rest):
//   P = J1 + a J0 (of 1/r^2), W = w J1 + a theta (of w/r^2),
//   Q = J2 + a J1 (of (s-a)/r^2), R = theta - w M + a w K1 (of w (s-a)/r^4),
//   S = w^2 K1 + a M (of w^2/r^4).
// J0 itself is never needed: in the combinations below it cancels (2M - J0,
// 2S - P) or comes with w (w J0 = theta), which also spares a division.
//
// The angle (two divisions and a long chain of dependent steps) is worked
// out in a loop of its own: a short loop lets the processor overlap many
// elements, where one long loop would wait on each element's chain.
KESTREL_VECTOR_CLONES
void AngleTerms(const FieldTable& t, FieldScratch& s, int32_t from, int32_t to) {
  const double* ux = s.ux;
  const double* uy = s.uy;
  const double* len = t.length;
  const double* ex = t.ex;
  const double* ey = t.ey;
  double* along = s.along;
  double* across = s.across;
  double* angle = s.angle;
  KESTREL_INDEPENDENT_ITERATIONS
  for (int32_t e = from; e < to; ++e) {
    const double uxA = ux[e], uyA = uy[e];
    const double w = uxA * ey[e] - uyA * ex[e];
    const double D = uxA * ux[e + 1] + uyA * uy[e + 1];
    along[e] = uxA * ex[e] + uyA * ey[e];
    across[e] = w;
    angle[e] = VectorAtan2(w * len[e], D);
  }
}

// What the field and the collocation sums are made of, for one element:
//   J1, theta, I0, I1, W as above, and
//   MJ = 2M - J0 = u1/rB^2 + a/rA^2, WK = 2 w K1 = w (1/rA^2 - 1/rB^2),
//   R2 = 2R = theta - w MJ + a WK, SP = 2S - P = w WK + a MJ - J1, Q.
struct Elementary {
  double theta, J1, I0, I1, W, MJ, WK, R2, SP, Q;
};

inline Elementary Integrate(double a, double w, double theta, double rlA, double rlB, double lnA2, double lnB2,
                            double irA, double irB, double L) {
  Elementary v;
  const double J1 = 0.5 * (lnB2 - lnA2);
  const double u1 = L - a;
  const double MJ = u1 * irB + a * irA;
  const double WK = w * (irA - irB);
  const double wTheta = w * theta;
  v.theta = theta;
  v.J1 = J1;
  v.MJ = MJ;
  v.WK = WK;
  v.W = w * J1 + a * theta;
  v.Q = (L - wTheta) + a * J1;
  v.R2 = (theta - w * MJ) + a * WK;
  v.SP = (w * WK + a * MJ) - J1;
  v.I0 = (0.5 * (u1 * lnB2 + a * lnA2) - L) + wTheta;
  v.I1 = 0.25 * ((rlB - rlA) - L * (L - (a + a))) + a * v.I0;
  return v;
}

// The six contributions of every element to xi, eta and their gradients.
// With the shape functions N1 = 1 - s/L and N2 = s/L, the flux q0 and value
// u0 at the start and their changes along the element divided by its length,
// dq and du:
//   -value = -(g1 q0 + g2 q1 - h1 u0 - h2 u1) = q0 I0 + dq I1 + u0 theta + du W,
//   gradient = e E + n N with
//   E = q0 J1 + dq Q - 2 (u0 w K1 + du R) = q0 J1 + dq Q - (u0 WK + du R2),
//   N = u0 (2 M - J0) + du (2 S - P) - (q0 theta + dq W)
//     = u0 MJ + du SP - (q0 theta + dq W).
// The value's sign is put right once the contributions are summed.
KESTREL_VECTOR_CLONES
void ElementTerms(const FieldTable& t, FieldScratch& s, int32_t from, int32_t to) {
  const double* along = s.along;
  const double* across = s.across;
  const double* angle = s.angle;
  const double* rl = s.r2LogR2;
  const double* lr = s.logR2;
  const double* ir = s.invR2;
  const double* len = t.length;
  const double* ex = t.ex;
  const double* ey = t.ey;
  const double *q0x = t.xiFlux, *dqx = t.xiFluxChange, *u0x = t.xiValue, *dux = t.xiValueChange;
  const double *q0e = t.etaFlux, *dqe = t.etaFluxChange, *u0e = t.etaValue, *due = t.etaValueChange;
  double *xiV = s.term[0], *xiX = s.term[1], *xiY = s.term[2];
  double *etaV = s.term[3], *etaX = s.term[4], *etaY = s.term[5];
  KESTREL_INDEPENDENT_ITERATIONS
  for (int32_t e = from; e < to; ++e) {
    const Elementary v =
        Integrate(along[e], across[e], angle[e], rl[e], rl[e + 1], lr[e], lr[e + 1], ir[e], ir[e + 1], len[e]);
    {
      const double q0 = q0x[e], dq = dqx[e], u0 = u0x[e], du = dux[e];
      const double E = (q0 * v.J1 + dq * v.Q) - (u0 * v.WK + du * v.R2);
      const double N = (u0 * v.MJ + du * v.SP) - (q0 * v.theta + dq * v.W);
      xiV[e] = (q0 * v.I0 + dq * v.I1) + (u0 * v.theta + du * v.W);
      xiX[e] = ex[e] * E + ey[e] * N;
      xiY[e] = ey[e] * E - ex[e] * N;
    }
    {
      const double q0 = q0e[e], dq = dqe[e], u0 = u0e[e], du = due[e];
      const double E = (q0 * v.J1 + dq * v.Q) - (u0 * v.WK + du * v.R2);
      const double N = (u0 * v.MJ + du * v.SP) - (q0 * v.theta + dq * v.W);
      etaV[e] = (q0 * v.I0 + dq * v.I1) + (u0 * v.theta + du * v.W);
      etaX[e] = ex[e] * E + ey[e] * N;
      etaY[e] = ey[e] * E - ex[e] * N;
    }
  }
}

// g1, g2, h1, h2 of every element: g1 = I1/L - I0, g2 = -I1/L, h2 = W/L and
// h1 = theta - h2.
KESTREL_VECTOR_CLONES
void IntegralTerms(const FieldTable& t, FieldScratch& s) {
  const int32_t f = t.f;
  const double* along = s.along;
  const double* across = s.across;
  const double* angle = s.angle;
  const double* rl = s.r2LogR2;
  const double* lr = s.logR2;
  const double* ir = s.invR2;
  const double* len = t.length;
  const double* inv = t.inverse;
  double *g1 = s.term[0], *g2 = s.term[1], *h1 = s.term[2], *h2 = s.term[3];
  KESTREL_INDEPENDENT_ITERATIONS
  for (int32_t e = 0; e < f; ++e) {
    const Elementary v =
        Integrate(along[e], across[e], angle[e], rl[e], rl[e + 1], lr[e], lr[e + 1], ir[e], ir[e + 1], len[e]);
    const double I1L = v.I1 * inv[e];
    const double W = v.W * inv[e];
    g1[e] = I1L - v.I0;
    g2[e] = -I1L;
    h1[e] = v.theta - W;
    h2[e] = W;
  }
}

// Adds the sums of the six contribution arrays over elements from .. to-1
// to sums, in lanes: six independent chains of additions in one pass.
KESTREL_VECTOR_CLONES
void SumTerms(const FieldScratch& s, int32_t from, int32_t to, double sums[6]) {
  const int32_t n = to - from;
  const double *t0 = s.term[0] + from, *t1 = s.term[1] + from, *t2 = s.term[2] + from;
  const double *t3 = s.term[3] + from, *t4 = s.term[4] + from, *t5 = s.term[5] + from;
  double l0[kLanes] = {}, l1[kLanes] = {}, l2[kLanes] = {}, l3[kLanes] = {}, l4[kLanes] = {}, l5[kLanes] = {};
  int32_t k = 0;
  for (; k + kLanes <= n; k += kLanes) {
    for (int32_t j = 0; j < kLanes; ++j) {
      l0[j] += t0[k + j];
      l1[j] += t1[k + j];
      l2[j] += t2[k + j];
      l3[j] += t3[k + j];
      l4[j] += t4[k + j];
      l5[j] += t5[k + j];
    }
  }
  double* lanes[6] = {l0, l1, l2, l3, l4, l5};
  const double* terms[6] = {t0, t1, t2, t3, t4, t5};
  for (int c = 0; c < 6; ++c) {
    double sum = 0;
    for (int32_t j = 0; j < kLanes; ++j) sum += lanes[c][j];
    for (int32_t r = k; r < n; ++r) sum += terms[c][r];
    sums[c] += sum;
  }
}

// The band of height y (clamped to the bands there are); y must not lie
// below bandLow. The same function places edges and points, so an edge
// whose height range holds y is always listed in y's band.
int32_t BandOf(const FieldTable& t, double y) {
  const double v = (y - t.bandLow) * t.bandScale;
  return v >= t.bands - 1 ? t.bands - 1 : static_cast<int32_t>(v);
}

// 1 when the edge from node k to node k + 1 counts as a crossing for the
// point (px, py), tested exactly as PointInBoundary tests it.
inline int Crosses(const double* x, const double* y, int32_t k, double px, double py) {
  const double xp = x[k], yp = y[k], xc = x[k + 1], yc = y[k + 1];
  if ((py < yp) == (py < yc)) return 0;
  if (px < xp && px < xc) return 1;
  const double d1 = (xc - xp) * (py - yp);
  const double d2 = (yc - yp) * (px - xp);
  return (yp < yc ? d1 > d2 : d1 < d2) ? 1 : 0;
}

// Lists the edges of every band (see FieldTable); leaves no bands when there
// is no memory for them.
void BuildBands(FieldTable& t) {
  std::free(t.bandStart);
  t.bands = 0;
  t.bandStart = t.bandEdges = nullptr;
  const int32_t f = t.f;
  double low = t.y[0], high = t.y[0];
  for (int32_t k = 1; k < f; ++k) {
    low = std::min(low, t.y[k]);
    high = std::max(high, t.y[k]);
  }
  if (!(high > low) || !std::isfinite(high - low)) return;
  const int32_t bands = std::max(1, f / 4);
  t.bandLow = low;
  t.bandScale = bands / (high - low);
  t.bands = bands;
  // Count, then fill, the listings of every band.
  std::size_t entries = 0;
  for (int32_t k = 0; k < f; ++k) {
    const double y0 = std::min(t.y[k], t.y[k + 1]), y1 = std::max(t.y[k], t.y[k + 1]);
    if (y0 < y1) entries += static_cast<std::size_t>(BandOf(t, y1) - BandOf(t, y0) + 1);
  }
  int32_t* block =
      static_cast<int32_t*>(std::malloc((static_cast<std::size_t>(bands) + 1 + entries) * sizeof(int32_t)));
  if (!block) {
    t.bands = 0;
    return;
  }
  t.bandStart = block;
  t.bandEdges = block + bands + 1;
  for (int32_t b = 0; b <= bands; ++b) t.bandStart[b] = 0;
  for (int32_t k = 0; k < f; ++k) {
    const double y0 = std::min(t.y[k], t.y[k + 1]), y1 = std::max(t.y[k], t.y[k + 1]);
    if (!(y0 < y1)) continue;
    for (int32_t b = BandOf(t, y0), last = BandOf(t, y1); b <= last; ++b) ++t.bandStart[b + 1];
  }
  for (int32_t b = 0; b < bands; ++b) t.bandStart[b + 1] += t.bandStart[b];
  std::vector<int32_t> next(t.bandStart, t.bandStart + bands);
  for (int32_t k = 0; k < f; ++k) {
    const double y0 = std::min(t.y[k], t.y[k + 1]), y1 = std::max(t.y[k], t.y[k + 1]);
    if (!(y0 < y1)) continue;
    for (int32_t b = BandOf(t, y0), last = BandOf(t, y1); b <= last; ++b) t.bandEdges[next[b]++] = k;
  }
}

KESTREL_VECTOR_CLONES
int64_t Crossings(const double* x, const double* y, int32_t f, double px, double py) {
  // (A counter as wide as the coordinates keeps the whole test in the
  // vector lanes of the comparisons.)
  int64_t crossings = 0;
  for (int32_t k = 0; k < f; ++k) {
    const double xp = x[k], yp = y[k], xc = x[k + 1], yc = y[k + 1];
    const double d1 = (xc - xp) * (py - yp);
    const double d2 = (yc - yp) * (px - xp);
    // Plain and/or of all the comparisons: no branch in the loop.
    const bool straddles = (py < yp) ^ (py < yc);
    const bool left = (px < xp) & (px < xc);
    const bool beyond = ((yp < yc) & (d1 > d2)) | ((yp >= yc) & (d1 < d2));
    crossings += static_cast<int64_t>(straddles & (left | beyond));
  }
  return crossings;
}

}  // namespace

StepFailure FieldTableFailure(int32_t f) {
  return {kFieldTableCode, static_cast<std::size_t>(f) + 1, kTableArrays * sizeof(double), errno};
}

StepFailure FieldScratchFailure(int32_t f) {
  return {kFieldScratchCode, static_cast<std::size_t>(f) + 1, (kScratchArrays + 2) * sizeof(double), errno};
}

bool AllocateFieldTable(int32_t f, FieldTable& t) {
  t = FieldTable{};
  double** arrays[kTableArrays] = {&t.x,        &t.y,
                                   &t.length,   &t.inverse,
                                   &t.ex,       &t.ey,
                                   &t.xiFlux,   &t.xiFluxChange,
                                   &t.xiValue,  &t.xiValueChange,
                                   &t.etaFlux,  &t.etaFluxChange,
                                   &t.etaValue, &t.etaValueChange};
  t.block = CarveArrays(static_cast<std::size_t>(f) + 1, arrays, kTableArrays);
  if (!t.block) return false;
  t.f = f;
  return true;
}

void ReleaseFieldTable(FieldTable& t) {
  std::free(t.block);
  std::free(t.bandStart);
  ReleaseFarField(t.far);
  t = FieldTable{};
}

bool AllocateFieldScratch(int32_t capacity, FieldScratch& s) {
  s = FieldScratch{};
  double** arrays[kScratchArrays + 2] = {&s.ux,      &s.uy,      &s.r2,      &s.logR2,   &s.invR2,   &s.r2LogR2,
                                         &s.along,   &s.across,  &s.angle,   &s.term[0], &s.term[1], &s.term[2],
                                         &s.term[3], &s.term[4], &s.term[5], nullptr,    nullptr};
  // The two lists of int32_t take as much room as two arrays of doubles.
  double* lists[2];
  arrays[kScratchArrays] = &lists[0];
  arrays[kScratchArrays + 1] = &lists[1];
  const std::size_t n = static_cast<std::size_t>(capacity) + 1;
  s.block = CarveArrays(n, arrays, kScratchArrays + 2);
  if (!s.block) return false;
  s.farRuns = reinterpret_cast<int32_t*>(lists[0]);
  s.ranges = reinterpret_cast<int32_t*>(lists[1]);
  s.capacity = capacity;
  return true;
}

void ReleaseFieldScratch(FieldScratch& s) {
  std::free(s.block);
  s = FieldScratch{};
}

void SetFieldGeometry(const BoundarySolution& s, FieldTable& t) {
  const int32_t f = t.f;
  double mx = 0, my = 0;
  for (int32_t k = 0; k < f; ++k) {
    t.x[k] = s.boundaryX[k];
    t.y[k] = s.boundaryY[k];
    mx += s.boundaryX[k];
    my += s.boundaryY[k];
  }
  t.x[f] = s.boundaryX[0];
  t.y[f] = s.boundaryY[0];
  t.centreX = mx / f;
  t.centreY = my / f;
  double xLow = t.x[0], xHigh = t.x[0], yLow = t.y[0], yHigh = t.y[0];
  for (int32_t k = 1; k < f; ++k) {
    xLow = std::min(xLow, t.x[k]);
    xHigh = std::max(xHigh, t.x[k]);
    yLow = std::min(yLow, t.y[k]);
    yHigh = std::max(yHigh, t.y[k]);
  }
  t.diagonal = std::hypot(xHigh - xLow, yHigh - yLow);
  for (int32_t e = 0; e < f; ++e) {
    const double dx = t.x[e + 1] - t.x[e], dy = t.y[e + 1] - t.y[e];
    const double L = std::sqrt(dx * dx + dy * dy);
    const double iL = 1 / L;
    t.length[e] = L;
    t.inverse[e] = iL;
    t.ex[e] = dx * iL;
    t.ey[e] = dy * iL;
  }
  BuildBands(t);
  BuildFarField(t);
}

void SetFieldValues(const BoundarySolution& s, FieldTable& t) {
  const int32_t f = t.f;
  for (int32_t e = 0; e < f; ++e) {
    const int32_t e1 = e + 1 == f ? 0 : e + 1;
    const double iL = t.inverse[e];
    t.xiFlux[e] = s.xiFlux[e];
    t.xiFluxChange[e] = (s.xiFlux[e1] - s.xiFlux[e]) * iL;
    t.xiValue[e] = s.xi[e];
    t.xiValueChange[e] = (s.xi[e1] - s.xi[e]) * iL;
    t.etaFlux[e] = s.etaFlux[e];
    t.etaFluxChange[e] = (s.etaFlux[e1] - s.etaFlux[e]) * iL;
    t.etaValue[e] = s.eta[e];
    t.etaValueChange[e] = (s.eta[e1] - s.eta[e]) * iL;
  }
  SetFarFieldValues(t);
}

FieldValue EvaluateField(const FieldTable& t, FieldScratch& s, double px, double py) {
  // The elements near the point in closed form, range by range, and the
  // runs far from it as series.
  const FarFieldSplit split = SplitFarField(t.far, t.f, px, py, s.farRuns, s.ranges);
  double sums[6] = {0, 0, 0, 0, 0, 0};
  for (int32_t k = 0; k < split.rangeCount; ++k) {
    const int32_t from = s.ranges[2 * k], to = s.ranges[2 * k + 1];
    NodeTerms(to - from + 1, t.x + from, t.y + from, px, py, s.ux + from, s.uy + from, s.r2 + from, s.logR2 + from,
              s.invR2 + from, s.r2LogR2 + from);
    AngleTerms(t, s, from, to);
    ElementTerms(t, s, from, to);
    SumTerms(s, from, to, sums);
  }
  AddFarRuns(t.far, s.farRuns, split.farCount, px, py, sums);
  FieldValue v;
  v.xi = -sums[0] / kTwoPi;
  v.xiX = sums[1] / kTwoPi;
  v.xiY = sums[2] / kTwoPi;
  v.eta = -sums[3] / kTwoPi;
  v.etaX = sums[4] / kTwoPi;
  v.etaY = sums[5] / kTwoPi;
  return v;
}

int InsideBoundary(const FieldTable& t, double px, double py) {
  if (t.f < 1) return 0;
  if (t.bands == 0) return Crossings(t.x, t.y, t.f, px, py) % 2;
  // Only the edges of the point's band can straddle its height; every other
  // edge would count nothing.
  if (!(py >= t.bandLow)) return 0;
  const int32_t b = BandOf(t, py);
  int crossings = 0;
  for (int32_t n = t.bandStart[b]; n < t.bandStart[b + 1]; ++n) crossings += Crosses(t.x, t.y, t.bandEdges[n], px, py);
  return crossings % 2;
}

void CollocationTerms(const FieldTable& t, FieldScratch& s, int32_t p) {
  NodeTerms(t.f + 1, t.x, t.y, t.x[p], t.y[p], s.ux, s.uy, s.r2, s.logR2, s.invR2, s.r2LogR2);
  AngleTerms(t, s, 0, t.f);
  IntegralTerms(t, s);
}

}  // namespace kestrel
