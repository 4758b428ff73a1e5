#pragma once

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
};

}  // namespace platform
