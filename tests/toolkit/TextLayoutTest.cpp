#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "FakeFontFace.h"
#include "ui/TextLayout.h"

namespace {

using ui::LineBreakMode;
using ui::TextLayout;

// Shaped like the start screen's text: 13 lines, four of them empty.
const std::string infoText =
    "\"invited\"\na show by the late night software group\n\n"
    "music and programming: someone\nadditional programming and music: someone else\n\n"
    "please make this window full screen\nbest in 16:9\n"
    "warning: there's a bunch of strobing in this one\n\n"
    "presented at the winter gathering 2026\n\nclick anywhere to start";
const std::string ellipsis = "\u2026";
constexpr double tolerance = 1e-6;

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) {
    out.push_back(word);
  }
  return out;
}

TextLayout layoutIn(const std::string& text, const ui::Font& font, ui::Rect rect, int lines,
                    LineBreakMode mode) {
  return TextLayout::make({text, font, rect, lines, mode, ui::TextAlignment::Natural});
}

TEST(TextLayout, KernsPairsAndShapesUtf8) {
  ui::Font font = ui::Font::boldSystemFont(96);
  const double a = TextLayout::naturalSize("A", font).width;
  EXPECT_LT(TextLayout::naturalSize("AV", font).width,
            a + TextLayout::naturalSize("V", font).width - 1);

  const std::string text = "YOU\u2019RE \u00C4RGERLICH";
  TextLayout layout = layoutIn(text, font, {0, 0, 2000, 100}, 1, LineBreakMode::ByTruncatingTail);
  ASSERT_EQ(layout.lines().size(), 1u);
  EXPECT_EQ(layout.lines()[0].text, text);
  EXPECT_EQ(layout.lines()[0].glyphs.size(), 16u);  // one glyph per character
  for (const auto& glyph : layout.lines()[0].glyphs) {
    EXPECT_NE(glyph.glyph, 0u) << "a character without a glyph";
  }
}

TEST(TextLayout, WrapsAtWordBoundariesGreedily) {
  ui::Font font = ui::Font::systemFont(24);
  double widestWord = 0;
  for (const auto& word : words(infoText)) {
    widestWord = std::max(widestWord, TextLayout::naturalSize(word, font).width);
  }
  for (double width : {widestWord + 1, 260.0, 900.0}) {
    SCOPED_TRACE(width);
    TextLayout layout =
        layoutIn(infoText, font, {0, 0, width, 2000}, 0, LineBreakMode::ByWordWrapping);
    const auto& lines = layout.lines();
    std::vector<std::string> shown;
    int emptyLines = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_LE(lines[i].rect.width(), width + tolerance) << lines[i].text;
      emptyLines += lines[i].text.empty();
      const auto lineWords = words(lines[i].text);
      shown.insert(shown.end(), lineWords.begin(), lineWords.end());
      // Greedy: the next line's first word would not have fitted here.
      if (i + 1 < lines.size() && !lineWords.empty() && !lines[i + 1].text.empty()) {
        const std::string joined = lines[i].text + " " + words(lines[i + 1].text).front();
        if (infoText.find(joined) != std::string::npos) {
          EXPECT_GT(TextLayout::naturalSize(joined, font).width, width) << joined;
        }
      }
    }
    EXPECT_EQ(emptyLines, 4);
    EXPECT_EQ(shown, words(infoText));  // every word whole, in order
  }
}

TEST(TextLayout, BreaksAWordWiderThanTheLineBetweenCharacters) {
  ui::Font font = ui::Font::systemFont(24);
  const std::string word = "SUPERCALIFRAGILISTICEXPIALIDOCIOUS";
  TextLayout layout =
      layoutIn("I " + word, font, {0, 0, 120, 1000}, 0, LineBreakMode::ByWordWrapping);
  const auto& lines = layout.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front().text, "I");
  std::string rebuilt;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].rect.width(), 120 + tolerance);
    if (i + 1 < lines.size()) {  // one more character would not have fitted
      EXPECT_GT(TextLayout::naturalSize(lines[i].text + lines[i + 1].text[0], font).width, 120);
    }
    rebuilt += lines[i].text;
  }
  EXPECT_EQ(rebuilt, word);
}

TEST(TextLayout, TruncatesToFitWithAnEllipsis) {
  ui::Font font = ui::Font::boldSystemFont(96);
  const std::string text = "YOU ARE GOOD";
  const double natural = TextLayout::naturalSize(text, font).width;
  TextLayout whole =
      layoutIn(text, font, {0, 0, std::ceil(natural), 120}, 1, LineBreakMode::ByTruncatingTail);
  EXPECT_EQ(whole.lines()[0].text, text);
  EXPECT_FALSE(whole.isTruncated());

  struct Case {
    LineBreakMode mode;
    double width;
    std::string expected;
  };
  for (const Case& c : {Case{LineBreakMode::ByTruncatingTail, 300, "YOU" + ellipsis},
                        Case{LineBreakMode::ByTruncatingTail, natural - 1, "YOU ARE GO" + ellipsis},
                        Case{LineBreakMode::ByTruncatingHead, 400, ellipsis + "GOOD"},
                        Case{LineBreakMode::ByTruncatingMiddle, 500, "YOU" + ellipsis + "OD"},
                        Case{LineBreakMode::ByClipping, 300, text}}) {
    TextLayout layout = layoutIn(text, font, {0, 0, c.width, 120}, 1, c.mode);
    ASSERT_EQ(layout.lines().size(), 1u);
    const auto& line = layout.lines()[0];
    EXPECT_EQ(line.text, c.expected);
    EXPECT_EQ(layout.isTruncated(), c.mode != LineBreakMode::ByClipping);
    if (layout.isTruncated()) {
      EXPECT_LE(line.rect.width(), c.width + tolerance) << line.text;
      EXPECT_GT(line.rect.width(), c.width - 70) << line.text;  // not one letter short
    }
  }

  // Out of lines: the last one ends with the ellipsis, even at a hard break.
  EXPECT_EQ(layoutIn("YOU\nARE", font, {0, 0, 800, 50}, 1, LineBreakMode::ByTruncatingTail)
                .lines()[0]
                .text,
            "YOU" + ellipsis);
}

// Whatever engine shapes the text, the layout places its glyphs by the
// engine's own advances, offsets and metrics.
TEST(TextLayout, PlacesTheFacesGlyphsByItsAdvancesOffsetsAndMetrics) {
  fakefont::Engine engine;
  const ui::Font font = engine.font(10);  // 0.01 points per unit
  const std::string text = "ae\u0301";
  TextLayout layout = layoutIn(text, font, {0, 0, 100, 20}, 1, LineBreakMode::ByTruncatingTail);
  ASSERT_EQ(layout.lines().size(), 1u);
  const ui::TextLine& line = layout.lines()[0];
  EXPECT_EQ(line.text, text);
  // Line height 11, centred in 20 (top 4.5); the ascender is 8.
  EXPECT_NEAR(line.baseline, 12.5, tolerance);
  ASSERT_EQ(line.glyphs.size(), 3u);
  EXPECT_NEAR(line.glyphs[1].origin.x, 5, tolerance);
  EXPECT_NEAR(line.glyphs[1].origin.y, 12.5, tolerance);
  EXPECT_EQ(line.glyphs[2].glyph, fakefont::Face::acute);
  EXPECT_NEAR(line.glyphs[2].origin.x, 7, tolerance);    // the pen after "e", 3 back
  EXPECT_NEAR(line.glyphs[2].origin.y, 6.5, tolerance);  // 6 up
}

// A cluster (a ligature, a character and its mark, a multi-byte character)
// is never split by a wrap or a truncation, and each line's text is the
// bytes its clusters came from.
TEST(TextLayout, BreaksOnlyBetweenTheFacesClusters) {
  fakefont::Engine engine;
  const ui::Font font = engine.font(10);
  auto texts = [](const TextLayout& layout) {
    std::vector<std::string> out;
    for (const auto& line : layout.lines()) {
      out.push_back(line.text);
    }
    return out;
  };
  // "fi fi" is 9 + 2.5 + 9 points wide.
  TextLayout words = layoutIn("fi fi fi", font, {0, 0, 21, 100}, 0, LineBreakMode::ByWordWrapping);
  EXPECT_EQ(texts(words), (std::vector<std::string>{"fi fi", "fi"}));
  EXPECT_NEAR(words.lines()[0].rect.width(), 20.5, tolerance);

  // Narrower than any cluster: one cluster a line.
  TextLayout clusters =
      layoutIn("\u00e4fie\u0301", font, {0, 0, 4, 100}, 0, LineBreakMode::ByCharWrapping);
  EXPECT_EQ(texts(clusters), (std::vector<std::string>{"\u00e4", "fi", "e\u0301"}));

  // The ellipsis is the face's too: 5 points, leaving room for three "a".
  TextLayout cut = layoutIn("aaaaaa", font, {0, 0, 22, 100}, 1, LineBreakMode::ByTruncatingTail);
  EXPECT_EQ(texts(cut), (std::vector<std::string>{"aaa" + ellipsis}));
}

}  // namespace
