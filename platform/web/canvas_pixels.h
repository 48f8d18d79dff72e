// The frame path of the web page without a browser: rectangles of the
// form's surface are written into a canvas's pixel memory, which holds the
// whole surface as bytes red, green, blue, alpha (the image's pixels hold
// blue in the lowest byte), every pixel opaque.
#pragma once

#include <cstdint>

#include "common/image.h"

namespace qx::web {

// `rect` of `surface`, clipped to it, into `rgba` (4 bytes a pixel, rows of
// the surface's width) at the same place; returns the part written.
Rect CopyToCanvas(const Image& surface, const Rect& rect, uint8_t* rgba);

}  // namespace qx::web
