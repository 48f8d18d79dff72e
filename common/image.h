// The program's one image type: a top-down array of 32-bit pixels, blue in the
// lowest byte, then green and red, top byte unused; rows contiguous with no
// padding. Its memory is exactly the bits of a top-down 32-bit BI_RGB DIB.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx {

using Pixel = uint32_t;

constexpr Pixel Rgb(int r, int g, int b) {
  return (static_cast<Pixel>(r & 0xFF) << 16) |
         (static_cast<Pixel>(g & 0xFF) << 8) | static_cast<Pixel>(b & 0xFF);
}
constexpr int RedOf(Pixel p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int GreenOf(Pixel p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int BlueOf(Pixel p) { return static_cast<int>(p & 0xFF); }

// Left, top inclusive; right, bottom exclusive (the system's RECT).
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr bool IsEmpty(const Rect& r) {
  return r.left >= r.right || r.top >= r.bottom;
}
// The number of pixels inside; 0 for an empty rectangle.
constexpr long long Area(const Rect& r) {
  return IsEmpty(r) ? 0
                    : (static_cast<long long>(r.right) - r.left) *
                          (static_cast<long long>(r.bottom) - r.top);
}
// The pixels inside both; an empty rectangle when they do not meet.
constexpr Rect Intersection(const Rect& a, const Rect& b) {
  const Rect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
               a.right < b.right ? a.right : b.right,
               a.bottom < b.bottom ? a.bottom : b.bottom};
  return IsEmpty(r) ? Rect{} : r;
}
// The smallest rectangle that holds both; an empty one adds nothing.
constexpr Rect BoundingBox(const Rect& a, const Rect& b) {
  if (IsEmpty(a)) return IsEmpty(b) ? Rect{} : b;
  if (IsEmpty(b)) return a;
  return Rect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
              a.right > b.right ? a.right : b.right,
              a.bottom > b.bottom ? a.bottom : b.bottom};
}

class Image {
 public:
  Image() = default;
  Image(int width, int height, Pixel fill = 0)
      : width_(width > 0 && height > 0 ? width : 0),
        height_(width > 0 && height > 0 ? height : 0),
        pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_),
                fill) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }
  size_t PixelCount() const { return pixels_.size(); }
  size_t ByteCount() const { return pixels_.size() * sizeof(Pixel); }

  Pixel* Data() { return pixels_.data(); }
  const Pixel* Data() const { return pixels_.data(); }
  Pixel* Row(int y) {
    assert(y >= 0 && y < height_);
    return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
  }
  const Pixel* Row(int y) const {
    assert(y >= 0 && y < height_);
    return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
  }
  Pixel& At(int x, int y) {
    assert(x >= 0 && x < width_);
    return Row(y)[x];
  }
  Pixel At(int x, int y) const {
    assert(x >= 0 && x < width_);
    return Row(y)[x];
  }
  bool Contains(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }

  friend bool operator==(const Image&, const Image&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel> pixels_;
};

}  // namespace qx
