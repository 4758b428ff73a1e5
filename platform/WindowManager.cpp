#include "platform/WindowManager.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {

namespace {

// The window an EWMH window manager names on the root window, when it names
// one that exists.
bool rootNamesItsManager(Display* display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) {
    return false;
  }
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &remaining, &data);
  const bool named = status == Success && type == XA_WINDOW && format == 32 && count == 1;
  if (data != nullptr) {
    XFree(data);
  }
  return named;
}

}  // namespace

bool WindowManager::takesFullScreenRequests(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return true;
  }
  return rootNamesItsManager(info.info.x11.display);
}

}  // namespace platform
