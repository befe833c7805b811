// The tolerance comparison at its boundary: which values a tolerance lets in is decided by how
// the bounds round, and every part of the library must round them the same way.
#include "tarnwick/common/KVCommon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarnwick {
namespace {

TEST(FloatEquals, IsTheClosedIntervalAroundTheSecondValue) {
  struct Case {
    double A, B, Tolerance;
    bool Expected;
  };
  static const Case kCases[] = {
      {0, 1e-4, 1e-4, true},
      {1e-4, 0, 1e-4, true},
      {5, 5.0001, 1e-4, true},
      {5.0001, 5, 1e-4, true},
      {5, 5.00009, 1e-4, true},
      // Written 1e-4 apart, but as doubles a little more: |A - B| exceeds 1e-4 while A lies
      // inside [B - 1e-4, B + 1e-4] as that interval rounds.
      {2.5, 2.5001, 1e-4, true},
      {2.5001, 2.5, 1e-4, true},
      {100, 100.0001, 1e-4, true},
      {-2.5, -2.5001, 1e-4, true},
      {5, 5.00011, 1e-4, false},
      {5.00011, 5, 1e-4, false},
      {1, 1 + 1e-12, 1e-12, true},
      {1, 1 + 3e-12, 1e-12, false},
      {7, 7, 0, true},
      {0, std::numeric_limits<double>::quiet_NaN(), 1e-4, false},
  };
  for (const Case& C : kCases)
    EXPECT_EQ(FloatEquals(C.A, C.B, C.Tolerance), C.Expected) << C.A << " against " << C.B << " within " << C.Tolerance;
}

// A value made by adding the tolerance to B, or taking it away, is on the boundary and so
// inside, whatever B is; the next double outward is outside.
TEST(FloatEquals, AValueMadeAsTheOtherPlusOrMinusTheToleranceIsOnTheBoundary) {
  constexpr double kTolerance = 1e-4;
  constexpr double kInf = std::numeric_limits<double>::infinity();
  for (int K = -2000; K <= 2000; ++K) {
    const double B = K * 0.37;
    const double Above = B + kTolerance;
    const double Below = B - kTolerance;
    ASSERT_TRUE(FloatEquals(Above, B, kTolerance)) << B;
    ASSERT_TRUE(FloatEquals(Below, B, kTolerance)) << B;
    ASSERT_FALSE(FloatEquals(std::nextafter(Above, kInf), B, kTolerance)) << B;
    ASSERT_FALSE(FloatEquals(std::nextafter(Below, -kInf), B, kTolerance)) << B;
  }
}

}  // namespace
}  // namespace tarnwick
