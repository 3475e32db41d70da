// The time step of the deck against the size of its cells: the model blows
// up once water moves when a step lets a current cross too much of a cell.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

// The deck's reference period (TREF of card C8) and its default number of
// steps in it (NTSPTC of card C7): a step of 10 s.
constexpr double kReferencePeriod = 86400;
constexpr int32_t kDefaultStepsPerPeriod = 8640;
// The current at which a step may carry water across at most half a cell.
constexpr double kCheckCurrent = 1.0;

// Write the step the cells allow into card C7 instead of the default.
extern bool autoTimeStep;

struct TimeStepCheck {
  long cells = 0;  // active cells measured
  double smallestDx = 0, smallestDy = 0;
  double longestStep = 0;                           // seconds: half the smallest cell size over the check current
  int32_t stepsPerPeriod = kDefaultStepsPerPeriod;  // what card C7 carries
  double deckStep = kReferencePeriod / kDefaultStepsPerPeriod;
  bool tooLong = false;  // the deck's step is longer than longestStep
};

// Measures the active cells of the grid (gridsValid must be 1) and settles
// the deck's step: the default, or with autoTimeStep the longest round step
// (1, 2, 2.5 or 5 times a power of ten, dividing the reference period) that is
// not longer than longestStep.
TimeStepCheck CheckTimeStep();

// The block of QUALITY.TXT.
std::string TimeStepReport(const TimeStepCheck& check);
// For the status line of step 4, e.g. "smallest DX 2.00 m, DY 1.95 m: a step
// of at most 0.98 s (card C7's 10 s is longer)".
std::string TimeStepStatus(const TimeStepCheck& check);

}  // namespace kestrel
