// Tests of the comparison rule for doubles at its boundaries.
#include "frame/double_compare.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace linkan {
namespace {

double StepUlps(double x, int ulps) {
  for (int i = 0; i < std::abs(ulps); ++i) {
    x = std::nextafter(x, ulps > 0 ? std::numeric_limits<double>::infinity()
                                   : -std::numeric_limits<double>::infinity());
  }
  return x;
}

TEST(DoubleCompare, ImagesAreOrderedLikeTheDoubles) {
  const double values[] = {-1e300, -2.5, -1.0, -1e-300, -0.0, 0.0, 1e-300, 1.0, 2.5, 1e300};
  for (std::size_t i = 1; i < std::size(values); ++i) {
    EXPECT_LE(OrderedImage(values[i - 1]), OrderedImage(values[i])) << values[i];
  }
  EXPECT_EQ(OrderedImage(0.0), 0);
  EXPECT_EQ(OrderedImage(-0.0), 0);
  EXPECT_EQ(OrderedImage(1.0), std::bit_cast<std::int64_t>(1.0));
  EXPECT_EQ(OrderedImage(-1.0), -std::bit_cast<std::int64_t>(1.0));
  // Adjacent doubles across zero are one unit apart.
  EXPECT_EQ(OrderedImage(std::nextafter(0.0, 1.0)) - OrderedImage(-std::nextafter(0.0, 1.0)), 2);
}

TEST(DoubleCompare, ToleranceIsFifteenUnitsInTheLastPlace) {
  const double b = 0.7;
  EXPECT_FALSE(UlpGreater(StepUlps(b, 15), b));
  EXPECT_TRUE(UlpGreater(StepUlps(b, 16), b));
  EXPECT_TRUE(UlpAtMost(StepUlps(b, 15), b));
  EXPECT_FALSE(UlpAtMost(StepUlps(b, 16), b));
  EXPECT_TRUE(UlpEqual(StepUlps(b, -15), b));
  EXPECT_FALSE(UlpEqual(StepUlps(b, -16), b));
  // Across zero: the images of tiny values of both signs are close.
  EXPECT_TRUE(UlpEqual(-std::numeric_limits<double>::denorm_min(), 0.0));
  EXPECT_FALSE(UlpGreater(0.3, 0.1 + 0.2));
  EXPECT_FALSE(UlpGreater(0.1 + 0.2, 0.3));
}

TEST(DoubleCompare, NonFiniteValuesAreNeverEqual) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(UlpEqual(inf, inf));
  EXPECT_FALSE(UlpEqual(std::nan(""), std::nan("")));
  EXPECT_TRUE(UlpGreater(inf, 1e308));
  EXPECT_TRUE(UlpAtMost(-inf, -1e308));
}

TEST(DoubleCompare, NearWholeNumberSnapsOnlyWithinTolerance) {
  double k = 0;
  ASSERT_TRUE(NearWholeNumber(100 * 0.07, k));  // 7.000000000000001
  EXPECT_EQ(k, 7.0);
  EXPECT_FALSE(NearWholeNumber(7.001, k));
  ASSERT_TRUE(NearWholeNumber(0.0, k));
  EXPECT_EQ(k, 0.0);
  EXPECT_FALSE(NearWholeNumber(1e-300, k));
}

}  // namespace
}  // namespace linkan
