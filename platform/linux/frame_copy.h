// The frame path of the Linux hosts without a display server: the changed
// rectangles of the form's surface are copied into the image the server
// reads (shared memory or a client buffer), clipped to both, and the clipped
// rectangles are the ones put on the window.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/image.h"

namespace qx::linux_program {

// Pixel memory laid out as the project's image (32-bit little-endian
// TrueColor), rows `bytesPerLine` apart.
struct PixelTarget {
  uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
};

// `changed` clipped to the surface and the target; empty rectangles dropped.
void ClipChanged(const Image& surface, std::span<const Rect> changed,
                 const PixelTarget& target, std::vector<Rect>& clipped);

// Copies the rectangles `clipped` (from ClipChanged) of `surface` into
// `target` at the same place, each pixel ORed with `setBits` (an opaque
// alpha byte for a window of depth 32, whose top byte is not unused).
void CopyRects(const Image& surface, std::span<const Rect> clipped,
               const PixelTarget& target, Pixel setBits = 0);

}  // namespace qx::linux_program
