#include "content/ShowFile.h"

#include <gtest/gtest.h>

#include <string>

#include "content/ShowFileCheck.h"

namespace {

using content::ShowFile;
using content::ShowProblem;

const char* kWhole = R"(# An organiser's show
party = "Stella's summer party"
dates = "1.-3.7.2027"
town = "Θεσσαλονίκη"
closing_line = "www.example.org"
title = "Stella invites you"
music = "sound/party.mp3"
affirmations = ["you shine", "you are here"]
palette = ["#FB8B24", "#d90368", "#820263", "#291720", "#04A777"]
credits = ["a stella production", "", "music by nobody"]
shown_at = ""
)";

TEST(ShowFile, AWholeFileSetsEveryItemAndTheMusicIsFoundBesideIt) {
  ShowFile file = ShowFile::read(kWhole, "shows/stella.toml");
  ASSERT_TRUE(file.problems().empty()) << file.problems()[0].describe();
  const auto& s = file.settings();
  EXPECT_EQ(s.party, "Stella's summer party");
  EXPECT_EQ(s.town, "Θεσσαλονίκη");
  EXPECT_EQ(s.title, "Stella invites you");
  EXPECT_EQ(s.music, "shows/sound/party.mp3");
  EXPECT_EQ(s.affirmations, (std::vector<std::string>{"you shine", "you are here"}));
  ASSERT_TRUE(s.palette);
  EXPECT_EQ((*s.palette)[1], ui::Color::withRGBA(217 / 255.0, 3 / 255.0, 104 / 255.0, 1));
  EXPECT_EQ(s.credits->at(1), "");
  EXPECT_EQ(s.shownAt, "");
  // Problems come in the file's order, not the keys'.
  EXPECT_EQ(ShowFile::read("town = 1\nparty = 2", "f").problems().at(0).line, 1);
  // What the file leaves out stays unset: the built-in value.
  EXPECT_FALSE(ShowFile::read("party = \"x\"", "a.toml").settings().town);
  EXPECT_EQ(ShowFile::read("music = \"/abs/m.mp3\"", "d/a.toml").settings().music, "/abs/m.mp3");
  EXPECT_EQ(ShowFile::read("music = \"m.mp3\"", "a.toml").settings().music, "m.mp3");
}

// Letters of Latin-1, Greek and Cyrillic wherever TOML allows them, in keys
// and texts of every kind, come through unchanged.
TEST(ShowFile, LettersBeyondAsciiSurviveEveryKindOfString) {
  ShowFile file = ShowFile::read(
      "# Trollhättan, Θεσσαλονίκη\n"
      "party = 'fête ∙ ÿ'\n"
      "town = \"\"\"Санкт-\\\n   Петербург\"\"\"\n"
      "\"dätes\" = \"x\"\n",
      "u.toml");
  ASSERT_EQ(file.problems().size(), 1u);
  EXPECT_EQ(file.problems()[0].what, "unknown key 'dätes' (did you mean 'dates'?)");
  EXPECT_EQ(file.settings().party, "fête ∙ ÿ");
  EXPECT_EQ(file.settings().town, "Санкт-Петербург");
}

struct Mistake {
  const char* name;
  std::string text;
  int line;
  int column;
  const char* what;     // in the message
  const char* allowed;  // in the message
};

class ShowFileMistake : public ::testing::TestWithParam<Mistake> {};

// Every mistake gets one line with the file, the place, what is wrong and
// what is allowed, and the settings keep nothing of the wrong value.
TEST_P(ShowFileMistake, GetsOneLineThatSaysWhereWhatAndWhatIsAllowed) {
  const Mistake& m = GetParam();
  ShowFile file = ShowFile::read(m.text, "my show.toml");
  ASSERT_EQ(file.problems().size(), 1u);
  const ShowProblem& p = file.problems()[0];
  EXPECT_TRUE(file.hasErrors());
  EXPECT_EQ(p.line, m.line);
  EXPECT_EQ(p.column, m.column);
  const std::string line = p.describe();
  EXPECT_EQ(line.rfind("my show.toml:" + std::to_string(m.line) + ":" + std::to_string(m.column) +
                           ": error: ",
                       0),
            0u)
      << line;
  EXPECT_NE(line.find(m.what), std::string::npos) << line;
  const auto allowed = line.find("; allowed: ");
  ASSERT_NE(allowed, std::string::npos) << line;
  EXPECT_NE(line.find(m.allowed, allowed), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  const auto& s = file.settings();
  EXPECT_FALSE(s.party || s.affirmations || s.palette || s.credits);
}

INSTANTIATE_TEST_SUITE_P(
    Mistakes, ShowFileMistake,
    ::testing::Values(
        Mistake{"UnknownKey", "town = \"Lund\"\npaty = \"x\"\n", 2, 1,
                "unknown key 'paty' (did you mean 'party'?)", "party, dates, town"},
        Mistake{"WrongType", "party = 42\n", 1, 9, "'party' is an integer", "a word"},
        Mistake{"EmptyList", "affirmations = []\n", 1, 16, "'affirmations' is an empty list",
                "a list of 1 to 1000 phrases"},
        Mistake{"EntryOfWrongType", "credits = [\"a\",\n  true]\n", 2, 3,
                "'credits[1]' is true or false", "one line of text"},
        Mistake{"FourColours", "palette = [\"#000000\", \"#000000\", \"#000000\", \"#000000\"]", 1,
                11, "'palette' has 4 entries", "a list of 5 colours"},
        Mistake{"BadColour",
                "palette = [\"#FB8B24\", \"#D90368\", \"purple\", \"#291720\", \"#04A777\"]", 1, 34,
                "'palette[2]' is \"purple\", not a colour", "a colour written #RRGGBB"},
        Mistake{"EmptyWord", "town = \"\"", 1, 8, "'town' is empty", "a word"},
        Mistake{"LineBreak", "closing_line = \"one\\ntwo\"", 1, 16,
                "'closing_line' holds a line break", "one line of text"},
        Mistake{"TooLong", "dates = \"" + std::string(201, 'x') + "\"", 1, 9,
                "'dates' has 201 characters", "at most 200"},
        Mistake{"NotToml", "party = \"unclosed\ntown = \"x\"", 1, 18, "not TOML", "TOML"},
        Mistake{"NotUtf8", "town = \"Trollh\xe4ttan\"\n", 1, 15, "not UTF-8",
                "a text file saved as UTF-8"},
        Mistake{"LetterAfterValue", "party = \"x\"\u00e9\n", 1, 12, "not TOML", "TOML"},
        Mistake{"PrivateUse", "# \ue123\n", 1, 3, "a private-use character (U+E123)",
                "Latin, Greek and Cyrillic"},
        Mistake{"ControlCharactersQuoted", "\"a\\nb\" = 1\n", 1, 1, "unknown key 'a\\nb'", "party"},
        Mistake{"ParserQuotesALineBreak", "credits = [\"a\", tr\nue]\n", 1, 19, "saw 'tr\\n'",
                "TOML"},
        Mistake{"Huge", "party = \"x\"\n" + std::string(70000, '#'), 1, 1,
                "the file has 70012 bytes", "at most 65536 bytes"}),
    [](const auto& test) { return std::string(test.param.name); });

// The checks against the fonts: the words are measured in capitals at their
// effect's smallest size, and every character must be in the face that draws it.
TEST(ShowFileCheck, RefusesWordsThatCannotFitAndCharactersTheFontLacks) {
  ShowFile good = ShowFile::read(
      "party = \"the extraordinarily long named party\"\n"  // shrinks, but fits
      "town = \"Санкт-Петербург\"\n"
      "affirmations = [\"you are good\"]\n",
      "g.toml");
  content::ShowFileCheck::run(good);
  EXPECT_TRUE(good.problems().empty()) << good.problems()[0].describe();

  ShowFile bad = ShowFile::read(
      "party = \"the most extraordinarily long named summer garden party of the year\"\n"
      "town = \"東京\"\n"
      "affirmations = [\"you are good\", \"you 🎉\", \"" +
          std::string(60, 'w') + "\"]\n" + "closing_line = \"" + std::string(70, 'W') + "\"\n",
      "b.toml");
  content::ShowFileCheck::run(bad);
  const std::vector<std::string> expected = {
      "b.toml:1:9: error: 'party' cannot fit the 1920-point stage even at the smallest size its "
      "effect allows (64 points)",
      "b.toml:2:8: error: 'town' has '東' (U+6771), which the show's font lacks",
      "'affirmations[1]' has '🎉' (U+1F389)", "'affirmations[2]' cannot fit",
      "'closing_line' cannot fit"};
  ASSERT_EQ(bad.problems().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NE(bad.problems()[i].describe().find(expected[i]), std::string::npos) << i;
  }
}

}  // namespace
