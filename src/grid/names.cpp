#include "grid/names.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/cnumbers.h"

namespace kestrel {

namespace {

int32_t ClampCount(long v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

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
    char* end = nullptr;
    const long first = std::strtol(copy, &end, 0);
    if (end != copy) {
      s.niGiven = first >= 1;
      s.ni = ClampCount(first);
      char* end2 = nullptr;
      const long second = std::strtol(end, &end2, 0);
      if (end2 != end) {
        s.njGiven = second >= 1;
        s.nj = ClampCount(second);
      }
    }
  }
  if (char* bracket = std::strchr(copy, '[')) {
    const char* p = bracket + 1;
    char* end = nullptr;
    const double first = ReadDouble(p, &end);
    if (end != p && !std::isnan(first)) {
      s.aGiven = true;
      s.a = first;
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
