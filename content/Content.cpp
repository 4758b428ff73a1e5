#include "content/Content.h"

#include "content/UpperCase.h"

namespace content {

namespace {

std::vector<std::string> upperCasedAll(std::initializer_list<const char*> phrases) {
  std::vector<std::string> list;
  list.reserve(phrases.size());
  for (const char* phrase : phrases) {
    list.push_back(upperCased(phrase));
  }
  return list;
}

constexpr ui::Color fromBytes(int r, int g, int b) {
  return ui::Color::withRGBA(r / 255.0, g / 255.0, b / 255.0, 1.0);
}

}  // namespace

const std::vector<std::string>& affirmations() {
  static const std::vector<std::string> list = upperCasedAll({
      "you are good",
      "you make everyone\u2019s day better",
      "you light up the room",
      "you are a ray of sunshine",
      "you can do anything",
      "you are good enough",
      "you can touch the sky",
      "you are loved",
      "you can achieve your goals",
      "you are present",
      "you are thoughtful",
      "you have grace",
      "you are respected",
      "you do your best",
      "you have friends",
      "you are good enough",
      "you like people",
      "you have grit",
      "you make my day",
      "you will succeed",
      "you are valued",
      "you belong",
      "you deserve kindness",
      "you exude beauty",
      "you are making a difference",
      "you have courage",
      "you trust yourself",
      "you are needed",
      "you radiate positive energy",
      "you have focus",
      "you are in control",
      "you are safe",
      "you are kind",
      "you inspire others",
      "you bring joy wherever you go",
      "you have a beautiful mind",
      "you matter",
      "you are doing great things",
      "you make people smile",
      "you bring comfort to others",
      "you are creative",
      "you make the world brighter",
      "you are worthy of love",
      "you bring peace to those around you",
      "you are appreciated",
      "you listen with compassion",
      "you bring out the best in others",
      "you are enough just as you are",
      "you spread kindness",
      "you are brave",
      "you find beauty in small things",
      "you are full of potential",
      "you are a blessing to others",
      "you make life sweeter",
      "you care deeply",
      "you smell nice",
      "you have a good heart",
      "you bring hope",
      "you inspire trust",
      "you see the good in others",
      "you make this world a better place",
      "you are shining today",
      "you are doing your best",
      "you are loved just for being you",
      "you make others feel safe",
      "you bring light to dark places",
  });
  return list;
}

const std::vector<std::string>& invitationWords() {
  static const std::vector<std::string> list = upperCasedAll(
      {"you", "are", "invited", "fireflies party", "4.-6.9.2027", "trollh\u00e4ttan"});
  return list;
}

const ui::Color& paletteOrange() {
  static const ui::Color color = fromBytes(251, 139, 36);
  return color;
}

const ui::Color& palettePink() {
  static const ui::Color color = fromBytes(217, 3, 104);
  return color;
}

const ui::Color& palettePurple() {
  static const ui::Color color = fromBytes(130, 2, 99);
  return color;
}

const ui::Color& paletteDark() {
  static const ui::Color color = fromBytes(41, 23, 32);
  return color;
}

const ui::Color& paletteGreen() {
  static const ui::Color color = fromBytes(4, 167, 119);
  return color;
}

const ColorList& paletteColors() {
  static const ColorList list{paletteOrange(), palettePink(), palettePurple(), paletteDark(),
                              paletteGreen()};
  return list;
}

const ColorList& paletteBrightColors() {
  static const ColorList list{paletteOrange(), palettePink(), palettePurple(), paletteGreen()};
  return list;
}

const std::string& closingLine() {
  static const std::string line = "www.fireflies.se";
  return line;
}

const std::string& infoText() {
  static const std::string text =
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
      "click anywhere to start";
  return text;
}

}  // namespace content
