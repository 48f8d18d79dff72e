// The input contract of the forms' mouse and key handlers: what their
// `button`, `shift`, `keyCode`, `x` and `y` arguments mean. Every host turns
// its native events into these values (the Windows window, the X11 program,
// and any later host), so a form sees the same input whatever system it
// runs on.
//
//  - button: for a press or a release, the one button that changed; for a
//    move, every button held (a sum of the bits below). A button the
//    contract has no bit for (a wheel, a side button) is 0.
//  - shift: the modifier keys held when the event happened, a sum of the
//    bits below.
//  - keyCode: the key's Windows virtual-key code (letters and digits are
//    their upper-case characters); 0 for a key that has none.
//  - x, y: for the saver form, pixels of its surface (Display) from its
//    top-left corner, the window's client pixels; the settings dialog takes
//    its own units instead (see DialogScale).
#pragma once

namespace qx {

// Mouse buttons.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

// Modifier keys.
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

// The virtual-key codes the program's hosts name.
inline constexpr int kKeyBack = 0x08;
inline constexpr int kKeyTab = 0x09;
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeyShift = 0x10;
inline constexpr int kKeyControl = 0x11;
inline constexpr int kKeyMenu = 0x12;  // Alt
inline constexpr int kKeyPause = 0x13;
inline constexpr int kKeyCapital = 0x14;  // Caps Lock
inline constexpr int kKeyEscape = 0x1B;
inline constexpr int kKeySpace = 0x20;
inline constexpr int kKeyPrior = 0x21;  // Page Up
inline constexpr int kKeyNext = 0x22;   // Page Down
inline constexpr int kKeyEnd = 0x23;
inline constexpr int kKeyHome = 0x24;
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyDown = 0x28;
inline constexpr int kKeyInsert = 0x2D;
inline constexpr int kKeyDelete = 0x2E;
inline constexpr int kKeyLeftWindows = 0x5B;
inline constexpr int kKeyRightWindows = 0x5C;
inline constexpr int kKeyApps = 0x5D;  // the menu key
inline constexpr int kKeyNumpad0 = 0x60;  // to 0x69 for 9
inline constexpr int kKeyMultiply = 0x6A;
inline constexpr int kKeyAdd = 0x6B;
inline constexpr int kKeySubtract = 0x6D;
inline constexpr int kKeyDecimal = 0x6E;
inline constexpr int kKeyDivide = 0x6F;
inline constexpr int kKeyF1 = 0x70;  // to 0x87 for F24
inline constexpr int kKeyNumLock = 0x90;
inline constexpr int kKeyScrollLock = 0x91;

// One input event in the contract's terms, as a host's conversion gives it.
struct FormInput {
  enum class Kind { kMouseDown, kMouseUp, kMouseMove, kKeyDown };
  Kind kind = Kind::kMouseMove;
  int button = 0;   // see above: the button that changed, or those held
  int shift = 0;
  float x = 0;      // mouse events
  float y = 0;
  int keyCode = 0;  // key events
  friend bool operator==(const FormInput&, const FormInput&) = default;
};

}  // namespace qx
