#include "platform/ApplicationMain.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/GraphicsDriver.h"
#include "platform/SdlWindowHost.h"
#include "ui/Bundle.h"
#include "ui/Screen.h"

namespace platform {

namespace {

// The name the program signs its messages with: its bundle's, else the
// executable's.
std::string programName(char** argv) {
  if (!ui::Bundle::main().name().empty()) {
    return ui::Bundle::main().name();
  }
  if (argv && argv[0]) {
    std::string_view path = argv[0];
    return std::string(path.substr(path.rfind('/') + 1));
  }
  return "invited";
}

// SDL's dialog draws each line as it is, however wide: the words are wrapped
// at spaces into lines of about `width` characters (a long path stays whole).
std::string wrapped(const std::string& text, std::size_t width = 72) {
  std::string out;
  std::size_t lineStart = 0;
  std::size_t lastSpace = std::string::npos;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == ' ') {
      lastSpace = out.size() - 1;
    }
    if (out.size() - lineStart > width && lastSpace != std::string::npos && lastSpace > lineStart) {
      out[lastSpace] = '\n';
      lineStart = lastSpace + 1;
      lastSpace = std::string::npos;
    }
  }
  return out;
}

// One line on standard error, and the same words in a dialog when there is a
// display: launched from a menu, the program has no terminal to be read in.
int fail(const std::string& program, bool withDialog, const std::string& what) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), what.c_str());
  std::fflush(stderr);
  if (withDialog) {
    const std::string title = program + " cannot start";
    // Where none can be shown (an X server without its core fonts), the
    // line has been said.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), wrapped(what).c_str(), nullptr);
  }
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
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if (!x11 && !wayland) {
    return "neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
  // Only the display the environment names is tried: another would fail
  // with a complaint of its own, and then SDL falls back to a stand-in.
  if (!std::getenv("SDL_VIDEODRIVER") && (!x11 || !wayland)) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
  }
  const std::string named =
      x11 && !wayland   ? std::string("the X display ") + x11 + " (DISPLAY)"
      : wayland && !x11 ? std::string("the Wayland display ") + wayland + " (WAYLAND_DISPLAY)"
                        : std::string("the display");
#else
  const std::string named = "the display";
#endif
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    return "cannot open " + named + ": " + SDL_GetError();
  }
  std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  SDL_Rect usable;
  if (driver == "dummy" || driver == "offscreen" || SDL_GetNumVideoDisplays() < 1 ||
      SDL_GetDisplayBounds(0, &usable) != 0) {
    return "cannot open " + named + ": " +
           (driver.empty() ? "no video driver" : "SDL has only a stand-in");
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

int applicationMain(int, char** argv, const ui::DelegateFactory& delegateFactory,
                    const ShellOptions& options) {
  const std::string program = programName(argv);
  const std::string displayProblem = openDisplay();
  const bool dialog = displayProblem.empty();
  struct Quit {
    ~Quit() { SDL_Quit(); }
  } quitAtEnd;

  try {
    std::unique_ptr<SdlWindowHost> sdlHost;
    std::unique_ptr<ui::WindowHost> host;
    if (displayProblem.empty()) {
      if (const std::string missing = GraphicsDriver::missingLibraries(false); !missing.empty()) {
        return fail(program, dialog, missing);
      }
      sdlHost = std::make_unique<SdlWindowHost>();
      sdlHost->setOpensFullScreen(options.fullScreen);
      sdlHost->setTitle(options.title);
      sdlHost->setCuePeriod(options.cuePeriod);
      // The window is made now, hidden; it shows once the delegate's
      // resources passed. Meanwhile the drawing is readied.
      sdlHost->prepare(ui::Screen::main().bounds().size);
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
      return fail(program, dialog, "cannot start: no application delegate");
    }
    bool launched = false;
    try {
      launched = delegate->didFinishLaunchingWithOptions({});
    } catch (const NoDisplayHost::NoDisplay& e) {
      // A resource that cannot be read is the first thing to mend.
      const std::string why = delegate->launchFailure(true);
      return fail(program, false,
                  why.empty() ? std::string("no display to show the window on: ") + e.what() : why);
    }
    if (!launched) {
      const std::string why = delegate->launchFailure(true);
      delegate.reset();
      return fail(program, dialog, why.empty() ? "cannot start" : why);
    }
    if (!sdlHost || !sdlHost->sdlWindow()) {
      return fail(program, dialog, "cannot start: the application showed no window");
    }
    sdlHost->setFailureCheck([&delegate] { return delegate->launchFailure(false); });
    int status = sdlHost->run();
    const std::string failure = sdlHost->failure();
    // The delegate holds the window and its views: let them go while the
    // OpenGL context that drew them still exists.
    delegate.reset();
    return failure.empty() ? status : fail(program, dialog, failure);
  } catch (const NoDisplayHost::NoDisplay& e) {
    return fail(program, false, std::string("no display to show the window on: ") + e.what());
  } catch (const std::exception& e) {
    return fail(program, dialog, std::string("cannot show the window: ") + e.what());
  }
}

}  // namespace platform
