// The screen as the forms see it: a size in twips (1/1440 inch), and the
// twips-per-pixel factors that turn twips into the pixels everything is
// drawn in. The Windows host takes its factors from the screen's DPI; hosts
// that know no DPI pass 15, the factor of a 96 DPI screen.
#pragma once

namespace qx {

inline constexpr float kTwipsPerInch = 1440.0f;
// The screen every form is laid out for, and the DPI a host assumes when it
// cannot read one.
inline constexpr int kBaseDpi = 96;
// At 96 DPI a pixel is 15 twips: the factor the hosts without a DPI pass.
inline constexpr float kTwipsPerPixelAt96Dpi = kTwipsPerInch / kBaseDpi;

// The twips per pixel of a screen of `dpi` dots per inch; that of 96 DPI
// for a DPI of zero or less (a failed query).
constexpr float TwipsPerPixelAt(int dpi) {
  return dpi > 0 ? kTwipsPerInch / static_cast<float>(dpi) : kTwipsPerPixelAt96Dpi;
}

// The size in twips of the screen a form covers, and its twips-per-pixel
// factors. Where the screen lies is the host's business: the form always
// works from (0, 0).
struct ScreenMetrics {
  float widthTwips = 0;
  float heightTwips = 0;
  float twipsPerPixelX = kTwipsPerPixelAt96Dpi;
  float twipsPerPixelY = kTwipsPerPixelAt96Dpi;

  // A screen of `width` x `height` pixels, given in twips with the factors
  // the form divides by, so that its pixel size comes back exactly.
  static constexpr ScreenMetrics FromPixels(
      int width, int height, float twipsPerPixelX = kTwipsPerPixelAt96Dpi,
      float twipsPerPixelY = kTwipsPerPixelAt96Dpi) {
    return ScreenMetrics{static_cast<float>(width) * twipsPerPixelX,
                         static_cast<float>(height) * twipsPerPixelY,
                         twipsPerPixelX, twipsPerPixelY};
  }
  friend bool operator==(const ScreenMetrics&, const ScreenMetrics&) = default;
};

}  // namespace qx
