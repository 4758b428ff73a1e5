// Prints, as JSON, the width of every affirmation and invitation word in each
// of the three fonts at 100 points, as the desktop's text engine lays them
// out: the page's test holds the browser's layout to these.
#include <cstdio>
#include <string>
#include <vector>

#include "content/Content.h"
#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/TextLayout.h"

namespace {

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

}  // namespace

int main() {
  constexpr double size = 100;
  std::vector<std::string> texts = content::affirmations();
  for (const auto& word : content::invitationWords()) {
    texts.push_back(word);
  }
  const std::vector<std::pair<std::string, std::optional<ui::Font>>> fonts = {
      {"system", ui::Font::systemFont(size)},
      {"bold", ui::Font::boldSystemFont(size)},
      {"SFProDisplay-Black", ui::Font::named("SFProDisplay-Black", size)}};
  std::printf("[\n");
  bool first = true;
  for (const auto& [name, font] : fonts) {
    if (!font) {
      std::fprintf(stderr, "text-advances: no font %s\n", name.c_str());
      return 1;
    }
    for (const auto& text : texts) {
      std::printf("%s  {\"font\": %s, \"size\": %g, \"text\": %s, \"width\": %.6f}",
                  first ? "" : ",\n", quoted(name).c_str(), size, quoted(text).c_str(),
                  ui::TextLayout::naturalSize(text, *font).width);
      first = false;
    }
  }
  std::printf("\n]\n");
  return 0;
}
