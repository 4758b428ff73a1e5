#include "content/Content.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

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

TEST(Content, PaletteListsHoldTheColoursInOrder) {
  const auto& colors = content::paletteColors();
  const auto& bright = content::paletteBrightColors();
  ASSERT_EQ(colors.size(), 5u);
  ASSERT_EQ(bright.size(), 4u);
  EXPECT_EQ(colors[0].get(), ui::Color::withRGBA(251 / 255.0, 139 / 255.0, 36 / 255.0, 1));
  EXPECT_EQ(colors[1].get(), ui::Color::withRGBA(217 / 255.0, 3 / 255.0, 104 / 255.0, 1));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(bright[i].get(), colors[i < 3 ? i : 4].get()) << i;
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
