#include "common/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace qx {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  const struct { double in, out; } cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, -0.0}, {-1.5, -2},
      {-2.5, -2}, {159.5, 160}, {99.5, 100}, {47.85, 48}, {2.4999999, 2},
      {2.5000001, 3}, {-2.5000001, -3}, {0, 0}, {1e15 + 0.5, 1e15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(RoundHalfEven(c.in), c.out);
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
}

TEST(Conversions, RoundIntoRangeOrFail) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_EQ(ToInt16(32767.5), std::nullopt);   // rounds to 32768
  EXPECT_EQ(ToInt16(-32768.5), -32768);        // rounds to even -32768
  EXPECT_EQ(ToInt16(-32769.0), std::nullopt);
  EXPECT_EQ(ToInt16(2280.0f), 2280);
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_EQ(ToInt32(2147483648.0), std::nullopt);
  EXPECT_EQ(ToInt32(std::numeric_limits<double>::infinity()), std::nullopt);
  EXPECT_EQ(ToInt32(std::nan("")), std::nullopt);
}

TEST(Conversions, FloorTowardMinusInfinity) {
  EXPECT_EQ(FloorTo<int16_t>(12.9), 12);
  EXPECT_EQ(FloorTo<int16_t>(-2.5), -3);
  EXPECT_EQ(FloorTo<int16_t>(60.7), 60);
  EXPECT_EQ(FloorTo<int16_t>(-0.1), -1);
  EXPECT_EQ(FloorTo<int16_t>(32767.99), 32767);
  EXPECT_EQ(FloorTo<int16_t>(40000), std::nullopt);
  EXPECT_EQ(FloorTo<int16_t>(-32768.5), std::nullopt);
}

TEST(CheckedArithmetic, FailsInsteadOfWrapping) {
  EXPECT_EQ(CheckedAdd<int16_t>(32766, 1), 32767);
  EXPECT_EQ(CheckedAdd<int16_t>(32767, 1), std::nullopt);
  EXPECT_EQ(CheckedSub<int16_t>(-32768, 1), std::nullopt);
  EXPECT_EQ(CheckedMul<int32_t>(46341, 46341), std::nullopt);
  EXPECT_EQ(CheckedMul<int32_t>(46340, 46340), 2147395600);
  EXPECT_EQ(CheckedNeg<int32_t>(std::numeric_limits<int32_t>::min()), std::nullopt);
  EXPECT_EQ(CheckedNeg<int16_t>(-5), 5);
  EXPECT_EQ(CheckedDiv<int32_t>(-7, 2), -3);  // truncates toward zero
  EXPECT_EQ(CheckedDiv<int32_t>(7, -2), -3);
  EXPECT_EQ(CheckedDiv<int32_t>(1, 0), std::nullopt);
  EXPECT_EQ(CheckedDiv<int32_t>(std::numeric_limits<int32_t>::min(), -1), std::nullopt);
}

TEST(LenientNumber, TakesTheLeadingNumber) {
  const struct { const char* in; double out; } cases[] = {
      {"1234", 1234},  {" 1234", 1234}, {":1234", 0},     {"1 2 3", 123},
      {"12ab", 12},    {"abc", 0},      {"", 0},          {"-7", -7},
      {"+8", 8},       {"3.5x", 3.5},   {".5", 0.5},      {"1e3", 1000},
      {"1e", 1},       {"1e+", 1},      {"--1", 0},       {"\t 42\r\n", 42},
      {"1e999", 0},    {"7.", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(LenientNumber(c.in), c.out);
  }
}

TEST(StrictNumber, WholeTextMustBeANumber) {
  EXPECT_EQ(StrictNumber("60"), 60);
  EXPECT_EQ(StrictNumber(" 60"), 60);
  EXPECT_EQ(StrictNumber(" 60 \t"), 60);
  EXPECT_EQ(StrictNumber("60.7"), 60.7);
  EXPECT_EQ(StrictNumber("-3"), -3);
  EXPECT_EQ(StrictNumber("12.9"), 12.9);
  EXPECT_EQ(StrictNumber("1e2"), 100);
  EXPECT_EQ(StrictNumber("60,7", ','), 60.7);
  EXPECT_EQ(StrictNumber("60.7", ','), std::nullopt);
  for (const char* bad : {"abc", "", " ", "6 0", "60abc", "- 3", "1e999", ".",
                          "+", "0x10", "60\x01"}) {
    EXPECT_EQ(StrictNumber(bad), std::nullopt) << bad;
  }
}

TEST(WholeNumber, DigitsWithAnOptionalSignAndNothingElse) {
  struct Case {
    const char* text;
    std::optional<long long> value;
  };
  const Case cases[] = {
      {"0", 0},          {"42", 42},        {"+42", 42},          {"-42", -42},
      {"007", 7},        {"9223372036854775807", 9223372036854775807LL},
      {"9223372036854775808", std::nullopt},  // past 64 bits
      {"", std::nullopt},   {"+", std::nullopt},  {"-", std::nullopt},  {"++1", std::nullopt},
      {"+-1", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt}, {"1.0", std::nullopt},
      {"1e3", std::nullopt}, {"0x1", std::nullopt}, {"12ab", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(WholeNumber(c.text), c.value) << c.text;
}

TEST(SignedDecimalText, BlankBeforeNonNegativeValues) {
  EXPECT_EQ(SignedDecimalText(60), " 60");
  EXPECT_EQ(SignedDecimalText(100), " 100");
  EXPECT_EQ(SignedDecimalText(0), " 0");
  EXPECT_EQ(SignedDecimalText(-3), "-3");
}

}  // namespace
}  // namespace qx
