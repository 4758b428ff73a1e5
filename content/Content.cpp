#include "content/Content.h"

#include <array>
#include <memory>
#include <mutex>

#include "content/UpperCase.h"

namespace content {

namespace {

std::vector<std::string> upperCasedAll(const std::vector<std::string>& phrases) {
  std::vector<std::string> list;
  list.reserve(phrases.size());
  for (const std::string& phrase : phrases) {
    list.push_back(upperCased(phrase));
  }
  return list;
}

constexpr ui::Color fromBytes(int r, int g, int b) {
  return ui::Color::withRGBA(r / 255.0, g / 255.0, b / 255.0, 1.0);
}

const std::vector<std::string>& builtInAffirmations() {
  static const std::vector<std::string> list = {
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
  };
  return list;
}

const std::vector<std::string>& builtInCredits() {
  static const std::vector<std::string> lines = {
      "\"you are invited\"",
      "a fireflies crew production",
      "",
      "music and programming by halcyon",
      "additional programming and music by wren",
  };
  return lines;
}

std::string startScreenText(const std::vector<std::string>& credits, const std::string& shownAt) {
  std::string text;
  for (const std::string& line : credits) {
    text += line + "\n";
  }
  text +=
      "\n"
      "please make this window full screen\n"
      "best in 16:9\n"
      "warning: there's a bunch of strobing in this one\n"
      "\n";
  if (!shownAt.empty()) {
    text += shownAt + "\n\n";
  }
  return text + "click anywhere to start";
}

// Every item, made together from one set of settings. Never moved: the
// colour lists refer to the colours inside.
struct Items {
  explicit Items(const ShowSettings& s)
      : affirmations(upperCasedAll(s.affirmations.value_or(builtInAffirmations()))),
        invitationWords(
            upperCasedAll({"you", "are", "invited", s.party.value_or("fireflies party"),
                           s.dates.value_or("4.-6.9.2027"), s.town.value_or("trollh\u00e4ttan")})),
        colors(s.palette.value_or(std::array<ui::Color, 5>{
            fromBytes(251, 139, 36), fromBytes(217, 3, 104), fromBytes(130, 2, 99),
            fromBytes(41, 23, 32), fromBytes(4, 167, 119)})),
        paletteColors{colors[0], colors[1], colors[2], colors[3], colors[4]},
        paletteBrightColors{colors[0], colors[1], colors[2], colors[4]},
        closingLine(s.closingLine.value_or("www.fireflies.se")),
        infoText(
            startScreenText(s.credits.value_or(builtInCredits()),
                            s.shownAt.value_or("shown at the northern lights gathering 2026"))),
        windowTitle(s.title.value_or("you are invited")),
        musicFile(s.music),
        phrasesShrinkToFit(s.affirmations.has_value()) {}
  Items(const Items&) = delete;
  Items& operator=(const Items&) = delete;

  const std::vector<std::string> affirmations;
  const std::vector<std::string> invitationWords;
  const std::array<ui::Color, 5> colors;  // orange, pink, purple, dark, green
  const ColorList paletteColors;
  const ColorList paletteBrightColors;
  const std::string closingLine;
  const std::string infoText;
  const std::string windowTitle;
  const std::optional<std::string> musicFile;
  const bool phrasesShrinkToFit;
};

struct Store {
  std::mutex mutex;
  ShowSettings settings;
  Items* current = nullptr;
  // Items replaced by a later installShow: kept, so that no reference dangles.
  std::vector<std::unique_ptr<Items>> made;
};

Store& store() {
  static Store instance;
  return instance;
}

const Items& items() {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  if (!s.current) {
    s.made.push_back(std::make_unique<Items>(s.settings));
    s.current = s.made.back().get();
  }
  return *s.current;
}

}  // namespace

void installShow(const ShowSettings& settings) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  s.settings = settings;
  s.current = nullptr;
}

const std::vector<std::string>& affirmations() {
  return items().affirmations;
}

const std::vector<std::string>& invitationWords() {
  return items().invitationWords;
}

const ui::Color& paletteOrange() {
  return items().colors[0];
}

const ui::Color& palettePink() {
  return items().colors[1];
}

const ui::Color& palettePurple() {
  return items().colors[2];
}

const ui::Color& paletteDark() {
  return items().colors[3];
}

const ui::Color& paletteGreen() {
  return items().colors[4];
}

const ColorList& paletteColors() {
  return items().paletteColors;
}

const ColorList& paletteBrightColors() {
  return items().paletteBrightColors;
}

const std::string& closingLine() {
  return items().closingLine;
}

const std::string& infoText() {
  return items().infoText;
}

const std::string& windowTitle() {
  return items().windowTitle;
}

bool phrasesShrinkToFit() {
  return items().phrasesShrinkToFit;
}

const std::optional<std::string>& musicFile() {
  return items().musicFile;
}

}  // namespace content
