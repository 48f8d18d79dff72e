// The settings dialog keeps its look at every display scale: the form lays
// out and draws in its own units (the 479 x 302 dialog of a 96 DPI screen)
// and its window maps between those units and the device's pixels. A unit
// edge u lies at device pixel round(u * dpi / 96), halves rounded up, so
// neighbouring rectangles still meet without a gap or an overlap, and a
// device pixel belongs to the one unit whose span covers it.
#pragma once

#include "common/image.h"
#include "startup/screen_metrics.h"

namespace qx {

class DialogScale {
 public:
  static constexpr int kBaseDpi = qx::kBaseDpi;

  // A DPI of zero or less (a failed query) counts as 96.
  explicit constexpr DialogScale(int dpi = kBaseDpi)
      : dpi_(dpi > 0 ? dpi : kBaseDpi) {}

  constexpr int Dpi() const { return dpi_; }
  constexpr bool Identity() const { return dpi_ == kBaseDpi; }

  // The device pixel at which the edge of unit `units` lies.
  int ToDevice(int units) const;
  // The unit whose span covers device pixel `device` (also left of or above
  // the origin, for a mouse held outside the window).
  int ToUnits(int device) const;
  // A rectangle's edges in device pixels.
  Rect ToDevice(const Rect& units) const;
  // A length in device pixels at this scale, taken to `other`'s scale (the
  // grab point of a window that changes its scale mid-drag).
  int Rescale(int device, const DialogScale& other) const;

  friend constexpr bool operator==(const DialogScale&, const DialogScale&) = default;

 private:
  int dpi_;
};

}  // namespace qx
