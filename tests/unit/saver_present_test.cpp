// The saver draws and presents only what changes, yet every frame and every
// step of the melt leaves exactly the pixels of clearing and presenting the
// whole surface each time. Each run is checked against that full-frame way,
// kept here as the oracle, after every present: the surface equals the
// oracle's, and a window that copied only the presented rectangles shows
// the surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/raster.h"
#include "fake_saver_host.h"
#include "saver/quendelrix_s.h"

namespace qx {
namespace {

using testing_support::FakeSaverHost;
using testing_support::ProgramEnded;

// The full-frame way: every frame clears the whole surface, moves and
// bounces every ball and ORs it in; the melt's moves act on the surface.
class FullFrameSaver {
 public:
  FullFrameSaver(const Quendelrix_S& form)
      : form_(form),
        balls_(form.Balls()),
        surface_(form.Display().Width(), form.Display().Height()) {}

  void Frame() {
    Fill(surface_, 0);
    const float w = static_cast<float>(surface_.Width());
    const float h = static_cast<float>(surface_.Height());
    for (BallRec& b : balls_) {
      b.X = b.X + b.VX;
      b.Y = b.Y + b.VY;
      if (b.X < 0 || b.X > w - static_cast<float>(b.Size)) b.VX = -b.VX;
      if (b.Y < 0 || b.Y > h - static_cast<float>(b.Size)) b.VY = -b.VY;
      OrBlock(surface_, *RoundTo<int32_t>(b.X), *RoundTo<int32_t>(b.Y), b.Size,
              b.Size, form_.PicBall(b.Pic), 0, 0);
    }
  }
  void StartMelt(float seconds) { rnd_.Reseed(seconds); }
  void MeltMoves(int count) {
    for (int i = 0; i < count; ++i) {
      const float rx = rnd_.Next(), ry = rnd_.Next();
      const float rdx = rnd_.Next(), rdy = rnd_.Next();
      const MeltMove m = *MeltMoveFrom(rx, ry, rdx, rdy, form_.ScrW(), form_.ScrH());
      MoveBlock(surface_, m.MeltX + m.MeltDX, m.MeltY + m.MeltDY, kMeltBlock,
                kMeltBlock, m.MeltX, m.MeltY);
    }
  }
  const Image& Surface() const { return surface_; }
  const std::vector<BallRec>& Balls() const { return balls_; }

 private:
  const Quendelrix_S& form_;
  std::vector<BallRec> balls_;
  Image surface_;
  Random rnd_;
};

std::string FirstDifference(const Image& a, const Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "size differs";
  for (int y = 0; y < a.Height(); ++y) {
    if (std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) continue;
    for (int x = 0; x < a.Width(); ++x) {
      if (a.At(x, y) != b.At(x, y)) {
        std::ostringstream out;
        out << "pixel (" << x << ", " << y << "): " << std::hex << a.At(x, y)
            << " against " << b.At(x, y);
        return out.str();
      }
    }
  }
  return "";
}

struct Scenario {
  const char* name;
  int width, height;
  int16_t ballCount;
  int16_t interval;
  int cycles;       // whole cycles, melts included
  int extraFrames;  // frames of the cycle after them
  // Places balls after the set-up, before the first frame.
  std::vector<BallRec> (*placeBalls)(int width, int height) = nullptr;
};

// What one run presented.
struct RunResult {
  int frames = 0;
  int meltPresents = 0;
  int wholeFramePresents = 0;
  long long framePresentedArea = 0;  // of the frames not presented whole
  int partialFrames = 0;
  size_t mostRects = 0;
};

// The number of the yield at the start of frame `frame` of cycle `cycle`
// (both from 0): each frame yields at its start and end, each cycle once
// after its melt.
int YieldAtFrameStart(int interval, int cycle, int frame) {
  return cycle * (2 * (interval + 1) + 1) + 2 * frame + 1;
}

// Runs the saver through the scenario, checking every present against the
// oracle. Stops with a close request at the start of the last frame.
RunResult RunAgainstOracle(const Scenario& s) {
  FakeSaverHost host(s.width, s.height);
  host.fingerprint = false;
  ModuleValues values;
  values.BallCount = s.ballCount;
  values.Interval = s.interval;
  values.Args = CommandLine(L"/s");
  Quendelrix_S form(host, values);
  std::optional<FullFrameSaver> oracle;
  RunResult result;
  const int framesPerCycle = std::max(0, s.interval + 1);
  const int meltPresents = kMeltCopies / kMeltCopiesPerPresent;
  int inCycle = 0;  // presents so far in the current cycle
  const int stopAt = YieldAtFrameStart(s.interval, s.cycles, s.extraFrames);

  // The first problem found; the run stops at the next frame's start.
  std::string problem;
  auto fail = [&](const std::string& what) {
    if (!problem.empty()) return;
    problem = what + " at present " + std::to_string(host.presentedRects.size());
    int16_t cancel = 0;
    form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
  };
  host.onYield = [&](int n) {
    if (n == 1) {
      if (s.placeBalls) {
        std::vector<BallRec> placed = s.placeBalls(s.width, s.height);
        if (placed.size() != form.Balls().size()) fail("ball count differs");
        form.Balls() = std::move(placed);
      }
      oracle.emplace(form);
    }
    if (n == stopAt) {
      int16_t cancel = 0;
      form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
    }
  };
  host.onPresent = [&](const Image& surface, std::span<const Rect> rects) {
    if (!problem.empty()) return;
    const Rect whole{0, 0, surface.Width(), surface.Height()};
    const bool isWhole = rects.size() == 1 && rects[0] == whole;
    if (inCycle < framesPerCycle) {
      oracle->Frame();
      ++result.frames;
      if (isWhole) {
        ++result.wholeFramePresents;
      } else {
        ++result.partialFrames;
        for (const Rect& r : rects) result.framePresentedArea += Area(r);
      }
      // The first frame of the run and of every ball phase after a melt
      // changes the whole picture.
      if (inCycle == 0 && !isWhole) fail("first frame of a ball phase not whole");
    } else {
      if (inCycle == framesPerCycle) oracle->StartMelt(host.seconds);
      oracle->MeltMoves(kMeltCopiesPerPresent);
      ++result.meltPresents;
    }
    if (++inCycle == framesPerCycle + meltPresents) inCycle = 0;
    result.mostRects = std::max(result.mostRects, rects.size());
    for (const Rect& r : rects) {
      if (IsEmpty(r) || Intersection(r, whole) != r) fail("rectangle empty or outside");
    }
    if (auto d = FirstDifference(surface, oracle->Surface()); !d.empty()) {
      fail("surface differs from the full-frame way, " + d);
    }
    if (auto d = FirstDifference(host.shown, surface); !d.empty()) {
      fail("window differs from the surface, " + d);
    }
  };
  form.Form_Load();
  EXPECT_EQ(problem, "") << s.name;
  EXPECT_EQ(result.frames, s.cycles * framesPerCycle + s.extraFrames) << s.name;
  EXPECT_EQ(result.meltPresents, s.cycles * meltPresents) << s.name;
  EXPECT_EQ(form.Balls(), oracle->Balls()) << s.name;
  return result;
}

constexpr int16_t kEdgeBalls = 2 * (12 * 3 * 2 + 4);

// Balls at and beyond every edge, with steps that carry them outwards,
// inwards and along: exactly at 0 and at the far edge (no turn), one pixel
// in, one pixel shown, just out of sight and far away.
std::vector<BallRec> BallsAtTheEdges(int width, int height) {
  std::vector<BallRec> balls;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  const float mid = 60.0f;
  for (int16_t pic : {2, 9}) {
    const float size = static_cast<float>(BallPictureSide(pic));
    const float places[] = {0.0f,     -1.0f,        1.0f,          -size + 1.0f,
                            -size,    -size - 2.5f, -5000.0f,      w - size,
                            w - size + 1.0f, w - 1.0f, w,          w + 5000.0f};
    for (float p : places) {
      for (float v : {-2.0f, 2.75f, -0.5f}) {
        balls.push_back(BallRec{p, mid, v, 0.25f, pic, static_cast<int16_t>(size)});
        balls.push_back(BallRec{mid, p * h / w, 0.25f, v, pic, static_cast<int16_t>(size)});
      }
    }
    // The four corners, each moving outwards.
    balls.push_back(BallRec{-1.0f, -1.0f, -2.0f, -2.0f, pic, static_cast<int16_t>(size)});
    balls.push_back(BallRec{w - size + 1, -1.0f, 2.0f, -2.0f, pic, static_cast<int16_t>(size)});
    balls.push_back(BallRec{-1.0f, h - size + 1, -2.0f, 2.0f, pic, static_cast<int16_t>(size)});
    balls.push_back(BallRec{w - size + 1, h - size + 1, 2.0f, 2.0f, pic, static_cast<int16_t>(size)});
  }
  return balls;
}

TEST(SaverPresent, EveryFrameAndMeltStepEqualsTheFullFrameWay) {
  const Scenario scenarios[] = {
      {"256x256, no ball", 256, 256, -1, 999, 2, 3},
      {"256x256, one ball", 256, 256, 0, 999, 2, 3},
      {"256x256, 61 balls", 256, 256, 60, 999, 2, 3},
      {"1024x768, no ball", 1024, 768, -1, 699, 2, 3},
      {"1024x768, one ball", 1024, 768, 0, 699, 2, 3},
      {"1024x768, 61 balls", 1024, 768, 60, 699, 2, 3},
      {"1920x1080, 61 balls", 1920, 1080, 60, 30, 1, 3},
      {"3840x2160, 61 balls", 3840, 2160, 60, 30, 1, 3},
      {"small screen, 1001 balls", 200, 150, 1000, 20, 1, 3},
      {"small screen, 32768 balls", 24, 16, 32767, 4, 1, 2},
      {"balls at every edge", 256, 256, kEdgeBalls - 1, 99, 1, 3, BallsAtTheEdges},
      {"balls at every edge, wide", 1000, 300, kEdgeBalls - 1, 99, 1, 3, BallsAtTheEdges},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    const RunResult r = RunAgainstOracle(s);
    // On a screen much larger than the balls, a frame that only moves them
    // presents a small part of it, in a few rectangles.
    if (s.width * s.height >= 1920 * 1080) {
      EXPECT_GT(r.partialFrames, 0);
      EXPECT_LT(r.framePresentedArea, r.partialFrames * 1920LL * 1080 / 2);
      EXPECT_LE(r.mostRects, 61u);
    }
  }
}

TEST(SaverPresent, AnyScreenSizeRunsAWholeCycleWithItsMelt) {
  // Smaller than a ball, smaller than a melt block, one pixel; and a screen
  // of several monitors wider than a 16-bit size, covered up to 32767.
  const struct {
    int width, height;
    int16_t scrW, scrH;
    bool run;  // through a cycle, or only set up
  } sizes[] = {{1, 1, 1, 1, true},         {10, 10, 10, 10, true},
               {100, 300, 100, 300, true}, {255, 255, 255, 255, true},
               {257, 90, 257, 90, true},   {40000, 300, 32767, 300, true},
               {300, 40000, 300, 32767, false}};
  for (const auto& size : sizes) {
    const std::string name =
        std::to_string(size.width) + "x" + std::to_string(size.height);
    SCOPED_TRACE(name);
    FakeSaverHost host(size.width, size.height);
    ModuleValues values;
    values.BallCount = 60;
    Quendelrix_S form(host, values);
    form.SetUpScene();
    EXPECT_EQ(form.ScrW(), size.scrW);
    EXPECT_EQ(form.ScrH(), size.scrH);
    EXPECT_EQ(form.Display().Width(), size.scrW);
    EXPECT_EQ(host.log.back(), "PlaceWindow 0 0 " + std::to_string(size.scrW) +
                                   " " + std::to_string(size.scrH));
    // The oracle works on the clamped surface: the run must be exact there.
    if (size.run) {
      RunAgainstOracle(Scenario{name.c_str(), size.width, size.height, 60, 3, 1, 2});
    }
  }
}

}  // namespace
}  // namespace qx
