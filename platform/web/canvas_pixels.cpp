#include "platform/web/canvas_pixels.h"

#include <bit>
#include <cstring>

namespace qx::web {

static_assert(std::endian::native == std::endian::little,
              "a canvas pixel is written as one little-endian 32-bit word");

Rect CopyToCanvas(const Image& surface, const Rect& rect, uint8_t* rgba) {
  const Rect r = Intersection(rect, Rect{0, 0, surface.Width(), surface.Height()});
  if (IsEmpty(r)) return Rect{};
  const size_t width = static_cast<size_t>(surface.Width());
  for (int y = r.top; y < r.bottom; ++y) {
    const Pixel* s = surface.Row(y);
    uint8_t* row = rgba + (static_cast<size_t>(y) * width) * 4;
    for (int x = r.left; x < r.right; ++x) {
      // Blue, green, red, unused becomes red, green, blue, opaque.
      const Pixel p = s[x];
      const uint32_t out =
          0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
      std::memcpy(row + static_cast<size_t>(x) * 4, &out, 4);
    }
  }
  return r;
}

}  // namespace qx::web
