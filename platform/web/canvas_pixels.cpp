#include "platform/web/canvas_pixels.h"

#include <bit>
#include <cstring>

namespace qx::web {

static_assert(std::endian::native == std::endian::little,
              "canvas pixels are written as little-endian words");

namespace {

// Two pixels in one 64-bit word, as blue, green, red, unused each, become
// red, green, blue, opaque: red and blue trade places within each half.
// Two at a time is what makes the whole surface's conversion, as each
// present of a melt needs, cheap in WebAssembly without SIMD.
uint64_t CanvasOrder(uint64_t two) {
  const uint64_t redBlue = two & 0x00FF00FF00FF00FFull;
  return ((redBlue << 16) & 0x00FF000000FF0000ull) | ((redBlue >> 16) & 0x000000FF000000FFull) |
         (two & 0x0000FF000000FF00ull) | 0xFF000000FF000000ull;
}

}  // namespace

Rect CopyToCanvas(const Image& surface, const Rect& rect, uint8_t* rgba) {
  const Rect r = Intersection(rect, Rect{0, 0, surface.Width(), surface.Height()});
  if (IsEmpty(r)) return Rect{};
  const size_t width = static_cast<size_t>(surface.Width());
  for (int y = r.top; y < r.bottom; ++y) {
    const Pixel* s = surface.Row(y);
    uint8_t* row = rgba + (static_cast<size_t>(y) * width) * 4;
    int x = r.left;
    for (; x + 2 <= r.right; x += 2) {
      uint64_t two;
      std::memcpy(&two, s + x, 8);
      two = CanvasOrder(two);
      std::memcpy(row + static_cast<size_t>(x) * 4, &two, 8);
    }
    if (x < r.right) {
      const auto one = static_cast<uint32_t>(CanvasOrder(s[x]));
      std::memcpy(row + static_cast<size_t>(x) * 4, &one, 4);
    }
  }
  return r;
}

}  // namespace qx::web
