#include "content/ShowFileCheck.h"

#include <cstdio>

#include "content/StageText.h"
#include "content/UpperCase.h"
#include "content/Utf8.h"

namespace content {

namespace {

using Role = StageText::Role;

std::string describe(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  std::string character;
  // Encodes one code point for the message.
  if (c < 0x80) {
    character = static_cast<char>(c);
  } else if (c < 0x800) {
    character = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    character = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    character = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                 static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
  return "'" + character + "' (" + code + ")";
}

class Checker {
 public:
  explicit Checker(ShowFile& file) : file_(file) {}

  // `shown` is the text as the show draws it (capitals for the words).
  void text(const std::string& key, const std::string& shown, const ui::Font& font,
            std::optional<Role> fitsAs) {
    if (!drawable(key, shown, font)) {
      return;
    }
    if (fitsAs && !StageText::fitsAtSmallest(*fitsAs, shown)) {
      const double share = StageText::smallestShare(*fitsAs);
      const ui::Font full = StageText::font(*fitsAs, StageText::kStageWidth);
      const int width = static_cast<int>(StageText::naturalWidth(*fitsAs, shown) * share + 0.5);
      const int smallest = static_cast<int>(full.pointSize() * share + 0.5);
      file_.report(key,
                   "'" + key +
                       "' cannot fit the 1920-point stage even at the smallest size its "
                       "effect allows (" +
                       std::to_string(smallest) + " points): it would be " + std::to_string(width) +
                       " points wide",
                   "a shorter text");
    }
  }

 private:
  bool drawable(const std::string& key, const std::string& shown, const ui::Font& font) {
    for (char32_t c : codePoints(shown)) {
      if (c != ' ' && !font.face()->hasCharacter(c)) {
        file_.report(key, "'" + key + "' has " + describe(c) + ", which the show's font lacks",
                     "letters of the Latin, Greek and Cyrillic scripts, digits and punctuation "
                     "that Inter has");
        return false;
      }
    }
    return true;
  }

  ShowFile& file_;
};

}  // namespace

void ShowFileCheck::run(ShowFile& file) {
  const ShowSettings& s = file.settings();
  Checker check(file);
  const ui::Font bigWord = StageText::font(Role::BigWord, StageText::kStageWidth);
  const ui::Font phrase = StageText::font(Role::Phrase, StageText::kStageWidth);
  const ui::Font closing = StageText::font(Role::ClosingLine, StageText::kStageWidth);
  const ui::Font startScreen = ui::Font::systemFont(24);
  for (const auto& [key, word] :
       {std::pair{"party", s.party}, std::pair{"dates", s.dates}, std::pair{"town", s.town}}) {
    if (word) {
      check.text(key, upperCased(*word), bigWord, Role::BigWord);
    }
  }
  if (s.affirmations) {
    for (std::size_t i = 0; i < s.affirmations->size(); ++i) {
      check.text("affirmations[" + std::to_string(i) + "]", upperCased((*s.affirmations)[i]),
                 phrase, Role::Phrase);
    }
  }
  if (s.closingLine) {
    check.text("closing_line", *s.closingLine, closing, Role::ClosingLine);
  }
  if (s.credits) {
    for (std::size_t i = 0; i < s.credits->size(); ++i) {
      check.text("credits[" + std::to_string(i) + "]", (*s.credits)[i], startScreen, std::nullopt);
    }
  }
  if (s.shownAt) {
    check.text("shown_at", *s.shownAt, startScreen, std::nullopt);
  }
}

}  // namespace content
