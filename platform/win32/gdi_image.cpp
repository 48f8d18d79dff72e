#include "platform/win32/gdi_image.h"

#include "platform/win32/handles.h"

namespace qx::win32 {

BITMAPINFO DibInfoFor(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top line
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage =
      static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  return info;
}

Image ImageFromBitmap(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 ||
      bm.bmHeight == 0) {
    return {};
  }
  const int w = bm.bmWidth;
  const int h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  Image img(w, h);
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return {};
  BITMAPINFO info = DibInfoFor(w, h);
  if (GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(h), img.Data(), &info,
                DIB_RGB_COLORS) == 0) {
    return {};
  }
  // The top byte carries no colour.
  Pixel* p = img.Data();
  for (size_t i = 0; i < img.PixelCount(); ++i) p[i] &= 0x00FFFFFFu;
  return img;
}

Image LoadImageResource(int id) {
  UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP,
                 0, 0, LR_CREATEDIBSECTION)));
  return ImageFromBitmap(bitmap.get());
}

void DrawImage(HDC dc, int x, int y, const Image& img) {
  if (img.Empty()) return;
  const BITMAPINFO info = DibInfoFor(img.Width(), img.Height());
  SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(img.Width()),
                    static_cast<DWORD>(img.Height()), 0, 0, 0,
                    static_cast<UINT>(img.Height()), img.Data(), &info,
                    DIB_RGB_COLORS);
}

void DrawImage(HDC dc, const RECT& dest, const Image& img) {
  const int w = dest.right - dest.left, h = dest.bottom - dest.top;
  if (img.Empty() || w <= 0 || h <= 0) return;
  if (w == img.Width() && h == img.Height()) {
    DrawImage(dc, dest.left, dest.top, img);
    return;
  }
  const BITMAPINFO info = DibInfoFor(img.Width(), img.Height());
  const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, dest.left, dest.top, w, h, 0, 0, img.Width(), img.Height(),
                img.Data(), &info, DIB_RGB_COLORS, SRCCOPY);
  if (oldMode) SetStretchBltMode(dc, oldMode);
}

}  // namespace qx::win32
