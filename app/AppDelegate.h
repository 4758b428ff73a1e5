#pragma once

#include <memory>
#include <string>

#include "show/VenueMode.h"
#include "show/ViewController.h"
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

  // False, with launchFailure() naming the file, when a font face cannot be
  // read. The track is opened while the start screen stands: launchFailure()
  // names it once its opening failed.
  bool didFinishLaunchingWithOptions(const ui::LaunchOptions& options) override;
  std::string launchFailure(bool wait) const override;

  const std::shared_ptr<ui::Window>& window() const { return window_; }
  void setWindow(std::shared_ptr<ui::Window> window) { window_ = std::move(window); }

 private:
  std::shared_ptr<ui::Window> window_;
  Options options_;
  std::string failure_;
  std::unique_ptr<VenueMode> venue_;
};
