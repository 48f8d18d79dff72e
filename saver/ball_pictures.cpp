#include "saver/ball_pictures.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/numbers.h"
#include "common/raster.h"

namespace qx {

namespace {

constexpr int kRingStep = 9;
constexpr int kRingCount = 64;
constexpr int kRadiusStep = 2;

// One channel of ring `ring`: base + 9 x ring in 16 bits, clamped to 255;
// nullopt when it overflows or is negative (no colour can be made of it).
std::optional<int> RingChannel(int16_t base, int ring) {
  const auto lift = CheckedMul<int16_t>(kRingStep, static_cast<int16_t>(ring));
  if (!lift) return std::nullopt;
  const auto sum = CheckedAdd<int16_t>(base, *lift);
  if (!sum || *sum < 0) return std::nullopt;
  return std::min<int>(*sum, 255);
}

}  // namespace

int BallPictureSide(int index) {
  switch (index) {
    case 0: case 2: case 4: case 5: case 6: case 7: case 8:
      return kLargeBall;
    default:
      return kSmallBall;
  }
}

Image StoredBallPicture(int side, int red, int green, int blue) {
  Image img(side, side, 0);
  const int m = (side - 1) / 2;
  const int n = m + 1;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const double d = std::sqrt(static_cast<double>((x - m) * (x - m) +
                                                     (y - m) * (y - m)));
      const int k = static_cast<int>(RoundHalfEven(d));
      if (k >= n) continue;
      auto channel = [&](int base) {
        return static_cast<int>(
            RoundHalfEven(static_cast<double>(base) * (n - k) / n));
      };
      img.At(x, y) = Rgb(channel(red), channel(green), channel(blue));
    }
  }
  return img;
}

void DrawHalftoneBall(Image& picture, int16_t red, int16_t green,
                      int16_t blue) {
  // The centre follows the width and height, halved with truncation; the
  // radius follows the width alone.
  const int hx = static_cast<int>(RoundHalfEven(picture.Width())) / 2;
  const int hy = static_cast<int>(RoundHalfEven(picture.Height())) / 2;
  Pixel color = 0;
  for (int i = 0; i < kRingCount; ++i) {
    const auto r = RingChannel(red, i);
    const auto g = RingChannel(green, i);
    const auto b = RingChannel(blue, i);
    if (r && g && b) color = Rgb(*r, *g, *b);
    FillCircle(picture, hx, hy, hx - kRadiusStep * i, color);
  }
}

}  // namespace qx
