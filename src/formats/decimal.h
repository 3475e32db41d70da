// Numbers as text with a decimal point, whatever the desktop's locale: the
// survey readers and the depth columns of the model files go through these.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Reads a whole field as a finite number ("-1.5", "+2", "3e-2"). Leading and
// trailing blanks are not allowed; "nan", "inf" and a decimal comma are not
// numbers here.
bool ParseDecimal(std::string_view text, double& value);

// The number with `decimals` digits after the point, like printf "%.*f".
std::string FixedDecimal(double value, int decimals);

// The shortest text that reads back as the same number: "0", "0.1", "-2.5".
std::string ShortDecimal(double value);

}  // namespace kestrel
