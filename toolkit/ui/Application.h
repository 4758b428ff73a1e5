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
  virtual bool didFinishLaunchingWithOptions(const LaunchOptions& options) = 0;
};

using DelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;

}  // namespace ui
