#ifndef CALORIVECTRIX_SIM_NUMERIC_H
#define CALORIVECTRIX_SIM_NUMERIC_H

// Constants and the one rounding the program's numbers share, so the core and the plots
// agree to the bit.

#include <limits>

namespace numeric {

constexpr double pi = 3.141592653589793;

// The value rounded to single precision. Grid steps and face weights have always carried
// this rounding, and plots hand single-precision values to contouring. A value beyond the
// single-precision range becomes an infinity of its sign, which is what the rounding gives
// on every machine this runs on, instead of the conversion the language leaves undefined;
// a crafted grid file can produce such values.
constexpr float SinglePrecision(double value) {
  constexpr double largest = std::numeric_limits<float>::max();
  if (value > largest)
    return std::numeric_limits<float>::infinity();
  if (value < -largest)
    return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

}  // namespace numeric

#endif
