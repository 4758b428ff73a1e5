#include "ui/Window.h"

#include <vector>

namespace ui {

namespace {

WindowHost*& currentHost() {
  static WindowHost* host = nullptr;
  return host;
}

// A point in window coordinates in `view`'s own coordinates.
Point convertFromWindow(const View& view, Point point) {
  std::vector<const View*> chain;
  for (const View* v = &view; v && v->superview(); v = v->superview()) {
    chain.push_back(v);
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    point = (*it)->convertFromSuperview(point);
  }
  return point;
}

}  // namespace

Window::Window(const Rect& frame) : View(frame) {}

void Window::setHost(WindowHost* host) {
  currentHost() = host;
}
WindowHost* Window::host() {
  return currentHost();
}

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
  if (root_ && root_->isViewLoaded() && root_->view()->superview() == this) {
    root_->view()->removeFromSuperview();
  }
  root_ = std::move(controller);
}

void Window::makeKeyAndVisible() {
  if (root_) {
    const auto& rootView = root_->view();
    rootView->setFrame(bounds());
    addSubview(rootView);
    root_->viewWillAppear(false);
  }
  visible_ = true;
  if (WindowHost* h = host()) {
    h->present(*this);
  }
  if (root_) {
    root_->viewDidAppear(false);
  }
}

void Window::close() {
  if (!visible_) {
    return;
  }
  if (root_) {
    root_->viewWillDisappear(false);
  }
  visible_ = false;
  if (root_) {
    root_->viewDidDisappear(false);
  }
}

void Window::resize(Size size) {
  setFrame(Rect{frame().origin, size});
  if (!root_ || !root_->isViewLoaded()) {
    return;
  }
  const auto& rootView = root_->view();
  rootView->setCenter({size.width / 2, size.height / 2});
  if (rootView->transform().isIdentity()) {
    rootView->setBounds(Rect{rootView->bounds().origin, size});
  }
  root_->viewWillTransitionToSize(size);
}

void Window::touchDown(Point point) {
  touched_ = hitTest(point);
  if (touched_) {
    touched_->touchesBegan(convertFromWindow(*touched_, point));
  }
}

void Window::touchMoved(Point point) {
  if (touched_) {
    touched_->touchesMoved(convertFromWindow(*touched_, point));
  }
}

void Window::touchUp(Point point) {
  if (auto view = std::move(touched_)) {
    view->touchesEnded(convertFromWindow(*view, point));
  }
}

}  // namespace ui
