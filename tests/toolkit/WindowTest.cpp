#include "ui/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Screen.h"

namespace {

class RecordingController : public ui::ViewController {
 public:
  std::vector<std::string> calls;
  void viewDidLoad() override { calls.push_back("didLoad"); }
  void viewWillAppear(bool) override { calls.push_back("willAppear"); }
  void viewDidAppear(bool) override { calls.push_back("didAppear"); }
  void viewDidDisappear(bool) override { calls.push_back("didDisappear"); }
};

class RecordingHost : public ui::WindowHost {
 public:
  explicit RecordingHost(std::vector<std::string>& calls) : calls_(calls) {}
  void present(ui::Window&) override { calls_.push_back("present"); }

 private:
  std::vector<std::string>& calls_;
};

TEST(Window, MakeKeyAndVisibleRunsTheLifecycleAroundTheFirstFrame) {
  ui::Screen::main().setBounds({0, 0, 1280, 720});
  auto controller = std::make_shared<RecordingController>();
  auto window = std::make_shared<ui::Window>(ui::Screen::main().bounds());
  window->setRootViewController(controller);
  RecordingHost host(controller->calls);
  ui::Window::setHost(&host);
  window->makeKeyAndVisible();
  window->close();
  ui::Window::setHost(nullptr);
  EXPECT_EQ(controller->calls, (std::vector<std::string>{"didLoad", "willAppear", "present",
                                                         "didAppear", "didDisappear"}));
  EXPECT_EQ(controller->view()->frame(), (ui::Rect{0, 0, 1280, 720}));
}

}  // namespace
