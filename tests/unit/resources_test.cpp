// The committed resource pictures are exactly what the generators make, so
// the program never ships a picture that its sources cannot reproduce.
#include <gtest/gtest.h>

#include "tools/bmp_file.h"
#include "tools/preview_picture.h"

namespace qx {
namespace {

const std::filesystem::path kResources = std::filesystem::path(QX_SOURCE_DIR) / "resources";

TEST(Resources, PreviewStillMatchesItsGenerator) {
  const auto bytes = tools::ReadFileBytes(kResources / "preview.bmp");
  ASSERT_TRUE(bytes) << "resources/preview.bmp is missing";
  EXPECT_TRUE(*bytes == tools::EncodeBmp24(tools::MakePreviewPicture()))
      << "regenerate with build/native/tools/generate_resources resources";
}

TEST(Resources, PreviewStillShowsBrightBallsOnBlack) {
  const Image still = tools::MakePreviewPicture();
  ASSERT_EQ(still.Width(), 152);
  ASSERT_EQ(still.Height(), 112);
  int black = 0, bright = 0;
  for (int y = 0; y < still.Height(); ++y) {
    for (int x = 0; x < still.Width(); ++x) {
      const Pixel p = still.At(x, y);
      if (p == 0) ++black;
      if (std::max({RedOf(p), GreenOf(p), BlueOf(p)}) >= 200) ++bright;
    }
  }
  EXPECT_GT(black, 152 * 112 / 10);
  EXPECT_GT(bright, 50);
}

TEST(BmpFile, RoundTripsAnImage) {
  Image img(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) img.At(x, y) = Rgb(x * 40, y * 80, 7);
  const auto back = tools::DecodeBmp(tools::EncodeBmp24(img));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, img);
  EXPECT_FALSE(tools::DecodeBmp("BM"));
  EXPECT_FALSE(tools::DecodeBmp(std::string(60, '\0')));
}

}  // namespace
}  // namespace qx
