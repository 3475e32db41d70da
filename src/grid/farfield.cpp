#include "grid/farfield.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

#include "grid/fieldtable.h"
#include "grid/vecmath.h"
#include "grid/vectorise.h"

namespace kestrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// Runs of at most this many elements are not halved further.
constexpr int32_t kRunElements = 8;

// Terms of every series after a0.
constexpr int32_t kOrder = 32;

// The error bound of the whole approximation, as a share of the field's
// size: a hundredth of 1e-12, about what the closed forms lose to rounding.
constexpr double kFarFieldShare = 1e-14;

int32_t CountRuns(int32_t elements) {
  if (elements <= kRunElements) return 1;
  return 1 + CountRuns(elements / 2) + CountRuns(elements - elements / 2);
}

// The integrals of |q| and |u| over the elements of a run: each element's
// length times the larger magnitude at its ends (a linear function is never
// larger in magnitude than at one of its ends).
void RunSizes(const FieldTable& t, int32_t first, int32_t last, const double* flux, const double* fluxChange,
              const double* value, const double* valueChange, double& fluxSize, double& valueSize) {
  fluxSize = 0;
  valueSize = 0;
  for (int32_t e = first; e < last; ++e) {
    const double L = t.length[e];
    fluxSize += L * std::max(std::fabs(flux[e]), std::fabs(flux[e] + L * fluxChange[e]));
    valueSize += L * std::max(std::fabs(value[e]), std::fabs(value[e] + L * valueChange[e]));
  }
}

// The size of a field: its largest boundary value (inside, the field stays
// between its boundary values), or, for a field without values, its largest
// flux times the patch's diagonal.
double FieldSize(const FieldTable& t, const double* value, const double* valueChange, const double* flux,
                 const double* fluxChange) {
  double largestValue = 0, largestFlux = 0;
  for (int32_t e = 0; e < t.f; ++e) {
    largestValue = std::max({largestValue, std::fabs(value[e]), std::fabs(value[e] + t.length[e] * valueChange[e])});
    largestFlux = std::max({largestFlux, std::fabs(flux[e]), std::fabs(flux[e] + t.length[e] * fluxChange[e])});
  }
  return largestValue > 0 ? largestValue : largestFlux * t.diagonal;
}

}  // namespace

// The error of a truncated series. Every point zeta of a run lies within
// rho of its centre c, so for |z - c| = R > rho, with t = rho / R < 1,
//   log(z - zeta) = log(z - c) - sum over k >= 1 of (zeta - c)^k w^k / k,
//   1 / (z - zeta) = sum over k >= 1 of (zeta - c)^(k-1) w^k,
// and the coefficients of Phi are
//   a_k = int [-q (zeta - c)^k / k + u nu (zeta - c)^(k-1)] ds,
// so |a_k| <= Q rho^k / k + U rho^(k-1), with Q = int |q| ds and U =
// int |u| ds over the run. The terms left out of the value, k > p, come to
// at most
//   sum over k > p of (Q / k + U / rho) t^k <= (Q / (p+1) + U / rho) t^(p+1) / (1 - t),
// and those left out of Phi' = a0 w - sum of k a_k w^(k+1) to at most
//   (1 / R) sum over k > p of (Q + k U / rho) t^k
//     = (1 / R) (Q t^(p+1) / (1 - t) + (U / rho) t^(p+1) ((p+1) / (1 - t) + t / (1 - t)^2)).
// The field and each component of its gradient are these divided by 2 pi.
double SeriesValueBound(double R, double rho, int32_t p, double fluxSize, double valueSize) {
  if (!(R > rho)) return INFINITY;
  const double t = rho / R;
  const double tail = std::pow(t, p + 1) / (1 - t);
  return (fluxSize / (p + 1) + valueSize / rho) * tail / kTwoPi;
}

double SeriesGradientBound(double R, double rho, int32_t p, double fluxSize, double valueSize) {
  if (!(R > rho)) return INFINITY;
  const double t = rho / R;
  const double power = std::pow(t, p + 1);
  const double tail = power / (1 - t);
  const double weighted = power * ((p + 1) / (1 - t) + t / ((1 - t) * (1 - t)));
  return (fluxSize * tail + valueSize / rho * weighted) / R / kTwoPi;
}

// Why the whole approximation stays within these: a run is summed as a
// series only where its two bounds above lie within its share of the
// tolerances, its share being its length over the length of the whole
// boundary. The runs summed as series at one point never overlap, so their
// shares add up to at most 1; the runs summed in closed form add no error
// beyond rounding.
double FarFieldValueTolerance(const FieldTable& t) {
  const double xi = FieldSize(t, t.xiValue, t.xiValueChange, t.xiFlux, t.xiFluxChange);
  const double eta = FieldSize(t, t.etaValue, t.etaValueChange, t.etaFlux, t.etaFluxChange);
  return kFarFieldShare * std::min(xi, eta);
}

double FarFieldGradientTolerance(const FieldTable& t) { return FarFieldValueTolerance(t) / t.diagonal; }

void ReleaseFarField(FarField& far) {
  std::free(far.block);
  far = FarField{};
}

void BuildFarField(FieldTable& t) {
  ReleaseFarField(t.far);
  const int32_t f = t.f;
  if (f < kFarFieldElements) return;
  const int32_t runs = CountRuns(f);
  const std::size_t n = static_cast<std::size_t>(runs);
  const std::size_t doubles = n * (6 + 8 * static_cast<std::size_t>(kOrder));
  void* block = std::calloc(1, doubles * sizeof(double) + 3 * n * sizeof(int32_t));
  if (!block) return;  // every element in closed form
  FarField& far = t.far;
  far.block = block;
  double* next = static_cast<double*>(block);
  far.centreX = next;
  far.centreY = next += n;
  far.radius = next += n;
  far.reach2 = next += n;
  far.logTerm = next += n;
  far.series = next += 2 * n;
  int32_t* ints = reinterpret_cast<int32_t*>(far.series + 8 * static_cast<std::size_t>(kOrder) * n);
  far.first = ints;
  far.last = ints + n;
  far.child = ints + 2 * n;
  far.order = kOrder;

  // Run 0 is the whole boundary; every run longer than kRunElements is
  // halved into the next two free runs.
  far.first[0] = 0;
  far.last[0] = f;
  int32_t used = 1;
  for (int32_t r = 0; r < used; ++r) {
    const int32_t first = far.first[r], last = far.last[r];
    if (last - first > kRunElements) {
      const int32_t middle = first + (last - first) / 2;
      far.child[r] = used;
      far.first[used] = first;
      far.last[used] = middle;
      far.first[used + 1] = middle;
      far.last[used + 1] = last;
      used += 2;
    } else {
      far.child[r] = -1;
    }
    // The centre of the box around the run's nodes, and the farthest node.
    double xLow = t.x[first], xHigh = xLow, yLow = t.y[first], yHigh = yLow;
    for (int32_t k = first + 1; k <= last; ++k) {
      xLow = std::min(xLow, t.x[k]);
      xHigh = std::max(xHigh, t.x[k]);
      yLow = std::min(yLow, t.y[k]);
      yHigh = std::max(yHigh, t.y[k]);
    }
    const double cx = (xLow + xHigh) / 2, cy = (yLow + yHigh) / 2;
    double rho = 0;
    for (int32_t k = first; k <= last; ++k) rho = std::max(rho, std::hypot(t.x[k] - cx, t.y[k] - cy));
    far.centreX[r] = cx;
    far.centreY[r] = cy;
    far.radius[r] = rho;
    far.reach2[r] = INFINITY;  // until the values are known
  }
  far.runs = used;
  // A run's radius also covers the circles of its halves, so that a half's
  // series moves to the run's centre without growing terms (see
  // SetFarFieldValues). Halves come after their run.
  for (int32_t r = used - 1; r >= 0; --r) {
    if (far.child[r] < 0) continue;
    for (const int32_t c : {far.child[r], far.child[r] + 1}) {
      const double reach = far.radius[c] + std::hypot(far.centreX[c] - far.centreX[r], far.centreY[c] - far.centreY[r]);
      far.radius[r] = std::max(far.radius[r], reach);
    }
  }
}

namespace {

// Adds the series of element e about the centre (cx, cy) of a run of radius
// rho to the run's coefficients. With d0, d1 the element's ends and
// d(s) = d0 + s (d1 - d0) / L the point at arc length s, all relative to the
// centre and divided by rho (so |d| <= 1),
//   int d^k ds = L G_k / (k+1),  int s d^k ds = L^2 T_k / ((k+1)(k+2)),
//   G_k = sum over j <= k of d1^j d0^(k-j) = d0 G_(k-1) + d1^k,
//   T_k = sum over j <= k of (j+1) d1^j d0^(k-j) = d0 T_(k-1) + (k+1) d1^k,
// sums of terms no larger than 1 (the plain difference of powers would
// cancel where the element is short against the run). Then with
// q = q0 + dq s, u = u0 + du s and the outward normal nu,
//   a_k / rho^k = -(q0 int d^k + dq int s d^k) / k
//                 + (nu / rho) (u0 int d^(k-1) + du int s d^(k-1)).
void AddElementSeries(const FieldTable& t, int32_t e, double cx, double cy, double rho, int32_t p, double* series,
                      double a0[2]) {
  const double L = t.length[e];
  const double d0Re = (t.x[e] - cx) / rho, d0Im = (t.y[e] - cy) / rho;
  const double d1Re = (t.x[e + 1] - cx) / rho, d1Im = (t.y[e + 1] - cy) / rho;
  const double nuRe = t.ey[e], nuIm = -t.ex[e];
  const double q0[2] = {t.xiFlux[e], t.etaFlux[e]}, dq[2] = {t.xiFluxChange[e], t.etaFluxChange[e]};
  const double u0[2] = {t.xiValue[e], t.etaValue[e]}, du[2] = {t.xiValueChange[e], t.etaValueChange[e]};
  for (int field = 0; field < 2; ++field) a0[field] += q0[field] * L + dq[field] * L * L / 2;
  // k = 0: G = T = 1, so int d^0 = L and int s d^0 = L^2 / 2.
  double gRe = 1, gIm = 0, tRe = 1, tIm = 0, powRe = 1, powIm = 0;
  double lowerERe = L, lowerEIm = 0, lowerSRe = L * L / 2, lowerSIm = 0;
  for (int32_t k = 1; k <= p; ++k) {
    const double nextPowRe = powRe * d1Re - powIm * d1Im, nextPowIm = powRe * d1Im + powIm * d1Re;
    powRe = nextPowRe;
    powIm = nextPowIm;
    const double nextGRe = (d0Re * gRe - d0Im * gIm) + powRe, nextGIm = (d0Re * gIm + d0Im * gRe) + powIm;
    const double nextTRe = (d0Re * tRe - d0Im * tIm) + (k + 1) * powRe;
    const double nextTIm = (d0Re * tIm + d0Im * tRe) + (k + 1) * powIm;
    gRe = nextGRe;
    gIm = nextGIm;
    tRe = nextTRe;
    tIm = nextTIm;
    const double eScale = L / (k + 1), sScale = L * L / ((k + 1.0) * (k + 2.0));
    const double eRe = eScale * gRe, eIm = eScale * gIm, sRe = sScale * tRe, sIm = sScale * tIm;
    double* term = series + (k - 1) * 8;
    for (int field = 0; field < 2; ++field) {
      const double layerRe = (u0[field] * lowerERe + du[field] * lowerSRe) / rho;
      const double layerIm = (u0[field] * lowerEIm + du[field] * lowerSIm) / rho;
      term[2 * field] += -(q0[field] * eRe + dq[field] * sRe) / k + (nuRe * layerRe - nuIm * layerIm);
      term[4 + 2 * field] += -(q0[field] * eIm + dq[field] * sIm) / k + (nuRe * layerIm + nuIm * layerRe);
    }
    lowerERe = eRe;
    lowerEIm = eIm;
    lowerSRe = sRe;
    lowerSIm = sIm;
  }
}

// Adds the series of half c, moved to the centre of its run r, to the run's
// coefficients. With delta = c_c - c_r, D = delta / rho_r and s = rho_c / rho_r,
//   log(z - c_c) = log(z - c_r) - sum over n of delta^n w^n / n,
//   (z - c_c)^-k = sum over n >= k of C(n-1, k-1) delta^(n-k) w^n,
// so the run's n-th scaled coefficient gains
//   -a0 D^n / n + sum over k <= n of C(n-1, k-1) (a_k / rho_c^k) s^k D^(n-k).
// The terms of order up to p need only the half's terms up to p: nothing is
// cut off. The run's radius covers the half's circle (|D| + s <= 1), so no
// term exceeds the size of the coefficient it adds to.
void AddHalfSeries(const FarField& far, int32_t r, int32_t c) {
  const int32_t p = far.order;
  const double rho = far.radius[r];
  const double DRe = (far.centreX[c] - far.centreX[r]) / rho, DIm = (far.centreY[c] - far.centreY[r]) / rho;
  const double scale = far.radius[c] / rho;
  const double* half = far.series + static_cast<std::size_t>(c) * 8 * static_cast<std::size_t>(p);
  double* whole = far.series + static_cast<std::size_t>(r) * 8 * static_cast<std::size_t>(p);
  // The half's coefficients times s^k, and the powers D^m.
  double aRe[2][kOrder + 1], aIm[2][kOrder + 1], powRe[kOrder + 1], powIm[kOrder + 1];
  double sk = 1;
  powRe[0] = 1;
  powIm[0] = 0;
  for (int32_t k = 1; k <= p; ++k) {
    sk *= scale;
    for (int field = 0; field < 2; ++field) {
      aRe[field][k] = half[(k - 1) * 8 + 2 * field] * sk;
      aIm[field][k] = half[(k - 1) * 8 + 4 + 2 * field] * sk;
    }
    powRe[k] = powRe[k - 1] * DRe - powIm[k - 1] * DIm;
    powIm[k] = powRe[k - 1] * DIm + powIm[k - 1] * DRe;
  }
  for (int32_t n = 1; n <= p; ++n) {
    double* term = whole + (n - 1) * 8;
    for (int field = 0; field < 2; ++field) {
      const double a0 = far.logTerm[2 * c + field];
      double sumRe = -a0 * powRe[n] / n, sumIm = -a0 * powIm[n] / n;
      double binomial = 1;  // C(n-1, k-1)
      for (int32_t k = 1; k <= n; ++k) {
        const double pr = powRe[n - k], pi = powIm[n - k];
        sumRe += binomial * (aRe[field][k] * pr - aIm[field][k] * pi);
        sumIm += binomial * (aRe[field][k] * pi + aIm[field][k] * pr);
        binomial = binomial * (n - k) / k;
      }
      term[2 * field] += sumRe;
      term[4 + 2 * field] += sumIm;
    }
  }
}

}  // namespace

void SetFarFieldValues(FieldTable& t) {
  FarField& far = t.far;
  if (far.runs == 0) return;
  const int32_t p = far.order;
  double boundaryLength = 0;
  for (int32_t e = 0; e < t.f; ++e) boundaryLength += t.length[e];
  const double valueTolerance = FarFieldValueTolerance(t);
  const double gradientTolerance = FarFieldGradientTolerance(t);

  // Halves before their runs: the short runs from their elements, every
  // longer one from its two halves.
  for (int32_t r = far.runs - 1; r >= 0; --r) {
    double* series = far.series + static_cast<std::size_t>(r) * 8 * static_cast<std::size_t>(p);
    for (int32_t c = 0; c < 8 * p; ++c) series[c] = 0;
    double a0[2] = {0, 0}, runLength = 0;
    for (int32_t e = far.first[r]; e < far.last[r]; ++e) runLength += t.length[e];
    if (far.child[r] < 0) {
      for (int32_t e = far.first[r]; e < far.last[r]; ++e) {
        AddElementSeries(t, e, far.centreX[r], far.centreY[r], far.radius[r], p, series, a0);
      }
    } else {
      for (const int32_t c : {far.child[r], far.child[r] + 1}) {
        AddHalfSeries(far, r, c);
        a0[0] += far.logTerm[2 * c];
        a0[1] += far.logTerm[2 * c + 1];
      }
    }
    const double rho = far.radius[r];
    far.logTerm[2 * r] = a0[0];
    far.logTerm[2 * r + 1] = a0[1];
    // The k-weighted copies, for the gradient.
    for (int32_t k = 1; k <= p; ++k) {
      double* term = series + (k - 1) * 8;
      term[1] = k * term[0];
      term[3] = k * term[2];
      term[5] = k * term[4];
      term[7] = k * term[6];
    }

    // The reach: the nearest distance at which all four bounds lie within
    // the run's share of the tolerances, by bisection on t = rho / R (every
    // bound grows with t).
    double xiFluxSize, xiValueSize, etaFluxSize, etaValueSize;
    RunSizes(t, far.first[r], far.last[r], t.xiFlux, t.xiFluxChange, t.xiValue, t.xiValueChange, xiFluxSize,
             xiValueSize);
    RunSizes(t, far.first[r], far.last[r], t.etaFlux, t.etaFluxChange, t.etaValue, t.etaValueChange, etaFluxSize,
             etaValueSize);
    const double share = runLength / boundaryLength;
    auto within = [&](double tRatio) {
      const double R = rho / tRatio;
      return SeriesValueBound(R, rho, p, xiFluxSize, xiValueSize) <= share * valueTolerance &&
             SeriesValueBound(R, rho, p, etaFluxSize, etaValueSize) <= share * valueTolerance &&
             SeriesGradientBound(R, rho, p, xiFluxSize, xiValueSize) <= share * gradientTolerance &&
             SeriesGradientBound(R, rho, p, etaFluxSize, etaValueSize) <= share * gradientTolerance;
    };
    double good = 0, bad = 1;
    for (int iteration = 0; iteration < 60; ++iteration) {
      const double middle = (good + bad) / 2;
      (within(middle) ? good : bad) = middle;
    }
    far.reach2[r] = good > 0 && rho > 0 ? (rho / good) * (rho / good) : INFINITY;
  }
}

FarFieldSplit SplitFarField(const FarField& far, int32_t f, double px, double py, int32_t* farRuns, int32_t* ranges) {
  FarFieldSplit split;
  if (far.runs == 0) {
    ranges[0] = 0;
    ranges[1] = f;
    split.rangeCount = 1;
    return split;
  }
  // Depth first, first half first, so that the ranges come in element order.
  int32_t stack[64];
  int32_t depth = 0;
  stack[depth++] = 0;
  while (depth > 0) {
    const int32_t r = stack[--depth];
    const double dx = px - far.centreX[r], dy = py - far.centreY[r];
    if (dx * dx + dy * dy >= far.reach2[r]) {
      farRuns[split.farCount++] = r;
    } else if (far.child[r] < 0) {
      if (split.rangeCount > 0 && ranges[2 * split.rangeCount - 1] == far.first[r]) {
        ranges[2 * split.rangeCount - 1] = far.last[r];
      } else {
        ranges[2 * split.rangeCount] = far.first[r];
        ranges[2 * split.rangeCount + 1] = far.last[r];
        ++split.rangeCount;
      }
    } else {
      stack[depth++] = far.child[r] + 1;
      stack[depth++] = far.child[r];
    }
  }
  return split;
}

namespace {

// Four doubles handled as one: each version of the kernel below puts them
// into the widest registers it has (two halves on a baseline processor).
typedef double Lanes __attribute__((vector_size(32)));
// The same in memory, where only the alignment of a double is assured.
typedef double StoredLanes __attribute__((vector_size(32), aligned(8)));

// (Lanes travel by reference only: by value they would pass differently in
// each version.)
inline const StoredLanes& LanesAt(const double* from) { return *reinterpret_cast<const StoredLanes*>(from); }

// Phi of one run at (px, py): the scaled w~ = rho / (z - c), |w~| < 1, and
// w = 1 / (z - c), ln |z - c|.
struct RunPoint {
  double xRe, xIm, wRe, wIm, logR;
};

inline RunPoint AtRun(const FarField& far, int32_t r, double px, double py) {
  const double dx = px - far.centreX[r], dy = py - far.centreY[r];
  const double R2 = dx * dx + dy * dy;
  RunPoint at;
  at.wRe = dx / R2;
  at.wIm = -dy / R2;
  at.xRe = far.radius[r] * at.wRe;
  at.xIm = far.radius[r] * at.wIm;
  at.logR = 0.5 * VectorLog(R2);
  return at;
}

// With the four sums S (sum of c_k w~^k and of k c_k w~^k, for xi and for
// eta): Phi = a0 log(z - c) + S, Phi' = w (a0 - S').
inline void AddRun(const FarField& far, int32_t r, const RunPoint& at, const Lanes& re, const Lanes& im,
                   double sums[6]) {
  for (int field = 0; field < 2; ++field) {
    const double a0 = far.logTerm[2 * r + field];
    const double dRe = a0 - re[2 * field + 1], dIm = -im[2 * field + 1];
    const double derivRe = at.wRe * dRe - at.wIm * dIm, derivIm = at.wRe * dIm + at.wIm * dRe;
    sums[3 * field] += a0 * at.logR + re[2 * field];
    sums[3 * field + 1] -= derivRe;
    sums[3 * field + 2] += derivIm;
  }
}

}  // namespace

// Horner's rule on the four series of each of G runs at once. Each step of
// a run waits on its step before, so several runs side by side keep the
// processor's units busy.
template <int G>
__attribute__((always_inline)) inline void AddRunGroup(const FarField& far, const int32_t* runs, double px, double py,
                                                       double sums[6]) {
  const int32_t p = far.order;
  const std::size_t stride = 8 * static_cast<std::size_t>(p);
  RunPoint at[G];
  const double* series[G];
  Lanes re[G], im[G];
  for (int g = 0; g < G; ++g) {
    at[g] = AtRun(far, runs[g], px, py);
    series[g] = far.series + static_cast<std::size_t>(runs[g]) * stride;
    re[g] = LanesAt(series[g] + (p - 1) * 8);
    im[g] = LanesAt(series[g] + (p - 1) * 8 + 4);
  }
  for (int32_t k = p - 1; k >= 1; --k) {
    for (int g = 0; g < G; ++g) {
      const Lanes nr = (re[g] * at[g].xRe - im[g] * at[g].xIm) + LanesAt(series[g] + (k - 1) * 8);
      const Lanes ni = (re[g] * at[g].xIm + im[g] * at[g].xRe) + LanesAt(series[g] + (k - 1) * 8 + 4);
      re[g] = nr;
      im[g] = ni;
    }
  }
  for (int g = 0; g < G; ++g) {
    const Lanes fr = re[g] * at[g].xRe - im[g] * at[g].xIm, fi = re[g] * at[g].xIm + im[g] * at[g].xRe;
    AddRun(far, runs[g], at[g], fr, fi, sums);
  }
}

KESTREL_VECTOR_CLONES
void AddFarRuns(const FarField& far, const int32_t* farRuns, int32_t count, double px, double py, double sums[6]) {
  int32_t n = 0;
  for (; n + 4 <= count; n += 4) AddRunGroup<4>(far, farRuns + n, px, py, sums);
  if (n + 2 <= count) {
    AddRunGroup<2>(far, farRuns + n, px, py, sums);
    n += 2;
  }
  if (n < count) AddRunGroup<1>(far, farRuns + n, px, py, sums);
}

}  // namespace kestrel
