#include "saver/quendelrix_s.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/raster.h"

namespace qx {

namespace {

constexpr int kFirstPaintedPicture = 4;

// Base colours of the painted pictures 4 to 13: red, green and blue as three
// decimal digits each.
constexpr std::string_view kPaintedColors[kBallPictureCount - kFirstPaintedPicture] = {
    "000-000-088", "000-048-000", "076-000-000", "082-026-000", "080-000-070",
    "000-048-062", "068-042-004", "070-048-048", "080-030-030", "072-032-056"};

constexpr Pixel kOrange = Rgb(249, 166, 13);
constexpr Pixel kWhite = Rgb(255, 255, 255);

// The largest side of the surface: sizes are 16-bit.
constexpr float kLargestSide = 32767.0f;

// A number that cannot be represented where the animation needs it ends the
// animation (the load handler catches it and the window keeps its picture).
struct AnimationFault {};

template <typename Int>
Int Rounded(float value) {
  const auto r = RoundTo<Int>(value);
  if (!r) throw AnimationFault{};
  return *r;
}

// Three characters from 1-based position `pos`, read as a number, Int
// applied; nullopt when the text is no number or too large.
std::optional<int16_t> Channel(const std::string& text, size_t pos) {
  if (text.size() < pos) return std::nullopt;
  return FloorTo<int16_t>(LenientNumber(std::string_view(text).substr(pos - 1, 3)));
}

}  // namespace

Quendelrix_S::Quendelrix_S(SaverHost& host, ModuleValues& values)
    : host_(host), values_(values) {
  // The four pictures the form carries with it.
  PicBall_[0] = StoredBallPicture(kLargeBall, RedOf(kOrange), GreenOf(kOrange), BlueOf(kOrange));
  PicBall_[1] = StoredBallPicture(kSmallBall, RedOf(kOrange), GreenOf(kOrange), BlueOf(kOrange));
  PicBall_[2] = StoredBallPicture(kLargeBall, RedOf(kWhite), GreenOf(kWhite), BlueOf(kWhite));
  PicBall_[3] = StoredBallPicture(kSmallBall, RedOf(kWhite), GreenOf(kWhite), BlueOf(kWhite));
}

void Quendelrix_S::SetUpScene() {
  const ScreenMetrics screen = host_.Screen();

  // The window and the surface cover the screen exactly, up to the largest
  // 16-bit size: several monitors side by side can make a wider screen.
  if (auto w = ToInt16(std::min(screen.widthTwips / screen.twipsPerPixelX, kLargestSide))) {
    ScrW_ = *w;
  }
  if (auto h = ToInt16(std::min(screen.heightTwips / screen.twipsPerPixelY, kLargestSide))) {
    ScrH_ = *h;
  }
  Display_ = Image(ScrW_, ScrH_, 0);
  host_.PlaceWindow(0, 0, ScrW_, ScrH_);

  // BallMax + 1 balls; a negative count makes none.
  BallMax_ = values_.BallCount;
  Balls_.assign(static_cast<size_t>(std::max(0, BallMax_ + 1)), BallRec{});
  drawn_.assign(Balls_.size(), Drawn{});
  clearWhole_ = true;
  presentWhole_ = true;

  // The colour table.
  for (int i = kFirstPaintedPicture; i < kBallPictureCount; ++i) {
    BallColor_[i] = std::string(kPaintedColors[i - kFirstPaintedPicture]);
  }
  for (BallIdx_ = kFirstPaintedPicture; BallIdx_ < kBallPictureCount; ++BallIdx_) {
    const std::string& color = BallColor_[BallIdx_];
    if (auto c = Channel(color, 1)) ColR_[BallIdx_] = *c;
    if (auto c = Channel(color, 5)) ColG_[BallIdx_] = *c;
    if (auto c = Channel(color, 9)) ColB_[BallIdx_] = *c;
  }

  // The painted pictures, each on a black square of its side.
  for (BallIdx_ = kFirstPaintedPicture; BallIdx_ < kBallPictureCount; ++BallIdx_) {
    const int side = BallPictureSide(BallIdx_);
    Image& picture = PicBall_[BallIdx_];
    picture = Image(side, side, 0);
    FillRect(picture, Rect{0, 0, side, side}, 0);
    DrawHalftoneBall(BallIdx_, ColR_[BallIdx_], ColG_[BallIdx_], ColB_[BallIdx_]);
  }
  for (int i = 0; i < kBallPictureCount; ++i) spans_[i] = NonZeroSpans(PicBall_[i]);

  // Every ball's picture first, then per ball its size, steps and position,
  // in this order of random draws.
  const int32_t last = BallMax_;
  for (BallIdx_ = 0; BallIdx_ <= last; ++BallIdx_) {
    Balls_[BallIdx_].Pic = static_cast<int16_t>(std::floor(14.0f * rnd_.Next()));
  }
  const float scaleWidth = static_cast<float>(Display_.Width());
  const float scaleHeight = static_cast<float>(Display_.Height());
  for (BallIdx_ = 0; BallIdx_ <= last; ++BallIdx_) {
    BallRec& b = Balls_[BallIdx_];
    b.Size = static_cast<int16_t>(BallPictureSide(b.Pic));
    do {
      b.VX = 5.0f * rnd_.Next() - 2.0f;
    } while (b.VX == 0.0f);
    do {
      b.VY = 5.0f * rnd_.Next() - 2.0f;
    } while (b.VY == 0.0f);
    b.X = std::floor((scaleWidth - static_cast<float>(b.Size) + 1.0f) * rnd_.Next());
    b.Y = std::floor((scaleHeight - static_cast<float>(b.Size) + 1.0f) * rnd_.Next());
  }
}

void Quendelrix_S::Form_Load() {
  SetUpScene();
  ExitFlag_ = kFalse16;
  host_.ShowTopMost();
  try {
    RunSaver();
  } catch (const AnimationFault&) {
    // The animation stops; the window keeps its last picture and input
    // still ends the program.
  }
}

void Quendelrix_S::DrawHalftoneBall(int32_t index, int16_t red, int16_t green,
                                    int16_t blue) {
  if (index < 0 || index >= kBallPictureCount) return;
  qx::DrawHalftoneBall(PicBall_[index], red, green, blue);
  // Balls drawn with the picture before may reach beyond its new spans.
  spans_[index] = NonZeroSpans(PicBall_[index]);
  clearWhole_ = true;
}

void Quendelrix_S::RunSaver() {
  RunCycle();
  YieldToQueue();
  while (ExitFlag_ == kFalse16) {
    RunCycle();
    YieldToQueue();
  }
}

void Quendelrix_S::RunCycle() {
  // Ball phase: frames 0 to Interval, composed off-screen and presented in
  // one step each, so the screen never shows a half-drawn frame.
  const int32_t lastFrame = values_.Interval;
  for (StepNo_ = 0; StepNo_ <= lastFrame; ++StepNo_) {
    YieldToQueue();
    if (ExitFlag_ != kFalse16) return;
    TakeScreenChange();
    DrawFrame();
    host_.Present(Display_, Changed());
    host_.Sleep(kFrameSleepMs);
    // A close that ended a wait while the display is still off: the melt
    // would act on a picture no one sees.
    if (!YieldToQueue()) return;
  }
  TakeScreenChange();
  Melt();
}

bool Quendelrix_S::YieldToQueue() {
  host_.PumpMessages();
  bool off = host_.DisplayOff();
  while (off && ExitFlag_ == kFalse16) {
    // The input and close handlers run inside the wait as in any yield.
    host_.WaitForMessages();
    off = host_.DisplayOff();
    // The window may not show the surface any more once the display is
    // back: the next present holds all of it.
    presentWhole_ = true;
  }
  return !off;
}

void Quendelrix_S::TakeScreenChange() {
  if (!screenChanged_) return;
  screenChanged_ = false;
  SetUpScene();
}

void Quendelrix_S::DrawFrame() {
  const bool whole = clearWhole_ || presentWhole_ || drawn_.size() != Balls_.size();
  changed_.Reset(Display_.Width(), Display_.Height());
  // Until this frame is complete, a frame drawn after it starts afresh.
  clearWhole_ = true;
  if (whole) {
    Fill(Display_, 0);
    drawn_.assign(Balls_.size(), Drawn{});
    changed_.AddWhole();
  } else {
    // Outside what the last frame's balls covered the surface is black
    // already.
    for (const Drawn& d : drawn_) {
      if (d.pic >= 0) {
        FillSpans(Display_, d.x, d.y, spans_[d.pic], 0);
      } else {
        FillRect(Display_, d.square, 0);
      }
    }
  }
  const float scaleWidth = static_cast<float>(Display_.Width());
  const float scaleHeight = static_cast<float>(Display_.Height());
  const int32_t last = BallMax_;
  for (BallIdx_ = 0; BallIdx_ <= last; ++BallIdx_) {
    BallRec& b = Balls_[BallIdx_];
    b.X = b.X + b.VX;
    b.Y = b.Y + b.VY;
    // A ball past an edge only turns round; the next step brings it back.
    if (b.X < 0 || b.X > scaleWidth - static_cast<float>(b.Size)) b.VX = -b.VX;
    if (b.Y < 0 || b.Y > scaleHeight - static_cast<float>(b.Size)) b.VY = -b.VY;
    const int x = Rounded<int32_t>(b.X), y = Rounded<int32_t>(b.Y);
    Drawn& drawn = drawn_[BallIdx_];
    const Image& picture = PicBall_[b.Pic];
    Rect square;
    int16_t pic = -1;
    if (b.Size == picture.Width() && b.Size == picture.Height()) {
      // The picture fills the ball's square: its black corners change
      // nothing, so only the spans between them are ORed (and cleared in
      // the next frame).
      square = OrSpans(Display_, x, y, picture, spans_[b.Pic]);
      pic = b.Pic;
    } else {
      // A size that is not the picture's: the plain block, whose square the
      // next frame clears.
      square = OrBlock(Display_, x, y, b.Size, b.Size, picture, 0, 0);
    }
    // A ball moves less than its side per frame: the box around its old and
    // new square is hardly larger than the two together.
    changed_.Add(BoundingBox(drawn.square, square));
    drawn = Drawn{x, y, pic, square};
  }
  clearWhole_ = false;
  presentWhole_ = false;
}

std::optional<MeltMove> MeltMoveFrom(float rx, float ry, float rdx, float rdy,
                                     int16_t scrW, int16_t scrH) {
  const float spanX = static_cast<float>(scrW - kMeltBlock);
  const float spanY = static_cast<float>(scrH - kMeltBlock);
  const auto x = RoundTo<int16_t>(spanX * rx);
  const auto y = RoundTo<int16_t>(spanY * ry);
  const auto dx = RoundTo<int16_t>(2.0f * rdx - 1.0f);
  const auto dy = RoundTo<int16_t>(2.0f * rdy - 1.0f);
  if (!x || !y || !dx || !dy) return std::nullopt;
  return MeltMove{*x, *y, *dx, *dy};
}

void Quendelrix_S::Melt() {
  // No yield and no look at ExitFlag: the moves run back to back on the
  // picture that is on screen.
  rnd_.Reseed(host_.SecondsSinceMidnight());
  // The melted picture is not balls on black: the next frame starts afresh.
  clearWhole_ = true;
  changed_.Reset(Display_.Width(), Display_.Height());
  for (StepNo_ = 1; StepNo_ <= kMeltCopies; ++StepNo_) {
    const float rx = rnd_.Next();
    const float ry = rnd_.Next();
    const float rdx = rnd_.Next();
    const float rdy = rnd_.Next();
    const auto move = MeltMoveFrom(rx, ry, rdx, rdy, ScrW_, ScrH_);
    if (!move) throw AnimationFault{};
    MeltX_ = move->MeltX;
    MeltY_ = move->MeltY;
    MeltDX_ = move->MeltDX;
    MeltDY_ = move->MeltDY;
    changed_.Add(MoveBlock(Display_, MeltX_ + MeltDX_, MeltY_ + MeltDY_,
                           kMeltBlock, kMeltBlock, MeltX_, MeltY_));
    if (StepNo_ % kMeltCopiesPerPresent == 0) {
      if (presentWhole_) changed_.AddWhole();
      presentWhole_ = false;
      host_.Present(Display_, changed_.Rects());
      changed_.Reset(Display_.Width(), Display_.Height());
    }
  }
}

void Quendelrix_S::Display_MouseDown(int, int, float, float) { EndSaver(); }

void Quendelrix_S::Display_MouseMove(int, int, float x, float y) {
  if (values_.Args.IsTestRun()) return;  // the test run ignores the pointer
  if (StartSet_ == kFalse16) {
    StartX_ = x;
    StartY_ = y;
    StartSet_ = kTrue16;
    return;
  }
  // Only a move that changes both coordinates counts.
  if (x == StartX_ || y == StartY_) return;
  EndSaver();
  // Still here: the password was refused. The next move records anew.
  StartSet_ = kFalse16;
}

void Quendelrix_S::Form_KeyDown(int, int) { EndSaver(); }

void Quendelrix_S::Input(const FormInput& input) {
  switch (input.kind) {
    case FormInput::Kind::kMouseDown:
      Display_MouseDown(input.button, input.shift, input.x, input.y);
      break;
    case FormInput::Kind::kMouseMove:
      Display_MouseMove(input.button, input.shift, input.x, input.y);
      break;
    case FormInput::Kind::kKeyDown:
      Form_KeyDown(input.keyCode, input.shift);
      break;
    case FormInput::Kind::kMouseUp:
      break;
  }
}

void Quendelrix_S::Form_QueryUnload(int16_t&, UnloadMode) {
  ExitFlag_ = kTrue16;
}

void Quendelrix_S::EndSaver() {
  const bool saverMode = values_.Args.IsSaverMode();
  if (saverMode && IsNTPlatform(host_.System()) != kTrue16) {
    // The Windows 95 family leaves the password check to the saver.
    values_.CursorCount = host_.ShowCursor(true);
    if (host_.VerifyScreenSavePassword() == 0) {
      values_.CursorCount = host_.ShowCursor(false);
      return;  // refused: the saver runs on
    }
  }
  LeaveSaver();
}

void Quendelrix_S::Form_EndSession() {
  int16_t cancel = 0;
  Form_QueryUnload(cancel, UnloadMode::kAppWindows);
  LeaveSaver();
}

void Quendelrix_S::LeaveSaver() {
  ExitFlag_ = kTrue16;
  host_.PumpMessages();
  if (values_.Args.IsSaverMode()) {
    AllowSystemKeys(host_.System(), kTrue16);
    values_.CursorCount = host_.ShowCursor(true);
  }
  host_.System().SetSystemParameter(kSpiSetScreenSaveActive, 1, 0);
  Unload();
  host_.EndProgram();
}

void Quendelrix_S::Unload() {
  int16_t cancel = 0;
  Form_QueryUnload(cancel, UnloadMode::kFormCode);
  host_.DestroyWindow();
}

}  // namespace qx
