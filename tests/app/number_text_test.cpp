// number_text_test.cpp
#include "number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

namespace linkan::app {
namespace {

TEST(FormatNumberTest, PlainBetweenExponentsMinus4And15) {
  EXPECT_EQ(FormatNumber(3.0), "3");
  EXPECT_EQ(FormatNumber(2.5), "2.5");
  EXPECT_EQ(FormatNumber(0.1), "0.1");
  EXPECT_EQ(FormatNumber(0.0001), "0.0001");
  EXPECT_EQ(FormatNumber(0.00015), "0.00015");
  EXPECT_EQ(FormatNumber(100000.0), "100000");
  EXPECT_EQ(FormatNumber(1e15), "1000000000000000");
  EXPECT_EQ(FormatNumber(9999999999999998.0), "9999999999999998");
  EXPECT_EQ(FormatNumber(-2.5), "-2.5");
  EXPECT_EQ(FormatNumber(0.0), "0");
  EXPECT_EQ(FormatNumber(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(FormatNumber(123456.789), "123456.789");
}

TEST(FormatNumberTest, ScientificOutsideWithSignedTwoDigitExponent) {
  EXPECT_EQ(FormatNumber(1e16), "1e+16");
  EXPECT_EQ(FormatNumber(1e-5), "1e-05");
  EXPECT_EQ(FormatNumber(1.5e20), "1.5e+20");
  EXPECT_EQ(FormatNumber(-1.5e-7), "-1.5e-07");
  EXPECT_EQ(FormatNumber(1e100), "1e+100");
  EXPECT_EQ(FormatNumber(5e-324), "5e-324");
  EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max()), "1.7976931348623157e+308");
  EXPECT_EQ(FormatNumber(0.000099), "9.9e-05");
}

TEST(ParseNumberTest, AcceptedForms) {
  EXPECT_EQ(ParseNumber("3"), 3.0);
  EXPECT_EQ(ParseNumber("-2.5"), -2.5);
  EXPECT_EQ(ParseNumber("1e3"), 1000.0);
  EXPECT_EQ(ParseNumber("1E+03"), 1000.0);
  EXPECT_EQ(ParseNumber("+5"), 5.0);
  EXPECT_EQ(ParseNumber(" 5 "), 5.0);
  EXPECT_EQ(ParseNumber("\t5"), 5.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  EXPECT_EQ(ParseNumber("5."), 5.0);
  EXPECT_EQ(ParseNumber("3.50"), 3.5);
}

TEST(ParseNumberTest, RejectedForms) {
  for (const char* text :
       {"",    " ",   "inf", "-inf", "nan", "NaN", "infinity", "0x10",   "1,5", "1 000", "5kg",
        "++5", "+-5", "+",   "-",    "e3",  "1e",  "1e400",    "1e-400", "--1", "five"}) {
    EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
  }
}

// The expected text by an independent route: the fewest significant digits
// that printf/strtod round-trip, then the notation rule applied by hand.
std::string ReferenceText(double x) {
  char buf[64];
  int precision = 1;
  for (; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, x);
    if (std::strtod(buf, nullptr) == x) break;
  }
  std::string s(buf);
  const std::size_t e = s.find('e');
  const int exponent = std::atoi(s.c_str() + e + 1);
  std::string mantissa = s.substr(0, e);
  const bool negative = mantissa[0] == '-';
  if (negative) mantissa.erase(0, 1);
  std::string digits;
  for (char c : mantissa) {
    if (c != '.') digits.push_back(c);
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent < -4 || exponent > 15) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    char ex[16];
    std::snprintf(ex, sizeof ex, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + ex;
  }
  if (exponent < 0)
    return out + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= intDigits) return out + digits + std::string(intDigits - digits.size(), '0');
  return out + digits.substr(0, intDigits) + "." + digits.substr(intDigits);
}

TEST(NumberTextRandomTest, RoundTripAndReferenceTextForRandomDoubles) {
  std::mt19937_64 rng(20240611);
  std::uniform_int_distribution<int> exponentDist(-30, 30);
  std::uniform_real_distribution<double> unit(1.0, 10.0);
  NumberTextCache cache;
  std::vector<double> recent(64, 0.0);
  for (int i = 0; i < 20000; ++i) {
    double x;
    if (i % 2 == 0) {
      // Any finite bit pattern: subnormals and extremes included.
      const std::uint64_t bits = rng();
      std::memcpy(&x, &bits, sizeof x);
      if (!std::isfinite(x)) continue;
    } else {
      // Around the notation boundaries, with short and long digit strings.
      x = unit(rng) * std::pow(10.0, exponentDist(rng));
      if (i % 4 == 1) x = std::round(x * 1000.0) / 1000.0;
      if (i % 3 == 0) x = -x;
    }
    const std::string text = FormatNumber(x);
    // The cache gives the same text, converted or remembered (the values
    // come back at random, and many share a slot).
    for (const double y : {x, recent[rng() % recent.size()]}) {
      std::string cached;
      cache.Append(cached, y);
      ASSERT_EQ(cached, FormatNumber(y));
    }
    recent[static_cast<std::size_t>(i) % recent.size()] = x;
    const std::optional<double> back = ParseNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    ASSERT_EQ(std::memcmp(&*back, &x, sizeof x), 0) << text;
    ASSERT_EQ(text, ReferenceText(x));
    ASSERT_EQ(text.find(".0e"), std::string::npos);
    ASSERT_FALSE(text.size() > 2 && text.substr(text.size() - 2) == ".0") << text;
  }
}

TEST(NumberTextRandomTest, PowersOfTwoRoundTrip) {
  for (int k = -1074; k <= 1023; ++k) {
    const double x = std::ldexp(1.0, k);
    const std::optional<double> back = ParseNumber(FormatNumber(x));
    ASSERT_TRUE(back.has_value()) << k;
    ASSERT_EQ(*back, x) << k;
  }
}

}  // namespace
}  // namespace linkan::app

namespace linkan::app {
namespace {

// Single-precision values (chart cells): the text reads back to the same
// float, read as a float or as a double then narrowed, in FormatNumber's
// notation.
TEST(NumberTextRandomTest, FloatsRoundTripInTheirShortestText) {
  std::mt19937 rng(20261206);
  EXPECT_EQ(FormatFloat(100.0f / 3.0f), "33.333332");
  EXPECT_EQ(FormatFloat(0.1f), "0.1");
  EXPECT_EQ(FormatFloat(1e-5f), "1e-05");
  EXPECT_EQ(FormatFloat(100000.0f), "100000");
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t bits = rng();
    float x;
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    const std::string text = FormatFloat(x);
    const float asFloat = std::strtof(text.c_str(), nullptr);
    const auto asDouble = static_cast<float>(std::strtod(text.c_str(), nullptr));
    ASSERT_EQ(std::memcmp(&asFloat, &x, sizeof x), 0) << text;
    ASSERT_EQ(std::memcmp(&asDouble, &x, sizeof x), 0) << text;
    const double y = std::strtod(text.c_str(), nullptr);
    if (std::fabs(y) >= 1e-4 && std::fabs(y) < 1e16) {
      ASSERT_EQ(text.find('e'), std::string::npos) << text;
    }
    ASSERT_EQ(text.find(".0e"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace linkan::app
