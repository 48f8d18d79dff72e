#include "platform/web/page_settings.h"

#include "common/numbers.h"
#include "startup/setting_ranges.h"

namespace qx::web {

namespace {

int16_t InRangeOr(std::string_view text, long long low, long long high, int16_t fallback) {
  const auto n = WholeNumber(text);
  return n && *n >= low && *n <= high ? static_cast<int16_t>(*n) : fallback;
}

}  // namespace

PageSettings PageSettingsFrom(std::string_view count, std::string_view interval,
                              std::string_view seed) {
  PageSettings s;
  s.ballCount = InRangeOr(count, kMinBallCount, kMaxBallCount, kDefaultBallCount);
  s.interval = InRangeOr(interval, kMinInterval, kMaxInterval, kDefaultInterval);
  if (const auto n = WholeNumber(seed); n && *n >= -kLargestSeed && *n <= kLargestSeed) {
    s.seed = static_cast<float>(*n);
  }
  return s;
}

}  // namespace qx::web
