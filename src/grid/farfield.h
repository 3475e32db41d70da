// The far part of the boundary integrals, summed by a tree of multipole
// expansions: the elements are grouped into runs of consecutive elements
// (halved again and again down to short runs), and a run that lies far from
// the field point is summed through a truncated series about its centre
// instead of element by element. The runs near the point are summed in
// closed form as before. What a run counts as "far" is worked out per run
// from a bound on the error of its series (see farfield.cpp), so that the
// whole approximation is proven to stay below a fixed, tiny fraction of the
// field.
//
// In complex notation (z the field point, zeta a point of the boundary,
// nu = n_x + i n_y its outward unit normal, q and u the flux and the value
// along the boundary) the field of a run is -Re Phi / 2 pi with
//   Phi(z) = int q log(z - zeta) ds + int u nu / (z - zeta) ds,
// and its gradient is (-Re Phi', Im Phi') / 2 pi. About the run's centre c,
// with w = 1 / (z - c), Phi(z) = a0 log(z - c) + sum over k >= 1 of a_k w^k.
// The series holds any boundary values and fluxes, not only those of one
// kind of boundary problem.
#pragma once

#include <cstdint>

namespace kestrel {

struct FieldTable;

// The tree of one patch. Run r covers elements first[r] .. last[r] - 1; its
// two halves are runs child[r] and child[r] + 1, or child[r] is -1 for a run
// that is summed element by element when it is near.
struct FarField {
  int32_t runs = 0;  // 0: no tree, every element is summed in closed form
  int32_t order = 0;
  int32_t* first = nullptr;
  int32_t* last = nullptr;
  int32_t* child = nullptr;
  double* centreX = nullptr;
  double* centreY = nullptr;
  double* radius = nullptr;  // every node of the run lies within it of the centre
  // The run counts as far for a field point at least sqrt(reach2) from its
  // centre.
  double* reach2 = nullptr;
  // Per run: a0 of xi and of eta, then per k = 1 .. order the coefficients
  // a_k / radius^k and k a_k / radius^k of xi and of eta, as 8 doubles
  // (4 real parts, then 4 imaginary parts).
  double* logTerm = nullptr;  // 2 per run
  double* series = nullptr;   // 8 * order per run
  void* block = nullptr;
};

// Patches of fewer boundary elements than this are summed in closed form
// throughout: the tree would not pay for itself.
constexpr int32_t kFarFieldElements = 100;

// Builds the runs of the table's elements with their centres and radii
// (after the table's geometry is set); leaves no tree when the patch is
// small or there is no memory for it.
void BuildFarField(FieldTable& table);

// Works out every run's series and reach from the table's values and
// fluxes (after they are set).
void SetFarFieldValues(FieldTable& table);

void ReleaseFarField(FarField& far);

// The bound on the error of one run's series at distance R from its centre
// (radius rho, order p): for the value and for the gradient of a field whose
// flux has integral of |q| at most `fluxSize` over the run and whose value
// has integral of |u| at most `valueSize`. Infinite when R <= rho.
double SeriesValueBound(double R, double rho, int32_t p, double fluxSize, double valueSize);
double SeriesGradientBound(double R, double rho, int32_t p, double fluxSize, double valueSize);

// The largest error the approximation may make in xi or eta, and in a
// component of their gradients, for the table's field.
double FarFieldValueTolerance(const FieldTable& table);
double FarFieldGradientTolerance(const FieldTable& table);

// What one evaluation needs: the runs to sum as series, and the ranges of
// elements to sum in closed form (as pairs first, last; adjacent ranges
// merged). `farRuns` and `ranges` need room for table.far.runs entries
// each (ranges: twice that).
struct FarFieldSplit {
  int32_t farCount = 0;
  int32_t rangeCount = 0;
};
FarFieldSplit SplitFarField(const FarField& far, int32_t f, double px, double py, int32_t* farRuns, int32_t* ranges);

// Adds the series of the listed runs at (px, py) to the six sums of the
// field evaluation (in its convention: xi = -sums[0] / 2 pi, its gradient
// (sums[1], sums[2]) / 2 pi; the same for eta in sums[3..5]).
void AddFarRuns(const FarField& far, const int32_t* farRuns, int32_t count, double px, double py, double sums[6]);

}  // namespace kestrel
