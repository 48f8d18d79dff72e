#include "platform/x11/x11_input.h"

#include <X11/keysym.h>

namespace qx::x11 {

namespace {

int ButtonBit(unsigned int button) {
  switch (button) {
    case Button1: return kLeftButton;
    case Button2: return kMiddleButton;
    case Button3: return kRightButton;
    default: return 0;
  }
}

int HeldButtons(unsigned int state) {
  return ((state & Button1Mask) ? kLeftButton : 0) |
         ((state & Button2Mask) ? kMiddleButton : 0) |
         ((state & Button3Mask) ? kRightButton : 0);
}

int ShiftBits(unsigned int state) {
  return ((state & ShiftMask) ? kShiftKey : 0) |
         ((state & ControlMask) ? kCtrlKey : 0) | ((state & Mod1Mask) ? kAltKey : 0);
}

FormInput Mouse(FormInput::Kind kind, int button, unsigned int state, int x, int y) {
  FormInput input;
  input.kind = kind;
  input.button = button;
  input.shift = ShiftBits(state);
  input.x = static_cast<float>(x);
  input.y = static_cast<float>(y);
  return input;
}

}  // namespace

int VirtualKeyFromKeySym(KeySym keysym) {
  if (keysym >= XK_a && keysym <= XK_z) return 'A' + static_cast<int>(keysym - XK_a);
  if (keysym >= XK_A && keysym <= XK_Z) return 'A' + static_cast<int>(keysym - XK_A);
  if (keysym >= XK_0 && keysym <= XK_9) return '0' + static_cast<int>(keysym - XK_0);
  if (keysym >= XK_F1 && keysym <= XK_F24) return kKeyF1 + static_cast<int>(keysym - XK_F1);
  if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
    return kKeyNumpad0 + static_cast<int>(keysym - XK_KP_0);
  }
  switch (keysym) {
    case XK_BackSpace: return kKeyBack;
    case XK_Tab:
    case XK_ISO_Left_Tab: return kKeyTab;
    case XK_Return:
    case XK_KP_Enter: return kKeyReturn;
    case XK_Shift_L:
    case XK_Shift_R: return kKeyShift;
    case XK_Control_L:
    case XK_Control_R: return kKeyControl;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift: return kKeyMenu;
    case XK_Pause: return kKeyPause;
    case XK_Caps_Lock: return kKeyCapital;
    case XK_Escape: return kKeyEscape;
    case XK_space: return kKeySpace;
    case XK_Prior:
    case XK_KP_Prior: return kKeyPrior;
    case XK_Next:
    case XK_KP_Next: return kKeyNext;
    case XK_End:
    case XK_KP_End: return kKeyEnd;
    case XK_Home:
    case XK_KP_Home: return kKeyHome;
    case XK_Left:
    case XK_KP_Left: return kKeyLeft;
    case XK_Up:
    case XK_KP_Up: return kKeyUp;
    case XK_Right:
    case XK_KP_Right: return kKeyRight;
    case XK_Down:
    case XK_KP_Down: return kKeyDown;
    case XK_Insert:
    case XK_KP_Insert: return kKeyInsert;
    case XK_Delete:
    case XK_KP_Delete: return kKeyDelete;
    case XK_Super_L: return kKeyLeftWindows;
    case XK_Super_R: return kKeyRightWindows;
    case XK_Menu: return kKeyApps;
    case XK_KP_Multiply: return kKeyMultiply;
    case XK_KP_Add: return kKeyAdd;
    case XK_KP_Subtract: return kKeySubtract;
    case XK_KP_Decimal: return kKeyDecimal;
    case XK_KP_Divide: return kKeyDivide;
    case XK_Num_Lock: return kKeyNumLock;
    case XK_Scroll_Lock: return kKeyScrollLock;
    default: return 0;
  }
}

std::optional<FormInput> FormInputFromXEvent(const XEvent& event, KeySym keysym) {
  switch (event.type) {
    case KeyPress: {
      FormInput input;
      input.kind = FormInput::Kind::kKeyDown;
      input.keyCode = VirtualKeyFromKeySym(keysym);
      input.shift = ShiftBits(event.xkey.state);
      return input;
    }
    case ButtonPress:
      return Mouse(FormInput::Kind::kMouseDown, ButtonBit(event.xbutton.button),
                   event.xbutton.state, event.xbutton.x, event.xbutton.y);
    case ButtonRelease:
      return Mouse(FormInput::Kind::kMouseUp, ButtonBit(event.xbutton.button),
                   event.xbutton.state, event.xbutton.x, event.xbutton.y);
    case MotionNotify:
      return Mouse(FormInput::Kind::kMouseMove, HeldButtons(event.xmotion.state),
                   event.xmotion.state, event.xmotion.x, event.xmotion.y);
    default:
      return std::nullopt;
  }
}

}  // namespace qx::x11
