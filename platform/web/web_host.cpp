#include "platform/web/web_host.h"

#include <emscripten.h>

#include "platform/web/canvas_pixels.h"

namespace qx::web {

namespace {

// The page side. The canvas is the module's `canvas`; what the host keeps of
// it lives in Module.qxPage.
EM_JS(void, qx_page_open, (), {
  const canvas = Module['canvas'];
  Module.qxPage = {canvas : canvas, context : canvas.getContext('2d', {alpha : false}),
                   image : null, pixels : 0, channel : null};
});

// The window's size in device pixels, so that a HiDPI screen gets a sharp
// picture.
EM_JS(int, qx_page_width, (), {
  return Math.round(window.innerWidth * (window.devicePixelRatio || 1));
});
EM_JS(int, qx_page_height, (), {
  return Math.round(window.innerHeight * (window.devicePixelRatio || 1));
});

EM_JS(void, qx_page_resize, (int width, int height), {
  const page = Module.qxPage;
  if (page.canvas.width !== width) page.canvas.width = width;
  if (page.canvas.height !== height) page.canvas.height = height;
});

// Puts the rectangle (x, y, w, h) of the canvas pixels at `pixels`, which
// hold the whole surface, onto the canvas. The ImageData is a view of the
// module's memory, made again when that memory has grown or moved.
EM_JS(void, qx_page_put, (const uint8_t* pixels, int surfaceWidth, int surfaceHeight, int x, int y,
                          int w, int h), {
  const page = Module.qxPage;
  let image = page.image;
  if (!image || image.data.buffer !== HEAPU8.buffer || page.pixels !== pixels ||
      image.width !== surfaceWidth || image.height !== surfaceHeight) {
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, surfaceWidth * surfaceHeight * 4);
    image = page.image = new ImageData(bytes, surfaceWidth, surfaceHeight);
    page.pixels = pixels;
  }
  page.context.putImageData(image, 0, 0, x, y, w, h);
});

EM_JS(int, qx_page_hidden, (), { return document.visibilityState === 'hidden' ? 1 : 0; });

// Lets the browser run whatever is waiting (input, rendering, other tasks),
// then goes on. A message to itself, unlike a timer of 0 ms, is not held
// back to 4 ms once nested.
EM_ASYNC_JS(void, qx_page_yield, (), {
  await new Promise(resolve => {
    const page = Module.qxPage;
    if (!page.channel) page.channel = new MessageChannel();
    page.channel.port1.onmessage = () => resolve();
    page.channel.port2.postMessage(0);
  });
});

// Waits for the tab to be shown or hidden again.
EM_ASYNC_JS(void, qx_page_wait_visibility, (), {
  await new Promise(resolve => document.addEventListener('visibilitychange', () => resolve(),
                                                         {once : true}));
});

EM_JS(double, qx_page_seconds_since_midnight, (), {
  const now = new Date();
  return now.getHours() * 3600 + now.getMinutes() * 60 + now.getSeconds() +
         now.getMilliseconds() / 1000;
});

}  // namespace

WebSaverHost::WebSaverHost(std::optional<float> seed) : seed_(seed) { qx_page_open(); }

ScreenMetrics WebSaverHost::Screen() {
  scene_ = Size{qx_page_width(), qx_page_height()};
  pending_.reset();
  return ScreenMetrics::FromPixels(scene_.width, scene_.height);
}

void WebSaverHost::PlaceWindow(int, int, int width, int height) {
  qx_page_resize(width, height);
  stale_ = true;
}

void WebSaverHost::Present(const Image& surface, std::span<const Rect> changed) {
  if (qx_page_hidden() != 0) {
    stale_ = true;
  } else if (!surface.Empty()) {
    if (canvasPixels_.size() != surface.ByteCount()) {
      canvasPixels_.assign(surface.ByteCount(), 0);
      stale_ = true;
    }
    const auto put = [&](const Rect& rect) {
      const Rect r = CopyToCanvas(surface, rect, canvasPixels_.data());
      if (IsEmpty(r)) return;
      qx_page_put(canvasPixels_.data(), surface.Width(), surface.Height(), r.left, r.top,
                  r.right - r.left, r.bottom - r.top);
    };
    if (stale_) {
      put(Rect{0, 0, surface.Width(), surface.Height()});
    } else {
      for (const Rect& r : changed) put(r);
    }
    stale_ = false;
  }
  qx_page_yield();
}

bool WebSaverHost::DisplayOff() { return qx_page_hidden() != 0; }

void WebSaverHost::WaitForMessages() { qx_page_wait_visibility(); }

void WebSaverHost::Sleep(int milliseconds) {
  emscripten_sleep(static_cast<unsigned>(milliseconds > 0 ? milliseconds : 0));
  TakeNewSize();
}

void WebSaverHost::TakeNewSize() {
  const Size now{qx_page_width(), qx_page_height()};
  if (now == scene_) {
    pending_.reset();
  } else if (pending_ == now) {
    pending_.reset();
    if (form_ != nullptr) form_->ScreenChanged();
  } else {
    pending_ = now;
  }
}

float WebSaverHost::SecondsSinceMidnight() {
  return seed_ ? *seed_ : static_cast<float>(qx_page_seconds_since_midnight());
}

int32_t WebSaverHost::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  return cursorCount_;
}

void WebSaverHost::EndProgram() { emscripten_force_exit(0); }

}  // namespace qx::web
