#pragma once

namespace ui {

// Base of everything that can take part in event handling: views, view
// controllers and the application delegate.
class Responder {
 public:
  virtual ~Responder() = default;
};

}  // namespace ui
