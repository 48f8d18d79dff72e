#include "common/raster.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/row_kernels.h"
#include "raster_reference.h"

namespace qx {
namespace {

// Every pixel differs from every other, so a misplaced copy shows.
Image Numbered(int w, int h, Pixel salt = 0) {
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      img.At(x, y) = (static_cast<Pixel>(y * 4096 + x) * 2654435761u) ^ salt;
    }
  }
  return img;
}

// Names the first pixel that differs, for a readable failure.
std::string FirstDifference(const Image& a, const Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "size differs";
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.At(x, y) != b.At(x, y)) {
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
      }
    }
  }
  return "";
}

// The smallest rectangle around the pixels that differ between `a` and `b`;
// `count` gets their number.
Rect DifferingBox(const Image& a, const Image& b, long long& count) {
  Rect box;
  count = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.At(x, y) == b.At(x, y)) continue;
      ++count;
      box = BoundingBox(box, Rect{x, y, x + 1, y + 1});
    }
  }
  return box;
}

// Runs a test body once per SIMD level the processor has.
class EveryLevel : public ::testing::TestWithParam<SimdLevel> {
 protected:
  void SetUp() override {
    if (UseSimdLevel(GetParam()) != GetParam()) {
      GTEST_SKIP() << "processor lacks this level";
    }
  }
  void TearDown() override { UseSimdLevel(BestSimdLevel()); }
};

INSTANTIATE_TEST_SUITE_P(Levels, EveryLevel,
                         ::testing::Values(SimdLevel::kScalar, SimdLevel::kSse2,
                                           SimdLevel::kAvx2),
                         [](const auto& info) {
                           switch (info.param) {
                             case SimdLevel::kScalar: return std::string("Scalar");
                             case SimdLevel::kSse2: return std::string("Sse2");
                             default: return std::string("Avx2");
                           }
                         });

// Block placements that exercise every clipping edge, widths around the
// vector sizes, and blocks that miss the images entirely.
struct Block {
  int dx, dy, w, h, sx, sy;
};
const Block kBlocks[] = {
    {0, 0, 37, 29, 0, 0},      {5, 3, 17, 9, 2, 1},     {-3, 4, 10, 5, 0, 0},
    {4, -3, 10, 5, 0, 0},      {30, 20, 20, 20, 0, 0},  {0, 0, 10, 10, -4, -2},
    {0, 0, 10, 10, 30, 25},    {-40, 0, 10, 10, 0, 0},  {0, 0, 0, 5, 0, 0},
    {0, 0, 5, -1, 0, 0},       {1, 1, 1, 1, 1, 1},      {0, 0, 3, 1, 0, 0},
    {2, 0, 7, 2, 0, 0},        {0, 0, 15, 2, 0, 0},     {0, 0, 16, 2, 0, 0},
    {0, 0, 17, 2, 0, 0},       {3, 0, 31, 2, 1, 0},     {1, 2, 33, 3, 2, 0},
    {36, 28, 5, 5, 0, 0},      {-2147483647, 0, 10, 10, 0, 0},
    {2147483600, 0, 100, 10, 0, 0}, {0, 0, 10, 10, -2147483647, 0},
};

TEST_P(EveryLevel, CopyAndOrMatchTheReferenceForEveryPlacement) {
  const Image src = Numbered(33, 27, 0x00A5A5A5);
  for (const Block& b : kBlocks) {
    SCOPED_TRACE(testing::Message() << "block " << b.dx << "," << b.dy << " "
                                    << b.w << "x" << b.h << " from " << b.sx
                                    << "," << b.sy);
    Image fast = Numbered(37, 29), slow = fast;
    OrBlock(fast, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    reference::OrBlock(slow, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    EXPECT_EQ(FirstDifference(fast, slow), "");

    fast = Numbered(37, 29);
    slow = fast;
    CopyBlock(fast, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    reference::CopyBlock(slow, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    EXPECT_EQ(FirstDifference(fast, slow), "");
  }
}

TEST_P(EveryLevel, RandomBlocksMatchTheReferenceAndNeverWriteOutside) {
  std::mt19937 rng(12345);
  auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
  };
  for (int round = 0; round < 300; ++round) {
    const int w = pick(1, 70), h = pick(1, 40);
    const Image src = Numbered(pick(1, 70), pick(1, 40), 0x10203040);
    Block b{pick(-20, w + 5), pick(-20, h + 5), pick(-2, 80), pick(-2, 45),
            pick(-20, 75), pick(-20, 45)};
    Image fast = Numbered(w, h), slow = fast;
    const Rect ored = OrBlock(fast, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    reference::OrBlock(slow, b.dx, b.dy, b.w, b.h, src, b.sx, b.sy);
    ASSERT_EQ(FirstDifference(fast, slow), "") << "round " << round;
    // The rectangle it reports is exactly the pixels it reached: an OR of
    // a white source changes every one of them on black.
    const Image white(src.Width(), src.Height(), 0x00FFFFFF);
    Image black(w, h, 0);
    reference::OrBlock(black, b.dx, b.dy, b.w, b.h, white, b.sx, b.sy);
    long long reached = 0;
    ASSERT_EQ(ored, DifferingBox(black, Image(w, h, 0), reached)) << "round " << round;
    ASSERT_EQ(Area(ored), reached) << "round " << round;

    fast = Numbered(w, h);
    slow = fast;
    const Rect moved = MoveBlock(fast, b.dx, b.dy, b.w, b.h, b.sx, b.sy);
    reference::MoveBlock(slow, b.dx, b.dy, b.w, b.h, b.sx, b.sy);
    ASSERT_EQ(FirstDifference(fast, slow), "") << "round " << round;
    // Every pixel differs from every other: a move changes every pixel it
    // reaches, and the rectangle it reports is exactly those.
    long long changed = 0;
    ASSERT_EQ(moved, DifferingBox(fast, Numbered(w, h), changed)) << "round " << round;
    ASSERT_EQ(Area(moved), changed) << "round " << round;
  }
}

TEST_P(EveryLevel, FillsMatchTheReference) {
  const Pixel colours[] = {0, 0x00FFFFFF, 0xFFFFFFFF, 0x00123456, 0x00010101};
  const Rect rects[] = {{0, 0, 37, 29},  {3, 2, 20, 11}, {-5, -5, 4, 3},
                        {30, 20, 99, 99}, {5, 5, 5, 9},  {8, 3, 2, 7},
                        {0, 10, 37, 11}, {1, 0, 18, 29}};
  for (Pixel c : colours) {
    Image fast = Numbered(37, 29), slow = fast;
    Fill(fast, c);
    reference::Fill(slow, c);
    EXPECT_EQ(FirstDifference(fast, slow), "") << std::hex << c;
    // Lines given either way round, cut at every edge.
    const struct { int x0, x1, y; } lines[] = {
        {0, 37, 0}, {30, 5, 28}, {-4, 9, 3}, {20, 99, 14}, {7, 7, 7},
        {3, 12, -1}, {3, 12, 29}};
    for (const auto& l : lines) {
      SCOPED_TRACE(testing::Message() << l.x0 << "-" << l.x1 << "," << l.y);
      fast = Numbered(37, 29);
      slow = fast;
      HLine(fast, l.x0, l.x1, l.y, c);
      reference::HLine(slow, l.x0, l.x1, l.y, c);
      EXPECT_EQ(FirstDifference(fast, slow), "");
    }
    for (const Rect& r : rects) {
      fast = Numbered(37, 29);
      slow = fast;
      FillRect(fast, r, c);
      reference::FillRect(slow, r, c);
      EXPECT_EQ(FirstDifference(fast, slow), "")
          << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
  }
}

TEST(FillCircle, MatchesTheReferenceAtEveryRadiusAndPlacement) {
  const struct { int cx, cy, r; } discs[] = {
      {59, 59, 59}, {59, 59, 1}, {44, 44, 44}, {0, 0, 10},  {118, 60, 30},
      {-5, 50, 12}, {60, -8, 9}, {59, 59, 0},  {59, 59, -3}, {59, 59, 200},
      {300, 300, 5}};
  for (const auto& d : discs) {
    SCOPED_TRACE(testing::Message() << d.cx << "," << d.cy << " r " << d.r);
    Image fast = Numbered(119, 119), slow = fast;
    FillCircle(fast, d.cx, d.cy, d.r, 0x00ABCDEF);
    reference::FillCircle(slow, d.cx, d.cy, d.r, 0x00ABCDEF);
    EXPECT_EQ(FirstDifference(fast, slow), "")
       ;
  }
}

TEST(FillCircle, DiscOfRadiusFiftyNineSpansTheWholeBox) {
  Image img(119, 119);
  FillCircle(img, 59, 59, 59, 1);
  // Full width and height through the centre, corners untouched.
  EXPECT_EQ(img.At(0, 59), 1u);
  EXPECT_EQ(img.At(118, 59), 1u);
  EXPECT_EQ(img.At(59, 0), 1u);
  EXPECT_EQ(img.At(59, 118), 1u);
  EXPECT_EQ(img.At(0, 0), 0u);
  EXPECT_EQ(img.At(118, 118), 0u);
  // Symmetric about both axes.
  for (int y = 0; y < 119; ++y) {
    for (int x = 0; x < 119; ++x) {
      ASSERT_EQ(img.At(x, y), img.At(118 - x, y));
      ASSERT_EQ(img.At(x, y), img.At(x, 118 - y));
    }
  }
}

TEST(Blocks, HugeSizesClipToTheImagesWithoutOverflow) {
  const Image src = Numbered(33, 27, 0x00A5A5A5);
  Image huge = Numbered(37, 29), clipped = huge;
  OrBlock(huge, 2, 3, 2147483647, 2147483647, src, 1, 0);
  OrBlock(clipped, 2, 3, 32, 26, src, 1, 0);
  EXPECT_EQ(FirstDifference(huge, clipped), "");
  huge = Numbered(37, 29);
  clipped = huge;
  MoveBlock(huge, 1, 0, 2147483647, 2147483647, 0, 0);
  MoveBlock(clipped, 1, 0, 36, 29, 0, 0);
  EXPECT_EQ(FirstDifference(huge, clipped), "");
}

TEST(OrBlock, ColoursMixByBitwiseOr) {
  const struct { Pixel under, over, mixed; } cases[] = {
      {Rgb(76, 0, 0), Rgb(0, 0, 88), Rgb(76, 0, 88)},
      {Rgb(0, 48, 0), Rgb(82, 26, 0), Rgb(82, 58, 0)},
      {Rgb(12, 34, 56), 0, Rgb(12, 34, 56)},  // black leaves it unchanged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "under " << c.under << ", over " << c.over);
    Image dst(3, 3, c.under);
    const Image src(3, 3, c.over);
    OrBlock(dst, 0, 0, 3, 3, src, 0, 0);
    EXPECT_EQ(dst.At(1, 1), c.mixed);
  }
}

TEST(MoveBlock, OverlappingShiftsMoveTheSourceBlock) {
  // A 256 x 256 block shifted by one pixel in each of the nine directions,
  // including clipping at every edge of a screen-sized image.
  for (int ddy = -1; ddy <= 1; ++ddy) {
    for (int ddx = -1; ddx <= 1; ++ddx) {
      for (const auto& origin : {std::pair{0, 0}, std::pair{44, 0},
                                 std::pair{0, 44}, std::pair{44, 44},
                                 std::pair{20, 13}}) {
        Image fast = Numbered(300, 300), slow = fast;
        MoveBlock(fast, origin.first + ddx, origin.second + ddy, 256, 256,
                  origin.first, origin.second);
        reference::MoveBlock(slow, origin.first + ddx, origin.second + ddy,
                             256, 256, origin.first, origin.second);
        ASSERT_EQ(FirstDifference(fast, slow), "")
            << ddx << "," << ddy << " at " << origin.first << ","
            << origin.second;
      }
    }
  }
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

TEST(RowSpans, OrAndFillWithinThemActAsTheWholeBlock) {
  // A disc on black, with one lone pixel in a corner row and an empty row.
  Image pic(23, 21, 0);
  FillCircle(pic, 11, 10, 8, 0x00405060);
  pic.At(1, 0) = 0x00010203;
  const std::vector<RowSpan> spans = NonZeroSpans(pic);
  ASSERT_EQ(spans.size(), 21u);
  EXPECT_EQ(spans[0], (RowSpan{1, 2}));
  EXPECT_EQ(spans[1], (RowSpan{0, 0}));  // a row of zeros
  EXPECT_EQ(spans[10], (RowSpan{3, 20}));
  const int places[] = {-2147483600, -30, -22, -5, 0, 3, 40, 56, 60, 2147483600};
  for (int dx : places) {
    for (int dy : places) {
      SCOPED_TRACE(testing::Message() << "at " << dx << "," << dy);
      Image fast = Numbered(61, 44), slow = fast;
      const Rect a = OrSpans(fast, dx, dy, pic, spans);
      const Rect b = OrBlock(slow, dx, dy, pic.Width(), pic.Height(), pic, 0, 0);
      ASSERT_EQ(a, b);
      ASSERT_EQ(FirstDifference(fast, slow), "");
      // Filling the spans black where the picture was ORed onto black
      // leaves black; filling them white touches exactly its non-zero
      // spans.
      Image black(61, 44, 0);
      OrSpans(black, dx, dy, pic, spans);
      Image white = black;
      FillSpans(black, dx, dy, spans, 0);
      ASSERT_EQ(black, Image(61, 44, 0));
      FillSpans(white, dx, dy, spans, 0x00FFFFFF);
      for (int y = 0; y < 44; ++y) {
        for (int x = 0; x < 61; ++x) {
          const long long u = static_cast<long long>(x) - dx;
          const long long v = static_cast<long long>(y) - dy;
          const bool inside = v >= 0 && v < 21 && u >= spans[v].begin && u < spans[v].end;
          ASSERT_EQ(white.At(x, y) == 0x00FFFFFF, inside) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace qx
