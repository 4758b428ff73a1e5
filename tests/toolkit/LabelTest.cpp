#include <gtest/gtest.h>
#include <hb.h>

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

// The advance sum of `text` shaped straight with HarfBuzz, in points.
double shapedAdvance(const std::string& text, const ui::Font& font) {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf8(buffer, text.c_str(), -1, 0, -1);
  hb_buffer_guess_segment_properties(buffer);
  hb_shape(font.face()->hbFont(), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  double units = 0;
  for (unsigned i = 0; i < count; ++i) {
    units += positions[i].x_advance;
  }
  hb_buffer_destroy(buffer);
  return units * font.pointSize() / font.face()->unitsPerEm();
}

class LayoutCounter : public ui::View {
 public:
  void layoutSubviews() override { ++layouts; }
  int layouts = 0;
};

TEST(Label, DefaultsMatchThePlatform) {
  Label label;
  EXPECT_EQ(label.font(), ui::Font::systemFont(17));
  EXPECT_EQ(label.textColor(), ui::Color::black());
  EXPECT_FALSE(label.backgroundColor().has_value());
  EXPECT_FALSE(label.isUserInteractionEnabled());
  // A lookup that yields no font leaves the font in place.
  label.setFont(ui::Font::named("NoSuchFont-Heavy", 192));
  EXPECT_EQ(label.font(), ui::Font::systemFont(17));
}

TEST(Label, BoldNinetySixPointTextHasItsRoundedUpNaturalSize) {
  Label label;
  ui::Font font = ui::Font::boldSystemFont(96);
  label.setFont(font);
  label.setText("YOU ARE GOOD");
  label.sizeToFit();
  const ui::Size size = label.bounds().size;
  EXPECT_EQ(size.height, std::ceil(font.lineHeight()));
  EXPECT_EQ(size.width, std::ceil(shapedAdvance("YOU ARE GOOD", font)));
  // Plausible for twelve bold capitals: an em and a bit high, about 0.6 em a letter.
  EXPECT_GT(size.height, 96);
  EXPECT_LT(size.height, 144);
  EXPECT_GT(size.width, 600);
  EXPECT_LT(size.width, 900);

  // What sizing measured is drawn whole.
  ASSERT_EQ(label.layout().lines().size(), 1u);
  EXPECT_EQ(label.layout().lines()[0].text, "YOU ARE GOOD");
  EXPECT_FALSE(label.layout().isTruncated());
}

TEST(Label, SizeToFitKeepsTheOrigin) {
  Label label(ui::Rect(30, 40, 5, 5));
  label.setText("click anywhere to start");
  label.sizeToFit();
  EXPECT_EQ(label.frame().origin, (ui::Point{30, 40}));
  EXPECT_EQ(label.frame().width(),
            std::ceil(ui::TextLayout::naturalSize("click anywhere to start", label.font()).width));
  EXPECT_EQ(label.frame().height(), std::ceil(label.font().lineHeight()));

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

  label.setText("YOU ARE KIND");
  EXPECT_EQ(label.layout().lines()[0].text, "YOU ARE KIND");

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
  label->setTextAlignment(TextAlignment::Center);
  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, before);

  label->setText("new title");
  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, before + 1);

  label->setFont(ui::Font::systemFont(24));
  parent->layoutIfNeeded();
  EXPECT_EQ(parent->layouts, before + 2);
}

}  // namespace
