#pragma once

#include <memory>
#include <string>

namespace platform {

// An OpenGL 3.3 core context with no window and no display: EGL's surfaceless
// platform (Mesa's software renderer on a machine without a GPU). Current on
// the creating thread from creation on.
class EglContext {
 public:
  // nullptr with `error` set when no such context can be made.
  static std::unique_ptr<EglContext> create(std::string& error);
  ~EglContext();
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  void makeCurrent();

 private:
  EglContext() = default;
  void* display_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace platform
