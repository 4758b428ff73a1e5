#pragma once

#include <memory>

#include "ui/Responder.h"
#include "ui/View.h"

namespace ui {

// Owns a root view, created on first access: loadView(), then viewDidLoad().
// The window calls the appearance callbacks.
class ViewController : public Responder {
 public:
  ViewController() = default;
  ~ViewController() override = default;
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // Loads the view on first access.
  const std::shared_ptr<View>& view();
  bool isViewLoaded() const { return view_ != nullptr; }

  // Creates a plain view with the main screen's bounds.
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidAppear(bool /*animated*/) {}
  virtual void viewWillDisappear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}
  // The window took a new size, before the frame that shows it is drawn.
  // The root view is centred in it already; a root view whose transform is
  // the identity has the window's size too.
  virtual void viewWillTransitionToSize(Size /*size*/) {}
  virtual bool prefersHomeIndicatorAutoHidden() const { return false; }

 protected:
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }

 private:
  std::shared_ptr<View> view_;
};

}  // namespace ui
