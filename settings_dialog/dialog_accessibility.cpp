#include "settings_dialog/dialog_accessibility.h"

namespace qx {

Rect ScreenPlace(const Rect& units, const DialogScale& scale, int originX, int originY) {
  const Rect d = scale.ToDevice(units);
  return Rect{d.left + originX, d.top + originY, d.right + originX, d.bottom + originY};
}

}  // namespace qx
