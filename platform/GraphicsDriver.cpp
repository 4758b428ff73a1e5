#include "platform/GraphicsDriver.h"

#include <dlfcn.h>
#include <link.h>

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

}  // namespace platform
