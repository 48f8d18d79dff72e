// The still picture the preview pane shows: the saver's balls on black,
// composed at a screen's size and scaled down to the pane's 152 x 112.
#pragma once

#include "common/image.h"

namespace qx::tools {

inline constexpr int kPreviewWidth = 152;
inline constexpr int kPreviewHeight = 112;

Image MakePreviewPicture();

}  // namespace qx::tools
