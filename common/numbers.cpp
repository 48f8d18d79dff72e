#include "common/numbers.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qx {

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double lower = std::floor(value);
  const double diff = value - lower;  // exact for doubles in [0, 1)
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

double Floor(double value) { return std::floor(value); }

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Scans one number (sign, digits, separator, fraction, exponent) from `pos`,
// skipping blanks between its characters when `blanksInside` is set. Writes a
// canonical C-locale spelling to `out`. Returns whether any digit was seen.
bool ScanNumber(std::string_view text, size_t& pos, char separator,
                bool blanksInside, std::string& out) {
  auto skip = [&] {
    if (blanksInside) {
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
    }
  };
  skip();
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    out += text[pos++];
    skip();
  }
  bool digits = false;
  while (pos < text.size() && IsDigit(text[pos])) {
    out += text[pos++];
    digits = true;
    skip();
  }
  if (pos < text.size() && text[pos] == separator) {
    size_t save = pos;
    std::string frac = ".";
    ++pos;
    skip();
    bool fracDigits = false;
    while (pos < text.size() && IsDigit(text[pos])) {
      frac += text[pos++];
      fracDigits = true;
      skip();
    }
    if (fracDigits || digits) {
      out += frac;
      digits = digits || fracDigits;
    } else {
      pos = save;
    }
  }
  if (!digits) return false;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E' ||
                            text[pos] == 'd' || text[pos] == 'D')) {
    size_t save = pos;
    std::string exp = "e";
    ++pos;
    skip();
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      exp += text[pos++];
      skip();
    }
    bool expDigits = false;
    while (pos < text.size() && IsDigit(text[pos])) {
      exp += text[pos++];
      expDigits = true;
      skip();
    }
    if (expDigits) {
      out += exp;
    } else {
      pos = save;  // "12e" is 12 followed by a stray letter
    }
  }
  return true;
}

// strtod on the canonical spelling; exponent digits are bounded so that an
// absurdly long exponent cannot wrap inside the C library.
double Parse(const std::string& canonical) {
  errno = 0;
  return std::strtod(canonical.c_str(), nullptr);
}

}  // namespace

double LenientNumber(std::string_view text) {
  size_t pos = 0;
  std::string canonical;
  if (!ScanNumber(text, pos, '.', /*blanksInside=*/true, canonical)) return 0.0;
  const double v = Parse(canonical);
  return std::isfinite(v) ? v : 0.0;
}

std::optional<double> StrictNumber(std::string_view text,
                                   char decimalSeparator) {
  size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  std::string canonical;
  if (!ScanNumber(text, pos, decimalSeparator, /*blanksInside=*/false,
                  canonical)) {
    return std::nullopt;
  }
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos != text.size()) return std::nullopt;
  const double v = Parse(canonical);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string SignedDecimalText(long long value) {
  if (value < 0) return std::to_string(value);
  return " " + std::to_string(value);
}

std::optional<long long> WholeNumber(std::string_view text) {
  // from_chars takes a minus sign but no plus: one plus is taken here, and
  // no second sign after it.
  if (text.starts_with("+")) {
    text.remove_prefix(1);
    if (text.starts_with("+") || text.starts_with("-")) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace qx
