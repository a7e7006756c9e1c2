#pragma once
// The program's two rounding rules, each in one place.
#include <cstdint>

namespace pixmira {

// Nearest integer, ties to even (2.5 -> 2, 3.5 -> 4).
int64_t RoundHalfEven(double v);

// Nearest integer, ties away from zero (2.5 -> 3, -2.5 -> -3).
int64_t RoundHalfAway(double v);

// A size or margin from a ratio: the integer product is formed by the caller, the quotient
// is taken in floating point and rounded ties to even.
int64_t RoundRatio(int64_t numerator, int64_t denominator);

}  // namespace pixmira
