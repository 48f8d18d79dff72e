// Raster operations on Image, each with the meaning and clipping of the
// system's graphics device interface: only pixels that lie inside the target
// (and, for copies, whose source lies inside the source image) are touched.
#pragma once

#include <span>
#include <vector>

#include "common/image.h"

namespace qx {

// Every pixel becomes `color`.
void Fill(Image& img, Pixel color);

// Pixels x in [left, right), y in [top, bottom) become `color`.
void FillRect(Image& img, Rect r, Pixel color);

// One-pixel horizontal line from (x0, y) up to, not including, (x1, y).
void HLine(Image& img, int x0, int x1, int y, Pixel color);

// Filled disc without outline: the pixels (x, y) with
// (x - cx)^2 + (y - cy)^2 <= r^2 + r, i.e. nearer to the centre than r + 1/2.
// A radius of 0 or less paints nothing.
void FillCircle(Image& img, int cx, int cy, int r, Pixel color);

// SRCCOPY: dst(dx + i, dy + j) = src(sx + i, sy + j) for the w x h block.
void CopyBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
               int sx, int sy);

// SRCPAINT: dst(dx + i, dy + j) |= src(sx + i, sy + j) for the w x h block.
// Returns the part of `dst` it reached (empty when clipping left nothing).
Rect OrBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
             int sx, int sy);

// The columns [begin, end) of one row of an image from its first to past its
// last pixel that is not 0; begin == end for a row of zeros.
struct RowSpan {
  int begin = 0, end = 0;
  friend bool operator==(const RowSpan&, const RowSpan&) = default;
};

// Each row's span of pixels that are not 0.
std::vector<RowSpan> NonZeroSpans(const Image& img);

// The OR copy of the whole of `src` to (dx, dy), computed only within the
// spans of `src`'s rows (its NonZeroSpans): an OR with 0 changes nothing, so
// the result, and the rectangle returned, are those of an OrBlock of the
// whole of `src` to (dx, dy).
Rect OrSpans(Image& dst, int dx, int dy, const Image& src,
             std::span<const RowSpan> spans);

// Row j's span, shifted to (dx, dy + j), becomes `color` where it lies in
// `img`.
void FillSpans(Image& img, int dx, int dy, std::span<const RowSpan> spans,
               Pixel color);

// SRCCOPY within one image whose source and destination may overlap: behaves
// as a move of the source block (every destination pixel gets the source's
// value from before the call). Returns the part of `img` it changed: the
// clipped destination, or an empty rectangle for a move onto itself.
Rect MoveBlock(Image& img, int dx, int dy, int w, int h, int sx, int sy);

}  // namespace qx
