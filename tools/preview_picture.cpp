#include "tools/preview_picture.h"

#include "common/random.h"
#include "common/raster.h"
#include "saver/ball_pictures.h"

namespace qx::tools {

namespace {

constexpr int kSceneWidth = 1024;
constexpr int kSceneHeight = 754;  // 152 : 112 up to rounding
constexpr int kSceneBalls = 26;

// Area average of the scene into the small picture, so that the balls keep
// their soft edges when reduced.
Image Reduce(const Image& scene, int w, int h) {
  Image out(w, h);
  for (int y = 0; y < h; ++y) {
    const int y0 = y * scene.Height() / h, y1 = (y + 1) * scene.Height() / h;
    for (int x = 0; x < w; ++x) {
      const int x0 = x * scene.Width() / w, x1 = (x + 1) * scene.Width() / w;
      long r = 0, g = 0, b = 0, n = 0;
      for (int sy = y0; sy < y1; ++sy) {
        for (int sx = x0; sx < x1; ++sx) {
          const Pixel p = scene.At(sx, sy);
          r += RedOf(p);
          g += GreenOf(p);
          b += BlueOf(p);
          ++n;
        }
      }
      out.At(x, y) = Rgb(static_cast<int>(r / n), static_cast<int>(g / n),
                         static_cast<int>(b / n));
    }
  }
  return out;
}

}  // namespace

Image MakePreviewPicture() {
  const auto pictures = MakeBallPictures();
  Image scene(kSceneWidth, kSceneHeight, 0);
  Random rnd;  // fixed start state: the same picture on every run
  for (int i = 0; i < kSceneBalls; ++i) {
    const Image& ball = pictures[static_cast<int>(rnd.Next() * kBallPictureCount)];
    const int x = static_cast<int>(rnd.Next() * (kSceneWidth - ball.Width() + 1));
    const int y = static_cast<int>(rnd.Next() * (kSceneHeight - ball.Height() + 1));
    OrBlock(scene, x, y, ball.Width(), ball.Height(), ball, 0, 0);
  }
  return Reduce(scene, kPreviewWidth, kPreviewHeight);
}

}  // namespace qx::tools
