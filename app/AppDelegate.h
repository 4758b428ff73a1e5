#pragma once

#include <memory>

#include "ui/Application.h"
#include "ui/Responder.h"
#include "ui/Window.h"

// Makes the one window at launch and hands it to the show controller; the
// shell does nothing else.
class AppDelegate : public ui::Responder, public ui::ApplicationDelegate {
 public:
  // Gentle: the show with its flashes kept under three a second.
  explicit AppDelegate(bool gentle = false) : gentle_(gentle) {}

  bool didFinishLaunchingWithOptions(const ui::LaunchOptions& options) override;

  const std::shared_ptr<ui::Window>& window() const { return window_; }
  void setWindow(std::shared_ptr<ui::Window> window) { window_ = std::move(window); }

 private:
  // Opens every font face; a missing or unreadable one ends the process
  // with status 1 and one line naming the file.
  static void checkFonts();

  std::shared_ptr<ui::Window> window_;
  bool gentle_ = false;
};
