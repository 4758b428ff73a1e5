#pragma once

#include <functional>
#include <memory>

#include "ui/View.h"
#include "ui/ViewController.h"

namespace ui {

class Window;

// What a window needs from the platform that shows it.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // The window became key and visible: show it and present its first frame.
  virtual void present(Window& window) = 0;
};

// The top-level view. Its root controller's view fills it; touches arrive in
// window coordinates and go to the view under them.
class Window : public View {
 public:
  explicit Window(const Rect& frame);

  void setRootViewController(std::shared_ptr<ViewController> controller);
  const std::shared_ptr<ViewController>& rootViewController() const { return root_; }

  // Loads the root view, adds it filling the window, calls viewWillAppear,
  // has the host present the first frame, then calls viewDidAppear.
  void makeKeyAndVisible();
  bool isVisible() const { return visible_; }
  // The window went away: viewWillDisappear and viewDidDisappear.
  void close();

  // The platform resized the window: the root view stays centred, and its
  // bounds follow the window's size while its transform is the identity;
  // then the root controller learns the new size.
  void resize(Size size);

  // A press and a release at points in window coordinates.
  void touchDown(Point point);
  void touchMoved(Point point);
  void touchUp(Point point);

  // Set by the platform; without a host, makeKeyAndVisible shows nothing.
  static void setHost(WindowHost* host);
  static WindowHost* host();

 private:
  std::shared_ptr<ViewController> root_;
  std::shared_ptr<View> touched_;
  bool visible_ = false;
};

}  // namespace ui
