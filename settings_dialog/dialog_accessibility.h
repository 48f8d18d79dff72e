// The settings dialog as assistive technology sees it. The dialog draws its
// own controls, so the system knows nothing of them; the form describes each
// one as data (role, name, value, state, place) and the window answers a
// screen reader's questions from that description alone.
//
// The description's children are numbered from 1 in reading order; 0 is the
// dialog itself (the "self" of the system's accessibility interfaces).
#pragma once

#include <string>

#include "common/image.h"
#include "settings_dialog/dialog_scale.h"

namespace qx {

enum class DialogControl;

inline constexpr int kAccessibleSelf = 0;

enum class AccessibleRole { kSlider, kPushButton, kLink, kStaticText, kGraphic };

struct AccessibleItem {
  DialogControl control{};
  AccessibleRole role = AccessibleRole::kStaticText;
  std::wstring name;
  std::wstring value;          // empty: the control has no value
  std::wstring defaultAction;  // empty: the control has no default action
  std::wstring shortcut;       // the key that acts as the control
  bool focusable = false;
  bool focused = false;
  bool pressed = false;
  bool isDefault = false;  // the button Enter presses
  bool linked = false;
  bool readOnly = false;
  Rect place;  // dialog units, client area
  friend bool operator==(const AccessibleItem&, const AccessibleItem&) = default;
};

// Where a screen reader can move from a child (or, for the first and last
// child, from the dialog itself).
enum class AccessibleDirection {
  kFirstChild, kLastChild, kNext, kPrevious, kUp, kDown, kLeft, kRight,
};

// A place of the dialog in screen pixels: `units` at the window's scale,
// with the client area's top-left corner at (originX, originY) on the screen.
Rect ScreenPlace(const Rect& units, const DialogScale& scale, int originX, int originY);

}  // namespace qx
