// The grid settings read from a polygon name: any name of up to 31 bytes must
// give counts that are positive when given and gradings that are numbers, and
// step 1's limits must then hold whatever the name said.
#include <cmath>
#include <cstring>

#include "fuzz_frontend.h"
#include "grid/driver.h"
#include "grid/names.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::BeginInput("input.p2d");
  char name[32] = {};  // a polygon's name field: at most 31 characters
  std::memcpy(name, data, size < 31 ? size : 31);
  const NameSettings s = ReadNameSettings(name);
  fuzz::Check(!s.niGiven || s.ni >= 1, "a given count in I is at least 1");
  fuzz::Check(!s.njGiven || s.nj >= 1, "a given count in J is at least 1");
  fuzz::Check(!s.aGiven || !std::isnan(s.a), "a given grading in I is a number");
  fuzz::Check(!s.bGiven || !std::isnan(s.b), "a given grading in J is a number");
  // Step 1 keeps every given grading within its bounds.
  for (double g : {s.a, s.b}) {
    const double kept = g > kMaxGrading ? kMaxGrading : g < kMinGrading ? kMinGrading : g;
    fuzz::Check(kept >= kMinGrading && kept <= kMaxGrading, "a grading is kept within its bounds");
  }
  // A patch of the given counts is sized before anything is allocated.
  if (s.niGiven && s.njGiven) fuzz::Check(PatchBytes(s.ni, s.nj) > 0, "the memory of a patch is worked out");
  fuzz::EndInput();
  return 0;
}
