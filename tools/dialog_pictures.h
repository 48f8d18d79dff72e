// The settings dialog's pictures: the photograph the lens glides over, the
// title bar, the button faces, the close box, the program's icon and the hand
// cursor. Deterministic: plain arithmetic and square roots only, so a build on
// any system makes the same pixels.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "common/image.h"
#include "tools/icon_file.h"

namespace qx::tools {

// 320 x 200: a summer landscape with striped fields of flowers running to
// the horizon under a blue sky with clouds.
Image MakeDialogPhoto();
// 500 x 22: dark blue with fine horizontal ridges, the same in every column.
Image MakeTitleBar();
// 21 x 20: grey metal bar, dark at its top and bottom edges and white across
// the middle; the pressed face has a yellow-green band along the bottom.
Image MakeButtonFace(bool pressed);
// The round bluish close box with a dark X on the title bar's ridges:
// 15 x 15, and 16 x 15 darker when pressed.
Image MakeCloseBox(bool pressed);
// 32 x 32, at most 256 colours: small shaded balls on black.
Image MakeAppIcon();
// 32 x 32 white pointing hand outlined in black, hot spot (12, 10) at the
// fingertip.
MonoCursor MakeHandCursor();

// Every file of the dialog's pictures: name in the resources folder and the
// bytes it holds.
std::vector<std::pair<std::string, std::string>> DialogResourceFiles();
// Writes them into `folder`; false when one could not be written.
bool WriteDialogResources(const std::filesystem::path& folder);

}  // namespace qx::tools
