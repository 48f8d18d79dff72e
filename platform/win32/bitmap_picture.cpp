#include "platform/win32/bitmap_picture.h"

#include <cstddef>

#include "platform/win32/handles.h"

namespace qx::win32 {

// The portable header record is handed to the system as a BITMAPINFOHEADER.
static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(BitmapInfoHeader, biSize) == offsetof(BITMAPINFOHEADER, biSize));
static_assert(offsetof(BitmapInfoHeader, biWidth) == offsetof(BITMAPINFOHEADER, biWidth));
static_assert(offsetof(BitmapInfoHeader, biHeight) == offsetof(BITMAPINFOHEADER, biHeight));
static_assert(offsetof(BitmapInfoHeader, biPlanes) == offsetof(BITMAPINFOHEADER, biPlanes));
static_assert(offsetof(BitmapInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(BitmapInfoHeader, biCompression) ==
              offsetof(BITMAPINFOHEADER, biCompression));
static_assert(offsetof(BitmapInfoHeader, biSizeImage) ==
              offsetof(BITMAPINFOHEADER, biSizeImage));
static_assert(offsetof(BitmapInfoHeader, biXPelsPerMeter) ==
              offsetof(BITMAPINFOHEADER, biXPelsPerMeter));
static_assert(offsetof(BitmapInfoHeader, biYPelsPerMeter) ==
              offsetof(BITMAPINFOHEADER, biYPelsPerMeter));
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == offsetof(BITMAPINFOHEADER, biClrUsed));
static_assert(offsetof(BitmapInfoHeader, biClrImportant) ==
              offsetof(BITMAPINFOHEADER, biClrImportant));

bool BitmapPicture::ReadPixels(const BitmapInfoHeader& header, Image& pixels) {
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  // A 32-bit BI_RGB request reads no colour table, so the header alone is
  // the whole bitmap-info argument. GetDIBits may write to it: use a copy.
  BitmapInfoHeader info = header;
  GetDIBits(dc.get(), bitmap_, 0, static_cast<UINT>(pixels.Height()),
            pixels.Data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  return true;
}

void DrawDibImage(HDC dc, int x, int y, const DibImage& record) {
  const BitmapInfoHeader& h = record.Header;
  if (record.Pixels.Empty() || record.Pixels.Width() != h.biWidth ||
      record.Pixels.Height() != -h.biHeight) {
    return;
  }
  const int height = record.Pixels.Height();
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(record.Pixels.Width()),
                    static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), record.Pixels.Data(),
                    reinterpret_cast<const BITMAPINFO*>(&h), DIB_RGB_COLORS);
}

void DrawDibImage(HDC dc, const RECT& dest, const DibImage& record) {
  const BitmapInfoHeader& h = record.Header;
  const int w = dest.right - dest.left, ht = dest.bottom - dest.top;
  if (record.Pixels.Empty() || record.Pixels.Width() != h.biWidth ||
      record.Pixels.Height() != -h.biHeight || w <= 0 || ht <= 0) {
    return;
  }
  if (w == record.Pixels.Width() && ht == record.Pixels.Height()) {
    DrawDibImage(dc, dest.left, dest.top, record);
    return;
  }
  const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, dest.left, dest.top, w, ht, 0, 0, record.Pixels.Width(),
                record.Pixels.Height(), record.Pixels.Data(),
                reinterpret_cast<const BITMAPINFO*>(&h), DIB_RGB_COLORS, SRCCOPY);
  if (oldMode) SetStretchBltMode(dc, oldMode);
}

}  // namespace qx::win32
