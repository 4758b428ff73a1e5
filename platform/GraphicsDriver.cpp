#include "platform/GraphicsDriver.h"

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <string_view>

namespace platform {

void GraphicsDriver::keepLoaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        std::string_view name = info->dlpi_name ? info->dlpi_name : "";
        bool driver = name.find("_dri.so") != std::string_view::npos ||
                      name.find("libgallium") != std::string_view::npos ||
                      name.find("libLLVM") != std::string_view::npos;
        if (driver) {
          // The handle is never closed: with RTLD_NODELETE the library stays
          // mapped even if every other user closes it.
          dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        }
        return 0;
      },
      nullptr);
}

std::string GraphicsDriver::missingLibraries(bool offscreen) {
  struct Library {
    const char* file;
    const char* package;
  };
  // GLVND's dispatchers; each needs a vendor's library behind it (Mesa's
  // libegl-mesa0 and libglx-mesa0), which the dispatcher itself reports.
  static constexpr Library needed[] = {{"libEGL.so.1", "libegl1"}, {"libGL.so.1", "libgl1"}};
  std::string missing;
  for (const Library& library : needed) {
    if (offscreen && std::string_view(library.file) == "libGL.so.1") {
      continue;
    }
    // Loaded now, it stays: the driver would load it a moment later anyway.
    if (!dlopen(library.file, RTLD_LAZY | RTLD_GLOBAL)) {
      missing += missing.empty() ? "" : ", ";
      missing += std::string(library.file) + " (package " + library.package + ")";
    }
  }
  if (missing.empty()) {
    return {};
  }
  return "OpenGL cannot be loaded: " + missing +
         " is missing; install it with a driver, e.g. Mesa's: libegl-mesa0 libglx-mesa0 "
         "libgl1-mesa-dri";
}

}  // namespace platform
