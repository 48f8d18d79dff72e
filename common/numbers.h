// Number rules shared by every part of the program.
//
// Floating-point values become integers by rounding to the nearest integer
// with halves going to the even neighbour; Int-style conversions round toward
// minus infinity; integer division truncates toward zero; 16- and 32-bit
// integer arithmetic fails instead of wrapping. A conversion or operation that
// fails returns std::nullopt, so the caller decides whether the step is
// skipped (the target keeps its value) or aborts a larger operation.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace qx {

// The program's Booleans are 16-bit: true is -1, false is 0.
using Bool16 = int16_t;
inline constexpr Bool16 kTrue16 = -1;
inline constexpr Bool16 kFalse16 = 0;

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). NaN and
// infinities are returned unchanged.
double RoundHalfEven(double value);

// Toward minus infinity (12.9 -> 12, -2.5 -> -3).
double Floor(double value);

// Rounds half to even, then checks the range of the target type.
template <typename Int>
std::optional<Int> RoundTo(double value) {
  static_assert(std::is_integral_v<Int> && std::is_signed_v<Int>);
  const double r = RoundHalfEven(value);
  if (!(r >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        r <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    return std::nullopt;  // out of range, NaN or infinite
  }
  return static_cast<Int>(r);
}

// Rounds toward minus infinity, then checks the range of the target type.
template <typename Int>
std::optional<Int> FloorTo(double value) {
  static_assert(std::is_integral_v<Int> && std::is_signed_v<Int>);
  const double f = Floor(value);
  if (!(f >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        f <= static_cast<double>(std::numeric_limits<Int>::max()))) {
    return std::nullopt;
  }
  return static_cast<Int>(f);
}

inline std::optional<int16_t> ToInt16(double v) { return RoundTo<int16_t>(v); }
inline std::optional<int32_t> ToInt32(double v) { return RoundTo<int32_t>(v); }

// Checked arithmetic on 16- and 32-bit signed integers: the exact result, or
// nullopt when it does not fit the type. Computed in 64 bits, which holds
// every sum, difference and product of two 32-bit values.
template <typename Int>
std::optional<Int> Narrow(int64_t v) {
  static_assert(std::is_integral_v<Int> && std::is_signed_v<Int> &&
                sizeof(Int) <= 4);
  if (v < std::numeric_limits<Int>::min() ||
      v > std::numeric_limits<Int>::max()) {
    return std::nullopt;
  }
  return static_cast<Int>(v);
}
template <typename Int>
std::optional<Int> CheckedAdd(Int a, Int b) {
  return Narrow<Int>(int64_t{a} + int64_t{b});
}
template <typename Int>
std::optional<Int> CheckedSub(Int a, Int b) {
  return Narrow<Int>(int64_t{a} - int64_t{b});
}
template <typename Int>
std::optional<Int> CheckedMul(Int a, Int b) {
  return Narrow<Int>(int64_t{a} * int64_t{b});
}
template <typename Int>
std::optional<Int> CheckedNeg(Int a) {
  return Narrow<Int>(-int64_t{a});
}
// Integer division truncating toward zero; fails on division by zero and on
// the one quotient that does not fit (min / -1).
template <typename Int>
std::optional<Int> CheckedDiv(Int a, Int b) {
  if (b == 0) return std::nullopt;
  if (a == std::numeric_limits<Int>::min() && b == -1) return std::nullopt;
  return static_cast<Int>(a / b);
}

// Lenient text to number: blanks (space, tab, CR, LF) are skipped anywhere,
// the leading number (sign, digits, one decimal point, exponent) is taken and
// reading stops at the first character that cannot continue it. A text that
// starts with no number gives 0. "1234" -> 1234, " 12ab" -> 12, "x1" -> 0.
double LenientNumber(std::string_view text);

// Strict text to number: the whole text must be one number, with blanks
// allowed only before and after it. `decimalSeparator` is the locale's
// separator between whole part and fraction. Overflow to infinity fails.
std::optional<double> StrictNumber(std::string_view text,
                                   char decimalSeparator = '.');

// A whole number in decimal digits, an optional sign first, and nothing
// else (no blanks, no fraction, no exponent); nullopt otherwise and past
// 64 bits. The Linux program's options and the web page's address use it.
std::optional<long long> WholeNumber(std::string_view text);

// Decimal text of a value as the settings file stores it: a blank for zero
// and positive values, a minus sign for negative ones, then the digits
// (60 -> " 60", -3 -> "-3").
std::string SignedDecimalText(long long value);

}  // namespace qx
