// How the outputs of a Wayland desktop share one scene. The form draws one
// surface that spans the outputs' layout, as the Windows window spans the
// virtual screen, and each output shows its part of it, so that balls cross
// from one output to the next.
//
// Sizes follow the largest output scale S: the scene is the layout's logical
// rectangle times S. An output at scale S shows its part pixel for pixel;
// one at a smaller scale s shows it reduced by S/s, each of its buffer's
// pixels the average of the scene pixels it covers. No Wayland headers: the
// layout, the damage and the copy are tested without a compositor.
#pragma once

#include <span>
#include <vector>

#include "common/image.h"
#include "platform/linux/frame_copy.h"

namespace qx::wayland {

// An output as the compositor describes it.
struct OutputGeometry {
  int x = 0, y = 0;           // logical position in the layout
  int width = 0, height = 0;  // logical size
  int scale = 1;              // integer buffer scale
  friend bool operator==(const OutputGeometry&, const OutputGeometry&) = default;
};

// An output's part of the scene.
struct OutputPart {
  Rect scene;             // the scene pixels it shows
  int bufferWidth = 0;    // its buffer: the logical size times its scale
  int bufferHeight = 0;
  int scale = 1;          // its own scale s
  friend bool operator==(const OutputPart&, const OutputPart&) = default;
};

struct SceneLayout {
  int left = 0, top = 0;      // the layout's logical top-left corner
  int scale = 1;              // S, the largest scale of the outputs
  int width = 0, height = 0;  // the scene, in pixels
  std::vector<OutputPart> parts;  // one per output, in the outputs' order
  friend bool operator==(const SceneLayout&, const SceneLayout&) = default;
};

// The scene of `outputs` (a scale below 1 counts as 1; an output of no size
// gets an empty part). No outputs: an empty scene.
SceneLayout LayOut(std::span<const OutputGeometry> outputs);

// The rectangles of a part's buffer that show the scene rectangles
// `changed`: each clipped to the part and turned into buffer pixels, a
// buffer pixel that shows any changed scene pixel counting whole. Empty
// results are dropped; `out` is replaced.
void BufferDamage(int sceneScale, const OutputPart& part, std::span<const Rect> changed,
                  std::vector<Rect>& out);

// Copies the rectangles `rects` (buffer pixels) of a part's buffer from the
// scene image. Where the output's scale is below the scene's, each buffer
// pixel is the rounded average of the scene pixels it covers, weighted by
// how much of it each covers. Scene pixels outside `scene` count as black.
void CopyPart(const Image& scene, int sceneScale, const OutputPart& part,
              std::span<const Rect> rects, const linux_program::PixelTarget& target);

// A position on an output's surface (logical, from its top-left corner) in
// scene pixels: the output's place in the layout plus the position, times
// the scene's scale.
struct ScenePoint {
  float x = 0, y = 0;
  friend bool operator==(const ScenePoint&, const ScenePoint&) = default;
};
ScenePoint ToScene(int sceneScale, const OutputPart& part, double surfaceX, double surfaceY);

}  // namespace qx::wayland
