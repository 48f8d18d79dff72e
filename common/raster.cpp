#include "common/raster.h"

#include <algorithm>
#include <cstring>

namespace qx {

namespace {

// Clips a w x h block copied from (sx, sy) in a source of sw x sh to (dx, dy)
// in a destination of dw x dh. Returns false when nothing is left.
bool ClipBlock(int dw, int dh, int sw, int sh, int& dx, int& dy, int& w,
               int& h, int& sx, int& sy) {
  if (w <= 0 || h <= 0) return false;
  auto clipLow = [&](int& d, int& s, int& len) {
    const int cut = std::max({0, -d, -s});
    d += cut;
    s += cut;
    len -= cut;
  };
  clipLow(dx, sx, w);
  clipLow(dy, sy, h);
  w = std::min({w, dw - dx, sw - sx});
  h = std::min({h, dh - dy, sh - sy});
  return w > 0 && h > 0;
}

}  // namespace

void Fill(Image& img, Pixel color) {
  Pixel* p = img.Data();
  const size_t n = img.PixelCount();
  for (size_t i = 0; i < n; ++i) p[i] = color;
}

void FillRect(Image& img, Rect r, Pixel color) {
  const int left = std::max(r.left, 0), right = std::min(r.right, img.Width());
  const int top = std::max(r.top, 0), bottom = std::min(r.bottom, img.Height());
  if (left >= right || top >= bottom) return;
  for (int y = top; y < bottom; ++y) {
    Pixel* row = img.Row(y);
    for (int x = left; x < right; ++x) row[x] = color;
  }
}

void HLine(Image& img, int x0, int x1, int y, Pixel color) {
  if (x1 < x0) std::swap(x0, x1);
  FillRect(img, Rect{x0, y, x1, y + 1}, color);
}

void FillCircle(Image& img, int cx, int cy, int r, Pixel color) {
  if (r <= 0) return;
  const long long limit = static_cast<long long>(r) * r + r;
  for (int dy = -r; dy <= r; ++dy) {
    const int y = cy + dy;
    if (y < 0 || y >= img.Height()) continue;
    // Widest |dx| with dx^2 + dy^2 <= limit.
    int half = 0;
    while (static_cast<long long>(half + 1) * (half + 1) +
               static_cast<long long>(dy) * dy <= limit) {
      ++half;
    }
    if (static_cast<long long>(dy) * dy > limit) continue;
    HLine(img, cx - half, cx + half + 1, y, color);
  }
}

void CopyBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
               int sx, int sy) {
  if (!ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy,
                 w, h, sx, sy)) {
    return;
  }
  for (int j = 0; j < h; ++j) {
    std::memcpy(dst.Row(dy + j) + dx, src.Row(sy + j) + sx,
                static_cast<size_t>(w) * sizeof(Pixel));
  }
}

void OrBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
             int sx, int sy) {
  if (!ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy,
                 w, h, sx, sy)) {
    return;
  }
  for (int j = 0; j < h; ++j) {
    Pixel* d = dst.Row(dy + j) + dx;
    const Pixel* s = src.Row(sy + j) + sx;
    for (int i = 0; i < w; ++i) d[i] |= s[i];
  }
}

void MoveBlock(Image& img, int dx, int dy, int w, int h, int sx, int sy) {
  if (!ClipBlock(img.Width(), img.Height(), img.Width(), img.Height(), dx, dy,
                 w, h, sx, sy)) {
    return;
  }
  const size_t bytes = static_cast<size_t>(w) * sizeof(Pixel);
  if (dy <= sy) {
    for (int j = 0; j < h; ++j) {
      std::memmove(img.Row(dy + j) + dx, img.Row(sy + j) + sx, bytes);
    }
  } else {
    for (int j = h - 1; j >= 0; --j) {
      std::memmove(img.Row(dy + j) + dx, img.Row(sy + j) + sx, bytes);
    }
  }
}

}  // namespace qx
