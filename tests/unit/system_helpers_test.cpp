#include "startup/system_helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx {
namespace {

class RecordingSystem final : public SystemCalls {
 public:
  struct Spi {
    uint32_t action, uiParam, flags;
    bool operator==(const Spi&) const = default;
  };
  struct Zoom {
    WindowHandle window;
    int animation;
    Rect from, to;
    bool operator==(const Zoom&) const = default;
  };
  std::vector<Spi> spi;
  std::vector<Zoom> zooms;
  std::optional<Rect> windowRect;
  VersionAnswer version;

  int SetSystemParameter(uint32_t a, uint32_t u, uint32_t f) override {
    spi.push_back({a, u, f});
    return 1;
  }
  VersionAnswer QueryVersion() override { return version; }
  bool GetWindowRect(WindowHandle, Rect& r) override {
    if (!windowRect) return false;
    r = *windowRect;
    return true;
  }
  void DrawAnimatedRects(WindowHandle w, int a, const Rect& from, const Rect& to) override {
    zooms.push_back({w, a, from, to});
  }
};

TEST(AllowSystemKeys, PassesTheComplementAsARunningFlag) {
  RecordingSystem sys;
  AllowSystemKeys(sys, kTrue16);
  AllowSystemKeys(sys, kFalse16);
  EXPECT_EQ(sys.spi, (std::vector<RecordingSystem::Spi>{{97, 0, 0}, {97, 0xFFFFFFFFu, 0}}));
}

TEST(Zoom, FramesRunBetweenThePointAndTheWindow) {
  RecordingSystem sys;
  sys.windowRect = Rect{100, 50, 579, 352};
  ZoomWindowOpen(sys, 9, 120, 60);
  ZoomWindowClose(sys, 9, 120, 60);
  const Rect point{120, 60, 120, 60};
  EXPECT_EQ(sys.zooms, (std::vector<RecordingSystem::Zoom>{
                           {9, 3, point, *sys.windowRect}, {9, 3, *sys.windowRect, point}}));
}

TEST(Zoom, AWindowWithoutRectangleZoomsFromTheCorner) {
  RecordingSystem sys;
  ZoomWindowOpen(sys, 9, -5, 7);
  ASSERT_EQ(sys.zooms.size(), 1u);
  EXPECT_EQ(sys.zooms[0].from, (Rect{-5, 7, -5, 7}));
  EXPECT_EQ(sys.zooms[0].to, (Rect{0, 0, 0, 0}));
}

TEST(IsNTPlatform, OnlyASuccessfulCallReportingPlatformTwo) {
  const struct {
    VersionAnswer answer;
    Bool16 nt;
  } cases[] = {
      {{1, 2}, kTrue16},   // NT, 2000, XP and later
      {{1, 1}, kFalse16},  // Windows 95, 98 and Me
      {{1, 0}, kFalse16},  // Win32s
      {{0, 2}, kFalse16},  // call failed
      {{2, 2}, kFalse16},  // "exactly 1"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.answer.result << "/" << c.answer.platformId);
    RecordingSystem sys;
    sys.version = c.answer;
    EXPECT_EQ(IsNTPlatform(sys), c.nt);
  }
}

}  // namespace
}  // namespace qx
