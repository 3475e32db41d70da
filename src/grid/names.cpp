#include "grid/names.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/cnumbers.h"

namespace kestrel {

namespace {

int32_t ClampCount(long v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

// Reads one count at `text` as %i does; on success keeps the digits as typed
// in `typed` and the value (saturated at the range of long) in `asked`.
bool ReadCount(const char* text, char*& end, int32_t& count, double& asked, char (&typed)[32]) {
  const long value = std::strtol(text, &end, 0);
  if (end == text) return false;
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  std::snprintf(typed, sizeof typed, "%.*s", static_cast<int>(end - text), text);
  count = ClampCount(value);
  asked = static_cast<double>(value);
  return value >= 1;
}

}  // namespace

NameSettings ReadNameSettings(const char* name) {
  NameSettings s;
  char copy[32];
  std::snprintf(copy, sizeof copy, "%s", name);
  if (char* by = std::strstr(copy, "by")) {
    by[0] = ' ';
    by[1] = ' ';
  }
  const bool hasBy = std::strstr(name, "by") != nullptr;
  for (char* c = copy; *c; ++c) {
    if (*c == '_') *c = ' ';
  }
  if (hasBy) {
    char* end = copy;
    const char* first = copy;
    s.niGiven = ReadCount(first, end, s.ni, s.niAsked, s.niText);
    if (end != first) {
      const char* second = end;
      s.njGiven = ReadCount(second, end, s.nj, s.njAsked, s.njText);
    }
  }
  if (char* bracket = std::strchr(copy, '[')) {
    const char* p = bracket + 1;
    char* end = nullptr;
    const double first = ReadDouble(p, &end);
    if (end != p) {
      // A first value that is not a number is not given, but the second
      // still counts: "[nan,2]" keeps its 2.
      s.aGiven = !std::isnan(first);
      if (s.aGiven) s.a = first;
      if (*end == ',') {
        const char* q = end + 1;
        char* end2 = nullptr;
        const double second = ReadDouble(q, &end2);
        if (end2 != q && !std::isnan(second)) {
          s.bGiven = true;
          s.b = second;
        }
      }
    }
  }
  return s;
}

}  // namespace kestrel
