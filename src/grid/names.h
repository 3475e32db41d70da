// The grid settings a polygon name carries: "40 by 25" sets the cell counts,
// "[1.5,0.8]" the grading exponents of the I and J directions.
#pragma once

#include <cstdint>

namespace kestrel {

struct NameSettings {
  bool niGiven = false, njGiven = false, aGiven = false, bGiven = false;
  int32_t ni = 0, nj = 0;
  double a = 1, b = 1;
  // The counts as the name has them, for messages: the digits as typed and
  // their value before it is limited to the int range.
  char niText[32] = "", njText[32] = "";
  double niAsked = 0, njAsked = 0;
};

// Reads the settings from a name of at most 31 characters. The first "by" of
// a copy of the name is blanked and the copy read as two integers (decimal,
// 0x hexadecimal or 0 octal); the text after the first "[" as two numbers
// separated by a comma. Underscores count as blanks, so that a name such as
// "40 by 25" still reads the same after a polygon file, which cannot hold
// blanks in names, has carried it as "40_by_25". A value that is missing,
// malformed or out of range (a count below 1, a grading that is not a
// number) is reported as not given, and the other value still counts;
// counts beyond the int range become the largest int (niText and niAsked
// keep what was typed).
NameSettings ReadNameSettings(const char* name);

}  // namespace kestrel
