#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ui/Label.h"

namespace {

using ui::Label;
using ui::LineBreakMode;
using ui::TextAlignment;

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

class LayoutCounter : public ui::View {
 public:
  void layoutSubviews() override { ++layouts; }
  int layouts = 0;
};

TEST(Label, SizeToFitRoundsTheNaturalSizeUpAndKeepsTheOrigin) {
  Label label(ui::Rect(30, 40, 5, 5));
  const ui::Font font = ui::Font::boldSystemFont(96);
  label.setFont(font);
  label.setText("YOU ARE GOOD");
  label.sizeToFit();
  EXPECT_EQ(label.frame().origin, (ui::Point{30, 40}));
  EXPECT_EQ(label.frame().height(), std::ceil(font.lineHeight()));
  EXPECT_EQ(label.frame().width(),
            std::ceil(ui::TextLayout::naturalSize("YOU ARE GOOD", font).width));
  // What sizing measured is drawn whole.
  EXPECT_EQ(label.layout().lines()[0].text, "YOU ARE GOOD");
  EXPECT_FALSE(label.layout().isTruncated());

  label.setText("");
  label.sizeToFit();
  EXPECT_EQ(label.frame(), ui::Rect(30, 40, 0, 0));
}

TEST(Label, LayoutFollowsEveryChange) {
  Label label(ui::Rect(0, 0, 1000, 100));
  label.setFont(ui::Font::boldSystemFont(40));
  label.setText("YOU ARE GOOD");
  EXPECT_EQ(label.layout().lines()[0].text, "YOU ARE GOOD");
  EXPECT_EQ(label.layout().lines()[0].rect.x(), 0);

  label.setTextAlignment(TextAlignment::Center);
  EXPECT_NEAR(label.layout().lines()[0].rect.midX(), 500, 1e-9);

  const double width = label.layout().lines()[0].rect.width();
  label.setFont(ui::Font::boldSystemFont(80));
  EXPECT_NEAR(label.layout().lines()[0].rect.width(), width * 2, 1e-6);

  label.setFrame(ui::Rect(0, 0, 300, 100));
  EXPECT_TRUE(endsWith(label.layout().lines()[0].text, "\u2026"));
  EXPECT_LE(label.layout().lines()[0].rect.maxX(), 300);
  EXPECT_GE(label.layout().lines()[0].rect.x(), 0);

  label.setNumberOfLines(0);
  label.setLineBreakMode(LineBreakMode::ByWordWrapping);
  EXPECT_EQ(label.layout().lines()[0].text, "YOU");

  label.setLineBreakMode(LineBreakMode::ByCharWrapping);
  EXPECT_EQ(label.layout().lines()[0].text.rfind("YOU A", 0), 0u) << label.layout().lines()[0].text;

  // The block is centred vertically in the bounds, wherever their origin.
  label.setBounds(ui::Rect(0, 50, 200, 100));
  EXPECT_NEAR(label.layout().usedRect().midY(), 100, 1e-9);
}

TEST(Label, VisibleChangesStampAGenerationAndRepeatsDoNot) {
  Label label(ui::Rect(0, 0, 300, 40));
  label.setText("A");
  struct Change {
    const char* name;
    std::function<void()> apply;
  };
  const std::vector<Change> changes = {
      {"text", [&] { label.setText("B"); }},
      {"font", [&] { label.setFont(ui::Font::boldSystemFont(17)); }},
      {"colour", [&] { label.setTextColor(ui::Color::white()); }},
      {"alignment", [&] { label.setTextAlignment(TextAlignment::Right); }},
      {"lines", [&] { label.setNumberOfLines(0); }},
      {"mode", [&] { label.setLineBreakMode(LineBreakMode::ByWordWrapping); }},
  };
  for (const Change& change : changes) {
    auto before = label.generation();
    change.apply();
    EXPECT_GT(label.generation(), before) << change.name;
    before = label.generation();
    change.apply();
    EXPECT_EQ(label.generation(), before) << change.name << " again";
  }
}

TEST(Label, SizeChangesAskTheSuperviewToLayOut) {
  auto parent = std::make_shared<LayoutCounter>();
  auto label = std::make_shared<Label>();
  parent->addSubview(label);
  parent->layoutIfNeeded();
  const int before = parent->layouts;

  label->setTextColor(ui::Color::white());
  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, before);

  label->setText("new title");
  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, before + 1);
}

}  // namespace
