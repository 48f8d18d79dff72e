// The settings dialog's picture area: its one-pixel frame and the
// photograph just inside it, pixel for pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/e2e/dialog_driver.h"
#include "tools/bmp_file.h"

namespace qx::e2e {
namespace {

TEST(DialogFrameE2E, ThePictureAreaFrameAndThePhotographJustInside) {
  const auto bytes = ReadFileBytes(SourcePath("resources/dialog_photo.bmp"));
  ASSERT_TRUE(bytes);
  const auto photo = tools::DecodeBmp(*bytes);
  ASSERT_TRUE(photo);
  ASSERT_EQ(photo->Width(), 320);
  TempFolder folder;
  OpenDialog dialog(folder);
  ASSERT_TRUE(dialog.hwnd());
  const POINT o = dialog.Screen({0, 0});
  Image shot;
  auto at = [&](int x, int y) { return shot.At(o.x + x, o.y + y); };
  // The lens passes over the corners now and then: wait for a frame in
  // which it is away from both.
  const bool clear = WaitUntil([&] {
    shot = CaptureScreen();
    return at(21, 41) == photo->At(0, 0) && at(22, 41) == photo->At(1, 0) &&
           at(21, 42) == photo->At(0, 1) && at(340, 240) == photo->At(319, 199);
  });
  EXPECT_TRUE(clear) << "the photograph does not start at (21, 41)";
  const Pixel shadow = Rgb(40, 40, 64), light = Rgb(236, 236, 255);
  EXPECT_EQ(at(20, 40), shadow);
  EXPECT_EQ(at(180, 40), shadow);
  EXPECT_EQ(at(20, 140), shadow);
  EXPECT_EQ(at(341, 40), shadow);
  EXPECT_EQ(at(341, 41), light);
  EXPECT_EQ(at(341, 241), light);
  EXPECT_EQ(at(180, 241), light);
  EXPECT_NE(at(19, 39), shadow);  // the gradient just outside
  EXPECT_NE(at(342, 242), light);
  PostMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(dialog.Closed());
}

}  // namespace
}  // namespace qx::e2e
