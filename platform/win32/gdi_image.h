// Moving pixels between the portable Image and the system's bitmaps and
// device contexts. An Image is the memory of a top-down 32-bit BI_RGB DIB, so
// both directions are a single call with no conversion.
#pragma once

#include <windows.h>

#include <span>

#include "common/image.h"

namespace qx::win32 {

// The header that describes `width` x `height` pixels of an Image.
BITMAPINFO DibInfoFor(int width, int height);

// The pixels of a bitmap (not selected into any DC) at its own size; an
// empty image when the bitmap cannot be read.
Image ImageFromBitmap(HBITMAP bitmap);

// A bitmap resource of the program as an Image.
Image LoadImageResource(int id);

// Draws the whole of `img` with its top-left corner at (x, y) of `dc`.
void DrawImage(HDC dc, int x, int y, const Image& img);
// Draws the whole of `img` stretched over `dest` (nearest pixel, so edges
// stay sharp); at its own size this is DrawImage.
void DrawImage(HDC dc, const RECT& dest, const Image& img);

// Copies the parts `rects` of `img` to the same places of `dc` (the image's
// top-left corner at the DC's origin) in one drawing call: their union is
// selected as the clip region, so the DC takes all of them at once and
// nothing else. Rectangles are clipped to the image; an empty list draws
// nothing. The DC's clip region is none again afterwards.
void DrawImageParts(HDC dc, const Image& img, std::span<const Rect> rects);

}  // namespace qx::win32
