#include "core/Rounding.h"

#include <gtest/gtest.h>

namespace pixmira {
namespace {

TEST(Rounding, HalfEvenAndHalfAwayDifferOnlyOnTies) {
  struct Case {
    double v;
    int64_t even;
    int64_t away;
  };
  for (const Case& c : {Case{2.5, 2, 3}, Case{3.5, 4, 4}, Case{-2.5, -2, -3}, Case{0.5, 0, 1},
                        Case{2.4999, 2, 2}, Case{-0.6, -1, -1}, Case{12.5, 12, 13}}) {
    EXPECT_EQ(RoundHalfEven(c.v), c.even) << c.v;
    EXPECT_EQ(RoundHalfAway(c.v), c.away) << c.v;
  }
}

TEST(Rounding, RatioFormsTheQuotientInFloatingPoint) {
  EXPECT_EQ(RoundRatio(10 * 333, 100), 33);  // 33.3
  EXPECT_EQ(RoundRatio(50 * 45, 100), 22);   // 22.5 ties to even
  EXPECT_EQ(RoundRatio(310 * 450, 620), 225);
}

}  // namespace
}  // namespace pixmira
