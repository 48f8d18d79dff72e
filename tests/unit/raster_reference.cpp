#include "raster_reference.h"

#include <utility>

namespace qx::reference {

namespace {

template <typename Op>
void ForEachBlockPixel(Image& dst, int dx, int dy, int w, int h,
                       const Image& src, int sx, int sy, Op op) {
  for (long long j = 0; j < h; ++j) {
    for (long long i = 0; i < w; ++i) {
      const long long x = dx + i, y = dy + j, u = sx + i, v = sy + j;
      if (x < 0 || y < 0 || x >= dst.Width() || y >= dst.Height()) continue;
      if (u < 0 || v < 0 || u >= src.Width() || v >= src.Height()) continue;
      op(dst.At(static_cast<int>(x), static_cast<int>(y)),
         src.At(static_cast<int>(u), static_cast<int>(v)));
    }
  }
}

}  // namespace

void Fill(Image& img, Pixel color) {
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) img.At(x, y) = color;
  }
}

void FillRect(Image& img, Rect r, Pixel color) {
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) {
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
        img.At(x, y) = color;
      }
    }
  }
}

void HLine(Image& img, int x0, int x1, int y, Pixel color) {
  if (x1 < x0) std::swap(x0, x1);
  FillRect(img, Rect{x0, y, x1, y + 1}, color);
}

void FillCircle(Image& img, int cx, int cy, int r, Pixel color) {
  if (r <= 0) return;
  const long long limit = 1LL * r * r + r;
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) {
      const long long ddx = x - cx, ddy = y - cy;
      if (ddx * ddx + ddy * ddy <= limit) img.At(x, y) = color;
    }
  }
}

void CopyBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
               int sx, int sy) {
  ForEachBlockPixel(dst, dx, dy, w, h, src, sx, sy,
                    [](Pixel& d, Pixel s) { d = s; });
}

void OrBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
             int sx, int sy) {
  ForEachBlockPixel(dst, dx, dy, w, h, src, sx, sy,
                    [](Pixel& d, Pixel s) { d |= s; });
}

void MoveBlock(Image& img, int dx, int dy, int w, int h, int sx, int sy) {
  const Image before = img;
  CopyBlock(img, dx, dy, w, h, before, sx, sy);
}

}  // namespace qx::reference
