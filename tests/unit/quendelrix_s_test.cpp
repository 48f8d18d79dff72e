#include "saver/quendelrix_s.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "common/raster.h"
#include "fake_saver_host.h"
#include "saver/windowless_host.h"

namespace qx {
namespace {

using testing_support::FakeSaverHost;
using testing_support::ProgramEnded;

ModuleValues Values(int16_t ballCount, int16_t interval, std::wstring args) {
  ModuleValues v;
  v.BallCount = ballCount;
  v.Interval = interval;
  v.Args = CommandLine(std::move(args));
  return v;
}

// Runs the load handler until the program ends or the animation stops.
void Load(Quendelrix_S& form) {
  try {
    form.Form_Load();
  } catch (const ProgramEnded&) {
  }
}

// Stops the animation by a close request in yield number `n`.
std::function<void(int)> CloseAtYield(Quendelrix_S& form, int n) {
  return [&form, n](int yield) {
    if (yield != n) return;
    int16_t cancel = 0;
    form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
  };
}

// ---- Scene set-up -------------------------------------------------------

TEST(SaverScene, MakesBallCountPlusOneBalls) {
  const struct { int16_t count; size_t balls; } cases[] = {
      {60, 61}, {0, 1}, {-1, 0}, {-5, 0}, {150, 151}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "count " << c.count);
    FakeSaverHost host;
    ModuleValues values = Values(c.count, 300, L"/s");
    Quendelrix_S form(host, values);
    form.SetUpScene();
    EXPECT_EQ(form.Balls().size(), c.balls);
    EXPECT_EQ(form.BallMax(), c.count);
  }
}

TEST(SaverScene, CoversTheScreen) {
  FakeSaverHost host(1024, 768);
  ModuleValues values = Values(60, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  EXPECT_EQ(form.ScrW(), 1024);
  EXPECT_EQ(form.ScrH(), 768);
  EXPECT_EQ(form.Display().Width(), 1024);
  EXPECT_EQ(form.Display().Height(), 768);
  EXPECT_EQ(host.log, (std::vector<std::string>{"PlaceWindow 0 0 1024 768"}));
}

TEST(SaverScene, ParsesTheColourTable) {
  FakeSaverHost host;
  ModuleValues values = Values(0, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  const struct { int index; int16_t r, g, b; } cases[] = {
      {4, 0, 0, 88},   {5, 0, 48, 0},   {6, 76, 0, 0},    {7, 82, 26, 0},
      {8, 80, 0, 70},  {9, 0, 48, 62},  {10, 68, 42, 4},  {11, 70, 48, 48},
      {12, 80, 30, 30}, {13, 72, 32, 56}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "picture " << c.index);
    EXPECT_EQ(form.ColR()[c.index], c.r);
    EXPECT_EQ(form.ColG()[c.index], c.g);
    EXPECT_EQ(form.ColB()[c.index], c.b);
  }
}

TEST(SaverScene, PicturesHaveTheirSidesAndColours) {
  FakeSaverHost host;
  ModuleValues values = Values(0, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  const int sides[kBallPictureCount] = {119, 89, 119, 89, 119, 119, 119,
                                        119, 119, 89, 89, 89, 89, 89};
  for (int i = 0; i < kBallPictureCount; ++i) {
    const Image& p = form.PicBall(i);
    EXPECT_EQ(p.Width(), sides[i]) << i;
    EXPECT_EQ(p.Height(), sides[i]) << i;
    EXPECT_EQ(p.At(0, 0), 0u) << "corner of " << i;
  }
  EXPECT_EQ(form.PicBall(0).At(59, 59), Rgb(249, 166, 13));
  EXPECT_EQ(form.PicBall(1).At(0, 44), Rgb(6, 4, 0));
  EXPECT_EQ(form.PicBall(2).At(0, 59), Rgb(4, 4, 4));
  EXPECT_EQ(form.PicBall(4).At(0, 59), Rgb(0, 0, 88));
  EXPECT_EQ(form.PicBall(7).At(0, 59), Rgb(82, 26, 0));
  EXPECT_EQ(form.PicBall(12).At(0, 44), Rgb(80, 30, 30));
}

TEST(SaverScene, BallsStartInsideTheScreenWithNonZeroSteps) {
  FakeSaverHost host(1024, 768);
  ModuleValues values = Values(2000, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  std::set<int> pictures;
  for (const BallRec& b : form.Balls()) {
    ASSERT_GE(b.Pic, 0);
    ASSERT_LE(b.Pic, 13);
    pictures.insert(b.Pic);
    ASSERT_EQ(b.Size, BallPictureSide(b.Pic));
    ASSERT_NE(b.VX, 0.0f);
    ASSERT_NE(b.VY, 0.0f);
    ASSERT_GE(b.VX, -2.0f);
    ASSERT_LT(b.VX, 3.0f);
    ASSERT_GE(b.VY, -2.0f);
    ASSERT_LT(b.VY, 3.0f);
    ASSERT_EQ(b.X, std::floor(b.X));
    ASSERT_EQ(b.Y, std::floor(b.Y));
    ASSERT_GE(b.X, 0.0f);
    ASSERT_LE(b.X, 1024.0f - b.Size);  // 905 or 935
    ASSERT_GE(b.Y, 0.0f);
    ASSERT_LE(b.Y, 768.0f - b.Size);
  }
  EXPECT_EQ(pictures.size(), 14u);  // every picture turns up
}

TEST(SaverScene, IsTheSameAtEveryStart) {
  std::vector<BallRec> first;
  for (int start = 0; start < 2; ++start) {
    FakeSaverHost host(1280, 1024);
    ModuleValues values = Values(60, 300, L"/s");
    Quendelrix_S form(host, values);
    form.SetUpScene();
    if (start == 0) {
      first = form.Balls();
    } else {
      EXPECT_EQ(form.Balls(), first);
    }
  }
}

// ---- Frames, bounce and mixing -------------------------------------------

// A form with one ball that shows picture `pic`, at the given place and step.
struct OneBall {
  FakeSaverHost host{400, 300};
  ModuleValues values = Values(0, 300, L"/s");
  Quendelrix_S form{host, values};
  explicit OneBall(BallRec ball) {
    form.SetUpScene();
    form.Balls()[0] = ball;
  }
  // The surface holds exactly the ball's picture with its square's corner
  // at (x, y), on black.
  bool DrawnAt(int x, int y) const {
    const Image& d = form.Display();
    const Image& pic = form.PicBall(form.Balls()[0].Pic);
    Image expect(d.Width(), d.Height(), 0);
    OrBlock(expect, x, y, pic.Width(), pic.Height(), pic, 0, 0);
    return expect == d;
  }
};

TEST(SaverFrame, BallsMoveBounceAndAreDrawnAtTheRoundedPosition) {
  const struct {
    float x, vx;
    float wantX, wantVX;
    int drawnX;
  } cases[] = {
      {3.5f, -2.0f, 1.5f, -2.0f, 2},   // moves, drawn at 2
      {1.5f, -2.0f, -0.5f, 2.0f, 0},   // passes the edge, turns, drawn at 0
      {12.5f, -2.0f, 10.5f, -2.0f, 10},  // halves go to the even neighbour
      {13.5f, -2.0f, 11.5f, -2.0f, 12},
      {2.0f, -2.0f, 0.0f, -2.0f, 0},   // exactly at the edge: no bounce
      {279.0f, 2.0f, 281.0f, 2.0f, 281},  // exactly at 400 - 119
      {280.0f, 2.0f, 282.0f, -2.0f, 282},  // past it: turns
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "x " << c.x << ", step " << c.vx);
    OneBall scene(BallRec{c.x, 50.0f, c.vx, 0.5f, 2, 119});
    scene.form.DrawFrame();
    const BallRec& b = scene.form.Balls()[0];
    EXPECT_EQ(b.X, c.wantX);
    EXPECT_EQ(b.VX, c.wantVX);
    EXPECT_TRUE(scene.DrawnAt(c.drawnX, 50));
  }
}

TEST(SaverFrame, ABallPastTheEdgeComesBackTheNextFrame) {
  OneBall scene(BallRec{1.5f, 50.0f, -2.0f, 0.5f, 2, 119});
  scene.form.DrawFrame();
  EXPECT_EQ(scene.form.Balls()[0].X, -0.5f);
  scene.form.DrawFrame();
  EXPECT_EQ(scene.form.Balls()[0].X, 1.5f);
  EXPECT_EQ(scene.form.Balls()[0].VX, 2.0f);
  // Vertically the same rule: the top edge.
  OneBall top(BallRec{50.0f, 1.0f, 0.5f, -3.0f, 9, 89});
  top.form.DrawFrame();
  EXPECT_EQ(top.form.Balls()[0].Y, -2.0f);
  EXPECT_EQ(top.form.Balls()[0].VY, 3.0f);
}

TEST(SaverFrame, OverlappingBallsMixByOr) {
  FakeSaverHost host(400, 300);
  ModuleValues values = Values(1, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  // Picture 4 (rim 0, 0, 88) over picture 6 (rim 76, 0, 0), rims touching.
  form.Balls()[0] = BallRec{100.0f, 100.0f, 0.0f, 0.0f, 4, 119};
  form.Balls()[1] = BallRec{100.0f, 100.0f, 0.0f, 0.0f, 6, 119};
  form.DrawFrame();
  EXPECT_EQ(form.Display().At(100, 159), Rgb(76, 0, 88));
  // (82, 26, 0) over (0, 48, 0).
  form.Balls()[0] = BallRec{10.0f, 10.0f, 0.0f, 0.0f, 7, 119};
  form.Balls()[1] = BallRec{10.0f, 10.0f, 0.0f, 0.0f, 5, 119};
  form.DrawFrame();
  EXPECT_EQ(form.Display().At(10, 69), Rgb(82, 58, 0));
  EXPECT_EQ(form.Display().At(300, 200), 0u);  // cleared background
}

TEST(SaverFrame, WithoutBallsEveryFrameIsBlack) {
  FakeSaverHost host(300, 200);
  ModuleValues values = Values(-1, 300, L"/s");
  Quendelrix_S form(host, values);
  form.SetUpScene();
  Fill(form.Display(), Rgb(9, 9, 9));
  form.DrawFrame();
  EXPECT_EQ(form.Display(), Image(300, 200, 0));
}

TEST(SaverFrame, TheLargestBallCountKeepsEveryBallMoving) {
  // 32768 balls: the ball index passes 32767 at the end of every loop.
  FakeSaverHost host(8, 8);  // tiny screen: the copies are clipped, fast
  ModuleValues values = Values(32767, 2, L"/s");
  Quendelrix_S form(host, values);
  host.onYield = CloseAtYield(form, 7);
  // The starting scene, from a twin: every start makes the same one.
  FakeSaverHost twinHost(8, 8);
  Quendelrix_S twin(twinHost, values);
  twin.SetUpScene();
  const std::vector<BallRec> start = twin.Balls();
  ASSERT_EQ(start.size(), 32768u);
  form.Form_Load();
  // A whole cycle of three frames and the melt ran. Every ball lies past
  // the tiny screen's edges and turns at each frame, so after an odd number
  // of frames each one stands one step from where it started.
  EXPECT_EQ(host.Count("Sleep 10"), 3);
  EXPECT_EQ(host.Count("SecondsSinceMidnight"), 1);
  const std::vector<BallRec>& now = form.Balls();
  for (size_t i = 0; i < now.size(); ++i) {
    ASSERT_NEAR(now[i].X, start[i].X + start[i].VX, 1e-3) << i;
  }
}

// ---- The animation loop ---------------------------------------------------

TEST(SaverLoop, OneFrameIsYieldDrawPresentSleepYield) {
  FakeSaverHost host(300, 300);
  ModuleValues values = Values(3, 2, L"/s");
  Quendelrix_S form(host, values);
  // Yields 1 to 6 are the three frames; 7 is the one after the first cycle.
  host.onYield = CloseAtYield(form, 7);
  form.Form_Load();
  std::vector<std::string> want = {"PlaceWindow 0 0 300 300", "ShowTopMost"};
  for (int frame = 0; frame < 3; ++frame) {
    for (const char* call : {"Yield", "Present", "Sleep 10", "Yield"}) {
      want.push_back(call);
    }
  }
  want.push_back("SecondsSinceMidnight");
  for (int i = 0; i < kMeltCopies / kMeltCopiesPerPresent; ++i) {
    want.push_back("Present");
  }
  want.push_back("Yield");
  EXPECT_EQ(host.log, want);
}

// A close request in yield number `closeAt` stops the animation where the
// loop next looks at the flag: the frames per cycle follow the interval, a
// close at a frame's start skips the melt, one in the last frame's closing
// yield waits for it, and without frames the flag is seen only between
// cycles.
TEST(SaverLoop, ACloseStopsTheAnimationWhereTheLoopLooksAtTheFlag) {
  constexpr int kMeltPresents = kMeltCopies / kMeltCopiesPerPresent;
  const struct {
    const char* name;
    int16_t interval;
    int closeAt;
    int frames;  // each sleeps once
    int melts;   // each reads the time of day once
    int yields;
  } cases[] = {
      {"interval 300: 301 frames, then the melt", 300, 603, 301, 1, 603},
      {"interval 0: one frame", 0, 3, 1, 1, 3},
      {"interval 5: six frames", 5, 13, 6, 1, 13},
      {"interval -1: the melt alone", -1, 1, 0, 1, 1},
      {"interval -300: the melt alone", -300, 1, 0, 1, 1},
      {"a negative interval looks at the flag only between cycles", -1, 3, 0, 3, 3},
      {"a close at the start of frame 2 skips the melt", 10, 5, 2, 0, 6},
      {"a close in the last frame's closing yield waits for the melt", 1, 4, 2, 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSaverHost host(300, 300);
    host.fingerprint = false;
    ModuleValues values = Values(2, c.interval, L"/s");
    Quendelrix_S form(host, values);
    host.onYield = CloseAtYield(form, c.closeAt);
    form.Form_Load();
    EXPECT_EQ(host.Count("Sleep 10"), c.frames);
    EXPECT_EQ(host.Count("SecondsSinceMidnight"), c.melts);
    EXPECT_EQ(host.yields, c.yields);
    EXPECT_EQ(host.Count("Present"), c.frames + c.melts * kMeltPresents);
    EXPECT_EQ(host.log.back(), "Yield");
  }
}

TEST(SaverLoop, TheMeltIsShownAsItProceeds) {
  FakeSaverHost host(640, 480);
  ModuleValues values = Values(60, 0, L"/s");
  Quendelrix_S form(host, values);
  host.onYield = CloseAtYield(form, 3);
  form.Form_Load();
  // One frame, then the melt's presents: each shows a different picture.
  ASSERT_EQ(host.presented.size(), 1u + kMeltCopies / kMeltCopiesPerPresent);
  std::set<uint64_t> distinct(host.presented.begin(), host.presented.end());
  EXPECT_EQ(distinct.size(), host.presented.size());
}

TEST(SaverLoop, TheMeltDependsOnTheTimeOfDay) {
  std::vector<uint64_t> last;
  for (float seconds : {100.0f, 100.0f, 200.25f}) {
    FakeSaverHost host(640, 480);
    host.seconds = seconds;
    ModuleValues values = Values(60, 0, L"/s");
    Quendelrix_S form(host, values);
    host.onYield = CloseAtYield(form, 3);
    form.Form_Load();
    last.push_back(host.presented.back());
  }
  EXPECT_EQ(last[0], last[1]);
  EXPECT_NE(last[0], last[2]);
}

TEST(MeltMove, SourceStaysOnScreenAndShiftsByAtMostOnePixel) {
  const float top = 1.0f - 1.0f / 16777216.0f;  // the largest random number
  const struct {
    float rx, ry, rdx, rdy;
    MeltMove want;
  } cases[] = {
      {0.0f, 0.0f, 0.0f, 0.0f, {0, 0, -1, -1}},
      {top, top, top, top, {768, 512, 1, 1}},
      {0.5f, 0.5f, 0.25f, 0.75f, {384, 256, 0, 0}},  // -0.5 and 0.5 to even
      {0.5f, 0.5f, 0.2499999f, 0.7500001f, {384, 256, -1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rx << " " << c.ry << " " << c.rdx << " " << c.rdy);
    EXPECT_EQ(MeltMoveFrom(c.rx, c.ry, c.rdx, c.rdy, 1024, 768), c.want);
  }
  // Over many draws: the source block on the screen, the destination at
  // most one pixel beyond it on any side.
  Random rnd;
  for (int i = 0; i < 200000; ++i) {
    const float a = rnd.Next(), b = rnd.Next(), c = rnd.Next(), d = rnd.Next();
    const auto m = MeltMoveFrom(a, b, c, d, 1920, 1080);
    ASSERT_TRUE(m);
    ASSERT_GE(m->MeltX, 0);
    ASSERT_LE(m->MeltX + kMeltBlock, 1920);
    ASSERT_GE(m->MeltY, 0);
    ASSERT_LE(m->MeltY + kMeltBlock, 1080);
    ASSERT_TRUE(m->MeltDX >= -1 && m->MeltDX <= 1);
    ASSERT_TRUE(m->MeltDY >= -1 && m->MeltDY <= 1);
  }
}

// ---- Input and exit -------------------------------------------------------

struct ExitCase {
  const wchar_t* args;
  uint32_t platform;
  int32_t password;
};

// Runs one handler and returns the calls it made.
template <typename Handler>
std::vector<std::string> CallsOf(FakeSaverHost& host, Handler handler) {
  host.log.clear();
  try {
    handler();
  } catch (const ProgramEnded&) {
  }
  return host.log;
}

TEST(SaverExit, EndSaverCallsInOrderForEachKindOfRun) {
  const struct {
    const char* name;
    ExitCase run;
    std::vector<std::string> want;
    bool ends;
  } cases[] = {
      {"test run", {L"", 2, 0},
       {"Yield", "SystemParameter 17 1 0", "DestroyWindow", "EndProgram"}, true},
      {"saver on NT", {L"/s", 2, 0},
       {"QueryVersion", "Yield", "SystemParameter 97 0 0", "ShowCursor true",
        "SystemParameter 17 1 0", "DestroyWindow", "EndProgram"}, true},
      {"saver on the 95 family, passed", {L"/S", 1, 1},
       {"QueryVersion", "ShowCursor true", "VerifyScreenSavePassword", "Yield",
        "SystemParameter 97 0 0", "ShowCursor true", "SystemParameter 17 1 0",
        "DestroyWindow", "EndProgram"}, true},
      {"saver on the 95 family, refused", {L"-s", 1, 0},
       {"QueryVersion", "ShowCursor true", "VerifyScreenSavePassword",
        "ShowCursor false"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int handler = 0; handler < 2; ++handler) {
      SCOPED_TRACE(handler == 0 ? "a click" : "a key");
      FakeSaverHost host;
      host.system.platformId = c.run.platform;
      host.passwordAnswer = c.run.password;
      ModuleValues values = Values(5, 300, c.run.args);
      values.CursorCount = -1;
      Quendelrix_S form(host, values);
      const auto calls = CallsOf(host, [&] {
        if (handler == 0) {
          form.Display_MouseDown(1, 0, 10.0f, 10.0f);
        } else {
          form.Form_KeyDown(0x10, 1);  // a modifier key alone counts
        }
      });
      EXPECT_EQ(calls, c.want);
      EXPECT_EQ(form.ExitFlag(), c.ends ? kTrue16 : kFalse16);
      EXPECT_EQ(values.CursorCount, host.cursorCounter);
    }
  }
}

// The session's end leaves inside the animation as input does, but never
// asks for the password, even where the system leaves that to the saver
// and the check would refuse.
TEST(SaverExit, TheSessionsEndLeavesWithoutAPasswordCheck) {
  const struct {
    const char* name;
    ExitCase run;
    std::vector<std::string> want;
  } cases[] = {
      {"test run", {L"", 2, 0},
       {"Yield", "SystemParameter 17 1 0", "DestroyWindow", "EndProgram"}},
      {"saver on NT", {L"/s", 2, 0},
       {"Yield", "SystemParameter 97 0 0", "ShowCursor true",
        "SystemParameter 17 1 0", "DestroyWindow", "EndProgram"}},
      {"saver on the 95 family, a refusing check", {L"/s", 1, 0},
       {"Yield", "SystemParameter 97 0 0", "ShowCursor true",
        "SystemParameter 17 1 0", "DestroyWindow", "EndProgram"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSaverHost host(300, 300);
    host.system.platformId = c.run.platform;
    host.passwordAnswer = c.run.password;
    ModuleValues values = Values(3, 10, c.run.args);
    values.CursorCount = -1;
    Quendelrix_S form(host, values);
    size_t mark = 0;
    host.onYield = [&](int n) {
      if (n != 5) return;
      mark = host.log.size();
      form.Form_EndSession();
    };
    try {
      form.Form_Load();
      ADD_FAILURE();
    } catch (const ProgramEnded&) {
    }
    const std::vector<std::string> calls(host.log.begin() + static_cast<long>(mark),
                                         host.log.end());
    EXPECT_EQ(calls, c.want);
    EXPECT_EQ(form.ExitFlag(), kTrue16);
    EXPECT_EQ(values.CursorCount, host.cursorCounter);
  }
}

TEST(SaverExit, MovementEndsOnlyWhenBothCoordinatesChange) {
  const struct {
    float x, y;
    bool ends;
  } moves[] = {{150, 200, false}, {100, 260, false}, {100, 200, false},
               {101, 201, true}, {100.5f, 199.75f, true}, {0, 0, true}};
  for (const auto& m : moves) {
    SCOPED_TRACE(testing::Message() << m.x << "," << m.y);
    FakeSaverHost host;
    ModuleValues values = Values(5, 300, L"/s");
    Quendelrix_S form(host, values);
    // The first move only records the position, however far it is.
    EXPECT_TRUE(CallsOf(host, [&] { form.Display_MouseMove(0, 0, 100, 200); }).empty());
    EXPECT_TRUE(form.StartSet());
    const auto calls = CallsOf(host, [&] { form.Display_MouseMove(0, 0, m.x, m.y); });
    EXPECT_EQ(!calls.empty() && calls.back() == "EndProgram", m.ends);
  }
}

TEST(SaverExit, TheRecordedPositionIsNotUpdatedByMovesThatDoNotCount) {
  FakeSaverHost host;
  ModuleValues values = Values(5, 300, L"/s");
  Quendelrix_S form(host, values);
  form.Display_MouseMove(0, 0, 100, 200);
  form.Display_MouseMove(0, 0, 300, 200);  // horizontal only
  form.Display_MouseMove(0, 0, 100, 400);  // vertical only
  EXPECT_TRUE(host.log.empty());
  // Both differ from (100, 200), though each equals one of the last moves'.
  const auto calls = CallsOf(host, [&] { form.Display_MouseMove(0, 0, 300, 400); });
  EXPECT_EQ(calls.back(), "EndProgram");
}

TEST(SaverExit, TheTestRunIgnoresThePointer) {
  FakeSaverHost host;
  ModuleValues values = Values(5, 300, L"");
  Quendelrix_S form(host, values);
  for (float p : {0.0f, 100.0f, 250.5f, 999.0f}) form.Display_MouseMove(0, 0, p, p + 1);
  EXPECT_TRUE(host.log.empty());
  EXPECT_FALSE(form.StartSet());
  EXPECT_EQ(form.ExitFlag(), kFalse16);
}

TEST(SaverExit, ARefusedPasswordLetsTheSaverRunOnAndRecordAnew) {
  FakeSaverHost host(300, 300);
  host.system.platformId = 1;
  host.passwordAnswer = 0;
  ModuleValues values = Values(3, 1, L"/s");
  values.CursorCount = -1;
  Quendelrix_S form(host, values);
  // Inside the animation: record, move away (refused), move again (only
  // records), then close after a few more yields.
  host.onYield = [&](int n) {
    if (n == 1) form.Display_MouseMove(0, 0, 10, 10);
    if (n == 2) form.Display_MouseMove(0, 0, 20, 20);
    if (n == 3) {
      EXPECT_FALSE(form.StartSet());
      form.Display_MouseMove(0, 0, 30, 30);
      EXPECT_TRUE(form.StartSet());
    }
    if (n == 9) {  // the second cycle's last closing yield
      int16_t cancel = 0;
      form.Form_QueryUnload(cancel, UnloadMode::kAppWindows);
      EXPECT_EQ(cancel, 0);
    }
  };
  form.Form_Load();
  EXPECT_EQ(host.Count("VerifyScreenSavePassword"), 1);
  EXPECT_EQ(host.Count("ShowCursor true"), 1);
  EXPECT_EQ(host.Count("ShowCursor false"), 1);
  EXPECT_EQ(values.CursorCount, -1);
  EXPECT_EQ(host.Count("EndProgram"), 0);
  // The animation went on: the second cycle's frames and melt ran.
  EXPECT_EQ(host.Count("SecondsSinceMidnight"), 2);
}

TEST(SaverExit, InputDuringTheAnimationEndsTheProgramAtOnce) {
  FakeSaverHost host(300, 300);
  ModuleValues values = Values(3, 10, L"/s");
  Quendelrix_S form(host, values);
  host.onYield = [&](int n) {
    if (n == 4) form.Display_MouseDown(2, 0, 5, 5);
  };
  Load(form);
  EXPECT_EQ(host.log.back(), "EndProgram");
  EXPECT_EQ(host.Count("Sleep 10"), 2);  // nothing of the loop ran after it
}

TEST(SaverExit, AnInputInsideEndSaversYieldEndsItAgain) {
  FakeSaverHost host;
  ModuleValues values = Values(3, 10, L"/s");
  Quendelrix_S form(host, values);
  host.onYield = [&](int n) {
    if (n == 1) form.Form_KeyDown(65, 0);
  };
  CallsOf(host, [&] { form.Display_MouseDown(1, 0, 0, 0); });
  EXPECT_EQ(host.Count("EndProgram"), 1);  // the inner call ended the program
  EXPECT_EQ(host.Count("Yield"), 2);
}

// A host hands every event over as the input contract's; each kind reaches
// its handler, and a release, which has none, changes nothing.
TEST(SaverExit, EachKindOfInputReachesItsHandler) {
  using Kind = FormInput::Kind;
  auto event = [](Kind kind, float x, float y) {
    FormInput input;
    input.kind = kind;
    input.x = x;
    input.y = y;
    input.button = kind == Kind::kMouseMove ? 0 : kRightButton;
    input.keyCode = kind == Kind::kKeyDown ? kKeyEscape : 0;
    return input;
  };
  const struct {
    const char* name;
    std::vector<FormInput> events;
    bool ends;
    bool recorded;  // a position for the movement rule
  } cases[] = {
      {"a press", {event(Kind::kMouseDown, 1, 1)}, true, false},
      {"a key", {event(Kind::kKeyDown, 0, 0)}, true, false},
      {"a release", {event(Kind::kMouseUp, 1, 1)}, false, false},
      {"one move only records", {event(Kind::kMouseMove, 1, 1)}, false, true},
      {"a second move on both axes",
       {event(Kind::kMouseMove, 1, 1), event(Kind::kMouseMove, 2, 2)}, true, true},
      {"a second move on one axis",
       {event(Kind::kMouseMove, 1, 1), event(Kind::kMouseMove, 2, 1)}, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSaverHost host;
    ModuleValues values = Values(3, 10, L"/s");
    Quendelrix_S form(host, values);
    const auto calls = CallsOf(host, [&] {
      for (const FormInput& input : c.events) form.Input(input);
    });
    EXPECT_EQ(!calls.empty() && calls.back() == "EndProgram", c.ends);
    EXPECT_EQ(form.StartSet(), c.recorded);
  }
}

TEST(SaverExit, QueryUnloadSetsTheFlagAndNeverCancels) {
  for (auto mode : {UnloadMode::kFormControlMenu, UnloadMode::kFormCode,
                    UnloadMode::kAppWindows, UnloadMode::kAppTaskManager}) {
    FakeSaverHost host;
    ModuleValues values = Values(3, 10, L"/s");
    Quendelrix_S form(host, values);
    int16_t cancel = 0;
    form.Form_QueryUnload(cancel, mode);
    EXPECT_EQ(cancel, 0);
    EXPECT_EQ(form.ExitFlag(), kTrue16);
    EXPECT_TRUE(host.log.empty());
  }
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

using testing_support::FakeSaverHost;
using testing_support::ProgramEnded;

ModuleValues SaverValues(int16_t ballCount, int16_t interval) {
  ModuleValues v;
  v.BallCount = ballCount;
  v.Interval = interval;
  v.Args = CommandLine(L"/s");
  return v;
}

bool IsWhole(const std::vector<Rect>& rects, const Image& surface) {
  return rects == std::vector<Rect>{Rect{0, 0, surface.Width(), surface.Height()}};
}

// ---- One monitor, any size -------------------------------------------------

TEST(SaverScreen, OneMonitorGivesTheRecordedPictures) {
  // Fingerprints of the surface recorded from the saver as it drew every
  // frame whole: the first frame, the last of the first ball phase, the
  // melt (seeded with 0) and the first frame after it.
  const struct {
    int width, height;
    uint64_t first, last, melted, next;
  } screens[] = {
      {1024, 768, 0xb659d20f6721d693ULL, 0xba476e35f7a877a6ULL,
       0x687817ebcac1748cULL, 0xd1809edd9d3aead0ULL},
      {1920, 1080, 0x15fe1b349d89510dULL, 0x5e322172357b34a8ULL,
       0x15a8f4e8cf752343ULL, 0x2061b449c0fae174ULL},
  };
  for (const auto& s : screens) {
    SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
    WindowlessSaverHost host(s.width, s.height);
    ModuleValues values = SaverValues(60, 300);
    Quendelrix_S form(host, values);
    form.SetUpScene();
    form.DrawFrame();
    EXPECT_EQ(FakeSaverHost::Fingerprint(form.Display()), s.first);
    for (int frame = 1; frame <= 300; ++frame) form.DrawFrame();
    EXPECT_EQ(FakeSaverHost::Fingerprint(form.Display()), s.last);
    form.Melt();
    EXPECT_EQ(FakeSaverHost::Fingerprint(form.Display()), s.melted);
    // The window saw every present: it shows the melted picture.
    EXPECT_EQ(host.Window(), form.Display());
    form.DrawFrame();
    EXPECT_EQ(FakeSaverHost::Fingerprint(form.Display()), s.next);
  }
}

TEST(SaverScreen, ANewScreenSizeSetsTheSceneUpAgainBeforeTheNextFrame) {
  FakeSaverHost host(640, 480);
  ModuleValues values = SaverValues(60, 10);
  Quendelrix_S form(host, values);
  // The same scene built by a twin, then set up again for the new size: the
  // ball phase draws no random numbers, so before the first melt the form's
  // generator stands where the twin's does.
  FakeSaverHost twinHost(640, 480);
  Quendelrix_S twin(twinHost, values);
  twin.SetUpScene();
  twinHost.screen = FakeSaverHost(800, 300).screen;
  twin.SetUpScene();
  size_t presentsBefore = 0;
  size_t checked = 0;
  host.onYield = [&](int n) {
    if (n == 5) {  // the start of frame 2
      presentsBefore = host.presentedRects.size();
      host.screen = FakeSaverHost(800, 300).screen;
      form.ScreenChanged();
      EXPECT_EQ(form.Display().Width(), 640);  // nothing happens inside the yield
    }
    if (n == 11) {  // the start of frame 5
      int16_t cancel = 0;
      form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
    }
  };
  host.onPresent = [&](const Image& surface, std::span<const Rect>) {
    if (presentsBefore == 0) return;
    twin.DrawFrame();
    EXPECT_EQ(surface, twin.Display()) << "present " << host.presentedRects.size();
    EXPECT_EQ(host.shown, surface);  // the new window shows all of it
    ++checked;
  };
  form.Form_Load();
  EXPECT_EQ(checked, 3u);
  EXPECT_EQ(form.ScrW(), 800);
  EXPECT_EQ(form.ScrH(), 300);
  EXPECT_EQ(form.Balls().size(), 61u);
  EXPECT_EQ(form.Balls(), twin.Balls());
  EXPECT_EQ(host.Count("PlaceWindow 0 0 800 300"), 1);
  EXPECT_TRUE(IsWhole(host.presentedRects[presentsBefore], form.Display()));

  // With no ball phase, the melt that follows the change works on the new
  // surface and presents it whole first.
  FakeSaverHost meltHost(640, 480);
  ModuleValues meltValues = SaverValues(60, -1);
  Quendelrix_S melting(meltHost, meltValues);
  meltHost.onYield = [&](int n) {
    if (n == 1) {
      meltHost.screen = FakeSaverHost(300, 260).screen;
      melting.ScreenChanged();
    }
    if (n == 2) {
      int16_t cancel = 0;
      melting.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
    }
  };
  melting.Form_Load();
  const size_t perMelt = kMeltCopies / kMeltCopiesPerPresent;
  ASSERT_EQ(meltHost.presentedRects.size(), 2 * perMelt);
  EXPECT_EQ(meltHost.shown.Width(), 300);
  EXPECT_TRUE(IsWhole(meltHost.presentedRects[perMelt], melting.Display()));
  EXPECT_EQ(meltHost.shown, melting.Display());
}

// ---- The display switched off ------------------------------------------------

TEST(SaverDisplayOff, NothingIsDrawnWhileOffAndTheCycleGoesOnWhereItStopped) {
  FakeSaverHost host(400, 300);
  ModuleValues values = SaverValues(3, 5);
  Quendelrix_S form(host, values);
  std::vector<BallRec> ballsWhenOff;
  size_t presentsWhenOff = 0, logWhenOff = 0;
  host.onYield = [&](int n) {
    if (n == 4) {  // the closing yield of frame 1
      host.displayOff = true;
      ballsWhenOff = form.Balls();
      presentsWhenOff = host.presentedRects.size();
      logWhenOff = host.log.size();
    }
    if (n == 16) {  // between the cycles (the waits yielded three times)
      int16_t cancel = 0;
      form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
    }
  };
  host.onWait = [&](int n) {
    // Nothing moved, nothing was composed or presented while waiting.
    EXPECT_EQ(form.Balls(), ballsWhenOff);
    EXPECT_EQ(host.presentedRects.size(), presentsWhenOff);
    if (n == 3) {
      host.displayOff = false;
      // The window lost its picture while the display slept.
      Fill(host.shown, FakeSaverHost::kUnpainted);
    }
  };
  form.Form_Load();
  EXPECT_EQ(host.waits, 3);
  // The wait replaced the yields: a wait for messages each, no sleep.
  const std::vector<std::string> during(host.log.begin() + logWhenOff,
                                        host.log.begin() + logWhenOff + 6);
  EXPECT_EQ(during, (std::vector<std::string>{"Wait", "Yield", "Wait", "Yield",
                                              "Wait", "Yield"}));
  // Frames 2 to 5 followed, the first of them whole; then the melt.
  EXPECT_EQ(host.Count("Sleep 10"), 6);
  EXPECT_EQ(host.Count("SecondsSinceMidnight"), 1);
  EXPECT_TRUE(IsWhole(host.presentedRects[presentsWhenOff], form.Display()));
  EXPECT_FALSE(IsWhole(host.presentedRects[presentsWhenOff + 1], form.Display()));
  EXPECT_EQ(host.shown, form.Display());
}

TEST(SaverDisplayOff, InputAndCloseRulesHoldWhileWaiting) {
  const struct {
    const char* name;
    uint32_t platform;
    int32_t password;
    int action;  // 0 close request, 1 mouse click, 2 key
    bool programEnds, loadReturns;
  } cases[] = {
      {"close request", 2, 1, 0, false, true},
      {"click on NT", 2, 1, 1, true, false},
      {"key, password passed", 1, 1, 2, true, false},
      {"key, password refused", 1, 0, 2, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSaverHost host(300, 300);
    host.system.platformId = c.platform;
    host.passwordAnswer = c.password;
    ModuleValues values = SaverValues(2, 1);
    values.CursorCount = -1;
    Quendelrix_S form(host, values);
    size_t presentsWhenOff = 0;
    host.onYield = [&](int n) {
      if (n == 4) {  // the closing yield of the last frame, before the melt
        host.displayOff = true;
        presentsWhenOff = host.presentedRects.size();
      }
      if (n == 9) {  // after the melt that follows a refusal
        int16_t cancel = 0;
        form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
      }
    };
    host.onWait = [&](int n) {
      if (n == 2) {
        int16_t cancel = 0;
        if (c.action == 0) form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
        if (c.action == 1) form.Display_MouseDown(1, 0, 5, 5);
        if (c.action == 2) form.Form_KeyDown(65, 0);
      }
      // A refused password leaves the saver waiting until the display is
      // back.
      if (n == 4) host.displayOff = false;
    };
    bool ended = false;
    try {
      form.Form_Load();
    } catch (const ProgramEnded&) {
      ended = true;
    }
    EXPECT_EQ(ended, c.programEnds);
    EXPECT_EQ(host.log.back(), c.programEnds ? "EndProgram" : "Yield");
    if (c.password == 0) {
      // Waited on after the refusal until the display was back, then the
      // melt and the next cycle's frames ran.
      EXPECT_EQ(host.waits, 4);
      EXPECT_EQ(host.Count("SecondsSinceMidnight"), 1);
      EXPECT_TRUE(IsWhole(host.presentedRects[presentsWhenOff], form.Display()));
    } else {
      // The wait ended with the request; no melt on a dark display.
      EXPECT_EQ(host.waits, 2);
      EXPECT_EQ(host.Count("SecondsSinceMidnight"), 0);
      EXPECT_EQ(host.presentedRects.size(), presentsWhenOff);
    }
  }
}

TEST(SaverDisplayOff, BetweenMeltsTheNextMeltWaitsAndPresentsWhole) {
  // A screen large enough that a batch of the melt does not cover it.
  FakeSaverHost host(2560, 1600);
  host.fingerprint = false;
  ModuleValues values = SaverValues(5, -1);  // every cycle is only a melt
  Quendelrix_S form(host, values);
  const size_t perMelt = kMeltCopies / kMeltCopiesPerPresent;
  host.onYield = [&](int n) {
    if (n == 1) host.displayOff = true;  // after the first melt
    if (n == 4) {  // after the second (the waits yielded twice)
      int16_t cancel = 0;
      form.Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
    }
  };
  host.onWait = [&](int n) {
    EXPECT_EQ(host.presentedRects.size(), perMelt);
    if (n == 2) host.displayOff = false;
  };
  form.Form_Load();
  EXPECT_EQ(host.waits, 2);
  EXPECT_EQ(host.Count("SecondsSinceMidnight"), 2);
  ASSERT_EQ(host.presentedRects.size(), 2 * perMelt);
  EXPECT_TRUE(IsWhole(host.presentedRects[perMelt], form.Display()));
  EXPECT_FALSE(IsWhole(host.presentedRects[perMelt + 1], form.Display()));
}

}  // namespace
}  // namespace qx
