#include "content/Content.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "content/UpperCase.h"

namespace {

// Code points in a UTF-8 string.
std::size_t characters(const std::string& s) {
  return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

TEST(Content, AffirmationsKeepTheirOrderDuplicateAndApostrophe) {
  const auto& list = content::affirmations();
  ASSERT_EQ(list.size(), 66u);
  EXPECT_EQ(list[0], "YOU ARE GOOD");
  EXPECT_EQ(list[5], "YOU ARE GOOD ENOUGH");
  EXPECT_EQ(list[15], list[5]);
  EXPECT_EQ(list[8], "YOU CAN ACHIEVE YOUR GOALS");
  EXPECT_EQ(list[65], "YOU BRING LIGHT TO DARK PLACES");
  EXPECT_EQ(list[1], "YOU MAKE EVERYONE\u2019S DAY BETTER");
  EXPECT_EQ(characters(list[1]), 30u);
  EXPECT_EQ(list[1].size(), 32u);
  for (const auto& phrase : list) {
    EXPECT_EQ(phrase.rfind("YOU ", 0), 0u) << phrase;
  }
}

TEST(Content, InvitationWordsHaveTheirForms) {
  const auto& words = content::invitationWords();
  ASSERT_EQ(words.size(), 6u);
  EXPECT_EQ(words[0], "YOU");
  EXPECT_EQ(words[2], "INVITED");
  EXPECT_EQ(words[3], "FIREFLIES PARTY");
  EXPECT_EQ(characters(words[3]), 15u);
  EXPECT_EQ(words[4], "4.-6.9.2027");
  EXPECT_EQ(words[5], "TROLLH\u00c4TTAN");
  EXPECT_EQ(characters(words[5]), 11u);
  EXPECT_EQ(words[5].size(), 12u);
}

TEST(Content, ColourListsReferToTheSharedColours) {
  // Read the list first: it must build and hand out the very same colours.
  const auto& colors = content::paletteColors();
  ASSERT_EQ(colors.size(), 5u);
  EXPECT_EQ(&colors[0].get(), &content::paletteOrange());
  EXPECT_EQ(&colors[3].get(), &content::paletteDark());
  EXPECT_EQ(&colors[4].get(), &content::paletteGreen());
  const auto& bright = content::paletteBrightColors();
  ASSERT_EQ(bright.size(), 4u);
  EXPECT_EQ(&bright[2].get(), &content::palettePurple());
  EXPECT_EQ(&bright[3].get(), &content::paletteGreen());
  EXPECT_EQ(content::paletteOrange().red, 251 / 255.0);
  EXPECT_EQ(content::palettePink().green, 3 / 255.0);
  EXPECT_EQ(content::paletteDark().alpha, 1.0);
}

TEST(Content, StartScreenTextAndClosingLine) {
  const std::string& text = content::infoText();
  EXPECT_EQ(text.size(), 289u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12);
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.find("\nplease make this window full screen\nbest in 16:9\n"), std::string::npos);
  EXPECT_NE(text.find("\nwarning: there's a bunch of strobing in this one\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\n\nclick anywhere to start"));
  const std::string& line = content::closingLine();
  EXPECT_EQ(line.size(), 16u);
  EXPECT_EQ(std::count(line.begin(), line.end(), '.'), 2);
}

TEST(UpperCase, MapsLatinLettersAndLeavesTheRest) {
  EXPECT_EQ(content::upperCased("abc xyz 4.-6.9"), "ABC XYZ 4.-6.9");
  EXPECT_EQ(content::upperCased("\u00e4\u00f6\u00e5\u00e9"), "\u00c4\u00d6\u00c5\u00c9");
  EXPECT_EQ(content::upperCased("stra\u00dfe"), "STRASSE");
  EXPECT_EQ(content::upperCased("\u00ff"), "\u0178");
  EXPECT_EQ(content::upperCased("\u00f7 \u2019 \u00c4"), "\u00f7 \u2019 \u00c4");
  EXPECT_EQ(content::upperCased("5 \u00b5m"), "5 \u039cM");
  // A broken sequence passes through byte for byte; the letters after it still change.
  EXPECT_EQ(content::upperCased("\xc3"
                                "a \xc3"),
            "\xc3"
            "A \xc3");
}

}  // namespace
