// Numbers as the host reads them from its texts (script lines, and values
// that arrive as text).
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace hostsim {

// A real in decimal notation ("12", "-0.5", "+1e-3", ".5", "2."), nothing
// around it. Only finite values are numbers: "nan", "inf" and a value beyond
// the range of a double ("1e999") are refused, and so are hexadecimal reals.
// A value too small for a double reads as the nearest one, a denormal or a
// signed zero ("1e-400" is 0): it is still a number.
std::optional<double> parseFiniteReal(std::string_view text);

// A whole number in decimal notation ("12", "-3", "+5"), nothing around it,
// that fits an int.
std::optional<int> parseInteger(std::string_view text);

// A real as the transcript shows it, in six significant digits ("%g").
std::string formatNumber(double value);
// Three coordinates as "x,y,z", each as formatNumber gives it.
std::string formatPoint(const double p[3]);

}  // namespace hostsim
