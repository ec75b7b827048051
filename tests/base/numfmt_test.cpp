#include "base/numfmt.h"

#include <clocale>
#include <gtest/gtest.h>

namespace teril {
namespace {

struct FixedCase {
  double v;
  int w, d;
  const char* text;
};

class StrFixed : public ::testing::TestWithParam<FixedCase> {};

TEST_P(StrFixed, RightAlignedAndWidenedWhenNeeded) {
  auto c = GetParam();
  EXPECT_EQ(Str(c.v, c.w, c.d), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrFixed,
    ::testing::Values(FixedCase{245.5678, 8, 4, "245.5678"}, FixedCase{12.345, 8, 3, "  12.345"},
                      FixedCase{-1.5, 6, 2, " -1.50"},
                      FixedCase{123456.789, 4, 1, "123456.8"},  // widened
                      FixedCase{0.125, 5, 2, " 0.12"},          // halves to even in binary
                      FixedCase{2.5, 3, 0, "  2"}, FixedCase{-0.0004, 7, 3, " -0.000"},
                      FixedCase{7, 0, 0, "7"}));

TEST(StrInteger, Width) {
  EXPECT_EQ(Str(42LL, 4), "  42");
  EXPECT_EQ(Str(-7LL, 2), "-7");
  EXPECT_EQ(Str(123456LL, 2), "123456");
}

TEST(Sci23, TwentyThreeCharacters) {
  EXPECT_EQ(Sci23(123.45), " 1.23450000000000E+0002");
  EXPECT_EQ(Sci23(-0.00123), "-1.23000000000000E-0003");
  EXPECT_EQ(Sci23(0.0), " 0.00000000000000E+0000");
  EXPECT_EQ(Sci23(1e32).size(), 23u);
  EXPECT_EQ(Sci23(1e32), " 1.00000000000000E+0032");
}

TEST(General, ShortestWithFifteenDigits) {
  EXPECT_EQ(General(0), "0");
  EXPECT_EQ(General(0.1), "0.1");
  EXPECT_EQ(General(2450000.12345), "2450000.12345");
  EXPECT_EQ(General(-12.5), "-12.5");
  EXPECT_EQ(General(1e-5), "0.00001");
  EXPECT_EQ(General(1.5e-7), "1.5E-7");
  EXPECT_EQ(General(2e20), "2E20");
  EXPECT_EQ(General(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(General(100), "100");
  EXPECT_EQ(General(999999999999999.9), "1E15");
}

TEST(ParseNumber, AcceptsDecimalSyntaxOnly) {
  EXPECT_DOUBLE_EQ(*ParseNumber(" 12.5 "), 12.5);
  EXPECT_DOUBLE_EQ(*ParseNumber("+3"), 3);
  EXPECT_DOUBLE_EQ(*ParseNumber("-1e3"), -1000);
  EXPECT_DOUBLE_EQ(*ParseNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(*ParseNumber("5."), 5);
  EXPECT_FALSE(ParseNumber(""));
  EXPECT_FALSE(ParseNumber("abc"));
  EXPECT_FALSE(ParseNumber("1,5"));
  EXPECT_FALSE(ParseNumber("inf"));
  EXPECT_FALSE(ParseNumber("nan"));
  EXPECT_FALSE(ParseNumber("1e999"));
  EXPECT_FALSE(ParseNumber("12.5x"));
  EXPECT_DOUBLE_EQ(*ParseNumber("1e-400"), 0.0);
}

TEST(ParseInteger, WholeTextOnly) {
  EXPECT_EQ(*ParseInteger(" 12 "), 12);
  EXPECT_EQ(*ParseInteger("-3"), -3);
  EXPECT_FALSE(ParseInteger("1.5"));
  EXPECT_FALSE(ParseInteger(""));
}

TEST(NumberFormats, IndependentOfTheProcessLocale) {
  // With a German locale printf would write "12,50"; ours must not.
  const char* set = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (!set) set = std::setlocale(LC_NUMERIC, "de_DE");
  EXPECT_EQ(Str(12.5, 6, 2), " 12.50");
  EXPECT_EQ(General(0.25), "0.25");
  EXPECT_EQ(Sci23(0.25), " 2.50000000000000E-0001");
  EXPECT_DOUBLE_EQ(*ParseNumber("0.25"), 0.25);
  std::setlocale(LC_ALL, "C");
}

TEST(RoundTrip, ReadsBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 2450123.456789012, -1e-300, 6.02214076e23}) {
    EXPECT_EQ(*ParseNumber(RoundTrip(v)), v);
  }
}

}  // namespace
}  // namespace teril
