#include "tools/preview_picture.h"

#include "saver/quendelrix_s.h"
#include "saver/windowless_host.h"

namespace qx::tools {

namespace {

// A screen of the preview pane's proportions (152 : 112, up to rounding).
constexpr int kSceneWidth = 1024;
constexpr int kSceneHeight = 754;
constexpr int16_t kSceneBallCount = 60;  // the default setting

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
  // The saver's own first frame: the same scene at every start.
  WindowlessSaverHost host(kSceneWidth, kSceneHeight);
  ModuleValues values;
  values.BallCount = kSceneBallCount;
  values.Args = CommandLine(L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  form.DrawFrame();
  return Reduce(form.Display(), kPreviewWidth, kPreviewHeight);
}

}  // namespace qx::tools
