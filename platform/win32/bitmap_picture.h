// A bitmap of the system as the picture the lens captures: read through
// GetDIBits from a memory device context, with the portable header record
// handed over as the BITMAPINFOHEADER it mirrors.
#pragma once

#include <windows.h>

#include "effects/pic_effect.h"

namespace qx::win32 {

class BitmapPicture final : public PictureSource {
 public:
  // The bitmap must not be selected into any device context while it is
  // read; it stays owned by the caller.
  explicit BitmapPicture(HBITMAP bitmap) : bitmap_(bitmap) {}
  bool ReadPixels(const BitmapInfoHeader& header, Image& pixels) override;

 private:
  HBITMAP bitmap_;
};

// SetDIBitsToDevice of a record's pixels at (x, y) of `dc`. Nothing is drawn
// when the pixels are not the size the header describes.
void DrawDibImage(HDC dc, int x, int y, const DibImage& record);
// The same, stretched over `dest` (nearest pixel); at the record's own size
// exactly the call above.
void DrawDibImage(HDC dc, const RECT& dest, const DibImage& record);

}  // namespace qx::win32
