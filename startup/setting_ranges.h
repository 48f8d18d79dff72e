// The two settings' ranges and defaults, for every host: the settings
// dialog's scroll bars span the ranges, the Linux program's options accept
// them (and XScreenSaver's sliders offer them), and a setting the settings
// file does not hold keeps its default.
#pragma once

#include <cstdint>

namespace qx {

// 球の数: the number of balls (the saver shows one more).
inline constexpr int16_t kMinBallCount = 20;
inline constexpr int16_t kMaxBallCount = 100;
inline constexpr int16_t kDefaultBallCount = 60;

// ｲﾝﾀｰﾊﾞﾙ: the length of the ball phase in frames (the saver draws one more).
inline constexpr int16_t kMinInterval = 100;
inline constexpr int16_t kMaxInterval = 500;
inline constexpr int16_t kDefaultInterval = 300;

}  // namespace qx
