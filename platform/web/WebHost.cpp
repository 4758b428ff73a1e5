#include "platform/web/WebHost.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

#include "ui/RunLoop.h"
#include "ui/Screen.h"

// clang-format off
// Every frame's moments, for the page's own figures and its tests: when it
// is displayed (seconds of performance.now()) and what it pictures.
EM_JS(void, invited_page_frame, (double displayTime, double showTime, double videoDelay), {
  invited.frame(displayTime, showTime, videoDelay);
});
// clang-format on

namespace web {

namespace {

constexpr const char* kCanvas = "#canvas";

}  // namespace

WebHost::WebHost(bool still)
    : still_(still),
      origin_(ui::RunLoop::main().now()),
      performanceOrigin_(emscripten_get_now() / 1000) {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  // The compositor resolves its own edges; a multisampled canvas would also
  // refuse the blit of a cached subtree into it.
  attributes.antialias = EM_FALSE;
  // With an alpha channel the canvas is RGBA like the compositor's textures,
  // so the blend may copy the backdrop out of it; the page behind is black.
  attributes.alpha = EM_TRUE;
  attributes.depth = EM_FALSE;
  attributes.stencil = EM_FALSE;
  attributes.preserveDrawingBuffer = still ? EM_TRUE : EM_FALSE;
  attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
  context_ = emscripten_webgl_create_context(kCanvas, &attributes);
  if (context_ <= 0) {
    context_ = 0;
    return;
  }
  emscripten_webgl_make_context_current(context_);
  compositor_ = std::make_unique<platform::Compositor>();
  // Animation frames come on the display's blank; 60 Hz until they say otherwise.
  pacer_ = std::make_unique<platform::FramePacer>([this] { return now(); }, 60, true);
  // The audio context's timestamp is read when asked: after a hidden page
  // it already says where the sound, which ran on, is now.
  pacer_->setReportsAreFresh(true);
  emscripten_set_mousedown_callback(kCanvas, this, EM_TRUE, &WebHost::onMouse);
  emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_TRUE, &WebHost::onMouse);
  emscripten_set_mousemove_callback(kCanvas, this, EM_TRUE, &WebHost::onMouse);
  emscripten_set_touchstart_callback(kCanvas, this, EM_TRUE, &WebHost::onTouch);
  emscripten_set_touchmove_callback(kCanvas, this, EM_TRUE, &WebHost::onTouch);
  emscripten_set_touchend_callback(kCanvas, this, EM_TRUE, &WebHost::onTouch);
  emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_FALSE,
                                 &WebHost::onResize);
}

WebHost::~WebHost() {
  if (context_) {
    emscripten_webgl_make_context_current(context_);
    compositor_.reset();
    emscripten_webgl_destroy_context(context_);
  }
}

double WebHost::now() const {
  return origin_ + emscripten_get_now() / 1000 - performanceOrigin_;
}

ui::Size WebHost::pageSize() {
  double width = 0, height = 0;
  emscripten_get_element_css_size(kCanvas, &width, &height);
  return {std::max(width, 1.0), std::max(height, 1.0)};
}

ui::Window* WebHost::window() const {
  return static_cast<ui::Window*>(window_.lock().get());
}

void WebHost::fitToPage() {
  const ui::Size size = pageSize();
  const double ratio = std::max(emscripten_get_device_pixel_ratio(), 0.1);
  const int pixelWidth = std::max(1, int(std::lround(size.width * ratio)));
  const int pixelHeight = std::max(1, int(std::lround(size.height * ratio)));
  if (pixelWidth != pixelWidth_ || pixelHeight != pixelHeight_) {
    pixelWidth_ = pixelWidth;
    pixelHeight_ = pixelHeight;
    emscripten_set_canvas_element_size(kCanvas, pixelWidth, pixelHeight);
  }
  ui::Screen::main().setScale(double(pixelWidth) / size.width);
  if (ui::Window* w = window(); w && w->bounds().size != size) {
    w->resize(size);
  }
}

void WebHost::present(ui::Window& window) {
  window_ = window.weak_from_this();
  fitToPage();
  // A still frame is drawn once, at its time, from nothing cached: as the
  // offline renderer draws it.
  if (!still_) {
    drawNow(ui::RunLoop::main().now());
  }
}

void WebHost::drawNow(double t) {
  ui::Window* w = window();
  if (!w || !compositor_) {
    return;
  }
  w->layoutIfNeeded();
  emscripten_webgl_make_context_current(context_);
  compositor_->render(*w, t, 0, pixelWidth_, pixelHeight_, ui::Screen::main().scale());
}

void WebHost::setCuePeriod(double seconds) {
  if (pacer_) {
    pacer_->setCuePeriod(seconds);
  }
}

void WebHost::run() {
  if (pacer_) {
    emscripten_request_animation_frame_loop(&WebHost::onAnimationFrame, this);
  }
}

EM_BOOL WebHost::onAnimationFrame(double, void* host) {
  static_cast<WebHost*>(host)->frame();
  return EM_TRUE;
}

void WebHost::frame() {
  // The frame drawn in the last callback reached the screen with this blank.
  if (framed_) {
    pacer_->swapping();
    pacer_->swapped();
  }
  fitToPage();
  // The sound first: after a hidden tab the frame must picture where it is now.
  follower_.follow(*pacer_, now());
  const platform::FramePacer::Frame next = pacer_->nextFrame();
  ui::RunLoop::main().runUntil(next.showTime);
  drawNow(next.showTime);
  pacer_->drawn();
  framed_ = true;
  invited_page_frame(next.displayTime - origin_ + performanceOrigin_, next.showTime,
                     pacer_->videoDelay());
}

EM_BOOL WebHost::onMouse(int type, const EmscriptenMouseEvent* event, void* data) {
  auto* host = static_cast<WebHost*>(data);
  ui::Window* w = host->window();
  if (!w || event->button != 0) {
    return EM_FALSE;
  }
  const ui::Point point{double(event->targetX), double(event->targetY)};
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) {
    host->pressed_ = true;
    w->touchDown(point);
  } else if (type == EMSCRIPTEN_EVENT_MOUSEMOVE && host->pressed_) {
    w->touchMoved(point);
  } else if (type == EMSCRIPTEN_EVENT_MOUSEUP && host->pressed_) {
    host->pressed_ = false;
    w->touchUp(point);
  }
  return EM_FALSE;
}

EM_BOOL WebHost::onTouch(int type, const EmscriptenTouchEvent* event, void* data) {
  auto* host = static_cast<WebHost*>(data);
  ui::Window* w = host->window();
  if (!w || event->numTouches < 1) {
    return EM_FALSE;
  }
  // One finger is the pointer; the first changed one carries the event.
  const EmscriptenTouchPoint* touch = &event->touches[0];
  for (int i = 0; i < event->numTouches; ++i) {
    if (event->touches[i].isChanged) {
      touch = &event->touches[i];
      break;
    }
  }
  const ui::Point point{double(touch->targetX), double(touch->targetY)};
  if (type == EMSCRIPTEN_EVENT_TOUCHSTART && !host->pressed_) {
    host->pressed_ = true;
    w->touchDown(point);
  } else if (type == EMSCRIPTEN_EVENT_TOUCHMOVE && host->pressed_) {
    w->touchMoved(point);
  } else if (type == EMSCRIPTEN_EVENT_TOUCHEND && host->pressed_) {
    host->pressed_ = false;
    w->touchUp(point);
  }
  // Handled here: the browser must not also make a mouse click of the tap.
  return EM_TRUE;
}

EM_BOOL WebHost::onResize(int, const EmscriptenUiEvent*, void* data) {
  static_cast<WebHost*>(data)->fitToPage();
  return EM_FALSE;
}

}  // namespace web
