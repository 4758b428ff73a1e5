#include "ui/Bundle.h"

#include <filesystem>
#include <system_error>

namespace ui {

namespace {

std::string findResourcePath() {
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    auto beside = exe.parent_path() / "resources";
    if (std::filesystem::is_directory(beside, error)) {
      return beside.string();
    }
  }
  return INVITED_INSTALL_DATA_DIR;
}

}  // namespace

Bundle& Bundle::main() {
  static Bundle bundle(findResourcePath());
  return bundle;
}

std::optional<std::string> Bundle::urlForResource(const std::string& name,
                                                  const std::string& extension) const {
  std::filesystem::path path = std::filesystem::path(path_) / (name + "." + extension);
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    return std::nullopt;
  }
  return path.string();
}

}  // namespace ui
