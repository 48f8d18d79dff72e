// The X11 program's input in the forms' input contract: the same buttons,
// modifier bits, virtual-key codes and pixel coordinates the Windows window
// passes for the same input.
// GoogleTest first: Xlib's macros (None, Bool, ...) would rename its code.
#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "form_input_cases.h"
#include "platform/x11/x11_input.h"

namespace qx::x11 {
namespace {

XEvent Button(int type, unsigned int button, unsigned int state, int x, int y) {
  XEvent e{};
  e.type = type;
  e.xbutton.button = button;
  e.xbutton.state = state;
  e.xbutton.x = x;
  e.xbutton.y = y;
  return e;
}

XEvent Motion(unsigned int state, int x, int y) {
  XEvent e{};
  e.type = MotionNotify;
  e.xmotion.state = state;
  e.xmotion.x = x;
  e.xmotion.y = y;
  return e;
}

XEvent Key(unsigned int state) {
  XEvent e{};
  e.type = KeyPress;
  e.xkey.state = state;
  e.xkey.keycode = 38;  // what the server calls it: never passed on
  return e;
}

TEST(X11Input, EventsBecomeTheFormsContract) {
  using Kind = FormInput::Kind;
  const struct {
    const char* name;
    XEvent event;
    KeySym keysym;
    FormInput want;
  } cases[] = {
      {"left press, in pixels", Button(ButtonPress, Button1, 0, 100, 200), NoSymbol,
       MouseInput(Kind::kMouseDown, kLeftButton, 0, 100, 200)},
      {"X's button 2 is the middle one", Button(ButtonPress, Button2, 0, 0, 0), NoSymbol,
       MouseInput(Kind::kMouseDown, kMiddleButton, 0, 0, 0)},
      {"X's button 3 is the right one", Button(ButtonPress, Button3, ShiftMask, 5, 6), NoSymbol,
       MouseInput(Kind::kMouseDown, kRightButton, kShiftKey, 5, 6)},
      {"the wheel has no bit", Button(ButtonPress, Button4, 0, 7, 8), NoSymbol,
       MouseInput(Kind::kMouseDown, 0, 0, 7, 8)},
      {"a side button has none either", Button(ButtonPress, 8, 0, 7, 8), NoSymbol,
       MouseInput(Kind::kMouseDown, 0, 0, 7, 8)},
      {"right release with Ctrl and Alt",
       Button(ButtonRelease, Button3, Button3Mask | ControlMask | Mod1Mask, 1023, 767), NoSymbol,
       MouseInput(Kind::kMouseUp, kRightButton, kCtrlKey | kAltKey, 1023, 767)},
      {"a move carries the held buttons",
       Motion(Button1Mask | Button2Mask | Button3Mask | ShiftMask, 640, 480), NoSymbol,
       MouseInput(Kind::kMouseMove, kLeftButton | kMiddleButton | kRightButton, kShiftKey, 640,
                  480)},
      {"a move outside the window keeps its sign", Motion(Button1Mask, -3, -1), NoSymbol,
       MouseInput(Kind::kMouseMove, kLeftButton, 0, -3, -1)},
      {"Caps Lock and Num Lock are no modifiers", Motion(LockMask | Mod2Mask, 1, 1), NoSymbol,
       MouseInput(Kind::kMouseMove, 0, 0, 1, 1)},
      {"a letter is its capital", Key(0), XK_a, KeyInput('A', 0)},
      {"with Shift too", Key(ShiftMask), XK_a, KeyInput('A', kShiftKey)},
      {"a digit", Key(0), XK_7, KeyInput('7', 0)},
      {"Enter", Key(0), XK_Return, KeyInput(kKeyReturn, 0)},
      {"the keypad's Enter", Key(0), XK_KP_Enter, KeyInput(kKeyReturn, 0)},
      {"Esc", Key(ControlMask), XK_Escape, KeyInput(kKeyEscape, kCtrlKey)},
      {"space", Key(0), XK_space, KeyInput(kKeySpace, 0)},
      {"Tab, and Shift+Tab", Key(ShiftMask), XK_ISO_Left_Tab, KeyInput(kKeyTab, kShiftKey)},
      {"F1", Key(0), XK_F1, KeyInput(kKeyF1, 0)},
      {"F12", Key(0), XK_F12, KeyInput(kKeyF1 + 11, 0)},
      {"an arrow", Key(0), XK_Left, KeyInput(kKeyLeft, 0)},
      {"the keypad's arrow", Key(0), XK_KP_Down, KeyInput(kKeyDown, 0)},
      {"a keypad digit", Key(0), XK_KP_5, KeyInput(kKeyNumpad0 + 5, 0)},
      {"Shift alone counts", Key(0), XK_Shift_L, KeyInput(kKeyShift, 0)},
      {"right Ctrl alone", Key(0), XK_Control_R, KeyInput(kKeyControl, 0)},
      {"Alt alone", Key(0), XK_Alt_L, KeyInput(kKeyMenu, 0)},
      {"the left Windows key", Key(0), XK_Super_L, KeyInput(kKeyLeftWindows, 0)},
      {"Delete", Key(0), XK_Delete, KeyInput(kKeyDelete, 0)},
      {"a key with no code still arrives", Key(0), XK_Kanji, KeyInput(0, 0)},
      {"no symbol at all", Key(Mod1Mask), NoSymbol, KeyInput(0, kAltKey)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = FormInputFromXEvent(c.event, c.keysym);
    EXPECT_EQ(got, c.want);
  }
}

TEST(X11Input, OtherEventsAreNoInput) {
  for (int type : {KeyRelease, Expose, ConfigureNotify, DestroyNotify, ClientMessage}) {
    SCOPED_TRACE(type);
    XEvent e{};
    e.type = type;
    EXPECT_FALSE(FormInputFromXEvent(e, XK_a).has_value());
  }
}

}  // namespace
}  // namespace qx::x11
