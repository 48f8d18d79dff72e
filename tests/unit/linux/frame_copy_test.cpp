#include "platform/linux/frame_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "saver/windowless_host.h"
#include "saver/quendelrix_s.h"

namespace qx::linux_program {
namespace {

// Server-side memory as the X11 host has it: rows padded past the width,
// filled with a marker so a write outside the image shows.
struct Buffer {
  static constexpr uint8_t kMarker = 0xA5;
  static constexpr int kPadding = 12;
  Buffer(int w, int h)
      : bytes(static_cast<size_t>(w * 4 + kPadding) * static_cast<size_t>(h) + kPadding, kMarker),
        target{bytes.data(), w, h, w * 4 + kPadding} {}
  Pixel At(int x, int y) const {
    Pixel p;
    std::memcpy(&p, bytes.data() + static_cast<size_t>(y * target.bytesPerLine + x * 4), 4);
    return p;
  }
  // True when every pixel of the image equals `surface` at the same place
  // (inside both) and the padding still holds the marker.
  ::testing::AssertionResult Holds(const Image& surface) const {
    for (int y = 0; y < target.height; ++y) {
      for (int x = 0; x < target.width; ++x) {
        if (x < surface.Width() && y < surface.Height() && At(x, y) != surface.At(x, y)) {
          return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        }
      }
      for (int b = target.width * 4; b < target.bytesPerLine; ++b) {
        if (bytes[static_cast<size_t>(y * target.bytesPerLine + b)] != kMarker) {
          return ::testing::AssertionFailure() << "padding of row " << y;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }
  std::vector<uint8_t> bytes;
  PixelTarget target;
};

TEST(X11FrameCopy, ClipsToSurfaceAndTarget) {
  struct Case {
    int surfaceW, surfaceH, targetW, targetH;
    std::vector<Rect> changed;
    std::vector<Rect> clipped;
  };
  const Case cases[] = {
      {10, 8, 10, 8, {{0, 0, 10, 8}}, {{0, 0, 10, 8}}},
      {10, 8, 10, 8, {{-5, -5, 3, 20}, {8, 6, 30, 30}}, {{0, 0, 3, 8}, {8, 6, 10, 8}}},
      // Empty, inverted and wholly outside rectangles are dropped.
      {10, 8, 10, 8, {{2, 2, 2, 5}, {5, 5, 4, 6}, {10, 0, 12, 8}, {-3, 0, 0, 8}}, {}},
      // A surface larger than the image (a resize on the way) and smaller.
      {20, 20, 10, 8, {{0, 0, 20, 20}}, {{0, 0, 10, 8}}},
      {4, 3, 10, 8, {{0, 0, 20, 20}}, {{0, 0, 4, 3}}},
      {1, 1, 1, 1, {{0, 0, 256, 256}, {0, 0, 1, 1}}, {{0, 0, 1, 1}, {0, 0, 1, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases) << ": surface " << c.surfaceW
                                    << "x" << c.surfaceH << ", target " << c.targetW << "x"
                                    << c.targetH);
    Image surface(c.surfaceW, c.surfaceH);
    for (int y = 0; y < c.surfaceH; ++y)
      for (int x = 0; x < c.surfaceW; ++x) surface.At(x, y) = Rgb(x, y, 7);
    Buffer buffer(c.targetW, c.targetH);
    std::vector<Rect> clipped;
    ClipChanged(surface, c.changed, buffer.target, clipped);
    EXPECT_EQ(clipped, c.clipped);
    CopyRects(surface, clipped, buffer.target);
    // Inside the clipped rectangles the surface, elsewhere the marker.
    for (int y = 0; y < c.targetH; ++y) {
      for (int x = 0; x < c.targetW; ++x) {
        bool inside = false;
        for (const Rect& r : clipped) inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        const Pixel expected = inside ? surface.At(x, y) : 0xA5A5A5A5u;
        ASSERT_EQ(buffer.At(x, y), expected) << x << "," << y;
      }
    }
    EXPECT_EQ(buffer.bytes.back(), Buffer::kMarker);

    // For a depth-32 window the same pixels, opaque.
    Buffer opaque(c.targetW, c.targetH);
    CopyRects(surface, clipped, opaque.target, 0xFF000000u);
    for (const Rect& r : clipped) {
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) ASSERT_EQ(opaque.At(x, y), surface.At(x, y) | 0xFF000000u);
    }
    EXPECT_EQ(opaque.bytes, [&] {
      Buffer b(c.targetW, c.targetH);
      CopyRects(surface, clipped, b.target);
      for (const Rect& r : clipped)
        for (int y = r.top; y < r.bottom; ++y)
          for (int x = r.left; x < r.right; ++x)
            b.bytes[static_cast<size_t>(y * b.target.bytesPerLine + x * 4 + 3)] = 0xFF;
      return b.bytes;
    }());
  }
}

// Ball frames and the melt's presents, on sizes from one pixel to wider
// than a melt block: what the server reads is the form's surface every time.
TEST(X11FrameCopy, ServerImageFollowsTheFormThroughBallsAndMelt) {
  struct Case {
    int w, h;
  };
  const Case cases[] = {{1, 1}, {7, 300}, {255, 255}, {320, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    // Every present goes through the frame path into a buffer, as the X
    // server would read it: 101 ball frames, then the melt's 120 presents.
    Buffer buffer(c.w, c.h);
    std::vector<Rect> clipped;
    int presents = 0, mismatches = 0;
    struct Done {};
    WindowlessSaverHost host(c.w, c.h);
    host.onPresent = [&](const Image& surface, std::span<const Rect> changed) {
      ClipChanged(surface, changed, buffer.target, clipped);
      CopyRects(surface, clipped, buffer.target);
      if (!buffer.Holds(surface)) ++mismatches;
      if (++presents == 101 + kMeltCopies / kMeltCopiesPerPresent) throw Done{};
    };
    ModuleValues values;
    values.BallCount = 20;
    values.Interval = 100;
    Quendelrix_S form(host, values);
    try {
      form.Form_Load();
    } catch (const Done&) {
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(presents, 101 + kMeltCopies / kMeltCopiesPerPresent);
  }
}

}  // namespace
}  // namespace qx::linux_program
