#include "common/raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/row_kernels.h"

namespace qx {

namespace {

// Clips a w x h block copied from (sx, sy) in a source of sw x sh to (dx, dy)
// in a destination of dw x dh: only pixels whose destination and source both
// lie inside their images remain. Returns false when nothing is left.
// Computed in 64 bits so that no offset can overflow.
bool ClipBlock(int dw, int dh, int sw, int sh, int& dx, int& dy, int& w,
               int& h, int& sx, int& sy) {
  if (w <= 0 || h <= 0) return false;
  auto clip = [](long long d, long long s, long long len, long long dLimit,
                 long long sLimit, int& dOut, int& sOut, int& lenOut) {
    const long long cut = std::max({0LL, -d, -s});
    d += cut;
    s += cut;
    len -= cut;
    len = std::min({len, dLimit - d, sLimit - s});
    if (len <= 0) return false;
    dOut = static_cast<int>(d);
    sOut = static_cast<int>(s);
    lenOut = static_cast<int>(len);
    return true;
  };
  return clip(dx, sx, w, dw, sw, dx, sx, w) && clip(dy, sy, h, dh, sh, dy, sy, h);
}

}  // namespace

void Fill(Image& img, Pixel color) {
  FillRow(img.Data(), img.PixelCount(), color);
}

void FillRect(Image& img, Rect r, Pixel color) {
  const int left = std::max(r.left, 0), right = std::min(r.right, img.Width());
  const int top = std::max(r.top, 0), bottom = std::min(r.bottom, img.Height());
  if (left >= right || top >= bottom) return;
  const auto n = static_cast<size_t>(right - left);
  for (int y = top; y < bottom; ++y) FillRow(img.Row(y) + left, n, color);
}

void HLine(Image& img, int x0, int x1, int y, Pixel color) {
  if (x1 < x0) std::swap(x0, x1);
  FillRect(img, Rect{x0, y, x1, y + 1}, color);
}

void FillCircle(Image& img, int cx, int cy, int r, Pixel color) {
  if (r <= 0) return;
  const long long limit = 1LL * r * r + r;
  const int yFirst = std::max(cy - r, 0);
  const int yLast = std::min(cy + r, img.Height() - 1);
  for (int y = yFirst; y <= yLast; ++y) {
    const long long ddy = y - cy;
    const long long rest = limit - ddy * ddy;
    if (rest < 0) continue;
    // Widest half-width h with h^2 <= rest: a square root, then corrected
    // by at most a step either way.
    long long half = static_cast<long long>(std::sqrt(static_cast<double>(rest)));
    while (half * half > rest) --half;
    while ((half + 1) * (half + 1) <= rest) ++half;
    const long long x0 = std::max<long long>(cx - half, 0);
    const long long x1 = std::min<long long>(cx + half + 1, img.Width());
    if (x0 < x1) {
      FillRow(img.Row(y) + x0, static_cast<size_t>(x1 - x0), color);
    }
  }
}

void CopyBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
               int sx, int sy) {
  if (!ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy,
                 w, h, sx, sy)) {
    return;
  }
  const size_t bytes = static_cast<size_t>(w) * sizeof(Pixel);
  if (w == dst.Width() && w == src.Width()) {
    // Whole rows on both sides: one contiguous copy.
    std::memcpy(dst.Row(dy), src.Row(sy), bytes * static_cast<size_t>(h));
    return;
  }
  for (int j = 0; j < h; ++j) {
    std::memcpy(dst.Row(dy + j) + dx, src.Row(sy + j) + sx, bytes);
  }
}

Rect OrBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
             int sx, int sy) {
  if (!ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy,
                 w, h, sx, sy)) {
    return Rect{};
  }
  for (int j = 0; j < h; ++j) {
    OrRow(dst.Row(dy + j) + dx, src.Row(sy + j) + sx, static_cast<size_t>(w));
  }
  return Rect{dx, dy, dx + w, dy + h};
}

std::vector<RowSpan> NonZeroSpans(const Image& img) {
  std::vector<RowSpan> spans(static_cast<size_t>(img.Height()));
  for (int y = 0; y < img.Height(); ++y) {
    const Pixel* row = img.Row(y);
    int begin = 0, end = img.Width();
    while (begin < end && row[begin] == 0) ++begin;
    while (end > begin && row[end - 1] == 0) --end;
    spans[y] = begin < end ? RowSpan{begin, end} : RowSpan{};
  }
  return spans;
}

namespace {

// Calls op(y, x, i, n) for each row j of the spans that lies in `img`, with
// the part of the row's span [x, x + n) inside it, which begins at column i
// of the span's own row.
template <typename Op>
void ForEachSpan(const Image& img, int dx, int dy, std::span<const RowSpan> spans,
                 Op op) {
  const long long height = static_cast<long long>(spans.size());
  const long long jFirst = std::max(0LL, -static_cast<long long>(dy));
  const long long jEnd = std::min(height, static_cast<long long>(img.Height()) - dy);
  for (long long j = jFirst; j < jEnd; ++j) {
    const RowSpan& span = spans[static_cast<size_t>(j)];
    const long long x0 = std::max(0LL, static_cast<long long>(dx) + span.begin);
    const long long x1 = std::min(static_cast<long long>(img.Width()),
                                  static_cast<long long>(dx) + span.end);
    if (x0 >= x1) continue;
    op(static_cast<int>(dy + j), static_cast<int>(x0), static_cast<int>(x0 - dx),
       static_cast<size_t>(x1 - x0));
  }
}

}  // namespace

Rect OrSpans(Image& dst, int dx, int dy, const Image& src,
             std::span<const RowSpan> spans) {
  ForEachSpan(dst, dx, dy, spans.first(std::min(spans.size(), static_cast<size_t>(src.Height()))),
              [&](int y, int x, int i, size_t n) {
                OrRow(dst.Row(y) + x, src.Row(y - dy) + i, n);
              });
  int w = src.Width(), h = src.Height(), sx = 0, sy = 0;
  if (!ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy,
                 w, h, sx, sy)) {
    return Rect{};
  }
  return Rect{dx, dy, dx + w, dy + h};
}

void FillSpans(Image& img, int dx, int dy, std::span<const RowSpan> spans,
               Pixel color) {
  ForEachSpan(img, dx, dy, spans, [&](int y, int x, int, size_t n) {
    FillRow(img.Row(y) + x, n, color);
  });
}

Rect MoveBlock(Image& img, int dx, int dy, int w, int h, int sx, int sy) {
  if (dx == sx && dy == sy) return Rect{};  // every pixel onto itself
  if (!ClipBlock(img.Width(), img.Height(), img.Width(), img.Height(), dx, dy,
                 w, h, sx, sy)) {
    return Rect{};
  }
  const size_t bytes = static_cast<size_t>(w) * sizeof(Pixel);
  if (dy == sy) {
    // Each row moves within itself: the rows overlap.
    for (int j = 0; j < h; ++j) {
      std::memmove(img.Row(dy + j) + dx, img.Row(sy + j) + sx, bytes);
    }
  } else if (dy < sy) {
    // Upwards: every source row is read before any copy lands on it.
    for (int j = 0; j < h; ++j) {
      std::memcpy(img.Row(dy + j) + dx, img.Row(sy + j) + sx, bytes);
    }
  } else {
    for (int j = h - 1; j >= 0; --j) {
      std::memcpy(img.Row(dy + j) + dx, img.Row(sy + j) + sx, bytes);
    }
  }
  return Rect{dx, dy, dx + w, dy + h};
}

}  // namespace qx
