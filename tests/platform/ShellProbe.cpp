// Drives the application shell through one session on a real (virtual)
// display: the window appears at the screen's size, a click runs a button's
// action, a resize keeps a scaled root view's scale, F11 covers the display
// with no window manager to ask, and quitting tells the controller that its
// view went away. Events are injected through SDL's queue
// from tasks on the run loop, so the probe needs no input tools.
#include <SDL.h>
#include <dlfcn.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ApplicationMain.h"
#include "platform/SdlWindowHost.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/RunLoop.h"
#include "ui/Screen.h"
#include "ui/Window.h"

namespace {

std::vector<std::string> failures;
int fullScreenRequests = 0;  // calls to SDL_SetWindowFullscreen

void check(bool condition, const std::string& what) {
  if (!condition) {
    failures.push_back(what);
  }
}

class ProbeController : public ui::ViewController {
 public:
  void viewWillAppear(bool) override {
    ++willAppear;
    button->setFrame({view()->bounds().midX() - 100, view()->bounds().midY() - 40, 200, 80});
    button->setBackgroundColor(ui::Color::withRGBA(0.2, 0.4, 0.8, 1));
    button->setTitle("PRESS", ui::ControlState::Normal);
    button->addTarget([this](ui::Button*) { ++presses; }, ui::ControlEvent::TouchUpInside);
    view()->setBackgroundColor(ui::Color::black());
    // A panel of many labels, which the compositor keeps as one cached
    // picture and copies to the window each frame.
    panel->setFrame({0, 0, 300, 200});
    panel->setBackgroundColor(ui::Color::withRGBA(0.2, 0.8, 0.4, 1));
    auto labels = std::make_shared<ui::View>(ui::Rect{0, 0, 300, 200});
    for (int i = 0; i < 20; ++i) {
      auto label = std::make_shared<ui::Label>(ui::Rect{0, i * 10.0, 300, 10});
      label->setText("YOU ARE INVITED");
      labels->addSubview(label);
    }
    panel->addSubview(labels);
    view()->addSubview(panel);
    view()->addSubview(button);
  }
  void viewDidAppear(bool) override { ++didAppear; }
  void viewDidDisappear(bool) override { ++didDisappear; }
  bool prefersHomeIndicatorAutoHidden() const override { return true; }

  std::shared_ptr<ui::Button> button = ui::Button::buttonWithType(ui::ButtonType::Custom);
  std::shared_ptr<ui::View> panel = std::make_shared<ui::View>();
  int willAppear = 0, didAppear = 0, didDisappear = 0, presses = 0;
};

void pushButtonEvent(Uint32 type, SDL_Window* window, ui::Point at) {
  SDL_Event event{};
  event.type = type;
  event.button.windowID = SDL_GetWindowID(window);
  event.button.button = SDL_BUTTON_LEFT;
  event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = int(at.x);
  event.button.y = int(at.y);
  SDL_PushEvent(&event);
}

class ProbeDelegate : public ui::ApplicationDelegate {
 public:
  explicit ProbeDelegate(std::shared_ptr<ProbeController> controller)
      : controller_(std::move(controller)) {}

  bool didFinishLaunchingWithOptions(const ui::LaunchOptions&) override {
    window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
    window->setRootViewController(controller_);
    if (auto* host = dynamic_cast<platform::SdlWindowHost*>(ui::Window::host())) {
      host->setFrameDrawn([this] { readFrame(); });
    }
    window->makeKeyAndVisible();
    check(controller_->willAppear == 1 && controller_->didAppear == 1,
          "make-key-and-visible calls viewWillAppear and viewDidAppear once each");

    ui::RunLoop::main().schedule(0.3, [this] { click(); });
    return true;
  }

  // Events reach the window between frames, and one frame may run several
  // tasks: so each step waits until the effect of the last one shows.
  void waitFor(std::function<bool()> condition, const std::string& what, std::function<void()> then,
               double deadline = 0) {
    auto& runLoop = ui::RunLoop::main();
    if (deadline == 0) {
      deadline = runLoop.now() + 10;
    }
    if (condition()) {
      then();
    } else if (runLoop.now() > deadline) {
      check(false, what);
      quit();
    } else {
      runLoop.schedule(0.05, [=, this] { waitFor(condition, what, then, deadline); });
    }
  }

  void readFrame() {
    ++frames;
    int h = int(window->bounds().height());
    auto pixel = [&](ui::Point p) {
      std::uint8_t rgba[4] = {};
      glReadPixels(int(p.x), h - 1 - int(p.y), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
      return std::to_string(rgba[0]) + "," + std::to_string(rgba[1]) + "," +
             std::to_string(rgba[2]);
    };
    ui::Rect button = controller_->button->frame();
    shownButton = pixel({button.x() + 3, button.y() + 3});
    shownPanel = pixel({295, 195});
  }

  void quit() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
  }

  void click() {
    sdlWindow = SDL_GL_GetCurrentWindow();
    check(sdlWindow != nullptr, "an SDL window with an OpenGL context exists");
    if (!sdlWindow) {
      quit();
      return;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(sdlWindow, &w, &h);
    ui::Rect screen = ui::Screen::main().bounds();
    check(w == int(screen.width()) && h == int(screen.height()),
          "the window has the screen's size: " + std::to_string(w) + " × " + std::to_string(h));
    check(std::string(SDL_GetWindowTitle(sdlWindow)) == "you are invited", "the window's title");
    check(!(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN), "not full screen");
    check(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_RESIZABLE, "resizable");
    // The frame as drawn: the button's and the panel's colours where no text lies.
    check(!shownButton.empty() && shownButton == "51,102,204",
          "the window shows the button: " + shownButton);
    check(shownPanel == "51,204,102", "the window shows the panel: " + shownPanel);
    pushButtonEvent(SDL_MOUSEBUTTONDOWN, sdlWindow, controller_->button->frame().center());
    pushButtonEvent(SDL_MOUSEBUTTONUP, sdlWindow, controller_->button->frame().center());
    waitFor([this] { return controller_->presses > 0; }, "a click runs the button's action",
            [this] { resize(); });
  }

  void resize() {
    check(controller_->presses == 1, "one click, one action");
    // Fit a 1920 × 1080 stage as the show does, then make the window smaller.
    auto& root = *controller_->view();
    scale = root.bounds().width() / 1920;
    root.setBounds({0, 0, 1920, 1080});
    root.setTransform(ui::AffineTransform::makeScale(scale, scale));
    SDL_SetWindowSize(sdlWindow, 640, 400);
    waitFor(
        [this] {
          return window->bounds().size == ui::Size{640, 400};
        },
        "the window follows a resize", [this] { checkResized(); });
  }

  void checkResized() {
    auto& root = *controller_->view();
    check(root.transform() == ui::AffineTransform::makeScale(scale, scale),
          "a resize keeps the root view's transform");
    check(root.bounds().size == ui::Size{1920, 1080}, "a resize keeps the stage's bounds");
    check(root.center() == ui::Point{320, 200}, "the root view stays centred");
    // Frames go on after the resize: the window shows the button again.
    int framesBefore = frames;
    waitFor([this, framesBefore] { return frames > framesBefore + 2; },
            "frames are drawn after a resize", [this] { fullScreen(); });
  }

  // The virtual display runs no window manager: a full-screen request would
  // hold the frame loop for a tenth of a second each time, waiting for an
  // answer. F11 must cover the display without asking, and Escape give the
  // window back its size.
  void fullScreen() {
    pushKey(SDLK_F11);
    const ui::Size screen = ui::Screen::main().bounds().size;
    waitFor([this, screen] { return window->bounds().size == screen; }, "F11 covers the display",
            [this] {
              int x = -1, y = -1;
              SDL_GetWindowPosition(sdlWindow, &x, &y);
              check(x == 0 && y == 0, "the full-screen window starts at the display's corner");
              pushKey(SDLK_ESCAPE);
              waitFor(
                  [this] {
                    return window->bounds().size == ui::Size{640, 400};
                  },
                  "Escape gives the window back its size",
                  [this] {
                    check(fullScreenRequests == 0,
                          "no full-screen request waits for a window manager that is not "
                          "there: " +
                              std::to_string(fullScreenRequests));
                    quit();
                  });
            });
  }

  void pushKey(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = SDL_GetWindowID(sdlWindow);
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    SDL_PushEvent(&event);
  }

  std::shared_ptr<ui::Window> window;
  SDL_Window* sdlWindow = nullptr;
  double scale = 1;
  std::string shownButton, shownPanel;
  int frames = 0;

 private:
  std::shared_ptr<ProbeController> controller_;
};

}  // namespace

// The probe's own definition is the one the shell's call binds to.
extern "C" int SDL_SetWindowFullscreen(SDL_Window* window, Uint32 flags) {
  using Request = int (*)(SDL_Window*, Uint32);
  static auto real = reinterpret_cast<Request>(dlsym(RTLD_NEXT, "SDL_SetWindowFullscreen"));
  ++fullScreenRequests;
  return real(window, flags);
}

int main(int argc, char** argv) {
  auto controller = std::make_shared<ProbeController>();
  int status = platform::applicationMain(
      argc, argv, [&] { return std::make_shared<ProbeDelegate>(controller); });
  if (status != 0) {
    return status;
  }
  check(controller->didDisappear == 1, "quitting calls viewDidDisappear");
  for (const auto& failure : failures) {
    std::fprintf(stderr, "shell probe: FAILED: %s\n", failure.c_str());
  }
  if (failures.empty()) {
    std::printf("shell probe: all checks passed\n");
  }
  return failures.empty() ? 0 : 1;
}
