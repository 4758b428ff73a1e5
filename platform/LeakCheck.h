#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

// Mesa's software renderer stops its worker threads from an exit handler; the
// sanitizer's leak check, which also runs at exit, can race those threads and
// crash. Programs and test runners that draw call this at the end of main,
// while the threads idle: the leak check runs then, fully, and not again at
// exit. Without the sanitizer it does nothing.
inline void checkLeaksBeforeExit() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_do_leak_check();
#endif
}

}  // namespace platform
