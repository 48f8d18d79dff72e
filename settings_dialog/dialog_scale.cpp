#include "settings_dialog/dialog_scale.h"

#include <cstdint>

namespace qx {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int Clamp(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int>(v);
}

}  // namespace

int DialogScale::ToDevice(int units) const {
  // floor(units * dpi / 96 + 1/2)
  return Clamp(FloorDiv(int64_t{2} * units * dpi_ + kBaseDpi, 2 * kBaseDpi));
}

int DialogScale::ToUnits(int device) const {
  // The largest u with ToDevice(u) <= device, i.e. u < (96 * device + 48) / dpi.
  return Clamp(FloorDiv(int64_t{kBaseDpi} * device + kBaseDpi / 2 - 1, dpi_));
}

Rect DialogScale::ToDevice(const Rect& units) const {
  return Rect{ToDevice(units.left), ToDevice(units.top), ToDevice(units.right),
              ToDevice(units.bottom)};
}

int DialogScale::Rescale(int device, const DialogScale& other) const {
  // Rounded to the nearest pixel, halves away from zero.
  const int64_t num = int64_t{device} * other.dpi_;
  const int64_t half = dpi_ / 2;
  return Clamp(num >= 0 ? (num + half) / dpi_ : -((-num + half) / dpi_));
}

}  // namespace qx
