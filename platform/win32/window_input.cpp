#include "platform/win32/window_input.h"

#include <windowsx.h>

namespace qx::win32 {

namespace {

FormInput Mouse(FormInput::Kind kind, int button, int shift, LPARAM l) {
  FormInput input;
  input.kind = kind;
  input.button = button;
  input.shift = shift;
  input.x = static_cast<float>(GET_X_LPARAM(l));
  input.y = static_cast<float>(GET_Y_LPARAM(l));
  return input;
}

}  // namespace

int HeldButtons(WPARAM w) {
  return ((w & MK_LBUTTON) ? kLeftButton : 0) | ((w & MK_RBUTTON) ? kRightButton : 0) |
         ((w & MK_MBUTTON) ? kMiddleButton : 0);
}

int ShiftState() {
  return ((GetKeyState(VK_SHIFT) < 0) ? kShiftKey : 0) |
         ((GetKeyState(VK_CONTROL) < 0) ? kCtrlKey : 0) |
         ((GetKeyState(VK_MENU) < 0) ? kAltKey : 0);
}

std::optional<FormInput> FormInputFromMessage(UINT msg, WPARAM w, LPARAM l, int shift) {
  using Kind = FormInput::Kind;
  switch (msg) {
    case WM_MOUSEMOVE: return Mouse(Kind::kMouseMove, HeldButtons(w), shift, l);
    case WM_LBUTTONDOWN: return Mouse(Kind::kMouseDown, kLeftButton, shift, l);
    case WM_RBUTTONDOWN: return Mouse(Kind::kMouseDown, kRightButton, shift, l);
    case WM_MBUTTONDOWN: return Mouse(Kind::kMouseDown, kMiddleButton, shift, l);
    case WM_LBUTTONUP: return Mouse(Kind::kMouseUp, kLeftButton, shift, l);
    case WM_RBUTTONUP: return Mouse(Kind::kMouseUp, kRightButton, shift, l);
    case WM_MBUTTONUP: return Mouse(Kind::kMouseUp, kMiddleButton, shift, l);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      FormInput input;
      input.kind = Kind::kKeyDown;
      input.keyCode = static_cast<int>(w);
      input.shift = shift;
      return input;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace qx::win32
