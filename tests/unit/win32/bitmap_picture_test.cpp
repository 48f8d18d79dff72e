// The lens's picture capture and frame drawing through the system's GDI:
// GetDIBits into the pixel buffer and SetDIBitsToDevice of a DibImage, with
// the portable header record standing in for BITMAPINFOHEADER.
#include "platform/win32/bitmap_picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/win32/gdi_image.h"
#include "platform/win32/handles.h"

namespace qx::win32 {
namespace {

Image Pattern(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.At(x, y) = Rgb(x & 0xFF, y & 0xFF, (x * 7 + y) & 0xFF);
  return img;
}

// A 24-bit bottom-up bitmap holding `img`, as a resource bitmap is loaded.
UniqueBitmap BitmapOf(const Image& img) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = img.Width();
  info.bmiHeader.biHeight = img.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  UniqueBitmap bmp(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const int stride = (img.Width() * 3 + 3) & ~3;
  auto* row = static_cast<unsigned char*>(bits);
  for (int y = img.Height() - 1; y >= 0; --y, row += stride) {
    for (int x = 0; x < img.Width(); ++x) {
      const Pixel p = img.At(x, y);
      row[x * 3] = static_cast<unsigned char>(BlueOf(p));
      row[x * 3 + 1] = static_cast<unsigned char>(GreenOf(p));
      row[x * 3 + 2] = static_cast<unsigned char>(RedOf(p));
    }
  }
  GdiFlush();
  return bmp;
}

TEST(Win32BitmapPicture, CapturesTheBitmapTopRowFirst) {
  const Image photo = Pattern(320, 200);
  UniqueBitmap bmp = BitmapOf(photo);
  ASSERT_TRUE(bmp);
  BitmapPicture picture(bmp.get());
  cPicEffect effect;
  effect.BitsTakeFromPicture(picture, 320, 200);
  Image got = effect.Bits();
  for (size_t i = 0; i < got.PixelCount(); ++i) got.Data()[i] &= 0xFFFFFFu;
  EXPECT_EQ(got, photo);
  EXPECT_EQ(effect.PictureRect(), (Rect{0, 0, 320, 200}));
}

TEST(Win32BitmapPicture, DrawsARecordAsItsPixels) {
  const Image frame = Pattern(64, 40);
  DibImage record;
  cPicEffect::MakeDibImage(record, frame, 64, 40);
  UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  BITMAPINFO info = DibInfoFor(80, 60);
  void* bits = nullptr;
  UniqueBitmap target(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(target);
  std::memset(bits, 0, 80 * 60 * 4);
  {
    SelectGuard select(dc.get(), target.get());
    DrawDibImage(dc.get(), 10, 5, record);
    GdiFlush();
  }
  const auto* px = static_cast<const Pixel*>(bits);
  for (int y = 0; y < 60; ++y) {
    for (int x = 0; x < 80; ++x) {
      const bool inside = x >= 10 && x < 74 && y >= 5 && y < 45;
      const Pixel want = inside ? frame.At(x - 10, y - 5) : 0;
      ASSERT_EQ(px[y * 80 + x] & 0xFFFFFFu, want) << x << "," << y;
    }
  }
  // A record whose pixels do not match its header is not drawn.
  std::memset(bits, 0, 80 * 60 * 4);
  record.Pixels = Image(10, 10, 0xFFFFFF);
  {
    SelectGuard select(dc.get(), target.get());
    DrawDibImage(dc.get(), 0, 0, record);
    GdiFlush();
  }
  EXPECT_EQ(px[0], 0u);
}

}  // namespace
}  // namespace qx::win32
