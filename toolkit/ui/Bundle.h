#pragma once

#include <optional>
#include <string>

namespace ui {

// The program's resource folder and the name it signs its messages with.
class Bundle {
 public:
  // The program's bundle. Until the program sets one, it is the folder
  // "resources" beside the executable, with no name.
  static Bundle& main();

  // The bundle of a program installed under any prefix: the data folder
  // <prefix>/share/`folder` when the executable sits in <prefix>/bin, else
  // the folder "resources" beside the executable (a build tree).
  static Bundle installed(const std::string& folder, std::string name);

  const std::string& resourcePath() const { return path_; }
  // Empty when the program gave none.
  const std::string& name() const { return name_; }
  // The path of resource `name`.`extension`, or none when it is missing.
  std::optional<std::string> urlForResource(const std::string& name,
                                            const std::string& extension) const;

  explicit Bundle(std::string path, std::string name = {})
      : path_(std::move(path)), name_(std::move(name)) {}

 private:
  std::string path_;
  std::string name_;
};

}  // namespace ui
