#include "saver/ball_pictures.h"

#include <gtest/gtest.h>

#include <set>

namespace qx {
namespace {

struct Rgb3 {
  int r, g, b;
};
Rgb3 Channels(Pixel p) { return {RedOf(p), GreenOf(p), BlueOf(p)}; }
void ExpectColour(Pixel p, Rgb3 want, const char* where) {
  EXPECT_EQ(RedOf(p), want.r) << where;
  EXPECT_EQ(GreenOf(p), want.g) << where;
  EXPECT_EQ(BlueOf(p), want.b) << where;
}

TEST(StoredBallPicture, HitsTheWorkedValues) {
  const Image white = StoredBallPicture(119, 255, 255, 255);
  ExpectColour(white.At(59, 59), {255, 255, 255}, "centre");
  for (auto [x, y] : {std::pair{60, 59}, {58, 59}, {59, 58}, {59, 60}}) {
    ExpectColour(white.At(x, y), {251, 251, 251}, "beside the centre");
  }
  ExpectColour(white.At(0, 59), {4, 4, 4}, "left rim");
  for (auto [x, y] : {std::pair{0, 0}, {118, 0}, {0, 118}, {118, 118}}) {
    EXPECT_EQ(white.At(x, y), 0u) << "corner";
  }
  const Image orange = StoredBallPicture(89, 249, 166, 13);
  ExpectColour(orange.At(44, 44), {249, 166, 13}, "centre");
  ExpectColour(orange.At(0, 44), {6, 4, 0}, "left rim");
  ExpectColour(orange.At(44, 88), {6, 4, 0}, "bottom rim");
}

TEST(StoredBallPicture, HasOneColourPerRingPlusBlack) {
  const struct { int side; Rgb3 base; size_t colours; } cases[] = {
      {119, {255, 255, 255}, 61}, {89, {255, 255, 255}, 46},
      {119, {249, 166, 13}, 61},  {89, {249, 166, 13}, 46}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "side " << c.side << ", base " << c.base.r << " "
                                    << c.base.g << " " << c.base.b);
    const Image img = StoredBallPicture(c.side, c.base.r, c.base.g, c.base.b);
    ASSERT_EQ(img.Width(), c.side);
    std::set<Pixel> distinct(img.Data(), img.Data() + img.PixelCount());
    EXPECT_EQ(distinct.size(), c.colours);
  }
}

// In a 119-pixel box the ring i disc has radius 59 - 2i, so along the middle
// row the pixel at x = 2i is the outermost pixel of ring i.
Pixel RingPixel(const Image& img, int ring) {
  return img.At(2 * ring, img.Height() / 2);
}

TEST(DrawHalftoneBall, RingColoursRiseByNinePerChannelAndClamp) {
  const struct {
    Rgb3 base;
    int ring;
    Rgb3 want;
  } cases[] = {
      {{0, 0, 88}, 0, {0, 0, 88}},      {{0, 0, 88}, 1, {9, 9, 97}},
      {{0, 0, 88}, 2, {18, 18, 106}},   {{0, 0, 88}, 18, {162, 162, 250}},
      {{0, 0, 88}, 19, {171, 171, 255}}, {{0, 0, 88}, 28, {252, 252, 255}},
      {{0, 0, 88}, 29, {255, 255, 255}}, {{0, 0, 0}, 0, {0, 0, 0}},
      {{0, 0, 0}, 1, {9, 9, 9}},         {{0, 0, 0}, 28, {252, 252, 252}},
      {{0, 0, 0}, 29, {255, 255, 255}},  {{250, 255, 0}, 0, {250, 255, 0}},
      {{250, 255, 0}, 1, {255, 255, 9}}, {{250, 255, 0}, 29, {255, 255, 255}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "base " << c.base.r << " " << c.base.g << " "
                                    << c.base.b << ", ring " << c.ring);
    Image img(119, 119);
    DrawHalftoneBall(img, static_cast<int16_t>(c.base.r),
                     static_cast<int16_t>(c.base.g),
                     static_cast<int16_t>(c.base.b));
    const Rgb3 got = Channels(RingPixel(img, c.ring));
    EXPECT_EQ(got.r, c.want.r);
    EXPECT_EQ(got.g, c.want.g);
    EXPECT_EQ(got.b, c.want.b);
  }
}

TEST(DrawHalftoneBall, DiscsAreCentredAndTwoPixelsApart) {
  Image img(119, 119);
  DrawHalftoneBall(img, 0, 0, 88);
  // The centre disc (radius 1) is the brightest; each ring is two pixels
  // wide along the middle row, from the rim inwards.
  EXPECT_EQ(img.At(59, 59), Rgb(255, 255, 255));
  for (int ring = 0; ring < 29; ++ring) {
    EXPECT_EQ(img.At(2 * ring + 1, 59), img.At(2 * ring, 59)) << ring;
    EXPECT_NE(img.At(2 * ring + 2, 59), img.At(2 * ring, 59)) << ring;
    EXPECT_EQ(img.At(118 - 2 * ring, 59), img.At(2 * ring, 59)) << ring;
    EXPECT_EQ(img.At(59, 2 * ring), img.At(2 * ring, 59)) << ring;
  }
}

TEST(DrawHalftoneBall, SmallBoxHasTwentyTwoDiscs) {
  Image img(89, 89);
  DrawHalftoneBall(img, 0, 48, 62);
  // Ring 21 (radius 2) is the last; ring 22 has radius 0 and paints nothing.
  EXPECT_EQ(img.At(0, 44), Rgb(0, 48, 62));
  EXPECT_EQ(img.At(42, 44), Rgb(189, 237, 251));
  EXPECT_EQ(img.At(44, 44), Rgb(189, 237, 251));
  EXPECT_EQ(img.At(88, 44), Rgb(0, 48, 62));
}

TEST(DrawHalftoneBall, LeavesPixelsOutsideTheLargestDiscAndRepeatsExactly) {
  const Pixel mark = Rgb(1, 2, 3);
  Image img(119, 119, mark);
  DrawHalftoneBall(img, 76, 0, 0);
  for (auto [x, y] : {std::pair{0, 0}, {118, 0}, {0, 118}, {118, 118}, {10, 10}}) {
    EXPECT_EQ(img.At(x, y), mark);
  }
  const Image once = img;
  DrawHalftoneBall(img, 76, 0, 0);
  EXPECT_EQ(img, once);
}

TEST(DrawHalftoneBall, NonSquareBoxTakesItsRadiusFromTheWidth) {
  const Pixel mark = Rgb(1, 2, 3);
  Image img(41, 101, mark);
  DrawHalftoneBall(img, 0, 0, 0);
  // Centre (20, 50), outer radius 20: the disc spans the width only.
  EXPECT_EQ(img.At(20, 30), Rgb(0, 0, 0));
  EXPECT_EQ(img.At(20, 29), mark);
  EXPECT_EQ(img.At(0, 50), Rgb(0, 0, 0));
  EXPECT_EQ(img.At(20, 50), Rgb(81, 81, 81));  // ring 9; ring 10 has radius 0
}

TEST(DrawHalftoneBall, ARingWithoutAColourKeepsThePreviousOne) {
  // A negative channel cannot make a colour: ring 0 stays black, ring 1
  // (-1 + 9 = 8) is the first real colour.
  Image img(119, 119, Rgb(7, 7, 7));
  DrawHalftoneBall(img, -1, 0, 0);
  EXPECT_EQ(RingPixel(img, 0), 0u);
  EXPECT_EQ(RingPixel(img, 1), Rgb(8, 9, 9));
  // A sum past 16 bits fails from the first ring on: every ring repeats the
  // last colour that could be made.
  Image high(119, 119);
  DrawHalftoneBall(high, 32767 - 18, 0, 0);
  EXPECT_EQ(RingPixel(high, 0), Rgb(255, 0, 0));
  EXPECT_EQ(RingPixel(high, 2), Rgb(255, 18, 18));
  EXPECT_EQ(RingPixel(high, 3), Rgb(255, 18, 18));
}

}  // namespace
}  // namespace qx
