#include <gtest/gtest.h>

#include <memory>

#include "ui/Button.h"

namespace {

using ui::Button;
using ui::ControlEvent;

const std::string startText =
    "\"invited\"\n"
    "a show by the late night software group\n"
    "\n"
    "please make this window full screen\n"
    "best in 16:9\n"
    "warning: there's a bunch of strobing in this one\n"
    "\n"
    "click anywhere to start";

std::shared_ptr<Button> startButton(ui::Rect frame) {
  auto button = Button::buttonWithType(ui::ButtonType::Custom);
  button->setTitle(startText, ui::ControlState::Normal);
  button->titleLabel()->setNumberOfLines(0);
  button->titleLabel()->setLineBreakMode(ui::LineBreakMode::ByWordWrapping);
  button->titleLabel()->setFont(ui::Font::systemFont(24));
  button->setFrame(frame);
  return button;
}

struct Clicks {
  void touched(Button*) { ++count; }
  int count = 0;
};

TEST(Button, TitleBlockIsCentredAndWrapsWithinTheButton) {
  for (ui::Rect frame : {ui::Rect(0, 0, 1280, 720), ui::Rect(0, 0, 300, 900)}) {
    SCOPED_TRACE(frame.width());
    auto button = startButton(frame);
    button->layoutIfNeeded();
    const auto& label = *button->titleLabel();
    const ui::Rect title = label.frame();
    EXPECT_NEAR(title.midX(), frame.width() / 2, 1e-9);
    EXPECT_NEAR(title.midY(), frame.height() / 2, 1e-9);
    EXPECT_EQ(title.size, label.sizeThatFits(frame.size));
    const auto& lines = label.layout().lines();
    ASSERT_GE(lines.size(), frame.width() < 400 ? 9u : 8u);  // the narrow one wraps
    for (const auto& line : lines) {
      EXPECT_EQ(line.rect.x(), 0) << line.text;  // natural alignment: left
      EXPECT_LE(line.rect.maxX(), title.width()) << line.text;
    }
  }
}

TEST(Button, TouchUpInsideNeedsAPressAndAReleaseInsideWhileInteractionIsOn) {
  auto button = startButton(ui::Rect(0, 0, 200, 100));
  Clicks clicks;
  int outside = 0;
  button->addTarget(&clicks, &Clicks::touched, ControlEvent::TouchUpInside);
  button->addTarget([&](Button*) { ++outside; }, ControlEvent::TouchUpOutside);

  button->touchesBegan({10, 10});
  button->touchesMoved({250, 10});
  button->touchesEnded({190, 90});
  EXPECT_EQ(clicks.count, 1);

  button->touchesBegan({10, 10});
  button->touchesEnded({250, 10});  // released outside
  button->touchesEnded({10, 10});   // a release without a press
  button->touchesBegan({10, 10});
  button->touchesCancelled();
  button->touchesEnded({10, 10});
  EXPECT_EQ(clicks.count, 1);
  EXPECT_EQ(outside, 1);

  // A press that began before interaction went off does not complete.
  button->touchesBegan({10, 10});
  button->setUserInteractionEnabled(false);
  button->touchesEnded({10, 10});
  EXPECT_EQ(clicks.count, 1);
}

}  // namespace
