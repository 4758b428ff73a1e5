#include "tools/render/OfflineShow.h"

#include <algorithm>
#include <limits>

#include "ui/RunLoop.h"
#include "ui/Screen.h"

namespace render {

OfflineShow::OfflineShow(ui::Size size, bool gentle)
    : size_(size), showTime_(-std::numeric_limits<double>::infinity()) {
  ui::RunLoop::main().reset(0);
  ui::Screen::main().setBounds({0, 0, size.width, size.height});
  ui::Screen::main().setScale(1);
  window_ = std::make_shared<ui::Window>(ui::Rect{0, 0, size.width, size.height});
  controller_ = std::make_shared<ViewController>(gentle);
  window_->setRootViewController(controller_);
  window_->makeKeyAndVisible();
  ui::RunLoop::main().runUntil(0);
}

OfflineShow::~OfflineShow() {
  window_->close();
  // Pending cues hold the controller; they must not outlive the show.
  ui::RunLoop::main().reset(0);
}

void OfflineShow::advanceTo(double showTime) {
  if (showTime <= showTime_) {
    return;
  }
  showTime_ = showTime;
  if (!clicked_ && showTime >= clickTime) {
    ui::RunLoop::main().runUntil(runLoopTime(clickTime));
    ui::Point middle{size_.width * 0.5, size_.height * 0.5};
    window_->touchDown(middle);
    window_->touchUp(middle);
    clicked_ = true;
  }
  // Before the click nothing moves, and the run loop cannot go below 0.
  ui::RunLoop::main().runUntil(presentationTime());
}

double OfflineShow::presentationTime() const {
  return std::max(0.0, runLoopTime(showTime_));
}

platform::Image OfflineShow::render(platform::OffscreenRenderer& renderer, int pixelWidth,
                                    int pixelHeight) const {
  return renderer.render(*window_, presentationTime(), pixelWidth, pixelHeight,
                         pixelWidth / size_.width);
}

bool OfflineShow::renderYuv420(platform::OffscreenRenderer& renderer, int pixelWidth,
                               int pixelHeight, std::vector<std::uint8_t>& planes) const {
  return renderer.renderYuv420(*window_, presentationTime(), pixelWidth, pixelHeight,
                               pixelWidth / size_.width, planes);
}

}  // namespace render
