#pragma once

#include <string>

namespace platform {

// The OpenGL driver that the system loaded for a context.
class GraphicsDriver {
 public:
  // Keeps every loaded driver library (Mesa's, and the compiler it uses) in
  // memory until the process ends, even after its display is closed. The
  // driver keeps some memory for the life of the process; if its code were
  // unloaded first, an exit-time leak report could no longer name it and
  // would blame whatever library came to occupy its addresses. Call it once a
  // context exists; a second call changes nothing.
  static void keepLoaded();

  // Why OpenGL cannot be had here, or empty: the libraries that SDL2 and
  // libepoxy load at run time (they abort when one is missing), named with
  // the Debian package that brings each. `offscreen`: EGL alone will do.
  static std::string missingLibraries(bool offscreen);
};

}  // namespace platform
