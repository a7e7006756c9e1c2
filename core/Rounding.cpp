#include "core/Rounding.h"

#include <cmath>

namespace pixmira {

int64_t RoundHalfEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

int64_t RoundHalfAway(double v) { return static_cast<int64_t>(std::round(v)); }

int64_t RoundRatio(int64_t numerator, int64_t denominator) {
  return RoundHalfEven(static_cast<double>(numerator) / static_cast<double>(denominator));
}

}  // namespace pixmira
