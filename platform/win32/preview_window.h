// The preview host: a borderless black window holding the still picture,
// placed as a child into the system's preview pane.
#pragma once

#include "startup/quendelrix_b.h"

namespace qx::win32 {

// Makes the host window, puts it into the pane at the pane's size and shows
// it, then runs until the host is closed or its pane is gone.
void RunPreview(const PreviewPlacement& placement, float twipsPerPixelX,
                float twipsPerPixelY);

}  // namespace qx::win32
