#include "platform/wayland/wayland_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/scene_layout.h"
#include "platform/wayland/wayland_input.h"
#include "saver/quendelrix_s.h"
#include "saver/saver_host.h"
// The layer shell names a request's argument "namespace".
#define namespace namespace_
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#include "xdg-output-unstable-v1-client-protocol.h"

namespace qx::wayland {

using linux_program::PixelTarget;
using linux_program::SignalWatch;

namespace {

// Above this many rectangles (a buffer held for long, while its output is
// off) a list of what a buffer or a commit lacks is replaced by their
// bounding box. A frame of the form has two rectangles per ball at most.
constexpr size_t kMaxRects = 1024;

void AddRects(std::vector<Rect>& to, std::span<const Rect> rects) {
  to.insert(to.end(), rects.begin(), rects.end());
  if (to.size() <= kMaxRects) return;
  Rect box = to.front();
  for (const Rect& r : to) box = Rect{std::min(box.left, r.left), std::min(box.top, r.top),
                                      std::max(box.right, r.right), std::max(box.bottom, r.bottom)};
  to.assign(1, box);
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// libwayland's own messages: kept until the connection stands (the failure
// to connect is reported in one line with them), printed under the
// program's name after that.
std::string g_connectLog;
bool g_connected = false;

void LogHandler(const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  if (!g_connected) {
    g_connectLog = line;
  } else {
    std::fprintf(stderr, "quendelrix: libwayland: %s\n", line.c_str());
  }
}

// One of an output's two pixel buffers in shared memory.
struct ShmBuffer {
  wl_buffer* buffer = nullptr;
  uint8_t* data = nullptr;
  size_t size = 0;
  int width = 0, height = 0;
  bool busy = false;         // the compositor holds it (until release)
  std::vector<Rect> stale;   // buffer pixels older than the scene

  PixelTarget Target() const { return PixelTarget{data, width, height, width * 4}; }
  void Free() {
    if (buffer != nullptr) wl_buffer_destroy(buffer);
    if (data != nullptr) munmap(data, size);
    *this = ShmBuffer{};
  }
};

class WaylandHost;

struct Output {
  WaylandHost* host = nullptr;
  uint32_t name = 0;  // the global's name, for its removal
  wl_output* output = nullptr;
  zxdg_output_v1* xdg = nullptr;
  int scale = 1;
  int x = 0, y = 0;                   // logical position (xdg-output)
  bool described = false;             // wl_output.done seen
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  int width = 0, height = 0;          // logical size, from the configure
  int surfaceScale = 0;               // the buffer scale set on the surface
  bool configured = false;
  std::array<ShmBuffer, 2> buffers;
  wl_callback* frame = nullptr;       // the frame in flight
  std::vector<Rect> damage;           // buffer pixels changed since the last commit
  OutputPart part;

  ~Output() {
    if (frame != nullptr) wl_callback_destroy(frame);
    for (ShmBuffer& b : buffers) b.Free();
    if (layer != nullptr) zwlr_layer_surface_v1_destroy(layer);
    if (surface != nullptr) wl_surface_destroy(surface);
    if (xdg != nullptr) zxdg_output_v1_destroy(xdg);
    if (output != nullptr) {
      if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(output);
      } else {
        wl_output_destroy(output);
      }
    }
  }
};

struct Seat {
  WaylandHost* host = nullptr;
  uint32_t name = 0;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  Output* pointerOutput = nullptr;  // the surface the pointer is over
  int buttons = 0;                  // the contract's bits held
  int shift = 0;

  ~Seat() {
    if (keyboard != nullptr) wl_keyboard_release(keyboard);
    if (pointer != nullptr) wl_pointer_release(pointer);
    if (seat != nullptr) wl_seat_release(seat);
  }
};

class WaylandHost final : public SaverHost {
 public:
  WaylandHost(wl_display* display, const SignalWatch& signals) : display_(display), signals_(signals) {}
  ~WaylandHost() override { Release(); }

  // Binds the globals and puts a surface on every output; on failure sets
  // `error` and returns 1.
  int Open(std::string& error);
  void SetForm(Quendelrix_S* form) { form_ = form; }

  ScreenMetrics Screen() override { return ScreenMetrics::FromPixels(layout_.width, layout_.height); }
  // The layer surfaces cover their outputs; nothing to place.
  void PlaceWindow(int, int, int, int) override {}
  void ShowTopMost() override {}
  void Present(const Image& surface, std::span<const Rect> changed) override;
  void PumpMessages() override;
  // Compositors stop the frame callbacks of an output that is off: nothing
  // is drawn for it then, and the form goes on as on a display that is on.
  bool DisplayOff() override { return false; }
  void WaitForMessages() override;
  void Sleep(int milliseconds) override;
  float SecondsSinceMidnight() override;
  int32_t ShowCursor(bool show) override { return cursorCount_ += show ? 1 : -1; }
  // The desktop's own lock screen guards the session: nothing to check.
  int32_t VerifyScreenSavePassword() override { return 1; }
  SystemCalls& System() override { return system_; }
  void DestroyWindow() override {}
  [[noreturn]] void EndProgram() override { Exit(0); }

  // Event handlers (the listeners' entries call these).
  void Global(uint32_t name, const char* interface, uint32_t version);
  void GlobalRemove(uint32_t name);
  void OutputDescribed(Output& o);
  void Configured(Output& o, uint32_t serial, uint32_t width, uint32_t height);
  void Closed(Output& o);
  void FrameDone(Output& o);
  void Released(wl_buffer* buffer);
  void SeatCapabilities(Seat& seat, uint32_t caps);
  void PointerEnter(Seat& seat, uint32_t serial, wl_surface* surface, double x, double y);
  void PointerLeave(Seat& seat, wl_surface* surface);
  void PointerMotion(Seat& seat, double x, double y);
  void PointerButton(Seat& seat, uint32_t button, uint32_t state);
  void Key(Seat& seat, uint32_t key, uint32_t state);
  void Queue(const FormInput& input) { inputs_.push_back(input); }

  bool HasScene() const { return layout_.width > 0 && layout_.height > 0; }
  // Waits up to `milliseconds` (forever when negative) for the compositor
  // or a signal, and handles what arrived.
  void Wait(int milliseconds);
  void CheckEnding();

 private:
  Output* Find(wl_surface* surface);
  void StartSurface(Output& o);
  void Relayout();
  void Draw(Output& o);
  bool MakeBuffers(Output& o);
  void DropOutput(Output* o);
  void Release();
  [[noreturn]] void Exit(int status);

  wl_display* display_;
  const SignalWatch& signals_;
  NullSystemCalls system_;
  Quendelrix_S* form_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  wl_shm* shm_ = nullptr;
  zwlr_layer_shell_v1* layerShell_ = nullptr;
  zxdg_output_manager_v1* xdgOutputs_ = nullptr;
  std::vector<std::unique_ptr<Output>> outputs_;
  std::vector<std::unique_ptr<Seat>> seats_;
  SceneLayout layout_;
  const Image* scene_ = nullptr;  // the form's surface, once presented
  Image black_;
  std::deque<FormInput> inputs_;
  std::vector<Rect> rects_;
  bool gone_ = false;  // the compositor went away
  int32_t cursorCount_ = 0;
};

// ---- listeners ----

void OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
  static_cast<WaylandHost*>(data)->Global(name, interface, version);
}
void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
  static_cast<WaylandHost*>(data)->GlobalRemove(name);
}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                const char*, int32_t) {}
void OnMode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void OnOutputDone(void* data, wl_output*) {
  auto* o = static_cast<Output*>(data);
  o->host->OutputDescribed(*o);
}
void OnScale(void* data, wl_output*, int32_t factor) { static_cast<Output*>(data)->scale = std::max(1, factor); }
void OnName(void*, wl_output*, const char*) {}
void OnDescription(void*, wl_output*, const char*) {}
const wl_output_listener kOutputListener = {OnGeometry, OnMode, OnOutputDone, OnScale, OnName, OnDescription};

void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* o = static_cast<Output*>(data);
  o->x = x;
  o->y = y;
}
void OnLogicalSize(void*, zxdg_output_v1*, int32_t, int32_t) {}
// Before version 3 the xdg output's own done ends its description.
void OnXdgDone(void* data, zxdg_output_v1* xdg) {
  if (zxdg_output_v1_get_version(xdg) < 3) OnOutputDone(data, nullptr);
}
void OnXdgName(void*, zxdg_output_v1*, const char*) {}
void OnXdgDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutputListener = {OnLogicalPosition, OnLogicalSize, OnXdgDone,
                                                    OnXdgName, OnXdgDescription};

void OnConfigure(void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t w, uint32_t h) {
  auto* o = static_cast<Output*>(data);
  o->host->Configured(*o, serial, w, h);
}
void OnClosed(void* data, zwlr_layer_surface_v1*) {
  auto* o = static_cast<Output*>(data);
  o->host->Closed(*o);
}
const zwlr_layer_surface_v1_listener kLayerListener = {OnConfigure, OnClosed};

void OnFrameDone(void* data, wl_callback*, uint32_t) {
  auto* o = static_cast<Output*>(data);
  o->host->FrameDone(*o);
}
const wl_callback_listener kFrameListener = {OnFrameDone};

void OnRelease(void* data, wl_buffer* buffer) { static_cast<WaylandHost*>(data)->Released(buffer); }
const wl_buffer_listener kBufferListener = {OnRelease};

void OnCapabilities(void* data, wl_seat*, uint32_t caps) {
  auto* s = static_cast<Seat*>(data);
  s->host->SeatCapabilities(*s, caps);
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

void OnEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  auto* s = static_cast<Seat*>(data);
  s->host->PointerEnter(*s, serial, surface, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void OnLeave(void* data, wl_pointer*, uint32_t, wl_surface* surface) {
  auto* s = static_cast<Seat*>(data);
  s->host->PointerLeave(*s, surface);
}
void OnMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto* s = static_cast<Seat*>(data);
  s->host->PointerMotion(*s, wl_fixed_to_double(x), wl_fixed_to_double(y));
}
void OnButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
  auto* s = static_cast<Seat*>(data);
  s->host->PointerButton(*s, button, state);
}
void OnAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
// The seat is bound at version 4: no frame, axis source or discrete events.
const wl_pointer_listener kPointerListener = {
    .enter = OnEnter, .leave = OnLeave, .motion = OnMotion, .button = OnButton, .axis = OnAxis,
    .frame = nullptr, .axis_source = nullptr, .axis_stop = nullptr, .axis_discrete = nullptr,
    .axis_value120 = nullptr};

void OnKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
  auto* s = static_cast<Seat*>(data);
  s->host->Key(*s, key, state);
}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t, uint32_t, uint32_t) {
  static_cast<Seat*>(data)->shift = ShiftFromModifiers(depressed);
}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey, OnModifiers, OnRepeatInfo};

// ---- the host ----

int WaylandHost::Open(std::string& error) {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  if (wl_display_roundtrip(display_) < 0) {
    error = "the Wayland compositor closed the connection";
    return 1;
  }
  if (compositor_ == nullptr || shm_ == nullptr) {
    error = "the Wayland compositor offers no wl_compositor or wl_shm";
    return 1;
  }
  if (layerShell_ == nullptr) {
    error =
        "the Wayland compositor offers no layer shell (zwlr_layer_shell_v1): "
        "sway and the other wlroots desktops have it, GNOME has not";
    return 1;
  }
  // Outputs announced before the xdg output manager get their positions now.
  for (auto& o : outputs_) {
    if (o->xdg == nullptr && xdgOutputs_ != nullptr) {
      o->xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, o->output);
      zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
    }
  }
  // The outputs' descriptions, then the surfaces' first configures.
  wl_display_roundtrip(display_);
  wl_display_roundtrip(display_);
  return 0;
}

void WaylandHost::Global(uint32_t name, const char* interface, uint32_t version) {
  const std::string_view i = interface;
  if (i == wl_compositor_interface.name && version >= 3) {
    compositor_ = static_cast<wl_compositor*>(
        wl_registry_bind(registry_, name, &wl_compositor_interface, std::min(version, 4u)));
  } else if (i == wl_shm_interface.name) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry_, name, &wl_shm_interface, 1));
  } else if (i == zwlr_layer_shell_v1_interface.name) {
    layerShell_ = static_cast<zwlr_layer_shell_v1*>(
        wl_registry_bind(registry_, name, &zwlr_layer_shell_v1_interface, std::min(version, 4u)));
  } else if (i == zxdg_output_manager_v1_interface.name) {
    xdgOutputs_ = static_cast<zxdg_output_manager_v1*>(
        wl_registry_bind(registry_, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
  } else if (i == wl_output_interface.name && version >= 2) {
    auto o = std::make_unique<Output>();
    o->host = this;
    o->name = name;
    o->output = static_cast<wl_output*>(
        wl_registry_bind(registry_, name, &wl_output_interface, std::min(version, 4u)));
    wl_output_add_listener(o->output, &kOutputListener, o.get());
    if (xdgOutputs_ != nullptr) {
      o->xdg = zxdg_output_manager_v1_get_xdg_output(xdgOutputs_, o->output);
      zxdg_output_v1_add_listener(o->xdg, &kXdgOutputListener, o.get());
    }
    outputs_.push_back(std::move(o));
  } else if (i == wl_seat_interface.name) {
    auto s = std::make_unique<Seat>();
    s->host = this;
    s->name = name;
    // Version 4: a pointer bound at 5 or later gets frame events.
    s->seat = static_cast<wl_seat*>(wl_registry_bind(registry_, name, &wl_seat_interface, std::min(version, 4u)));
    wl_seat_add_listener(s->seat, &kSeatListener, s.get());
    seats_.push_back(std::move(s));
  }
}

void WaylandHost::GlobalRemove(uint32_t name) {
  for (auto& o : outputs_) {
    if (o->name == name) {
      DropOutput(o.get());
      return;
    }
  }
  for (auto it = seats_.begin(); it != seats_.end(); ++it) {
    if ((*it)->name == name) {
      seats_.erase(it);
      return;
    }
  }
}

void WaylandHost::OutputDescribed(Output& o) {
  o.described = true;
  if (o.surface == nullptr && layerShell_ != nullptr && compositor_ != nullptr) {
    StartSurface(o);
  } else {
    Relayout();  // a new place or scale
  }
}

void WaylandHost::StartSurface(Output& o) {
  o.surface = wl_compositor_create_surface(compositor_);
  o.layer = zwlr_layer_shell_v1_get_layer_surface(layerShell_, o.surface, o.output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "quendelrix");
  zwlr_layer_surface_v1_set_anchor(
      o.layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                   ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_exclusive_zone(o.layer, -1);
  // 1 is "exclusive" in every version (a plain true before version 4).
  zwlr_layer_surface_v1_set_keyboard_interactivity(o.layer, 1);
  zwlr_layer_surface_v1_set_size(o.layer, 0, 0);
  zwlr_layer_surface_v1_add_listener(o.layer, &kLayerListener, &o);
  wl_surface_commit(o.surface);
}

void WaylandHost::Configured(Output& o, uint32_t serial, uint32_t width, uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(o.layer, serial);
  o.width = static_cast<int>(width);
  o.height = static_cast<int>(height);
  o.configured = true;
  Relayout();
}

void WaylandHost::Closed(Output& o) { DropOutput(&o); }

void WaylandHost::DropOutput(Output* o) {
  for (auto& s : seats_) {
    if (s->pointerOutput == o) s->pointerOutput = nullptr;
  }
  std::erase_if(outputs_, [o](const std::unique_ptr<Output>& p) { return p.get() == o; });
  Relayout();
}

void WaylandHost::Relayout() {
  std::vector<OutputGeometry> geometry;
  std::vector<Output*> ready;
  for (auto& o : outputs_) {
    if (!o->described || !o->configured || o->width <= 0 || o->height <= 0) continue;
    geometry.push_back(OutputGeometry{o->x, o->y, o->width, o->height, o->scale});
    ready.push_back(o.get());
  }
  // Without any output the scene stays as it was until one comes back.
  if (ready.empty()) return;
  SceneLayout layout = LayOut(geometry);
  const bool sceneChanged = layout.width != layout_.width || layout.height != layout_.height ||
                            layout.scale != layout_.scale || layout.left != layout_.left ||
                            layout.top != layout_.top;
  for (size_t i = 0; i < ready.size(); ++i) {
    Output& o = *ready[i];
    if (o.part == layout.parts[i] && !sceneChanged && o.buffers[0].buffer != nullptr) continue;
    o.part = layout.parts[i];
    if (!MakeBuffers(o)) continue;
    const Rect whole{0, 0, o.part.bufferWidth, o.part.bufferHeight};
    for (ShmBuffer& b : o.buffers) b.stale.assign(1, whole);
    o.damage.assign(1, whole);
  }
  for (auto& o : outputs_) {
    if (std::find(ready.begin(), ready.end(), o.get()) == ready.end()) o->part = OutputPart{};
  }
  layout_ = std::move(layout);
  if (sceneChanged && form_ != nullptr) form_->ScreenChanged();
  for (Output* o : ready) Draw(*o);
}

bool WaylandHost::MakeBuffers(Output& o) {
  const int w = o.part.bufferWidth, h = o.part.bufferHeight;
  for (ShmBuffer& b : o.buffers) {
    if (b.buffer != nullptr && b.width == w && b.height == h) continue;
    b.Free();
    const size_t size = static_cast<size_t>(w) * static_cast<size_t>(h) * 4;
    const int fd = memfd_create("quendelrix-frame", MFD_CLOEXEC);
    if (fd < 0) return false;
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
      close(fd);
      return false;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
      close(fd);
      return false;
    }
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<int32_t>(size));
    b.buffer = wl_shm_pool_create_buffer(pool, 0, w, h, w * 4, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(b.buffer, &kBufferListener, this);
    b.data = static_cast<uint8_t*>(data);
    b.size = size;
    b.width = w;
    b.height = h;
  }
  return true;
}

void WaylandHost::Draw(Output& o) {
  // One frame in flight; a buffer the compositor holds is never written.
  if (o.frame != nullptr || o.damage.empty() || !o.configured) return;
  ShmBuffer* buffer = nullptr;
  for (ShmBuffer& b : o.buffers) {
    if (!b.busy && b.buffer != nullptr && b.width == o.part.bufferWidth &&
        b.height == o.part.bufferHeight) {
      buffer = &b;
      break;
    }
  }
  if (buffer == nullptr) return;
  CopyPart(scene_ != nullptr ? *scene_ : black_, layout_.scale, o.part, buffer->stale, buffer->Target());
  buffer->stale.clear();
  if (o.surfaceScale != o.part.scale) {
    wl_surface_set_buffer_scale(o.surface, o.part.scale);
    o.surfaceScale = o.part.scale;
  }
  wl_surface_attach(o.surface, buffer->buffer, 0, 0);
  for (const Rect& r : o.damage) {
    if (wl_surface_get_version(o.surface) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
      wl_surface_damage_buffer(o.surface, r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else {
      // Surface coordinates: the buffer rectangle divided by the scale, rounded out.
      const int s = o.part.scale;
      wl_surface_damage(o.surface, r.left / s, r.top / s, (r.right + s - 1) / s - r.left / s,
                        (r.bottom + s - 1) / s - r.top / s);
    }
  }
  o.damage.clear();
  o.frame = wl_surface_frame(o.surface);
  wl_callback_add_listener(o.frame, &kFrameListener, &o);
  wl_surface_commit(o.surface);
  buffer->busy = true;
}

void WaylandHost::FrameDone(Output& o) {
  wl_callback_destroy(o.frame);
  o.frame = nullptr;
  Draw(o);  // what changed while the frame was in flight
}

void WaylandHost::Released(wl_buffer* buffer) {
  for (auto& o : outputs_) {
    for (ShmBuffer& b : o->buffers) {
      if (b.buffer == buffer) {
        b.busy = false;
        Draw(*o);
        return;
      }
    }
  }
}

void WaylandHost::Present(const Image& surface, std::span<const Rect> changed) {
  CheckEnding();
  scene_ = &surface;
  for (auto& o : outputs_) {
    if (IsEmpty(o->part.scene) || o->buffers[0].buffer == nullptr) continue;
    BufferDamage(layout_.scale, o->part, changed, rects_);
    if (rects_.empty()) continue;
    AddRects(o->damage, rects_);
    for (ShmBuffer& b : o->buffers) AddRects(b.stale, rects_);
    Draw(*o);
  }
  wl_display_flush(display_);
  CheckEnding();
}

Output* WaylandHost::Find(wl_surface* surface) {
  for (auto& o : outputs_) {
    if (o->surface == surface && surface != nullptr) return o.get();
  }
  return nullptr;
}

void WaylandHost::SeatCapabilities(Seat& s, uint32_t caps) {
  const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0;
  const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (pointer && s.pointer == nullptr) {
    s.pointer = wl_seat_get_pointer(s.seat);
    wl_pointer_add_listener(s.pointer, &kPointerListener, &s);
  } else if (!pointer && s.pointer != nullptr) {
    wl_pointer_release(s.pointer);
    s.pointer = nullptr;
    s.pointerOutput = nullptr;
    s.buttons = 0;
  }
  if (keyboard && s.keyboard == nullptr) {
    s.keyboard = wl_seat_get_keyboard(s.seat);
    wl_keyboard_add_listener(s.keyboard, &kKeyboardListener, &s);
  } else if (!keyboard && s.keyboard != nullptr) {
    wl_keyboard_release(s.keyboard);
    s.keyboard = nullptr;
  }
}

void WaylandHost::PointerEnter(Seat& s, uint32_t serial, wl_surface* surface, double, double) {
  // The pointer is hidden over every surface. Entering is no motion.
  wl_pointer_set_cursor(s.pointer, serial, nullptr, 0, 0);
  s.pointerOutput = Find(surface);
}

void WaylandHost::PointerLeave(Seat& s, wl_surface* surface) {
  if (s.pointerOutput != nullptr && s.pointerOutput->surface == surface) s.pointerOutput = nullptr;
}

void WaylandHost::PointerMotion(Seat& s, double x, double y) {
  if (s.pointerOutput == nullptr) return;
  const ScenePoint p = ToScene(layout_.scale, s.pointerOutput->part, x, y);
  Queue(FormInput{FormInput::Kind::kMouseMove, s.buttons, s.shift, p.x, p.y, 0});
}

void WaylandHost::PointerButton(Seat& s, uint32_t button, uint32_t state) {
  const int bit = ButtonFromEvdev(button);
  const bool pressed = state == WL_POINTER_BUTTON_STATE_PRESSED;
  s.buttons = pressed ? (s.buttons | bit) : (s.buttons & ~bit);
  FormInput input{pressed ? FormInput::Kind::kMouseDown : FormInput::Kind::kMouseUp, bit, s.shift};
  Queue(input);
}

void WaylandHost::Key(Seat& s, uint32_t key, uint32_t state) {
  if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
  FormInput input{FormInput::Kind::kKeyDown, 0, s.shift};
  input.keyCode = VirtualKeyFromEvdev(key);
  Queue(input);
}

void WaylandHost::Wait(int milliseconds) {
  CheckEnding();
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) {
      gone_ = true;
      CheckEnding();
    }
  }
  // A full socket: poll for writing too, so the requests go out.
  while (wl_display_flush(display_) < 0 && errno == EAGAIN) {
    pollfd out{wl_display_get_fd(display_), POLLOUT, 0};
    poll(&out, 1, 100);
  }
  pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {signals_.Fd(), POLLIN, 0}};
  const int n = poll(fds, signals_.Fd() >= 0 ? 2 : 1, milliseconds);
  if (n > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
    if (wl_display_read_events(display_) < 0) gone_ = true;
  } else {
    wl_display_cancel_read(display_);
  }
  if (!gone_ && wl_display_dispatch_pending(display_) < 0) gone_ = true;
  CheckEnding();
}

void WaylandHost::PumpMessages() {
  CheckEnding();
  Wait(0);
  while (!inputs_.empty()) {
    const FormInput input = inputs_.front();
    inputs_.pop_front();
    if (form_ != nullptr) form_->Input(input);
    CheckEnding();
  }
}

void WaylandHost::WaitForMessages() {
  while (inputs_.empty()) Wait(-1);
  PumpMessages();
}

void WaylandHost::Sleep(int milliseconds) {
  // Frames, releases and configures are handled meanwhile; input waits in
  // the queue for the next pump; a signal ends the program at once.
  const long long deadline = NowMs() + milliseconds;
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) return;
    Wait(static_cast<int>(left));
  }
}

float WaylandHost::SecondsSinceMidnight() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  const auto fraction = std::chrono::duration<float>(now - std::chrono::system_clock::from_time_t(t));
  return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) + fraction.count();
}

void WaylandHost::CheckEnding() {
  if (const int sig = signals_.Received()) {
    Release();
    SignalWatch::DieBy(sig);
  }
  if (gone_ || wl_display_get_error(display_) != 0) Exit(0);
}

void WaylandHost::Release() {
  if (display_ == nullptr) return;
  seats_.clear();
  outputs_.clear();
  if (xdgOutputs_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputs_);
  if (layerShell_ != nullptr) zwlr_layer_shell_v1_destroy(layerShell_);
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
  display_ = nullptr;
}

void WaylandHost::Exit(int status) {
  Release();
  std::fflush(nullptr);
  // The form's stack is left as it is: nothing of the animation runs again.
  std::_Exit(status);
}

// One saver per Wayland display: a lock on a file in $XDG_RUNTIME_DIR held
// for the process's life. Returns false when another process holds it.
bool TakeInstanceLock() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (runtime == nullptr || *runtime == '\0') return true;
  std::string name = display != nullptr && *display != '\0' ? display : "wayland-0";
  std::replace(name.begin(), name.end(), '/', '_');
  const std::string path = std::string(runtime) + "/quendelrix-" + name + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no lock to be had: run rather than never
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return errno != EWOULDBLOCK;
  }
  return true;  // the descriptor stays open: the lock lasts as long as the process
}

}  // namespace

int RunSaver(int ballCount, int interval, const SignalWatch& signals) {
  wl_log_set_handler_client(LogHandler);
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "quendelrix: cannot connect to the Wayland display %s%s%s\n",
                 name != nullptr && *name != '\0' ? name : "wayland-0",
                 g_connectLog.empty() ? "" : ": ", g_connectLog.c_str());
    return 1;
  }
  g_connected = true;
  if (!TakeInstanceLock()) {
    wl_display_disconnect(display);
    return 0;
  }
  WaylandHost host(display, signals);
  std::string error;
  if (host.Open(error) != 0) {
    std::fprintf(stderr, "quendelrix: %s\n", error.c_str());
    return 1;
  }
  // The form starts on a scene: wait for the first output.
  while (!host.HasScene()) host.Wait(-1);

  ModuleValues values;
  values.BallCount = static_cast<int16_t>(ballCount);
  values.Interval = static_cast<int16_t>(interval);
  // The full-screen saver proper: the pointer's motion counts as input.
  values.Args = CommandLine(L"/s");
  Quendelrix_S form(host, values);
  host.SetForm(&form);
  form.Form_Load();
  // The animation has stopped: the picture stays until input, a signal or
  // the compositor's end.
  while (form.ExitFlag() == kFalse16) host.WaitForMessages();
  host.EndProgram();
}

}  // namespace qx::wayland
