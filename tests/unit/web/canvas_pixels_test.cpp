#include "platform/web/canvas_pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx::web {
namespace {

TEST(WebCanvasPixels, ChannelsInCanvasOrderAndOpaque) {
  Image surface(3, 2, 0);
  surface.At(0, 0) = Rgb(0x12, 0x34, 0x56);
  surface.At(1, 0) = Rgb(255, 0, 0);
  surface.At(2, 0) = Rgb(0, 0, 255);
  surface.At(0, 1) = 0xAB000000u | Rgb(1, 2, 3);  // the unused byte is not alpha
  surface.At(2, 1) = Rgb(255, 255, 255);
  std::vector<uint8_t> rgba(3 * 2 * 4, 7);
  EXPECT_EQ(CopyToCanvas(surface, Rect{0, 0, 3, 2}, rgba.data()), (Rect{0, 0, 3, 2}));
  const std::vector<uint8_t> want = {
      0x12, 0x34, 0x56, 255, 255, 0, 0, 255, 0, 0, 255, 255,
      1, 2, 3, 255,          0, 0, 0, 255,   255, 255, 255, 255,
  };
  EXPECT_EQ(rgba, want);
}

TEST(WebCanvasPixels, OnlyTheRectangleClippedToTheSurface) {
  struct Case {
    Rect rect, written;
  };
  const Case cases[] = {
      {{1, 1, 3, 2}, {1, 1, 3, 2}},
      {{-5, -5, 2, 1}, {0, 0, 2, 1}},
      {{3, 2, 9, 9}, {3, 2, 4, 3}},
      {{4, 0, 6, 3}, {}},    // right of the surface
      {{2, 2, 2, 3}, {}},    // empty
      {{0, 0, 4, 3}, {0, 0, 4, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rect.left << "," << c.rect.top << " " << c.rect.right
                                    << "," << c.rect.bottom);
    Image surface(4, 3, Rgb(10, 20, 30));
    std::vector<uint8_t> rgba(4 * 3 * 4, 0);
    EXPECT_EQ(CopyToCanvas(surface, c.rect, rgba.data()), c.written);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        const bool inside = x >= c.written.left && x < c.written.right && y >= c.written.top &&
                            y < c.written.bottom;
        const uint8_t* p = &rgba[(y * 4 + x) * 4];
        EXPECT_EQ(p[0], inside ? 10 : 0) << x << "," << y;
        EXPECT_EQ(p[3], inside ? 255 : 0) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace qx::web
