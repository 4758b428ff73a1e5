#include "platform/ApplicationMain.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/MediaModule.h"
#include "platform/SdlWindowHost.h"
#include "ui/Screen.h"

namespace platform {

namespace {

int fail(const char* what, const char* why) {
  std::fprintf(stderr, "invited: %s: %s\n", what, why);
  return 1;
}

// Stands in for the window host when there is no display: the program still
// launches (a controller that cannot start fails with its own reason first),
// and only showing the window fails.
class NoDisplayHost : public ui::WindowHost {
 public:
  explicit NoDisplayHost(std::string reason) : reason_(std::move(reason)) {}
  void present(ui::Window&) override { throw NoDisplay(reason_); }

  struct NoDisplay : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

 private:
  std::string reason_;
};

// Why no window can be shown here, or empty when one can. Sets the main
// screen from the display when there is one.
std::string openDisplay() {
#if defined(__linux__)
  // Asking SDL would have its display libraries print their own complaints.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    return "neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
#endif
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    return SDL_GetError();
  }
  std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  SDL_Rect usable;
  if (driver == "dummy" || driver == "offscreen" || SDL_GetNumVideoDisplays() < 1 ||
      SDL_GetDisplayBounds(0, &usable) != 0) {
    return driver.empty() ? "no video driver" : "SDL has only a stand-in";
  }
  // The screen's bounds in points; the density follows from the first window.
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    ui::Screen::main().setBounds({0, 0, double(mode.w), double(mode.h)});
  } else {
    ui::Screen::main().setBounds({0, 0, double(usable.w), double(usable.h)});
  }
  ui::Screen::main().setScale(1);
  return {};
}

}  // namespace

int applicationMain(int, char**, const ui::DelegateFactory& delegateFactory,
                    const ShellOptions& options) {
  const std::string displayProblem = openDisplay();
  struct Quit {
    ~Quit() { SDL_Quit(); }
  } quitAtEnd;

  try {
    std::unique_ptr<SdlWindowHost> sdlHost;
    std::unique_ptr<ui::WindowHost> host;
    if (displayProblem.empty()) {
      sdlHost = std::make_unique<SdlWindowHost>();
      sdlHost->setOpensFullScreen(options.fullScreen);
      sdlHost->setTitle(options.title);
      // The window is made now, hidden; it shows once the delegate's
      // resources passed. With the display's and the driver's libraries in,
      // the media module loads on its own thread (no other load waits on
      // the system loader then) while this one readies the drawing.
      sdlHost->prepare(ui::Screen::main().bounds().size);
      MediaModule::startLoading();
      sdlHost->warmUp();
    } else {
      host = std::make_unique<NoDisplayHost>(displayProblem);
    }
    ui::Window::setHost(sdlHost ? static_cast<ui::WindowHost*>(sdlHost.get()) : host.get());
    struct Unset {
      ~Unset() { ui::Window::setHost(nullptr); }
    } unsetHost;
    auto delegate = delegateFactory();
    if (!delegate) {
      return fail("cannot start", "no application delegate");
    }
    delegate->didFinishLaunchingWithOptions({});
    if (!sdlHost || !sdlHost->sdlWindow()) {
      return fail("cannot start", "the application showed no window");
    }
    int status = sdlHost->run();
    // The delegate holds the window and its views: let them go while the
    // OpenGL context that drew them still exists.
    delegate.reset();
    return status;
  } catch (const NoDisplayHost::NoDisplay& e) {
    return fail("no display to show the window on", e.what());
  } catch (const std::exception& e) {
    return fail("cannot show the window", e.what());
  }
}

}  // namespace platform
