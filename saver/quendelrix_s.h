// The full-screen saver form: a black, screen-filling surface on which shaded
// balls drift and bounce, their colours mixing by bitwise OR where they
// overlap; after every ball phase the picture on screen melts under
// thousands of small block shifts. Mouse or keyboard input ends it, after the
// system's password check where the system leaves that to the saver.
//
// The whole animation runs inside Form_Load and yields to the message queue
// at fixed points; the input handlers run inside those yields and talk to the
// animation only through ExitFlag. While the display is off the yields wait
// for messages instead, and nothing is drawn.
//
// A frame costs what moves: it clears only the squares the balls covered in
// the frame before, ORs the balls into their new squares and presents only
// those squares. Whatever changes the whole picture (the first frame, the
// first after a melt, after the display comes back on or after the screen
// changed size) clears and presents the whole surface. The pixels are
// exactly those of clearing and presenting the whole surface every time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/changed_area.h"
#include "common/form_input.h"
#include "common/image.h"
#include "common/numbers.h"
#include "common/raster.h"
#include "common/random.h"
#include "saver/ball_pictures.h"
#include "saver/saver_host.h"
#include "startup/module_values.h"

namespace qx {

// One moving ball.
struct BallRec {
  float X = 0;   // left edge on Display, pixels
  float Y = 0;   // top edge
  float VX = 0;  // step per frame, in [-2, 3), never 0
  float VY = 0;
  int16_t Pic = 0;   // which ball picture, 0 to 13
  int16_t Size = 0;  // side of the picture, 119 or 89
  friend bool operator==(const BallRec&, const BallRec&) = default;
};

// Why the form is being unloaded (the argument of Form_QueryUnload).
enum class UnloadMode : int16_t {
  kFormControlMenu = 0,  // a close request (WM_CLOSE)
  kFormCode = 1,         // the program unloads it
  kAppWindows = 2,       // the session ends
  kAppTaskManager = 3,
};

inline constexpr int kFrameSleepMs = 10;
inline constexpr int kMeltCopies = 6000;
inline constexpr int kMeltBlock = 256;
// The melt acts on what is on screen and is shown as it goes: the surface is
// presented after every so many block moves (and at the end).
inline constexpr int kMeltCopiesPerPresent = 50;

// One block move of the melt: the source corner (MeltX, MeltY) and the
// displacement (MeltDX, MeltDY), each -1, 0 or 1.
struct MeltMove {
  int16_t MeltX = 0, MeltY = 0, MeltDX = 0, MeltDY = 0;
  friend bool operator==(const MeltMove&, const MeltMove&) = default;
};

// The move made of four random numbers in [0, 1), in the order MeltX,
// MeltY, MeltDX, MeltDY. On a screen of at least 256 x 256 pixels the source
// block lies on it. On a smaller one the corner lies between (ScrW - 256,
// ScrH - 256) and (0, 0), so the block sticks out and the copy moves only
// the part of it on the screen. nullopt when a value does not fit 16 bits.
std::optional<MeltMove> MeltMoveFrom(float rx, float ry, float rdx, float rdy,
                                     int16_t scrW, int16_t scrH);

class Quendelrix_S {
 public:
  Quendelrix_S(SaverHost& host, ModuleValues& values);

  // The load handler: builds the scene, shows the window top-most and runs
  // the animation. Returns only when the animation has stopped.
  void Form_Load();

  // The scene set-up of Form_Load (everything before the window is shown):
  // window placement, the ten painted pictures and the ball table. A screen
  // wider or taller than 32767 pixels is covered up to 32767 in that
  // direction.
  void SetUpScene();

  // The host's screen has a new size (a monitor plugged in or out, a window
  // resized): before its next frame the form sets the scene up again for
  // the size the host now reports, and presents it whole.
  void ScreenChanged() { screenChanged_ = true; }

  // Paints ball picture `index` as concentric discs in the base colour,
  // brighter towards the centre. Pictures that do not exist are skipped.
  void DrawHalftoneBall(int32_t index, int16_t red, int16_t green,
                        int16_t blue);

  // One frame of the ball phase without the present: clear, move and bounce
  // every ball, OR its picture onto the surface. Clears the squares the
  // balls covered in the frame before, or the whole surface when the picture
  // changed as a whole since. Changed() then gives what to present.
  void DrawFrame();

  // The rectangles of the surface that the last frame changed: a present of
  // them shows the frame on a window that showed the frame before.
  std::span<const Rect> Changed() { return changed_.Rects(); }

  // The melt phase: reseed from the time of day, then 6000 block moves on
  // the surface the user sees, presented as they go (each present holds the
  // rectangles its moves changed).
  void Melt();

  // Input handlers; their arguments follow the forms' input contract
  // (common/form_input.h): x and y are pixels of Display.
  void Display_MouseDown(int button, int shift, float x, float y);
  void Display_MouseMove(int button, int shift, float x, float y);
  void Form_KeyDown(int keyCode, int shift);
  // Hands one event of the input contract to its handler: a press to
  // Display_MouseDown, a move to Display_MouseMove, a key to Form_KeyDown.
  // A release has no handler here.
  void Input(const FormInput& input);
  void Form_QueryUnload(int16_t& cancel, UnloadMode unloadMode);
  // The session ends: the saver leaves as after input, with the cursor and
  // the system's screen-saver state restored, but without a password check.
  void Form_EndSession();

  // State, for the window and for tests.
  Bool16 ExitFlag() const { return ExitFlag_; }
  const std::vector<BallRec>& Balls() const { return Balls_; }
  std::vector<BallRec>& Balls() { return Balls_; }
  int16_t BallMax() const { return BallMax_; }
  int16_t ScrW() const { return ScrW_; }
  int16_t ScrH() const { return ScrH_; }
  int32_t StepNo() const { return StepNo_; }
  // The drawing surface: the back buffer while a frame is composed, and the
  // picture on screen whenever the form yields or melts.
  const Image& Display() const { return Display_; }
  Image& Display() { return Display_; }
  const Image& PicBall(int index) const { return PicBall_[index]; }
  const std::array<int16_t, kBallPictureCount>& ColR() const { return ColR_; }
  const std::array<int16_t, kBallPictureCount>& ColG() const { return ColG_; }
  const std::array<int16_t, kBallPictureCount>& ColB() const { return ColB_; }
  bool StartSet() const { return StartSet_ != kFalse16; }

 private:
  void RunSaver();
  void RunCycle();
  // Dispatches pending messages; while the display is off, waits for
  // messages instead until it is back or ExitFlag is set. Returns false when
  // it ends with the display still off: nothing may be drawn.
  bool YieldToQueue();
  // Sets the scene up again when the host reported a new screen size.
  void TakeScreenChange();
  void EndSaver();
  void LeaveSaver();
  void Unload();

  SaverHost& host_;
  ModuleValues& values_;
  Random rnd_;

  Bool16 ExitFlag_ = kFalse16;
  // The one loop index of the form. 32 bits wide so that a loop up to the
  // largest ball count (32767) can step past its last index.
  int32_t BallIdx_ = 0;
  int16_t BallMax_ = 0;
  std::vector<BallRec> Balls_;
  int16_t ScrW_ = 0;
  int16_t ScrH_ = 0;
  int32_t StepNo_ = 0;
  int16_t MeltX_ = 0, MeltY_ = 0, MeltDX_ = 0, MeltDY_ = 0;

  std::array<std::string, kBallPictureCount> BallColor_;
  std::array<int16_t, kBallPictureCount> ColR_{};
  std::array<int16_t, kBallPictureCount> ColG_{};
  std::array<int16_t, kBallPictureCount> ColB_{};

  Image Display_;
  bool screenChanged_ = false;
  // The next frame clears the whole surface (the picture on it is not the
  // last frame's balls on black), and presents it whole.
  bool clearWhole_ = true;
  // The next present, of a frame or of the melt, holds the whole surface:
  // the window may not show what the surface held.
  bool presentWhole_ = true;
  // Where the last frame drew each ball: its picture's corner, the picture,
  // and its square clipped to the surface.
  struct Drawn {
    int x = 0, y = 0;
    int16_t pic = -1;  // none
    Rect square;
  };
  std::vector<Drawn> drawn_;
  // Per ball picture, each row's span of pixels that are not black: only
  // there does a ball change the surface.
  std::array<std::vector<RowSpan>, kBallPictureCount> spans_;
  ChangedArea changed_;
  std::array<Image, kBallPictureCount> PicBall_;

  // The pointer-movement handler's recorded position.
  float StartX_ = 0;
  float StartY_ = 0;
  Bool16 StartSet_ = kFalse16;
};

}  // namespace qx
