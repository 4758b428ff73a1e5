#pragma once

#include <SDL.h>

namespace platform {

// What manages the windows on the display. A request for full screen is a
// message to the window manager, and SDL waits a tenth of a second for the
// answer; on a bare X server (a kiosk, a virtual display) no answer ever
// comes, so the shell must not ask.
class WindowManager {
 public:
  // Whether a window manager that takes full-screen requests runs for
  // `window`'s display. Only a bare X server says no: other systems always
  // have one.
  static bool takesFullScreenRequests(SDL_Window* window);
};

}  // namespace platform
