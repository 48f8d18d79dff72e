// Plain per-pixel forms of the raster operations, written straight from their
// definitions: every pixel of the block is tested against both images on its
// own. They are slow and obviously right; the fast operations in raster.h are
// checked against them.
#pragma once

#include "common/image.h"

namespace qx::reference {

void Fill(Image& img, Pixel color);
void FillRect(Image& img, Rect r, Pixel color);
void HLine(Image& img, int x0, int x1, int y, Pixel color);
void FillCircle(Image& img, int cx, int cy, int r, Pixel color);
void CopyBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
               int sx, int sy);
void OrBlock(Image& dst, int dx, int dy, int w, int h, const Image& src,
             int sx, int sy);
void MoveBlock(Image& img, int dx, int dy, int w, int h, int sx, int sy);

}  // namespace qx::reference
