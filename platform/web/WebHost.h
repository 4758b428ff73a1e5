#pragma once

#include <emscripten/html5.h>

#include <memory>

#include "platform/Compositor.h"
#include "platform/FramePacer.h"
#include "platform/SoundFollower.h"
#include "ui/Window.h"

namespace web {

// Shows the program's one ui::Window on the page's canvas with WebGL2 and
// runs its frames from the browser's animation frames: the counterpart of
// the desktop's SDL window host, with the same compositor and frame pacer.
//
// The display clock is performance.now() (the steady clock here), with the
// run loop's now() at creation as the origin. Each animation frame hears the
// sound, asks the pacer for the frame's show time, runs the run loop's tasks
// up to it and draws. A click or a tap reaches the window as a touch; the
// canvas fills the page, and every change of the page's size (a resize, a
// turned phone, full screen) resizes the window.
class WebHost : public ui::WindowHost {
 public:
  // Makes the WebGL2 context on the canvas "#canvas"; ok() says whether it
  // could. A `still` host draws only when told (drawNow) and keeps its
  // drawing buffer after it is shown, for whoever looks at the page.
  explicit WebHost(bool still);
  ~WebHost() override;
  WebHost(const WebHost&) = delete;
  WebHost& operator=(const WebHost&) = delete;

  bool ok() const { return context_ > 0; }
  // The page's size in CSS pixels (points) and the device pixel ratio.
  static ui::Size pageSize();

  void present(ui::Window& window) override;
  // Draws the window as presented at run-loop time `t`, now.
  void drawNow(double t);
  // Runs a frame on every animation frame of the browser from now on.
  void run();
  // Seconds between the show's cues (FramePacer::setCuePeriod).
  void setCuePeriod(double seconds);

 private:
  static EM_BOOL onAnimationFrame(double time, void* host);
  static EM_BOOL onMouse(int type, const EmscriptenMouseEvent* event, void* host);
  static EM_BOOL onTouch(int type, const EmscriptenTouchEvent* event, void* host);
  static EM_BOOL onResize(int type, const EmscriptenUiEvent* event, void* host);
  double now() const;
  void frame();
  // Follows the page's size: the canvas's pixels and the window's points.
  void fitToPage();
  ui::Window* window() const;

  bool still_;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_ = 0;
  std::unique_ptr<platform::Compositor> compositor_;
  std::unique_ptr<platform::FramePacer> pacer_;
  platform::SoundFollower follower_;
  std::weak_ptr<ui::View> window_;
  double origin_ = 0;             // run-loop seconds at performanceOrigin_
  double performanceOrigin_ = 0;  // performance.now() seconds at creation
  bool framed_ = false;           // a frame has been drawn in the animation loop
  bool pressed_ = false;
  int pixelWidth_ = 0;
  int pixelHeight_ = 0;
};

}  // namespace web
