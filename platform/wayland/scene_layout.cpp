#include "platform/wayland/scene_layout.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qx::wayland {

using linux_program::PixelTarget;

namespace {

int FloorDiv(long long a, long long b) {
  long long q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return static_cast<int>(q);
}

int CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }

// The scene pixels one buffer pixel covers along one axis, and how much of
// each: in units where a scene pixel is s long and a buffer pixel S long, a
// buffer pixel d spans [d S, (d + 1) S) and scene pixel j spans [j s,
// (j + 1) s). The weights of one buffer pixel add up to S.
struct Taps {
  int per = 0;               // taps per buffer pixel (unused ones weigh 0)
  std::vector<int> first;    // first scene pixel of each buffer pixel
  std::vector<int> weights;  // `per` weights per buffer pixel

  Taps(int from, int to, int sceneScale, int scale) {
    per = CeilDiv(sceneScale, scale) + 1;
    first.resize(static_cast<size_t>(to - from));
    weights.assign(first.size() * static_cast<size_t>(per), 0);
    for (int d = from; d < to; ++d) {
      const long long begin = static_cast<long long>(d) * sceneScale;
      const long long end = begin + sceneScale;
      const int j0 = FloorDiv(begin, scale);
      const size_t i = static_cast<size_t>(d - from);
      first[i] = j0;
      for (int k = 0; k < per; ++k) {
        const long long lo = std::max(begin, static_cast<long long>(j0 + k) * scale);
        const long long hi = std::min(end, static_cast<long long>(j0 + k + 1) * scale);
        weights[i * static_cast<size_t>(per) + static_cast<size_t>(k)] =
            hi > lo ? static_cast<int>(hi - lo) : 0;
      }
    }
  }
};

Pixel* TargetRow(const PixelTarget& target, int y) {
  return reinterpret_cast<Pixel*>(target.data +
                                  static_cast<size_t>(y) * static_cast<size_t>(target.bytesPerLine));
}

// A scene pixel, black outside the scene.
Pixel At(const Image& scene, int x, int y) {
  if (x < 0 || y < 0 || x >= scene.Width() || y >= scene.Height()) return 0;
  return scene.Row(y)[x];
}

void CopySame(const Image& scene, const OutputPart& part, const Rect& r, const PixelTarget& target) {
  // The columns the scene has; the rest of the row is black.
  const int sx0 = part.scene.left + r.left;
  const int from = std::clamp(sx0, 0, scene.Width());
  const int to = std::clamp(part.scene.left + r.right, 0, scene.Width());
  for (int y = r.top; y < r.bottom; ++y) {
    Pixel* row = TargetRow(target, y) + r.left;
    const int sy = part.scene.top + y;
    if (sy < 0 || sy >= scene.Height() || from >= to) {
      std::fill(row, row + (r.right - r.left), Pixel{0});
      continue;
    }
    std::fill(row, row + (from - sx0), Pixel{0});
    std::memcpy(row + (from - sx0), scene.Row(sy) + from,
                static_cast<size_t>(to - from) * sizeof(Pixel));
    std::fill(row + (to - sx0), row + (r.right - r.left), Pixel{0});
  }
}

void CopyReduced(const Image& scene, int sceneScale, const OutputPart& part, const Rect& r,
                 const PixelTarget& target) {
  const Taps xs(r.left, r.right, sceneScale, part.scale);
  const Taps ys(r.top, r.bottom, sceneScale, part.scale);
  const unsigned total = static_cast<unsigned>(sceneScale) * static_cast<unsigned>(sceneScale);
  for (int y = r.top; y < r.bottom; ++y) {
    const size_t yi = static_cast<size_t>(y - r.top);
    Pixel* row = TargetRow(target, y);
    for (int x = r.left; x < r.right; ++x) {
      const size_t xi = static_cast<size_t>(x - r.left);
      unsigned red = 0, green = 0, blue = 0;
      for (int ky = 0; ky < ys.per; ++ky) {
        const unsigned wy = static_cast<unsigned>(ys.weights[yi * static_cast<size_t>(ys.per) + static_cast<size_t>(ky)]);
        if (wy == 0) continue;
        const int sy = part.scene.top + ys.first[yi] + ky;
        for (int kx = 0; kx < xs.per; ++kx) {
          const unsigned w = wy * static_cast<unsigned>(xs.weights[xi * static_cast<size_t>(xs.per) + static_cast<size_t>(kx)]);
          if (w == 0) continue;
          const Pixel p = At(scene, part.scene.left + xs.first[xi] + kx, sy);
          red += w * static_cast<unsigned>(RedOf(p));
          green += w * static_cast<unsigned>(GreenOf(p));
          blue += w * static_cast<unsigned>(BlueOf(p));
        }
      }
      row[x] = Rgb(static_cast<int>((red + total / 2) / total),
                   static_cast<int>((green + total / 2) / total),
                   static_cast<int>((blue + total / 2) / total));
    }
  }
}

}  // namespace

SceneLayout LayOut(std::span<const OutputGeometry> outputs) {
  SceneLayout layout;
  if (outputs.empty()) return layout;
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (const OutputGeometry& o : outputs) {
    layout.scale = std::max(layout.scale, o.scale);
    if (o.width <= 0 || o.height <= 0) continue;
    left = std::min(left, o.x);
    top = std::min(top, o.y);
    right = std::max(right, o.x + o.width);
    bottom = std::max(bottom, o.y + o.height);
  }
  if (left > right) return SceneLayout{.scale = layout.scale, .parts = std::vector<OutputPart>(outputs.size())};
  const int s = layout.scale;
  layout.left = left;
  layout.top = top;
  layout.width = (right - left) * s;
  layout.height = (bottom - top) * s;
  for (const OutputGeometry& o : outputs) {
    OutputPart part;
    part.scale = std::max(1, o.scale);
    if (o.width > 0 && o.height > 0) {
      part.scene = Rect{(o.x - left) * s, (o.y - top) * s, (o.x - left + o.width) * s,
                        (o.y - top + o.height) * s};
      part.bufferWidth = o.width * part.scale;
      part.bufferHeight = o.height * part.scale;
    }
    layout.parts.push_back(part);
  }
  return layout;
}

void BufferDamage(int sceneScale, const OutputPart& part, std::span<const Rect> changed,
                  std::vector<Rect>& out) {
  out.clear();
  const Rect buffer{0, 0, part.bufferWidth, part.bufferHeight};
  for (const Rect& r : changed) {
    const Rect c = Intersection(r, part.scene);
    if (IsEmpty(c)) continue;
    const long long s = part.scale;
    const Rect b{FloorDiv((c.left - part.scene.left) * s, sceneScale),
                 FloorDiv((c.top - part.scene.top) * s, sceneScale),
                 CeilDiv((c.right - part.scene.left) * s, sceneScale),
                 CeilDiv((c.bottom - part.scene.top) * s, sceneScale)};
    const Rect clipped = Intersection(b, buffer);
    if (!IsEmpty(clipped)) out.push_back(clipped);
  }
}

void CopyPart(const Image& scene, int sceneScale, const OutputPart& part,
              std::span<const Rect> rects, const PixelTarget& target) {
  const Rect bounds{0, 0, std::min(part.bufferWidth, target.width),
                    std::min(part.bufferHeight, target.height)};
  for (const Rect& rect : rects) {
    const Rect r = Intersection(rect, bounds);
    if (IsEmpty(r)) continue;
    if (part.scale >= sceneScale) {
      CopySame(scene, part, r, target);
    } else {
      CopyReduced(scene, sceneScale, part, r, target);
    }
  }
}

ScenePoint ToScene(int sceneScale, const OutputPart& part, double surfaceX, double surfaceY) {
  return ScenePoint{static_cast<float>(part.scene.left + surfaceX * sceneScale),
                    static_cast<float>(part.scene.top + surfaceY * sceneScale)};
}

}  // namespace qx::wayland
