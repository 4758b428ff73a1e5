#pragma once

#include <optional>
#include <string>

namespace ui {

// The program's resource folder: "resources" beside the executable in the
// build tree, or the installed data folder.
class Bundle {
 public:
  static Bundle& main();

  const std::string& resourcePath() const { return path_; }
  // The path of resource `name`.`extension`, or none when it is missing.
  std::optional<std::string> urlForResource(const std::string& name,
                                            const std::string& extension) const;

  explicit Bundle(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

}  // namespace ui
