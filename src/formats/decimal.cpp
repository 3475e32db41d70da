#include "formats/decimal.h"

#include <charconv>
#include <cmath>

namespace kestrel {

bool ParseDecimal(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  // from_chars reads "inf" and "nan" as numbers; a depth never is one.
  const char first = text.front() == '-' && text.size() > 1 ? text[1] : text.front();
  if (!(first == '.' || (first >= '0' && first <= '9'))) return false;
  double parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) return false;
  value = parsed;
  return true;
}

std::string FixedDecimal(double value, int decimals) {
  char text[400];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  if (error != std::errc()) return std::isnan(value) ? "nan" : "inf";
  return std::string(text, end);
}

std::string ShortDecimal(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  if (error != std::errc()) return std::isnan(value) ? "nan" : "inf";
  return std::string(text, end);
}

}  // namespace kestrel
