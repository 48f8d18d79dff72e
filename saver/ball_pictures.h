// The ball pictures of the saver: the glowing balls the form carries with it
// and the halftone painter of the other ten.
#pragma once

#include <cstdint>

#include "common/image.h"

namespace qx {

inline constexpr int kBallPictureCount = 14;
inline constexpr int kLargeBall = 119;
inline constexpr int kSmallBall = 89;

// Side of picture `index` (0 to 13): 119 for 0, 2 and 4 to 8, else 89.
int BallPictureSide(int index);

// The glowing ball: for side S, centre m = (S - 1) / 2, N = m + 1 rings, k
// the rounded distance from (m, m); black where k >= N, else
// base x (N - k) / N per channel, rounded half to even.
Image StoredBallPicture(int side, int red, int green, int blue);

// Paints concentric discs into `picture`: ring i (0 to 63) has radius
// hx - 2i (hx from the width alone) and colour base + 9i per channel,
// clamped to 255; a ring whose colour cannot be formed (a negative channel
// or a sum past 16 bits) keeps the previous ring's colour, black for the
// first. Pixels outside the largest disc keep their content.
void DrawHalftoneBall(Image& picture, int16_t red, int16_t green,
                      int16_t blue);

}  // namespace qx
