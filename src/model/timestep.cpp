#include "model/timestep.h"

#include <algorithm>
#include <cmath>

#include "formats/decimal.h"
#include "grid/gridstore.h"
#include "grid/quality.h"
#include "store/store.h"

namespace kestrel {

bool autoTimeStep = false;

namespace {

// The longest round step not longer than `limit` that divides the reference
// period into whole steps, or the period itself.
double RoundStep(double limit) {
  if (!(limit > 0)) return 0;
  if (limit >= kReferencePeriod) return kReferencePeriod;
  for (double decade = std::pow(10.0, std::floor(std::log10(limit))) * 10; decade > 1e-9; decade /= 10) {
    for (const double m : {5.0, 2.5, 2.0, 1.0}) {
      const double step = m * decade;
      const double steps = kReferencePeriod / step;
      if (step <= limit && std::fabs(steps - std::round(steps)) < 1e-6 * steps) return step;
    }
  }
  return 0;
}

// The deck's steps are round numbers and shown as they are; the limit gets
// two decimals, four below a tenth of a second.
std::string StepText(double s) { return ShortDecimal(s) + " s"; }
std::string LimitText(double s) { return FixedDecimal(s, s < 0.1 ? 4 : 2) + " s"; }

}  // namespace

TimeStepCheck CheckTimeStep() {
  TimeStepCheck check;
  double dx = HUGE_VAL, dy = HUGE_VAL;
  for (int32_t k = 0; gridsValid && k < grids.patchCount; ++k) {
    if (k == clipPolygon || !grids.x || !grids.x[k]) continue;
    const int32_t ni = grids.ni[k];
    for (int32_t j = 0; j < grids.nj[k]; ++j) {
      for (int32_t i = 0; i < ni; ++i) {
        if (!IsActiveCell(k, i, j)) continue;
        const int32_t nodes[4] = {NodeIndex(ni, i, j), NodeIndex(ni, i + 1, j), NodeIndex(ni, i + 1, j + 1),
                                  NodeIndex(ni, i, j + 1)};
        double x[4], y[4];
        for (int n = 0; n < 4; ++n) {
          x[n] = grids.x[k][nodes[n]];
          y[n] = grids.y[k][nodes[n]];
        }
        double cdx, cdy;
        CellEdgeSizes(x, y, cdx, cdy);
        dx = std::min(dx, cdx);
        dy = std::min(dy, cdy);
        ++check.cells;
      }
    }
  }
  if (check.cells == 0) return check;
  check.smallestDx = dx;
  check.smallestDy = dy;
  check.longestStep = 0.5 * std::min(dx, dy) / kCheckCurrent;
  if (autoTimeStep) {
    const double step = RoundStep(check.longestStep);
    if (step > 0) {
      check.stepsPerPeriod = static_cast<int32_t>(std::lround(kReferencePeriod / step));
      check.deckStep = step;
    }
  }
  check.tooLong = check.deckStep > check.longestStep;
  return check;
}

std::string TimeStepReport(const TimeStepCheck& check) {
  std::string out = "Time step\n";
  if (check.cells == 0) return out + "  no active cells\n";
  out += "  smallest DX " + FixedDecimal(check.smallestDx, 3) + " m, smallest DY " + FixedDecimal(check.smallestDy, 3) +
         " m\n";
  out +=
      "  longest step at which a current of 1 m/s crosses at most half a cell: " + LimitText(check.longestStep) + "\n";
  out += "  step of card C7 (" + std::to_string(check.stepsPerPeriod) + " steps in " + ShortDecimal(kReferencePeriod) +
         " s): " + StepText(check.deckStep) + (autoTimeStep ? ", set from the cells\n" : "\n");
  if (check.tooLong) {
    out += "  The step of card C7 is longer: the model may blow up once water moves. Raise NTSPTC of card C7\n";
    out += "  to at least " + std::to_string(static_cast<long long>(std::ceil(kReferencePeriod / check.longestStep))) +
           " (kestrel-grid --time-step auto writes a step that fits).\n";
  }
  return out;
}

std::string TimeStepStatus(const TimeStepCheck& check) {
  if (check.cells == 0) return "";
  std::string text = "smallest DX " + FixedDecimal(check.smallestDx, 2) + " m, DY " +
                     FixedDecimal(check.smallestDy, 2) + " m: a step of at most " + LimitText(check.longestStep);
  if (check.tooLong) {
    text += " (card C7's " + StepText(check.deckStep) + " is longer)";
  } else if (autoTimeStep) {
    text += " (card C7: " + StepText(check.deckStep) + ")";
  }
  return text;
}

}  // namespace kestrel
