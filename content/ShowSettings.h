#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "ui/Color.h"

namespace content {

// What an organiser's show file sets. Every field left empty keeps the
// built-in value, so a default-made ShowSettings is the built-in show.
// Texts are as written in the file: the content module capitalises the
// words and phrases itself.
struct ShowSettings {
  std::optional<std::string> party;  // invitation word 3
  std::optional<std::string> dates;  // invitation word 4
  std::optional<std::string> town;   // invitation word 5
  std::optional<std::string> closingLine;
  std::optional<std::vector<std::string>> affirmations;
  // Orange, pink, purple, dark, green: the roles the effects give them.
  std::optional<std::array<ui::Color, 5>> palette;
  // The music file as a path the program can open: relative to the show
  // file's folder when it was written as a relative path.
  std::optional<std::string> music;
  std::optional<std::vector<std::string>> credits;  // the start screen's first lines
  std::optional<std::string> shownAt;               // the start screen's occasion line
  std::optional<std::string> title;                 // the window's title
};

}  // namespace content
