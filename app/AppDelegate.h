#pragma once

#include <memory>
#include <string>

#include "show/ViewController.h"
#include "ui/Application.h"
#include "ui/Responder.h"
#include "ui/Window.h"

// Makes the one window at launch and hands it to the show controller; the
// shell does nothing else.
class AppDelegate : public ui::Responder, public ui::ApplicationDelegate {
 public:
  // Gentle: the show with its flashes kept under three a second.
  explicit AppDelegate(bool gentle = false) : gentle_(gentle) {}

  // False, with launchFailure() naming the file, when a font face cannot be
  // read. The track is opened while the start screen stands: launchFailure()
  // names it once its opening failed.
  bool didFinishLaunchingWithOptions(const ui::LaunchOptions& options) override;
  std::string launchFailure(bool wait) const override;

  const std::shared_ptr<ui::Window>& window() const { return window_; }
  void setWindow(std::shared_ptr<ui::Window> window) { window_ = std::move(window); }

 private:
  std::shared_ptr<ui::Window> window_;
  bool gentle_ = false;
  std::string failure_;
  std::shared_ptr<ViewController> controller_;
};
