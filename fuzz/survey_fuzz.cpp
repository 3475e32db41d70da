// The x y z text reader on any text: every line is a point, skipped (blank,
// header or comment) or a bad line, and the points are finite.
#include <cmath>
#include <sstream>
#include <string>

#include "formats/survey.h"
#include "fuzz_frontend.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::BeginInput("input.xyz");
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  SurveySource source;
  ParseSurveyText(in, source);
  fuzz::Check(source.x.size() == source.y.size() && source.y.size() == source.z.size(), "three columns a point");
  for (size_t k = 0; k < source.x.size(); ++k) {
    fuzz::Check(std::isfinite(source.x[k]) && std::isfinite(source.y[k]) && std::isfinite(source.z[k]),
                "every point is finite");
  }
  long lines = 0;
  std::istringstream count(text);
  for (std::string line; std::getline(count, line);) ++lines;
  fuzz::Check(static_cast<long>(source.x.size()) + source.skippedLines + static_cast<long>(source.bad.size()) <= lines,
              "no line counts twice");
  for (size_t k = 1; k < source.bad.size(); ++k) fuzz::Check(source.bad[k - 1] < source.bad[k], "bad lines in order");
  fuzz::EndInput();
  return 0;
}
