#pragma once

#include <memory>

#include "show/VenueMode.h"
#include "ui/Application.h"
#include "ui/Responder.h"
#include "ui/Window.h"

// Makes the one window at launch and hands it to the show controller; the
// shell does nothing else.
class AppDelegate : public ui::Responder, public ui::ApplicationDelegate {
 public:
  struct Options {
    bool gentle = false;     // the show with its flashes kept under three a second
    bool autostart = false;  // the start screen starts the show on its own
    bool loop = false;       // the show plays again after its final black, forever
  };

  AppDelegate() = default;
  explicit AppDelegate(Options options) : options_(options) {}

  bool didFinishLaunchingWithOptions(const ui::LaunchOptions& options) override;

  const std::shared_ptr<ui::Window>& window() const { return window_; }
  void setWindow(std::shared_ptr<ui::Window> window) { window_ = std::move(window); }

  // Opens every font face; a missing or unreadable one ends the process
  // with status 1 and one line naming the file.
  static void checkFonts();

 private:
  std::shared_ptr<ui::Window> window_;
  Options options_;
  std::unique_ptr<VenueMode> venue_;
};
