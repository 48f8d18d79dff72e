#include "settings_dialog/dialog_scale.h"

#include <gtest/gtest.h>

#include "settings_dialog/quendelrix_p.h"

namespace qx {
namespace {

TEST(DialogScale, TheDialogAtEveryCommonScale) {
  const struct { int dpi, width, height, panelLeft, setTop, closeLeft; } cases[] = {
      {96, 479, 302, 356, 181, 456},   // 100 %: today's dialog, pixel for pixel
      {120, 599, 378, 445, 226, 570},  // 125 %
      {144, 719, 453, 534, 272, 684},  // 150 %
      {192, 958, 604, 712, 362, 912},  // 200 %
      {0, 479, 302, 356, 181, 456},    // a failed query: 96
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dpi << " DPI");
    const DialogScale s(c.dpi);
    EXPECT_EQ(s.ToDevice(kDialogWidth), c.width);
    EXPECT_EQ(s.ToDevice(kDialogHeight), c.height);
    EXPECT_EQ(s.ToDevice(356), c.panelLeft);
    EXPECT_EQ(s.ToDevice(181), c.setTop);
    EXPECT_EQ(s.ToDevice(456), c.closeLeft);
    EXPECT_EQ(s.ToDevice(0), 0);
  }
  EXPECT_TRUE(DialogScale(96).Identity());
  EXPECT_FALSE(DialogScale(144).Identity());
  EXPECT_EQ(DialogScale(144).ToDevice(Rect{20, 40, 342, 242}),
            (Rect{30, 60, 513, 363}));
}

TEST(DialogScale, EveryDevicePixelMapsBackIntoTheUnitThatCoversIt) {
  for (int dpi : {96, 120, 144, 168, 192, 288}) {
    const DialogScale s(dpi);
    for (int u = -40; u <= kDialogWidth + 40; ++u) {
      const int first = s.ToDevice(u), next = s.ToDevice(u + 1);
      ASSERT_LT(first, next) << dpi << " " << u;  // no unit vanishes
      ASSERT_LE(next - first, (dpi + 95) / 96) << dpi << " " << u;
      for (int d = first; d < next; ++d) {
        ASSERT_EQ(s.ToUnits(d), u) << "dpi " << dpi << " device " << d;
      }
    }
  }
  // Left of and above the window, for a mouse held outside it.
  EXPECT_EQ(DialogScale(144).ToUnits(-1), -1);
  EXPECT_EQ(DialogScale(144).ToUnits(-2), -2);
  EXPECT_EQ(DialogScale(144).ToUnits(-3), -2);
  EXPECT_EQ(DialogScale(144).ToUnits(-4), -3);
}

TEST(DialogScale, LengthsCarriedToAnotherScale) {
  const struct { int from, to, length, want; } cases[] = {
      {96, 144, 100, 150}, {96, 144, 11, 17},  {144, 96, 150, 100},
      {144, 192, 15, 20},  {96, 96, 37, 37},   {120, 96, -25, -20},
      {96, 144, -11, -17}, {192, 120, 7, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << " " << c.length);
    EXPECT_EQ(DialogScale(c.from).Rescale(c.length, DialogScale(c.to)), c.want);
  }
}

}  // namespace
}  // namespace qx
