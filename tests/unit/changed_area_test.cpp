#include "common/changed_area.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace qx {
namespace {

// Marks the pixels of `rects` (clipped to the image) with `bit`.
void Mark(Image& img, std::span<const Rect> rects, Pixel bit) {
  for (const Rect& r : rects) {
    const Rect in = Intersection(r, Rect{0, 0, img.Width(), img.Height()});
    for (int y = in.top; y < in.bottom; ++y) {
      for (int x = in.left; x < in.right; ++x) img.At(x, y) |= bit;
    }
  }
}

// The answer holds every added pixel, stays inside the image, has no empty
// rectangle, and costs no more than the added rectangles apart or the whole
// image.
void ExpectSound(ChangedArea& area, int w, int h, const std::vector<Rect>& added) {
  const std::span<const Rect> rects = area.Rects();
  Image marks(w, h);
  Mark(marks, added, 1);
  Mark(marks, rects, 2);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      ASSERT_NE(marks.At(x, y), 1u) << "pixel (" << x << ", " << y << ") left out";
    }
  }
  long long cost = 0, addedCost = 0;
  for (const Rect& r : rects) {
    EXPECT_FALSE(IsEmpty(r));
    EXPECT_EQ(Intersection(r, Rect{0, 0, w, h}), r);
    cost += Area(r) + ChangedArea::kRectOverhead;
  }
  for (const Rect& r : added) {
    const Rect in = Intersection(r, Rect{0, 0, w, h});
    if (!IsEmpty(in)) addedCost += Area(in) + ChangedArea::kRectOverhead;
  }
  const long long wholeCost = 1LL * w * h + ChangedArea::kRectOverhead;
  EXPECT_LE(cost, std::max(addedCost, wholeCost));
  if (!rects.empty()) {
    EXPECT_LE(cost, wholeCost);
  }
}

TEST(ChangedArea, MergesWhatIsCheaperTogetherAndKeepsApartWhatIsNot) {
  const struct {
    const char* name;
    std::vector<Rect> added;
    std::vector<Rect> want;
  } cases[] = {
      {"nothing", {}, {}},
      {"outside or empty", {{-50, -50, -1, -1}, {3000, 0, 3100, 10}, {5, 5, 5, 90}}, {}},
      {"one, clipped", {{-10, 990, 60, 1100}}, {{0, 990, 60, 1000}}},
      {"a ball's old and new square", {{100, 100, 219, 219}, {102, 99, 221, 218}},
       {{100, 99, 221, 219}}},
      {"one inside another", {{10, 10, 200, 200}, {50, 50, 60, 60}}, {{10, 10, 200, 200}}},
      {"far apart", {{0, 0, 100, 100}, {1500, 800, 1600, 900}},
       {{0, 0, 100, 100}, {1500, 800, 1600, 900}}},
      // Each pair's box costs less than the pair; the grown box then takes
      // in a rectangle that it passed before.
      {"a chain", {{0, 0, 100, 100}, {300, 0, 400, 100}, {90, 0, 310, 100}},
       {{0, 0, 400, 100}}},
      {"as costly as the whole image", {{0, 0, 2000, 600}, {0, 400, 2000, 1000}},
       {{0, 0, 2000, 1000}}},
      {"large but cheaper apart", {{0, 0, 1000, 600}, {0, 500, 2000, 1000}},
       {{0, 0, 1000, 600}, {0, 500, 2000, 1000}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ChangedArea area;
    area.Reset(2000, 1000);
    for (const Rect& r : c.added) area.Add(r);
    const std::span<const Rect> got = area.Rects();
    EXPECT_EQ(std::vector<Rect>(got.begin(), got.end()), c.want);
    // Asking again gives the same answer.
    EXPECT_EQ(area.Rects().size(), c.want.size());
  }
}

TEST(ChangedArea, WholeResetAndEmptyImages) {
  ChangedArea area;
  area.Reset(640, 480);
  area.Add(Rect{10, 10, 20, 20});
  area.AddWhole();
  ASSERT_EQ(area.Rects().size(), 1u);
  EXPECT_EQ(area.Rects()[0], (Rect{0, 0, 640, 480}));
  area.Reset(640, 480);  // forgets the whole and the rectangle
  EXPECT_TRUE(area.Rects().empty());
  area.Add(Rect{1, 2, 3, 4});
  ASSERT_EQ(area.Rects().size(), 1u);
  EXPECT_EQ(area.Rects()[0], (Rect{1, 2, 3, 4}));
  // An image with no pixel has nothing to present, even whole.
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 10}, std::pair{-5, 10}}) {
    area.Reset(w, h);
    area.Add(Rect{0, 0, 10, 10});
    area.AddWhole();
    EXPECT_TRUE(area.Rects().empty()) << w << "x" << h;
  }
}

TEST(ChangedArea, RandomSetsAreCoveredWithinTheImageAtNoExtraCost) {
  std::mt19937 rng(20261207);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 120; ++round) {
    const int w = pick(1, 400), h = pick(1, 250);
    ChangedArea area;
    area.Reset(w, h);
    std::vector<Rect> added;
    const int count = pick(0, round % 4 == 0 ? 300 : 40);
    for (int i = 0; i < count; ++i) {
      const int side = pick(1, 100);
      const int x = pick(-150, w + 20), y = pick(-150, h + 20);
      added.push_back(Rect{x, y, x + side + pick(-3, 3), y + side});
      area.Add(added.back());
    }
    SCOPED_TRACE(testing::Message() << "round " << round);
    ExpectSound(area, w, h, added);
    if (HasFatalFailure()) return;
  }
}

TEST(ChangedArea, ManyRectanglesOnAHugeImageAreHandedOnUnmerged) {
  // More than merging is worth: they go on as they came, still clipped.
  ChangedArea area;
  area.Reset(32767, 32767);
  std::vector<Rect> added;
  for (int i = 0; i < static_cast<int>(ChangedArea::kMostMerged) + 1; ++i) {
    const int x = (i % 64) * 500, y = (i / 64) * 500 - 5;
    added.push_back(Rect{x, y, x + 10, y + 10});
    area.Add(added.back());
  }
  const std::span<const Rect> got = area.Rects();
  ASSERT_EQ(got.size(), added.size());
  EXPECT_EQ(got[0], (Rect{0, 0, 10, 5}));
  EXPECT_EQ(got[100], added[100]);
}

}  // namespace
}  // namespace qx
