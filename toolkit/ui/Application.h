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
  // Also after a launch that returned true: a resource opened while the
  // first screen stands can still fail, and the shell asks once a frame.
  // With `wait`, waits for the checks still running first.
  virtual std::string launchFailure(bool wait) const {
    (void)wait;
    return {};
  }
};

using DelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;

}  // namespace ui
