#include "ui/Bundle.h"

#include <filesystem>
#include <system_error>

namespace ui {

namespace {

namespace fs = std::filesystem;

fs::path executableFolder() {
  std::error_code error;
  auto exe = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path() : exe.parent_path();
}

}  // namespace

Bundle& Bundle::main() {
  static Bundle bundle((executableFolder() / "resources").string());
  return bundle;
}

Bundle Bundle::installed(const std::string& folder, std::string name) {
  const fs::path exeFolder = executableFolder();
  const fs::path data = exeFolder.parent_path() / "share" / folder;
  std::error_code error;
  if (exeFolder.filename() == "bin" && fs::is_directory(data, error)) {
    return Bundle(data.lexically_normal().string(), std::move(name));
  }
  return Bundle((exeFolder / "resources").string(), std::move(name));
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
