#include "platform/x11/x11_host.h"

#include <X11/Xatom.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <cstring>

namespace qx::x11 {

namespace {

// What the X error handler found; Xlib calls it with no context of ours.
XID g_target = 0;
bool g_targetGone = false;
bool g_trapping = false;
bool g_trapped = false;

extern "C" int OnXError(Display* display, XErrorEvent* error) {
  if (g_trapping) {
    g_trapped = true;
    return 0;
  }
  if ((error->error_code == BadWindow || error->error_code == BadDrawable) &&
      error->resourceid == g_target) {
    g_targetGone = true;
    return 0;
  }
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "quendelrix: X error: %s (request %d)\n", text, error->request_code);
  return 0;
}

// The one pixel layout the form's images have.
bool UsableVisual(Display* display, const Visual* visual, int depth) {
  if (visual == nullptr || visual->c_class != TrueColor) return false;
  if (visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
    return false;
  }
  if (depth != 24 && depth != 32) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  bool found = false;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) found = formats[i].bits_per_pixel == 32;
  }
  if (formats != nullptr) XFree(formats);
  return found;
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

X11SaverHost::X11SaverHost(Display* display, const SignalWatch& signals)
    : display_(display), signals_(signals) {
  XSetErrorHandler(OnXError);
}

X11SaverHost::~X11SaverHost() { Release(); }

int X11SaverHost::Open(const Options& options, std::string& error) {
  const int screen = DefaultScreen(display_);
  if (options.target == Target::kOwnWindow) {
    visual_ = DefaultVisual(display_, screen);
    depth_ = DefaultDepth(display_, screen);
    if (!UsableVisual(display_, visual_, depth_)) {
      error = "the screen's visual is not 24/32-bit TrueColor with 8 bits per colour";
      return 1;
    }
    const Window root = RootWindow(display_, screen);
    width_ = std::min(kOwnWindowWidth, DisplayWidth(display_, screen));
    height_ = std::min(kOwnWindowHeight, DisplayHeight(display_, screen));
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask =
        KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask;
    window_ = XCreateWindow(display_, root, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, depth_, InputOutput, visual_,
                            CWBackPixel | CWEventMask, &attributes);
    ownWindow_ = true;
    const char* title = "Quendelrix(Main)";
    XStoreName(display_, window_, title);
    XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
    XClassHint hint{const_cast<char*>("quendelrix"), const_cast<char*>("Quendelrix")};
    XSetClassHint(display_, window_, &hint);
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
  } else {
    window_ = options.target == Target::kRoot ? RootWindow(display_, screen) : options.windowId;
    g_target = window_;
    XWindowAttributes attributes{};
    g_trapping = true;
    g_trapped = false;
    const Status ok = XGetWindowAttributes(display_, window_, &attributes);
    XSync(display_, False);
    g_trapping = false;
    if (ok == 0 || g_trapped) {
      char text[64];
      std::snprintf(text, sizeof text, "no window 0x%lx", static_cast<unsigned long>(window_));
      error = text;
      return 1;
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    width_ = attributes.width;
    height_ = attributes.height;
    if (!UsableVisual(display_, visual_, depth_)) {
      error = "the window's visual is not 24/32-bit TrueColor with 8 bits per colour";
      return 1;
    }
    // Size changes and the window's end; input belongs to whoever made it.
    XSelectInput(display_, window_, attributes.your_event_mask | StructureNotifyMask | ExposureMask);
  }
  g_target = window_;
  XGCValues values{};
  values.graphics_exposures = False;
  gc_ = XCreateGC(display_, window_, GCGraphicsExposures, &values);
  // Asked first: Xlib prints a warning when a server without MIT-SHM is
  // asked for its version.
  int opcode = 0, firstEvent = 0, firstError = 0;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  shmUsable_ = XQueryExtension(display_, "MIT-SHM", &opcode, &firstEvent, &firstError) &&
               XShmQueryVersion(display_, &major, &minor, &pixmaps) &&
               ImageByteOrder(display_) == LSBFirst;
  XSync(display_, False);
  return 0;
}

ScreenMetrics X11SaverHost::Screen() {
  return ScreenMetrics{static_cast<float>(width_) * 15.0f, static_cast<float>(height_) * 15.0f,
                       15.0f, 15.0f};
}

// The form covers the window it is given; it never moves or sizes a window.
void X11SaverHost::PlaceWindow(int, int, int, int) {}

void X11SaverHost::ShowTopMost() {
  if (!ownWindow_) return;
  XMapRaised(display_, window_);
  XFlush(display_);
}

void X11SaverHost::MakeImage(int width, int height) {
  FreeImage();
  if (width <= 0 || height <= 0) return;
  const unsigned w = static_cast<unsigned>(width);
  const unsigned h = static_cast<unsigned>(height);
  if (shmUsable_) {
    image_ = XShmCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr,
                             &segment_, w, h);
    if (image_ != nullptr && image_->bytes_per_line == width * 4 && image_->bits_per_pixel == 32) {
      segment_.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image_->bytes_per_line) * h,
                              IPC_CREAT | 0600);
      if (segment_.shmid >= 0) {
        void* address = shmat(segment_.shmid, nullptr, 0);
        if (address != reinterpret_cast<void*>(-1)) {
          segment_.shmaddr = image_->data = static_cast<char*>(address);
          segment_.readOnly = False;
          g_trapping = true;
          g_trapped = false;
          const Bool attached = XShmAttach(display_, &segment_);
          XSync(display_, False);
          g_trapping = false;
          // No segment outlives the process, however it ends.
          shmctl(segment_.shmid, IPC_RMID, nullptr);
          if (attached && !g_trapped) {
            shm_ = true;
            return;
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
    // A server that cannot reach our memory (remote, or refused) gets plain
    // XPutImage from now on.
    shmUsable_ = false;
  }
  const size_t bytes = static_cast<size_t>(w) * h * 4;
  char* data = static_cast<char*>(std::calloc(bytes, 1));
  if (data == nullptr) return;
  image_ = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, data, w, h,
                        32, width * 4);
  if (image_ == nullptr) {
    std::free(data);
    return;
  }
  // The form's layout; Xlib reorders the bytes for a server that differs.
  image_->byte_order = LSBFirst;
  pixmap_ = XCreatePixmap(display_, window_, w, h, static_cast<unsigned>(depth_));
}

void X11SaverHost::FreeImage() {
  if (image_ == nullptr) return;
  if (shm_) {
    XShmDetach(display_, &segment_);
    XSync(display_, False);
    shmdt(segment_.shmaddr);
    image_->data = nullptr;
    shm_ = false;
  }
  XDestroyImage(image_);
  image_ = nullptr;
  if (pixmap_ != 0) XFreePixmap(display_, pixmap_);
  pixmap_ = 0;
}

void X11SaverHost::PutRects(std::span<const Rect> rects) {
  if (rects.empty()) return;
  Rect box = rects.front();
  for (const Rect& r : rects) {
    box = Rect{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
               std::max(box.bottom, r.bottom)};
  }
  XSetClipMask(display_, gc_, None);
  if (!shm_) {
    for (const Rect& r : rects) {
      XPutImage(display_, pixmap_, gc_, image_, r.left, r.top, r.left, r.top,
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
    XSetClipRectangles(display_, gc_, 0, 0, clip_.data(), static_cast<int>(clip_.size()), Unsorted);
  }
  const unsigned w = static_cast<unsigned>(box.right - box.left);
  const unsigned h = static_cast<unsigned>(box.bottom - box.top);
  if (shm_) {
    XShmPutImage(display_, window_, gc_, image_, box.left, box.top, box.left, box.top, w, h, False);
  } else {
    XCopyArea(display_, pixmap_, window_, gc_, box.left, box.top, w, h, box.left, box.top);
  }
}

void X11SaverHost::Present(const Image& surface, std::span<const Rect> changed) {
  CheckEnding();
  if (surface.Empty()) return;
  if (image_ == nullptr || image_->width != surface.Width() || image_->height != surface.Height()) {
    MakeImage(surface.Width(), surface.Height());
    if (image_ == nullptr) return;
  }
  const PixelTarget target{reinterpret_cast<uint8_t*>(image_->data), image_->width,
                           image_->height, image_->bytes_per_line};
  ClipChanged(surface, changed, target, clipped_);
  CopyRects(surface, clipped_, target, depth_ == 32 ? 0xFF000000u : 0u);
  PutRects(clipped_);
  // The shared image is written again only once the server has read it.
  XSync(display_, False);
  CheckEnding();
}

void X11SaverHost::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case ConfigureNotify:
      if (event.xconfigure.window == window_ &&
          (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
        width_ = event.xconfigure.width;
        height_ = event.xconfigure.height;
        if (form_ != nullptr) form_->ScreenChanged();
      }
      break;
    case Expose:
      if (event.xexpose.window == window_ && image_ != nullptr) {
        const Rect r{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                     event.xexpose.y + event.xexpose.height};
        const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image_->width),
                     std::min(r.bottom, image_->height)};
        // The server-side copy already holds the last frame.
        if (c.left < c.right && c.top < c.bottom) {
          if (shm_) {
            PutRects({&c, 1});
          } else {
            XSetClipMask(display_, gc_, None);
            XCopyArea(display_, pixmap_, window_, gc_, c.left, c.top,
                      static_cast<unsigned>(c.right - c.left), static_cast<unsigned>(c.bottom - c.top),
                      c.left, c.top);
          }
        }
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) g_targetGone = true;
      break;
    case KeyPress:
      if (ownWindow_ && form_ != nullptr) form_->Form_KeyDown(static_cast<int>(event.xkey.keycode), 0);
      break;
    case ButtonPress:
      if (ownWindow_ && form_ != nullptr) {
        form_->Display_MouseDown(static_cast<int>(event.xbutton.button), 0,
                                 static_cast<float>(event.xbutton.x) * 15.0f,
                                 static_cast<float>(event.xbutton.y) * 15.0f);
      }
      break;
    case ClientMessage:
      if (ownWindow_ && form_ != nullptr &&
          static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) {
        int16_t cancel = 0;
        form_->Form_QueryUnload(cancel, UnloadMode::kFormControlMenu);
      }
      break;
    default:
      break;
  }
  CheckEnding();
}

void X11SaverHost::PumpMessages() {
  CheckEnding();
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    HandleEvent(event);
  }
  CheckEnding();
}

bool X11SaverHost::Wait(int milliseconds) {
  pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signals_.Fd(), POLLIN, 0}};
  const int n = poll(fds, signals_.Fd() >= 0 ? 2 : 1, milliseconds);
  return n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

void X11SaverHost::WaitForMessages() {
  CheckEnding();
  while (XPending(display_) == 0) {
    Wait(-1);
    CheckEnding();
  }
  PumpMessages();
}

void X11SaverHost::Sleep(int milliseconds) {
  // Events that arrive meanwhile are read into Xlib's queue (so the
  // connection does not stay readable) and handled at the next pump; a
  // signal ends the program at once.
  const long long deadline = NowMs() + milliseconds;
  for (;;) {
    CheckEnding();
    const long long left = deadline - NowMs();
    if (left <= 0) return;
    if (Wait(static_cast<int>(left))) XEventsQueued(display_, QueuedAfterReading);
  }
}

float X11SaverHost::SecondsSinceMidnight() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto fraction = std::chrono::duration<float>(
      now - std::chrono::system_clock::from_time_t(t));
  return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) +
         fraction.count();
}

int32_t X11SaverHost::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  return cursorCount_;
}

void X11SaverHost::CheckEnding() {
  if (const int sig = signals_.Received()) {
    Release();
    SignalWatch::DieBy(sig);
  }
  if (g_targetGone) Exit(0);
}

void X11SaverHost::EndProgram() { Exit(0); }

void X11SaverHost::Release() {
  if (display_ == nullptr) return;
  FreeImage();
  if (gc_ != nullptr) XFreeGC(display_, gc_);
  gc_ = nullptr;
  if (ownWindow_ && !g_targetGone) XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
  display_ = nullptr;
}

void X11SaverHost::Exit(int status) {
  Release();
  std::fflush(nullptr);
  // The form's stack is left as it is: nothing of the animation runs again.
  std::_Exit(status);
}

}  // namespace qx::x11
