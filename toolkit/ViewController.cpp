#include "ui/ViewController.h"

#include "ui/Screen.h"

namespace ui {

const std::shared_ptr<View>& ViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) {
      ViewController::loadView();
    }
    viewDidLoad();
  }
  return view_;
}

void ViewController::loadView() {
  view_ = std::make_shared<View>(Screen::main().bounds());
}

}  // namespace ui
