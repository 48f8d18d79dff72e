#include "platform/x11/x11_host.h"

#include <X11/Xatom.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/utf8.h"
#include "platform/x11/x11_input.h"
#include "platform/x11/x_error_trap.h"
#include "startup/window_titles.h"

namespace qx::x11 {

using linux_program::ClipChanged;
using linux_program::CopyRects;

namespace {

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

X11SaverHost::X11SaverHost(UniqueDisplay display, const SignalWatch& signals)
    : display_(std::move(display)), signals_(signals) {}

X11SaverHost::~X11SaverHost() { Release(); }

int X11SaverHost::Open(const Options& options, std::string& error) {
  Display* const d = display_.get();
  const int screen = DefaultScreen(d);
  if (options.target == Target::kOwnWindow) {
    visual_ = DefaultVisual(d, screen);
    depth_ = DefaultDepth(d, screen);
    if (!UsableVisual(d, visual_, depth_)) {
      error = "the screen's visual is not 24/32-bit TrueColor with 8 bits per colour";
      return 1;
    }
    const Window root = RootWindow(d, screen);
    width_ = std::min(kOwnWindowWidth, DisplayWidth(d, screen));
    height_ = std::min(kOwnWindowHeight, DisplayHeight(d, screen));
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(d, screen);
    attributes.event_mask =
        KeyPressMask | ButtonPressMask | StructureNotifyMask | ExposureMask;
    XErrorTrap trap(d, None);
    window_ = XCreateWindow(d, root, 0, 0, static_cast<unsigned>(width_),
                            static_cast<unsigned>(height_), 0, depth_, InputOutput, visual_,
                            CWBackPixel | CWEventMask, &attributes);
    ownWindow_ = true;
    const std::string title = Utf8(kSaverTitle);
    XStoreName(d, window_, title.c_str());
    XChangeProperty(d, window_, XInternAtom(d, "_NET_WM_NAME", False),
                    XInternAtom(d, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XClassHint hint{const_cast<char*>("quendelrix"), const_cast<char*>("Quendelrix")};
    XSetClassHint(d, window_, &hint);
    deleteWindow_ = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window_, &deleteWindow_, 1);
    XSync(d, False);
  } else {
    window_ = options.target == Target::kRoot ? RootWindow(d, screen) : options.windowId;
    XWindowAttributes attributes{};
    Status ok = 0;
    {
      XErrorTrap trap(d);
      ok = XGetWindowAttributes(d, window_, &attributes);
      XSync(d, False);
      if (trap.Trapped()) ok = 0;
    }
    if (ok == 0) {
      char text[64];
      std::snprintf(text, sizeof text, "no window 0x%lx", static_cast<unsigned long>(window_));
      error = text;
      return 1;
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    width_ = attributes.width;
    height_ = attributes.height;
    if (!UsableVisual(d, visual_, depth_)) {
      error = "the window's visual is not 24/32-bit TrueColor with 8 bits per colour";
      return 1;
    }
    // Size changes and the window's end; input belongs to whoever made it.
    XErrorTrap trap(d, window_);
    XSelectInput(d, window_, attributes.your_event_mask | StructureNotifyMask | ExposureMask);
    XSync(d, False);
    if (trap.WindowGone()) windowGone_ = true;
  }
  XErrorTrap trap(d, window_);
  XGCValues values{};
  values.graphics_exposures = False;
  gc_ = XCreateGC(d, window_, GCGraphicsExposures, &values);
  // Asked first: Xlib prints a warning when a server without MIT-SHM is
  // asked for its version.
  int opcode = 0, firstEvent = 0, firstError = 0;
  int major = 0, minor = 0;
  Bool pixmaps = False;
  const bool sharedMemory = XQueryExtension(d, "MIT-SHM", &opcode, &firstEvent, &firstError) &&
                            XShmQueryVersion(d, &major, &minor, &pixmaps) &&
                            ImageByteOrder(d) == LSBFirst;
  image_.emplace(d, visual_, depth_, sharedMemory);
  XSync(d, False);
  if (trap.WindowGone()) windowGone_ = true;
  return 0;
}

ScreenMetrics X11SaverHost::Screen() {
  return ScreenMetrics::FromPixels(width_, height_);
}

// The form covers the window it is given; it never moves or sizes a window.
void X11SaverHost::PlaceWindow(int, int, int, int) {}

void X11SaverHost::ShowTopMost() {
  if (!ownWindow_) return;
  XErrorTrap trap(display_.get(), window_);
  XMapRaised(display_.get(), window_);
  XSync(display_.get(), False);
  if (trap.WindowGone()) windowGone_ = true;
}

void X11SaverHost::Present(const Image& surface, std::span<const Rect> changed) {
  CheckEnding();
  if (surface.Empty()) return;
  {
    // Someone else's window may go at any moment: then the requests fail.
    XErrorTrap trap(display_.get(), window_);
    if (image_->Fit(window_, surface.Width(), surface.Height())) {
      const PixelTarget target = image_->Pixels();
      ClipChanged(surface, changed, target, clipped_);
      CopyRects(surface, clipped_, target, depth_ == 32 ? 0xFF000000u : 0u);
      image_->Show(window_, gc_, clipped_);
    }
    // The shared image is written again only once the server has read it.
    XSync(display_.get(), False);
    if (trap.WindowGone()) windowGone_ = true;
  }
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
      if (event.xexpose.window == window_) {
        XErrorTrap trap(display_.get(), window_);
        image_->Repaint(window_, gc_,
                        Rect{event.xexpose.x, event.xexpose.y,
                             event.xexpose.x + event.xexpose.width,
                             event.xexpose.y + event.xexpose.height});
        XSync(display_.get(), False);
        if (trap.WindowGone()) windowGone_ = true;
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) windowGone_ = true;
      break;
    case KeyPress:
    case ButtonPress:
      // Input reaches the form in a window of its own only.
      if (ownWindow_ && form_ != nullptr) {
        XKeyEvent key = event.xkey;
        const KeySym keysym = event.type == KeyPress ? XLookupKeysym(&key, 0) : NoSymbol;
        if (const auto input = FormInputFromXEvent(event, keysym)) form_->Input(*input);
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
  while (XPending(display_.get()) > 0) {
    XEvent event;
    XNextEvent(display_.get(), &event);
    HandleEvent(event);
  }
  CheckEnding();
}

bool X11SaverHost::Wait(int milliseconds) {
  pollfd fds[2] = {{ConnectionNumber(display_.get()), POLLIN, 0}, {signals_.Fd(), POLLIN, 0}};
  const int n = poll(fds, signals_.Fd() >= 0 ? 2 : 1, milliseconds);
  return n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

void X11SaverHost::WaitForMessages() {
  CheckEnding();
  while (XPending(display_.get()) == 0) {
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
    if (Wait(static_cast<int>(left))) XEventsQueued(display_.get(), QueuedAfterReading);
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
  if (windowGone_) Exit(0);
}

void X11SaverHost::EndProgram() { Exit(0); }

void X11SaverHost::Release() {
  if (!display_) return;
  {
    XErrorTrap trap(display_.get(), window_);
    image_.reset();
    if (gc_ != nullptr) XFreeGC(display_.get(), gc_);
    gc_ = nullptr;
    if (ownWindow_ && !windowGone_) XDestroyWindow(display_.get(), window_);
    XSync(display_.get(), False);
  }
  display_.reset();
}

void X11SaverHost::Exit(int status) {
  Release();
  std::fflush(nullptr);
  // The form's stack is left as it is: nothing of the animation runs again.
  std::_Exit(status);
}

}  // namespace qx::x11
