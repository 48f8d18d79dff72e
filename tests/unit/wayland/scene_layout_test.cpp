#include "platform/wayland/scene_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace qx::wayland {
namespace {

using linux_program::PixelTarget;

// The test desktop: a 1024 x 768 output at scale 1, and right of it one of
// 800 x 600 physical pixels at scale 2 (400 x 300 logical).
const OutputGeometry kWide{0, 0, 1024, 768, 1};
const OutputGeometry kSharp{1024, 0, 400, 300, 2};

TEST(WaylandSceneLayout, SpansTheOutputsAtTheLargestScale) {
  struct Case {
    const char* what;
    std::vector<OutputGeometry> outputs;
    SceneLayout expected;
  };
  const Case cases[] = {
      {"one output", {kWide}, {0, 0, 1, 1024, 768, {{{0, 0, 1024, 768}, 1024, 768, 1}}}},
      {"scales 1 and 2: the scale-1 part is twice its buffer",
       {kWide, kSharp},
       {0, 0, 2, 2848, 1536,
        {{{0, 0, 2048, 1536}, 1024, 768, 1}, {{2048, 0, 2848, 600}, 800, 600, 2}}}},
      {"an output left of and above the origin",
       {{-800, 100, 800, 600, 1}, {0, -50, 1024, 768, 1}},
       {-800, -50, 1, 1824, 768,
        {{{0, 150, 800, 750}, 800, 600, 1}, {{800, 0, 1824, 768}, 1024, 768, 1}}}},
      {"scales 3 and 2",
       {{0, 0, 100, 100, 3}, {100, 0, 100, 100, 2}},
       {0, 0, 3, 600, 300, {{{0, 0, 300, 300}, 300, 300, 3}, {{300, 0, 600, 300}, 200, 200, 2}}}},
      {"an output not yet sized gets no part; a scale of 0 counts as 1",
       {{0, 0, 0, 0, 1}, {10, 20, 640, 480, 0}},
       {10, 20, 1, 640, 480, {{}, {{0, 0, 640, 480}, 640, 480, 1}}}},
      {"no outputs", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LayOut(c.outputs), c.expected) << c.what;
  }
}

TEST(WaylandSceneLayout, DamageIsClippedPerOutputInBufferPixels) {
  const SceneLayout layout = LayOut(std::vector<OutputGeometry>{kWide, kSharp});
  const OutputPart& wide = layout.parts[0];
  const OutputPart& sharp = layout.parts[1];
  const OutputPart third = LayOut(std::vector<OutputGeometry>{{0, 0, 100, 100, 3},
                                                              {100, 0, 100, 100, 2}})
                               .parts[1];
  struct Case {
    const char* what;
    int sceneScale;
    const OutputPart& part;
    std::vector<Rect> changed;
    std::vector<Rect> damage;
  };
  const Case cases[] = {
      {"halved, a partly covered pixel counts whole", 2, wide, {{3, 5, 10, 9}}, {{1, 2, 5, 5}}},
      {"a ball across the edge: the left part", 2, wide, {{2040, 0, 2060, 10}}, {{1020, 0, 1024, 5}}},
      {"a ball across the edge: the right part", 2, sharp, {{2040, 0, 2060, 10}}, {{0, 0, 12, 10}}},
      {"below the smaller output: none of it", 2, sharp, {{2100, 600, 2200, 700}}, {}},
      {"several, in order; empty ones dropped", 2, sharp,
       {{2048, 0, 2848, 600}, {0, 0, 10, 10}, {2500, 5, 2500, 9}},
       {{0, 0, 800, 600}}},
      {"scene scale 3 on a scale-2 output", 3, third, {{301, 0, 302, 1}}, {{0, 0, 2, 1}}},
  };
  std::vector<Rect> out{{9, 9, 9, 9}};
  for (const Case& c : cases) {
    BufferDamage(c.sceneScale, c.part, c.changed, out);
    EXPECT_EQ(out, c.damage) << c.what;
  }
}

// A buffer as the compositor shares it, every byte a marker first so that a
// write outside the copied rectangles shows.
struct Buffer {
  static constexpr Pixel kMarker = 0xA5A5A5A5;
  Buffer(int w, int h)
      : pixels(static_cast<size_t>(w) * static_cast<size_t>(h), kMarker),
        target{reinterpret_cast<uint8_t*>(pixels.data()), w, h, w * 4} {}
  Pixel At(int x, int y) const { return pixels[static_cast<size_t>(y * target.width + x)]; }
  std::vector<Pixel> pixels;
  PixelTarget target;
};

TEST(WaylandSceneLayout, CopiesThePartPixelForPixelAtTheSceneScale) {
  Image scene(30, 20);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) scene.At(x, y) = Rgb(x, y, x + y);
  }
  // The part lies at (10, 4) and reaches 5 columns past the scene's edge.
  const OutputPart part{{10, 4, 35, 14}, 25, 10, 2};
  Buffer buffer(25, 10);
  CopyPart(scene, 2, part, std::vector<Rect>{{1, 2, 4, 3}, {18, 0, 25, 1}}, buffer.target);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 25; ++x) {
      Pixel expected = Buffer::kMarker;
      if (y == 2 && x >= 1 && x < 4) expected = scene.At(10 + x, 6);
      if (y == 0 && x >= 18) expected = x < 20 ? scene.At(10 + x, 4) : 0;
      ASSERT_EQ(buffer.At(x, y), expected) << x << "," << y;
    }
  }
}

TEST(WaylandSceneLayout, ReducesBlocksToTheirRoundedAverage) {
  // Scene scale 2 on a scale-1 output: each buffer pixel is a 2 x 2 block.
  Image scene(4, 2);
  scene.At(0, 0) = Rgb(10, 20, 30);
  scene.At(1, 0) = Rgb(11, 21, 31);
  scene.At(0, 1) = Rgb(12, 22, 32);
  scene.At(1, 1) = Rgb(13, 23, 33);  // sums 46, 86, 126: 11.5, 21.5, 31.5
  scene.At(2, 0) = Rgb(255, 0, 1);   // the other block: 63.75, 0, 0.25
  const OutputPart halved{{0, 0, 4, 2}, 2, 1, 1};
  Buffer buffer(2, 1);
  CopyPart(scene, 2, halved, std::vector<Rect>{{0, 0, 2, 1}}, buffer.target);
  EXPECT_EQ(buffer.At(0, 0), Rgb(12, 22, 32));
  EXPECT_EQ(buffer.At(1, 0), Rgb(64, 0, 0));

  // Scene scale 3 on a scale-2 output: a buffer pixel covers one scene pixel
  // wholly and half of the next, in each direction. Columns of red 0, 90,
  // 180: (2 * 0 + 90) / 3 = 30 and (90 + 2 * 180) / 3 = 150.
  Image columns(3, 3);
  for (int y = 0; y < 3; ++y) {
    columns.At(1, y) = Rgb(90, 0, 0);
    columns.At(2, y) = Rgb(180, 0, 0);
  }
  const OutputPart twoThirds{{0, 0, 3, 3}, 2, 2, 2};
  Buffer small(2, 2);
  CopyPart(columns, 3, twoThirds, std::vector<Rect>{{0, 0, 2, 2}}, small.target);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(small.At(0, y), Rgb(30, 0, 0)) << y;
    EXPECT_EQ(small.At(1, y), Rgb(150, 0, 0)) << y;
  }

  // Scene pixels past the scene's edge count as black.
  const OutputPart beyond{{2, 0, 6, 2}, 2, 1, 1};
  Buffer edge(2, 1);
  CopyPart(scene, 2, beyond, std::vector<Rect>{{0, 0, 2, 1}}, edge.target);
  EXPECT_EQ(edge.At(0, 0), Rgb(64, 0, 0));
  EXPECT_EQ(edge.At(1, 0), Rgb(0, 0, 0));
}

TEST(WaylandSceneLayout, SurfacePositionsInScenePixels) {
  const SceneLayout layout = LayOut(std::vector<OutputGeometry>{kWide, kSharp});
  EXPECT_EQ(ToScene(2, layout.parts[0], 10, 10), (ScenePoint{20, 20}));
  EXPECT_EQ(ToScene(2, layout.parts[1], 10.5, 3.25), (ScenePoint{2069, 6.5f}));
  const SceneLayout below = LayOut(std::vector<OutputGeometry>{{0, -300, 400, 300, 1}, {0, 0, 400, 300, 1}});
  EXPECT_EQ(ToScene(1, below.parts[1], 0, 0), (ScenePoint{0, 300}));
}

}  // namespace
}  // namespace qx::wayland
