// The dialog's committed pictures, icon and cursor are exactly what their
// generator makes, and have the sizes and properties the dialog relies on.
#include <gtest/gtest.h>

#include <set>

#include "tools/bmp_file.h"
#include "tools/dialog_pictures.h"
#include "tools/icon_file.h"

namespace qx::tools {
namespace {

const std::filesystem::path kResources =
    std::filesystem::path(QX_SOURCE_DIR) / "resources";

TEST(DialogResources, CommittedFilesMatchTheGenerator) {
  for (const auto& [name, bytes] : DialogResourceFiles()) {
    const auto committed = ReadFileBytes(kResources / name);
    ASSERT_TRUE(committed) << "resources/" << name << " is missing";
    EXPECT_TRUE(*committed == bytes)
        << name << " differs: regenerate with "
        << "build/native/tools/generate_resources resources";
  }
}

TEST(DialogResources, PictureSizes) {
  const struct { Image img; int w, h; } cases[] = {
      {MakeDialogPhoto(), 320, 200},     {MakeTitleBar(), 500, 22},
      {MakeButtonFace(false), 21, 20},   {MakeButtonFace(true), 21, 20},
      {MakeCloseBox(false), 15, 15},     {MakeCloseBox(true), 16, 15},
      {MakeAppIcon(), 32, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "picture " << (&c - cases) << ", " << c.w << " x " << c.h);
    EXPECT_EQ(c.img.Width(), c.w);
    EXPECT_EQ(c.img.Height(), c.h);
  }
}

TEST(DialogResources, FacesDifferOnlyByTheBandAlongTheBottom) {
  const Image off = MakeButtonFace(false), on = MakeButtonFace(true);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 21; ++x) {
      if (y < 14 || y > 17) {
        ASSERT_EQ(off.At(x, y), on.At(x, y)) << x << "," << y;
      }
    }
  }
  const Pixel band = on.At(10, 15);
  EXPECT_GT(GreenOf(band), BlueOf(band) + 80);  // yellow-green
  EXPECT_GT(RedOf(off.At(10, 9)), 230);         // white across the middle
  EXPECT_LT(RedOf(off.At(10, 0)), 120);         // dark edges
  EXPECT_LT(RedOf(off.At(10, 19)), 120);
}

TEST(DialogResources, IconHasAtMost256ColoursOnBlack) {
  const Image icon = MakeAppIcon();
  std::set<Pixel> colours;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) colours.insert(icon.At(x, y));
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 16u);
  EXPECT_EQ(icon.At(0, 0), 0u);
  EXPECT_TRUE(EncodeIco8(icon).has_value());
}

TEST(DialogResources, CursorIsAHandWithItsHotSpotOnTheFingertip) {
  const auto cursor = DecodeCur1(EncodeCur1(MakeHandCursor()));
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->width, 32);
  EXPECT_EQ(cursor->height, 32);
  EXPECT_EQ(cursor->hotX, 12);
  EXPECT_EQ(cursor->hotY, 10);
  EXPECT_EQ(cursor->At(12, 10), CursorInk::kWhite);  // the fingertip
  EXPECT_EQ(cursor->At(12, 9), CursorInk::kBlack);   // its outline
  EXPECT_EQ(cursor->At(12, 8), CursorInk::kClear);
  EXPECT_EQ(cursor->At(0, 0), CursorInk::kClear);
  int white = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 32; ++x) white += cursor->At(x, y) == CursorInk::kWhite;
  EXPECT_EQ(white, 0);  // nothing above the fingertip
}

}  // namespace
}  // namespace qx::tools
