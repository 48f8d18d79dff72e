// The image a window is drawn from. It lives in shared memory (MIT-SHM)
// while the X server can reach it; where the server cannot (a remote one,
// or one that refuses the segment), it is a plain client image whose
// rectangles are put into a pixmap on the server and copied to the window
// from there. Either way a frame reaches the window in one request, and the
// object frees the image, the segment and the pixmap when it goes.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <span>
#include <vector>

#include "common/image.h"
#include "platform/linux/frame_copy.h"

namespace qx::x11 {

using linux_program::PixelTarget;

class ShmImage {
 public:
  // `sharedMemory`: the server offers MIT-SHM and takes our byte order.
  ShmImage(Display* display, Visual* visual, int depth, bool sharedMemory);
  ~ShmImage();
  ShmImage(const ShmImage&) = delete;
  ShmImage& operator=(const ShmImage&) = delete;

  // An image of width x height for drawing into `drawable`, made anew when
  // the size differs; false when none could be made (nothing to draw then).
  // A segment the server cannot attach leaves shared memory for good.
  bool Fit(Drawable drawable, int width, int height);
  bool Shared() const { return shared_; }
  // The pixels, as the form's image lays them out.
  PixelTarget Pixels() const;

  // Shows the rectangles of the image on `window` in one request: one put
  // of the shared image, or one copy from the pixmap (plain XPutImage, which
  // Xlib may split, goes to the pixmap first), clipped to the rectangles.
  void Show(Window window, GC gc, std::span<const Rect> rects);
  // Paints one rectangle of the window again from what the server holds
  // (an exposure), clipped to the image.
  void Repaint(Window window, GC gc, const Rect& area);

 private:
  bool MakeShared(unsigned width, unsigned height);
  bool MakePlain(Drawable drawable, unsigned width, unsigned height);
  void Free();

  Display* display_;
  Visual* visual_;
  int depth_;
  bool tryShared_;
  XImage* image_ = nullptr;
  bool shared_ = false;
  XShmSegmentInfo segment_{};
  Pixmap pixmap_ = 0;  // the image on the server, without shared memory
  std::vector<XRectangle> clip_;
};

}  // namespace qx::x11
