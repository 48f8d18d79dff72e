#include "platform/linux/frame_copy.h"

#include <algorithm>
#include <cstring>

namespace qx::linux_program {

void ClipChanged(const Image& surface, std::span<const Rect> changed,
                 const PixelTarget& target, std::vector<Rect>& clipped) {
  clipped.clear();
  const int width = std::min(surface.Width(), target.width);
  const int height = std::min(surface.Height(), target.height);
  for (const Rect& r : changed) {
    const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
                 std::min(r.bottom, height)};
    if (c.left < c.right && c.top < c.bottom) clipped.push_back(c);
  }
}

void CopyRects(const Image& surface, std::span<const Rect> clipped,
               const PixelTarget& target, Pixel setBits) {
  for (const Rect& r : clipped) {
    const size_t count = static_cast<size_t>(r.right - r.left);
    for (int y = r.top; y < r.bottom; ++y) {
      uint8_t* row = target.data + static_cast<size_t>(y) * static_cast<size_t>(target.bytesPerLine) +
                     static_cast<size_t>(r.left) * sizeof(Pixel);
      const Pixel* from = surface.Row(y) + r.left;
      if (setBits == 0) {
        std::memcpy(row, from, count * sizeof(Pixel));
        continue;
      }
      for (size_t i = 0; i < count; ++i) {
        const Pixel p = from[i] | setBits;
        std::memcpy(row + i * sizeof(Pixel), &p, sizeof p);
      }
    }
  }
}

}  // namespace qx::linux_program
