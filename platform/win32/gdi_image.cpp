#include "platform/win32/gdi_image.h"

#include <algorithm>

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

void DrawImageParts(HDC dc, const Image& img, std::span<const Rect> rects) {
  if (img.Empty()) return;
  // The union of the rectangles, and their bounding box: the one call draws
  // the box, and the clip region keeps it to the union.
  UniqueGdi<HRGN> clip(CreateRectRgn(0, 0, 0, 0));
  UniqueGdi<HRGN> part(CreateRectRgn(0, 0, 0, 0));
  if (!clip || !part) return;
  Rect box{img.Width(), img.Height(), 0, 0};
  int kind = NULLREGION;
  for (const Rect& r : rects) {
    const Rect c{std::max(r.left, 0), std::max(r.top, 0),
                 std::min(r.right, img.Width()), std::min(r.bottom, img.Height())};
    if (c.left >= c.right || c.top >= c.bottom) continue;
    SetRectRgn(part.get(), c.left, c.top, c.right, c.bottom);
    kind = CombineRgn(clip.get(), clip.get(), part.get(), RGN_OR);
    box = Rect{std::min(box.left, c.left), std::min(box.top, c.top),
               std::max(box.right, c.right), std::max(box.bottom, c.bottom)};
  }
  if (box.left >= box.right) return;
  // A union that is one rectangle is the box itself: no clip needed.
  const bool clipped = kind != SIMPLEREGION;
  if (clipped) SelectClipRgn(dc, clip.get());
  // The source is described as the box's rows alone, so that its first
  // scan line is the box's top row however the system counts source rows.
  const int rows = box.bottom - box.top;
  const BITMAPINFO info = DibInfoFor(img.Width(), rows);
  SetDIBitsToDevice(dc, box.left, box.top,
                    static_cast<DWORD>(box.right - box.left),
                    static_cast<DWORD>(rows), box.left, 0, 0,
                    static_cast<UINT>(rows), img.Row(box.top), &info,
                    DIB_RGB_COLORS);
  if (clipped) SelectClipRgn(dc, nullptr);
}

}  // namespace qx::win32
