#include "platform/x11/shm_image.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

#include "platform/x11/x_error_trap.h"

namespace qx::x11 {

ShmImage::ShmImage(Display* display, Visual* visual, int depth, bool sharedMemory)
    : display_(display), visual_(visual), depth_(depth), tryShared_(sharedMemory) {}

ShmImage::~ShmImage() { Free(); }

bool ShmImage::Fit(Drawable drawable, int width, int height) {
  if (image_ != nullptr && image_->width == width && image_->height == height) return true;
  Free();
  if (width <= 0 || height <= 0) return false;
  const unsigned w = static_cast<unsigned>(width);
  const unsigned h = static_cast<unsigned>(height);
  if (tryShared_ && MakeShared(w, h)) return true;
  // A server that cannot reach our memory (remote, or refused) gets plain
  // XPutImage from now on.
  tryShared_ = false;
  return MakePlain(drawable, w, h);
}

bool ShmImage::MakeShared(unsigned width, unsigned height) {
  image_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr,
                           &segment_, width, height);
  if (image_ != nullptr && image_->bytes_per_line == static_cast<int>(width) * 4 &&
      image_->bits_per_pixel == 32) {
    segment_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * height,
                            IPC_CREAT | 0600);
    if (segment_.shmid >= 0) {
      void* address = shmat(segment_.shmid, nullptr, 0);
      if (address != reinterpret_cast<void*>(-1)) {
        segment_.shmaddr = image_->data = static_cast<char*>(address);
        segment_.readOnly = False;
        bool attached = false;
        {
          XErrorTrap trap(display_);
          attached = XShmAttach(display_, &segment_) != 0;
          XSync(display_, False);
          attached = attached && !trap.Trapped();
        }
        // No segment outlives the process, however it ends.
        shmctl(segment_.shmid, IPC_RMID, nullptr);
        if (attached) {
          shared_ = true;
          return true;
        }
        shmdt(address);
      } else {
        shmctl(segment_.shmid, IPC_RMID, nullptr);
      }
    }
  }
  if (image_ != nullptr) {
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
  }
  return false;
}

bool ShmImage::MakePlain(Drawable drawable, unsigned width, unsigned height) {
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  char* data = static_cast<char*>(std::calloc(bytes, 1));
  if (data == nullptr) return false;
  image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data, width,
                        height, 32, static_cast<int>(width) * 4);
  if (image_ == nullptr) {
    std::free(data);
    return false;
  }
  // The form's layout; Xlib reorders the bytes for a server that differs.
  image_->byte_order = LSBFirst;
  pixmap_ = XCreatePixmap(display_, drawable, width, height, static_cast<unsigned>(depth_));
  return true;
}

void ShmImage::Free() {
  if (image_ == nullptr) return;
  if (shared_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    image_->data = nullptr;
    shared_ = false;
  }
  XDestroyImage(image_);
  image_ = nullptr;
  if (pixmap_ != 0) XFreePixmap(display_, pixmap_);
  pixmap_ = 0;
}

PixelTarget ShmImage::Pixels() const {
  if (image_ == nullptr) return {};
  return PixelTarget{reinterpret_cast<uint8_t*>(image_->data), image_->width, image_->height,
                     image_->bytes_per_line};
}

void ShmImage::Show(Window window, GC gc, std::span<const Rect> rects) {
  if (image_ == nullptr || rects.empty()) return;
  Rect box = rects.front();
  for (const Rect& r : rects) {
    box = Rect{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
  }
  XSetClipMask(display_, gc, None);
  if (!shared_) {
    for (const Rect& r : rects) {
      XPutImage(display_, pixmap_, gc, image_, r.left, r.top, r.left, r.top,
                static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
    }
  }
  if (rects.size() > 1) {
    clip_.clear();
    for (const Rect& r : rects) {
      clip_.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                 static_cast<unsigned short>(r.right - r.left),
                                 static_cast<unsigned short>(r.bottom - r.top)});
    }
    XSetClipRectangles(display_, gc, 0, 0, clip_.data(), static_cast<int>(clip_.size()), Unsorted);
  }
  const unsigned w = static_cast<unsigned>(box.right - box.left);
  const unsigned h = static_cast<unsigned>(box.bottom - box.top);
  if (shared_) {
    XShmPutImage(display_, window, gc, image_, box.left, box.top, box.left, box.top, w, h, False);
  } else {
    XCopyArea(display_, pixmap_, window, gc, box.left, box.top, w, h, box.left, box.top);
  }
}

void ShmImage::Repaint(Window window, GC gc, const Rect& area) {
  if (image_ == nullptr) return;
  const Rect c{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, image_->width),
               std::min(area.bottom, image_->height)};
  if (c.left >= c.right || c.top >= c.bottom) return;
  // The server-side copy already holds the last frame.
  if (shared_) {
    Show(window, gc, {&c, 1});
  } else {
    XSetClipMask(display_, gc, None);
    XCopyArea(display_, pixmap_, window, gc, c.left, c.top, static_cast<unsigned>(c.right - c.left),
              static_cast<unsigned>(c.bottom - c.top), c.left, c.top);
  }
}

}  // namespace qx::x11
