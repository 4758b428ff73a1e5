#include "platform/SdlWindowHost.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "platform/Gl.h"
#include "platform/GraphicsDriver.h"
#include "platform/WindowManager.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"

namespace platform {

namespace {

constexpr double cursorHideDelay = 2.0;  // seconds without pointer motion

ui::Window* asWindow(const std::shared_ptr<ui::View>& view) {
  return static_cast<ui::Window*>(view.get());
}

}  // namespace

SdlWindowHost::SdlWindowHost()
    : origin_(ui::RunLoop::main().now()),
      counterOrigin_(SDL_GetPerformanceCounter()),
      counterFrequency_(double(SDL_GetPerformanceFrequency())) {}

SdlWindowHost::~SdlWindowHost() {
  if (glContext_) {
    SDL_GL_MakeCurrent(sdlWindow_, glContext_);
    compositor_.reset();
    SDL_GL_DeleteContext(glContext_);
  }
  if (sdlWindow_) {
    SDL_DestroyWindow(sdlWindow_);
  }
}

double SdlWindowHost::now() const {
  return origin_ + double(SDL_GetPerformanceCounter() - counterOrigin_) / counterFrequency_;
}

void SdlWindowHost::followAudio() {
  if (pacer_) {
    follower_.follow(*pacer_, now());
  }
}

void SdlWindowHost::prepare(ui::Size size) {
  try {
    createWindow(size);
  } catch (const std::runtime_error& error) {
    prepareError_ = error.what();
  }
}

void SdlWindowHost::warmUp() {
  if (compositor_) {
    int pixelWidth = 0, pixelHeight = 0;
    SDL_GL_GetDrawableSize(sdlWindow_, &pixelWidth, &pixelHeight);
    compositor_->warmUp(0, std::max(pixelWidth, 1), std::max(pixelHeight, 1));
  }
}

void SdlWindowHost::createWindow(ui::Size size) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  sdlWindow_ = SDL_CreateWindow(
      title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
      std::max(1, int(std::lround(size.width))), std::max(1, int(std::lround(size.height))),
      SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
  if (!sdlWindow_) {
    throw std::runtime_error(std::string("cannot open a window: ") + SDL_GetError());
  }
  glContext_ = SDL_GL_CreateContext(sdlWindow_);
  if (!glContext_) {
    throw std::runtime_error(std::string("cannot make an OpenGL 3.3 context: ") + SDL_GetError());
  }
  GraphicsDriver::keepLoaded();
  const bool vsync = SDL_GL_SetSwapInterval(1) == 0;
  SDL_DisplayMode mode;
  int display = SDL_GetWindowDisplayIndex(sdlWindow_);
  if (SDL_GetCurrentDisplayMode(std::max(display, 0), &mode) == 0 && mode.refresh_rate > 0) {
    refreshRate_ = mode.refresh_rate;
  }
  pacer_ = std::make_unique<FramePacer>([this] { return now(); }, refreshRate_, vsync);
  pacer_->setCuePeriod(cuePeriod_);
  compositor_ = std::make_unique<Compositor>();
}

void SdlWindowHost::present(ui::Window& window) {
  window_ = window.weak_from_this();
  if (!prepareError_.empty()) {
    throw std::runtime_error(prepareError_);
  }
  if (!sdlWindow_) {
    createWindow(window.frame().size);
  }
  if (!(SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_SHOWN)) {
    // Asked only when it differs: SDL waits for a size change to happen.
    const int w = std::max(1, int(std::lround(window.frame().width())));
    const int h = std::max(1, int(std::lround(window.frame().height())));
    int preparedWidth = 0, preparedHeight = 0;
    SDL_GetWindowSize(sdlWindow_, &preparedWidth, &preparedHeight);
    if (w != preparedWidth || h != preparedHeight) {
      SDL_SetWindowSize(sdlWindow_, w, h);
    }
    SDL_ShowWindow(sdlWindow_);
    if (opensFullScreen_) {
      toggleFullScreen(true);
    }
    lastMotion_ = now();
  }
  // The window manager may not give the size asked for.
  int w = 0, h = 0;
  SDL_GetWindowSize(sdlWindow_, &w, &h);
  if (ui::Size{double(w), double(h)} != window.bounds().size) {
    window.resize({double(w), double(h)});
  }
  updateScale();
  drawFrame(ui::RunLoop::main().now());
}

void SdlWindowHost::updateScale() {
  int w = 0, h = 0, pixelWidth = 0, pixelHeight = 0;
  SDL_GetWindowSize(sdlWindow_, &w, &h);
  SDL_GL_GetDrawableSize(sdlWindow_, &pixelWidth, &pixelHeight);
  if (w > 0 && pixelWidth > 0) {
    ui::Screen::main().setScale(double(pixelWidth) / w);
  }
}

void SdlWindowHost::drawFrame(double t) {
  auto window = window_.lock();
  if (!window || !sdlWindow_) {
    return;
  }
  window->layoutIfNeeded();
  int pixelWidth = 0, pixelHeight = 0;
  SDL_GL_GetDrawableSize(sdlWindow_, &pixelWidth, &pixelHeight);
  if (pixelWidth <= 0 || pixelHeight <= 0) {
    return;
  }
  SDL_GL_MakeCurrent(sdlWindow_, glContext_);
  compositor_->render(*window, t, 0, pixelWidth, pixelHeight, ui::Screen::main().scale());
  // A driver may hold the frame's commands until the swap. Handed over now,
  // they are drawn while this thread waits for the frame's slot, and the
  // swap is left with the copy to the screen, whose length holds steady,
  // rather than the drawing, whose length varies from frame to frame.
  glFlush();
  if (frameDrawn_) {
    frameDrawn_();
  }
  pacer_->drawn();
  if (!pacer_->vsync()) {
    // Drawn ahead, shown on time: the frame goes to the screen at the
    // instant it was drawn for, not a drawing time later.
    std::this_thread::sleep_for(std::chrono::duration<double>(swapAt_ - now()));
  }
  pacer_->swapping();
  SDL_GL_SwapWindow(sdlWindow_);
  pacer_->swapped();
  if (warmingUp_) {
    // After the swap, so that the frame on screen never waits for it.
    warmingUp_ = compositor_->warmUpNext(0, pixelWidth, pixelHeight);
  }
}

int SdlWindowHost::run() {
  if (!pacer_) {
    return 0;
  }
  running_ = true;
  while (running_) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      handle(event);
    }
    if (!running_) {
      break;
    }
    if (failureCheck_ && !(failure_ = failureCheck_()).empty()) {
      break;
    }
    applyWantedFullScreen();
    auto& runLoop = ui::RunLoop::main();
    if (minimized_ || window_.expired()) {
      // Nothing to draw: keep tasks on time and wake for events.
      double wait =
          std::clamp(runLoop.nextFireTime() + videoDelay() - now(), 0.0, pacer_->period());
      SDL_WaitEventTimeout(nullptr, int(wait * 1000));
      runLoop.runUntil(pacer_->showTimeNow());
      followAudio();
      continue;
    }
    // The sound first: after a stall the frame must picture where it is now.
    followAudio();
    const FramePacer::Frame frame = pacer_->nextFrame();
    runLoop.runUntil(frame.showTime);
    updateCursor();
    swapAt_ = frame.swapAt;
    drawFrame(frame.showTime);
    updateScale();
  }
  if (auto window = window_.lock()) {
    asWindow(window)->close();
  }
  return 0;
}

void SdlWindowHost::handle(const SDL_Event& event) {
  auto view = window_.lock();
  ui::Window* window = view ? asWindow(view) : nullptr;
  switch (event.type) {
    case SDL_QUIT:
      running_ = false;
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          running_ = false;
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          if (window) {
            window->resize({double(event.window.data1), double(event.window.data2)});
          }
          updateScale();
          break;
        case SDL_WINDOWEVENT_MINIMIZED:
          minimized_ = true;
          break;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_SHOWN:
          minimized_ = false;
          break;
        default:
          break;
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT && window) {
        pressed_ = true;
        window->touchDown({double(event.button.x), double(event.button.y)});
      }
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT && window && pressed_) {
        pressed_ = false;
        window->touchUp({double(event.button.x), double(event.button.y)});
      }
      break;
    case SDL_MOUSEMOTION:
      lastMotion_ = now();
      if (!cursorShown_) {
        SDL_ShowCursor(SDL_ENABLE);
        cursorShown_ = true;
      }
      if (pressed_ && window) {
        window->touchMoved({double(event.motion.x), double(event.motion.y)});
      }
      break;
    case SDL_KEYDOWN: {
      SDL_Keycode key = event.key.keysym.sym;
      Uint16 mod = event.key.keysym.mod;
#ifdef __APPLE__
      bool command = mod & KMOD_GUI;
#else
      bool command = mod & KMOD_CTRL;
#endif
      if (key == SDLK_q && command) {
        running_ = false;
      } else if (key == SDLK_F11) {
        wantedFullScreen_ = !wantedFullScreen_.value_or(isFullScreen());
      } else if (key == SDLK_ESCAPE) {
        wantedFullScreen_ = false;
      }
      break;
    }
    default:
      break;
  }
}

void SdlWindowHost::toggleFullScreen(bool on) {
  if (!sdlWindow_) {
    return;
  }
  if (!managed_) {
    managed_ = WindowManager::takesFullScreenRequests(sdlWindow_);
  }
  if (*managed_) {
    SDL_SetWindowFullscreen(sdlWindow_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    return;
  }
  // With no manager to ask, the shell covers the display itself: moving and
  // sizing a window waits for no one.
  if (on && !ownFullScreen_) {
    SDL_GetWindowPosition(sdlWindow_, &windowed_.x, &windowed_.y);
    SDL_GetWindowSize(sdlWindow_, &windowed_.w, &windowed_.h);
    SDL_Rect display{};
    SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(sdlWindow_), 0), &display);
    SDL_SetWindowBordered(sdlWindow_, SDL_FALSE);
    SDL_SetWindowPosition(sdlWindow_, display.x, display.y);
    SDL_SetWindowSize(sdlWindow_, display.w, display.h);
  } else if (!on && ownFullScreen_) {
    SDL_SetWindowBordered(sdlWindow_, SDL_TRUE);
    SDL_SetWindowPosition(sdlWindow_, windowed_.x, windowed_.y);
    SDL_SetWindowSize(sdlWindow_, windowed_.w, windowed_.h);
  }
  ownFullScreen_ = on;
}

bool SdlWindowHost::isFullScreen() const {
  return sdlWindow_ &&
         (ownFullScreen_ || (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0);
}

void SdlWindowHost::applyWantedFullScreen() {
  // A request to a window manager holds this thread until it answers, so the
  // presses of a burst are folded into one change, and changes come at most
  // a few times a second: the frames, a quit and a resize go on between.
  // With no manager the shell never asks (toggleFullScreen).
  constexpr double leastInterval = 0.25;
  if (!wantedFullScreen_ || now() - lastFullScreenChange_ < leastInterval) {
    return;
  }
  const bool wanted = *wantedFullScreen_;
  wantedFullScreen_.reset();
  if (wanted != isFullScreen()) {
    toggleFullScreen(wanted);
    lastFullScreenChange_ = now();
  }
}

void SdlWindowHost::updateCursor() {
  auto view = window_.lock();
  if (!view || !cursorShown_) {
    return;
  }
  const auto& controller = asWindow(view)->rootViewController();
  if (controller && controller->prefersHomeIndicatorAutoHidden() &&
      now() - lastMotion_ > cursorHideDelay) {
    SDL_ShowCursor(SDL_DISABLE);
    cursorShown_ = false;
  }
}

}  // namespace platform
