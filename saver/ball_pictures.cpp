#include "saver/ball_pictures.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/numbers.h"
#include "common/raster.h"

namespace qx {

namespace {

constexpr int kOrange[3] = {249, 166, 13};
constexpr int kWhite[3] = {255, 255, 255};
constexpr int kRingStep = 9;
constexpr int kRingCount = 64;

// Base colours of the painted pictures 4 to 13.
constexpr std::string_view kBallColor[10] = {
    "000-000-088", "000-048-000", "076-000-000", "082-026-000",
    "080-000-070", "000-048-062", "068-042-004", "070-048-048",
    "080-030-030", "072-032-056"};

int ParseChannel(std::string_view text) {
  return static_cast<int>(LenientNumber(text));
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
  const int hx = static_cast<int>(RoundHalfEven(picture.Width())) / 2;
  const int hy = static_cast<int>(RoundHalfEven(picture.Height())) / 2;
  for (int i = 0; i < kRingCount; ++i) {
    const int lift = kRingStep * i;
    const Pixel color = Rgb(std::min(255, red + lift),
                            std::min(255, green + lift),
                            std::min(255, blue + lift));
    FillCircle(picture, hx, hy, hx - 2 * i, color);
  }
}

std::array<Image, kBallPictureCount> MakeBallPictures() {
  std::array<Image, kBallPictureCount> pictures;
  pictures[0] = StoredBallPicture(kLargeBall, kOrange[0], kOrange[1], kOrange[2]);
  pictures[1] = StoredBallPicture(kSmallBall, kOrange[0], kOrange[1], kOrange[2]);
  pictures[2] = StoredBallPicture(kLargeBall, kWhite[0], kWhite[1], kWhite[2]);
  pictures[3] = StoredBallPicture(kSmallBall, kWhite[0], kWhite[1], kWhite[2]);
  for (int index = 4; index < kBallPictureCount; ++index) {
    const std::string_view color = kBallColor[index - 4];
    const int side = BallPictureSide(index);
    pictures[index] = Image(side, side, 0);
    DrawHalftoneBall(pictures[index],
                     static_cast<int16_t>(ParseChannel(color.substr(0, 3))),
                     static_cast<int16_t>(ParseChannel(color.substr(4, 3))),
                     static_cast<int16_t>(ParseChannel(color.substr(8, 3))));
  }
  return pictures;
}

}  // namespace qx
