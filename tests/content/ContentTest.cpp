#include "content/Content.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "content/UpperCase.h"

namespace {

// Code points in a UTF-8 string.
std::size_t characters(const std::string& s) {
  return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

// The words' form: capitals, one "YOU" lead, the typographic apostrophe and
// the Swedish letters kept as single characters.
TEST(Content, PhrasesAreCapitalisedWithTheirOwnCharacters) {
  const auto& list = content::affirmations();
  ASSERT_EQ(list.size(), 66u);
  EXPECT_EQ(list[15], list[5]);
  for (const auto& phrase : list) {
    EXPECT_EQ(phrase.rfind("YOU ", 0), 0u) << phrase;
    EXPECT_EQ(content::upperCased(phrase), phrase);
  }
  EXPECT_EQ(characters(list[1]), 30u);
  EXPECT_EQ(list[1].size(), 32u);
  const auto& words = content::invitationWords();
  ASSERT_EQ(words.size(), 6u);
  EXPECT_EQ(words[5], "TROLLH\u00c4TTAN");
  EXPECT_EQ(characters(words[5]), 11u);
}

// Every entry: the named colours in order, opaque, exact in eight bits and
// unlike the others; the dark one is the darkest and the only one the bright
// list leaves out. Their values are content, seen in rendered frames
// (tests/tools/OfflineShowTest.cpp).
TEST(Content, EveryPaletteEntryIsANamedOpaqueEightBitColourOfItsOwn) {
  using namespace content;
  const ColorList named{paletteOrange(), palettePink(), palettePurple(), paletteDark(),
                        paletteGreen()};
  auto luminance = [](const ui::Color& c) { return 0.21 * c.red + 0.72 * c.green + 0.07 * c.blue; };
  ColorList bright;
  ASSERT_EQ(paletteColors().size(), named.size());
  for (std::size_t i = 0; i < named.size(); ++i) {
    const ui::Color& c = paletteColors()[i].get();
    EXPECT_EQ(&c, &named[i].get()) << i;
    EXPECT_EQ(c.alpha, 1.0) << i;
    for (double component : {c.red, c.green, c.blue}) {
      EXPECT_EQ(std::clamp(std::round(component * 255), 0.0, 255.0) / 255, component) << i;
    }
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(c, named[j].get()) << i << " and " << j;
    }
    if (&c != &paletteDark()) {
      EXPECT_LT(luminance(paletteDark()), luminance(c)) << i;
      bright.push_back(c);
    }
  }
  ASSERT_EQ(paletteBrightColors().size(), bright.size());
  for (std::size_t i = 0; i < bright.size(); ++i) {
    EXPECT_EQ(&paletteBrightColors()[i].get(), &bright[i].get()) << i;
  }
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

TEST(UpperCase, MapsGreekAndCyrillicAsUnicodeDoes) {
  EXPECT_EQ(content::upperCased("θεσσαλονίκη"), "ΘΕΣΣΑΛΟΝΊΚΗ");
  EXPECT_EQ(content::upperCased("ς ΐ"), "Σ \u0399\u0308\u0301");
  EXPECT_EQ(content::upperCased("санкт-петербург ёж ґ"), "САНКТ-ПЕТЕРБУРГ ЁЖ Ґ");
  EXPECT_EQ(content::upperCased("łódź ı ŉ"), "ŁÓDŹ I ʼN");
  EXPECT_EQ(content::upperCased("🎉 ok"), "🎉 OK");
}

// The start screen's text is made from its parts; the built-in parts must
// give exactly the text the show has always had.
TEST(Content, BuiltInStartScreenTextIsUnchanged) {
  EXPECT_EQ(content::infoText(),
            "\"you are invited\"\n"
            "a fireflies crew production\n"
            "\n"
            "music and programming by halcyon\n"
            "additional programming and music by wren\n"
            "\n"
            "please make this window full screen\n"
            "best in 16:9\n"
            "warning: there's a bunch of strobing in this one\n"
            "\n"
            "shown at the northern lights gathering 2026\n"
            "\n"
            "click anywhere to start");
  EXPECT_FALSE(content::phrasesShrinkToFit());
}

TEST(Content, AnInstalledShowReplacesWhatItSetsAndKeepsTheRest) {
  content::ShowSettings show;
  show.party = "stella's party";
  show.town = "θεσσαλονίκη";
  show.affirmations = std::vector<std::string>{"you shine", "you are here"};
  show.palette = std::array<ui::Color, 5>{
      ui::Color::withRGBA(1, 0, 0, 1), ui::Color::withRGBA(0, 1, 0, 1),
      ui::Color::withRGBA(0, 0, 1, 1), ui::Color::black(), ui::Color::white()};
  show.credits = std::vector<std::string>{"by stella"};
  show.shownAt = "";
  show.music = "/music/party.mp3";
  content::installShow(show);
  const auto& words = content::invitationWords();
  EXPECT_EQ(words, (std::vector<std::string>{"YOU", "ARE", "INVITED", "STELLA'S PARTY",
                                             "4.-6.9.2027", "ΘΕΣΣΑΛΟΝΊΚΗ"}));
  EXPECT_EQ(content::affirmations(), (std::vector<std::string>{"YOU SHINE", "YOU ARE HERE"}));
  EXPECT_EQ(content::paletteDark(), ui::Color::black());
  EXPECT_EQ(&content::paletteColors()[3].get(), &content::paletteDark());
  EXPECT_EQ(content::paletteBrightColors()[3].get(), ui::Color::white());
  EXPECT_EQ(content::infoText().rfind("by stella\n\nplease make", 0), 0u) << content::infoText();
  EXPECT_EQ(content::infoText().find("shown at"), std::string::npos);
  EXPECT_EQ(content::musicFile(), "/music/party.mp3");
  EXPECT_TRUE(content::phrasesShrinkToFit());
  content::installShow({});
  EXPECT_EQ(content::invitationWords()[3], "FIREFLIES PARTY");
}

}  // namespace
