#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/Responder.h"

namespace ui {

using LaunchOptions = std::map<std::string, std::string>;

// The application delegate role.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // False when the application cannot start; launchFailure() then says why
  // in one line, without the program's name, for the shell to report.
  virtual bool didFinishLaunchingWithOptions(const LaunchOptions& options) = 0;
  virtual std::string launchFailure() const { return {}; }
};

using DelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;

}  // namespace ui
