#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/Color.h"

// The show's words and colours: built once, on first read, and read-only
// afterwards. Each accessor's first call builds its item (a function-local
// static, so a first read from two threads builds it once).
namespace content {

using ColorList = std::vector<std::reference_wrapper<const ui::Color>>;

// 66 phrases in capitals. Entries 5 and 15 are the same phrase on purpose.
const std::vector<std::string>& affirmations();
// The six words of the invitation, in capitals.
const std::vector<std::string>& invitationWords();

const ui::Color& paletteOrange();
const ui::Color& palettePink();
const ui::Color& palettePurple();
const ui::Color& paletteDark();
const ui::Color& paletteGreen();
// Orange, pink, purple, dark, green: references to the colours above.
const ColorList& paletteColors();
// The same without the dark colour.
const ColorList& paletteBrightColors();

// The closing line and the start screen's text.
const std::string& closingLine();
const std::string& infoText();

}  // namespace content
