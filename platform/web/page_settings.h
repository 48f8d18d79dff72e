// The web page's settings, read from its address so that a shared link shows
// the same thing: ?count=N (the number of balls), &interval=N (the length of
// the ball phase in frames) and &seed=N (replaces the seconds since midnight
// that the saver reseeds from before each melt).
//
// The page never shows an error for its address: a count or interval that is
// not a whole number, or lies outside the settings dialog's range, gives the
// default; a seed that cannot be read is ignored. The settings file's reader
// is not as forgiving on purpose: there a value the user saved is kept.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace qx::web {

// A seed is a whole number of at most this size either way: every such
// number is a distinct 32-bit float, so two seeds never give one picture.
inline constexpr long long kLargestSeed = 16777216;

struct PageSettings {
  int16_t ballCount = 0;
  int16_t interval = 0;
  std::optional<float> seed;  // none: the time of day, as in the program
  friend bool operator==(const PageSettings&, const PageSettings&) = default;
};

// Each argument is a parameter's value as the address holds it, already
// percent-decoded; empty when the address does not have it.
PageSettings PageSettingsFrom(std::string_view count, std::string_view interval,
                              std::string_view seed);

}  // namespace qx::web
